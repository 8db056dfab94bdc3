#pragma once

#include "model/album.h"
#include "model/arena.h"
#include "model/dataitemlist.h"
#include "model/lookuplist.h"
#include "model/picturelist.h"

#include <QString>
#include <array>
#include <memory>
#include <unordered_set>

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

    // The reading behind Open and Merge, for callers that report failures themselves:
    // throws EQel with the message the user is to see ("The file "%s" was not found"
    // also for a missing file).
    void ReadFile(const QString &fileName, bool merge);
    // Reads a database from memory (merging into this one when merge is set).
    void ReadBytes(QByteArrayView bytes, bool merge);
    QByteArray SaveToBytes() const;

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
    bool AlbumExists(const QString &title, const TLookupItem *artist) const;
    TAlbum *FindAlbumByMsDiscId(qint32 id) const;

    qint32 LastAlbumID = 0;
    qint32 LastTrackID = 0;
    QString FileName;
    TDataItemList Albums{ilAlbum};
    TPictureList Pictures;

private:
    void freeAlbums();
    void read(class TQelReader &reader, bool merge);
    void write(class TQelWriter &writer) const;

    std::array<std::unique_ptr<TLookupList>, 15> m_lists;
    TArena m_arena;
};
