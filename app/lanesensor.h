#pragma once

#include <deviceref.h>
#include <usbimagesensor.h>

#include <QPointF>
#include <QString>
#include <QVector>

namespace LibModel {
class Session;
}

// The sensor bound to a lane, found through the hardware controller, and
// how the lane sets it up: the optics and microphone, what to look for on
// the session's target face, the calibration view (mode one, which shows
// where the sensor's own offset lies) and the aiming view (mode two, aimed
// at the lane's offset).
class LaneSensor
{
public:
    // What the sensor must look for on a target face.
    struct Frame
    {
        const char *targetUuid;
        QVector<LibHardware::UsbImageSensor::Marker> markers;
        quint16 tag;
        double aimMarkDiameter;
        double sizeParameter;
    };
    static const QVector<Frame> &frames();

    // The serial number as text and back: 16 hex digits of the 8 bytes.
    static QString serialText(const QByteArray &serialNumber);
    static QByteArray serialBytes(const QString &serialText);

    explicit LaneSensor(quint16 lane)
        : m_lane(lane)
    { }

    LibHardware::DeviceRef ref() const;
    // The sensor when it is known to the controller, open or not.
    LibHardware::UsbImageSensor *device() const;
    static bool isConnected(const LibHardware::DeviceRef &ref);
    // The bound sensor's serial number, empty without one.
    QString serialNumber() const;

    static void sendMicrophone(LibHardware::UsbImageSensor *device, bool ultraSensitive,
                               quint16 threshold);
    // The first setting of every set-up.
    static void begin(LibHardware::UsbImageSensor *device);
    // The optics, the microphone and the target face's frame.
    static void configure(LibHardware::UsbImageSensor *device, bool ultraSensitive,
                          quint16 threshold, const LibModel::Session &session);
    // Into the calibration view; the sensor's own offset.
    static QPointF viewCalibration(LibHardware::UsbImageSensor *device);
    // Into the aiming view at the offset.
    static void aim(LibHardware::UsbImageSensor *device, const QPointF &offset);

private:
    quint16 m_lane;
};
