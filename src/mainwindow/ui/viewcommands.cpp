// The View menu: browsing the list, album or track view, going up, refreshing, the
// list's style, columns and sort order, and the toolbars' reset.
#include "mainwindow/ui/mainwindow.h"

#include "views/ui/browsewindow.h"
#include "views/ui/qellistview.h"
#include "views/ui/selectfields.h"
#include <QAbstractItemView>
#include <QAction>
#include <QActionGroup>
#include <QToolBar>

void TfmMain::createViewActions()
{
    makeAction("acBrowse", tr("&Browse Current List..."), {}, {}, &TfmMain::cmBrowse);
    m_viewGroup = new QActionGroup(this);
    for (QAction *a :
         {makeAction("acAlbumView", tr("&Album View"), tr("Album View"), {}, &TfmMain::cmAlbumView),
          makeAction("acTrackView", tr("&Track View"), tr("Track View"), {},
                     &TfmMain::cmTrackView)}) {
        a->setCheckable(true);
        m_viewGroup->addAction(a);
    }
    makeAction("acUp", tr("Up"), tr("Up"), {}, &TfmMain::cmUp);
    makeAction("acRefresh", tr("&Refresh"), tr("Refresh"), QKeySequence(Qt::Key_F5),
               &TfmMain::cmRefresh);
    m_styleGroup = new QActionGroup(this);
    for (QAction *a :
         {makeAction("acIcons", tr("&Icons/Thumbnails"), tr("Icons/Thumbnails"), {},
                     &TfmMain::cmIcons),
          makeAction("acDetails", tr("&Details"), tr("Details"), {}, &TfmMain::cmDetails)}) {
        a->setCheckable(true);
        m_styleGroup->addAction(a);
    }
    makeAction("acColumns", tr("&Columns..."), tr("Columns"), {}, &TfmMain::cmColumns);
    makeAction("acSortOrder", tr("Sort Order..."), tr("Sort Order"), {}, &TfmMain::cmSortOrder);
    makeAction("acResetToolbar", tr("&Reset Toolbar"), tr("Reset Default Toolbar"), {},
               &TfmMain::cmResetToolbar);
}

void TfmMain::updateViewCommands()
{
    const bool albumsOrItems = m_state->ListContent == TBrowseState::lcAlbums ||
                               m_state->ListContent == TBrowseState::lcItems;
    Action(QStringLiteral("acAlbumView"))->setChecked(m_state->TreeType == 0);
    Action(QStringLiteral("acTrackView"))->setChecked(m_state->TreeType == 1);
    Action(QStringLiteral("acIcons"))->setChecked(m_listStyle == 0);
    Action(QStringLiteral("acDetails"))->setChecked(m_listStyle != 0);
    enableAction("acColumns", albumsOrItems);
    enableAction("acSortOrder", albumsOrItems);
    enableAction("acBrowse", albumsOrItems && m_state->RowCount() > 0);
    enableAction("acListBrowse", albumsOrItems && m_state->RowCount() > 0);
    const TTreeNode *selected = m_state->SelectedNode();
    enableAction("acUp", selected && selected->parent);
}

void TfmMain::cmBrowse()
{
    if (m_state->RowCount() <= 0 || (m_state->ListContent != TBrowseState::lcAlbums &&
                                     m_state->ListContent != TBrowseState::lcItems))
        return;
    const int start = std::max(0, m_state->SelectedRow());
    const TItemLevel level = m_state->CurrentItems.Level;
    const int row = BrowseList(this, m_state->CurrentItems, level, start, *m_dm);
    if (row >= 0 && row < m_state->RowCount()) {
        m_state->SelectRow(row);
        m_list->Current()->setFocus();
    }
}

void TfmMain::cmAlbumView()
{
    if (m_state->TreeType == 0)
        return;
    setTreeType(0);
    buildFolderMenus();
    startAfresh();
}

void TfmMain::cmTrackView()
{
    if (m_state->TreeType == 1)
        return;
    setTreeType(1);
    buildFolderMenus();
    startAfresh();
}

void TfmMain::cmUp()
{
    TTreeNode *node = m_state->SelectedNode();
    if (node && node->parent)
        m_state->SelectNode(node->parent);
}

void TfmMain::cmRefresh()
{
    refreshKeepingPlace();
}

void TfmMain::cmIcons()
{
    m_listStyle = TQelListView::vsIcon;
    m_list->SetViewStyle(m_listStyle);
    UpdateCommandStates();
}

void TfmMain::cmDetails()
{
    m_listStyle = TQelListView::vsReport;
    m_list->SetViewStyle(m_listStyle);
    UpdateCommandStates();
}

void TfmMain::cmColumns()
{
    if (m_state->ListContent != TBrowseState::lcAlbums &&
        m_state->ListContent != TBrowseState::lcItems)
        return;
    copyColumnsBack();
    const TItemLevel level = m_state->ListContent == TBrowseState::lcAlbums ? ilAlbum : ilTrack;
    if (SelectFields(this, m_views.ShowFields(level), tr("for List Columns"), *m_dm)) {
        m_state->ListModel()->BeginRebuild();
        m_state->ListModel()->EndRebuild();
        applyColumns();
        m_list->SetCurrentRow(m_state->SelectedRow());
        saveSettings();
    }
}

void TfmMain::cmSortOrder()
{
    if (m_state->ListContent != TBrowseState::lcAlbums &&
        m_state->ListContent != TBrowseState::lcItems)
        return;
    const TItemLevel level = m_state->ListContent == TBrowseState::lcAlbums ? ilAlbum : ilTrack;
    if (SelectFields(this, m_views.SortFields(level), QString(), *m_dm)) {
        m_state->ListModel()->BeginRebuild();
        m_state->SortList();
        m_state->ListModel()->EndRebuild();
        applyColumns();
        m_state->SelectRow(m_state->RowCount() > 0 ? 0 : -1);
        saveSettings();
    }
}

void TfmMain::cmResetToolbar()
{
    for (QToolBar *band : m_bands) {
        band->setProperty("qelRow", band->property("qelDesignedRow"));
        band->setProperty("qelVisible", true);
    }
    placeToolbars(m_bands);
    for (QToolBar *band : m_bands)
        m_bandSwitches[band]->setChecked(true);
    saveSettings();
}
