#pragma once

#include "shooterrecord.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QQmlListProperty>
#include <QVariantHash>
#include <QVector>

namespace LibModel {

class AbstractStorage;
class Serie;
class Shot;
class TargetDescriptor;
class Trace;

Q_MOC_INCLUDE("abstractstorage.h")
Q_MOC_INCLUDE("serie.h")
Q_MOC_INCLUDE("shot.h")
Q_MOC_INCLUDE("targetdescriptor.h")
Q_MOC_INCLUDE("trace.h")

// One exercise of one shooter on one target: shooter, target, distance and
// caliber, the aiming traces, the shots grouped into series of ten, the
// running result and a free property map. The session owns its traces and
// series; each trace owns its shots.
class Session : public QObject
{
    Q_OBJECT
    Q_PROPERTY(LibModel::AbstractStorage *storage READ storage CONSTANT)
    Q_PROPERTY(bool isValid READ isValid NOTIFY isValidChanged)
    Q_PROPERTY(bool isEmpty READ isEmpty NOTIFY isEmptyChanged)
    Q_PROPERTY(bool isDirty READ isDirty NOTIFY isDirtyChanged)
    Q_PROPERTY(QString uuid READ uuid NOTIFY uuidChanged)
    Q_PROPERTY(QString targetUuid READ targetUuid NOTIFY targetDescriptorChanged)
    Q_PROPERTY(LibModel::TargetDescriptor *targetDescriptor READ targetDescriptor WRITE
                       setTargetDescriptor NOTIFY targetDescriptorChanged)
    Q_PROPERTY(double caliber READ caliber WRITE setCaliber NOTIFY caliberChanged)
    Q_PROPERTY(double distance READ distance WRITE setDistance NOTIFY distanceChanged)
    Q_PROPERTY(qint64 shooterId READ shooterId NOTIFY shooterChanged)
    Q_PROPERTY(QString name READ name NOTIFY shooterChanged)
    Q_PROPERTY(QString organization READ organization NOTIFY shooterChanged)
    Q_PROPERTY(QString group READ group NOTIFY shooterChanged)
    Q_PROPERTY(Position position READ position WRITE setPosition NOTIFY positionChanged)
    Q_PROPERTY(qint64 timer READ timer NOTIFY timerChanged)
    Q_PROPERTY(QDateTime dateTime READ dateTime NOTIFY timerChanged)
    Q_PROPERTY(QString comments READ comments WRITE setComments NOTIFY commentsChanged)
    Q_PROPERTY(QString competitionName READ competitionName WRITE setCompetitionName NOTIFY
                       competitionNameChanged)
    Q_PROPERTY(QList<LibModel::Trace *> segments READ segments NOTIFY segmentsChanged)
    Q_PROPERTY(QList<LibModel::Serie *> series READ series NOTIFY seriesChanged)
    Q_PROPERTY(QQmlListProperty<LibModel::Shot> shots READ shotList NOTIFY shotsChanged)
    Q_PROPERTY(int sampleRate READ sampleRate NOTIFY sampleRateChanged)
    Q_PROPERTY(int resampleRate READ resampleRate WRITE setResampleRate NOTIFY resampleRateChanged)
    Q_PROPERTY(
            double filterCutoff READ filterCutoff WRITE setFilterCutoff NOTIFY filterCutoffChanged)
    Q_PROPERTY(bool isTriggerDataAvailable READ isTriggerDataAvailable NOTIFY
                       isTriggerDataAvailableChanged)
    Q_PROPERTY(
            bool isPulseDataAvailable READ isPulseDataAvailable NOTIFY isPulseDataAvailableChanged)
    Q_PROPERTY(double result READ result NOTIFY resultChanged)
    Q_PROPERTY(int resultInt READ resultInt NOTIFY resultChanged)
    Q_PROPERTY(bool isGto READ isGto WRITE setIsGto NOTIFY isGtoChanged)
    Q_PROPERTY(QString medal READ medal NOTIFY medalChanged)
    Q_PROPERTY(double step READ step NOTIFY stepChanged)
    Q_PROPERTY(bool sex READ sex NOTIFY sexChanged)

public:
    enum Position {
        PositionUndefined = 0,
        PositionProne = 1,
        PositionKneeling = 2,
        PositionStanding = 3
    };
    Q_ENUM(Position)

    static constexpr ushort DefaultResampleRate = 1000;
    static constexpr double MinFilterCutoff = 0.05;
    static constexpr double MaxFilterCutoff = 0.5;

    explicit Session(AbstractStorage *storage, QObject *parent = nullptr);

    AbstractStorage *storage() const { return m_storage; }
    bool isValid() const { return m_isValid; }
    bool isEmpty() const { return m_isEmpty; }
    bool isDirty() const { return m_isDirty; }
    qint64 id() const { return m_id; }
    void setId(qint64 id) { m_id = id; }
    qint64 pendingId() const { return m_pendingId; }
    void setPendingId(qint64 id) { m_pendingId = id; }
    QString uuid() const { return m_uuid; }
    QString targetUuid() const;
    TargetDescriptor *targetDescriptor() const;
    double caliber() const { return m_caliber; }
    double distance() const { return m_distance; }
    const ShooterRecord &shooter() const { return m_shooter; }
    qint64 shooterId() const { return m_shooter.id; }
    QString name() const { return m_shooter.name; }
    QString organization() const { return m_shooter.organization; }
    QString group() const { return m_shooter.group; }
    Position position() const { return m_position; }
    qint64 timer() const { return m_timer; }
    QDateTime dateTime() const { return QDateTime::fromMSecsSinceEpoch(m_timer); }
    QString comments() const { return m_comments; }
    QString competitionName() const { return m_competitionName; }
    const QList<Trace *> &segments() const { return m_segments; }
    const QList<Serie *> &series() const { return m_series; }
    const QList<Shot *> &shots() const { return m_shots; }
    int sampleRate() const { return m_sampleRate; }
    // The display rate: never below the sensor's rate.
    int resampleRate() const { return qMax(m_resampleRate, m_sampleRate); }
    int storedResampleRate() const { return m_resampleRate; }
    double filterCutoff() const { return m_filterCutoff; }
    bool isTriggerDataAvailable() const { return m_isTriggerDataAvailable; }
    bool isPulseDataAvailable() const { return m_isPulseDataAvailable; }
    const QVector<qint64> &pulseBeats() const { return m_pulseBeats; }
    double result() const { return m_result; }
    int resultInt() const { return m_resultInt; }
    bool isGto() const { return m_isGto; }
    QString medal() const;
    double step() const { return m_step; }
    bool sex() const { return m_sex; }
    QVariantHash properties() const { return m_properties; }

    // Setters used by the lane and the storage.
    bool setUuid(const QString &uuid);
    void setTargetUuid(const QString &uuid);
    void setTimer(qint64 timer);
    void setSampleRate(ushort rate);
    void setShooterRecord(const ShooterRecord &shooter);
    void setDirty(bool dirty);
    // Without notification: the storage after a write or a read.
    void clearDirty() { m_isDirty = false; }
    void setEmpty(bool empty);
    void setProperties(const QVariantHash &properties) { m_properties = properties; }
    void setCaliber(double caliber);
    void setDistance(double distance);
    void setPosition(Position position);
    void setComments(const QString &comments);
    void setCompetitionName(const QString &name);
    void setResampleRate(int rate);
    void setFilterCutoff(double cutoff);
    void setIsGto(bool isGto);
    // Fills the pulse beats from "_pulse_samples" of the property map.
    void loadPulseData();

    // Opens a new trace; fixes the session's start time on the first one.
    Trace *appendTrace(qint64 timer);

    Q_INVOKABLE void setShooter(const QString &name, const QString &organization,
                                const QString &group);
    Q_INVOKABLE void setValue(const QString &key, const QVariant &value);

    // Called by a trace.
    Serie *ensureSerie(ushort index, bool *created);
    void registerShot(Shot *shot, double result);
    void markTriggerDataAvailable();
    // Without notification: the storage while reading.
    void setTriggerDataAvailable(bool available) { m_isTriggerDataAvailable = available; }

public slots:
    void setTargetDescriptor(LibModel::TargetDescriptor *descriptor);
    bool write();

signals:
    void isValidChanged();
    void isEmptyChanged();
    void isDirtyChanged();
    void uuidChanged();
    void targetDescriptorChanged();
    void caliberChanged();
    void distanceChanged();
    void shooterChanged();
    void positionChanged();
    void timerChanged();
    void sampleRateChanged();
    void resampleRateChanged();
    void commentsChanged();
    void competitionNameChanged();
    void segmentsChanged();
    void seriesChanged();
    void shotsChanged();
    void filterCutoffChanged();
    void isTriggerDataAvailableChanged();
    void isPulseDataAvailableChanged();
    void resultChanged();
    void isGtoChanged();
    void medalChanged();
    void stepChanged();
    void sexChanged();

private:
    QQmlListProperty<Shot> shotList();
    void revalidate();

    AbstractStorage *m_storage;
    bool m_isValid = false;
    bool m_isEmpty = true;
    bool m_isDirty = false;
    qint64 m_id = 0;
    qint64 m_pendingId = 0;
    bool m_uuidReplaceable = true;
    QString m_uuid;
    QPointer<TargetDescriptor> m_targetDescriptor;
    double m_caliber;
    double m_distance;
    ShooterRecord m_shooter;
    Position m_position = PositionUndefined;
    qint64 m_timer = -1;
    ushort m_sampleRate = 0;
    QString m_comments;
    QString m_competitionName;
    QList<Trace *> m_segments;
    QList<Serie *> m_series;
    QList<Shot *> m_shots;
    ushort m_resampleRate = DefaultResampleRate;
    double m_filterCutoff = MaxFilterCutoff;
    QVariantHash m_properties;
    bool m_isTriggerDataAvailable = false;
    bool m_isPulseDataAvailable = false;
    QVector<qint64> m_pulseBeats;
    double m_result = 0.0;
    int m_resultInt = 0;
    bool m_isGto = false;
    double m_step = 4.0;
    bool m_sex = true;
};

} // namespace LibModel
