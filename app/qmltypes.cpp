#include "qmltypes.h"
#include "applicationdata.h"

#include <qqmlobjectlistmodelbase.h>
#include <serie.h>
#include <session.h>
#include <shot.h>
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
    qmlRegisterUncreatableType<LibModel::TargetElementColor>(Uri, Major, Minor,
                                                             "TargetElementColor", QString());
    qmlRegisterUncreatableType<LibModel::TargetElement>(Uri, Major, Minor, "TargetElement",
                                                        QString());
    qmlRegisterUncreatableType<LibModel::TargetDescriptor>(Uri, Major, Minor, "TargetDescriptor",
                                                           QString());
    qmlRegisterAnonymousType<LibModel::TargetManager>(Uri, Major);
    qmlRegisterAnonymousType<LibModel::Shot>(Uri, Major);
    qmlRegisterAnonymousType<LibModel::Serie>(Uri, Major);
    qmlRegisterAnonymousType<LibModel::Trace>(Uri, Major);
    qmlRegisterAnonymousType<LibModel::Session>(Uri, Major);
    qmlRegisterUncreatableType<ApplicationData>(Uri, Major, Minor, "App", QString());
    qmlRegisterRevision<QQuickItem, 7>(Uri, Major, Minor);
}
