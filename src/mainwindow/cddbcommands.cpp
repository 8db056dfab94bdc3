// The CDDB menu. Its commands come with the CD reader and the CDDB windows; until then
// they are shown disabled.
#include "mainwindow/mainwindow.h"

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

void TfmMain::wireCddbCommands() {}

void TfmMain::updateCddbCommands() {}
