#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QPrinter;

namespace LibModel {
class TargetDescriptor;
}

Q_MOC_INCLUDE("targetdescriptor.h")

// A paper target face printed to scale, so that a face made for one
// shooting distance can hang at another: the face is scaled by
// distanceToPrintout / distance. The printing page sets the face, a title,
// the two distances and the simplified switch (optional elements left out),
// then prints or previews.
class TargetPrintout : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool valid READ valid NOTIFY validChanged)
    Q_PROPERTY(LibModel::TargetDescriptor *targetDescriptor READ targetDescriptor WRITE
                       setTargetDescriptor NOTIFY targetDescriptorChanged)
    Q_PROPERTY(QString title READ title WRITE setTitle NOTIFY titleChanged)
    Q_PROPERTY(double distance READ distance WRITE setDistance NOTIFY distanceChanged)
    Q_PROPERTY(double distanceToPrintout READ distanceToPrintout WRITE setDistanceToPrintout NOTIFY
                       distanceToPrintoutChanged)
    Q_PROPERTY(bool simplified READ simplified WRITE setSimplified NOTIFY simplifiedChanged)

public:
    explicit TargetPrintout(QObject *parent = nullptr);

    bool valid() const { return !m_targetDescriptor.isNull(); }
    LibModel::TargetDescriptor *targetDescriptor() const { return m_targetDescriptor; }
    QString title() const { return m_title; }
    // The distance the face is made for, in metres.
    double distance() const { return m_distance; }
    // The distance at which the printed sheet will hang, in metres.
    double distanceToPrintout() const { return m_distanceToPrintout; }
    bool simplified() const { return m_simplified; }

    void setTargetDescriptor(LibModel::TargetDescriptor *descriptor);
    void setTitle(const QString &title);
    void setDistance(double distance);
    void setDistanceToPrintout(double distance);
    void setSimplified(bool simplified);

public slots:
    // The print dialog on a high-resolution printer; prints when accepted.
    void print();
    // The print-preview dialog on a screen-resolution printer.
    void preview();
    // Paints the sheet on a printer; nothing without a target face.
    void printDocument(QPrinter *printer);

signals:
    void validChanged();
    void targetDescriptorChanged();
    void titleChanged();
    void distanceChanged();
    void distanceToPrintoutChanged();
    void simplifiedChanged();

private:
    QString m_title;
    double m_distance = 10.0;
    double m_distanceToPrintout = 10.0;
    bool m_simplified = false;
    QPointer<LibModel::TargetDescriptor> m_targetDescriptor;
};
