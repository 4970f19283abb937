#pragma once

#include "qqmlobjectlistmodel.h"
#include "targetdescriptor.h"
#include "targetelementcolor.h"

#include <QHash>
#include <QObject>
#include <QPolygonF>
#include <QStringList>
#include <QVector>

namespace LibModel {

// The catalogue of target faces and the shared element colours. One per
// process, made at start-up; it builds the built-in faces in its constructor.
class TargetManager : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QQmlObjectListModelBase *targets READ targetsModel CONSTANT)
    Q_PROPERTY(QStringList colorNames READ colorNames NOTIFY colorNamesChanged)

public:
    using TargetModel = QQmlObjectListModel<TargetDescriptor>;

    // A ring number drawn on a face: ring k (1-based) at an angle in
    // radians, 0 = right of the centre, pi/2 = above it.
    struct RingLabel
    {
        int ring;
        double angle;
    };

    static constexpr const char *AirRifleUuid = "{26044802-5B13-48d6-A5F8-BE777C9BED82}";
    static constexpr const char *AirPistolUuid = "{EE802967-C378-4ed8-B61A-609EC5061BBD}";
    static constexpr const char *SmallBoreRifleUuid = "{4225AED6-4494-4c42-970C-0733074F462A}";
    static constexpr const char *SmallBorePistolUuid = "{BF0CCDC6-E68C-4cdb-8095-1DB0B4B168BF}";
    static constexpr const char *ChestFigureUuid = "{401BEAC6-B6AA-4D42-98C0-6431EA2E0D0F}";

    explicit TargetManager(QObject *parent = nullptr);
    ~TargetManager() override;

    // The process-wide manager; null while none exists.
    static TargetManager *instance();

    TargetModel *targets() const { return m_targets; }
    QQmlObjectListModelBase *targetsModel() const { return m_targets; }
    QStringList colorNames() const { return m_colorNames; }

    Q_INVOKABLE void appendTarget(LibModel::TargetDescriptor *descriptor);
    Q_INVOKABLE LibModel::TargetDescriptor *findByUuid(const QString &uuid) const;
    // A descriptor by uuid or, failing that, by name; null when neither.
    LibModel::TargetDescriptor *findByUuidOrName(const QString &key) const;
    Q_INVOKABLE LibModel::TargetElementColor *getColor(int colorType);
    Q_INVOKABLE LibModel::TargetElementColor *getColor(const QColor &color);

signals:
    void colorNamesChanged(const QStringList &colorNames);

private:
    void addBuiltInTargets();
    TargetDescriptor *addRingTarget(const QString &name, const QString &uuid,
                                    const QStringList &events, const QRectF &world,
                                    const QPolygonF &figure, const QPolygonF &clip,
                                    double blackDiameter, double innerTenDiameter,
                                    bool innerTenFilled, double ringPen, double innerPen,
                                    double labelHeight, const QVector<qreal> &rings,
                                    const QVector<RingLabel> &labels);
    // Steps shared by the ring faces and the chest figure: the descriptor
    // with its elements, without calculator and not yet in the catalogue.
    TargetDescriptor *buildRingTarget(const QString &name, const QString &uuid,
                                      const QStringList &events, const QRectF &world,
                                      const QPolygonF &figure, const QPolygonF &clip,
                                      double blackDiameter, double innerTenDiameter,
                                      bool innerTenFilled, double ringPen, double innerPen,
                                      double labelHeight, const QVector<qreal> &rings,
                                      const QVector<RingLabel> &labels);
    void addChestFigureTarget();
    TargetElement *addElement(TargetDescriptor *descriptor, TargetElement::Type type);

    TargetModel *m_targets;
    QStringList m_colorNames;
    QHash<int, TargetElementColor *> m_standardColors;
    QHash<QRgb, TargetElementColor *> m_customColors;
};

} // namespace LibModel
