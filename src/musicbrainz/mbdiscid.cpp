#include "musicbrainz/mbdiscid.h"

#include "cddb/scancd.h"

#include <QCoreApplication>
#include <discid/discid.h>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("TMbDiscId", text);
}

struct TDiscIdHandle
{
    DiscId *p = discid_new();
    ~TDiscIdHandle()
    {
        if (p)
            discid_free(p);
    }
};

} // namespace

TMbDiscId MbDiscIdOfToc(int first, int last, qint32 leadOut, const std::vector<qint32> &offsets)
{
    TMbDiscId id;
    id.FirstTrack = first;
    id.LastTrack = last;
    id.LeadOut = leadOut;
    id.Offsets = offsets;
    if (first < 1 || last > 99 || last < first || qsizetype(offsets.size()) != last - first + 1) {
        id.Error = tr("The table of contents has no audio tracks MusicBrainz can identify.");
        return id;
    }
    // libdiscid wants the lead-out first, then the offsets by track number.
    int table[100] = {};
    table[0] = leadOut;
    for (int t = first; t <= last; ++t)
        table[t] = offsets[size_t(t - first)];
    TDiscIdHandle disc;
    if (!disc.p || !discid_put(disc.p, first, last, table)) {
        id.Error = tr("MusicBrainz cannot identify this table of contents: %1")
                       .arg(disc.p ? QString::fromUtf8(discid_get_error_msg(disc.p)) : QString());
        return id;
    }
    id.Id = QString::fromLatin1(discid_get_id(disc.p));
    id.Toc = QString::fromLatin1(discid_get_toc_string(disc.p));
    id.SubmitUrl = QString::fromLatin1(discid_get_submission_url(disc.p));
    return id;
}

TMbDiscId MbDiscIdOf(const TScanCD &disc)
{
    std::vector<qint32> offsets;
    for (int i = 0; i < disc.TrackCount(); ++i)
        offsets.push_back(disc.Track(i).StartFrame);
    const bool enhanced = disc.TrackCount() >= 2 && disc.Track(disc.TrackCount() - 1).Data;
    qint32 leadOut = disc.LeadOut;
    if (enhanced) {
        leadOut = offsets.back() - kEnhancedCdGap;
        offsets.pop_back();
    }
    TMbDiscId id = MbDiscIdOfToc(1, int(offsets.size()), leadOut, offsets);
    id.DataTrackLast = enhanced;
    return id;
}

void ScanCdFromToc(const std::vector<qint32> &offsets, qint32 leadOut, TScanCD &disc)
{
    disc.Reset();
    if (offsets.empty())
        return;
    // The drive's own values, as the reader takes them: each track reaches the next
    // start, the last one (and the disc) a frame short of the lead-out, and the last
    // track's reported length is one frame more.
    disc.MsDiscId = MsDiscIdOf(offsets, leadOut);
    disc.DiscLength = leadOut - offsets.front() - 1;
    for (size_t i = 0; i < offsets.size(); ++i) {
        TScanTrack &track = disc.AddTrack();
        track.StartFrame = offsets[i];
        track.DeviceLength =
            i + 1 < offsets.size() ? offsets[i + 1] - offsets[i] : leadOut - offsets[i];
    }
    disc.LeadOut = leadOut;
    disc.DiscEnd = offsets.front() + disc.DiscLength + 1;
    for (int i = 0; i < disc.TrackCount(); ++i) {
        TScanTrack &track = disc.Track(i);
        track.Length = i + 1 < disc.TrackCount() ? disc.Track(i + 1).StartFrame - track.StartFrame
                                                 : disc.DiscEnd - track.StartFrame;
    }
    disc.ComputeCddbDiscId();
}
