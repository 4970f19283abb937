#pragma once

#include <QColor>
#include <QObject>

namespace LibModel {

// A named colour shared by the elements of target faces. The manager keeps
// one object per standard type and one per custom RGBA value.
class TargetElementColor : public QObject
{
    Q_OBJECT
    Q_PROPERTY(Type type READ type NOTIFY typeChanged)
    Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY colorChanged)

public:
    enum Type { Transparent = 0, Black = 1, White = 2, Swamp = 3, Custom = 4 };
    Q_ENUM(Type)

    TargetElementColor(Type type, const QColor &color, QObject *parent = nullptr);

    Type type() const { return m_type; }
    QColor color() const { return m_color; }

    // The colour a standard type starts with.
    static QColor standardColor(Type type);

public slots:
    // Only the black, white and swamp colours can be changed.
    void setColor(const QColor &color);

signals:
    void typeChanged(LibModel::TargetElementColor::Type type);
    void colorChanged();

private:
    const Type m_type;
    QColor m_color;
};

} // namespace LibModel
