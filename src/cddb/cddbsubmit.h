#pragma once

#include <QString>

class TAlbum;
class TScanCD;

// The choices of the submission screen.
struct TSubmitOptions
{
    int titleChoice = 0; // 0 album title, 1 disc title, 2 both
    bool submitHeaders = true;
    bool submitTrackExt = false;
    bool submitDiscExt = false;
};

// Replaces the record's entries by one entry built from the album's disc discIndex.
void BuildSubmitEntry(const TAlbum &album, TScanCD &record, int discIndex,
                      const TSubmitOptions &options);

// The check before a submission: the entry is built afresh, the disc of source (a drive
// or a disc image) is scanned into the record and compared with the album's disc. The
// two questions about commas in artist names go through AskYesNo. Returns the status
// text of the first failure, or an empty text when the disc may be submitted.
QString CheckSubmission(const TAlbum &album, TScanCD &record, int discIndex,
                        const TSubmitOptions &options, const QString &category,
                        const QString &source);

// "Qel <version> - ...": who submitted the entry.
QString SubmittedViaText();
