// The CDDB menu: adding albums from CDs and the CDDB, the batch scan, submissions, the
// CDDB settings and the desktop's CD player.
#include "mainwindow/mainwindow.h"

#include "cddb/ui/cddbcdwindow.h"
#include "editors/ui/albumeditor.h"
#include "model/album.h"
#include "model/qeldb.h"
#include "shell/dmglobal.h"

#include <QAction>

void TfmMain::createCddbActions()
{
    makeAction("acAddAlbumByScanning", tr("&Add Album by Scanning / Querying..."),
               tr("Add New Album By Scanning and Querying the CDDB"), QKeySequence(Qt::Key_Insert),
               nullptr);
    makeAction("acBatchScan", tr("&Batch Scanning && Querying..."),
               tr("Batch Scanning && Querying"), {}, nullptr);
    makeAction("acSubmit", tr("&Submit Current Album..."), tr("Submit Current Album to CDDB"), {},
               nullptr);
    makeAction("acStartCdPlayer", tr("Start CD &Player"), tr("Start CD Player"), {}, nullptr);
    makeAction("acCddbSettings", tr("&CDDB Settings..."), tr("CDDB Settings"), {}, nullptr);
}

void TfmMain::wireCddbCommands()
{
    onTriggered("acAddAlbumByScanning", [this] {
        std::unique_ptr<TAlbum> album = QueryNewAlbum(this, *m_db, *m_dm);
        if (!album)
            return;
        m_place.Remember(*m_state);
        if (EditAlbum(Services(), *album, TfmAlbum::amAdd) != QDialog::Accepted)
            return;
        TAlbum *added = album.release();
        m_db->AddAlbum(added);
        saveAndRebuild(added);
    });
}

void TfmMain::updateCddbCommands() {}
