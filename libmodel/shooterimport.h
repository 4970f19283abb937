#pragma once

#include <QString>

namespace LibModel {

class Storage;

// Adds the persons of a JSON file (an array of objects) to the catalogue.
// Malformed entries are skipped; only problems with the file as a whole are
// reported.
class ShooterImport
{
public:
    ShooterImport() = delete;

    enum Result {
        Imported = 0,
        CannotOpen = 1,
        NotJson = 2,
        NotAnArray = 3,
        EmptyArray = 4,
    };

    static int importFile(const QString &filename, Storage *storage);
    // The same for a document already in memory (no CannotOpen).
    static int importData(const QByteArray &data, Storage *storage, int *added = nullptr);
};

} // namespace LibModel
