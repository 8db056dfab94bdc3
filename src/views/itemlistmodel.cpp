#include "views/itemlistmodel.h"

#include "model/album.h"
#include "model/tracks.h"
#include "views/browsestate.h"

TItemListModel::TItemListModel(TBrowseState &state, QObject *parent)
    : QAbstractTableModel(parent), m_state(state)
{
}

int TItemListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_state.RowCount();
}

int TItemListModel::columnCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    switch (m_state.ListContent) {
    case TBrowseState::lcGroups:
        return 1;
    case TBrowseState::lcAlbums:
    case TBrowseState::lcItems: {
        const TItemLevel level = m_state.ListContent == TBrowseState::lcAlbums ? ilAlbum : ilTrack;
        return std::max<int>(1, int(m_state.Views().ShowFields(level).Count()));
    }
    default:
        return 0;
    }
}

TFieldId TItemListModel::ColumnField(int column) const
{
    if (m_state.ListContent == TBrowseState::lcGroups)
        return fdNone;
    if (m_state.ListContent != TBrowseState::lcAlbums &&
        m_state.ListContent != TBrowseState::lcItems)
        return fdNone;
    const TShowFields &show = m_state.Views().ShowFields(
        m_state.ListContent == TBrowseState::lcAlbums ? ilAlbum : ilTrack);
    return column >= 0 && column < show.Count() ? show.Items(column)->FieldId : TFieldId(fdNone);
}

QVariant TItemListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_state.RowCount())
        return {};
    if (m_state.ListContent == TBrowseState::lcGroups) {
        const TLookupItem *entry = m_state.CurrentGroups[index.row()];
        if (role == Qt::DisplayRole || role == IconCaptionRole)
            return LookupDisplayText(entry);
        if (role == ImageIndexRole)
            return 0; // closed folder
        return {};
    }
    const TDataItem *item = m_state.CurrentItems[index.row()];
    switch (role) {
    case Qt::DisplayRole: {
        const TFieldId field = ColumnField(index.column());
        if (field != fdNone)
            return item->GetFieldAsString(field);
        if (index.column() != 0)
            return {};
        if (item->Kind() == TItemKind::Album)
            return static_cast<const TAlbum *>(item)->GetAlbumName();
        return static_cast<const TCustomTrack *>(item)->GetCaption();
    }
    case IconCaptionRole:
        // Albums of one artist are told apart by their titles; other rows keep the
        // caption of their first column.
        if (item->Kind() == TItemKind::Album)
            return item->Title.toString();
        return data(index.siblingAtColumn(0), Qt::DisplayRole);
    case ImageIndexRole:
        return item->GetImageIndex();
    case ThumbnailIndexRole:
        return item->Kind() == TItemKind::Album ? static_cast<const TAlbum *>(item)->ThumbnailIndex
                                                : 0;
    default:
        return {};
    }
}

QVariant TItemListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return {};
    if (role == FieldRole)
        return int(m_state.ListContent == TBrowseState::lcGroups ? m_state.GroupField()
                                                                 : ColumnField(section));
    if (role != Qt::DisplayRole)
        return {};
    if (m_state.ListContent == TBrowseState::lcGroups)
        return m_state.Fields().GetFieldName(m_state.GroupField());
    const TFieldId field = ColumnField(section);
    return field != fdNone ? m_state.Fields().GetFieldName(field) : QString();
}

void TItemListModel::Repaint()
{
    if (rowCount() > 0 && columnCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}
