#pragma once

#include <QObject>
#include <QPointer>

// One row of the shot table beside a target: what kind of row it is and the
// object it shows (a series, a shot or the session). Rows are made by
// ShotListModel; QML picks a delegate by the row type.
class SerieListItem : public QObject
{
    Q_OBJECT
    Q_PROPERTY(RowType rowType READ rowType CONSTANT)
    Q_PROPERTY(QObject *object READ object CONSTANT)

public:
    enum RowType {
        UndefinedRow = 0,
        SerieTitleRow = 1,
        SerieTargetRow = 2,
        ShotRow = 3,
        SerieSummaryRow = 4,
        SessionSummaryRow = 5,
        TrySerieTitleRow = 6,
        TryShotRow = 7
    };
    Q_ENUM(RowType)

    SerieListItem(RowType rowType, QObject *object, QObject *parent = nullptr);

    RowType rowType() const { return m_rowType; }
    // Null once the shown object is gone.
    QObject *object() const { return m_object; }

private:
    RowType m_rowType;
    QPointer<QObject> m_object;
};
