#include "copycommand.h"
#include "arguments.h"
#include "commandline.h"
#include "databasecommands.h"
#include "orderedjsonobject.h"

#include <session.h>
#include <sessionoutbox.h>
#include <shootermodel.h>
#include <storage.h>
#include <storagelocation.h>
#include <targetmanager.h>

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTextStream>

#include <memory>

namespace {

const QString FromOption = QStringLiteral("from");
const QString ToOption = QStringLiteral("to");

bool sameDatabase(const QString &from, const QString &to)
{
    const LibModel::StorageLocation source = LibModel::StorageLocation::parse(from);
    const LibModel::StorageLocation target = LibModel::StorageLocation::parse(to);
    if (source.isServer() || target.isServer())
        return source == target;
    const QFileInfo sourceFile(from), targetFile(to);
    return sourceFile.absoluteFilePath() == targetFile.absoluteFilePath()
            || (sourceFile.exists()
                && sourceFile.canonicalFilePath() == targetFile.canonicalFilePath());
}

// The ids and uuids of the source's sessions, oldest first: the sessions
// themselves are read one by one.
bool sessionKeys(const LibModel::Storage &source, QList<QPair<uint, QString>> *keys)
{
    QSqlQuery query(QSqlDatabase::database(source.connectionName()));
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT session_id, uuid FROM sessions ORDER BY session_id;")))
        return false;
    while (query.next())
        keys->append({query.value(0).toUInt(), query.value(1).toString()});
    return true;
}

} // namespace

int CopyCommand::run(const QStringList &arguments, QTextStream &out)
{
    Arguments args(arguments, {FromOption, ToOption});
    if (!args.isValid() || !args.require({FromOption, ToOption}))
        return CommandLine::fail(args.error());
    if (!args.positional().isEmpty())
        return CommandLine::fail(
                QStringLiteral("unexpected argument \"%1\"").arg(args.positional().constFirst()));
    const QString from = args.value(FromOption), to = args.value(ToOption);
    for (const QString &database : {from, to}) {
        const LibModel::StorageLocation location = LibModel::StorageLocation::parse(database);
        if (!location.isValid())
            return CommandLine::fail(location.error());
    }
    if (sameDatabase(from, to))
        return CommandLine::fail(QStringLiteral("--from and --to name the same database"));

    // Sessions find their target faces in the process-wide catalogue.
    LibModel::TargetManager targets;
    LibModel::Storage source, target;
    QString error = DatabaseCommands::open(source, from, false, QStringLiteral("kavro-source"));
    if (error.isEmpty())
        error = DatabaseCommands::open(target, to, true, QStringLiteral("kavro-target"));
    if (!error.isEmpty())
        return CommandLine::fail(error);

    int persons = 0, sessions = 0, skipped = 0;
    QTextStream progress(stderr);
    const auto report = [&] {
        OrderedJsonObject object;
        object.insert(QStringLiteral("persons"), persons)
                .insert(QStringLiteral("sessions"), sessions)
                .insert(QStringLiteral("skipped"), skipped);
        out << object.toJson() << Qt::endl;
    };

    // Persons without sessions come along too.
    for (const LibModel::ShooterRecord &record : source.shooters()->records()) {
        if (target.findShooter(record.name, record.organization, record.group).id != 0)
            continue;
        if (target.createShooter(record.name, record.organization, record.group, record.properties)
                    .id
            == 0) {
            report();
            return CommandLine::fail(
                    QStringLiteral("cannot add the person \"%1\" to %2: %3")
                            .arg(record.name, to, target.lastError().simplified()));
        }
        ++persons;
    }

    QList<QPair<uint, QString>> keys;
    if (!sessionKeys(source, &keys))
        return CommandLine::fail(QStringLiteral("cannot list the sessions of %1").arg(from));
    for (int i = 0; i < keys.size(); ++i) {
        if (i > 0 && i % ProgressEvery == 0)
            progress << "kavro: " << i << " of " << keys.size() << " sessions" << Qt::endl;
        const auto &[id, uuid] = keys.at(i);
        bool ok = false;
        const bool stored = target.hasSession(uuid, &ok);
        if (!ok) {
            report();
            return CommandLine::fail(QStringLiteral("cannot look for session %1 in %2: %3")
                                             .arg(uuid, to, target.lastError().simplified()));
        }
        if (stored) {
            ++skipped;
            continue;
        }
        const std::unique_ptr<LibModel::Session> read(source.readSession(id));
        // The session as the program files a finished one: a new session of
        // the target whose shooter is found there by name, with the samples,
        // shots and properties it had.
        QString why;
        const std::unique_ptr<LibModel::Session> copy(
                read ? LibModel::SessionOutbox::decode(LibModel::SessionOutbox::encode(*read),
                                                       &target, &why)
                     : nullptr);
        if (!copy) {
            report();
            return CommandLine::fail(
                    QStringLiteral("cannot read session %1 of %2%3")
                            .arg(QString::number(id), from,
                                 why.isEmpty() ? QString() : QStringLiteral(": ") + why));
        }
        if (!target.write(copy.get())) {
            report();
            return CommandLine::fail(QStringLiteral("cannot store session %1 in %2: %3")
                                             .arg(uuid, to, target.lastError().simplified()));
        }
        ++sessions;
    }
    report();
    return 0;
}
