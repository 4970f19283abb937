#pragma once

#include "catalogworker.h"

#include <abstractstorage.h>

#include <QHash>
#include <QObject>
#include <QStringList>
#include <QThread>

namespace LibModel {
class ShooterModel;
} // namespace LibModel

Q_MOC_INCLUDE("shootermodel.h")

// The shooter catalogue as the pages show it, kept without the GUI thread
// waiting on the database: the person list, its organisations and groups,
// the competition names, read by a worker thread with a connection of its
// own; deleting sessions and persons and importing persons go there too.
// Each request returns a ticket at once; a change is answered with its
// ticket and the lists are read again after it. A newer list read
// supersedes an older one.
// The lanes' sessions find their shooters here: a new one is added by the
// worker while the lane goes on, and the session keeps the person by name
// until its delivery, which finds or makes the same person.
class Catalog : public LibModel::AbstractStorage
{
    Q_OBJECT
    Q_PROPERTY(LibModel::ShooterModel *shooters READ shooters CONSTANT)
    Q_PROPERTY(QStringList organizations READ organizations NOTIFY organizationsChanged)
    Q_PROPERTY(QStringList competitions READ competitions NOTIFY competitionsChanged)
    Q_PROPERTY(QStringList competitionsGto READ competitionsGto NOTIFY competitionsChanged)
    // True while a read or a change is waiting for its answer.
    Q_PROPERTY(bool busy READ busy NOTIFY busyChanged)
    // Why the last change or the last read failed; empty when they did not.
    Q_PROPERTY(QString error READ error NOTIFY errorChanged)
    // Why the last list read failed; empty when it did not.
    Q_PROPERTY(QString listError READ listError NOTIFY errorChanged)

public:
    // The first entries of the organisation and group lists, in the
    // interface's language.
    static QString allOrganizations();
    static QString allGroups();

    // The persons go into shooters (one of the catalogue's own when null),
    // which other writers on this thread may add to as well.
    Catalog(const QString &databasePath, LibModel::ShooterModel *shooters,
            QObject *parent = nullptr);
    // Waits for a request under way.
    ~Catalog() override;

    LibModel::ShooterModel *shooters() const { return m_shooters; }
    QStringList organizations() const;
    QStringList competitions() const { return m_competitions; }
    QStringList competitionsGto() const { return m_competitionsGto; }
    bool busy() const { return m_listTicket != 0 || !m_changes.isEmpty(); }
    QString error() const { return m_changeError.isEmpty() ? m_listError : m_changeError; }
    QString listError() const { return m_listError; }

    Q_INVOKABLE int refresh();
    Q_INVOKABLE int deleteSession(const QString &uuid);
    Q_INVOKABLE int deleteShooter(qlonglong personId);
    // The answer's code is the import's result (0: the file was read).
    Q_INVOKABLE int importShooters(const QString &path);

    // From the list at hand, without asking the database: the groups of an
    // organisation (after the "all groups" entry), and the id of a person
    // (0 for none); both compare without regard to letter case.
    Q_INVOKABLE QStringList groups(const QString &organization) const;
    Q_INVOKABLE qlonglong lookupShooter(const QString &name, const QString &organization,
                                        const QString &group) const;

    // The person from the list at hand.
    LibModel::ShooterRecord findShooter(const QString &name, const QString &organization,
                                        const QString &group) override;
    // Asks the worker to add the person and gives it back at once, not
    // stored yet (id 0); a refusal shows as the catalogue's error.
    LibModel::ShooterRecord createShooter(const QString &name, const QString &organization,
                                          const QString &group,
                                          const QVariantHash &properties) override;
    // Sessions are not written here: the program's outbox delivers them.
    bool write(LibModel::Session *session) override;
    bool hasSession(const QString &uuid, bool *ok) override;
    QString lastError() const override;

signals:
    void organizationsChanged();
    void competitionsChanged();
    void busyChanged();
    void errorChanged();
    // A change came back; error is empty when it was made whole.
    void changeDone(int ticket, int code, int added, const QString &error);

private:
    // Queues request(worker, ticket); a failure is shown through `failure`,
    // whose %1 takes the worker's error.
    template<typename Request>
    int change(const QString &failure, Request request);
    void listsAnswered(int ticket, const CatalogWorker::Lists &lists, const QString &error);
    void changeAnswered(int ticket, int code, int added, const QString &error);
    void listEdited();
    void updateOrganizations();
    void setErrors(const QString &listError, const QString &changeError);

    LibModel::ShooterModel *m_shooters;
    QThread m_thread;
    CatalogWorker *m_worker;
    int m_lastTicket = 0;
    int m_listTicket = 0; // the list read waited for, 0 for none
    bool m_merging = false; // while an answer goes into the list
    QHash<int, QString> m_changes; // the changes waiting, with their failure texts
    QStringList m_organizations; // without the "all organisations" entry
    QStringList m_competitions;
    QStringList m_competitionsGto;
    QString m_listError;
    QString m_changeError;
};
