#pragma once

#include <QMetaType>
#include <QString>
#include <QVariantHash>

namespace LibModel {

// One person as stored in the catalogue. Built by the storage and by the
// shooter import through the setters, which normalise whitespace and mark
// the record dirty (also when the text is unchanged).
class ShooterRecord
{
public:
    qint64 id = 0; // 0: not stored yet
    bool isDirty = false;
    QString name;
    QString organization;
    QString group;
    QVariantHash properties;

    void setName(const QString &value);
    void setOrganization(const QString &value);
    void setGroup(const QString &value);
    void setProperties(const QVariantHash &value);

    friend bool operator==(const ShooterRecord &a, const ShooterRecord &b);
    friend bool operator!=(const ShooterRecord &a, const ShooterRecord &b) { return !(a == b); }
};

} // namespace LibModel

Q_DECLARE_METATYPE(LibModel::ShooterRecord)
