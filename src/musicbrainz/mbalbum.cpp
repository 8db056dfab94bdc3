#include "musicbrainz/mbalbum.h"

#include "cddb/scancd.h"
#include "model/album.h"
#include "model/lookuplist.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "musicbrainz/mbdiscid.h"
#include "shell/fielddefaults.h"

#include <QStringList>
#include <algorithm>

namespace {

TLookupItem *creditEntry(TQelDb &db, const TMbCredit &credit)
{
    return MbLookupEntry(db.LookupList(fdArtist), MbCreditSortName(credit), MbCreditText(credit));
}

// The artist of a track only when its credit is not the release's: otherwise the track
// shows the album's artist.
void setTrackArtist(TTrack &track, TQelDb &db, const TMbTrack &from, const QString &releaseCredit)
{
    const QString credit = MbCreditText(from.Credit);
    if (!credit.isEmpty() && credit != releaseCredit)
        track.Artist = creditEntry(db, from.Credit);
}

int positionOf(const TMbTrack *track, int index)
{
    return track && track->Position > 0 ? track->Position : index + 1;
}

// The scanned medium takes the scan as a CDDB album does; on an enhanced CD the data
// track is left out and the last audio track ends where the audio session does.
void fillScanned(TDisc &disc, const TMbMedium *medium, const TScanCD &scan, const TMbDiscId &id,
                 TQelDb &db, const QString &releaseCredit)
{
    disc.MsDiscId = scan.MsDiscId;
    disc.CddbDiscId = scan.CddbDiscId;
    disc.LeadOut = scan.LeadOut;
    const int audio = id.DataTrackLast ? scan.TrackCount() - 1 : scan.TrackCount();
    for (int i = 0; i < audio; ++i) {
        const TMbTrack *from =
            medium && size_t(i) < medium->Tracks.size() ? &medium->Tracks[size_t(i)] : nullptr;
        const TScanTrack &scanned = scan.Track(i);
        auto *track = new TTrack(&disc);
        disc.Add(track);
        track->Index = positionOf(from, i);
        track->Position = track->Index;
        track->StartFrame = scanned.StartFrame;
        const qint32 frames =
            id.DataTrackLast && i == audio - 1
                ? scan.Track(audio).StartFrame - kEnhancedCdGap - scanned.StartFrame
                : scanned.Length;
        track->Length = std::max(frames, 0) / 75;
        if (from) {
            track->Title = from->Title;
            setTrackArtist(*track, db, *from, releaseCredit);
        }
    }
}

// Another medium of the release: identifiers and offsets from its first disc ID's table
// of contents, lengths from the track lengths.
void fillOther(TDisc &disc, const TMbMedium &medium, TQelDb &db, const QString &releaseCredit)
{
    const TMbDisc *toc = !medium.Discs.empty() && !medium.Discs.front().Offsets.empty()
                             ? &medium.Discs.front()
                             : nullptr;
    if (toc) {
        TScanCD scan;
        ScanCdFromToc(toc->Offsets, toc->Sectors, scan);
        disc.MsDiscId = scan.MsDiscId;
        disc.CddbDiscId = scan.CddbDiscId;
        disc.LeadOut = scan.LeadOut;
    }
    for (size_t i = 0; i < medium.Tracks.size(); ++i) {
        const TMbTrack &from = medium.Tracks[i];
        auto *track = new TTrack(&disc);
        disc.Add(track);
        track->Index = positionOf(&from, int(i));
        track->Position = track->Index;
        track->Title = from.Title;
        track->Length = from.LengthMs > 0 ? qint32((from.LengthMs + 500) / 1000) : 0;
        if (toc && i < toc->Offsets.size())
            track->StartFrame = toc->Offsets[i];
        setTrackArtist(*track, db, from, releaseCredit);
    }
}

} // namespace

int ScannedMediumIndex(const TMbRelease &release, const TMbDiscId &id)
{
    const auto &media = release.Media;
    if (media.empty())
        return -1;
    for (size_t m = 0; m < media.size(); ++m)
        for (const TMbDisc &disc : media[m].Discs)
            if (!id.Id.isEmpty() && disc.Id == id.Id)
                return int(m);
    for (size_t m = 0; m < media.size(); ++m)
        if (media[m].TrackCount == id.AudioTrackCount())
            return int(m);
    return 0;
}

TLookupItem *MbLookupEntry(TLookupList &list, const QString &sortName, const QString &displayName)
{
    TLookupItem *entry = list.FindByName(sortName);
    if (!entry)
        entry = list.FindByName(displayName);
    if (entry) {
        if (entry->DisplayName.isEmpty() && !displayName.isEmpty())
            list.Edit(entry, entry->SortName, displayName);
        return entry;
    }
    return list.FindOrCreate(sortName.isEmpty() ? displayName : sortName, displayName);
}

TAlbum *CreateFromMbRelease(const TMbRelease &release, const TScanCD &scan, const TMbDiscId &id,
                            TQelDb &db, const TFieldDefaults *defaults)
{
    auto *album = new TAlbum(&db);
    if (defaults)
        defaults->ApplyTo(*album, db);
    album->Title = release.Title;
    album->Artist = creditEntry(db, release.Credit);
    if (!release.Date.isEmpty())
        album->Year = release.Date.left(4);
    if (const TMbLabelInfo *label = release.FirstLabel())
        album->Label =
            MbLookupEntry(db.LookupList(fdLabel),
                          label->SortName.isEmpty() ? label->Name : label->SortName, label->Name);
    album->Number = release.FirstCatalogNumber();
    const int scanned = ScannedMediumIndex(release, id);
    const QString format = scanned >= 0 ? release.Media[size_t(scanned)].Format : QString();
    album->Format =
        db.LookupList(fdFormat).GetOrAdd(format.isEmpty() ? QStringLiteral("CD") : format);
    const QString genre = release.TopGenre();
    if (!genre.isEmpty())
        album->Genre = db.LookupList(fdGenre).GetOrAdd(genre);
    // So that the album can be found on MusicBrainz again.
    QStringList comments;
    if (!release.Disambiguation.isEmpty())
        comments << release.Disambiguation;
    if (!release.Barcode.isEmpty())
        comments << QStringLiteral("Barcode: ") + release.Barcode;
    comments << QStringLiteral("MusicBrainz: ") + release.Id;
    album->Comments = comments.join(QStringLiteral("\r\n"));

    const QString releaseCredit = MbCreditText(release.Credit);
    if (release.Media.empty()) {
        auto *disc = new TDisc(album);
        album->Add(disc);
        disc->Index = 1;
        fillScanned(*disc, nullptr, scan, id, db, releaseCredit);
    }
    for (size_t m = 0; m < release.Media.size(); ++m) {
        const TMbMedium &medium = release.Media[m];
        auto *disc = new TDisc(album);
        album->Add(disc);
        disc->Index = medium.Position > 0 ? medium.Position : int(m) + 1;
        disc->Title = medium.Title;
        if (int(m) == scanned)
            fillScanned(*disc, &medium, scan, id, db, releaseCredit);
        else
            fillOther(*disc, medium, db, releaseCredit);
    }
    for (qsizetype d = 0; d < album->DiscCount(); ++d)
        album->Disc(d)->RebuildTrackList();
    album->RebuildTrackLists();
    return album;
}

TAlbum *FindAlbumOfDisc(const TQelDb &db, const TScanCD &scan)
{
    if (scan.MsDiscId != 0)
        if (TAlbum *album = db.FindAlbumByMsDiscId(scan.MsDiscId))
            return album;
    if (scan.CddbDiscId == 0)
        return nullptr;
    for (qsizetype i = 0; i < db.AlbumCount(); ++i) {
        TAlbum *album = db.Album(i);
        for (qsizetype d = 0; d < album->DiscCount(); ++d)
            if (album->Disc(d)->CddbDiscId == scan.CddbDiscId)
                return album;
    }
    return nullptr;
}
