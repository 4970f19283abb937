#pragma once

#include <QList>
#include <QObject>

namespace LibModel {

class Session;
class Shot;

Q_MOC_INCLUDE("session.h")
Q_MOC_INCLUDE("shot.h")

// A series of shots (ten in an exercise) and its running result.
class Serie : public QObject
{
    Q_OBJECT
    Q_PROPERTY(LibModel::Session *session READ session CONSTANT)
    Q_PROPERTY(QList<LibModel::Shot *> shots READ shots NOTIFY shotsChanged)
    Q_PROPERTY(double result READ result NOTIFY resultChanged)
    Q_PROPERTY(int resultInt READ resultInt NOTIFY resultChanged)
    Q_PROPERTY(int index READ index CONSTANT)

public:
    Serie(Session *session, ushort index);

    Session *session() const { return m_session; }
    const QList<Shot *> &shots() const { return m_shots; }
    double result() const { return m_result; }
    int resultInt() const { return m_resultInt; }
    int index() const { return m_index; }

    Q_INVOKABLE LibModel::Serie *previous() const;
    Q_INVOKABLE LibModel::Serie *next() const;

    // Called by the trace when it appends a shot of this series.
    void appendShot(Shot *shot);
    void addResult(double result);

signals:
    void shotsChanged();
    void resultChanged();

private:
    Session *m_session;
    ushort m_index;
    QList<Shot *> m_shots;
    double m_result = 0.0;
    int m_resultInt = 0;
};

} // namespace LibModel
