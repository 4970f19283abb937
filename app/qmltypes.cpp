#include "qmltypes.h"
#include "applicationdata.h"

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
    qmlRegisterUncreatableType<ApplicationData>(Uri, Major, Minor, "App", QString());
    qmlRegisterRevision<QQuickItem, 7>(Uri, Major, Minor);
}
