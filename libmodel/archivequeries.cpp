#include "archivequeries.h"
#include "recordcodec.h"
#include "sessioninfomodel.h"
#include "sqldialect.h"

#include <QHash>
#include <QSqlQuery>
#include <QVariant>

#include <memory>

namespace LibModel {

namespace {

// The columns every session summary is read from, in the order summaries() reads them.
constexpr char SummaryColumns[] = "SELECT session_id, timer, comments, shot_count, person_id, "
                                  "result, properties, is_gto FROM sessions ";

} // namespace

ArchiveQueries::ArchiveQueries(const QSqlDatabase &db, const SqlDialect &dialect)
    : m_db(db)
    , m_dialect(dialect)
{ }

bool ArchiveQueries::failed(const QSqlQuery &query)
{
    m_error = query.lastError();
    return false;
}

bool ArchiveQueries::unreadable()
{
    m_error = QSqlError(QStringLiteral("a session's stored properties cannot be read"), QString(),
                        QSqlError::StatementError);
    return false;
}

SessionInfoModel *ArchiveQueries::summaries(QSqlQuery &query, const QList<ShooterRecord> *persons)
{
    auto model = std::make_unique<SessionInfoModel>();
    QHash<qint64, ShooterRecord> byId;
    if (persons) {
        for (const ShooterRecord &record : *persons)
            byId.insert(record.id, record);
    }
    while (query.next()) {
        SessionInfo info;
        info.id = query.value(0).toUInt();
        info.timer = query.value(1).toLongLong();
        info.comments = query.value(2).toString();
        info.shotCount = query.value(3).toInt();
        if (persons)
            info.person = byId.value(query.value(4).toLongLong());
        info.result = query.value(5).toInt(); // NULL in files from before results: 0
        if (!RecordCodec::decodeProperties(query.value(6).toByteArray(), &info.properties))
            return unreadable(), nullptr;
        info.isGto = query.value(7).toInt() != 0;
        model->append(info);
    }
    return model.release();
}

SessionInfoModel *ArchiveQueries::sessions(qint64 personId)
{
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    QString statement = QLatin1String(SummaryColumns);
    if (personId > 0)
        statement += QStringLiteral("WHERE person_id=? ");
    if (!query.prepare(statement + QStringLiteral("ORDER BY timer ASC, session_id ASC;")))
        return failed(query), nullptr;
    if (personId > 0)
        query.addBindValue(personId);
    if (!query.exec())
        return failed(query), nullptr;
    return summaries(query, nullptr);
}

SessionInfoModel *ArchiveQueries::competition(const QString &name, bool isGto,
                                              const QList<ShooterRecord> &persons)
{
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!query.prepare(QLatin1String(SummaryColumns)
                       + QStringLiteral("WHERE competition_name=? AND is_gto=? ORDER BY timer "
                                        "ASC, session_id ASC;")))
        return failed(query), nullptr;
    query.addBindValue(name);
    query.addBindValue(isGto ? 1 : 0);
    if (!query.exec())
        return failed(query), nullptr;
    SessionInfoModel *model = summaries(query, &persons);
    if (model)
        model->computePlaces();
    return model;
}

bool ArchiveQueries::competitionNames(bool isGto, QStringList *names)
{
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!query.prepare(QStringLiteral("SELECT competition_name FROM sessions WHERE is_gto=? "
                                      "GROUP BY competition_name ORDER BY %1;")
                               .arg(m_dialect.byCharacters("competition_name"))))
        return failed(query);
    query.addBindValue(isGto ? 1 : 0);
    if (!query.exec())
        return failed(query);
    names->clear();
    while (query.next()) {
        const QString name = query.value(0).toString();
        if (!name.isEmpty())
            names->append(name);
    }
    return true;
}

bool ArchiveQueries::competitionNamesBetween(qint64 from, qint64 to, QStringList *names)
{
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!query.prepare(QStringLiteral("SELECT session_id, timer, properties FROM sessions WHERE "
                                      "timer >= ? AND timer < ? ORDER BY session_id ASC;")))
        return failed(query);
    query.addBindValue(from);
    query.addBindValue(to);
    if (!query.exec())
        return failed(query);
    while (query.next()) {
        QVariantHash properties;
        if (!RecordCodec::decodeProperties(query.value(2).toByteArray(), &properties))
            return unreadable();
        const QString name = properties.value(QStringLiteral("competitionName")).toString();
        if (!names->contains(name))
            names->append(name);
    }
    return true;
}

bool ArchiveQueries::countSessions(const QString &uuid, qint64 *count)
{
    QSqlQuery query(m_db);
    if (!query.prepare(QStringLiteral("SELECT COUNT(*) FROM sessions WHERE uuid=?;")))
        return failed(query);
    query.addBindValue(uuid);
    if (!query.exec() || !query.next())
        return failed(query);
    *count = query.value(0).toLongLong();
    return true;
}

bool ArchiveQueries::countRows(const char *table, qint64 *count)
{
    QSqlQuery query(m_db);
    if (!query.exec(QStringLiteral("SELECT COUNT(*) FROM %1;").arg(QLatin1String(table)))
        || !query.next())
        return failed(query);
    *count = query.value(0).toLongLong();
    return true;
}

} // namespace LibModel
