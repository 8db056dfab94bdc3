#pragma once

#include "model/album.h"
#include "model/qeldb.h"

#include <vector>

// A collection of count albums titled "Album 0", "Album 1", ... with years, and the
// albums as a report's items.
struct TReportAlbums
{
    TQelDb db;
    std::vector<const TDataItem *> items;
    explicit TReportAlbums(int count)
    {
        for (int i = 0; i < count; ++i) {
            auto *album = new TAlbum(&db);
            album->Title = QStringLiteral("Album %1").arg(i);
            album->Year = QString::number(1960 + i % 50);
            db.AddAlbum(album);
            items.push_back(album);
        }
    }
};
