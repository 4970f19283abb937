#include "analyzecommand.h"
#include "arguments.h"
#include "commandline.h"
#include "databasecommands.h"
#include "orderedjsonobject.h"

#include <session.h>
#include <sessionanalysis.h>
#include <shooterprogress.h>
#include <storage.h>
#include <targetmanager.h>

#include <QTextStream>

#include <memory>

namespace {

const QString DbOption = QStringLiteral("db");
const QString SessionOption = QStringLiteral("session");
const QString PersonOption = QStringLiteral("person");

OrderedJsonObject &insertAiming(OrderedJsonObject &object, const LibModel::ShotAiming &aiming)
{
    return object.insert(QStringLiteral("holdRadius"), OrderedJsonObject::number(aiming.holdRadius))
            .insert(QStringLiteral("aimShift"), OrderedJsonObject::number(aiming.aimShift))
            .insert(QStringLiteral("tenShare"), OrderedJsonObject::number(aiming.tenShare))
            .insert(QStringLiteral("speed250"), OrderedJsonObject::number(aiming.speed250));
}

OrderedJsonObject analysisJson(const LibModel::SessionAnalysis &analysis, bool withShots)
{
    const LibModel::ShotGroup &group = analysis.group;
    OrderedJsonObject object;
    object.insert(QStringLiteral("session"), analysis.sessionId)
            .insert(QStringLiteral("n"), group.n)
            .insert(QStringLiteral("mpiX"), OrderedJsonObject::number(group.mpiX))
            .insert(QStringLiteral("mpiY"), OrderedJsonObject::number(group.mpiY))
            .insert(QStringLiteral("extremeSpread"), OrderedJsonObject::number(group.extremeSpread))
            .insert(QStringLiteral("meanRadius"), OrderedJsonObject::number(group.meanRadius))
            .insert(QStringLiteral("sdX"), OrderedJsonObject::number(group.sdX))
            .insert(QStringLiteral("sdY"), OrderedJsonObject::number(group.sdY))
            .insert(QStringLiteral("meanScore"), OrderedJsonObject::number(group.meanScore));
    insertAiming(object, analysis.aiming);
    if (withShots) {
        QList<OrderedJsonObject> shots;
        for (const LibModel::SessionAnalysis::ShotValues &shot : analysis.shots) {
            OrderedJsonObject item;
            item.insert(QStringLiteral("id"), shot.id)
                    .insert(QStringLiteral("result"), OrderedJsonObject::number(shot.result));
            shots.append(insertAiming(item, shot.aiming));
        }
        object.insert(QStringLiteral("shots"), shots);
    }
    return object;
}

// The option's value as a positive id; 0 when it is none.
qint64 idOption(const Arguments &args, const QString &name)
{
    bool ok = false;
    const qint64 id = args.value(name).toLongLong(&ok);
    return ok && id > 0 ? id : 0;
}

} // namespace

int AnalyzeCommand::run(const QStringList &arguments, QTextStream &out)
{
    Arguments args(arguments, {DbOption, SessionOption, PersonOption});
    if (!args.isValid() || !args.require({DbOption}))
        return CommandLine::fail(args.error());
    if (!args.positional().isEmpty())
        return CommandLine::fail(
                QStringLiteral("unexpected argument \"%1\"").arg(args.positional().constFirst()));
    if (args.has(SessionOption) == args.has(PersonOption))
        return CommandLine::fail(QStringLiteral("analyze needs either --session or --person"));
    const QString option = args.has(SessionOption) ? SessionOption : PersonOption;
    const qint64 id = idOption(args, option);
    if (id == 0)
        return CommandLine::fail(QStringLiteral("option --%1 needs a %1 id, not \"%2\"")
                                         .arg(option, args.value(option)));

    // Sessions find their target faces, and so the scores, in the
    // process-wide catalogue.
    LibModel::TargetManager targets;
    LibModel::Storage storage;
    const QString error = DatabaseCommands::open(storage, args.value(DbOption), false);
    if (!error.isEmpty())
        return CommandLine::fail(error);

    if (option == SessionOption) {
        const std::unique_ptr<LibModel::Session> session(
                id <= 0xFFFFFFFFLL ? storage.readSession(uint(id)) : nullptr);
        if (!session)
            return CommandLine::fail(
                    QStringLiteral("no session %1 in %2").arg(id).arg(args.value(DbOption)));
        out << analysisJson(LibModel::SessionAnalysis(*session), true).toJson() << '\n';
    } else {
        LibModel::ShooterProgress progress;
        if (!progress.read(storage, id))
            return CommandLine::fail(
                    QStringLiteral("%1 in %2").arg(progress.error(), args.value(DbOption)));
        for (const LibModel::SessionAnalysis &analysis : progress.sessions())
            out << analysisJson(analysis, false).toJson() << '\n';
    }
    out.flush();
    return 0;
}
