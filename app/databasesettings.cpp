#include "databasesettings.h"
#include "applicationdata.h"

#include <storage.h>

#include <QFileInfo>
#include <QSettings>
#include <QThread>

namespace {

LibModel::StorageLocation commandLineLocation;

QString onOneLine(const QString &text)
{
    return text.simplified();
}

} // namespace

QString DatabaseSettings::defaultFile()
{
    // The program's data folder, a demonstration's throw-away one included.
    return ApplicationData::dataLocation() + QStringLiteral("/storage.sqlite");
}

LibModel::StorageLocation DatabaseSettings::location()
{
    if (commandLineLocation.isValid())
        return commandLineLocation;
    const QString stored = QSettings().value(settingKey()).toString();
    const LibModel::StorageLocation fromSetting = LibModel::StorageLocation::parse(stored);
    if (!stored.trimmed().isEmpty() && fromSetting.isValid())
        return fromSetting;
    if (!stored.trimmed().isEmpty())
        qWarning("the stored database \"%s\" is not usable (%s): the default file is used",
                 qPrintable(stored), qPrintable(fromSetting.error()));
    return LibModel::StorageLocation::file(defaultFile());
}

bool DatabaseSettings::configure(const QStringList &arguments, QString *error)
{
    const QString name = QStringLiteral("--database");
    for (int i = 1; i < arguments.size(); ++i) {
        QString text;
        if (arguments.at(i) == name) {
            if (i + 1 >= arguments.size() || arguments.at(i + 1).startsWith(QLatin1String("--"))) {
                *error = QStringLiteral("--database needs a file path or a database address");
                return false;
            }
            text = arguments.at(++i);
        } else if (arguments.at(i).startsWith(name + QLatin1Char('='))) {
            text = arguments.at(i).mid(name.size() + 1);
        } else {
            continue;
        }
        const LibModel::StorageLocation location = LibModel::StorageLocation::parse(text);
        if (!location.isValid()) {
            *error = QStringLiteral("--database: %1").arg(location.error());
            return false;
        }
        commandLineLocation = location;
    }
    return true;
}

LibModel::StorageLocation DatabaseSettings::option()
{
    return commandLineLocation;
}

void DatabaseSettings::clearOption()
{
    commandLineLocation = LibModel::StorageLocation();
}

DatabaseSettings::DatabaseSettings(const LibModel::StorageLocation &inUse, QObject *parent)
    : QObject(parent)
    , m_inUse(inUse)
{ }

DatabaseSettings::~DatabaseSettings()
{
    if (m_thread) {
        m_thread->wait();
        delete m_thread;
    }
}

QString DatabaseSettings::stored() const
{
    return QSettings().value(settingKey()).toString();
}

bool DatabaseSettings::restartNeeded() const
{
    const QString text = stored();
    const LibModel::StorageLocation next = commandLineLocation.isValid()
            ? commandLineLocation
            : LibModel::StorageLocation::parse(text.isEmpty() ? defaultFile() : text);
    return next != m_inUse;
}

LibModel::StorageLocation DatabaseSettings::resolve(bool server, const QString &text, QString *why)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() && !server)
        return LibModel::StorageLocation::file(defaultFile());
    const LibModel::StorageLocation location = LibModel::StorageLocation::parse(trimmed);
    if (!location.isValid()) {
        *why = tr("Адрес не подходит: %1").arg(location.error());
    } else if (server && !location.isServer()) {
        //: Keep "postgresql://", the brackets, ":" and "/"; translate the words
        *why = tr("Адрес сервера пишется так: postgresql://[пользователь@]сервер[:порт]/база");
    } else if (!server && location.isServer()) {
        *why = tr("Для локального файла нужен путь к файлу, а не адрес сервера");
    } else {
        // The program may start in another folder next time.
        return location.isServer()
                ? location
                : LibModel::StorageLocation::file(QFileInfo(trimmed).absoluteFilePath());
    }
    return LibModel::StorageLocation();
}

void DatabaseSettings::report(const QString &message, bool failed)
{
    m_message = message;
    m_failed = failed;
    emit messageChanged();
}

bool DatabaseSettings::check(bool server, const QString &text)
{
    if (m_thread)
        return false;
    QString why;
    const LibModel::StorageLocation location = resolve(server, text, &why);
    if (!location.isValid()) {
        report(why, true);
        return false;
    }
    if (!location.isServer() && !QFileInfo::exists(location.filePath())) {
        report(tr("Файла ещё нет: он будет создан при первом запуске с ним"), false);
        emit checked(true);
        return true;
    }

    const QString connection
            = LibModel::Storage::uniqueConnectionName(QStringLiteral("kavro-check"));
    const QString database = location.text();
    m_thread = QThread::create([this, database, connection] {
        bool ok = false;
        QString message;
        {
            LibModel::Storage storage;
            storage.setBusyTimeout(1000);
            LibModel::Storage::Statistics statistics;
            if (storage.open(database, connection) && storage.statistics(&statistics)) {
                ok = true;
                // A text of the interface stays on one line.
                // clang-format off
                //: Database check: %1 schema version, then counts of shooters,
                //: sessions (exercises), traces and shots
                const QString text = tr("Подключение есть. Версия схемы: %1; стрелков: %2, упражнений: %3, трасс: %4, выстрелов: %5");
                // clang-format on
                message = text.arg(statistics.userVersion)
                                  .arg(statistics.persons)
                                  .arg(statistics.sessions)
                                  .arg(statistics.traces)
                                  .arg(statistics.shots);
            } else {
                const QString error = onOneLine(storage.lastError());
                message = tr("Не удалось подключиться: %1")
                                  .arg(error.isEmpty() ? tr("база данных не открылась") : error);
            }
            storage.removeConnection();
        }
        QMetaObject::invokeMethod(
                this, [this, ok, message] { finishCheck(ok, message); }, Qt::QueuedConnection);
    });
    m_thread->setObjectName(QStringLiteral("database check"));
    m_thread->start();
    emit checkingChanged();
    report(tr("Проверка..."), false);
    return true;
}

void DatabaseSettings::finishCheck(bool ok, const QString &message)
{
    if (m_thread) {
        m_thread->wait();
        delete m_thread;
        m_thread = nullptr;
        emit checkingChanged();
    }
    report(message, !ok);
    emit checked(ok);
}

bool DatabaseSettings::apply(bool server, const QString &text)
{
    QString why;
    const LibModel::StorageLocation location = resolve(server, text, &why);
    if (!location.isValid()) {
        report(why, true);
        return false;
    }
    QSettings settings;
    if (!location.isServer() && location.filePath() == defaultFile())
        settings.remove(settingKey());
    else
        settings.setValue(settingKey(), location.text());
    settings.sync();
    if (settings.status() != QSettings::NoError) {
        report(tr("Не удалось сохранить настройку"), true);
        return false;
    }
    emit storedChanged();
    // A text of the interface stays on one line.
    // clang-format off
    const QString later = tr("Сохранено. Программа запущена с --database: настройка подействует при запуске без него");
    // clang-format on
    if (commandLineLocation.isValid())
        report(later, false);
    else if (restartNeeded())
        report(tr("Сохранено. База данных сменится после перезапуска программы"), false);
    else
        report(tr("Сохранено"), false);
    return true;
}
