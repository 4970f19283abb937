#pragma once

#include "serielistitem.h"

#include <QList>
#include <QQmlListProperty>
#include <QQmlListReference>
#include <QQuickItem>
#include <QVariant>

// Flattens a list of shots (a session's `shots`) into the rows of the shot
// table: per series a title row, optionally a row for the series' target
// picture, one row per shot and a summary row; then one row for the whole
// session. The rows are rebuilt wholesale whenever an input changes; the
// list itself is not watched, QML reassigns `model` instead.
class ShotListModel : public QQuickItem
{
    Q_OBJECT
    Q_PROPERTY(QVariant model READ model WRITE setModel NOTIFY modelChanged)
    Q_PROPERTY(bool showSeries READ showSeries WRITE setShowSeries NOTIFY showSeriesChanged)
    Q_PROPERTY(bool calibrationSerie READ calibrationSerie WRITE setCalibrationSerie NOTIFY
                       calibrationSerieChanged)
    Q_PROPERTY(QQmlListProperty<SerieListItem> objects READ objects NOTIFY modelChanged)

public:
    explicit ShotListModel(QQuickItem *parent = nullptr);

    QVariant model() const { return m_model; }
    void setModel(const QVariant &model);
    bool showSeries() const { return m_showSeries; }
    void setShowSeries(bool show);
    bool calibrationSerie() const { return m_calibrationSerie; }
    void setCalibrationSerie(bool calibration);

    QQmlListProperty<SerieListItem> objects();
    const QList<SerieListItem *> &rows() const { return m_rows; }
    Q_INVOKABLE int count() const { return int(m_rows.size()); }

signals:
    void modelChanged();
    void showSeriesChanged();
    void calibrationSerieChanged();

private:
    void rebuild();
    void appendRow(SerieListItem::RowType type, QObject *object);

    QVariant m_model;
    QQmlListReference m_list;
    bool m_showSeries = true;
    bool m_calibrationSerie = true;
    QList<SerieListItem *> m_rows;
};
