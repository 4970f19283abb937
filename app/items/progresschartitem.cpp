#include "progresschartitem.h"
#include "archivereader.h"

#include <targetmanager.h>

#include <QPainter>

ProgressChartItem::ProgressChartItem(QQuickItem *parent)
    : QQuickPaintedItem(parent)
{ }

void ProgressChartItem::setArchive(ArchiveReader *archive)
{
    if (archive == m_archive)
        return;
    if (m_archive)
        disconnect(m_archive, nullptr, this, nullptr);
    m_archive = archive;
    if (m_archive)
        connect(m_archive, &ArchiveReader::progressRead, this, &ProgressChartItem::answered);
    emit archiveChanged();
    refresh();
}

void ProgressChartItem::setTargets(LibModel::TargetManager *targets)
{
    if (targets == m_targets)
        return;
    m_targets = targets;
    emit targetsChanged();
    rebuild();
}

void ProgressChartItem::setPersonId(qlonglong personId)
{
    if (personId == m_personId)
        return;
    m_personId = personId;
    emit personIdChanged();
    refresh();
}

void ProgressChartItem::refresh()
{
    const bool wasLoading = loading();
    m_ticket = 0;
    if (m_archive && m_personId > 0) {
        m_ticket = m_archive->readProgress(m_personId);
    } else {
        m_sessions.clear();
        m_failed = false;
        rebuild();
    }
    if (loading() != wasLoading)
        emit loadingChanged();
}

void ProgressChartItem::answered(int ticket, const QList<LibModel::SessionAnalysis> &sessions,
                                 bool ok)
{
    if (ticket != m_ticket)
        return;
    m_ticket = 0;
    m_sessions = ok ? sessions : QList<LibModel::SessionAnalysis>();
    m_failed = !ok;
    rebuild();
    emit loadingChanged();
}

void ProgressChartItem::rebuild()
{
    m_charts = ProgressChart::perTarget(m_sessions, m_targets);
    emit chartsChanged();
    update();
}

void ProgressChartItem::paint(QPainter *painter)
{
    if (m_charts.isEmpty())
        return;
    painter->setRenderHint(QPainter::Antialiasing);
    const double gap = 16.0;
    const double height
            = (this->height() - gap * double(m_charts.size() - 1)) / double(m_charts.size());
    for (int i = 0; i < m_charts.size(); ++i) {
        const QRectF area(0.0, i * (height + gap), width(), height);
        painter->fillRect(area, Qt::white);
        m_charts.at(i).paint(painter, area.adjusted(8, 8, -8, -8));
    }
}
