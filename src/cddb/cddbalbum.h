#pragma once

#include <QString>

class TAlbum;
class TFieldDefaults;
class TQelDb;
class TScanCD;
struct TCddbTrack;

// What a CDDB track title holds, and how the query screen's options split it.
enum TTrackContent : quint8 { tcArtistTitle, tcTitleArtist, tcTitleOnly, tcArtistOnly };
enum TTrackExtUse : quint8 { teAsComments, teAsArtist, teDontUse };

// The separator between artist and title by its stored index (0 to 7), and the
// character that closes it ("(" is closed by ")", quotes by themselves), or empty.
QString TrackSeparatorText(int index);
QString TrackSeparatorClose(int index);

QString TrackArtist(const TCddbTrack &track, int content, int separator, int trackExt);
QString TrackTitle(const TCddbTrack &track, int content, int separator);
QString TrackComments(const TCddbTrack &track, int trackExt);

// A new album (not yet in db) from a scanned disc and its selected entry, by the
// disc's options: one disc with its identifiers and lead-out, a track per scanned
// track with its length and frame offset, and, from the entry, title, artist, genre,
// comments and the tracks' artists, titles and comments. defaults may be null.
TAlbum *CreateFromScanCD(const TScanCD &record, TQelDb &db, const TFieldDefaults *defaults);
