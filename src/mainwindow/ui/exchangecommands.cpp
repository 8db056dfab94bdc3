// The exchange commands: exports to delimited text and HTML, cdplayer.ini and CD Valet.
#include "mainwindow/ui/mainwindow.h"

#include "exchange/ui/exportdialogs.h"
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
}

void TfmMain::updateExchangeCommands()
{
    const bool list = m_state->ListContent == TBrowseState::lcAlbums ||
                      m_state->ListContent == TBrowseState::lcItems;
    enableAction("acExportAsciiList", list);
    enableAction("acExportHtmlList", list);
}
