#include "pagesfixture.h"

#include <applicationdata.h>
#include <rangedata.h>
#include <session.h>
#include <sessioninfomodel.h>
#include <sessionprintout.h>
#include <simulatedbackend.h>
#include <simulatedsensor.h>
#include <storage.h>
#include <targetmanager.h>
#include <targetprintout.h>
#include <trace.h>
#include <tracesample.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPageSize>
#include <QPointF>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>

#include <cmath>

using namespace LibHardware;

namespace {

constexpr int SampleRate = 100;
// Samples of aiming before each shot.
constexpr int Approach = 100;

QByteArray run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return QByteArray();
    return process.readAllStandardOutput();
}

} // namespace

PagesFixture::PagesFixture() = default;

PagesFixture::~PagesFixture()
{
    unplugAll();
}

void PagesFixture::installBackend()
{
    if (m_backend)
        return;
    m_backend = new SimulatedBackend;
    UsbBackend::setInstance(m_backend);
}

qint64 PagesFixture::addSession(const QVariantMap &fields)
{
    ApplicationData *facade = ApplicationData::instance();
    if (!facade)
        return 0;
    LibModel::Session session(facade->storage());
    for (const char *key :
         {"step", "sex", "birthDate", "gtoUuid", "pectoralNumber", "athleticRank"}) {
        const QString name = QLatin1String(key);
        if (fields.contains(name))
            session.setValue(name, fields.value(name).toString());
    }
    session.setTargetDescriptor(facade->targetManager()->findByUuid(
            QLatin1String(LibModel::TargetManager::AirRifleUuid)));
    session.setDistance(10.0);
    session.setCaliber(4.5);
    session.setSampleRate(SampleRate);
    session.setComments(fields.value(QStringLiteral("comments")).toString());
    session.setShooter(fields.value(QStringLiteral("name")).toString(),
                       fields.value(QStringLiteral("organization")).toString(),
                       fields.value(QStringLiteral("group")).toString());
    const QString competition = fields.value(QStringLiteral("competition")).toString();
    const bool gto = fields.value(QStringLiteral("gto")).toBool();
    session.setCompetitionName(competition);
    session.setIsGto(gto);

    // One recording: the aim wobbles towards each breach point and rests on
    // it at the shot; a second of aiming follows the last shot.
    const QVariantList shots = fields.value(QStringLiteral("shots")).toList();
    const qint64 start = fields.value(QStringLiteral("timer"), qint64(1700000000000)).toLongLong();
    LibModel::Trace *trace = session.appendTrace(start);
    if (!trace)
        return 0;
    const int count = int(shots.size() + 1) * Approach;
    for (int k = 0; k < count; ++k) {
        const int shot = qMin(k / Approach, int(shots.size()) - 1);
        const QPointF aim = shot >= 0 ? shots.at(shot).toPointF() : QPointF();
        const double settle = 1.0 - double(k % Approach + 1) / Approach;
        LibModel::TraceSample sample;
        sample.x = float(aim.x() + 6.0 * settle * std::sin(k * 0.21));
        sample.y = float(aim.y() + 6.0 * settle * std::cos(k * 0.17));
        sample.z = 0.0f;
        trace->appendSample(start + k * 1000 / SampleRate, sample);
    }
    for (int i = 0; i < shots.size(); ++i)
        trace->appendShot(ushort(i / 10), (i + 1) * Approach - 1, false, 0.0);

    session.setValue(QStringLiteral("competitionName"), competition);
    session.setValue(QStringLiteral("resultReal"), session.result());
    if (gto)
        session.setValue(QStringLiteral("medal"), QStringLiteral("Золото"));
    if (!facade->storage()->write(&session))
        return 0;
    return session.id();
}

QString PagesFixture::plugSensor(int index)
{
    installBackend();
    if (index < 0 || index >= 6)
        return QString();
    while (int(m_sensors.size()) <= index) {
        const int i = int(m_sensors.size());
        auto sensor = std::make_unique<SimulatedSensor>(quint32(11 + i));
        sensor->setPacing(SimulatedSensor::Pacing::Driven);
        sensor->setSerialNumber(
                QByteArray::fromHex(QByteArray("00000000000000A") + QByteArray::number(i)));
        m_sensors.push_back(std::move(sensor));
    }
    m_backend->plug(m_sensors.at(size_t(index)).get());
    return RangeData::serialText(m_sensors.at(size_t(index))->serialNumber());
}

void PagesFixture::unplugSensor(int index)
{
    if (m_backend && index >= 0 && index < int(m_sensors.size()))
        m_backend->unplug(m_sensors.at(size_t(index)).get());
}

void PagesFixture::unplugAll()
{
    for (int i = 0; i < int(m_sensors.size()); ++i)
        unplugSensor(i);
}

bool PagesFixture::printToPdf(QObject *printout, const QString &fileName, bool table)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(fileName);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setResolution(300);
    if (auto *session = qobject_cast<SessionPrintout *>(printout)) {
        if (table)
            session->printTable(&printer);
        else
            session->printDocument(&printer);
    } else if (auto *target = qobject_cast<TargetPrintout *>(printout)) {
        target->printDocument(&printer);
    } else {
        return false;
    }
    return QFileInfo(fileName).size() > 0;
}

QString PagesFixture::pdfText(const QString &fileName) const
{
    return QString::fromUtf8(run(QStringLiteral("pdftotext"),
                                 {QStringLiteral("-layout"), fileName, QStringLiteral("-")}));
}

int PagesFixture::pdfPages(const QString &fileName) const
{
    static const QRegularExpression pages(QStringLiteral("Pages:\\s+(\\d+)"));
    const QRegularExpressionMatch match
            = pages.match(QString::fromUtf8(run(QStringLiteral("pdfinfo"), {fileName})));
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

QString PagesFixture::writeFile(const QString &name, const QString &text)
{
    const QString file = path(name);
    QDir().mkpath(QFileInfo(file).absolutePath());
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QString();
    out.write(text.toUtf8());
    return file;
}

QString PagesFixture::path(const QString &name) const
{
    return m_folder.filePath(name);
}
