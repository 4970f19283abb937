#pragma once

#include <QCoreApplication>
#include <QFont>
#include <QString>
#include <QStringList>
#include <QVector>

class QPainter;
class QPrinter;

namespace LibModel {
class SessionInfoModel;
}

// The ruled table of a competition protocol on a printer: a title line
// with the page number and the header on every page, a column header block
// three lines high, then one line per session, as many as fit on a page.
// Columns run from the page's left edge; a column is as wide as its
// fraction of the page width when one is given, else as its widest header
// line. Cell texts that do not fit their column are shortened with "…".
class ProtocolTable
{
    Q_DECLARE_TR_FUNCTIONS(ProtocolTable)

public:
    struct Column
    {
        QStringList header; // one text per line, with a space on each side
        int role; // SessionInfoModel role of the cells
        bool oneDecimal; // cells as numbers in fixed notation, one decimal
    };

    // Header lines of the column block.
    static constexpr int HeaderLines = 3;

    // The fitness-norm protocol (isGto) has ten columns, the ordinary one
    // seven. `widths` holds fractions of the page width for the first
    // columns.
    ProtocolTable(QPrinter *printer, bool isGto, const QVector<double> &widths);

    static QVector<Column> columns(bool isGto);

    const QFont &font() const { return m_font; }
    const QVector<Column> &columns() const { return m_columns; }
    // The left edge of every column and, last, the right edge of the table,
    // in device pixels from the page's left edge.
    const QVector<double> &columnEdges() const { return m_edges; }
    double rowHeight() const { return m_rowHeight; }
    // Rows that fit on a page below the title line and the header block.
    int rowsPerPage() const;
    int pageCount(int rows) const;

    // Paints every row of the model, rows in model order, starting a new
    // printer page for each page after the first. An empty model draws
    // nothing.
    void print(QPainter *painter, QPrinter *printer, const LibModel::SessionInfoModel *model,
               const QString &header) const;

    // Width fractions that give every column its widest text, header line
    // or cell, and together fill the page width. When the texts are too
    // wide for the page, the narrower columns keep their room and the
    // widest ones share the rest equally.
    QVector<double> fittedWidths(const LibModel::SessionInfoModel *model, QPrinter *printer) const;

    // A cell as printed; one-decimal cells show 0.0 for a missing value.
    static QString cellText(const Column &column, const QVariant &value);

private:
    void printPage(QPainter *painter, const LibModel::SessionInfoModel *model,
                   const QString &header, int page, int firstRow, int rowCount) const;
    // The top of the first row.
    double bodyTop() const;

    QFont m_font;
    double m_pageWidth;
    double m_pageHeight;
    double m_lineHeight; // one line of text
    double m_rowHeight; // a title line or a row: a line of text and a gap
    double m_padding; // between a cell's left rule and its text
    double m_ruleWidth;
    QVector<Column> m_columns;
    QVector<double> m_edges;
};
