#pragma once

#include "deviceref.h"
#include "usbdeviceinfo.h"
#include "usbimagesensor.h"

#include <QHash>
#include <QMap>
#include <QObject>
#include <QTimer>

namespace LibHardware {

class UsbBackend;
class UsbDeviceEnumerator;

// The one object through which the program sees sensors: it opens every
// optical sensor that is plugged in, identifies it by serial number, keeps a
// table of known devices and their states, binds devices to lanes (firing
// points), streams exactly the sensors that active lanes use (starting and
// stopping them one at a time from the event loop) and forwards their
// samples to the lanes.
class HardwareController : public QObject
{
    Q_OBJECT

public:
    enum DeviceState : qint32 {
        Opened = 1,
        Stopped = 4,
        Streaming = 5,
        Failed = 6,
        Removed = 7,
    };
    Q_ENUM(DeviceState)

    struct Event
    {
        qint64 timer = 0;
        DeviceRef device;
        UsbImageSensor::Event sample;
    };

    // Uses the given backend, or the process-wide one.
    explicit HardwareController(QObject *parent = nullptr, UsbBackend *backend = nullptr);
    ~HardwareController() override;

    // The process-wide controller, made on first use.
    static HardwareController *instance();
    // Destroys the process-wide controller (tests, shutdown).
    static void destroyInstance();

    // The references of the sensors that are plugged in and usable.
    Q_INVOKABLE QList<LibHardware::DeviceRef> connectedDevices() const;
    // Every device ever seen, unplugged ones included, with its state.
    QMap<DeviceRef, DeviceState> knownDevices() const;

    DeviceRef deviceOfLane(quint16 lane) const;
    void registerLane(quint16 lane);
    void setLaneActive(quint16 lane, bool active);
    void setLaneDevice(quint16 lane, const DeviceRef &device);
    UsbImageSensor *sensorOf(const DeviceRef &device) const;
    // The sensor objects, opened or not, by device path.
    QList<UsbImageSensor *> sensors() const { return m_sensors.values(); }

public slots:
    void deviceAdded(LibHardware::UsbDeviceInfo info);
    void deviceRemoved(LibHardware::UsbDeviceInfo info);
    void usbImageSensorSample(qlonglong timer, const LibHardware::UsbImageSensor::Event &sample);
    void payAttention();
    void firingPointChanged();

signals:
    void deviceStateChanged(LibHardware::DeviceRef ref,
                            LibHardware::HardwareController::DeviceState state);
    void opticalSensorEvent(const LibHardware::HardwareController::Event &event);

private:
    struct DeviceRecord
    {
        DeviceRef ref;
        DeviceState state = Opened;
        bool pending = false;
        bool scheduled = false;
        qint64 deadline = 0;
        bool wanted = false;
    };
    struct LaneRecord
    {
        bool active = false;
        bool second = false;
        DeviceRef device;
    };

    void setState(DeviceRecord &record, DeviceState state);
    // Makes the sensor the one that carries the serial's record.
    void adopt(const UsbDeviceInfo &info, UsbImageSensor *sensor, const DeviceRef &ref);
    // An open sensor with the serial that waits behind the one carrying it.
    UsbImageSensor *reserveFor(const DeviceRef &ref) const;
    void evaluate(DeviceRecord &record);
    void rebindLanes();
    void reschedule();

    UsbBackend *m_backend;
    UsbDeviceEnumerator *m_enumerator;
    QMap<UsbDeviceInfo, UsbImageSensor *> m_sensors;
    QMap<DeviceRef, UsbDeviceInfo> m_references;
    QHash<const UsbImageSensor *, DeviceRef> m_sensorRefs;
    QMap<DeviceRef, DeviceRecord> m_devices;
    QMap<quint16, LaneRecord> m_lanes;
    QTimer m_attentionTimer;
    QTimer m_firingPointTimer;
};

} // namespace LibHardware

Q_DECLARE_METATYPE(LibHardware::HardwareController::Event)
