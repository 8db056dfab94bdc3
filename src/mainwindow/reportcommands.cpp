// The report commands: the list report of the current list with its preview.
#include "mainwindow/mainwindow.h"

#include "model/dataitem.h"
#include "reports/ui/printlistdialog.h"
#include "shell/dmglobal.h"

void TfmMain::wireReportCommands()
{
    const auto listReport = [this] {
        copyColumnsBack();
        std::vector<const TDataItem *> items;
        for (const TDataItem *item : m_state->CurrentItems)
            items.push_back(item);
        PrintListReport(this, std::move(items), m_state->Level(), m_dm->Settings(), m_dm->Fields());
    };
    onTriggered("acPrintListReport", listReport);
    onTriggered("acListPrintList", listReport);
}

void TfmMain::updateReportCommands()
{
    const bool list = (m_state->ListContent == TBrowseState::lcAlbums ||
                       m_state->ListContent == TBrowseState::lcItems) &&
                      !m_state->CurrentItems.isEmpty();
    enableAction("acPrintListReport", list);
    enableAction("acListPrintList", list);
}
