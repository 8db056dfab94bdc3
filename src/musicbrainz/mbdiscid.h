#pragma once

#include <QString>
#include <vector>

class TScanCD;

// A disc's identity on MusicBrainz: the disc ID libdiscid computes from the audio
// session's table of contents, that table as MusicBrainz writes it, and the page
// where a disc that MusicBrainz does not know yet is submitted. Frames include the
// 150-frame lead-in.
struct TMbDiscId
{
    QString Id;        // 28 characters; empty when the table of contents is refused
    QString Toc;       // "first last leadout offset..."
    QString SubmitUrl; // libdiscid's submission page for this disc
    int FirstTrack = 1;
    int LastTrack = 0;
    qint32 LeadOut = 0; // the end of the last audio track
    std::vector<qint32> Offsets;
    // The last track of the scan is data (an enhanced CD): it is no track of the
    // identity, and the audio lead-out lies 11,400 frames before its start.
    bool DataTrackLast = false;
    QString Error; // why Id is empty

    bool IsValid() const { return !Id.isEmpty(); }
    int AudioTrackCount() const { return LastTrack - FirstTrack + 1; }
};

// The gap between the audio session of an enhanced CD and its data session.
constexpr qint32 kEnhancedCdGap = 11400;

// The identity of a table of contents (offsets of tracks first to last, lead-out).
TMbDiscId MbDiscIdOfToc(int first, int last, qint32 leadOut, const std::vector<qint32> &offsets);

// The identity of a scanned disc: all its tracks, or its audio tracks when the last
// one is a data track.
TMbDiscId MbDiscIdOf(const TScanCD &disc);

// The identifiers a scan of a disc with this table of contents gives: the CDDB disc ID,
// the "Microsoft Disc ID", the lead-out and each track's start and length, computed as
// the CD reader computes them from a drive's values. disc is reset first.
void ScanCdFromToc(const std::vector<qint32> &offsets, qint32 leadOut, TScanCD &disc);
