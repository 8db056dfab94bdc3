// The CDDB menu's MusicBrainz look-up: an album of the release the user takes, through
// the album editor.
#include "mainwindow/ui/mainwindow.h"

#include "model/album.h"
#include "musicbrainz/ui/mbwindows.h"
#include <QAction>
#include <QStatusBar>

void TfmMain::createMusicBrainzActions()
{
    QAction *query =
        makeAction("acQueryMusicBrainz", tr("Query &MusicBrainz..."),
                   tr("Add New Album By Scanning and Querying MusicBrainz"), {}, nullptr);
    query->setEnabled(true);
    connect(query, &QAction::triggered, this, [this] {
        TMbNewAlbum made = QueryMusicBrainzNewAlbum(this, *m_db, *m_dm);
        if (!made.album)
            return;
        // Why the cover is missing stays in sight while the editor is open.
        if (!made.coverNote.isEmpty())
            statusBar()->showMessage(made.coverNote, 15000);
        if (addThroughEditor(made.album.get()))
            made.album.release();
    });
}
