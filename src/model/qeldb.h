#pragma once

#include "model/album.h"
#include "model/arena.h"
#include "model/dataitemlist.h"
#include "model/lookuplist.h"
#include "model/picturelist.h"

#include <QString>
#include <array>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

using TLookupItemSet = std::unordered_set<const TLookupItem *>;

// Told when lookup entries are about to be freed and when they are gone: whoever keeps
// pointers to entries lets go of them before, and may build afresh after.
class TLookupRemovalListener
{
public:
    virtual void LookupItemsAboutToBeRemoved(TFieldId field, const TLookupItemSet &entries) = 0;
    virtual void LookupItemsRemoved(TFieldId field) = 0;

protected:
    ~TLookupRemovalListener() = default;
};

// The open collection: albums, the 15 lookup lists, the thumbnails, the counters that
// hand out identifiers, and the file it came from.
class TQelDb
{
public:
    // The lookup fields in the order of their lists (also the order in the file).
    static const std::array<TFieldId, 15> LookupFieldOrder;

    TQelDb();
    ~TQelDb();
    TQelDb(const TQelDb &) = delete;
    TQelDb &operator=(const TQelDb &) = delete;

    // The state of a new collection.
    void Clear();

    // Opens a file; false when it does not exist (nothing said) or cannot be read
    // (the message shown through ShowInfo). A failed open leaves a new, empty collection.
    bool Open(const QString &fileName);
    // Imports another database into this one; albums with the same title and artist
    // as one already present are left out. False when the file does not exist or a
    // failure was shown; what was read before the failure stays.
    bool Merge(const QString &fileName);
    // Saves atomically: on failure EQel is thrown with the error, the previous file
    // is left as it was and FileName keeps its value.
    bool Save(const QString &fileName);
    // What the user is told when saving to fileName failed for the reason why.
    static QString SaveFailedText(const QString &fileName, const QString &why);

    // The reading behind Open and Merge, for callers that report failures themselves:
    // throws EQel with the message the user is to see ("The file "%s" was not found"
    // also for a missing file).
    void ReadFile(const QString &fileName, bool merge);
    // Reads a database from memory (merging into this one when merge is set).
    void ReadBytes(QByteArrayView bytes, bool merge);
    // The file's bytes, all encoded afresh: the reference for the pieces below.
    QByteArray SaveToBytes() const;

    // Saving what changed: every album keeps the bytes it was last saved as (TAlbum::Saved).
    // Whoever changes an album, or an item in it, outside this class marks it, and the next
    // save encodes it again; MarkAllChanged when the reach of a change is not known album by
    // album. Adding, removing and the lookup removals here mark what they touch themselves.
    void MarkChanged(const TDataItem *item) const;
    void MarkAllChanged() const;
    // The file in pieces, for the writer's thread: the head (header and lookup lists), the
    // albums' kept bytes (encoded now where none are kept), the end. The pieces share the
    // kept bytes, so handing them over copies nothing. Joined, they equal SaveToBytes(); a
    // debug build (or QEL_CHECK_SAVES=1) checks that on every call and stops on a difference.
    std::vector<QByteArray> SavePieces() const;
    // Encodes up to count albums that keep no bytes yet, for idle time after a file is
    // read; false once every album has its bytes.
    bool EncodeSomeAlbums(qsizetype count) const;

    // Grows with every change to the albums or to the names of lookup entries (marked
    // changes, albums added or removed, entries renamed or removed, a file read):
    // what the views work out from the collection holds while it stays the same.
    struct TVersion
    {
        quint64 albums = 0;
        quint64 names = 0;
        bool operator==(const TVersion &) const = default;
    };
    TVersion Version() const;
    // For changes made without the functions above (albums taken out of Albums directly).
    void NoteChange() const { ++m_version; }

    QString GetDisplayName() const;
    TLookupList &LookupListFromGroupField(TFieldId field);
    TLookupList &LookupList(TFieldId field) { return LookupListFromGroupField(field); }
    TLookupList &LookupListAt(int index) { return *m_lists[std::size_t(index)]; }

    qsizetype AlbumCount() const { return Albums.size(); }
    TAlbum *Album(qsizetype index) const { return static_cast<TAlbum *>(Albums[index]); }
    void AddAlbum(TAlbum *album);    // the container owns it from now on
    void RemoveAlbum(TAlbum *album); // takes it out without freeing it

    qint32 NextAlbumID() { return ++LastAlbumID; }
    qint32 NextTrackID() { return ++LastTrackID; }

    TAlbum *FindAlbumUsingLookup(TFieldId field, const TLookupItem *entry) const;
    // Every entry of field's list that some album or item refers to, in one pass.
    std::unordered_set<const TLookupItem *> LookupItemsInUse(TFieldId field) const;
    // The first album (in album order) that uses each of the entries, in one pass;
    // entries nobody uses are not in the answer.
    std::unordered_map<const TLookupItem *, TAlbum *>
    AlbumsUsingLookups(TFieldId field, const TLookupItemSet &entries) const;
    // Takes the entries that nobody uses out of field's list and frees them, in one pass
    // over the collection; answers, for every entry kept, the first album using it.
    std::unordered_map<const TLookupItem *, TAlbum *>
    RemoveUnusedLookupItems(TFieldId field, const TLookupItemSet &entries);
    // Takes entries out of field's list and frees them: one pass over the collection
    // clears every reference to them first.
    void RemoveLookupItems(TFieldId field, const TLookupItemSet &entries);
    // Both removals tell the listeners before anything changes and after the entries
    // are gone; entries that are not in the list are left alone.
    // Listeners are not owned; each removes itself before this collection goes.
    void AddLookupRemovalListener(TLookupRemovalListener *listener);
    void RemoveLookupRemovalListener(TLookupRemovalListener *listener);
    bool AlbumExists(const QString &title, const TLookupItem *artist) const;
    // Whether an album of the collection other than album shows the picture at index.
    bool PictureShared(qint32 index, const TAlbum *album) const;
    TAlbum *FindAlbumByMsDiscId(qint32 id) const;

    qint32 LastAlbumID = 0;
    qint32 LastTrackID = 0;
    QString FileName;
    TDataItemList Albums{ilAlbum};
    TPictureList Pictures;

private:
    void freeAlbums();
    // Entries of field's list that are in entries.
    TLookupItemSet entriesOfList(TFieldId field, const TLookupItemSet &entries);
    void freeLookupItems(TFieldId field, const TLookupItemSet &doomed, bool clearReferences);
    void read(class TQelReader &reader, bool merge);
    void write(class TQelWriter &writer) const;
    void writeHead(class TQelWriter &writer) const;
    void encodeAlbum(const TAlbum *album, class TQelWriter &scratch) const;

    std::array<std::unique_ptr<TLookupList>, 15> m_lists;
    mutable qsizetype m_lastSaveSize = 0; // what SaveToBytes made last time
    mutable quint64 m_version = 0;
    mutable qsizetype m_encodeFrom = 0; // albums before it keep their bytes (EncodeSomeAlbums)
    TArena m_arena;
    std::vector<TLookupRemovalListener *> m_removalListeners;
};
