#pragma once

#include <QObject>
#include <QTemporaryDir>
#include <QUrl>
#include <QVariantMap>

#include <memory>
#include <vector>

namespace LibHardware {
class SimulatedBackend;
class SimulatedSensor;
} // namespace LibHardware

// What the QML tests cannot do themselves, as the context property
// "fixture": stored sessions, simulated sensors, printouts read back from
// PDF files, and files to import.
class PagesFixture : public QObject
{
    Q_OBJECT

public:
    PagesFixture();
    ~PagesFixture() override;

    // Makes the simulated sensors the process's USB devices; call before
    // the hardware controller exists.
    void installBackend();

    // Stores a 10 m air rifle session and returns its id (0 on failure).
    // Keys: "name", "organization", "group", "shots" (breach points in mm,
    // ten to a series), "timer" (start, ms since the epoch), "competition",
    // "gto", "comments" and the person's "step", "sex", "birthDate",
    // "gtoUuid", "pectoralNumber" and "athleticRank".
    Q_INVOKABLE qint64 addSession(const QVariantMap &fields);

    // Simulated sensor `index` (0..5); plugging returns its serial text.
    Q_INVOKABLE QString plugSensor(int index);
    Q_INVOKABLE void unplugSensor(int index);
    Q_INVOKABLE void unplugAll();

    // Prints a SessionPrintout (its session page, or with `table` its
    // protocol) or a TargetPrintout to an A4 PDF file: {pages, text}.
    Q_INVOKABLE QVariantMap printToPdf(QObject *printout, bool table);

    // A file of the given text; `name` may contain folders.
    Q_INVOKABLE QString writeFile(const QString &name, const QString &text);
    Q_INVOKABLE QString path(const QString &name) const { return m_folder.filePath(name); }
    Q_INVOKABLE QUrl fileUrl(const QString &path) const { return QUrl::fromLocalFile(path); }

private:
    QTemporaryDir m_folder;
    int m_printouts = 0;
    LibHardware::SimulatedBackend *m_backend = nullptr; // owned by the process
    std::vector<std::unique_ptr<LibHardware::SimulatedSensor>> m_sensors;
};
