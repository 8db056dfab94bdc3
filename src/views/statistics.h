#pragma once

#include <QString>
#include <QtGlobal>

class TQelDb;

// Counts, totals and averages over a whole collection, with the texts the
// statistics window and `qel info` show. An average whose divisor is 0 is empty.
struct TStatistics
{
    qint64 albums = 0;
    qint64 discs = 0;
    qint64 tracks = 0;
    qint64 totalLength = 0; // seconds
    qint64 totalPrice = 0;  // amount times 10000

    static TStatistics Gather(const TQelDb &db);

    QString AvgTracksPerAlbum() const;
    QString AvgTracksPerDisc() const;
    QString TotalLengthText() const; // "%d hours, %d minutes, %d seconds"
    QString AvgAlbumLength() const;
    QString AvgDiscLength() const;
    QString AvgTrackLength() const;
    QString TotalPriceText() const;
};
