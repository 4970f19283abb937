#pragma once

#include "progresschart.h"

#include <QList>
#include <QString>

class QPainter;
class QPrinter;

namespace LibModel {
class SessionAnalysis;
struct SessionInfo;
class TargetManager;
} // namespace LibModel

// A shooter's progress on paper: the name, one chart per target face the
// shooter used (in the order of first use) and a table of the sessions,
// oldest first. Charts and rows that do not fit go on to further pages,
// which repeat the name and the table's header.
class ProgressPrintout
{
public:
    struct Row
    {
        qint64 timer = 0;
        QString target;
        int shots = 0;
        QString result;
        double meanScore = 0.0;
        double meanRadius = 0.0;
    };

    void setShooterName(const QString &name) { m_name = name; }
    // The analyses of the shooter's sessions, oldest first, with the
    // sessions' stored summaries (matched by id) for the shot count and the
    // result; the faces' names come from `targets` (their uuids when not
    // found there).
    void setSessions(const QList<LibModel::SessionAnalysis> &analyses,
                     const QList<LibModel::SessionInfo> &infos,
                     const LibModel::TargetManager *targets);

    const QList<ProgressChart> &charts() const { return m_charts; }
    const QList<Row> &rows() const { return m_rows; }

    // Paints the pages; their count, 0 when the printer cannot be painted.
    int print(QPrinter *printer) const;

private:
    // A page's top: the name, the title on the first page. Returns the
    // height it takes.
    double paintHeading(QPainter *painter, double width, int page) const;
    // The header row of the table at `top`; returns its height.
    static double paintTableHeader(QPainter *painter, double top, double width, double height);
    static void paintRow(QPainter *painter, const Row &row, double top, double width,
                         double height);

    QString m_name;
    QList<ProgressChart> m_charts;
    QList<Row> m_rows;
};
