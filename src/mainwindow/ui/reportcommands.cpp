// The report commands: list and album reports of the current list or album, with their
// preview.
#include "mainwindow/ui/mainwindow.h"

#include "model/album.h"
#include "model/dataitem.h"
#include "reports/ui/printalbumsdialog.h"
#include "reports/ui/printlistdialog.h"
#include "shell/dmglobal.h"
#include "shell/ui/iconlists.h"

void TfmMain::wireReportCommands()
{
    const auto listReport = [this] {
        copyColumnsBack();
        std::vector<const TDataItem *> items;
        for (const TDataItem *item : m_state->CurrentItems)
            items.push_back(item);
        PrintListReport(this, std::move(items), m_state->Level(), *m_dm);
    };
    const auto albumReport = [this](std::vector<const TAlbum *> albums) {
        PrintAlbumReport(this, std::move(albums), *m_dm,
                         [](int index) { return TIconLists::Instance().LargeImage(index); });
    };
    onTriggered("acPrintListReport", listReport);
    onTriggered("acListPrintList", listReport);
    onTriggered("acPrintAlbumReport", [this, albumReport] {
        std::vector<const TAlbum *> albums;
        for (const TDataItem *item : m_state->CurrentItems)
            if (item->Kind() == TItemKind::Album)
                albums.push_back(static_cast<const TAlbum *>(item));
        albumReport(std::move(albums));
    });
    const auto selectedAlbum = [this, albumReport] {
        if (const TAlbum *album = m_state->CurrentAlbum())
            albumReport({album});
    };
    onTriggered("acPrintSelectedAlbum", selectedAlbum);
    onTriggered("acListPrintAlbum", selectedAlbum);
}

void TfmMain::updateReportCommands()
{
    const bool list = (m_state->ListContent == TBrowseState::lcAlbums ||
                       m_state->ListContent == TBrowseState::lcItems) &&
                      !m_state->CurrentItems.isEmpty();
    enableAction("acPrintListReport", list);
    enableAction("acListPrintList", list);
    enableAction("acPrintAlbumReport", m_state->ListContent == TBrowseState::lcAlbums &&
                                           !m_state->CurrentItems.isEmpty());
    enableAction("acPrintSelectedAlbum", m_state->CurrentAlbum() != nullptr);
    enableAction("acListPrintAlbum", m_state->CurrentAlbum() != nullptr);
}
