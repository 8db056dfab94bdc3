#include "model/itemloader.h"

#include "model/album.h"
#include "model/qeldb.h"
#include "model/qelerror.h"
#include "model/textcodec.h"
#include "model/tracks.h"

#include <algorithm>

namespace {
// Real albums nest four levels below the album (disc, header, track, subtrack); the
// format allows more, but a file that nests deeper than this is damaged or hostile.
constexpr int kMaxDepth = 64;
} // namespace

TItemLoader::TItemLoader(TQelReader &reader, TQelDb *db, TArena *arena)
    : m_reader(reader), m_db(db), m_arena(arena)
{
    // Sized once: a nested call must not move the list its caller is filling.
    m_scratch.resize(kMaxDepth + 2);
    for (std::size_t i = 0; i < TQelDb::LookupFieldOrder.size(); ++i)
        m_byField[TQelDb::LookupFieldOrder[i]] = &m_maps[i];
}

TLoadIdMap &TItemLoader::Map(TFieldId field)
{
    if (field <= fdLast && m_byField[field])
        return *m_byField[field];
    throw EQel(QStringLiteral("TItemLoader.Map: not a lookup field"));
}

TText TItemLoader::ReadText()
{
    const QByteArrayView bytes = m_reader.ReadRawString();
    if (bytes.isEmpty())
        return {};
    if (!m_arena)
        return TText(cp1252::decode(bytes));
    void *block = m_arena->Allocate(TText::BlockSize(bytes.size()), alignof(quint32));
    const qsizetype n = cp1252::decodeInto(bytes, TText::BlockChars(block));
    return TText::Borrow(block, n);
}

TAlbum *TItemLoader::MakeAlbum()
{
    void *mem = m_arena ? m_arena->Allocate(sizeof(TAlbum), alignof(TAlbum))
                        : ::operator new(sizeof(TAlbum));
    auto *album = new (mem) TAlbum(m_db);
    album->m_inArena = m_arena != nullptr;
    return album;
}

void TItemLoader::setList(TPtrList<TDataItem> &list, const std::vector<TDataItem *> &items)
{
    if (items.empty()) {
        list.clear();
        return;
    }
    if (m_arena) {
        TDataItem **cells = m_arena->AllocateArray<TDataItem *>(items.size());
        std::copy(items.begin(), items.end(), cells);
        list.Borrow(cells, qsizetype(items.size()));
    } else {
        list.clear();
        list.reserve(qsizetype(items.size()));
        for (TDataItem *item : items)
            list.append(item);
    }
}

void TItemLoader::ReadChildren(TDataItem *item)
{
    if (++m_depth > kMaxDepth)
        throw EQelRead();
    std::vector<TDataItem *> &children = m_scratch[std::size_t(m_depth)];
    children.clear();
    try {
        m_reader.ReadListBegin();
        while (!m_reader.EndOfList()) {
            const qint32 kind = m_reader.ReadInteger();
            TDataItem *child = nullptr;
            switch (kind) {
            case 0: {
                auto *track = Make<TTrack>(item);
                m_discTracks.push_back(track);
                child = track;
                break;
            }
            case 1:
                child = Make<THeader>(item);
                break;
            case 3:
                child = Make<TSubTrack>(item);
                break;
            case 2:
                throw EQel(QStringLiteral("TCustomTrack.LoadFromStream: detail is disc"));
            default:
                throw EQelRead();
            }
            children.push_back(child);
            child->LoadFromStream(*this);
        }
        m_reader.ReadListEnd();
    } catch (...) {
        // The children read so far are not yet the item's: free them here.
        for (TDataItem *child : children)
            delete child;
        children.clear();
        --m_depth;
        throw;
    }
    setList(item->Children, children);
    children.clear();
    --m_depth;
}

void TItemLoader::ReadDiscs(TAlbum *album)
{
    std::vector<TDataItem *> discs;
    try {
        m_reader.ReadListBegin();
        while (!m_reader.EndOfList()) {
            auto *disc = Make<TDisc>(album);
            discs.push_back(disc);
            m_discTracks.clear();
            disc->LoadFromStream(*this);
            if (!m_discTracks.empty()) {
                if (m_arena) {
                    TTrack **cells = m_arena->AllocateArray<TTrack *>(m_discTracks.size());
                    std::copy(m_discTracks.begin(), m_discTracks.end(), cells);
                    disc->Tracks.Borrow(cells, qsizetype(m_discTracks.size()));
                } else {
                    for (TTrack *t : m_discTracks)
                        disc->Tracks.append(t);
                }
            }
        }
        m_reader.ReadListEnd();
    } catch (...) {
        for (TDataItem *disc : discs)
            delete disc;
        throw;
    }
    setList(album->Children, discs);
}
