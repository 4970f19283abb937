#pragma once

#include "qqmlobjectlistmodel.h"
#include "targetelement.h"

#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QStringList>

namespace LibModel {

class ScoreCalculator;

Q_MOC_INCLUDE("scorecalculator.h")

// A target face as data: identity, paper extent, black aiming disc, the
// events it suits, its drawing and scoring elements in drawing order, and
// the calculator that scores shots on it.
class TargetDescriptor : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString uuid READ uuid WRITE set_uuid RESET reset_uuid NOTIFY uuidChanged)
    Q_PROPERTY(QString name READ name WRITE set_name RESET reset_name NOTIFY nameChanged)
    Q_PROPERTY(QString description READ description WRITE set_description RESET reset_description
                       NOTIFY descriptionChanged)
    Q_PROPERTY(QString comments READ comments WRITE set_comments RESET reset_comments NOTIFY
                       commentsChanged)
    Q_PROPERTY(QRectF world READ world WRITE set_world RESET reset_world NOTIFY worldChanged)
    Q_PROPERTY(double blackDiameter READ blackDiameter WRITE set_blackDiameter RESET
                       reset_blackDiameter NOTIFY blackDiameterChanged)
    Q_PROPERTY(QStringList compatibleEvents READ compatibleEvents WRITE set_compatibleEvents RESET
                       reset_compatibleEvents NOTIFY compatibleEventsChanged)
    Q_PROPERTY(QQmlObjectListModelBase *elements READ elementsModel CONSTANT)
    Q_PROPERTY(LibModel::ScoreCalculator *scoreCalculator READ scoreCalculator WRITE
                       set_scoreCalculator NOTIFY scoreCalculatorChanged)

public:
    using ElementModel = QQmlObjectListModel<TargetElement>;

    explicit TargetDescriptor(QObject *parent = nullptr);

    QString uuid() const { return m_uuid; }
    QString name() const { return m_name; }
    QString description() const { return m_description; }
    QString comments() const { return m_comments; }
    QRectF world() const { return m_world; }
    double blackDiameter() const { return m_blackDiameter; }
    QStringList compatibleEvents() const { return m_compatibleEvents; }
    ElementModel *elements() const { return m_elements; }
    QQmlObjectListModelBase *elementsModel() const { return m_elements; }
    ScoreCalculator *scoreCalculator() const;

    // The score of a hole of diameter `caliber` centred at `point`; NaN for
    // the null point (0, 0) or without a calculator.
    Q_INVOKABLE double breachScore(const QPointF &point, double caliber) const;

public slots:
    void set_uuid(const QString &value);
    void reset_uuid();
    void set_name(const QString &value);
    void reset_name();
    void set_description(const QString &value);
    void reset_description();
    void set_comments(const QString &value);
    void reset_comments();
    void set_world(const QRectF &value);
    void reset_world();
    void set_blackDiameter(double value);
    void reset_blackDiameter();
    void set_compatibleEvents(const QStringList &value);
    void reset_compatibleEvents();
    void set_scoreCalculator(LibModel::ScoreCalculator *value);
    void scoreCalculatorDestroyed();

signals:
    void uuidChanged(const QString &uuid);
    void nameChanged(const QString &name);
    void descriptionChanged(const QString &description);
    void commentsChanged(const QString &comments);
    void worldChanged(const QRectF &world);
    void blackDiameterChanged(double blackDiameter);
    void compatibleEventsChanged(const QStringList &compatibleEvents);
    void scoreCalculatorPreChanged(LibModel::ScoreCalculator *oldCalculator);
    void scoreCalculatorChanged(LibModel::ScoreCalculator *scoreCalculator);
    // Any element added, removed or changed.
    void shapeChanged();

private:
    QString m_uuid;
    QString m_name;
    QString m_description;
    QString m_comments;
    QRectF m_world;
    double m_blackDiameter;
    QStringList m_compatibleEvents;
    ElementModel *m_elements;
    QPointer<ScoreCalculator> m_scoreCalculator;
};

} // namespace LibModel
