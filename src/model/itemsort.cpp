#include "model/itemsort.h"

#include "model/album.h"
#include "model/dataitemlist.h"
#include "model/general.h"
#include "model/textcompare.h"
#include "model/tracks.h"

#include <algorithm>
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

// Folded text as bytes whose plain byte order is the folded character order: a
// character below 0x80 is one byte, any other three bytes starting at 0x80 or above.
void appendKey(QStringView text, std::vector<unsigned char> &bytes)
{
    for (const QChar ch : text) {
        const char16_t c = FoldAscii(ch.unicode());
        if (c < 0x80) {
            bytes.push_back((unsigned char)c);
        } else {
            bytes.push_back((unsigned char)(0x80 | (c >> 12)));
            bytes.push_back((unsigned char)((c >> 6) & 0x3F));
            bytes.push_back((unsigned char)(c & 0x3F));
        }
    }
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

// One sort field's keys for every item.
struct TColumn
{
    TCompareAs kind = TCompareAs::Text;
    int order = 1;
    std::vector<quint64> numbers;     // ordered bits of integers and floats
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
    // Bytes [from, from + 8) of a text key, big-endian, zero-padded; numbers give
    // their value as the first part and 0 as the second.
    quint64 prefix(quint32 i, quint32 from) const
    {
        if (kind != TCompareAs::Text)
            return from == 0 ? numbers[i] : 0;
        quint64 p = 0;
        const quint32 length = start[i + 1] - start[i];
        const unsigned char *key = bytes.data() + start[i];
        for (quint32 k = from; k < from + 8; ++k)
            p = (p << 8) | (k < length ? key[k] : 0);
        return p;
    }
    quint32 length(quint32 i) const
    {
        return kind == TCompareAs::Text ? start[i + 1] - start[i] : 0;
    }
};

void buildColumn(TColumn &col, const QList<TDataItem *> &items, TItemLevel level, TFieldId field)
{
    col.kind = CompareKind(level, field);
    const std::size_t n = std::size_t(items.size());
    if (col.kind == TCompareAs::Integer) {
        col.numbers.resize(n);
        for (std::size_t i = 0; i < n; ++i)
            col.numbers[i] = orderedBits(IntegerSortValue(level, items[qsizetype(i)], field));
        return;
    }
    if (col.kind == TCompareAs::Float) {
        col.numbers.resize(n);
        for (std::size_t i = 0; i < n; ++i)
            col.numbers[i] = orderedBits(FloatSortValue(items[qsizetype(i)], field));
        return;
    }
    col.start.resize(n + 1);
    col.bytes.reserve(n * 16);
    for (std::size_t i = 0; i < n; ++i) {
        col.start[i] = quint32(col.bytes.size());
        QStringView text;
        if (SortTextView(items[qsizetype(i)], level, field, text)) {
            appendKey(text, col.bytes);
        } else {
            const QString computed = items[qsizetype(i)]->GetFieldSortText(field);
            appendKey(computed, col.bytes);
        }
    }
    col.start[n] = quint32(col.bytes.size());
}

} // namespace

void SortItems(QList<TDataItem *> &items, TItemLevel level, std::span<const TSortSpec> fields)
{
    const TSortSpec byTitle[] = {{fdTitle, 1}};
    if (fields.empty())
        fields = byTitle;
    const std::size_t n = std::size_t(items.size());
    if (n < 2)
        return;

    std::vector<TColumn> columns(fields.size());
    for (std::size_t c = 0; c < fields.size(); ++c) {
        columns[c].order = fields[c].order < 0 ? -1 : 1;
        buildColumn(columns[c], items, level, fields[c].field);
    }

    // The first field's key as 16 leading bytes, inverted for a descending field, so
    // most comparisons are two integer comparisons on contiguous memory.
    struct TEntry
    {
        quint64 prefix0;
        quint64 prefix1;
        quint32 index;
        quint32 length; // of the first field's text key
    };
    std::vector<TEntry> entries(n);
    const TColumn &first = columns.front();
    const bool descending = first.order < 0;
    for (std::size_t i = 0; i < n; ++i) {
        const quint64 p0 = first.prefix(quint32(i), 0), p1 = first.prefix(quint32(i), 8);
        entries[i] = {descending ? ~p0 : p0, descending ? ~p1 : p1, quint32(i),
                      first.length(quint32(i))};
    }
    std::sort(entries.begin(), entries.end(), [&](const TEntry &a, const TEntry &b) {
        if (a.prefix0 != b.prefix0)
            return a.prefix0 < b.prefix0;
        if (a.prefix1 != b.prefix1)
            return a.prefix1 < b.prefix1;
        // Keys of up to 16 bytes are wholly in the prefix; longer ones go on.
        std::size_t c = (a.length > 16 || b.length > 16 || a.length != b.length) ? 0 : 1;
        for (; c < columns.size(); ++c) {
            const int r = columns[c].compare(a.index, b.index) * columns[c].order;
            if (r != 0)
                return r < 0;
        }
        return items[qsizetype(a.index)]->ID < items[qsizetype(b.index)]->ID;
    });

    QList<TDataItem *> sorted;
    sorted.reserve(items.size());
    for (const TEntry &e : entries)
        sorted.append(items[qsizetype(e.index)]);
    items.swap(sorted);
}
