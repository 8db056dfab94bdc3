#pragma once

#include <QtGlobal>
#include <vector>

class TAlbum;
class TQelDb;

// Why albums were taken for the same one; a group may carry several.
enum TDuplicateRule : quint8 {
    drCddbDiscId = 1, // a disc of each has the same CDDB disc ID
    drMsDiscId = 2,   // a disc of each has the same "Microsoft Disc ID"
    drTitleArtist = 4 // the same title and artist once set aside as similar names are
};

struct TDuplicateGroup
{
    std::vector<TAlbum *> albums; // two or more, in collection order
    quint8 rules = 0;             // TDuplicateRule bits that joined them
};

// Groups of albums that are likely the same: a CDDB or "Microsoft" disc ID that discs
// of both carry (0 is none), or a title and an artist whose names have the same
// SimilarNameKey (an empty title joins nothing). Albums joined through a third one are
// in one group. Groups come in the collection order of their first albums. One pass
// over the collection.
std::vector<TDuplicateGroup> FindDuplicateAlbums(const TQelDb &db);
