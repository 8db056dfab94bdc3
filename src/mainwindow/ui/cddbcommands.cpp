// The CDDB menu: adding albums from CDs and the CDDB, the batch scan, submissions, the
// CDDB settings and the desktop's CD player; and finding the CD in the drive.
#include "mainwindow/ui/mainwindow.h"

#include "cddb/cdreader.h"
#include "cddb/scancd.h"
#include "cddb/ui/cddbcdwindow.h"
#include "cddb/ui/cddbsettingswindow.h"
#include "cddb/ui/scanwindow.h"
#include "cddb/ui/submitwindow.h"
#include "model/album.h"
#include "model/general.h"
#include "model/qeldb.h"
#include "shell/dmglobal.h"
#include "views/browsestate.h"
#include "views/foldertreemodel.h"

#include <QAction>
#include <QDesktopServices>
#include <QFileInfo>
#include <QTreeView>
#include <QUrl>

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
    // An album made from a CD goes through the album editor, and in on OK.
    auto addThroughEditor = [this](TAlbum *album) { return this->addThroughEditor(album); };
    onTriggered("acAddAlbumByScanning", [this, addThroughEditor] {
        std::unique_ptr<TAlbum> album = QueryNewAlbum(this, *m_db, *m_dm);
        if (album && addThroughEditor(album.get()))
            album.release();
    });
    onTriggered("acBatchScan", [this, addThroughEditor] {
        m_place.Remember(*m_state);
        ShowBatchScan(this, *m_db, *m_dm, addThroughEditor);
        refreshKeepingPlace();
    });
    onTriggered("acSubmit", [this] {
        if (TAlbum *album = m_state->CurrentAlbum())
            ShowSubmitScreen(this, *album, *m_dm);
    });
    onTriggered("acCddbSettings", [this] { ShowCddbSettings(this, *m_dm); });
    onTriggered("acStartCdPlayer", [this] {
        // The desktop's handler for audio CDs plays the drive ("cdda://sr0").
        const QString drive = m_dm->Prefs().GetScanDrive();
        if (drive.isEmpty() || IsDiscImagePath(drive))
            return;
        const QUrl url(QStringLiteral("cdda://") + QFileInfo(drive).fileName());
        if (!QDesktopServices::openUrl(url))
            ShowInfo(tr("No program could play the CD in %1.").arg(drive));
    });
    onTriggered("acFindCD", [this] {
        if (m_state->TreeType != 0) {
            if (AskOkCancel(tr("Finding a CD by Scanning is only possible in Album View.\r\nDo you "
                               "want Qel to switch to Album View now?")) != TAnswer::Ok)
                return;
            cmAlbumView();
        }
        TScanCD record;
        try {
            TWaitCursor wait;
            TCdScanner().Scan(m_dm->Prefs().GetScanDrive(), record);
        } catch (const EQel &e) {
            ShowInfo(e.message());
            return;
        }
        TAlbum *album = m_db->FindAlbumByMsDiscId(record.MsDiscId);
        if (!album) {
            ShowInfo(tr("CD not found in database."));
            return;
        }
        TTreeNode *node = m_state->NodeOfAlbum(album);
        if (!node) {
            ShowInfo(tr("CD was found in database, but is not in the current list, because of the "
                        "current grouping or filter."));
            return;
        }
        m_tree->expand(m_state->TreeModel()->IndexOf(node->parent));
        m_state->SelectNode(node);
        m_tree->expand(m_state->TreeModel()->IndexOf(node));
    });
    updateCddbCommands();
}

void TfmMain::updateCddbCommands()
{
    enableAction("acSubmit", m_state->CurrentAlbum() != nullptr);
    // Only a drive plays; a disc image is for cataloguing.
    const QString drive = m_dm->Prefs().Drive;
    enableAction("acStartCdPlayer", !drive.isEmpty() && !IsDiscImagePath(drive));
}
