#pragma once

#include "targetelementcolor.h"

#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QPolygonF>
#include <QRectF>
#include <QString>

namespace LibModel {

// One drawing and scoring element of a target face, in target millimetres
// (x to the right, y downward). Clip elements are not drawn: they restrict
// the elements after them and, for the complex calculator, the scoring area.
class TargetElement : public QObject
{
    Q_OBJECT
    Q_PROPERTY(Type type READ type WRITE set_type RESET reset_type NOTIFY typeChanged)
    Q_PROPERTY(QString typeName READ typeName NOTIFY typeChanged)
    Q_PROPERTY(QRectF rect READ rect WRITE set_rect RESET reset_rect NOTIFY rectChanged)
    Q_PROPERTY(QPointF point READ point WRITE set_point RESET reset_point NOTIFY pointChanged)
    Q_PROPERTY(QString fontFamily READ fontFamily WRITE set_fontFamily RESET reset_fontFamily NOTIFY
                       fontFamilyChanged)
    Q_PROPERTY(double fontHeight READ fontHeight WRITE set_fontHeight RESET reset_fontHeight NOTIFY
                       fontHeightChanged)
    Q_PROPERTY(bool fontBold READ fontBold WRITE set_fontBold RESET reset_fontBold NOTIFY
                       fontBoldChanged)
    Q_PROPERTY(bool fontItalic READ fontItalic WRITE set_fontItalic RESET reset_fontItalic NOTIFY
                       fontItalicChanged)
    Q_PROPERTY(bool fontOverline READ fontOverline WRITE set_fontOverline RESET reset_fontOverline
                       NOTIFY fontOverlineChanged)
    Q_PROPERTY(bool fontStrikeOut READ fontStrikeOut WRITE set_fontStrikeOut RESET
                       reset_fontStrikeOut NOTIFY fontStrikeOutChanged)
    Q_PROPERTY(bool fontUnderline READ fontUnderline WRITE set_fontUnderline RESET
                       reset_fontUnderline NOTIFY fontUnderlineChanged)
    Q_PROPERTY(double fontLetterSpacing READ fontLetterSpacing WRITE set_fontLetterSpacing RESET
                       reset_fontLetterSpacing NOTIFY fontLetterSpacingChanged)
    Q_PROPERTY(int fontStretch READ fontStretch WRITE set_fontStretch RESET reset_fontStretch NOTIFY
                       fontStretchChanged)
    Q_PROPERTY(LibModel::TargetElementColor *penColor READ penColor WRITE set_penColor NOTIFY
                       penColorChanged)
    Q_PROPERTY(LibModel::TargetElementColor *brushColor READ brushColor WRITE set_brushColor NOTIFY
                       brushColorChanged)
    Q_PROPERTY(QString text READ text WRITE set_text RESET reset_text NOTIFY textChanged)
    Q_PROPERTY(double penWidth READ penWidth WRITE set_penWidth RESET reset_penWidth NOTIFY
                       penWidthChanged)
    Q_PROPERTY(bool penCosmetic READ penCosmetic WRITE set_penCosmetic RESET reset_penCosmetic
                       NOTIFY penCosmeticChanged)
    Q_PROPERTY(bool clip READ clip WRITE set_clip RESET reset_clip NOTIFY clipChanged)
    Q_PROPERTY(bool optional READ optional WRITE set_optional RESET reset_optional NOTIFY
                       optionalChanged)
    Q_PROPERTY(double result READ result WRITE set_result RESET reset_result NOTIFY resultChanged)
    Q_PROPERTY(bool calcAfterRings READ calcAfterRings WRITE set_calcAfterRings RESET
                       reset_calcAfterRings NOTIFY calcAfterRingsChanged)

public:
    enum Type { Rectangle = 0, Ellipse = 1, Text = 2, Polyline = 3, Polygon = 4 };
    Q_ENUM(Type)

    // Takes its default colours from the process-wide target manager, which
    // must exist.
    explicit TargetElement(QObject *parent = nullptr);

    Type type() const { return m_type; }
    QString typeName() const;
    QRectF rect() const { return m_rect; }
    QPointF point() const { return m_point; }
    QString fontFamily() const { return m_fontFamily; }
    double fontHeight() const { return m_fontHeight; }
    bool fontBold() const { return m_fontBold; }
    bool fontItalic() const { return m_fontItalic; }
    bool fontOverline() const { return m_fontOverline; }
    bool fontStrikeOut() const { return m_fontStrikeOut; }
    bool fontUnderline() const { return m_fontUnderline; }
    double fontLetterSpacing() const { return m_fontLetterSpacing; }
    int fontStretch() const { return m_fontStretch; }
    TargetElementColor *penColor() const { return m_penColor; }
    TargetElementColor *brushColor() const { return m_brushColor; }
    QString text() const { return m_text; }
    double penWidth() const { return m_penWidth; }
    bool penCosmetic() const { return m_penCosmetic; }
    bool clip() const { return m_clip; }
    bool optional() const { return m_optional; }
    double result() const { return m_result; }
    bool calcAfterRings() const { return m_calcAfterRings; }
    const QPolygonF &polygon() const { return m_polygon; }

    // Whether a bullet hole of diameter `caliber` (mm) centred at `point`
    // touches the element. Text and polylines contain nothing.
    Q_INVOKABLE bool contains(const QPointF &point, double caliber) const;

public slots:
    void set_type(LibModel::TargetElement::Type value);
    void reset_type();
    void set_rect(const QRectF &value);
    void reset_rect();
    void set_point(const QPointF &value);
    void reset_point();
    void set_fontFamily(const QString &value);
    void reset_fontFamily();
    void set_fontHeight(double value);
    void reset_fontHeight();
    void set_fontBold(bool value);
    void reset_fontBold();
    void set_fontItalic(bool value);
    void reset_fontItalic();
    void set_fontOverline(bool value);
    void reset_fontOverline();
    void set_fontStrikeOut(bool value);
    void reset_fontStrikeOut();
    void set_fontUnderline(bool value);
    void reset_fontUnderline();
    void set_fontLetterSpacing(double value);
    void reset_fontLetterSpacing();
    void set_fontStretch(int value);
    void reset_fontStretch();
    void set_penColor(LibModel::TargetElementColor *value);
    void set_brushColor(LibModel::TargetElementColor *value);
    void set_text(const QString &value);
    void reset_text();
    void set_penWidth(double value);
    void reset_penWidth();
    void set_penCosmetic(bool value);
    void reset_penCosmetic();
    void set_clip(bool value);
    void reset_clip();
    void set_optional(bool value);
    void reset_optional();
    void set_result(double value);
    void reset_result();
    void set_calcAfterRings(bool value);
    void reset_calcAfterRings();
    void setPolygon(const QPolygonF &value);

    void penColorDestroyed();
    void brushColorDestroyed();

signals:
    void typeChanged(LibModel::TargetElement::Type type);
    void rectChanged(const QRectF &rect);
    void pointChanged(const QPointF &point);
    void fontFamilyChanged(const QString &fontFamily);
    void fontHeightChanged(double fontHeight);
    void fontBoldChanged(bool fontBold);
    void fontItalicChanged(bool fontItalic);
    void fontOverlineChanged(bool fontOverline);
    void fontStrikeOutChanged(bool fontStrikeOut);
    void fontUnderlineChanged(bool fontUnderline);
    void fontLetterSpacingChanged(double fontLetterSpacing);
    void fontStretchChanged(int fontStretch);
    void penColorPreChanged(LibModel::TargetElementColor *oldColor);
    void penColorChanged(LibModel::TargetElementColor *penColor);
    void brushColorPreChanged(LibModel::TargetElementColor *oldColor);
    void brushColorChanged(LibModel::TargetElementColor *brushColor);
    void textChanged(const QString &text);
    void penWidthChanged(double penWidth);
    void penCosmeticChanged(bool penCosmetic);
    void clipChanged(bool clip);
    void optionalChanged(bool optional);
    void resultChanged(double result);
    void calcAfterRingsChanged(bool calcAfterRings);
    void polygonChanged();

private:
    bool rectangleContains(const QPointF &p, double r) const;
    bool ellipseContains(const QPointF &p, double r) const;
    bool polygonContains(const QPointF &p, double caliber) const;

    Type m_type = Rectangle;
    QRectF m_rect;
    QPointF m_point;
    QString m_fontFamily;
    double m_fontHeight;
    bool m_fontBold = false;
    bool m_fontItalic = false;
    bool m_fontOverline = false;
    bool m_fontStrikeOut = false;
    bool m_fontUnderline = false;
    double m_fontLetterSpacing = 100.0;
    int m_fontStretch = 100;
    QPointer<TargetElementColor> m_penColor;
    QPointer<TargetElementColor> m_brushColor;
    QString m_text;
    double m_penWidth = 0.0;
    bool m_penCosmetic = false;
    bool m_clip = false;
    bool m_optional = false;
    double m_result;
    bool m_calcAfterRings = false;
    QPolygonF m_polygon;
};

} // namespace LibModel
