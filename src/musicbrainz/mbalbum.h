#pragma once

#include "musicbrainz/mbrelease.h"

#include <QString>

class TAlbum;
class TFieldDefaults;
class TLookupItem;
class TLookupList;
class TQelDb;
class TScanCD;
struct TMbDiscId;

// The medium of release that holds the scanned disc: the one whose disc IDs list it,
// else (a near match, or a release that does not list it) the first with as many
// tracks as the disc has audio tracks, else the first. -1 for a release without media.
int ScannedMediumIndex(const TMbRelease &release, const TMbDiscId &id);

// The entry of list for a name with its sort name: an entry found by either name is
// taken as it is (a missing display name filled in), otherwise a new one is added.
TLookupItem *MbLookupEntry(TLookupList &list, const QString &sortName, const QString &displayName);

// A new album (not yet in db) of a release and the scanned disc it was found for:
// every medium a disc, the scanned one with the scan's identifiers, offsets and
// lengths, the others with those of their first listed table of contents; title,
// artists, year, label, catalogue number, format, genre and comments from the release.
// defaults may be null.
TAlbum *CreateFromMbRelease(const TMbRelease &release, const TScanCD &scan, const TMbDiscId &id,
                            TQelDb &db, const TFieldDefaults *defaults);

// The album of db that holds the scanned disc (by its "Microsoft Disc ID", as "Find CD"
// finds it, else by its CDDB disc ID), or nullptr.
TAlbum *FindAlbumOfDisc(const TQelDb &db, const TScanCD &scan);
