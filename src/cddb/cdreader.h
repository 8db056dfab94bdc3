#pragma once

#include "model/qelerror.h"

#include <QString>

class TScanCD;

// The reader's failures; callers catch ECdScanner and show its message.
class ECdScanner : public EQel
{
public:
    using EQel::EQel;
};
class EDriveOpen : public ECdScanner // no disc, or the tray is open
{
public:
    EDriveOpen();
};
class EDriveInUse : public ECdScanner // another program holds the drive
{
public:
    EDriveInUse();
};
class EDriveError : public ECdScanner // anything else, also an unreadable disc image
{
public:
    EDriveError();
};

// Reads the table of contents of an audio CD, from a drive (/dev/sr0) or from a disc
// image (.cue with its .bin, cdrdao .toc, .nrg), through libcdio.
class TCdScanner
{
public:
    // Fills disc from source: its tracks, lengths, lead-out and both identifiers. The
    // CDDB entries it holds stay. On failure the disc is reset and the error raised:
    // ECdScanner "No CD-ROM drive found." for an empty source, EDriveOpen, EDriveInUse
    // or EDriveError for the drive, EQel for a disc without 1 to 99 tracks.
    void Scan(const QString &source, TScanCD &disc);

    // True when path names a disc image rather than a drive.
    static bool IsImage(const QString &path);
};
