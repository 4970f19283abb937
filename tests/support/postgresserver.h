#pragma once

#include <QString>
#include <QTemporaryDir>

#include <memory>

// A private PostgreSQL server for a test: a cluster made by initdb in a
// temporary folder, started by pg_ctl on a unix socket in that folder (no
// TCP), stopped and removed with the object. initdb refuses to run as root:
// a root test process runs the server as the unprivileged "postgres" user
// that the server package creates. The test connects over the socket as a
// superuser named like the user it runs as, without a password; one more
// role, passwordRole(), must give passwordOf() (for wrong-password cases).
class PostgresServer
{
public:
    struct Options
    {
        // Off for tests (fast); on for benchmarks that compare with SQLite.
        bool durable = false;
    };

    PostgresServer();
    explicit PostgresServer(const Options &options);
    // Stops the server at once and removes its folder.
    ~PostgresServer();

    // Whether a server can be made here; *why says what is missing.
    static bool available(QString *why = nullptr);

    // Makes the cluster (first time), starts the server and waits until it
    // takes connections; false with error() set.
    bool start();
    // Stops the server (fast shutdown: connections are cut), as a server
    // that goes away.
    bool stop();
    QString error() const { return m_error; }

    QString socketFolder() const;
    // The URI of a database on this server, e.g. "postgresql:///kavro?host=/tmp/..".
    QString uri(const QString &database, const QString &user = QString()) const;
    // Creates an empty database; false when it fails.
    bool createDatabase(const QString &name);
    // Runs statements in a database as the superuser; false on the first
    // failing one.
    bool execute(const QString &database, const QStringList &statements);
    // Runs an SQL script with psql as the superuser, stopping at its first error.
    bool runScript(const QString &file, const QString &database = QStringLiteral("postgres"));

    static QString passwordRole() { return QStringLiteral("kavro_password"); }
    static QString passwordOf() { return QStringLiteral("right-password"); }

private:
    bool initialise();
    bool run(const QString &program, const QStringList &arguments);

    Options m_options;
    std::unique_ptr<QTemporaryDir> m_folder;
    QString m_binaries;
    bool m_initialised = false;
    bool m_running = false;
    bool m_asPostgres = false;
    QString m_error;
    int m_connections = 0;
};
