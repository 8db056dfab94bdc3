#pragma once

#include "model/fields.h"

#include <QString>
#include <unordered_set>
#include <vector>

class TAlbum;
class TDisc;
class TLookupItem;
class TQelDb;
class TTrack;

// What the cdplayer.ini and CD Valet exchanges share.

// Every "Microsoft Disc ID" the collection's discs hold (0, no identifier, left out):
// one pass instead of a search of all albums per imported disc.
std::unordered_set<qint32> MsDiscIdsOf(const TQelDb &db);

// The disc identifier of a section name or table-of-contents line: 1 to 8 hexadecimal
// digits, not 0. False for anything else.
bool ParseMsDiscId(const QString &text, qint32 &id);
QString MsDiscIdText(qint32 id); // upper-case hexadecimal without leading zeros

// The discs of an album in tree order.
std::vector<TDisc *> DiscsOf(const TAlbum &album);
// The title a disc is exported with: the album's, and " (disc N)" after it when the
// album has more than one disc.
QString ExportedDiscTitle(const TAlbum &album, const TDisc &disc);
// Every track of the disc in tree order, those under section headers included.
std::vector<TTrack *> DiscTracks(const TDisc &disc);

// "Imported N CDs", the line on the discs skipped because the collection had them, and
// the one on the entries that name no disc.
QString ImportSummary(int imported, int skipped, int unreadable = 0);
