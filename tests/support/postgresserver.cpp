#include "postgresserver.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrlQuery>

#include <unistd.h>

#include <algorithm>

namespace {

// The newest server's programs: /usr/lib/postgresql/<major>/bin.
QString serverBinaries()
{
    const QDir root(QStringLiteral("/usr/lib/postgresql"));
    QStringList versions = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(versions.begin(), versions.end(),
              [](const QString &a, const QString &b) { return a.toInt() < b.toInt(); });
    for (auto it = versions.crbegin(); it != versions.crend(); ++it) {
        const QString bin = root.filePath(*it + QStringLiteral("/bin"));
        if (QFile::exists(bin + QStringLiteral("/initdb"))
            && QFile::exists(bin + QStringLiteral("/pg_ctl")))
            return bin;
    }
    return QString();
}

QString currentUser()
{
    const QByteArray user = qgetenv("USER");
    if (!user.isEmpty() && ::geteuid() != 0)
        return QString::fromLocal8Bit(user);
    return ::geteuid() == 0 ? QStringLiteral("root") : QString::fromLocal8Bit(qgetenv("LOGNAME"));
}

constexpr int Port = 5432; // in a socket folder of its own: no clash with any other server

} // namespace

PostgresServer::PostgresServer()
    : PostgresServer(Options())
{ }

PostgresServer::PostgresServer(const Options &options)
    : m_options(options)
    , m_binaries(serverBinaries())
    , m_asPostgres(::geteuid() == 0)
{ }

PostgresServer::~PostgresServer()
{
    if (m_running)
        run(m_binaries + QStringLiteral("/pg_ctl"),
            {QStringLiteral("-D"), m_folder->filePath(QStringLiteral("data")), QStringLiteral("-m"),
             QStringLiteral("immediate"), QStringLiteral("-w"), QStringLiteral("stop")});
}

bool PostgresServer::available(QString *why)
{
    QString missing;
    if (serverBinaries().isEmpty())
        missing = QStringLiteral("no PostgreSQL server programs in /usr/lib/postgresql");
    else if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        missing = QStringLiteral("no Qt PostgreSQL driver (QPSQL)");
    else if (::geteuid() == 0 && !QFile::exists(QStringLiteral("/usr/sbin/runuser")))
        missing = QStringLiteral("root without runuser to start the server as postgres");
    if (why)
        *why = missing;
    return missing.isEmpty();
}

QString PostgresServer::socketFolder() const
{
    return m_folder ? m_folder->path() : QString();
}

QString PostgresServer::uri(const QString &database, const QString &user) const
{
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("host"), socketFolder());
    query.addQueryItem(QStringLiteral("port"), QString::number(Port));
    return QStringLiteral("postgresql://%1/%2?%3")
            .arg(user.isEmpty() ? QString() : user + QLatin1Char('@'), database,
                 query.toString(QUrl::FullyEncoded));
}

bool PostgresServer::run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    if (m_asPostgres) {
        process.start(QStringLiteral("/usr/sbin/runuser"),
                      QStringList {QStringLiteral("-u"), QStringLiteral("postgres"),
                                   QStringLiteral("--"), program}
                              + arguments);
    } else {
        process.start(program, arguments);
    }
    // pg_ctl -w bounds its own wait; this only guards a hung program.
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0) {
        m_error = QStringLiteral("%1 failed: %2")
                          .arg(QFileInfo(program).fileName(),
                               QString::fromLocal8Bit(process.readAll()).trimmed());
        return false;
    }
    return true;
}

bool PostgresServer::initialise()
{
    QString why;
    if (!available(&why)) {
        m_error = why;
        return false;
    }
    // Short: a socket's path may not pass 107 bytes.
    m_folder = std::make_unique<QTemporaryDir>(QStringLiteral("/tmp/kavro-pg-XXXXXX"));
    if (!m_folder->isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return false;
    }
    const QString data = m_folder->filePath(QStringLiteral("data"));
    if (m_asPostgres) {
        QFile::setPermissions(m_folder->path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                      | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther
                                      | QFile::ExeOther);
        if (QProcess::execute(QStringLiteral("/usr/bin/chown"),
                              {QStringLiteral("postgres:postgres"), m_folder->path()})
            != 0) {
            m_error = QStringLiteral("cannot hand the server's folder to postgres");
            return false;
        }
    }
    if (!run(m_binaries + QStringLiteral("/initdb"),
             {QStringLiteral("-D"), data, QStringLiteral("-U"), currentUser(), QStringLiteral("-A"),
              QStringLiteral("trust"), QStringLiteral("-E"), QStringLiteral("UTF8"),
              QStringLiteral("--locale=C"), QStringLiteral("--no-sync")}))
        return false;
    // One role logs in with a password; everybody else is trusted on the socket.
    QFile hba(data + QStringLiteral("/pg_hba.conf"));
    const QByteArray rules
            = "local all " + passwordRole().toUtf8() + " scram-sha-256\nlocal all all trust\n";
    // Root writes into the postgres user's file; it stays theirs.
    if (!hba.open(QIODevice::WriteOnly | QIODevice::Truncate) || hba.write(rules) < 0) {
        m_error = QStringLiteral("cannot write pg_hba.conf");
        return false;
    }
    m_initialised = true;
    return true;
}

bool PostgresServer::start()
{
    m_error.clear();
    if (m_running)
        return true;
    const bool first = !m_initialised;
    if (first && !initialise())
        return false;
    QString settings
            = QStringLiteral("-k %1 -p %2 -c listen_addresses=''").arg(m_folder->path()).arg(Port);
    if (!m_options.durable)
        settings += QStringLiteral(
                " -c fsync=off -c synchronous_commit=off -c full_page_writes=off");
    if (!run(m_binaries + QStringLiteral("/pg_ctl"),
             {QStringLiteral("-D"), m_folder->filePath(QStringLiteral("data")),
              QStringLiteral("-l"), m_folder->filePath(QStringLiteral("server.log")),
              QStringLiteral("-o"), settings, QStringLiteral("-w"), QStringLiteral("-t"),
              QStringLiteral("120"), QStringLiteral("start")}))
        return false;
    m_running = true;
    if (first) {
        return execute(QStringLiteral("postgres"),
                       {QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD '%2';")
                                .arg(passwordRole(), passwordOf())});
    }
    return true;
}

bool PostgresServer::stop()
{
    if (!m_running)
        return true;
    if (!run(m_binaries + QStringLiteral("/pg_ctl"),
             {QStringLiteral("-D"), m_folder->filePath(QStringLiteral("data")),
              QStringLiteral("-m"), QStringLiteral("fast"), QStringLiteral("-w"),
              QStringLiteral("stop")}))
        return false;
    m_running = false;
    return true;
}

bool PostgresServer::createDatabase(const QString &name)
{
    return execute(QStringLiteral("postgres"),
                   {QStringLiteral("CREATE DATABASE \"%1\";").arg(name)});
}

bool PostgresServer::execute(const QString &database, const QStringList &statements)
{
    const QString connection = QStringLiteral("kavro-test-server-%1").arg(++m_connections);
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connection);
        db.setHostName(socketFolder());
        db.setPort(Port);
        db.setDatabaseName(database);
        db.setUserName(currentUser());
        if (!db.open()) {
            m_error = db.lastError().text();
            ok = false;
        }
        QSqlQuery query(db);
        for (const QString &statement : statements) {
            if (!ok)
                break;
            if (!query.exec(statement)) {
                m_error = QStringLiteral("%1: %2").arg(statement, query.lastError().text());
                ok = false;
            }
        }
    }
    QSqlDatabase::removeDatabase(connection);
    return ok;
}

bool PostgresServer::runScript(const QString &file, const QString &database)
{
    QProcess psql;
    psql.setProcessChannelMode(QProcess::MergedChannels);
    psql.start(m_binaries + QStringLiteral("/psql"),
               {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-v"),
                QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-h"), socketFolder(),
                QStringLiteral("-p"), QString::number(Port), QStringLiteral("-U"), currentUser(),
                QStringLiteral("-d"), database, QStringLiteral("-f"), file});
    if (!psql.waitForFinished(120000) || psql.exitStatus() != QProcess::NormalExit
        || psql.exitCode() != 0) {
        m_error = QStringLiteral("psql -f %1: %2")
                          .arg(file, QString::fromLocal8Bit(psql.readAll()).trimmed());
        return false;
    }
    return true;
}
