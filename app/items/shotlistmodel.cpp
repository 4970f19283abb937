#include "shotlistmodel.h"

#include <serie.h>
#include <session.h>
#include <shot.h>

ShotListModel::ShotListModel(QQuickItem *parent)
    : QQuickItem(parent)
{ }

void ShotListModel::setModel(const QVariant &model)
{
    if (model == m_model)
        return;
    m_model = model;
    const QMetaType listType = QMetaType::fromType<QQmlListReference>();
    if (model.metaType() == listType) {
        m_list = model.value<QQmlListReference>();
    } else {
        QVariant converted = model;
        m_list = converted.convert(listType) ? converted.value<QQmlListReference>()
                                             : QQmlListReference();
    }
    rebuild();
}

void ShotListModel::setShowSeries(bool show)
{
    if (show == m_showSeries)
        return;
    m_showSeries = show;
    rebuild();
    emit showSeriesChanged();
}

void ShotListModel::setCalibrationSerie(bool calibration)
{
    if (calibration == m_calibrationSerie)
        return;
    m_calibrationSerie = calibration;
    rebuild();
    emit calibrationSerieChanged();
}

QQmlListProperty<SerieListItem> ShotListModel::objects()
{
    return QQmlListProperty<SerieListItem>(
            this, &m_rows,
            [](QQmlListProperty<SerieListItem> *list) {
                return static_cast<QList<SerieListItem *> *>(list->data)->size();
            },
            [](QQmlListProperty<SerieListItem> *list, qsizetype i) {
                return static_cast<QList<SerieListItem *> *>(list->data)->at(i);
            });
}

void ShotListModel::appendRow(SerieListItem::RowType type, QObject *object)
{
    m_rows.append(new SerieListItem(type, object, this));
}

void ShotListModel::rebuild()
{
    // The views re-read `objects` on modelChanged, before the old rows go.
    for (SerieListItem *row : std::as_const(m_rows))
        row->deleteLater();
    m_rows.clear();

    if (m_list.isValid()) {
        LibModel::Serie *current = nullptr;
        LibModel::Shot *last = nullptr;
        const qsizetype count = m_list.count();
        for (qsizetype i = 0; i < count; ++i) {
            auto *shot = qobject_cast<LibModel::Shot *>(m_list.at(i));
            if (!shot)
                continue;
            LibModel::Serie *serie = shot->serie();
            if (!last || serie != current) {
                if (last)
                    appendRow(SerieListItem::SerieSummaryRow, current);
                current = serie;
                appendRow(SerieListItem::SerieTitleRow, current);
                if (m_showSeries)
                    appendRow(SerieListItem::SerieTargetRow, current);
            }
            appendRow(SerieListItem::ShotRow, shot);
            last = shot;
        }
        // Every non-empty list is closed by its last series' summary and the
        // session's, also when the last shot opened a new series.
        if (last) {
            appendRow(SerieListItem::SerieSummaryRow, current);
            appendRow(SerieListItem::SessionSummaryRow, last->session());
        }
    }
    emit modelChanged();
}
