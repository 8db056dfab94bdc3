#pragma once

#include "model/arena.h"
#include "model/dataitem.h"
#include "model/qelstream.h"

#include <array>
#include <vector>

class TQelDb;

// What the item records need while a file is read: the stream, the database that
// hands out identifiers, the arena that holds the items, and the numbers of the
// file's lookup entries.
class TItemLoader
{
public:
    TItemLoader(TQelReader &reader, TQelDb *db, TArena *arena);

    TQelReader &Reader() { return m_reader; }
    TQelDb *Db() const { return m_db; }
    TLoadIdMap &Map(TFieldId field);
    TLookupItem *Resolve(TFieldId field, qint32 number) const
    {
        return m_byField[field]->Find(number);
    }

    TText ReadText();
    TLookupItem *ReadRef(TFieldId field) { return Resolve(field, m_reader.ReadInteger()); }

    // Creates an item of the file (in the arena when there is one) with a fresh
    // track-level identifier.
    template <class T> T *Make(TDataItem *parent)
    {
        void *mem = m_arena ? m_arena->Allocate(sizeof(T), alignof(T)) : ::operator new(sizeof(T));
        T *item = new (mem) T(parent);
        item->m_inArena = m_arena != nullptr;
        return item;
    }
    TAlbum *MakeAlbum();

    // Reads the list of children of a track-level item.
    void ReadChildren(TDataItem *item);
    // Reads the disc list of an album.
    void ReadDiscs(TAlbum *album);

private:
    void setList(TPtrList<TDataItem> &list, const std::vector<TDataItem *> &items);

    TQelReader &m_reader;
    TQelDb *m_db;
    TArena *m_arena;
    std::array<TLoadIdMap, 15> m_maps;
    std::array<TLoadIdMap *, fdLast + 1> m_byField{}; // the map of each lookup field
    std::vector<std::vector<TDataItem *>> m_scratch;  // one list per depth
    std::vector<TTrack *> m_discTracks;
    int m_depth = 0;
};
