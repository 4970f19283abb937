#pragma once

#include <sessionanalysis.h>

#include <QObject>
#include <QPointer>
#include <QVariantList>
#include <QVariantMap>

namespace LibModel {
class Session;
class Shot;
} // namespace LibModel

// The coaching analysis of the session shown, for QML: the group of its
// shots and the means of their aiming as numbers (NaN where undefined), the
// same as labelled lines ready to show, and the aiming of the picked shot.
// The analysis is made again whenever the session's shots change.
class SessionAnalysisView : public QObject
{
    Q_OBJECT
    Q_PROPERTY(LibModel::Session *session READ session WRITE setSession NOTIFY sessionChanged)
    Q_PROPERTY(LibModel::Shot *shot READ shot WRITE setShot NOTIFY shotChanged)
    Q_PROPERTY(int n READ n NOTIFY valuesChanged)
    Q_PROPERTY(double mpiX READ mpiX NOTIFY valuesChanged)
    Q_PROPERTY(double mpiY READ mpiY NOTIFY valuesChanged)
    Q_PROPERTY(double extremeSpread READ extremeSpread NOTIFY valuesChanged)
    Q_PROPERTY(double meanRadius READ meanRadius NOTIFY valuesChanged)
    Q_PROPERTY(double sdX READ sdX NOTIFY valuesChanged)
    Q_PROPERTY(double sdY READ sdY NOTIFY valuesChanged)
    Q_PROPERTY(double meanScore READ meanScore NOTIFY valuesChanged)
    Q_PROPERTY(double holdRadius READ holdRadius NOTIFY valuesChanged)
    Q_PROPERTY(double aimShift READ aimShift NOTIFY valuesChanged)
    Q_PROPERTY(double tenShare READ tenShare NOTIFY valuesChanged)
    Q_PROPERTY(double speed250 READ speed250 NOTIFY valuesChanged)
    // [{label, text}]: the group's values; the session's aiming means.
    Q_PROPERTY(QVariantList groupLines READ groupLines NOTIFY valuesChanged)
    Q_PROPERTY(QVariantList aimingLines READ aimingLines NOTIFY valuesChanged)
    // The picked shot's number and aiming lines; empty without a shot.
    Q_PROPERTY(QString shotTitle READ shotTitle NOTIFY shotValuesChanged)
    Q_PROPERTY(QVariantList shotLines READ shotLines NOTIFY shotValuesChanged)

public:
    explicit SessionAnalysisView(QObject *parent = nullptr);

    LibModel::Session *session() const { return m_session; }
    void setSession(LibModel::Session *session);
    LibModel::Shot *shot() const { return m_shot; }
    void setShot(LibModel::Shot *shot);

    int n() const { return m_analysis.group.n; }
    double mpiX() const { return m_analysis.group.mpiX; }
    double mpiY() const { return m_analysis.group.mpiY; }
    double extremeSpread() const;
    double meanRadius() const { return m_analysis.group.meanRadius; }
    double sdX() const { return m_analysis.group.sdX; }
    double sdY() const { return m_analysis.group.sdY; }
    double meanScore() const { return m_analysis.group.meanScore; }
    double holdRadius() const { return m_analysis.aiming.holdRadius; }
    double aimShift() const { return m_analysis.aiming.aimShift; }
    double tenShare() const { return m_analysis.aiming.tenShare; }
    double speed250() const { return m_analysis.aiming.speed250; }

    QVariantList groupLines() const;
    QVariantList aimingLines() const;
    QString shotTitle() const;
    QVariantList shotLines() const;

    // The shot's {result, holdRadius, aimShift, tenShare, speed250}; empty
    // for a shot not of the session.
    Q_INVOKABLE QVariantMap shotAiming(LibModel::Shot *shot) const;

    // One decimal and the unit; "—" for an undefined value.
    static QString format(double value, const QString &unit = QString());

signals:
    void sessionChanged();
    void shotChanged();
    void valuesChanged();
    void shotValuesChanged();

private:
    void analyse();
    // The shot's values in the analysis, null for a shot not of the session.
    const LibModel::SessionAnalysis::ShotValues *valuesOf(const LibModel::Shot *shot) const;
    static QVariantList aimingLinesOf(const LibModel::ShotAiming &aiming);

    QPointer<LibModel::Session> m_session;
    QPointer<LibModel::Shot> m_shot;
    LibModel::SessionAnalysis m_analysis;
};
