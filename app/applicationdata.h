#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QQmlListProperty>
#include <QQuickWindow>
#include <QStringList>
#include <QTimer>
#include <QUrl>
#include <QVariant>

#include <deviceref.h>
#include <hardwarecontroller.h>
#include <storage.h>
#include <storagelocation.h>
#include <targetmanager.h>

class ArchiveReader;
class Catalog;
class DatabaseSettings;
class MultiSoundEffect;
class RangeData;
class SessionDelivery;

Q_MOC_INCLUDE("archivereader.h")
Q_MOC_INCLUDE("catalog.h")
Q_MOC_INCLUDE("databasesettings.h")
Q_MOC_INCLUDE("rangedata.h")

// The one object through which the QML pages reach the program's global
// state: settings, sounds, the frame rate of the main window, the global
// shooting mode and competition name, and the database wipe. QML sees it as
// the context property "application".
class Language;
class ApplicationData : public QObject
{
    Q_OBJECT
    Q_PROPERTY(LibModel::TargetManager *targetManager READ targetManager CONSTANT)
    Q_PROPERTY(LibModel::Storage *storage READ storage CONSTANT)
    // The archive pages' reads, on a thread of their own.
    Q_PROPERTY(ArchiveReader *archive READ archive CONSTANT)
    // The shooter and competition lists, their deletions and imports, on a
    // thread of their own.
    Q_PROPERTY(Catalog *catalog READ catalog CONSTANT)
    // Where the database is, and the settings page's choice of it.
    Q_PROPERTY(DatabaseSettings *databaseSettings READ databaseSettings CONSTANT)
    Q_PROPERTY(int maxRanges READ maxRanges WRITE setMaxRanges NOTIFY maxRangesChanged)
    Q_PROPERTY(int maxSecondsBeforeShot READ maxSecondsBeforeShot WRITE setMaxSecondsBeforeShot
                       NOTIFY maxSecondsBeforeShotChanged)
    Q_PROPERTY(QQmlListProperty<RangeData> ranges READ rangeList NOTIFY rangesChanged)
    Q_PROPERTY(QStringList devices READ devices NOTIFY devicesChanged)
    Q_PROPERTY(int frames READ frames NOTIFY framesChanged)
    Q_PROPERTY(double averageFrameRate READ averageFrameRate NOTIFY averageFrameRateChanged)
    Q_PROPERTY(int shootingMode READ shootingMode WRITE setShootingMode NOTIFY shootingModeChanged)
    Q_PROPERTY(QString competitionName READ competitionName WRITE setCompetitionName NOTIFY
                       competitionNameChanged)
    Q_PROPERTY(QString versionString READ versionString CONSTANT)
    // Finished sessions not in the database yet, and why the last attempt
    // to store them failed.
    Q_PROPERTY(int pendingSessions READ pendingSessions NOTIFY pendingSessionsChanged)
    // A demonstration on throw-away data (--demo): the window says so.
    Q_PROPERTY(bool demo READ demo CONSTANT)
    Q_PROPERTY(QString pendingReason READ pendingReason NOTIFY pendingSessionsChanged)
    Q_PROPERTY(int unfiledSessions READ unfiledSessions NOTIFY pendingSessionsChanged)
    // The interface's language, "ru" or "en"; setting it applies and stores it.
    Q_PROPERTY(QString language READ language WRITE setLanguage NOTIFY languageChanged)

public:
    static constexpr int DefaultMaxRanges = 2;
    static constexpr int MinRanges = 1;
    static constexpr int MaxRanges = 6;
    static constexpr int DefaultMaxSecondsBeforeShot = 15;
    static constexpr int MinSecondsBeforeShot = 10;
    static constexpr int MaxSecondsBeforeShot = 60;
    static constexpr quint8 SoundCopies = 5;
    static constexpr int FrameRateInterval = 500; // ms
    // How long a statement of the pages' connection waits on another
    // connection's lock (ms): a held lock must not freeze the window.
    static constexpr int LockWait = 250;

    explicit ApplicationData(QObject *parent = nullptr);
    ~ApplicationData() override;

    // The single facade of the process; null before it is built and after it
    // is destroyed.
    static ApplicationData *instance();

    // The per-user folder that holds the database and everything else the
    // program stores apart from its settings.
    static QString dataLocation();
    // Another data folder for this process (the demonstration's); empty: the
    // per-user one. Set before the facade is built.
    static void setDataLocationOverride(const QString &folder);
    // The database file in the data folder: the default database.
    static QString databasePath();
    // The database of this run: the --database option, else the setting
    // "storage/database", else databasePath(). A server's sessions wait in
    // "pending-<host>-<dbname>" in the data folder when it cannot take them.
    static LibModel::StorageLocation databaseLocation();
    LibModel::TargetManager *targetManager() const { return m_targetManager; }
    // A connection of the GUI thread's own, opened on first use.
    LibModel::Storage *storage() const;
    ArchiveReader *archive() const { return m_archive; }
    Catalog *catalog() const { return m_catalog; }
    DatabaseSettings *databaseSettings() const { return m_databaseSettings; }

    bool demo() const { return m_demo; }
    Language *languageSetup() const { return m_language; }
    QString language() const;
    void setLanguage(const QString &code);
    void setDemo(bool demo) { m_demo = demo; }
    // Prints {"fps":F,"lanes":N} once a second on standard output: the frame
    // rate of the last second and the lanes shown.
    void setReportsFrameRate(bool reports);

    void setWindow(QQuickWindow *window);
    QQuickWindow *window() const { return m_window; }

    int maxRanges() const { return m_maxRanges; }
    int maxSecondsBeforeShot() const { return m_maxSecondsBeforeShot; }
    QStringList devices() const { return m_devices; }
    const QList<RangeData *> &ranges() const { return m_ranges; }
    int frames() const { return m_frames; }
    double averageFrameRate() const { return m_averageFrameRate; }
    int shootingMode() const { return m_shootingMode; }
    QString competitionName() const { return m_competitionName; }
    QString versionString() const { return QStringLiteral("25.05"); }

    MultiSoundEffect *soundPlayer(const QUrl &source) const { return m_sounds.value(source); }

    int pendingSessions() const;
    QString pendingReason() const;
    // Pending sessions that not even the outbox took: lost when the program ends.
    int unfiledSessions() const;
    // Stores a finished session: one of the facade's database goes through
    // its outbox and is stored without the caller waiting; true once taken
    // over (filed, or held in memory while the outbox refuses it, which the
    // pending count shows). A session of another storage is written at once.
    bool saveSession(LibModel::Session *session);
    // Tries at once to store what is pending.
    Q_INVOKABLE void deliverPending();

    Q_INVOKABLE QVariant value(const QString &key, const QVariant &defaultValue = QVariant()) const;
    Q_INVOKABLE qlonglong intValue(const QString &key, qlonglong defaultValue = 0) const;
    Q_INVOKABLE double realValue(const QString &key, double defaultValue = 0.0) const;
    Q_INVOKABLE QString stringValue(const QString &key,
                                    const QString &defaultValue = QString()) const;
    Q_INVOKABLE bool boolValue(const QString &key, bool defaultValue = false) const;
    Q_INVOKABLE void setValue(const QString &key, const QVariant &value);
    // A URL from a QML file dialog as a path of the local file system; a
    // URL without a scheme is taken as a path already.
    Q_INVOKABLE QString localPath(const QUrl &url) const;

public slots:
    void setMaxRanges(uchar value);
    void setMaxSecondsBeforeShot(ushort value);
    void preloadSound(const QUrl &source);
    void playSound(const QUrl &source);
    void raise();
    void setShootingMode(int value);
    void setCompetitionName(const QString &value);
    void deleteDataBase();
    void onAfterRendering();
    void calculateAverageFrameRate();
    void deviceStateChanged(LibHardware::DeviceRef ref,
                            LibHardware::HardwareController::DeviceState state);

signals:
    void maxRangesChanged();
    void maxSecondsBeforeShotChanged();
    void rangesChanged();
    void devicesChanged();
    void framesChanged();
    void averageFrameRateChanged();
    void shootingModeChanged();
    void competitionNameChanged();
    void pendingSessionsChanged();
    void languageChanged();
    // A delivery of pending sessions came back: how many it stored, how many
    // are left, how many unreadable files it set aside.
    void sessionsDelivered(int delivered, int pending, int rejected);

private:
    MultiSoundEffect *ensureSoundPlayer(const QUrl &source);
    QQmlListProperty<RangeData> rangeList();
    void buildRanges();
    void refreshDevices();
    void afterDelivery(int delivered, int pending, int rejected);
    void reportFrameRate();

    LibModel::TargetManager *m_targetManager;
    LibModel::Storage *m_storage;
    QString m_database;
    mutable bool m_storageOpened = false;
    SessionDelivery *m_delivery = nullptr;
    ArchiveReader *m_archive = nullptr;
    Catalog *m_catalog = nullptr;
    DatabaseSettings *m_databaseSettings = nullptr;
    QPointer<QQuickWindow> m_window;
    int m_maxRanges = DefaultMaxRanges;
    quint16 m_maxSecondsBeforeShot = DefaultMaxSecondsBeforeShot;
    QList<RangeData *> m_ranges;
    QStringList m_devices;
    QHash<QUrl, MultiSoundEffect *> m_sounds;
    int m_frames = 0;
    double m_averageFrameRate = 0.0;
    int m_intervalFrames = 0;
    QElapsedTimer m_intervalClock;
    QTimer m_frameRateTimer;
    int m_reportFrames = 0;
    QElapsedTimer m_reportClock;
    QTimer m_reportTimer;
    bool m_demo = false;
    Language *m_language;
    int m_shootingMode = 0;
    QString m_competitionName;
};
