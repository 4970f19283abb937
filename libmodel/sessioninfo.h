#pragma once

#include "shooterrecord.h"

#include <QMetaType>
#include <QString>
#include <QVariantHash>

namespace LibModel {

// Summary of one stored session, as shown in the archive and the
// competition tables. The place texts are filled in by SessionInfoModel.
struct SessionInfo
{
    uint id = 0;
    qint64 timer = -1; // start, milliseconds since the epoch
    QString comments;
    int shotCount = 0;
    ShooterRecord person; // empty in per-person lists
    int result = 0; // sum of truncated shot results; ranked as a 16-bit unsigned value
    QString place;
    QString placeReal;
    QString timePlace;
    QVariantHash properties; // the session's property map
    bool isGto = false;
};

} // namespace LibModel

Q_DECLARE_METATYPE(LibModel::SessionInfo)
