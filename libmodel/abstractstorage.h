#pragma once

#include "shooterrecord.h"

#include <QObject>

namespace LibModel {

class Session;

Q_MOC_INCLUDE("session.h")

// What a session needs of the database: finding and creating persons and
// writing itself. The storage implements it; tests may stand in.
class AbstractStorage : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // The person with that name, organisation and group (compared without
    // regard to letter case); a record with id 0 when there is none.
    virtual ShooterRecord findShooter(const QString &name, const QString &organization,
                                      const QString &group)
            = 0;
    // Stores a new person; a record with id 0 when that fails.
    virtual ShooterRecord createShooter(const QString &name, const QString &organization,
                                        const QString &group, const QVariantHash &properties)
            = 0;
    // Writes the whole session; false when nothing was written.
    virtual bool write(LibModel::Session *session) = 0;
    // Whether a session with that uuid is stored; *ok is false when the
    // question could not be answered.
    virtual bool hasSession(const QString &uuid, bool *ok) = 0;
    // Why the last write or question failed; empty after a successful write.
    virtual QString lastError() const { return QString(); }
};

} // namespace LibModel
