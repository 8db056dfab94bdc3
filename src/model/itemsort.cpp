#include "model/itemsort.h"

#include "model/album.h"
#include "model/dataitemlist.h"
#include "model/general.h"
#include "model/textcompare.h"
#include "model/tracks.h"

#include <QtEndian>
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <vector>

namespace {

const TLookupItem *lookupFor(const TDataItem *item, TItemLevel level, TFieldId field, bool &valid)
{
    valid = level == ilAlbum ? IsAlbumLookupField(field) : IsTrackLookupField(field);
    return valid ? item->getLookupItem(field) : nullptr;
}

// Stored texts that follow the parent when empty: "Year".
QStringView inheritedYear(const TDataItem *item)
{
    for (; item; item = item->Parent)
        if (!item->Year.isEmpty())
            return item->Year.view();
    return {};
}

} // namespace

bool SortTextView(const TDataItem *item, TItemLevel level, TFieldId field, QStringView &out)
{
    if (IsLookupField(field)) {
        bool valid = false;
        const TLookupItem *e = lookupFor(item, level, field, valid);
        if (!valid)
            return false;
        out = e ? QStringView(e->SortName) : QStringView();
        return true;
    }
    return DisplayTextView(item, field, out);
}

bool DisplayTextView(const TDataItem *item, TFieldId field, QStringView &out)
{
    const bool isAlbum = !item->IsTrackLevel();
    if (IsLookupField(field)) {
        bool valid = false;
        const TLookupItem *e = lookupFor(item, isAlbum ? ilAlbum : ilTrack, field, valid);
        if (!valid)
            return false;
        out = !e ? QStringView()
                 : (e->DisplayName.isEmpty() ? QStringView(e->SortName)
                                             : QStringView(e->DisplayName));
        return true;
    }
    switch (field) {
    case fdTitle:
        out = item->Title.view();
        return true;
    case fdYear:
        out = inheritedYear(item);
        return true;
    case fdComments:
        out = item->Comments.view();
        return true;
    default:
        break;
    }
    if (isAlbum) {
        const auto *a = static_cast<const TAlbum *>(item);
        switch (field) {
        case fdSoloists:
            out = a->Soloists.view();
            return true;
        case fdTourName:
            out = a->TourName.view();
            return true;
        case fdNumber:
            out = a->Number.view();
            return true;
        case fdLocation:
            out = a->Location.view();
            return true;
        case fdAlbumText1:
            out = a->AlbumText1.view();
            return true;
        case fdAlbumText2:
            out = a->AlbumText2.view();
            return true;
        case fdCoverFile:
            out = a->CoverFile.view();
            return true;
        default:
            return false;
        }
    }
    const auto *t = static_cast<const TCustomTrack *>(item);
    switch (field) {
    case fdTrackText1:
        out = t->TrackText1.view();
        return true;
    case fdLyricsFile:
        out = t->LyricsFile.view();
        return true;
    case fdAudioFile:
        out = t->AudioFile.view();
        return true;
    case fdAlbumTitle: {
        const TAlbum *a = t->GetAlbum();
        out = a ? a->Title.view() : QStringView();
        return true;
    }
    case fdHeaderTitle:
        out = (t->Parent && t->Parent->Kind() == TItemKind::Header) ? t->Parent->Title.view()
                                                                    : QStringView();
        return true;
    default:
        return false;
    }
}

TCompareAs CompareKind(TItemLevel level, TFieldId field)
{
    if (level == ilAlbum) {
        switch (field) {
        case fdIndex:
        case fdLength:
        case fdRating:
        case fdNrTracks:
        case fdNrDiscs:
        case fdID:
            return TCompareAs::Integer;
        case fdRecordingDate:
        case fdPurchaseDate:
        case fdPrice:
            return TCompareAs::Float;
        default:
            return TCompareAs::Text;
        }
    }
    switch (field) {
    case fdIndex:
    case fdLength:
    case fdRating:
    case fdAlbumIndex:
    case fdBPM:
    case fdDiscIndex:
    case fdID:
    case fdAlbumID:
        return TCompareAs::Integer;
    default:
        return TCompareAs::Text;
    }
}

qint64 IntegerSortValue(TItemLevel level, const TDataItem *item, TFieldId field)
{
    switch (field) {
    case fdLength:
        return item->TotalLength(); // a total past 32 bits still sorts by its size
    case fdRating:
        return item->Rating; // the item's own value
    case fdAlbumIndex: {
        const TAlbum *a = item->GetAlbum();
        return a ? a->Index : 0;
    }
    case fdAlbumID: {
        const TAlbum *a = item->GetAlbum();
        return a ? a->ID : 0;
    }
    case fdDiscIndex: {
        const TDisc *d =
            level == ilTrack ? static_cast<const TCustomTrack *>(item)->GetDisc() : nullptr;
        return d ? d->Index : 0;
    }
    default:
        return item->GetFieldAsInteger(field);
    }
}

double FloatSortValue(const TDataItem *item, TFieldId field)
{
    return field == fdPrice ? item->GetFieldAsFloat(field) : item->GetFieldAsDate(field);
}

namespace {

// How far ahead the walks below fetch items and their texts: far enough to hide a
// memory access, near enough to stay in the cache.
constexpr std::size_t kAhead = 16;

// Folded text as bytes whose plain byte order is the folded character order: a
// character below 0x80 is one byte, any other three bytes starting at 0x80 or above.
void appendKey(QStringView text, std::vector<unsigned char> &bytes)
{
    const std::size_t at = bytes.size();
    bytes.resize(at + std::size_t(text.size()) * 3);
    unsigned char *out = bytes.data() + at;
    for (const QChar ch : text) {
        const char16_t c = FoldAscii(ch.unicode());
        if (c < 0x80) {
            *out++ = (unsigned char)c;
        } else {
            *out++ = (unsigned char)(0x80 | (c >> 12));
            *out++ = (unsigned char)((c >> 6) & 0x3F);
            *out++ = (unsigned char)(c & 0x3F);
        }
    }
    bytes.resize(std::size_t(out - bytes.data()));
}

quint64 orderedBits(qint64 v)
{
    return quint64(v) ^ (quint64(1) << 63);
}

quint64 orderedBits(double d)
{
    if (d == 0)
        d = 0; // -0 and +0 are equal
    const quint64 bits = std::bit_cast<quint64>(d);
    return (bits >> 63) ? ~bits : bits | (quint64(1) << 63);
}

// The stored text a field's sort text is read from, where it is the item's own.
const TText *ownText(const TDataItem *item, TFieldId field)
{
    switch (field) {
    case fdTitle:
        return &item->Title;
    case fdComments:
        return &item->Comments;
    default:
        return nullptr;
    }
}

// The entries the items use for a lookup field, each numbered once (0: none). A
// field has few entries and many items: the entries are ranked once by their sort
// names, and the items then sort by integers.
class TEntryNumbers
{
public:
    quint32 Number(const TLookupItem *e)
    {
        if (!e)
            return 0;
        if (2 * m_entries.size() >= m_slots.size())
            grow();
        for (std::size_t s = slotOf(e);; s = (s + 1) & (m_slots.size() - 1)) {
            if (m_slots[s] == 0) {
                m_slots[s] = quint32(m_entries.size());
                m_entries.push_back(e);
                return m_slots[s];
            }
            if (m_entries[m_slots[s]] == e)
                return m_slots[s];
        }
    }
    // The rank of each number's entry in the folded order of the sort names; equal
    // names share a rank, and no entry ranks as an empty name.
    std::vector<quint64> Ranks() const
    {
        const auto name = [this](quint32 n) {
            return m_entries[n] ? QStringView(m_entries[n]->SortName) : QStringView();
        };
        std::vector<quint32> order(m_entries.size());
        for (std::size_t n = 0; n < order.size(); ++n)
            order[n] = quint32(n);
        std::sort(order.begin(), order.end(),
                  [&name](quint32 a, quint32 b) { return CompareFolded(name(a), name(b)) < 0; });
        std::vector<quint64> ranks(m_entries.size());
        quint64 rank = 0;
        for (std::size_t k = 0; k < order.size(); ++k) {
            if (k > 0 && CompareFolded(name(order[k - 1]), name(order[k])) != 0)
                ++rank;
            ranks[order[k]] = rank;
        }
        return ranks;
    }

private:
    std::size_t slotOf(const TLookupItem *e) const
    {
        const quint64 h = quint64(reinterpret_cast<std::uintptr_t>(e) >> 4) * 0x9E3779B97F4A7C15ull;
        return std::size_t(h >> 32) & (m_slots.size() - 1);
    }
    void grow()
    {
        m_slots.assign(std::max<std::size_t>(64, 2 * m_slots.size()), 0);
        for (quint32 n = 1; n < m_entries.size(); ++n) {
            std::size_t s = slotOf(m_entries[n]);
            while (m_slots[s] != 0)
                s = (s + 1) & (m_slots.size() - 1);
            m_slots[s] = n;
        }
    }

    std::vector<const TLookupItem *> m_entries{nullptr}; // by number
    std::vector<quint32> m_slots;                        // numbers by hash, 0 free
};

// One sort field's keys for every item.
struct TColumn
{
    TCompareAs kind = TCompareAs::Text;
    int order = 1;
    std::vector<quint64> numbers;     // ordered bits of integers and floats, or ranks
    std::vector<unsigned char> bytes; // texts, back to back
    std::vector<quint32> start;       // text i is bytes[start[i], start[i + 1])

    int compare(quint32 a, quint32 b) const
    {
        if (kind != TCompareAs::Text)
            return numbers[a] < numbers[b] ? -1 : (numbers[a] > numbers[b] ? 1 : 0);
        const quint32 la = start[a + 1] - start[a];
        const quint32 lb = start[b + 1] - start[b];
        const int r =
            std::memcmp(bytes.data() + start[a], bytes.data() + start[b], std::min(la, lb));
        if (r != 0)
            return r;
        return la < lb ? -1 : (la > lb ? 1 : 0);
    }
    // A piece of a key as two integers whose order is the keys' order: bytes
    // [from, from + kChunk) of a text key, big-endian and zero-padded, then how many of
    // them the key has, kMore when it goes on (from is at most the key's length).
    // Numbers give their value and 0.
    static constexpr quint32 kChunk = 15;
    static constexpr quint64 kMore = kChunk + 1;
    void chunk(quint32 i, quint32 from, quint64 &high, quint64 &low) const
    {
        if (kind != TCompareAs::Text) {
            high = numbers[i];
            low = 0;
            return;
        }
        const quint32 left = start[i + 1] - start[i] - from;
        const unsigned char *key = bytes.data() + start[i] + from;
        if (left > kChunk) {
            std::memcpy(&high, key, 8);
            std::memcpy(&low, key + 8, 8);
            high = qFromBigEndian(high);
            low = (qFromBigEndian(low) & ~quint64(0xFF)) | kMore;
            return;
        }
        high = low = 0;
        for (quint32 k = 0; k < 8; ++k)
            high = (high << 8) | (k < left ? key[k] : 0);
        for (quint32 k = 8; k < kChunk; ++k)
            low = (low << 8) | (k < left ? key[k] : 0);
        low = (low << 8) | left;
    }
};

// Computes a field's key of every item; ids (when given) receives the items'
// identifiers in the same walk, which saves another pass over a million items.
void buildColumn(TColumn &col, const QList<TDataItem *> &items, TItemLevel level, TFieldId field,
                 qint32 *ids)
{
    col.kind = CompareKind(level, field);
    const std::size_t n = std::size_t(items.size());
    const bool ranked = col.kind == TCompareAs::Text &&
                        (level == ilAlbum ? IsAlbumLookupField(field) : IsTrackLookupField(field));
    TEntryNumbers entries;
    if (col.kind != TCompareAs::Text || ranked) {
        col.numbers.resize(n);
    } else {
        col.start.resize(n + 1);
        col.bytes.reserve(n * 16);
    }
    for (std::size_t i = 0; i < n; ++i) {
        // The item some steps on, and the text of one nearer, whose item is in.
        if (i + 2 * kAhead < n)
            PrefetchForRead(items[qsizetype(i + 2 * kAhead)]);
        if (i + kAhead < n)
            if (const TText *text = ownText(items[qsizetype(i + kAhead)], field))
                text->Prefetch();
        const TDataItem *item = items[qsizetype(i)];
        if (ids)
            ids[i] = item->ID;
        if (ranked) {
            col.numbers[i] = entries.Number(item->getLookupItem(field));
            continue;
        }
        switch (col.kind) {
        case TCompareAs::Integer:
            col.numbers[i] = orderedBits(IntegerSortValue(level, item, field));
            break;
        case TCompareAs::Float:
            col.numbers[i] = orderedBits(FloatSortValue(item, field));
            break;
        case TCompareAs::Text: {
            col.start[i] = quint32(col.bytes.size());
            QStringView text;
            if (SortTextView(item, level, field, text))
                appendKey(text, col.bytes);
            else
                appendKey(item->GetFieldSortText(field), col.bytes);
            break;
        }
        }
    }
    if (ranked) {
        // The entries' numbers become their ranks, compared as integers.
        const std::vector<quint64> ranks = entries.Ranks();
        for (quint64 &number : col.numbers)
            number = ranks[number];
        col.kind = TCompareAs::Integer;
    } else if (col.kind == TCompareAs::Text) {
        col.start[n] = quint32(col.bytes.size());
    }
}

// The order of the entries: the first field's key a piece at a time, as integers
// that are compared in place, then the other fields, then the identifier.
class TSorter
{
public:
    struct TEntry
    {
        quint64 high; // the piece of the first field's key, inverted when descending
        quint64 low;
        quint32 index;
        qint32 id;
    };

    TSorter(const std::vector<TColumn> &columns, std::size_t n)
        : m_columns(columns), m_descending(columns.front().order < 0), m_spare(n)
    {
    }

    void Load(TEntry &e, quint32 from) const
    {
        m_columns.front().chunk(e.index, from, e.high, e.low);
        if (m_descending) {
            e.high = ~e.high;
            e.low = ~e.low;
        }
    }

    // Sorts entries whose keys agree before from and whose pieces at from are loaded.
    void Sort(TEntry *begin, TEntry *end, quint32 from)
    {
        sortPieces(begin, m_spare.data(), std::size_t(end - begin), 0);
        // Runs of equal pieces: where the keys go on, the next pieces decide (loaded
        // for all such runs in one walk, fetching ahead); otherwise the keys are equal.
        std::vector<TEntry *> further;
        std::vector<std::pair<TEntry *, TEntry *>> runs;
        for (TEntry *run = begin; run != end;) {
            TEntry *next = run + 1;
            while (next != end && next->high == run->high && next->low == run->low)
                ++next;
            if (next - run > 1) {
                if (((m_descending ? ~run->low : run->low) & 0xFF) == TColumn::kMore) {
                    runs.emplace_back(run, next);
                    for (TEntry *e = run; e != next; ++e)
                        further.push_back(e);
                } else {
                    std::sort(run, next, [this](const TEntry &a, const TEntry &b) {
                        for (std::size_t c = 1; c < m_columns.size(); ++c) {
                            const int r =
                                m_columns[c].compare(a.index, b.index) * m_columns[c].order;
                            if (r != 0)
                                return r < 0;
                        }
                        return a.id < b.id;
                    });
                }
            }
            run = next;
        }
        const quint32 next = from + TColumn::kChunk;
        const TColumn &first = m_columns.front();
        for (std::size_t k = 0; k < further.size(); ++k) {
            if (k + 2 * kAhead < further.size())
                PrefetchForRead(&first.start[further[k + 2 * kAhead]->index]);
            if (k + kAhead < further.size())
                PrefetchForRead(first.bytes.data() + first.start[further[k + kAhead]->index] +
                                next);
            Load(*further[k], next);
        }
        for (const auto &[runBegin, runEnd] : runs)
            Sort(runBegin, runEnd, next);
    }

private:
    static constexpr std::size_t kSmall = 64;

    static bool before(const TEntry &a, const TEntry &b)
    {
        return a.high != b.high ? a.high < b.high : a.low < b.low;
    }
    static unsigned byteOf(const TEntry &e, unsigned k)
    {
        return unsigned(k < 8 ? e.high >> (56 - 8 * k) : e.low >> (56 - 8 * (k - 8))) & 0xFF;
    }

    // Orders entries by their pieces: into buckets by byte, first to last, while
    // there are many (no comparisons to mispredict, and a bucket's later sorting
    // stays in the cache), a comparison sort for few. spare has room for n.
    static void sortPieces(TEntry *a, TEntry *spare, std::size_t n, unsigned k)
    {
        for (; n > kSmall && k < 16; ++k) {
            std::array<std::size_t, 257> at{};
            for (std::size_t i = 0; i < n; ++i)
                ++at[byteOf(a[i], k) + 1];
            if (at[byteOf(a[0], k) + 1] == n)
                continue; // all share this byte
            for (std::size_t d = 1; d < at.size(); ++d)
                at[d] += at[d - 1];
            std::array<std::size_t, 256> to;
            std::copy(at.begin(), at.end() - 1, to.begin());
            for (std::size_t i = 0; i < n; ++i)
                spare[to[byteOf(a[i], k)]++] = a[i];
            std::copy(spare, spare + n, a);
            for (std::size_t d = 0; d < 256; ++d)
                if (at[d + 1] - at[d] > 1)
                    sortPieces(a + at[d], spare + at[d], at[d + 1] - at[d], k + 1);
            return;
        }
        if (k < 16)
            std::sort(a, a + n, before);
    }

    const std::vector<TColumn> &m_columns;
    const bool m_descending;
    std::vector<TEntry> m_spare;
};

} // namespace

void SortItems(QList<TDataItem *> &items, TItemLevel level, std::span<const TSortSpec> fields)
{
    const TSortSpec byTitle[] = {{fdTitle, 1}};
    if (fields.empty())
        fields = byTitle;
    const std::size_t n = std::size_t(items.size());
    if (n < 2)
        return;
    // Read through a const reference: a QList's non-const operator[] checks for
    // sharing on every call.
    const QList<TDataItem *> &source = items;

    std::vector<TColumn> columns(fields.size());
    std::vector<qint32> ids(n);
    for (std::size_t c = 0; c < fields.size(); ++c) {
        columns[c].order = fields[c].order < 0 ? -1 : 1;
        buildColumn(columns[c], source, level, fields[c].field, c == 0 ? ids.data() : nullptr);
    }

    TSorter sorter(columns, n);
    std::vector<TSorter::TEntry> entries(n);
    for (std::size_t i = 0; i < n; ++i) {
        entries[i].index = quint32(i);
        entries[i].id = ids[i];
        sorter.Load(entries[i], 0);
    }
    sorter.Sort(entries.data(), entries.data() + n, 0);

    QList<TDataItem *> sorted;
    sorted.resize(items.size());
    for (std::size_t i = 0; i < n; ++i) {
        if (i + kAhead < n)
            PrefetchForRead(&source[qsizetype(entries[i + kAhead].index)]);
        sorted[qsizetype(i)] = source[qsizetype(entries[i].index)];
    }
    items.swap(sorted);
}
