#include "applicationdata.h"
#include "archivereader.h"
#include "catalog.h"
#include "databasesettings.h"
#include "language.h"
#include "multisoundeffect.h"
#include "rangedata.h"
#include "sessiondelivery.h"

#include <session.h>
#include <targetmanager.h>

#include <QCoreApplication>
#include <QDir>
#include <QQuickWindow>
#include <QSettings>
#include <QStandardPaths>

#include <cstdio>
#include <unistd.h>

namespace {
ApplicationData *theInstance = nullptr;
QString dataLocationOverride;
} // namespace

ApplicationData::ApplicationData(QObject *parent)
    : QObject(parent)
    , m_targetManager(new LibModel::TargetManager(this))
    , m_storage(new LibModel::Storage(this))
    , m_language(new Language(this))
{
    connect(m_language, &Language::codeChanged, this, &ApplicationData::languageChanged);
    const qlonglong ranges = intValue(QStringLiteral("maxRanges"), DefaultMaxRanges);
    m_maxRanges = int(qBound(qlonglong(MinRanges), ranges, qlonglong(MaxRanges)));
    const qlonglong seconds
            = intValue(QStringLiteral("maxSecondsBeforeShot"), DefaultMaxSecondsBeforeShot);
    m_maxSecondsBeforeShot = quint16(
            qBound(qlonglong(MinSecondsBeforeShot), seconds, qlonglong(MaxSecondsBeforeShot)));
    theInstance = this;

    const QString folder = dataLocation();
    if (!folder.isEmpty() && !QDir().mkpath(folder))
        qWarning("cannot create the data folder %s", qPrintable(folder));
    // A database that cannot be opened leaves the program running without
    // one: the pages show empty lists and writes fail. Every connection
    // (this one and the workers') goes to the same database.
    const LibModel::StorageLocation location = databaseLocation();
    const QString database = location.text();
    m_databaseSettings = new DatabaseSettings(location, this);
    m_database = database;
    // Sessions an earlier run could not store go in first.
    m_delivery = new SessionDelivery(database, location.outboxFolder(folder), this);
    connect(m_delivery, &SessionDelivery::pendingChanged, this,
            &ApplicationData::pendingSessionsChanged);
    connect(m_delivery, &SessionDelivery::finished, this, &ApplicationData::afterDelivery);
    m_archive = new ArchiveReader(database, m_storage, this);
    // The lanes' new shooters go into the same list as the catalogue's.
    m_catalog = new Catalog(database, m_storage->shooters(), this);
    m_catalog->refresh();
    // The lists' "all" entries follow the language.
    connect(this, &ApplicationData::languageChanged, m_catalog, &Catalog::organizationsChanged);

    buildRanges();
    refreshDevices();
    connect(LibHardware::HardwareController::instance(),
            &LibHardware::HardwareController::deviceStateChanged, this,
            &ApplicationData::deviceStateChanged);

    m_intervalClock.start();
    connect(&m_frameRateTimer, &QTimer::timeout, this, &ApplicationData::calculateAverageFrameRate);
    m_frameRateTimer.start(FrameRateInterval);
    connect(&m_reportTimer, &QTimer::timeout, this, &ApplicationData::reportFrameRate);
}

ApplicationData::~ApplicationData()
{
    // Its thread reads through the target catalogue, which goes first
    // among the children.
    delete m_archive;
    delete m_catalog;
    if (theInstance == this)
        theInstance = nullptr;
}

ApplicationData *ApplicationData::instance()
{
    return theInstance;
}

void ApplicationData::setDataLocationOverride(const QString &folder)
{
    dataLocationOverride = folder;
}

QString ApplicationData::dataLocation()
{
    if (!dataLocationOverride.isEmpty())
        return dataLocationOverride;
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
}

QString ApplicationData::databasePath()
{
    return DatabaseSettings::defaultFile();
}

LibModel::StorageLocation ApplicationData::databaseLocation()
{
    return DatabaseSettings::location();
}

LibModel::Storage *ApplicationData::storage() const
{
    // The program reads and writes through its worker threads; this
    // connection is made only for those who ask for it, never at start,
    // where a server that does not answer would hold up the window.
    if (!m_storageOpened) {
        m_storageOpened = true;
        m_storage->setBusyTimeout(LockWait);
        if (!m_storage->open(m_database,
                             LibModel::Storage::uniqueConnectionName(QStringLiteral("kavro"))))
            qWarning("cannot open the database %s: %s", qPrintable(m_database),
                     qPrintable(m_storage->lastError()));
    }
    return m_storage;
}

int ApplicationData::pendingSessions() const
{
    return m_delivery->pending();
}

QString ApplicationData::pendingReason() const
{
    return m_delivery->reason();
}

int ApplicationData::unfiledSessions() const
{
    return m_delivery->unfiled();
}

bool ApplicationData::saveSession(LibModel::Session *session)
{
    if (!session || !session->isValid())
        return false;
    if (session->storage() != m_catalog && session->storage() != m_storage)
        return session->write();
    m_delivery->submit(*session);
    return true;
}

void ApplicationData::deliverPending()
{
    m_delivery->deliverPending();
}

void ApplicationData::afterDelivery(int delivered, int pending, int rejected)
{
    // Another connection stored them: the lists the pages show are read again.
    if (delivered > 0)
        m_catalog->refresh();
    emit sessionsDelivered(delivered, pending, rejected);
}

QQmlListProperty<RangeData> ApplicationData::rangeList()
{
    return QQmlListProperty<RangeData>(
            this, &m_ranges,
            [](QQmlListProperty<RangeData> *list) {
                return static_cast<QList<RangeData *> *>(list->data)->size();
            },
            [](QQmlListProperty<RangeData> *list, qsizetype i) {
                return static_cast<QList<RangeData *> *>(list->data)->at(i);
            });
}

void ApplicationData::buildRanges()
{
    // Deferred: QML bindings to the old lanes must survive the current event.
    for (RangeData *range : std::as_const(m_ranges))
        range->deleteLater();
    m_ranges.clear();
    LibHardware::HardwareController *controller = LibHardware::HardwareController::instance();
    for (int i = 0; i < m_maxRanges; ++i) {
        auto *range = new RangeData(quint16(i), m_catalog, this);
        for (const RangeData *lower : std::as_const(m_ranges)) {
            if (!range->deviceSerialNumber().isEmpty()
                && lower->deviceSerialNumber() == range->deviceSerialNumber()) {
                range->setDeviceSerialNumber(QString());
                break;
            }
        }
        m_ranges.append(range);
    }
    // Lanes beyond the count no longer need their sensors streaming.
    for (int i = m_maxRanges; i < MaxRanges; ++i)
        controller->setLaneActive(quint16(i), false);
    emit rangesChanged();
}

void ApplicationData::refreshDevices()
{
    QStringList serials;
    for (const LibHardware::DeviceRef &ref :
         LibHardware::HardwareController::instance()->connectedDevices()) {
        if (ref.category == LibHardware::DeviceRef::OpticalSensor
            && ref.idType == LibHardware::DeviceRef::SerialNumberId)
            serials.append(RangeData::serialText(ref.id));
    }
    serials.sort(Qt::CaseSensitive);
    if (serials == m_devices)
        return;
    m_devices = serials;
    emit devicesChanged();
}

void ApplicationData::deviceStateChanged(LibHardware::DeviceRef,
                                         LibHardware::HardwareController::DeviceState)
{
    refreshDevices();
}

void ApplicationData::setWindow(QQuickWindow *window)
{
    if (m_window)
        disconnect(m_window, nullptr, this, nullptr);
    m_window = window;
    if (window)
        connect(window, &QQuickWindow::afterRendering, this, &ApplicationData::onAfterRendering);
}

QVariant ApplicationData::value(const QString &key, const QVariant &defaultValue) const
{
    return QSettings().value(key, defaultValue);
}

qlonglong ApplicationData::intValue(const QString &key, qlonglong defaultValue) const
{
    const QVariant stored = QSettings().value(key);
    bool ok = false;
    const qlonglong result = stored.toLongLong(&ok);
    return ok ? result : defaultValue;
}

double ApplicationData::realValue(const QString &key, double defaultValue) const
{
    const QVariant stored = QSettings().value(key);
    bool ok = false;
    const double result = stored.toDouble(&ok);
    return ok ? result : defaultValue;
}

QString ApplicationData::stringValue(const QString &key, const QString &defaultValue) const
{
    QSettings settings;
    return settings.contains(key) ? settings.value(key).toString() : defaultValue;
}

bool ApplicationData::boolValue(const QString &key, bool defaultValue) const
{
    QSettings settings;
    return settings.contains(key) ? settings.value(key).toBool() : defaultValue;
}

void ApplicationData::setValue(const QString &key, const QVariant &value)
{
    QSettings().setValue(key, value);
}

QString ApplicationData::localPath(const QUrl &url) const
{
    return url.isLocalFile() ? url.toLocalFile() : url.toString(QUrl::PreferLocalFile);
}

void ApplicationData::setMaxRanges(uchar value)
{
    if (m_maxRanges == value)
        return;
    setValue(QStringLiteral("maxRanges"), int(value));
    m_maxRanges = value;
    buildRanges();
    emit maxRangesChanged();
}

void ApplicationData::setMaxSecondsBeforeShot(ushort value)
{
    if (m_maxSecondsBeforeShot == value)
        return;
    setValue(QStringLiteral("maxSecondsBeforeShot"), int(value));
    m_maxSecondsBeforeShot = value;
    emit maxSecondsBeforeShotChanged();
}

MultiSoundEffect *ApplicationData::ensureSoundPlayer(const QUrl &source)
{
    MultiSoundEffect *&player = m_sounds[source];
    if (!player)
        player = new MultiSoundEffect(this, source, SoundCopies);
    return player;
}

void ApplicationData::preloadSound(const QUrl &source)
{
    ensureSoundPlayer(source);
}

void ApplicationData::playSound(const QUrl &source)
{
    ensureSoundPlayer(source)->play();
}

void ApplicationData::raise()
{
    if (!m_window)
        return;
    m_window->show();
    m_window->raise();
    m_window->requestActivate();
}

void ApplicationData::setShootingMode(int value)
{
    if (m_shootingMode == value)
        return;
    m_shootingMode = value;
    emit shootingModeChanged();
}

void ApplicationData::setCompetitionName(const QString &value)
{
    // Emits also for an unchanged name: the pages use the signal to re-read it.
    m_competitionName = value;
    emit competitionNameChanged();
}

void ApplicationData::deleteDataBase()
{
    // A club's server is not this PC's to wipe; its sessions still waiting
    // in the data folder would be lost with the folder.
    if (m_databaseSettings->serverInUse()) {
        qWarning("the database is on a server: it is not deleted from here");
        return;
    }
    const QString folder = dataLocation();
    // Never wipe something that is not our own folder: an empty location
    // would mean the current directory.
    const bool ours = !folder.isEmpty() && QDir(folder).absolutePath() != QDir::homePath()
            && QDir(folder).absolutePath() != QDir::rootPath();
    // The worker threads' connections make files in the folder: they end
    // first, or the folder is refilled while it is removed.
    delete m_archive;
    m_archive = nullptr;
    delete m_catalog;
    m_catalog = nullptr;
    delete m_delivery;
    m_delivery = nullptr;
    m_storage->removeConnection();
    const bool removed = ours && QDir(folder).removeRecursively();
    std::fflush(nullptr);
    ::_exit(removed ? 0 : 1);
}

void ApplicationData::onAfterRendering()
{
    ++m_frames;
    ++m_intervalFrames;
    ++m_reportFrames;
    emit framesChanged();
}

void ApplicationData::calculateAverageFrameRate()
{
    const qint64 elapsed = m_intervalClock.restart();
    const double rate = elapsed > 0 ? m_intervalFrames * 1000.0 / double(elapsed) : 0.0;
    m_intervalFrames = 0;
    if (rate != m_averageFrameRate) {
        m_averageFrameRate = rate;
        emit averageFrameRateChanged();
    }
}

void ApplicationData::setReportsFrameRate(bool reports)
{
    if (!reports) {
        m_reportTimer.stop();
        return;
    }
    m_reportFrames = 0;
    m_reportClock.start();
    m_reportTimer.start(1000);
}

void ApplicationData::reportFrameRate()
{
    const qint64 elapsed = m_reportClock.restart();
    const double rate = elapsed > 0 ? m_reportFrames * 1000.0 / double(elapsed) : 0.0;
    m_reportFrames = 0;
    // One line at a time, flushed, for whoever reads the pipe.
    std::printf("{\"fps\":%.1f,\"lanes\":%d}\n", rate, int(m_ranges.size()));
    std::fflush(stdout);
}

QString ApplicationData::language() const
{
    return m_language->code();
}

void ApplicationData::setLanguage(const QString &code)
{
    m_language->setCode(code);
}
