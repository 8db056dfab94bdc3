#include "model/dataitemlist.h"

#include "model/album.h"
#include "model/general.h"
#include "model/textcompare.h"
#include "model/tracks.h"

#include <algorithm>
#include <variant>

namespace {

enum class TCompareAs { Integer, Float, Text };

TCompareAs compareKind(TItemLevel level, TFieldId field)
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

qint64 integerValue(TItemLevel level, const TDataItem *item, TFieldId field)
{
    if (level == ilTrack) {
        const auto *track = static_cast<const TCustomTrack *>(item);
        switch (field) {
        case fdRating:
            return item->Rating; // the item's own rating value
        case fdAlbumIndex: {
            const TAlbum *a = item->GetAlbum();
            return a ? a->Index : 0;
        }
        case fdDiscIndex: {
            const TDisc *d = track->GetDisc();
            return d ? d->Index : 0;
        }
        case fdAlbumID: {
            const TAlbum *a = item->GetAlbum();
            return a ? a->ID : 0;
        }
        default:
            break;
        }
    }
    if (level == ilAlbum && field == fdRating)
        return item->Rating;
    return item->GetFieldAsInteger(field);
}

double floatValue(const TDataItem *item, TFieldId field)
{
    return field == fdPrice ? item->GetFieldAsFloat(field) : item->GetFieldAsDate(field);
}

} // namespace

int CompareByField(TItemLevel level, const TDataItem *item1, const TDataItem *item2, TFieldId field)
{
    switch (compareKind(level, field)) {
    case TCompareAs::Integer:
        return CompareIntegers(integerValue(level, item1, field),
                               integerValue(level, item2, field));
    case TCompareAs::Float:
        return CompareFloats(floatValue(item1, field), floatValue(item2, field));
    case TCompareAs::Text:
        break;
    }
    return CompareFolded(item1->GetFieldSortText(field), item2->GetFieldSortText(field));
}

void TDataItemList::SortByField(TFieldId field)
{
    TWaitCursor wait;
    // Each item's key once, not once per comparison.
    const TCompareAs kind = compareKind(Level, field);
    struct Keyed
    {
        std::variant<qint64, double, QString> key;
        TDataItem *item;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(std::size_t(size()));
    for (TDataItem *item : std::as_const(*this)) {
        switch (kind) {
        case TCompareAs::Integer:
            keyed.push_back({integerValue(Level, item, field), item});
            break;
        case TCompareAs::Float:
            keyed.push_back({floatValue(item, field), item});
            break;
        case TCompareAs::Text:
            keyed.push_back({item->GetFieldSortText(field), item});
            break;
        }
    }
    std::sort(keyed.begin(), keyed.end(), [](const Keyed &a, const Keyed &b) {
        int r = 0;
        if (const auto *ia = std::get_if<qint64>(&a.key))
            r = CompareIntegers(*ia, std::get<qint64>(b.key));
        else if (const auto *fa = std::get_if<double>(&a.key))
            r = CompareFloats(*fa, std::get<double>(b.key));
        else
            r = CompareFolded(std::get<QString>(a.key), std::get<QString>(b.key));
        return r != 0 ? r < 0 : a.item->ID < b.item->ID;
    });
    for (qsizetype i = 0; i < size(); ++i)
        (*this)[i] = keyed[std::size_t(i)].item;
}
