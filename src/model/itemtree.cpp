#include "model/itemtree.h"

#include "model/album.h"
#include "model/tracks.h"

namespace ItemTree {

namespace {

bool isAncestor(const TDataItem *ancestor, const TDataItem *item)
{
    for (const TDataItem *p = item; p; p = p->Parent)
        if (p == ancestor)
            return true;
    return false;
}

} // namespace

bool CanMove(const TDataItem *dragged, const TDataItem *target)
{
    if (!dragged || !target || dragged == target || !dragged->Parent || isAncestor(dragged, target))
        return false;
    const TItemKind to = target->Kind();
    switch (dragged->Kind()) {
    case TItemKind::Disc:
        return to == TItemKind::Disc;
    case TItemKind::Header:
        return to == TItemKind::Disc || to == TItemKind::Header;
    case TItemKind::Track:
        return to == TItemKind::Disc || to == TItemKind::Header || to == TItemKind::Track;
    case TItemKind::SubTrack:
        return to == TItemKind::Track || to == TItemKind::SubTrack;
    case TItemKind::Album:
        return false;
    }
    return false;
}

void Move(TDataItem *dragged, TDataItem *target)
{
    if (!CanMove(dragged, target))
        return;
    dragged->Parent->Remove(dragged);
    if (dragged->Kind() == target->Kind()) {
        target->Parent->InsertBefore(target, dragged);
        dragged->Parent = target->Parent;
    } else {
        target->Add(dragged);
        dragged->Parent = target;
    }
}

namespace {

void renumberChildren(TDataItem *item, qint32 &position)
{
    for (qsizetype i = 0; i < item->Count(); ++i) {
        TDataItem *child = item->Items(i);
        child->Index = qint32(i + 1);
        if (child->Kind() == TItemKind::Track)
            static_cast<TTrack *>(child)->Position = ++position;
        renumberChildren(child, position);
    }
}

} // namespace

void Renumber(TAlbum *album)
{
    if (!album)
        return;
    for (qsizetype d = 0; d < album->Count(); ++d) {
        TDataItem *disc = album->Items(d);
        disc->Index = qint32(d + 1);
        qint32 position = 0; // a disc starts its tracks at 1
        renumberChildren(disc, position);
    }
    album->RebuildTrackLists();
}

} // namespace ItemTree
