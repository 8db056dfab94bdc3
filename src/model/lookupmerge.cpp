#include "model/lookupmerge.h"

#include "model/album.h"
#include "model/qelerror.h"
#include "model/tracks.h"

#include <vector>

TLookupItem **OwnLookupSlot(TDataItem *item, TFieldId field)
{
    switch (field) {
    case fdArtist:
        return &item->Artist;
    case fdGenre:
        return &item->Genre;
    case fdStudio:
        return &item->Studio;
    case fdProducer:
        return &item->Producer;
    case fdEngineer:
        return &item->Engineer;
    case fdConductor:
        return &item->Conductor;
    case fdOrchestra:
        return &item->Orchestra;
    case fdSongwriter:
    case fdTrackLookup1: {
        if (item->Kind() == TItemKind::Album)
            return nullptr;
        auto *track = static_cast<TCustomTrack *>(item);
        return field == fdSongwriter ? &track->Songwriter : &track->TrackLookup1;
    }
    case fdLabel:
    case fdStore:
    case fdOwner:
    case fdFormat:
    case fdAlbumLookup1:
    case fdAlbumLookup2: {
        if (item->Kind() != TItemKind::Album)
            return nullptr;
        auto *album = static_cast<TAlbum *>(item);
        switch (field) {
        case fdLabel:
            return &album->Label;
        case fdStore:
            return &album->Store;
        case fdOwner:
            return &album->Owner;
        case fdFormat:
            return &album->Format;
        case fdAlbumLookup1:
            return &album->AlbumLookup1;
        default:
            return &album->AlbumLookup2;
        }
    }
    default:
        return nullptr;
    }
}

namespace {

// Calls f(slot, album) for every own slot of field in the collection: the album's, then
// (for fields that items have) those of every item below it. Albums are fetched a few
// ahead and items as soon as their parent names them.
template <class F> void forEachOwnSlot(const TQelDb &db, TFieldId field, F f)
{
    constexpr qsizetype kAhead = 4;
    const bool itemField = IsTrackLookupField(field);
    std::vector<TDataItem *> stack;
    const qsizetype n = db.AlbumCount();
    for (qsizetype i = 0; i < n; ++i) {
        TAlbum *album = db.Album(i);
        if (i + kAhead < n)
            PrefetchForRead(db.Album(i + kAhead));
        if (TLookupItem **slot = OwnLookupSlot(album, field))
            f(slot, album);
        if (!itemField)
            continue;
        stack.assign(album->Children.begin(), album->Children.end());
        while (!stack.empty()) {
            TDataItem *item = stack.back();
            stack.pop_back();
            if (TLookupItem **slot = OwnLookupSlot(item, field))
                f(slot, album);
            for (TDataItem *child : item->Children) {
                PrefetchForRead(child);
                stack.push_back(child);
            }
        }
    }
}

} // namespace

TLookupUsage CountLookupUsage(const TQelDb &db, TFieldId field)
{
    TLookupUsage usage;
    if (!IsLookupField(field))
        return usage;
    forEachOwnSlot(db, field, [&usage](TLookupItem **slot, TAlbum *) {
        if (*slot)
            ++usage[*slot];
    });
    return usage;
}

TLookupMergeResult MergeLookupItems(TQelDb &db, TFieldId field, TLookupItem *keep,
                                    const TLookupItemSet &others)
{
    // One walk over the list checks them all: entries are compared by address only.
    const TLookupList &list = db.LookupListFromGroupField(field);
    bool keepFound = false;
    TLookupItemSet doomed;
    for (qsizetype i = 0; i < list.Count(); ++i) {
        const TLookupItem *e = list.Items(i);
        if (e == keep)
            keepFound = true;
        else if (others.count(e))
            doomed.insert(e);
    }
    if (!keep || !keepFound)
        throw EQel(QStringLiteral("MergeLookupItems: the entry to keep is not in the list"));
    TLookupMergeResult result;
    if (doomed.empty())
        return result;
    const TAlbum *lastChanged = nullptr;
    forEachOwnSlot(db, field, [&](TLookupItem **slot, TAlbum *album) {
        if (!*slot || !doomed.count(*slot))
            return;
        *slot = keep;
        ++result.references;
        if (album != lastChanged) {
            // Slots come album by album, so each changed album is counted once.
            db.MarkChanged(album);
            lastChanged = album;
            ++result.albums;
        }
    });
    result.removed = qsizetype(doomed.size());
    db.RemoveLookupItems(field, doomed);
    return result;
}
