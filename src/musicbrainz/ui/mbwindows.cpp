#include "musicbrainz/ui/mbwindows.h"

#include "model/album.h"
#include "model/general.h"
#include "model/tracks.h"
#include "musicbrainz/mbclient.h"
#include "musicbrainz/mbdiscid.h"
#include "musicbrainz/ui/mbquerywindow.h"
#include "shell/dmglobal.h"

#include <QCoreApplication>
#include <QTimer>
#include <vector>

namespace {

QString tr(const char *text, const char *disambiguation = nullptr, int n = -1)
{
    return QCoreApplication::translate("TfmMbQuery", text, disambiguation, n);
}

} // namespace

TMbNewAlbum QueryMusicBrainzNewAlbum(QWidget *owner, TQelDb &db, TdmGlobal &dm)
{
    TfmMbQuery window(TScanCD(), TfmMbQuery::TMode::Add, 0, db, dm, owner);
    // The look-up starts once the window shows, so that its progress has a place.
    QTimer::singleShot(0, &window, &TfmMbQuery::ScanQuery);
    TMbNewAlbum made;
    if (window.exec() == QDialog::Accepted) {
        made.album = window.TakeAlbum();
        made.coverNote = window.CoverNote();
    }
    return made;
}

std::unique_ptr<TAlbum> QueryMusicBrainzForUpdate(QWidget *owner, TQelDb &db, TdmGlobal &dm,
                                                  qint32 currentDiscId)
{
    TfmMbQuery window(TScanCD(), TfmMbQuery::TMode::Update, currentDiscId, db, dm, owner);
    QTimer::singleShot(0, &window, &TfmMbQuery::ScanQuery);
    if (window.exec() != QDialog::Accepted)
        return nullptr;
    std::unique_ptr<TAlbum> album = window.TakeAlbum();
    if (!album)
        return nullptr;
    // The editor takes the first disc: the scanned medium stays, the others go.
    const TScanCD &scan = window.Record();
    for (qsizetype d = album->DiscCount() - 1; d >= 0; --d) {
        TDisc *disc = album->Disc(d);
        if (disc->MsDiscId != scan.MsDiscId || disc->CddbDiscId != scan.CddbDiscId) {
            album->Remove(disc);
            FreeItem(disc);
        }
    }
    while (album->DiscCount() > 1) {
        TDisc *extra = album->Disc(album->DiscCount() - 1);
        album->Remove(extra);
        FreeItem(extra);
    }
    album->RebuildTrackLists();
    return album->DiscCount() > 0 ? std::move(album) : nullptr;
}

QList<TScanCD *> QueryMusicBrainzForDiscs(QWidget *owner, const QList<TScanCD *> &discs, TQelDb &db,
                                          TdmGlobal &dm,
                                          const std::function<bool(TAlbum *)> &addAlbum,
                                          QString &summary)
{
    QList<TScanCD *> kept;
    std::vector<TMbDiscId> ids;
    for (const TScanCD *disc : discs)
        ids.push_back(MbDiscIdOf(*disc));
    std::vector<TMbReleases> found;
    TMbClient client(owner);
    client.LoadSettings(dm.Prefs(), dm.Settings());
    const bool complete = client.QueryDiscs(ids, found);
    if (!complete && !client.Cancelled())
        ShowInfo(client.ErrorMessage());
    int withReleases = 0;
    for (const TMbReleases &releases : found)
        withReleases += releases.empty() ? 0 : 1;
    bool stopped = client.Cancelled();
    for (qsizetype i = 0; i < discs.size() && !stopped; ++i) {
        if (found[size_t(i)].empty())
            continue;
        TfmMbQuery window(*discs[i], TfmMbQuery::TMode::Batch, 0, db, dm, owner);
        window.ShowReleases(found[size_t(i)]);
        const int result = window.exec();
        if (result == QDialog::Rejected) {
            stopped = true;
        } else if (result == QDialog::Accepted) {
            std::unique_ptr<TAlbum> album = window.TakeAlbum();
            if (album && addAlbum(album.get())) {
                album.release();
                kept.append(discs[i]);
            }
        }
    }
    summary = tr("MusicBrainz: %1 of %2 CD(s) found, %3 album(s) added")
                  .arg(withReleases)
                  .arg(discs.size())
                  .arg(kept.size());
    return kept;
}
