#include "scorecommand.h"
#include "arguments.h"
#include "commandline.h"

#include <targetdescriptor.h>
#include <targetmanager.h>

#include <QRegularExpression>
#include <QTextStream>

#include <cmath>

namespace {

QString formatScore(double score)
{
    return std::isnan(score) ? QStringLiteral("nan") : QString::number(score, 'f', 1);
}

bool parseCoordinate(const QString &text, double *value)
{
    bool ok = false;
    *value = text.toDouble(&ok);
    return ok && std::isfinite(*value);
}

} // namespace

int ScoreCommand::run(const QStringList &arguments, QTextStream &in, QTextStream &out)
{
    Arguments args(arguments, {QStringLiteral("target"), QStringLiteral("caliber")});
    double caliber = 0.0;
    if (!args.isValid() || !args.require({QStringLiteral("target"), QStringLiteral("caliber")})
        || !args.number(QStringLiteral("caliber"), &caliber))
        return CommandLine::fail(args.error());
    if (caliber < 0.0)
        return CommandLine::fail(QStringLiteral("the caliber cannot be negative"));

    LibModel::TargetManager manager;
    const QString key = args.value(QStringLiteral("target"));
    LibModel::TargetDescriptor *target = manager.findByUuidOrName(key);
    if (!target)
        return CommandLine::fail(QStringLiteral("unknown target \"%1\"").arg(key));

    const QStringList &positional = args.positional();
    if (!positional.isEmpty()) {
        double x = 0.0, y = 0.0;
        if (positional.size() != 2 || !parseCoordinate(positional.at(0), &x)
            || !parseCoordinate(positional.at(1), &y))
            return CommandLine::fail(QStringLiteral("expected two coordinates X Y"));
        out << formatScore(target->breachScore(QPointF(x, y), caliber)) << Qt::endl;
        return 0;
    }

    static const QRegularExpression separator(QStringLiteral("[\\s,;]+"));
    int lineNumber = 0;
    QString line;
    while (in.readLineInto(&line)) {
        ++lineNumber;
        const QStringList fields = line.split(separator, Qt::SkipEmptyParts);
        if (fields.isEmpty())
            continue;
        double x = 0.0, y = 0.0;
        if (fields.size() != 2 || !parseCoordinate(fields.at(0), &x)
            || !parseCoordinate(fields.at(1), &y)) {
            out.flush();
            return CommandLine::fail(QStringLiteral("line %1: expected \"X Y\", got \"%2\"")
                                             .arg(lineNumber)
                                             .arg(line));
        }
        out << formatScore(target->breachScore(QPointF(x, y), caliber)) << '\n';
    }
    out.flush();
    return 0;
}
