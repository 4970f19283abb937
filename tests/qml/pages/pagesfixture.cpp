#include "pagesfixture.h"

#include <applicationdata.h>
#include <pdfprobe.h>
#include <rangedata.h>
#include <session.h>
#include <sessionbuilder.h>
#include <sessioninfomodel.h>
#include <sessionprintout.h>
#include <simulatedbackend.h>
#include <simulatedsensor.h>
#include <targetprintout.h>
#include <trace.h>

#include <QDir>
#include <QFile>
#include <QPrinter>

#include <cmath>

using namespace LibHardware;

PagesFixture::PagesFixture() = default;

PagesFixture::~PagesFixture()
{
    unplugAll();
}

void PagesFixture::installBackend()
{
    if (!m_backend) {
        m_backend = new SimulatedBackend;
        UsbBackend::setInstance(m_backend);
    }
}

qint64 PagesFixture::addSession(const QVariantMap &fields)
{
    const auto text = [&](const char *key) { return fields.value(QLatin1String(key)).toString(); };
    SessionBuilder builder(
            ApplicationData::instance()->storage(),
            fields.value(QStringLiteral("timer"), SessionBuilder::Start).toLongLong());
    for (const char *key :
         {"step", "sex", "birthDate", "gtoUuid", "pectoralNumber", "athleticRank"}) {
        if (fields.contains(QLatin1String(key)))
            builder.value(QLatin1String(key), text(key));
    }
    if (fields.contains(QStringLiteral("target")))
        builder.target(text("target").toLatin1().constData());
    const bool gto = fields.value(QStringLiteral("gto")).toBool();
    builder.shooter(text("name"), text("organization"), text("group"))
            .competition(text("competition"), gto);
    LibModel::Session *session = builder.session();
    session->setComments(text("comments"));

    // A second of aiming towards each breach point, resting on it at the
    // shot; another second follows the last shot.
    constexpr int Approach = 100;
    const QVariantList shots = fields.value(QStringLiteral("shots")).toList();
    LibModel::Trace *trace = builder.currentTrace();
    const qint64 start = trace->timerStart();
    for (int k = 0; k < (shots.size() + 1) * Approach; ++k) {
        const QPointF aim = shots.isEmpty()
                ? QPointF()
                : shots.at(qMin(k / Approach, int(shots.size()) - 1)).toPointF();
        const double settle = 1.0 - double(k % Approach + 1) / Approach;
        trace->appendSample(start + k * 10,
                            {float(aim.x() + 6.0 * settle * std::sin(k * 0.21)),
                             float(aim.y() + 6.0 * settle * std::cos(k * 0.17)), 0.0f});
    }
    for (int i = 0; i < shots.size(); ++i)
        trace->appendShot(ushort(i / 10), (i + 1) * Approach - 1, false, 0.0);
    session->setValue(QStringLiteral("resultReal"), session->result());
    if (gto)
        session->setValue(QStringLiteral("medal"), QStringLiteral("Золото"));
    return builder.write();
}

QString PagesFixture::plugSensor(int index)
{
    installBackend();
    while (int(m_sensors.size()) <= index) {
        const int i = int(m_sensors.size());
        auto sensor = std::make_unique<SimulatedSensor>(quint32(11 + i));
        sensor->setPacing(SimulatedSensor::Pacing::Driven);
        sensor->setSerialNumber(QByteArray::fromHex("00000000000000A" + QByteArray::number(i)));
        m_sensors.push_back(std::move(sensor));
    }
    m_backend->plug(m_sensors.at(size_t(index)).get());
    return RangeData::serialText(m_sensors.at(size_t(index))->serialNumber());
}

void PagesFixture::unplugSensor(int index)
{
    m_backend->unplug(m_sensors.at(size_t(index)).get());
}

void PagesFixture::unplugAll()
{
    for (size_t i = 0; i < m_sensors.size(); ++i)
        m_backend->unplug(m_sensors.at(i).get());
}

QVariantMap PagesFixture::printToPdf(QObject *printout, bool table)
{
    const QString file = path(QStringLiteral("printout%1.pdf").arg(++m_printouts));
    const std::unique_ptr<QPrinter> printer = PdfProbe::printer(file);
    auto *session = qobject_cast<SessionPrintout *>(printout);
    if (session && table)
        session->printTable(printer.get());
    else if (session)
        session->printDocument(printer.get());
    else if (auto *target = qobject_cast<TargetPrintout *>(printout))
        target->printDocument(printer.get());
    if (!QFile::exists(file))
        return {{QStringLiteral("pages"), 0}};
    return {{QStringLiteral("pages"), PdfProbe::pages(file)},
            {QStringLiteral("text"), PdfProbe::text(file)}};
}

QString PagesFixture::writeFile(const QString &name, const QString &text)
{
    QFile file(path(name));
    QDir().mkpath(QFileInfo(file).absolutePath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QString();
    file.write(text.toUtf8());
    return file.fileName();
}
