#pragma once

#include <QString>
#include <QtGlobal>
#include <map>
#include <vector>

class TQelDb;

// One bar of a chart of the collection: a lookup entry with its value, the entries past
// the largest ones together, or the albums without an entry.
struct TStatBar
{
    enum TKind : quint8 { Entry, Other, None };
    TKind kind = Entry;
    QString name; // the entry's display text; empty for Other and None
    qint64 value = 0;
    bool operator==(const TStatBar &o) const
    {
        return kind == o.kind && name == o.name && value == o.value;
    }
};

// Albums bought in one year and what they cost.
struct TPurchaseYear
{
    int year = 0;
    qint64 albums = 0;
    qint64 price = 0; // amount times 10000
    bool operator==(const TPurchaseYear &o) const
    {
        return year == o.year && albums == o.albums && price == o.price;
    }
};

// Counts, totals and averages over a whole collection, with the texts the
// statistics window and `qel info` show, and the series of its charts. An average
// whose divisor is 0 is empty.
struct TStatistics
{
    // The bars of the charts by lookup entry: the largest, then the rest as Other.
    static constexpr int kLargest = 15;

    qint64 albums = 0;
    qint64 discs = 0;
    qint64 tracks = 0;
    qint64 totalLength = 0; // seconds
    qint64 totalPrice = 0;  // amount times 10000

    // The series, by the album's own values. A year is the album's "Year" read as a
    // number above 0; the purchase year comes from "Purchase Date".
    std::map<int, qint64> albumsByYear;
    qint64 albumsWithoutYear = 0;
    // Largest first, each followed by Other (when entries are left over) and None (when
    // albums have no entry); formats are few, so every one is shown, labels without Other.
    std::vector<TStatBar> albumsByGenre;
    std::vector<TStatBar> albumsByFormat;
    std::vector<TStatBar> albumsByLabel;
    std::vector<TStatBar> lengthByGenre;  // seconds
    std::vector<TPurchaseYear> purchases; // by year, years without purchases left out

    // Everything above in one pass over the albums.
    static TStatistics Gather(const TQelDb &db);

    // Albums per decade (1990 for 1990 to 1999), in order; and per year of one decade,
    // all ten years, those without albums at 0.
    std::vector<std::pair<int, qint64>> AlbumsByDecade() const;
    std::vector<std::pair<int, qint64>> AlbumsInDecade(int decade) const;

    QString AvgTracksPerAlbum() const;
    QString AvgTracksPerDisc() const;
    QString TotalLengthText() const; // "%d hours, %d minutes, %d seconds"
    QString AvgAlbumLength() const;
    QString AvgDiscLength() const;
    QString AvgTrackLength() const;
    QString TotalPriceText() const;
};
