#include "views/statistics.h"

#include "model/general.h"
#include "model/qeldb.h"
#include "model/valueformat.h"

TStatistics TStatistics::Gather(const TQelDb &db)
{
    TWaitCursor wait;
    TStatistics s;
    s.albums = db.AlbumCount();
    for (qsizetype i = 0; i < db.AlbumCount(); ++i) {
        const TAlbum *a = db.Album(i);
        s.discs += a->DiscCount();
        s.tracks += a->GetTrackCount();
        s.totalLength += a->TotalLength();
        s.totalPrice += a->Price;
    }
    return s;
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
