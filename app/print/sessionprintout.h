#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVector>

class QPrinter;

namespace LibModel {
class Session;
class SessionInfoModel;
} // namespace LibModel

Q_MOC_INCLUDE("session.h")
Q_MOC_INCLUDE("sessioninfomodel.h")

// Prints one session (a page with two header lines, the line of the shots'
// group and the target face with the shot holes) or a competition protocol
// (a ruled table of the sessions of a SessionInfoModel). The printing and
// archive pages set the session or the model, the headers, the fitness-norm
// flag, the zoom and the column widths, then print through the print dialog
// or show a preview.
class SessionPrintout : public QObject
{
    Q_OBJECT
    Q_PROPERTY(LibModel::Session *session READ session WRITE setSession NOTIFY sessionChanged)
    Q_PROPERTY(LibModel::SessionInfoModel *model READ model WRITE setModel NOTIFY modelChanged)
    Q_PROPERTY(bool isGto READ isGto WRITE setIsGto NOTIFY isGtoChanged)

public:
    explicit SessionPrintout(QObject *parent = nullptr);

    LibModel::Session *session() const { return m_session; }
    LibModel::SessionInfoModel *model() const { return m_model; }
    QString header() const { return m_header; }
    QString header2() const { return m_header2; }
    bool isGto() const { return m_isGto; }
    // Column widths of the protocol as fractions of the page width.
    const QVector<double> &widths() const { return m_widths; }
    double zoom() const { return m_zoom; }

    // The session page's line of the group: the hits, the mean point of
    // impact, the extreme spread and the mean radius, in mm with one
    // decimal ("—" for a value the group does not define).
    static QString groupText(const LibModel::Session &session);
    // A printed value with one decimal; "—" for none.
    static QString oneDecimal(double value);

public slots:
    // The print dialog on a high-resolution printer; when accepted, the
    // protocol (tableMode) or the session page is printed.
    void print(bool tableMode);
    void print() { print(false); }
    // The print-preview dialog; nothing without a session or a model.
    void printPreview(bool tableMode);
    void printPreview() { printPreview(false); }
    // The session page.
    void printDocument(QPrinter *printer);
    // The competition protocol; nothing without a model.
    void printTable(QPrinter *printer);

    void setSession(LibModel::Session *session);
    void setModel(LibModel::SessionInfoModel *model);
    void setHeader(const QString &header) { m_header = header; }
    void setHeader2(const QString &header) { m_header2 = header; }
    void setIsGto(bool value);
    // Magnification of the target face on the session page.
    void setZoom(double value) { m_zoom = value; }
    void clearWidthVector() { m_widths.clear(); }
    void appendWidth(double value) { m_widths.append(value); }

signals:
    void sessionChanged();
    void modelChanged();
    void isGtoChanged();

private:
    QPointer<LibModel::Session> m_session;
    QPointer<LibModel::SessionInfoModel> m_model;
    QString m_header;
    QString m_header2;
    bool m_isGto = false;
    QVector<double> m_widths;
    double m_zoom = 1.0;
};
