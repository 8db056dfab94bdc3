// The exchange commands: exports to delimited text and HTML, imports of delimited text
// and of a Discogs collection export.
#include "mainwindow/ui/mainwindow.h"

#include "exchange/ui/exportdialogs.h"
#include "exchange/ui/importdialogs.h"
#include "model/qeldb.h"

void TfmMain::wireExchangeCommands()
{
    using TExportDialog =
        void (*)(QWidget *, QList<TDataItem *>, TItemLevel, TItemLevel, TdmGlobal &);
    const auto wire = [this](const char *list, const char *albums, const char *tracks,
                             TExportDialog run) {
        onTriggered(list, [this, run] {
            if (m_state->ListContent != TBrowseState::lcAlbums &&
                m_state->ListContent != TBrowseState::lcItems)
                return;
            run(this, m_state->CurrentItems, m_state->Level(), m_state->Level(), *m_dm);
        });
        onTriggered(albums, [this, run] { run(this, m_db->Albums, ilAlbum, ilAlbum, *m_dm); });
        onTriggered(tracks, [this, run] { run(this, m_db->Albums, ilAlbum, ilTrack, *m_dm); });
    };
    wire("acExportAsciiList", "acExportAsciiAlbums", "acExportAsciiTracks", ExportToAscii);
    wire("acExportHtmlList", "acExportHtmlAlbums", "acExportHtmlTracks", ExportToHtml);

    // An import adds many albums: a backup of the collection as it stands once the file
    // has proved readable, then the albums, saved once and shown again where the user
    // was. The albums are new (adding marks them for the save) and no album already
    // there changes, nor does an entry the albums refer to.
    using TImport = bool (*)(QWidget *, TQelDb &, TdmGlobal &, const std::function<void()> &);
    const auto import = [this](TImport run) {
        if (!run(this, *m_db, *m_dm, [this] { keepBigChangeBackup(); }))
            return;
        SaveDatabase();
        refreshKeepingPlace();
    };
    onTriggered("acImportText", [import] { import(ImportDelimitedText); });
    onTriggered("acImportDiscogs", [import] { import(ImportDiscogsCollection); });
}

void TfmMain::updateExchangeCommands()
{
    const bool list = m_state->ListContent == TBrowseState::lcAlbums ||
                      m_state->ListContent == TBrowseState::lcItems;
    enableAction("acExportAsciiList", list);
    enableAction("acExportHtmlList", list);
}
