#include "cddb/cddbalbum.h"

#include "cddb/scancd.h"
#include "model/album.h"
#include "model/lookuplist.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "shell/fielddefaults.h"

namespace {

struct TSeparator
{
    char16_t open;
    char16_t close; // 0: none
};

constexpr TSeparator kSeparators[] = {{u'/', 0}, {u'\\', 0},   {u'-', 0},      {u':', 0},
                                      {u';', 0}, {u'(', u')'}, {u'\'', u'\''}, {u'"', u'"'}};

TSeparator separatorAt(int index)
{
    return kSeparators[index >= 0 && index < 8 ? index : 0];
}

QString before(const QString &t, qsizetype p)
{
    return t.left(p).trimmed();
}

QString after(const QString &t, qsizetype p, char16_t s)
{
    QString rest = t.mid(p + 1);
    if (!rest.isEmpty() && (rest.back() == QChar(s) || (s == u'(' && rest.back() == u')')))
        rest.chop(1);
    return rest.trimmed();
}

} // namespace

QString TrackSeparatorText(int index)
{
    return QString(QChar(separatorAt(index).open));
}

QString TrackSeparatorClose(int index)
{
    const char16_t c = separatorAt(index).close;
    return c ? QString(QChar(c)) : QString();
}

QString TrackArtist(const TCddbTrack &track, int content, int separator, int trackExt)
{
    if (trackExt == teAsArtist)
        return track.ExtData;
    const QString &t = track.Title;
    const char16_t s = separatorAt(separator).open;
    const qsizetype p = t.indexOf(QChar(s));
    switch (content) {
    case tcArtistTitle:
        return p >= 0 ? before(t, p) : QString();
    case tcTitleArtist:
        return p >= 0 ? after(t, p, s) : QString();
    case tcArtistOnly:
        return t;
    default:
        return {};
    }
}

QString TrackTitle(const TCddbTrack &track, int content, int separator)
{
    const QString &t = track.Title;
    const char16_t s = separatorAt(separator).open;
    const qsizetype p = t.indexOf(QChar(s));
    switch (content) {
    case tcArtistTitle:
        return p >= 0 ? after(t, p, s) : t;
    case tcTitleArtist:
        return p >= 0 ? before(t, p) : t;
    case tcArtistOnly:
        return {};
    default:
        return t;
    }
}

QString TrackComments(const TCddbTrack &track, int trackExt)
{
    return trackExt == teAsComments ? track.ExtData : QString();
}

TAlbum *CreateFromScanCD(const TScanCD &record, TQelDb &db, const TFieldDefaults *defaults)
{
    auto *album = new TAlbum(&db);
    if (defaults)
        defaults->ApplyTo(*album, db);
    // Genre and format entries as the user would type them; only artists take a
    // display name (the submission sends it).
    album->Format = db.LookupList(fdFormat).GetOrAdd(QStringLiteral("CD"));

    auto *disc = new TDisc(album);
    album->Add(disc);
    disc->Index = 1;
    disc->MsDiscId = record.MsDiscId;
    disc->CddbDiscId = record.CddbDiscId;
    disc->LeadOut = record.LeadOut;

    const TCddbCD *entry =
        record.SelectedCddbCD >= 0 && record.SelectedCddbCD < record.CddbCDCount()
            ? &record.CddbCD(record.SelectedCddbCD)
            : nullptr;
    if (entry) {
        album->Title = entry->Title();
        album->Artist = db.LookupList(fdArtist).GetOrAddShown(entry->Artist());
        if (record.UseGenre)
            album->Genre = db.LookupList(fdGenre).GetOrAdd(entry->Category);
        disc->CddbRevision = entry->Revision;
        if (record.UseDiscExtData)
            album->Comments = entry->ExtData;
    }
    for (int i = 0; i < record.TrackCount(); ++i) {
        auto *track = new TTrack(disc);
        disc->Add(track);
        track->Index = i + 1;
        track->Position = i + 1;
        track->Length = record.Track(i).LengthSeconds();
        track->StartFrame = record.Track(i).StartFrame;
        if (entry && i < entry->TrackCount()) {
            const TCddbTrack &t = entry->Track(i);
            track->Artist = db.LookupList(fdArtist).GetOrAddShown(
                TrackArtist(t, record.TrackContent, record.TrackSeparator, record.UseTrackExtData));
            track->Title = TrackTitle(t, record.TrackContent, record.TrackSeparator);
            track->Comments = TrackComments(t, record.UseTrackExtData);
        }
    }
    disc->RebuildTrackList();
    album->RebuildTrackLists();
    return album;
}
