#include "serielistitem.h"

SerieListItem::SerieListItem(RowType rowType, QObject *object, QObject *parent)
    : QObject(parent)
    , m_rowType(rowType)
    , m_object(object)
{ }
