#include "qmltypes.h"
#include "applicationdata.h"
#include "exercise.h"
#include "progresschartitem.h"
#include "rangedata.h"
#include "serielistitem.h"
#include "sessionanalysisview.h"
#include "sessionprintout.h"
#include "shotlistmodel.h"
#include "targetitem.h"
#include "targetprintout.h"
#include "traceitem.h"
#include "traceselection.h"
#include "traceselectionitem.h"
#include "traceselectionshotitem.h"

#include <qqmlobjectlistmodelbase.h>
#include <serie.h>
#include <session.h>
#include <sessioninfomodel.h>
#include <shootermodel.h>
#include <shot.h>
#include <sortfilterproxymodel.h>
#include <storage.h>
#include <targetdescriptor.h>
#include <targetelement.h>
#include <targetelementcolor.h>
#include <targetmanager.h>
#include <trace.h>

#include <QAbstractItemModel>
#include <QAbstractListModel>
#include <QQmlEngine>
#include <QQuickItem>

namespace {
constexpr const char *Uri = "Kavro";
constexpr int Major = 1;
constexpr int Minor = 0;
} // namespace

void registerQmlTypes()
{
    qmlRegisterUncreatableType<QAbstractItemModel>(Uri, Major, Minor, "AbstractItemModel",
                                                   QString());
    qmlRegisterUncreatableType<QAbstractListModel>(Uri, Major, Minor, "AbstractListModel",
                                                   QString());
    qmlRegisterUncreatableType<QQmlObjectListModelBase>(Uri, Major, Minor, "ObjectListModelBase",
                                                        QString());
    qmlRegisterType<LibModel::SortFilterProxyModel>(Uri, Major, Minor, "SortFilterProxy");
    qmlRegisterUncreatableType<LibModel::TargetElementColor>(Uri, Major, Minor,
                                                             "TargetElementColor", QString());
    qmlRegisterUncreatableType<LibModel::TargetElement>(Uri, Major, Minor, "TargetElement",
                                                        QString());
    qmlRegisterUncreatableType<LibModel::TargetDescriptor>(Uri, Major, Minor, "TargetDescriptor",
                                                           QString());
    qmlRegisterAnonymousType<LibModel::TargetManager>(Uri, Major);
    qmlRegisterAnonymousType<LibModel::Storage>(Uri, Major);
    qmlRegisterAnonymousType<LibModel::Shot>(Uri, Major);
    qmlRegisterAnonymousType<LibModel::Serie>(Uri, Major);
    qmlRegisterAnonymousType<LibModel::Trace>(Uri, Major);
    qmlRegisterUncreatableType<LibModel::ShooterModel>(Uri, Major, Minor, "ShooterModel",
                                                       QString());
    qmlRegisterUncreatableType<LibModel::SessionInfoModel>(Uri, Major, Minor, "SessionInfoModel",
                                                           QString());
    qmlRegisterAnonymousType<LibModel::Session>(Uri, Major);
    qmlRegisterUncreatableType<RangeData>(Uri, Major, Minor, "RangeData", QString());
    qmlRegisterAnonymousType<Exercise>(Uri, Major);
    qmlRegisterType<ProgressChartItem>(Uri, Major, Minor, "ProgressChart");
    qmlRegisterType<TargetItem>(Uri, Major, Minor, "Target");
    qmlRegisterType<TraceItem>(Uri, Major, Minor, "Trace");
    qmlRegisterType<TraceSelection>(Uri, Major, Minor, "TraceSelection");
    qmlRegisterAnonymousType<TraceSelectionItem>(Uri, Major);
    qmlRegisterAnonymousType<TraceSelectionShotItem>(Uri, Major);
    qmlRegisterUncreatableType<SerieListItem>(Uri, Major, Minor, "SerieListItem", QString());
    qmlRegisterType<ShotListModel>(Uri, Major, Minor, "ShotListModel");
    qmlRegisterType<SessionAnalysisView>(Uri, Major, Minor, "SessionAnalysisView");
    qmlRegisterType<SessionPrintout>(Uri, Major, Minor, "SessionPrintout");
    qmlRegisterType<TargetPrintout>(Uri, Major, Minor, "TargetPrintout");
    qmlRegisterUncreatableType<ApplicationData>(Uri, Major, Minor, "App", QString());
    qmlRegisterRevision<QQuickItem, 7>(Uri, Major, Minor);
}
