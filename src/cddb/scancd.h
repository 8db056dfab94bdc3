#pragma once

#include "cddb/cddbentry.h"

#include <QString>
#include <memory>
#include <vector>

// One track of a scanned disc, in frames of 1/75 second.
struct TScanTrack
{
    qint32 StartFrame = 0;   // absolute, with the 150-frame lead-in
    qint32 DeviceLength = 0; // as the drive reports it; the last track one frame more
    qint32 Length = 0;       // from the offsets: the length shown and stored
    bool Data = false;       // a data track (the last one of an enhanced CD); never stored

    qint32 StartSeconds() const { return StartFrame / 75; }
    qint32 LengthSeconds() const { return Length / 75; }
    QString LengthText() const; // "mm:ss"
};

// A scanned disc: its table of contents, identifiers, the CDDB entries found for it and
// the options last chosen for it on the query screen. Copies are whole and independent.
class TScanCD
{
public:
    qint32 LeadOut = 0;
    qint32 DiscEnd = 0; // first start + DiscLength + 1: the end of the last track's Length
    qint32 DiscLength = 0;
    qint32 MsDiscId = 0;
    qint32 CddbDiscId = 0; // 32 unsigned bits
    qint32 SelectedCddbCD = -1;
    bool UseGenre = false;
    bool UseDiscExtData = false;
    quint8 UseTrackExtData = 0; // 0..2
    quint8 TrackContent = 0;    // 0..3
    quint8 TrackSeparator = 0;  // 0..7

    int TrackCount() const { return int(m_tracks.size()); }
    TScanTrack &Track(int index) { return *m_tracks.at(size_t(index)); }
    const TScanTrack &Track(int index) const { return *m_tracks.at(size_t(index)); }
    TScanTrack &AddTrack();
    void ClearTracks() { m_tracks.clear(); }

    int CddbCDCount() const { return int(m_entries.size()); }
    TCddbCD &CddbCD(int index) { return *m_entries.at(size_t(index)); }
    const TCddbCD &CddbCD(int index) const { return *m_entries.at(size_t(index)); }
    TCddbCD &AddCddbCD();
    void ClearCddbCDs();

    // Identifiers 0, no tracks, no entries.
    void Reset();
    void SelectCddbCD(int index);
    TCddbCD *SelectedEntry();

    qint32 ComputeCddbDiscId();

    qint32 LeadOutSeconds() const { return LeadOut / 75; }
    qint32 DiscLengthSeconds() const { return DiscLength / 75; }
    QString DiscLengthText() const;
    QString CddbDiscIdText() const; // eight lower-case hexadecimal digits
    QString MsDiscIdText() const;   // eight upper-case hexadecimal digits

private:
    TOwnedItems<TScanTrack> m_tracks;
    TOwnedItems<TCddbCD> m_entries;
};

// The "Microsoft Disc ID" of a table of contents, as the Windows CD audio driver
// computes it: starts are absolute frames (with the lead-in), leadOut the lead-out's.
qint32 MsDiscIdOf(const std::vector<qint32> &starts, qint32 leadOut);
