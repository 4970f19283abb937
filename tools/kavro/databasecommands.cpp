#include "databasecommands.h"
#include "arguments.h"
#include "commandline.h"
#include "orderedjsonobject.h"

#include <session.h>
#include <sessioninfomodel.h>
#include <sessionoutbox.h>
#include <shootermodel.h>
#include <shot.h>
#include <storage.h>
#include <storagelocation.h>
#include <targetmanager.h>
#include <trace.h>

#include <QFileInfo>
#include <QJsonArray>
#include <QStandardPaths>
#include <QTextStream>
#include <QtNumeric>

#include <cmath>
#include <memory>

namespace {

const QString ConnectionName = QStringLiteral("kavro");
const QString DbOption = QStringLiteral("db");

// The summary columns of the sessions command, in output order.
const QList<QByteArray> SessionKeys
        = QByteArray("id timer comments shotCount shooterName shooterOrganization shooterGroup "
                     "step result place placeReal competitionName competitionType medal gtoUuid "
                     "birthDate sex pectoralNumber athleticRank resultReal")
                  .split(' ');

// Parses the options and requires --db. A command with a positional
// argument names it; any other positional argument is refused. Returns an
// error text, empty on success.
QString parse(Arguments &args, const QString &positionalName = QString())
{
    if (!args.isValid() || !args.require({DbOption}))
        return args.error();
    const int expected = positionalName.isEmpty() ? 0 : 1;
    if (args.positional().size() > expected)
        return QStringLiteral("unexpected argument \"%1\"").arg(args.positional().at(expected));
    if (args.positional().size() < expected)
        return QStringLiteral("%1 is missing").arg(positionalName);
    return QString();
}

QString importError(int code)
{
    switch (code) {
    case 1:
        return QStringLiteral("cannot be read");
    case 2:
        return QStringLiteral("is not valid JSON");
    case 3:
        return QStringLiteral("does not hold a JSON array");
    case 4:
        return QStringLiteral("holds an empty array");
    default:
        return QStringLiteral("could not be imported (code %1)").arg(code);
    }
}

OrderedJsonObject shooterObject(const LibModel::ShooterRecord &record)
{
    OrderedJsonObject object;
    object.insert(QStringLiteral("id"), QJsonValue(record.id))
            .insert(QStringLiteral("name"), record.name)
            .insert(QStringLiteral("organization"), record.organization)
            .insert(QStringLiteral("group"), record.group)
            .insert(QStringLiteral("properties"),
                    OrderedJsonObject::fromVariant(record.properties));
    return object;
}

// Breach coordinates come from single-precision samples, so their shortest
// single-precision form is exact.
QJsonArray breachArray(const QPointF &breach)
{
    return QJsonArray {OrderedJsonObject::number(float(breach.x())),
                       OrderedJsonObject::number(float(breach.y()))};
}

QByteArray sessionJson(const LibModel::Session &session)
{
    QString competitionName = session.competitionName();
    // A session read back from the database has its competition only in the
    // property map, where the lane records it as well.
    if (competitionName.isEmpty())
        competitionName = session.properties().value(QStringLiteral("competitionName")).toString();

    QList<OrderedJsonObject> traces;
    for (const LibModel::Trace *trace : session.segments()) {
        QJsonArray samples;
        for (const LibModel::TraceSample &sample : trace->samples()) {
            samples.append(QJsonArray {OrderedJsonObject::number(sample.x),
                                       OrderedJsonObject::number(sample.y),
                                       OrderedJsonObject::number(sample.z), sample.trigger});
        }
        QList<OrderedJsonObject> shots;
        for (const LibModel::Shot *shot : trace->shots()) {
            OrderedJsonObject object;
            object.insert(QStringLiteral("id"), QJsonValue(shot->id()))
                    .insert(QStringLiteral("serieIndex"), shot->serieIndex())
                    .insert(QStringLiteral("offset"), shot->offset())
                    .insert(QStringLiteral("timer"), QJsonValue(shot->timer()))
                    .insert(QStringLiteral("phase"), OrderedJsonObject::number(shot->phase()))
                    .insert(QStringLiteral("missed"), shot->isMissed())
                    .insert(QStringLiteral("breach"), breachArray(shot->breach()))
                    .insert(QStringLiteral("result"), OrderedJsonObject::number(shot->result()));
            shots.append(object);
        }
        OrderedJsonObject object;
        object.insert(QStringLiteral("id"), QJsonValue(trace->id()))
                .insert(QStringLiteral("timerStart"), QJsonValue(trace->timerStart()))
                .insert(QStringLiteral("timerEnd"), QJsonValue(trace->timerEnd()))
                .insert(QStringLiteral("samples"), samples)
                .insert(QStringLiteral("shots"), shots);
        traces.append(object);
    }

    OrderedJsonObject object;
    object.insert(QStringLiteral("id"), QJsonValue(session.id()))
            .insert(QStringLiteral("uuid"), session.uuid())
            .insert(QStringLiteral("targetUuid"), session.targetUuid())
            .insert(QStringLiteral("distance"), OrderedJsonObject::number(session.distance()))
            .insert(QStringLiteral("caliber"), OrderedJsonObject::number(session.caliber()))
            .insert(QStringLiteral("timer"), QJsonValue(session.timer()))
            .insert(QStringLiteral("sampleRate"), session.sampleRate())
            .insert(QStringLiteral("position"), int(session.position()))
            .insert(QStringLiteral("comments"), session.comments())
            .insert(QStringLiteral("competitionName"), competitionName)
            .insert(QStringLiteral("isGto"), session.isGto())
            .insert(QStringLiteral("result"), OrderedJsonObject::number(session.result()))
            .insert(QStringLiteral("resultInt"), session.resultInt())
            .insert(QStringLiteral("shooter"), shooterObject(session.shooter()))
            .insert(QStringLiteral("properties"),
                    OrderedJsonObject::fromVariant(session.properties()))
            .insert(QStringLiteral("traces"), traces);
    return object.toJson();
}

// CSV numbers: '.' as decimal point whatever the locale, an empty field for
// NaN.
QString csvNumber(double value)
{
    return std::isfinite(value) ? QString::number(value, 'g', QLocale::FloatingPointShortest)
                                : QString();
}

// A single-precision value by its shortest decimal form.
QString csvNumber(float value)
{
    return csvNumber(OrderedJsonObject::number(value).toDouble(qQNaN()));
}

void writeSessionCsv(const LibModel::Session &session, QTextStream &out)
{
    out << "session_id,trace_id,shot_id,serie_index,offset,timer,phase,missed,breach_x,breach_y,"
           "result\n";
    for (const LibModel::Trace *trace : session.segments()) {
        for (const LibModel::Shot *shot : trace->shots()) {
            const QPointF breach = shot->breach();
            const QStringList fields
                    = {QString::number(session.id()),
                       QString::number(trace->id()),
                       QString::number(shot->id()),
                       QString::number(shot->serieIndex()),
                       QString::number(shot->offset()),
                       QString::number(shot->timer()),
                       csvNumber(shot->phase()),
                       shot->isMissed() ? QStringLiteral("1") : QStringLiteral("0"),
                       csvNumber(float(breach.x())),
                       csvNumber(float(breach.y())),
                       csvNumber(shot->result())};
            out << fields.join(QLatin1Char(',')) << '\n';
        }
    }
}

} // namespace

QString DatabaseCommands::open(LibModel::Storage &storage, const QString &database, bool create,
                               const QString &connectionName)
{
    if (database.isEmpty())
        return QStringLiteral("option --db needs a file name or a database address");
    const LibModel::StorageLocation location = LibModel::StorageLocation::parse(database);
    if (!location.isValid())
        return location.error();
    if (!location.isServer() && !create && !QFileInfo::exists(database))
        return QStringLiteral("no database at %1").arg(database);
    storage.setBusyTimeout(LockWait);
    if (!storage.open(location, connectionName.isEmpty() ? ConnectionName : connectionName)) {
        // A server's message may run over several lines.
        const QString why = storage.lastError().simplified();
        if (why.isEmpty())
            return QStringLiteral("cannot open or upgrade the database %1").arg(database);
        return QStringLiteral("cannot open the database %1: %2").arg(database, why);
    }
    return QString();
}

QString DatabaseCommands::outboxFolder(const LibModel::StorageLocation &location)
{
    return location.outboxFolder(
            QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation));
}

int DatabaseCommands::info(const QStringList &arguments, QTextStream &out)
{
    Arguments args(arguments, {DbOption});
    QString error = parse(args);
    if (!error.isEmpty())
        return CommandLine::fail(error);

    LibModel::Storage storage;
    error = open(storage, args.value(DbOption), true);
    if (!error.isEmpty())
        return CommandLine::fail(error);
    LibModel::Storage::Statistics statistics;
    if (!storage.statistics(&statistics))
        return CommandLine::fail(
                QStringLiteral("cannot count the rows of %1").arg(args.value(DbOption)));

    OrderedJsonObject object;
    object.insert(QStringLiteral("user_version"), statistics.userVersion)
            .insert(QStringLiteral("persons"), QJsonValue(statistics.persons))
            .insert(QStringLiteral("sessions"), QJsonValue(statistics.sessions))
            .insert(QStringLiteral("traces"), QJsonValue(statistics.traces))
            .insert(QStringLiteral("shots"), QJsonValue(statistics.shots));
    const LibModel::SessionOutbox outbox(
            outboxFolder(LibModel::StorageLocation::parse(args.value(DbOption))));
    object.insert(QStringLiteral("pending"), outbox.pendingCount())
            .insert(QStringLiteral("rejected"), outbox.rejectedCount());
    out << object.toJson() << Qt::endl;
    return 0;
}

int DatabaseCommands::deliver(const QStringList &arguments, QTextStream &out)
{
    Arguments args(arguments, {DbOption});
    QString error = parse(args);
    if (!error.isEmpty())
        return CommandLine::fail(error);

    const QString path = args.value(DbOption);
    const LibModel::StorageLocation location = LibModel::StorageLocation::parse(path);
    if (!location.isValid())
        return CommandLine::fail(location.error());
    LibModel::SessionOutbox outbox(outboxFolder(location));
    LibModel::SessionOutbox::Delivery delivery;
    delivery.pending = outbox.pendingCount();
    // Sessions waiting for a database file that is gone make it anew;
    // without them a missing file is refused like a mistyped name, and so is
    // a server that cannot be reached. The sessions
    // find their target faces in the process-wide catalogue.
    LibModel::TargetManager targets;
    LibModel::Storage storage;
    error = open(storage, path, delivery.pending > 0);
    if (error.isEmpty())
        delivery = outbox.deliver(&storage);
    else if (delivery.pending == 0 && (location.isServer() || !QFileInfo::exists(path)))
        return CommandLine::fail(error);

    OrderedJsonObject object;
    object.insert(QStringLiteral("delivered"), delivery.delivered)
            .insert(QStringLiteral("pending"), delivery.pending)
            .insert(QStringLiteral("rejected"), delivery.rejected);
    out << object.toJson() << Qt::endl;
    if (delivery.pending == 0)
        return 0;
    if (error.isEmpty())
        error = delivery.error.isEmpty() ? QStringLiteral("the database refused them")
                                         : delivery.error;
    return CommandLine::fail(
            QStringLiteral("%1 session(s) left pending: %2").arg(delivery.pending).arg(error));
}

int DatabaseCommands::importShooters(const QStringList &arguments, QTextStream &out)
{
    Arguments args(arguments, {DbOption});
    QString error = parse(args, QStringLiteral("the JSON file"));
    if (!error.isEmpty())
        return CommandLine::fail(error);

    LibModel::Storage storage;
    error = open(storage, args.value(DbOption), true);
    if (!error.isEmpty())
        return CommandLine::fail(error);
    const QString file = args.positional().constFirst();
    const int code = storage.addShootersFromJSON(file);
    out << code << Qt::endl;
    if (code != 0)
        CommandLine::fail(QStringLiteral("%1 %2").arg(file, importError(code)));
    return code;
}

int DatabaseCommands::shooters(const QStringList &arguments, QTextStream &out)
{
    Arguments args(arguments, {DbOption});
    QString error = parse(args);
    if (!error.isEmpty())
        return CommandLine::fail(error);

    LibModel::Storage storage;
    error = open(storage, args.value(DbOption), false);
    if (!error.isEmpty())
        return CommandLine::fail(error);
    for (const LibModel::ShooterRecord &record : storage.shooters()->records())
        out << shooterObject(record).toJson() << '\n';
    out.flush();
    return 0;
}

int DatabaseCommands::sessions(const QStringList &arguments, QTextStream &out)
{
    const QString personOption = QStringLiteral("person");
    const QString competitionOption = QStringLiteral("competition");
    const QString gtoFlag = QStringLiteral("gto");
    Arguments args(arguments, {DbOption, personOption, competitionOption}, {gtoFlag});
    QString error = parse(args);
    if (!error.isEmpty())
        return CommandLine::fail(error);
    if (args.has(personOption) && args.has(competitionOption))
        return CommandLine::fail(
                QStringLiteral("--person and --competition cannot be used together"));
    if (args.has(gtoFlag) && !args.has(competitionOption))
        return CommandLine::fail(QStringLiteral("--gto needs --competition"));
    qlonglong personId = 0;
    if (args.has(personOption)) {
        bool ok = false;
        personId = args.value(personOption).toLongLong(&ok);
        if (!ok)
            return CommandLine::fail(QStringLiteral("option --person needs a person id, not \"%1\"")
                                             .arg(args.value(personOption)));
    }

    LibModel::Storage storage;
    error = open(storage, args.value(DbOption), false);
    if (!error.isEmpty())
        return CommandLine::fail(error);

    std::unique_ptr<LibModel::SessionInfoModel> model;
    if (args.has(competitionOption))
        model.reset(storage.sessionsByCompetitionName(args.value(competitionOption),
                                                      args.has(gtoFlag)));
    else if (args.has(personOption))
        model.reset(storage.sessions(personId));
    else
        model.reset(storage.sessions());
    if (!model)
        return CommandLine::fail(
                QStringLiteral("cannot list the sessions of %1").arg(args.value(DbOption)));

    QHash<QByteArray, int> roles;
    const QHash<int, QByteArray> names = model->roleNames();
    for (auto it = names.cbegin(); it != names.cend(); ++it)
        roles.insert(it.value(), it.key());
    for (int row = 0; row < model->rows().size(); ++row) {
        const QModelIndex index = model->index(row);
        OrderedJsonObject object;
        for (const QByteArray &key : SessionKeys) {
            const int role = roles.value(key, -1);
            const QVariant value = role < 0 ? QVariant() : model->data(index, role);
            object.insert(QString::fromLatin1(key), OrderedJsonObject::fromVariant(value));
        }
        out << object.toJson() << '\n';
    }
    out.flush();
    return 0;
}

int DatabaseCommands::exportSession(const QStringList &arguments, QTextStream &out)
{
    const QString sessionOption = QStringLiteral("session");
    const QString formatOption = QStringLiteral("format");
    Arguments args(arguments, {DbOption, sessionOption, formatOption});
    QString error = parse(args);
    if (!error.isEmpty())
        return CommandLine::fail(error);
    if (!args.require({sessionOption}))
        return CommandLine::fail(args.error());
    bool ok = false;
    const uint sessionId = args.value(sessionOption).toUInt(&ok);
    if (!ok || sessionId == 0)
        return CommandLine::fail(QStringLiteral("option --session needs a session id, not \"%1\"")
                                         .arg(args.value(sessionOption)));
    const QString format
            = args.has(formatOption) ? args.value(formatOption) : QStringLiteral("json");
    if (format != QLatin1String("json") && format != QLatin1String("csv"))
        return CommandLine::fail(QStringLiteral("unknown format \"%1\" (json or csv)").arg(format));

    // The session finds its target face, and so its shot scores, in the
    // process-wide catalogue.
    LibModel::TargetManager targets;
    LibModel::Storage storage;
    error = open(storage, args.value(DbOption), false);
    if (!error.isEmpty())
        return CommandLine::fail(error);
    const std::unique_ptr<LibModel::Session> session(storage.readSession(sessionId));
    if (!session)
        return CommandLine::fail(
                QStringLiteral("no session %1 in %2").arg(sessionId).arg(args.value(DbOption)));

    if (format == QLatin1String("csv"))
        writeSessionCsv(*session, out);
    else
        out << sessionJson(*session) << '\n';
    out.flush();
    return 0;
}
