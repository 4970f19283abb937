#include "hardwarecontroller.h"
#include "usbbackend.h"
#include "usbdeviceenumerator.h"

#include <clock.h>

namespace LibHardware {

namespace {
HardwareController *theInstance = nullptr;
}

HardwareController::HardwareController(QObject *parent, UsbBackend *backend)
    : QObject(parent)
    , m_backend(backend)
    , m_enumerator(new UsbDeviceEnumerator(this, backend))
{
    qRegisterMetaType<LibHardware::DeviceRef>();
    qRegisterMetaType<LibHardware::UsbDeviceInfo>();
    qRegisterMetaType<LibHardware::UsbImageSensor::Event>();
    qRegisterMetaType<LibHardware::HardwareController::Event>();
    qRegisterMetaType<LibHardware::HardwareController::DeviceState>();

    m_attentionTimer.setSingleShot(true);
    m_firingPointTimer.setSingleShot(true);
    connect(m_enumerator, &UsbDeviceEnumerator::deviceAdded, this,
            &HardwareController::deviceAdded);
    connect(m_enumerator, &UsbDeviceEnumerator::deviceRemoved, this,
            &HardwareController::deviceRemoved);
    connect(&m_attentionTimer, &QTimer::timeout, this, &HardwareController::payAttention);
    connect(&m_firingPointTimer, &QTimer::timeout, this, &HardwareController::firingPointChanged);
    m_enumerator->start(UsbDeviceEnumerator::VendorId, UsbDeviceEnumerator::OpticalSensorProductId);
}

HardwareController::~HardwareController()
{
    m_enumerator->stop();
    // Stop every reader before the objects go.
    for (UsbImageSensor *sensor : std::as_const(m_sensors))
        delete sensor;
    m_sensors.clear();
    if (theInstance == this)
        theInstance = nullptr;
}

HardwareController *HardwareController::instance()
{
    if (!theInstance)
        theInstance = new HardwareController;
    return theInstance;
}

void HardwareController::destroyInstance()
{
    delete theInstance;
    theInstance = nullptr;
}

QList<DeviceRef> HardwareController::connectedDevices() const
{
    // Unplugged sensors and those that failed to start are not usable: a lane
    // bound to one is not ready and the device list does not offer it.
    QList<DeviceRef> refs;
    for (const DeviceRecord &record : m_devices) {
        if (record.state != Removed && record.state != Failed)
            refs.append(record.ref);
    }
    return refs;
}

QMap<DeviceRef, HardwareController::DeviceState> HardwareController::knownDevices() const
{
    QMap<DeviceRef, DeviceState> states;
    for (const DeviceRecord &record : m_devices)
        states.insert(record.ref, record.state);
    return states;
}

DeviceRef HardwareController::deviceOfLane(quint16 lane) const
{
    return m_lanes.value(lane).device;
}

void HardwareController::registerLane(quint16 lane)
{
    if (!m_lanes.contains(lane))
        m_lanes.insert(lane, LaneRecord());
    rebindLanes();
}

void HardwareController::setLaneActive(quint16 lane, bool active)
{
    m_lanes[lane].active = active;
    rebindLanes();
}

void HardwareController::setLaneDevice(quint16 lane, const DeviceRef &device)
{
    m_lanes[lane].device = device;
    rebindLanes();
}

UsbImageSensor *HardwareController::sensorOf(const DeviceRef &device) const
{
    const auto reference = m_references.constFind(device);
    if (reference == m_references.cend())
        return nullptr;
    return m_sensors.value(reference.value());
}

void HardwareController::setState(DeviceRecord &record, DeviceState state)
{
    record.state = state;
    emit deviceStateChanged(record.ref, state);
}

void HardwareController::deviceAdded(UsbDeviceInfo info)
{
    if (info.productId != UsbDeviceEnumerator::OpticalSensorProductId || m_sensors.contains(info))
        return;
    auto *sensor = new UsbImageSensor(this, m_backend);
    m_sensors.insert(info, sensor);
    connect(sensor, &UsbImageSensor::sample, this, &HardwareController::usbImageSensorSample);
    if (!sensor->open(info)) {
        qWarning("sensor %s: %s", qPrintable(info.path), qPrintable(sensor->errorText()));
        return;
    }
    const DeviceRef ref = DeviceRef::opticalSensor(sensor->serialNumber());
    const UsbDeviceInfo holder = m_references.value(ref);
    if (!holder.path.isEmpty() && holder != info) {
        UsbImageSensor *holding = m_sensors.value(holder);
        // Two sensors plugged in with one serial: the first keeps the record
        // and its lanes; this one waits, open and idle, until the first goes.
        if (holding && holding->isOpen()) {
            qWarning("sensor %s: serial %s is in use by %s; kept in reserve", qPrintable(info.path),
                     sensor->serialNumber().toHex().constData(), qPrintable(holder.path));
            return;
        }
        // The object that carried this serial before is closed (a re-plug): forget it.
        m_sensorRefs.remove(holding);
    }
    adopt(info, sensor, ref);
}

void HardwareController::adopt(const UsbDeviceInfo &info, UsbImageSensor *sensor,
                               const DeviceRef &ref)
{
    m_references.insert(ref, info);
    m_sensorRefs.insert(sensor, ref);
    DeviceRecord &record = m_devices[ref];
    record.ref = ref;
    record.pending = true;
    record.scheduled = false;
    record.deadline = LibMisc::Clock::now();
    setState(record, Opened);
    rebindLanes();
}

UsbImageSensor *HardwareController::reserveFor(const DeviceRef &ref) const
{
    for (UsbImageSensor *sensor : m_sensors) {
        if (sensor->isOpen() && !m_sensorRefs.contains(sensor)
            && DeviceRef::opticalSensor(sensor->serialNumber()) == ref)
            return sensor;
    }
    return nullptr;
}

void HardwareController::deviceRemoved(UsbDeviceInfo info)
{
    if (info.productId != UsbDeviceEnumerator::OpticalSensorProductId)
        return;
    UsbImageSensor *sensor = m_sensors.take(info);
    if (!sensor)
        return;
    if (sensor->isOpen())
        sensor->close();
    const auto ref = m_sensorRefs.constFind(sensor);
    if (ref != m_sensorRefs.cend()) {
        const DeviceRef device = ref.value();
        m_sensorRefs.erase(ref);
        if (m_references.value(device) == info)
            m_references.remove(device);
        // Another sensor with the serial is still plugged in: it takes over,
        // and the serial is not gone.
        if (UsbImageSensor *reserve = reserveFor(device)) {
            adopt(reserve->deviceInfo(), reserve, device);
        } else if (auto record = m_devices.find(device); record != m_devices.end()) {
            record->pending = false;
            record->scheduled = false;
            setState(*record, Removed);
        }
    }
    sensor->deleteLater();
}

void HardwareController::usbImageSensorSample(qlonglong timer, const UsbImageSensor::Event &sample)
{
    const auto *sensor = qobject_cast<const UsbImageSensor *>(sender());
    const auto ref = m_sensorRefs.constFind(sensor);
    if (ref == m_sensorRefs.cend())
        return;
    const auto record = m_devices.constFind(ref.value());
    if (record == m_devices.cend() || !record->wanted)
        return;
    Event event;
    event.timer = timer;
    event.device = ref.value();
    event.sample = sample;
    emit opticalSensorEvent(event);
}

void HardwareController::evaluate(DeviceRecord &record)
{
    UsbImageSensor *sensor = sensorOf(record.ref);
    if (!sensor || !sensor->isOpen())
        return;
    if (record.wanted && !sensor->isPolling()) {
        if (sensor->startPolling()) {
            record.pending = true;
            record.scheduled = false;
            record.deadline = LibMisc::Clock::now();
            setState(record, Streaming);
        } else {
            sensor->close();
            setState(record, Failed);
        }
    } else if (!record.wanted && sensor->isPolling()) {
        sensor->stopPolling();
        setState(record, Stopped);
    }
}

void HardwareController::payAttention()
{
    for (DeviceRecord &record : m_devices) {
        if (!record.scheduled)
            continue;
        record.pending = false;
        record.scheduled = false;
        if (record.ref.idType == DeviceRef::SerialNumberId)
            evaluate(record);
        break;
    }
    reschedule();
}

void HardwareController::firingPointChanged()
{
    reschedule();
}

void HardwareController::reschedule()
{
    if (m_attentionTimer.isActive())
        return;
    DeviceRecord *next = nullptr;
    for (DeviceRecord &record : m_devices) {
        if (record.pending && (!next || record.deadline < next->deadline))
            next = &record;
    }
    if (!next)
        return;
    next->scheduled = true;
    const qint64 delay = qMax<qint64>(0, next->deadline - LibMisc::Clock::now());
    m_attentionTimer.start(int(qMin<qint64>(delay, 24 * 3600 * 1000)));
}

void HardwareController::rebindLanes()
{
    const qint64 now = LibMisc::Clock::now();
    for (DeviceRecord &record : m_devices) {
        // A device streams exactly while some active lane uses it.
        bool wanted = false;
        for (const LaneRecord &lane : std::as_const(m_lanes)) {
            if (lane.active && lane.device == record.ref) {
                wanted = true;
                break;
            }
        }
        if (wanted == record.wanted)
            continue;
        record.wanted = wanted;
        record.pending = true;
        record.scheduled = false;
        record.deadline = now;
    }
    reschedule();
}

} // namespace LibHardware
