#include "kavrorun.h"

#include <QCoreApplication>
#include <QProcess>

KavroRun::KavroRun(const QStringList &arguments, const QByteArray &input)
{
    QProcess process;
    process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/kavro"), arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
    }
    if (process.exitStatus() == QProcess::NormalExit)
        exitCode = process.exitCode();
    output = process.readAllStandardOutput();
    errors = process.readAllStandardError();
}

QList<QByteArray> KavroRun::lines() const
{
    QList<QByteArray> result = output.split('\n');
    if (!result.isEmpty() && result.constLast().isEmpty())
        result.removeLast();
    return result;
}

bool KavroRun::exited(int code) const
{
    if (exitCode == code && errors.count('\n') == (code == 0 ? 0 : 1))
        return true;
    qWarning("kavro exited with %d, expected %d; stderr: %s", exitCode, code, errors.constData());
    return false;
}
