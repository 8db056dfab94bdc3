#pragma once

#include "model/fields.h"
#include "model/lookuplist.h"
#include "model/ptrlist.h"
#include "model/qelitem.h"
#include "model/text.h"

#include <QString>
#include <algorithm>
#include <limits>
#include <new>

class TAlbum;
class TDisc;
class TTrack;
class TQelWriter;
class TItemLoader;

enum class TItemKind : quint8 { Album, Disc, Header, Track, SubTrack };

// Base of all catalogue items. An item answers every field of the catalogue as
// display text, typed value, sort text or lookup entry, and falls back to the item
// that contains it for the values it does not have itself.
class TDataItem : public TQel
{
public:
    ~TDataItem() override; // frees the children first
    TDataItem(const TDataItem &) = delete;
    TDataItem &operator=(const TDataItem &) = delete;

    // Items read from a file live in the database's arena; delete works for both.
    void operator delete(TDataItem *p, std::destroying_delete_t);

    virtual TItemKind Kind() const = 0;
    bool IsTrackLevel() const { return Kind() != TItemKind::Album; }

    virtual qint32 GetLength() const = 0;
    virtual void SetLength(qint32) {}
    // The length in seconds summed in 64 bits: a disc or an album of tracks near the
    // 32-bit limit adds up past it. GetLength answers this clamped to 32 bits.
    virtual qint64 TotalLength() const;
    virtual TAlbum *GetAlbum();
    const TAlbum *GetAlbum() const { return const_cast<TDataItem *>(this)->GetAlbum(); }
    virtual void SaveToStream(TQelWriter &writer) const;
    virtual void LoadFromStream(TItemLoader &loader);
    virtual void CollectTracks(TPtrList<TTrack> &list);
    virtual QString GetFieldAsString(TFieldId field) const;
    virtual qint32 GetFieldAsInteger(TFieldId field) const;
    virtual double GetFieldAsDate(TFieldId field) const;
    virtual double GetFieldAsFloat(TFieldId field) const;
    virtual quint8 GetFieldAsBoolean(TFieldId field) const;
    virtual QString GetFieldSortText(TFieldId field) const;
    virtual TLookupItem *getLookupItem(TFieldId field) const;
    virtual void setLookupItem(TFieldId field, TLookupItem *entry);
    // A deep copy under newParent (track-level items) with the same or fresh identifiers.
    virtual TDataItem *Clone(bool keepIDs, TDataItem *newParent) const = 0;

    // Children (not changing their Parent; callers set it).
    qsizetype Count() const { return Children.size(); }
    TDataItem *Items(qsizetype index) const { return Children[index]; }
    qsizetype Add(TDataItem *child);
    void InsertBefore(TDataItem *existing, TDataItem *child);
    void Remove(TDataItem *child);

    qint32 Index = 0; // first: it fills the gap after the identifier
    TDataItem *Parent = nullptr;
    TText Title;
    TText Year;
    TLookupItem *Artist = nullptr;
    TLookupItem *Genre = nullptr;
    TLookupItem *Studio = nullptr;
    TLookupItem *Producer = nullptr;
    TLookupItem *Engineer = nullptr;
    TLookupItem *Conductor = nullptr;
    TLookupItem *Orchestra = nullptr;
    TText Comments; // lines separated by CR LF
    TPtrList<TDataItem> Children;
    quint8 Rating = 0; // 0 to 100; 0 = not rated
    quint8 Live = 0;   // 0 no, 1 yes, 2 undecided

protected:
    TDataItem() = default;
    // Copies the base members and, recursively, the children of src.
    void copyFrom(const TDataItem &src, bool keepIDs);
    void saveBase(TQelWriter &writer) const;
    void loadBase(TItemLoader &loader);
    // Own lookup slot of a field of the base record, or nullptr.
    TLookupItem *const *baseLookupSlot(TFieldId field) const;

private:
    friend class TItemLoader;
    bool m_inArena = false;
};

// A 64-bit length as the nearest 32-bit value.
inline qint32 ClampedLength(qint64 seconds)
{
    return qint32(std::clamp<qint64>(seconds, std::numeric_limits<qint32>::min(),
                                     std::numeric_limits<qint32>::max()));
}

// Frees an item and its tree (works for arena and heap items alike).
inline void FreeItem(TDataItem *item)
{
    delete item;
}
