#include "views/albumdrop.h"

#include "model/album.h"
#include "model/lookuplist.h"
#include "model/tracks.h"

namespace AlbumDrop {

namespace {

const TDataItem *asItem(const TQel *object)
{
    return dynamic_cast<const TDataItem *>(object);
}

} // namespace

bool CanDrag(const TQel *object)
{
    const TDataItem *item = asItem(object);
    return item && (item->Kind() == TItemKind::Album || item->Kind() == TItemKind::Disc);
}

bool CanDrop(const TQel *dragged, const TQel *target, TFieldId groupField)
{
    const TDataItem *item = asItem(dragged);
    if (!item || !target)
        return false;
    if (item->Kind() == TItemKind::Album) {
        const auto *entry = dynamic_cast<const TLookupItem *>(target);
        return entry && groupField != fdNone && item->getLookupItem(groupField) != entry;
    }
    if (item->Kind() == TItemKind::Disc) {
        const TDataItem *album = asItem(target);
        return album && album->Kind() == TItemKind::Album && item->Parent != album;
    }
    return false;
}

void MoveAlbumToFolder(TAlbum *album, TLookupItem *folder, TFieldId groupField)
{
    album->setLookupItem(groupField, folder);
}

void MoveDiscToAlbum(TDisc *disc, TAlbum *target)
{
    TDataItem *source = disc->Parent;
    if (source == target)
        return;
    if (source)
        source->Remove(disc);
    target->Add(disc);
    disc->Parent = target;
    disc->Index = qint32(target->Count());
    if (auto *album = dynamic_cast<TAlbum *>(source))
        album->RebuildTrackLists();
    target->RebuildTrackLists();
}

} // namespace AlbumDrop
