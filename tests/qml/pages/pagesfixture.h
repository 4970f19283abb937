#pragma once

#include <QObject>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>
#include <QVariantMap>

#include <memory>
#include <vector>

namespace LibHardware {
class SimulatedBackend;
class SimulatedSensor;
} // namespace LibHardware

// What the page tests cannot do from QML, as the context property
// "fixture": stored sessions with traces and shots, simulated sensors
// plugged in and out, printouts sent to a PDF file and read back as text,
// and files to import.
class PagesFixture : public QObject
{
    Q_OBJECT

public:
    PagesFixture();
    ~PagesFixture() override;

    // Makes the simulated sensors the process's USB devices; call once the
    // application object exists and before the hardware controller does.
    void installBackend();

    // Stores a 10 m air rifle session and returns its id (0 on failure).
    // Keys of `fields`: "name", "organization", "group", "shots" (a list of
    // breach points in target millimetres, one trace for all), "timer"
    // (ms since the epoch), "competition" (competition name), "gto" (bool),
    // "comments", and person properties ("step", "sex", "birthDate",
    // "gtoUuid", "pectoralNumber", "athleticRank") for a new shooter.
    Q_INVOKABLE qint64 addSession(const QVariantMap &fields);

    // Plugs simulated sensor `index` (0..5) in; returns its serial text.
    Q_INVOKABLE QString plugSensor(int index);
    Q_INVOKABLE void unplugSensor(int index);
    Q_INVOKABLE void unplugAll();

    // Prints a SessionPrintout (its session page, or with `table` its
    // protocol) or a TargetPrintout on an A4 PDF printer.
    Q_INVOKABLE bool printToPdf(QObject *printout, const QString &fileName, bool table);
    Q_INVOKABLE QString pdfText(const QString &fileName) const;
    Q_INVOKABLE int pdfPages(const QString &fileName) const;

    // A file of the given text in the fixture's folder; `name` may contain
    // sub-folders, which are made.
    Q_INVOKABLE QString writeFile(const QString &name, const QString &text);
    Q_INVOKABLE QString path(const QString &name) const;
    Q_INVOKABLE QUrl fileUrl(const QString &path) const { return QUrl::fromLocalFile(path); }

private:
    QTemporaryDir m_folder;
    LibHardware::SimulatedBackend *m_backend = nullptr; // owned by the process
    std::vector<std::unique_ptr<LibHardware::SimulatedSensor>> m_sensors;
};
