// The main window's layout, kept in the settings: placement, pane sizes, toolbar rows,
// the list's style and columns, the tree's group fields.
#include "mainwindow/ui/mainwindow.h"

#include "shell/dmglobal.h"
#include "shell/settingsstore.h"
#include "shell/ui/windowplacement.h"
#include "views/ui/qellistview.h"
#include <QCloseEvent>
#include <QHeaderView>
#include <QLayout>
#include <QMenuBar>
#include <QSplitter>
#include <QTableView>
#include <QToolBar>
#include <QTreeView>
#include <algorithm>

namespace {

const QString kSection = QStringLiteral("MainWindow");

} // namespace

void TfmMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_shown)
        ShowFirstTime();
}

void TfmMain::ShowFirstTime()
{
    if (m_shown)
        return;
    m_shown = true;
    loadLayout();
    setTreeType(0);
    buildFolderMenus();
    startAfresh();
    m_tree->setFocus();
}

void TfmMain::loadLayout()
{
    TSettingsStore &s = m_dm->Settings();
    RestoreWindowPlacement(this, s);
    auto readInt = [&](const QString &name, int def, int low, int high) {
        const int value = s.ReadInteger(kSection, name, def);
        return value < low || value > high ? def : value;
    };
    m_treeWidth = readInt(QStringLiteral("TreeWidth"), 150, 20, 4000);
    m_coverCommentsHeight = readInt(QStringLiteral("CoverCommentsHeight"), 100, 20, 4000);
    m_listStyle = readInt(QStringLiteral("ListViewStyle"), 3, 0, 3) == 0 ? 0 : 3;
    m_state->GroupSortOrder =
        s.ReadInteger(kSection, QStringLiteral("GroupSortOrder"), 1) < 0 ? -1 : 1;
    auto readGroup = [&](const QString &name, int level) {
        const int value = s.ReadInteger(kSection, name, fdArtist);
        const auto &allowed = TBrowseState::GroupFields(level);
        return value == fdNone || allowed.contains(TFieldId(value)) ? TFieldId(value)
                                                                    : TFieldId(fdArtist);
    };
    m_state->AlbumGroupField = readGroup(QStringLiteral("AlbumGroupField"), 0);
    m_state->TrackGroupField = readGroup(QStringLiteral("TrackGroupField"), 1);
    m_views.Load(s);

    // Bands: stored rows and positions, else the designed ones.
    int designedRow = 0;
    for (QToolBar *band : m_bands) {
        if (band->objectName() == QLatin1String("tbView"))
            designedRow = 1;
        band->setProperty("qelDesignedRow", designedRow);
    }
    std::vector<std::tuple<int, int, int, QToolBar *>> order;
    int designed = 0;
    for (QToolBar *band : m_bands) {
        const QString section = kSection + QLatin1Char('\\') + band->objectName();
        const int designedTop = band->property("qelDesignedRow").toInt() * 30;
        const int top = s.ReadInteger(section, QStringLiteral("Top"), designedTop);
        const int left = s.ReadInteger(section, QStringLiteral("Left"), designed * 100);
        band->setProperty("qelRow", std::clamp(top, 0, 300) / 30);
        band->setProperty("qelVisible", s.ReadBool(section, QStringLiteral("Visible"), true));
        order.emplace_back(std::clamp(top, 0, 300) / 30, std::clamp(left, 0, 10000), designed,
                           band);
        ++designed;
    }
    std::sort(order.begin(), order.end());
    std::vector<QToolBar *> bands;
    for (const auto &entry : order)
        bands.push_back(std::get<3>(entry));
    placeToolbars(bands);
    for (QToolBar *band : m_bands)
        m_bandSwitches[band]->setChecked(!band->isHidden());

    m_split->setSizes({m_treeWidth, std::max(100, width() - m_treeWidth)});
    m_rightSplit->setSizes(
        {std::max(100, height() - m_coverCommentsHeight), m_coverCommentsHeight});
    m_list->SetViewStyle(m_listStyle);
}

void TfmMain::saveLayout()
{
    TSettingsStore &s = m_dm->Settings();
    SaveWindowPlacement(this, s);
    const QList<int> sizes = m_split->sizes();
    if (!sizes.isEmpty() && sizes.first() > 0)
        m_treeWidth = sizes.first();
    const QList<int> rightSizes = m_rightSplit->sizes();
    if (rightSizes.size() > 1 && rightSizes[1] > 0)
        m_coverCommentsHeight = rightSizes[1];
    s.WriteInteger(kSection, QStringLiteral("TreeWidth"), m_treeWidth);
    s.WriteInteger(kSection, QStringLiteral("CoverCommentsHeight"), m_coverCommentsHeight);
    s.WriteInteger(kSection, QStringLiteral("TreeType"), m_state->TreeType);
    s.WriteInteger(kSection, QStringLiteral("AlbumGroupField"), m_state->AlbumGroupField);
    s.WriteInteger(kSection, QStringLiteral("TrackGroupField"), m_state->TrackGroupField);
    s.WriteInteger(kSection, QStringLiteral("ListViewStyle"), m_listStyle);
    s.WriteInteger(kSection, QStringLiteral("GroupSortOrder"), m_state->GroupSortOrder);
    m_views.Save(s);
    // Bands just placed again (a reset) have their new places only once laid out.
    layout()->activate();
    for (QToolBar *band : m_bands) {
        const QString section = kSection + QLatin1Char('\\') + band->objectName();
        const QRect r = band->geometry();
        s.WriteBool(section, QStringLiteral("Visible"), !band->isHidden());
        s.WriteInteger(section, QStringLiteral("Top"),
                       r.top() - (menuBar() ? menuBar()->height() : 0));
        s.WriteInteger(section, QStringLiteral("Left"), r.left());
        s.WriteInteger(section, QStringLiteral("Right"), r.right() + 1);
        s.WriteInteger(section, QStringLiteral("Bottom"), r.bottom() + 1);
    }
}

void TfmMain::saveSettings()
{
    if (m_shown)
        saveLayout();
    m_dm->SaveChanges();
}

void TfmMain::closeEvent(QCloseEvent *event)
{
    if (!settleUnsavedChanges()) {
        event->ignore();
        return;
    }
    if (m_shown) {
        copyColumnsBack();
        m_updatingSelection = true;
        m_tree->selectionModel()->clear();
        m_state->SetCurrent(nullptr);
        m_listReady = false;
        saveLayout();
        m_updatingSelection = false;
    }
    event->accept();
}

// --- the list's columns

// The list's column order and widths go back into the show fields of what it shows.
void TfmMain::copyColumnsBack()
{
    if (m_columnsFor != TBrowseState::lcAlbums && m_columnsFor != TBrowseState::lcItems)
        return;
    TShowFields &show =
        m_views.ShowFields(m_columnsFor == TBrowseState::lcAlbums ? ilAlbum : ilTrack);
    QHeaderView *header = m_list->Details()->horizontalHeader();
    const int count = header->count();
    if (count != show.Count())
        return;
    TShowFields copy(show.Level);
    for (int visual = 0; visual < count; ++visual) {
        const int logical = header->logicalIndex(visual);
        const auto *field = static_cast<const TShowField *>(show.Items(logical));
        const int width = header->sectionSize(logical);
        copy.Add(std::make_unique<TShowField>(field->FieldId, width > 0 ? width : field->Width));
    }
    show = copy;
    // The header now matches the fields again.
    const bool blocked = header->blockSignals(true);
    for (int logical = 0; logical < count; ++logical)
        header->moveSection(header->visualIndex(logical), logical);
    header->blockSignals(blocked);
}

void TfmMain::applyColumns()
{
    QHeaderView *header = m_list->Details()->horizontalHeader();
    m_columnsFor = m_state->ListContent;
    const int count = m_state->ListModel()->columnCount();
    // The folder list's one column fills the list; item columns keep their widths.
    header->setStretchLastSection(m_state->ListContent == TBrowseState::lcGroups);
    if (m_state->ListContent == TBrowseState::lcAlbums ||
        m_state->ListContent == TBrowseState::lcItems) {
        const TShowFields &show =
            m_views.ShowFields(m_state->ListContent == TBrowseState::lcAlbums ? ilAlbum : ilTrack);
        for (int i = 0; i < count && i < show.Count(); ++i)
            header->resizeSection(i, static_cast<const TShowField *>(show.Items(i))->GetWidth());
    }
    // The mark goes to the column by its tag, which the folder column has too.
    const int mark = m_state->SortMarkColumn();
    const QVariant tag =
        mark >= 0 ? m_state->ListModel()->headerData(mark, Qt::Horizontal, m_list->TagRole())
                  : QVariant();
    m_list->SetSortColumn(tag.isValid() ? tag.toInt() : -1, m_state->SortMarkOrder() >= 0);
}
