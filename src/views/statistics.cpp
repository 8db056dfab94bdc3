#include "views/statistics.h"

#include "model/general.h"
#include "model/qeldb.h"
#include "model/valueformat.h"

#include <QDate>
#include <algorithm>
#include <unordered_map>

namespace {

using TTally = std::unordered_map<const TLookupItem *, qint64>;

int yearOf(const TText &year)
{
    bool ok = false;
    const int y = year.view().trimmed().toInt(&ok);
    return ok && y > 0 ? y : 0;
}

// The bars of a tally: the largest entries first (equal values by name, then by age),
// up to largest of them; the rest as Other when withOther; the albums without an entry
// as None.
std::vector<TStatBar> barsOf(const TTally &tally, std::size_t largest, bool withOther)
{
    std::vector<std::pair<const TLookupItem *, qint64>> entries;
    entries.reserve(tally.size());
    qint64 none = 0;
    for (const auto &[entry, value] : tally) {
        if (entry)
            entries.emplace_back(entry, value);
        else
            none += value;
    }
    const auto before = [](const auto &a, const auto &b) {
        if (a.second != b.second)
            return a.second > b.second;
        const int byName = QString::compare(LookupDisplayText(a.first), LookupDisplayText(b.first),
                                            Qt::CaseInsensitive);
        return byName != 0 ? byName < 0 : a.first->ID < b.first->ID;
    };
    const std::size_t shown = std::min(largest, entries.size());
    std::partial_sort(entries.begin(), entries.begin() + qsizetype(shown), entries.end(), before);
    std::vector<TStatBar> bars;
    for (std::size_t i = 0; i < shown; ++i)
        bars.push_back({TStatBar::Entry, LookupDisplayText(entries[i].first), entries[i].second});
    if (withOther && shown < entries.size()) {
        qint64 rest = 0;
        for (std::size_t i = shown; i < entries.size(); ++i)
            rest += entries[i].second;
        bars.push_back({TStatBar::Other, QString(), rest});
    }
    if (none > 0)
        bars.push_back({TStatBar::None, QString(), none});
    return bars;
}

} // namespace

TStatistics TStatistics::Gather(const TQelDb &db)
{
    TWaitCursor wait;
    TStatistics s;
    s.albums = db.AlbumCount();
    TTally genres, formats, labels, genreLengths;
    std::map<int, TPurchaseYear> purchases;
    for (qsizetype i = 0; i < db.AlbumCount(); ++i) {
        const TAlbum *a = db.Album(i);
        const qint64 length = a->TotalLength();
        s.discs += a->DiscCount();
        s.tracks += a->GetTrackCount();
        s.totalLength += length;
        s.totalPrice += a->Price;

        if (const int year = yearOf(a->Year))
            ++s.albumsByYear[year];
        else
            ++s.albumsWithoutYear;
        ++genres[a->Genre];
        ++formats[a->Format];
        ++labels[a->Label];
        genreLengths[a->Genre] += length;
        if (a->PurchaseDate != 0) {
            const QDate bought = DateFromDays(a->PurchaseDate);
            if (bought.isValid()) {
                TPurchaseYear &p = purchases[bought.year()];
                p.year = bought.year();
                ++p.albums;
                p.price += a->Price;
            }
        }
    }
    s.albumsByGenre = barsOf(genres, kLargest, true);
    s.albumsByFormat = barsOf(formats, formats.size(), true);
    s.albumsByLabel = barsOf(labels, kLargest, false);
    s.lengthByGenre = barsOf(genreLengths, kLargest, true);
    for (const auto &[year, p] : purchases)
        s.purchases.push_back(p);
    return s;
}

std::vector<std::pair<int, qint64>> TStatistics::AlbumsByDecade() const
{
    std::vector<std::pair<int, qint64>> decades;
    for (const auto &[year, count] : albumsByYear) {
        const int decade = year / 10 * 10;
        if (decades.empty() || decades.back().first != decade)
            decades.emplace_back(decade, 0);
        decades.back().second += count;
    }
    return decades;
}

std::vector<std::pair<int, qint64>> TStatistics::AlbumsInDecade(int decade) const
{
    std::vector<std::pair<int, qint64>> years;
    for (int year = decade; year < decade + 10; ++year) {
        const auto found = albumsByYear.find(year);
        years.emplace_back(year, found == albumsByYear.end() ? 0 : found->second);
    }
    return years;
}

namespace {
QString quotient(qint64 total, qint64 divisor)
{
    return divisor > 0 ? QString::number(total / divisor) : QString();
}
QString averageLength(qint64 total, qint64 divisor)
{
    return divisor > 0 ? FormatLength(total / divisor) : QString();
}
} // namespace

QString TStatistics::AvgTracksPerAlbum() const
{
    return quotient(tracks, albums);
}

QString TStatistics::AvgTracksPerDisc() const
{
    return quotient(tracks, discs);
}

QString TStatistics::TotalLengthText() const
{
    return QStringLiteral("%1 hours, %2 minutes, %3 seconds")
        .arg(totalLength / 3600)
        .arg((totalLength % 3600) / 60)
        .arg(totalLength % 60);
}

QString TStatistics::AvgAlbumLength() const
{
    return averageLength(totalLength, albums);
}

QString TStatistics::AvgDiscLength() const
{
    return averageLength(totalLength, discs);
}

QString TStatistics::AvgTrackLength() const
{
    return averageLength(totalLength, tracks);
}

QString TStatistics::TotalPriceText() const
{
    return FormatCurrency(totalPrice);
}
