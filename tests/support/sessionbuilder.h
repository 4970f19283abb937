#pragma once

#include <session.h>

#include <QList>
#include <QPointF>
#include <QString>
#include <QVariant>

#include <memory>

namespace LibModel {
class AbstractStorage;
class TargetManager;
class Trace;
} // namespace LibModel

// Builds a session through the model classes: a 10 m air rifle exercise at
// 4.5 mm and 100 samples a second unless told otherwise. Every shot gets a
// raw sample of its own at its breach, 10 ms after the trace's previous
// sample; every trace starts a minute after the previous one. With a
// LibModel::Storage the session writes itself into that database.
//
//     SessionBuilder(&storage).shooter("Ivanov", "Club").shots({{0.1, 0}, {2.6, 0}}).write();
class SessionBuilder
{
public:
    static constexpr qint64 Start = 1700000000000; // the first trace's start

    explicit SessionBuilder(LibModel::AbstractStorage *storage = nullptr, qint64 start = Start);
    ~SessionBuilder();

    SessionBuilder &target(const char *uuid, double caliber = 4.5, double distance = 10.0);
    // Person keys (birthDate, sex, step, ...) set by value() before this
    // call go to the person, as on the lane.
    SessionBuilder &shooter(const QString &name, const QString &organization = QString(),
                            const QString &group = QString());
    // The competition as the lane records it: the session's competition
    // name and the "competitionName" value.
    SessionBuilder &competition(const QString &name, bool isGto = false);
    SessionBuilder &value(const QString &key, const QVariant &value);
    // Starts a new trace; the first shot starts one by itself.
    SessionBuilder &trace();
    // A shot at (x, y) mm from the centre in a series (0: the first).
    SessionBuilder &shot(double x, double y, int serie = 0);
    SessionBuilder &shots(const QList<QPointF> &breaches, int serie = 0);
    // A missed shot: no aiming point at its sample, so no breach or score.
    SessionBuilder &missed(int serie = 0);

    // The session being built, for anything the builder does not cover.
    LibModel::Session *session() const { return m_session.get(); }
    LibModel::Trace *currentTrace();
    // Hands the session over; the builder is spent.
    std::unique_ptr<LibModel::Session> take();
    // Writes the session through its storage; its id, 0 when that failed.
    qint64 write();

    // The catalogue the targets come from; it lives as long as the
    // application object.
    static LibModel::TargetManager &targets();

private:
    std::unique_ptr<LibModel::Session> m_session;
    qint64 m_nextTrace;
    qint64 m_nextSample = 0;
};
