#pragma once

#include <QString>
#include <vector>

// A release as the MusicBrainz web service describes it, reduced to what the program
// uses. Texts are as MusicBrainz gives them; a value it leaves out is empty (numbers:
// -1 where 0 would be a value).

// One name of an artist credit: the name as credited, the artist's sort name and the
// phrase that joins it to the next name (" & ", " feat. ", or empty).
struct TMbCreditName
{
    QString Name;
    QString SortName;
    QString JoinPhrase;
};
using TMbCredit = std::vector<TMbCreditName>;

// The credit as MusicBrainz shows it: the credited names joined by their phrases.
QString MbCreditText(const TMbCredit &credit);
// The sort name of a credit: the first artist's sort name, and when several are
// credited, the first join phrase and the rest of the credit as shown
// ("Kestrel, Mara & Jonas Bell").
QString MbCreditSortName(const TMbCredit &credit);

// A disc ID listed on a medium, with its table of contents.
struct TMbDisc
{
    QString Id;
    qint32 Sectors = 0;          // the lead-out
    std::vector<qint32> Offsets; // the tracks' starts, track 1 first
};

struct TMbTrack
{
    int Position = 0;
    QString Number; // as printed ("A1")
    QString Title;
    qint64 LengthMs = -1;
    TMbCredit Credit;
};

struct TMbMedium
{
    int Position = 0;
    QString Title;
    QString Format; // "CD", "Enhanced CD", ...; empty when unknown
    int TrackCount = 0;
    std::vector<TMbDisc> Discs;
    std::vector<TMbTrack> Tracks; // in position order; empty when not read
};

struct TMbLabelInfo
{
    QString Name; // empty: a catalogue number without a known label
    QString SortName;
    QString CatalogNumber;
};

struct TMbGenre
{
    QString Name;
    int Count = 0;
};

struct TMbRelease
{
    QString Id;
    QString Title;
    QString Date; // "1998", "1998-05", "1998-05-04" or empty
    QString Country;
    QString Barcode;
    QString Disambiguation;
    TMbCredit Credit;
    std::vector<TMbLabelInfo> Labels;
    std::vector<TMbMedium> Media;      // in position order
    std::vector<TMbGenre> GroupGenres; // the release group's
    bool HasFrontCover = true;         // false only when the release says it has none
    bool Near = false;                 // found by a near table of contents
    bool Complete = false;             // read whole (tracks and disc IDs), not from a lookup

    // The label and catalogue number shown for the release: the first given.
    const TMbLabelInfo *FirstLabel() const;
    QString FirstCatalogNumber() const;
    // The genre of the release group with the highest count (ties: alphabetical).
    QString TopGenre() const;
};

// The releases found for a disc: exact matches of its disc ID, or near matches of its
// table of contents (each marked Near). Empty: nothing found.
using TMbReleases = std::vector<TMbRelease>;
