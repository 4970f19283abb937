#pragma once

#include "progresschart.h"

#include <QPointer>
#include <QQuickPaintedItem>

#include "archivereader.h"

#include <sessionanalysis.h>
#include <targetmanager.h>

// A shooter's progress on screen: one chart per target face used, stacked,
// painted as on the progress page. The groups are read by the archive's
// worker thread whenever the person changes or refresh() is called.
class ProgressChartItem : public QQuickPaintedItem
{
    Q_OBJECT
    Q_PROPERTY(ArchiveReader *archive READ archive WRITE setArchive NOTIFY archiveChanged)
    Q_PROPERTY(LibModel::TargetManager *targets READ targets WRITE setTargets NOTIFY targetsChanged)
    Q_PROPERTY(qlonglong personId READ personId WRITE setPersonId NOTIFY personIdChanged)
    Q_PROPERTY(int chartCount READ chartCount NOTIFY chartsChanged)
    // Sessions shown over all charts.
    Q_PROPERTY(int sessionCount READ sessionCount NOTIFY chartsChanged)
    Q_PROPERTY(bool loading READ loading NOTIFY loadingChanged)
    Q_PROPERTY(bool failed READ failed NOTIFY chartsChanged)

public:
    explicit ProgressChartItem(QQuickItem *parent = nullptr);

    ArchiveReader *archive() const { return m_archive; }
    void setArchive(ArchiveReader *archive);
    LibModel::TargetManager *targets() const { return m_targets; }
    void setTargets(LibModel::TargetManager *targets);
    qlonglong personId() const { return m_personId; }
    void setPersonId(qlonglong personId);
    int chartCount() const { return int(m_charts.size()); }
    int sessionCount() const { return int(m_sessions.size()); }
    bool loading() const { return m_ticket != 0; }
    bool failed() const { return m_failed; }

    Q_INVOKABLE void refresh();

    void paint(QPainter *painter) override;

signals:
    void archiveChanged();
    void targetsChanged();
    void personIdChanged();
    void chartsChanged();
    void loadingChanged();

private:
    void answered(int ticket, const QList<LibModel::SessionAnalysis> &sessions, bool ok);
    void rebuild();

    QPointer<ArchiveReader> m_archive;
    QPointer<LibModel::TargetManager> m_targets;
    qlonglong m_personId = 0;
    int m_ticket = 0;
    bool m_failed = false;
    QList<LibModel::SessionAnalysis> m_sessions;
    QList<ProgressChart> m_charts;
};
