#pragma once

class QString;
class TQelDb;

// Builds albums from a readable JSON description of a collection (the demo
// collection is kept this way in resources/demo/demo.json).
//
//   {
//     "lookups": {                       optional: entries with display names
//       "Artist/Composer": [{"sort": "Kestrel, Mara", "display": "Mara Kestrel"}, ...],
//       "Genre": ["Folk", "Jazz"]        a plain string is a sort name alone
//     },
//     "albums": [
//       {"Title": "...", "Artist/Composer": "Mara Kestrel", "Format": "CD", ...,
//        "discs": [
//          {"Title": "Disc 1", "Cddb Disc ID": "7a0b5c0d", "items": [
//            {"kind": "header", "Title": "Side A", "items": [ tracks ]},
//            {"Title": "...", "Length": "04:12"},
//            {"Title": "...", "items": [{"Title": "I. Allegro", "Length": "09:58"}]}
//          ]}
//        ]}
//     ]
//   }
//
// Keys are the fields' default names. "kind" is "header", "track" or "subtrack";
// it defaults to "track" in discs and headers and to "subtrack" in tracks.
// Values by kind of field:
// - text: a string; "Comments" may also be an array of lines (joined by CR LF).
// - lookup: a sort name or display name, resolved like an editor does (GetOrAdd).
// - "Rating" 0-100, "BPM", "CDDB Revision", the album's "Index": integers.
// - dates: "yyyy-mm-dd". "Price": "12.50". "Length": "mm:ss" (tracks, subtracks);
//   a track without one that holds subtracks takes the sum of theirs.
// - "Mono", "Rare", "In Collection": true/false; "Live": "yes", "no", "undecided".
// - "A/D": "AAD", "ADD", "DAD", "DDD" or "N/A".
// - "Microsoft Disc ID", "Cddb Disc ID": hexadecimal strings.
// - "Cover File" names a picture in <source folder>/covers, from which the 32x32
//   thumbnail is made; "Lyrics File" names a file in <source folder>/lyrics.
// Derived values are not given: track-level "Index" and "Position" are numbered as
// the album editor numbers them, an album's "Index" defaults to its place in the
// list, and "Live" left out is undecided.
//
// The albums are appended to db. Throws EQel with a message naming the file, the
// album, the item and the field on any bad input; db may then hold part of the
// source (lookup entries, albums before the bad one).
void BuildCollectionFromSource(TQelDb &db, const QString &jsonPath);
