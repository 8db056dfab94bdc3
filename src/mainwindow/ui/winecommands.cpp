// The exchange with cdplayer.ini and CD Valet, both ways.
#include "mainwindow/ui/mainwindow.h"

#include "exchange/ui/wineexchange.h"
#include "model/qeldb.h"

void TfmMain::wireWineCommands()
{
    // An import can add many albums: once the user has confirmed it, a backup of the
    // collection as it stands; afterwards the collection is saved and shown afresh.
    using TImport = bool (*)(QWidget *, TQelDb &, TdmGlobal &, const std::function<void()> &);
    const auto import = [this](TImport run) {
        const auto backup = [this] { keepBigChangeBackup(); };
        if (!run(this, *m_db, *m_dm, backup))
            return;
        // An import may give existing albums new titles as well as add albums.
        m_db->MarkAllChanged();
        SaveDatabase();
        startAfresh();
    };
    onTriggered("acImportCdPlayer", [import] { import(ImportFromCdPlayer); });
    onTriggered("acImportCdValet", [import] { import(ImportFromCdValet); });
    onTriggered("acExportCdPlayer", [this] { ExportToCdPlayer(this, *m_db, *m_dm); });
    onTriggered("acExportCdValet", [this] { ExportToCdValet(this, *m_db, *m_dm); });
}

void TfmMain::updateWineCommands() {}
