#include "shotgroup.h"

#include <cmath>

namespace LibModel {

ShotGroup::ShotGroup(const QVector<QPointF> &breaches, const QVector<double> &results)
    : n(int(breaches.size()))
{
    double scoreSum = 0.0;
    int scored = 0;
    for (double result : results) {
        if (std::isfinite(result)) {
            scoreSum += result;
            ++scored;
        }
    }
    if (scored > 0)
        meanScore = scoreSum / scored;
    if (n == 0)
        return;

    double sumX = 0.0, sumY = 0.0;
    for (const QPointF &point : breaches) {
        sumX += point.x();
        sumY += point.y();
    }
    mpiX = sumX / n;
    mpiY = sumY / n;

    double radii = 0.0, squaresX = 0.0, squaresY = 0.0, widest = 0.0;
    for (qsizetype i = 0; i < breaches.size(); ++i) {
        const QPointF &point = breaches.at(i);
        const double dx = point.x() - mpiX, dy = point.y() - mpiY;
        radii += std::hypot(dx, dy);
        squaresX += dx * dx;
        squaresY += dy * dy;
        for (qsizetype j = i + 1; j < breaches.size(); ++j) {
            const QPointF &other = breaches.at(j);
            widest = std::max(widest, std::hypot(point.x() - other.x(), point.y() - other.y()));
        }
    }
    meanRadius = radii / n;
    extremeSpread = widest;
    if (n >= 2) {
        sdX = std::sqrt(squaresX / (n - 1));
        sdY = std::sqrt(squaresY / (n - 1));
    }
}

} // namespace LibModel
