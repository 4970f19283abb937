#pragma once

#include "sessioninfo.h"

#include <QAbstractListModel>
#include <QList>

namespace LibModel {

// Session summaries for the archive pages and the printed competition
// tables; one row per session, appended by the storage.
class SessionInfoModel : public QAbstractListModel
{
    Q_OBJECT

public:
    enum SessionInfoRoles {
        IdRole = Qt::UserRole + 1,
        TimerRole,
        DateTimeRole,
        YearRole,
        CommentsRole,
        ShotCountRole,
        ShooterNameRole,
        ShooterOrganizationRole,
        ShooterGroupRole,
        StepRole,
        ResultRole,
        PlaceRole,
        TimePlaceRole,
        CompetitionNameRole,
        CompetitionTypeRole,
        MedalRole,
        GtoUuidRole,
        BirthDateRole,
        SexRole,
        PectoralNumberRole,
        AthleticRankRole,
        ResultRealRole,
        PlaceRealRole
    };
    Q_ENUM(SessionInfoRoles)

    explicit SessionInfoModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    // Places by result among the rows of one competition ("p-q" for ties);
    // every row with one of those results gets the matching text.
    Q_INVOKABLE void sortByResult(const QString &competName);
    Q_INVOKABLE void sortByResult();
    // Orders the rows by start time and numbers them into timePlace; rows
    // with the same start share a number. The name is not used.
    Q_INVOKABLE void sortByTime(const QString &competName);
    Q_INVOKABLE void sortByTime();
    Q_INVOKABLE QVariant dataByRole(int i, int role) const;
    Q_INVOKABLE bool isEmpty() const;

    void append(const SessionInfo &info);
    // Competition places by result and by the real-valued result ("p - q"
    // for ties); run once all rows of a competition have been appended.
    void computePlaces();
    const QList<SessionInfo> &rows() const { return m_rows; }

private:
    void notifyRowChanged(int row, const QList<int> &roles);

    QList<SessionInfo> m_rows;
};

} // namespace LibModel
