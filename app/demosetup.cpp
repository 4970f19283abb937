#include "demosetup.h"
#include "applicationdata.h"
#include "devicesetup.h"
#include "exercise.h"
#include "rangedata.h"

#include <session.h>
#include <targetmanager.h>
#include <trace.h>

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QSocketNotifier>
#include <QVariantMap>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

extern "C" void onQuitSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

} // namespace

DemoSetup::DemoSetup(int lanes)
    : m_folder(QDir::tempPath() + QStringLiteral("/kavrotir-demo-XXXXXX"))
    , m_lanes(lanes)
{
    if (!m_folder.isValid())
        return;
    const QString settings = m_folder.filePath(QStringLiteral("settings"));
    QDir().mkpath(settings);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings);
    ApplicationData::setDataLocationOverride(m_folder.filePath(QStringLiteral("data")));
    // The facade builds its lanes from the settings: as many as there are
    // demonstration lanes, once.
    QSettings().setValue(QStringLiteral("maxRanges"), lanes);
}

DemoSetup::~DemoSetup()
{
    if (m_signals) {
        for (int number : {SIGINT, SIGTERM, SIGHUP})
            std::signal(number, SIG_DFL);
    }
    ApplicationData::setDataLocationOverride(QString());
}

QString DemoSetup::databaseFile() const
{
    return m_folder.filePath(QStringLiteral("data/storage.sqlite"));
}

void DemoSetup::prepare(ApplicationData *facade) const
{
    facade->setDemo(true);
    facade->setShootingMode(RangeData::TrainingMode);
}

void DemoSetup::startLanes(ApplicationData *facade, const DeviceSetup &devices) const
{
    LibModel::TargetManager *targets = facade->targetManager();
    LibModel::TargetDescriptor *target
            = targets->findByUuid(QLatin1String(LibModel::TargetManager::AirRifleUuid));
    const QVariantMap form {
            {QStringLiteral("target"), QVariant::fromValue<QObject *>(target)},
            {QStringLiteral("targetIndex"), qMax(0, targets->targets()->indexOf(target))},
            {QStringLiteral("distance"), 10.0},
            {QStringLiteral("caliber"), 4.5},
            {QStringLiteral("scale"), 1.0},
            {QStringLiteral("trialShots"), 0},
            {QStringLiteral("shots"), Shots},
            {QStringLiteral("withTimeLimits"), false},
            {QStringLiteral("autoCorrection"), false},
            {QStringLiteral("withCalibration"), false}};
    const QList<RangeData *> &lanes = facade->ranges();
    for (int i = 0; i < lanes.size() && i < m_lanes; ++i) {
        RangeData *lane = lanes.at(i);
        lane->setDeviceSerialNumber(RangeData::serialText(DeviceSetup::simulatedSerial(i)));
        Exercise *exercise = lane->exercise();
        exercise->setGlobalMode(RangeData::TrainingMode);
        exercise->applySettings(form);
        // Calibrated already: the sensor's centre is the target's.
        lane->setStoredOffset(devices.simulatedCentre(i));
        exercise->start(QCoreApplication::translate("DemoSetup", "Демо %1").arg(i + 1), QString(),
                        QString());
    }
}

void DemoSetup::quitOnSignals()
{
    if (m_signals || ::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_signals = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(m_signals.get(), &QSocketNotifier::activated, [] {
        char byte;
        while (::read(signalPipe[0], &byte, 1) > 0) { }
        QCoreApplication::quit();
    });
    struct sigaction action = {};
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : {SIGINT, SIGTERM, SIGHUP})
        sigaction(number, &action, nullptr);
}
