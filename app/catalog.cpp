#include "catalog.h"

#include <storage.h>

#include <shootermodel.h>

#include <QAbstractItemModel>
#include <QSet>

#include <algorithm>

namespace {

// The distinct non-empty texts in upper-case order.
QStringList listed(QStringList texts)
{
    texts.removeAll(QString());
    texts.removeDuplicates();
    std::sort(texts.begin(), texts.end(), [](const QString &a, const QString &b) {
        const QString upperA = a.toUpper(), upperB = b.toUpper();
        return upperA == upperB ? a < b : upperA < upperB;
    });
    return texts;
}

} // namespace

QString Catalog::allOrganizations()
{
    //: First entry of the organisation filter: no filter
    return tr("[Все организации]");
}

QString Catalog::allGroups()
{
    //: First entry of the group filter: no filter
    return tr("[Все группы]");
}

Catalog::Catalog(const QString &databasePath, LibModel::ShooterModel *shooters, QObject *parent)
    : LibModel::AbstractStorage(parent)
    , m_shooters(shooters ? shooters : new LibModel::ShooterModel(this))
    , m_worker(new CatalogWorker(
              databasePath,
              LibModel::Storage::uniqueConnectionName(QStringLiteral("kavro-catalog"))))
{
    qRegisterMetaType<CatalogWorker::Lists>();
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    connect(m_worker, &CatalogWorker::listsRead, this, &Catalog::listsAnswered);
    connect(m_worker, &CatalogWorker::changed, this, &Catalog::changeAnswered);
    // Whoever changes the list, its organisations follow.
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(m_shooters, signal, this, &Catalog::listEdited);
    connect(m_shooters, &QAbstractItemModel::dataChanged, this, &Catalog::listEdited);
    connect(m_shooters, &QAbstractItemModel::modelReset, this, &Catalog::listEdited);
    updateOrganizations();
    m_thread.setObjectName(QStringLiteral("catalog"));
    m_thread.start();
}

Catalog::~Catalog()
{
    m_thread.quit();
    m_thread.wait();
}

int Catalog::refresh()
{
    const bool wasBusy = busy();
    const int ticket = ++m_lastTicket;
    m_listTicket = ticket;
    m_worker->setNewest(ticket);
    CatalogWorker *worker = m_worker;
    QMetaObject::invokeMethod(
            worker, [worker, ticket] { worker->readLists(ticket); }, Qt::QueuedConnection);
    if (!wasBusy)
        emit busyChanged();
    return ticket;
}

template<typename Request>
int Catalog::change(const QString &failure, Request request)
{
    const bool wasBusy = busy();
    const int ticket = ++m_lastTicket;
    m_changes.insert(ticket, failure);
    CatalogWorker *worker = m_worker;
    QMetaObject::invokeMethod(
            worker, [worker, ticket, request] { request(worker, ticket); }, Qt::QueuedConnection);
    if (!wasBusy)
        emit busyChanged();
    return ticket;
}

int Catalog::deleteSession(const QString &uuid)
{
    return change(tr("Не удалось удалить сессию: %1"), [uuid](CatalogWorker *worker, int ticket) {
        worker->deleteSession(ticket, uuid);
    });
}

int Catalog::deleteShooter(qlonglong personId)
{
    return change(tr("Не удалось удалить пользователя: %1"),
                  [personId](CatalogWorker *worker, int ticket) {
                      worker->deleteShooter(ticket, personId);
                  });
}

int Catalog::importShooters(const QString &path)
{
    return change(
            tr("Не удалось сохранить стрелков: %1"),
            [path](CatalogWorker *worker, int ticket) { worker->importShooters(ticket, path); });
}

void Catalog::listsAnswered(int ticket, const CatalogWorker::Lists &lists, const QString &error)
{
    if (ticket != m_listTicket)
        return;
    m_listTicket = 0;
    if (error.isEmpty()) {
        m_merging = true;
        m_shooters->merge(lists.shooters);
        m_merging = false;
        updateOrganizations();
        if (lists.competitions != m_competitions || lists.competitionsGto != m_competitionsGto) {
            m_competitions = lists.competitions;
            m_competitionsGto = lists.competitionsGto;
            emit competitionsChanged();
        }
    }
    // What was read last stays shown when a read fails.
    setErrors(error.isEmpty() ? QString() : tr("Не удалось прочитать базу данных: %1").arg(error),
              m_changeError);
    if (!busy())
        emit busyChanged();
}

void Catalog::changeAnswered(int ticket, int code, int added, const QString &error)
{
    // Read again also after a failure: part of an import may be stored.
    refresh();
    const QString failure = m_changes.take(ticket);
    setErrors(m_listError,
              error.isEmpty()             ? QString()
                      : failure.isEmpty() ? error
                                          : failure.arg(error));
    emit changeDone(ticket, code, added, error);
}

void Catalog::setErrors(const QString &listError, const QString &changeError)
{
    if (listError == m_listError && changeError == m_changeError)
        return;
    m_listError = listError;
    m_changeError = changeError;
    emit errorChanged();
}

void Catalog::listEdited()
{
    // Another writer changed the list: an answer under way was read before
    // that and would undo it, so a newer read supersedes it.
    if (m_merging)
        return;
    if (m_listTicket != 0)
        refresh();
    updateOrganizations();
}

void Catalog::updateOrganizations()
{
    QStringList organizations;
    for (const LibModel::ShooterRecord &record : m_shooters->records())
        organizations.append(record.organization);
    organizations = listed(organizations);
    if (organizations != m_organizations) {
        m_organizations = organizations;
        emit organizationsChanged();
    }
}

QStringList Catalog::organizations() const
{
    return QStringList(allOrganizations()) + m_organizations;
}

QStringList Catalog::groups(const QString &organization) const
{
    QStringList groups;
    for (const LibModel::ShooterRecord &record : m_shooters->records()) {
        if (record.organization.compare(organization, Qt::CaseInsensitive) == 0)
            groups.append(record.group);
    }
    return QStringList(allGroups()) + listed(groups);
}

qlonglong Catalog::lookupShooter(const QString &name, const QString &organization,
                                 const QString &group) const
{
    const LibModel::ShooterRecord *record = m_shooters->find(name, organization, group);
    return record ? record->id : 0;
}

LibModel::ShooterRecord Catalog::findShooter(const QString &name, const QString &organization,
                                             const QString &group)
{
    const LibModel::ShooterRecord *record = m_shooters->find(name, organization, group);
    return record ? *record : LibModel::ShooterRecord();
}

LibModel::ShooterRecord Catalog::createShooter(const QString &name, const QString &organization,
                                               const QString &group, const QVariantHash &properties)
{
    LibModel::ShooterRecord record;
    record.setName(name);
    record.setOrganization(organization);
    record.setGroup(group);
    record.setProperties(properties);
    record.isDirty = false;
    change(tr("Не удалось сохранить стрелка: %1"),
           [record](CatalogWorker *worker, int ticket) { worker->createShooter(ticket, record); });
    return record;
}

bool Catalog::write(LibModel::Session *)
{
    return false;
}

bool Catalog::hasSession(const QString &, bool *ok)
{
    if (ok)
        *ok = false;
    return false;
}

QString Catalog::lastError() const
{
    return QStringLiteral("sessions of the lanes are stored through the outbox");
}
