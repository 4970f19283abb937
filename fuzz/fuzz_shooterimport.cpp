// Feeds arbitrary documents to the shooter import, with a storage on an
// in-memory database, and checks that the import added no more persons
// than the document has entries and that the storage still answers.
#include "quietmessages.h"

#include <shooterimport.h>
#include <shootermodel.h>
#include <storage.h>

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <cstdint>
#include <cstdlib>

using LibModel::ShooterImport;
using LibModel::Storage;

namespace {

Storage *storage = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // The database driver is a plugin: it needs an application object.
    static QCoreApplication application(*argc, *argv);
    installQuietMessageHandler();
    storage = new Storage;
    if (!storage->open(QStringLiteral(":memory:"), QStringLiteral("fuzz")))
        std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray document(reinterpret_cast<const char *>(data), qsizetype(size));
    int added = -1;
    const int result = ShooterImport::importData(document, storage, &added);
    if (result < ShooterImport::Imported || result > ShooterImport::EmptyArray || added < 0)
        std::abort();
    if (result != ShooterImport::Imported && added != 0)
        std::abort();
    if (added > 0) {
        const QJsonDocument parsed = QJsonDocument::fromJson(document);
        if (added > parsed.array().size() || storage->shooters()->records().size() != added)
            std::abort();
    }

    // Every input starts from an empty catalogue.
    QSqlQuery query(QSqlDatabase::database(QStringLiteral("fuzz")));
    if (!query.exec(QStringLiteral("DELETE FROM persons;")) || !storage->reloadShooters())
        std::abort();
    return 0;
}
