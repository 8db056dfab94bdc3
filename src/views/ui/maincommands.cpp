// The main window's commands: each turns a menu item, button or key into calls of
// the collection and the browse state, and saves what it changed.
#include "editors/ui/albumeditor.h"
#include "editors/ui/lookuplisteditor.h"
#include "model/album.h"
#include "model/general.h"
#include "model/qeldb.h"
#include "model/qelerror.h"
#include "model/tracks.h"
#include "shell/dmglobal.h"
#include "shell/ui/aboutbox.h"
#include "shell/ui/fielddefaultsdialog.h"
#include "shell/ui/fieldnamesdialog.h"
#include "shell/ui/prefsdialog.h"
#include "views/ui/browsewindow.h"
#include "views/ui/filterdialog.h"
#include "views/ui/mainwindow.h"
#include "views/ui/qellistview.h"
#include "views/ui/selectfields.h"
#include "views/ui/statisticswindow.h"
#include <QAction>
#include <QFileInfo>
#include <QToolBar>
#include <QTreeView>

void TfmMain::cmNew()
{
    m_db->Clear();
    startAfresh();
}

void TfmMain::cmOpen()
{
    const QString file = ChooseOpenFile(this, tr("Open Database"), m_dm->Prefs().DataFolder);
    if (!file.isEmpty())
        OpenDatabase(file);
}

void TfmMain::cmSave()
{
    const bool unnamed = m_db->FileName.isEmpty();
    if (SaveDatabase() && unnamed)
        refreshKeepingPlace(); // the root shows the new file name
}

void TfmMain::cmSaveAs()
{
    if (saveAs())
        refreshKeepingPlace(); // the root shows the new file name
}

bool TfmMain::saveAs()
{
    const QString file = ChooseSaveFile(this, tr("Save Database"), m_dm->Prefs().DataFolder);
    if (file.isEmpty())
        return false;
    try {
        TWaitCursor wait;
        m_db->Save(file);
    } catch (const EQel &e) {
        ShowInfo(e.message());
        return false;
    }
    TPrefs &prefs = m_dm->Prefs();
    prefs.CurrentDatabase = QFileInfo(file).absoluteFilePath();
    prefs.DataFolder = QFileInfo(file).absolutePath();
    return true;
}

void TfmMain::cmImportQel()
{
    const QString file = ChooseOpenFile(this, tr("Open Database"), m_dm->Prefs().DataFolder);
    if (file.isEmpty())
        return;
    m_listReady = false;
    // A file that breaks off half-way must not leave half an import behind to be
    // saved with the next change: the collection as it was is kept aside.
    const QByteArray before = m_db->SaveToBytes();
    const QString name = m_db->FileName;
    bool merged;
    try {
        TWaitCursor wait;
        m_db->ReadFile(file, true);
        merged = true;
    } catch (const EQel &e) {
        clearCollection();
        m_db->ReadBytes(before, false);
        m_db->FileName = name;
        ShowInfo(e.message());
        merged = false;
    }
    if (merged)
        SaveDatabase();
    m_listReady = true;
    startAfresh();
}

void TfmMain::cmPreferences()
{
    const bool indicator = m_dm->Prefs().ShowInCollectionIndicator;
    if (EditPreferences(this, *m_dm) && indicator != m_dm->Prefs().ShowInCollectionIndicator)
        refreshKeepingPlace();
}

void TfmMain::cmStatistics()
{
    ShowStatistics(this, *m_db);
}

void TfmMain::cmExit()
{
    close();
}

void TfmMain::cmAddAlbum()
{
    auto *album = new TAlbum(m_db.get());
    m_dm->FieldDefaults().ApplyTo(*album, *m_db);
    m_place.Remember(*m_state);
    if (EditAlbum(this, *album, TfmAlbum::amAdd, *m_db, *m_dm) != QDialog::Accepted) {
        delete album;
        return;
    }
    m_db->AddAlbum(album);
    saveAndRebuild(album);
}

void TfmMain::cmEditAlbum()
{
    TAlbum *album = m_state->CurrentAlbum();
    if (!album)
        return;
    m_place.Remember(*m_state);
    TAlbum *copy = album->Copy(true);
    if (EditAlbum(this, *copy, TfmAlbum::amEdit, *m_db, *m_dm) != QDialog::Accepted) {
        delete copy;
        return;
    }
    m_db->RemoveAlbum(album);
    m_db->AddAlbum(copy);
    saveAndRebuild(copy);
    delete album; // only now does nothing point at it
}

void TfmMain::cmEditLookupLists()
{
    if (!EditLookupLists(this, *m_db, *m_dm, fdArtist))
        return;
    SaveDatabase();
    refreshKeepingPlace();
}

void TfmMain::cmDuplicateAlbum()
{
    TAlbum *album = m_state->CurrentAlbum();
    if (!album)
        return;
    m_place.Remember(*m_state);
    // The copy keeps its fresh identifier: the selection memory and the sort's
    // tie-break need identifiers to be unique.
    TAlbum *copy = album->Copy(false);
    m_db->AddAlbum(copy);
    saveAndRebuild(copy);
}

void TfmMain::cmRemoveAlbum()
{
    TAlbum *album = m_state->CurrentAlbum();
    if (!album)
        return;
    if (m_dm->Prefs().ConfirmAlbumRemoval &&
        AskYesNo(tr("Are you sure you want to remove this album?")) != TAnswer::Yes)
        return;
    m_place.Remember(*m_state);
    m_db->RemoveAlbum(album);
    saveAndRebuild(nullptr);
    delete album; // only now does nothing point at it
}

void TfmMain::cmFieldDefaults()
{
    EditFieldDefaults(this, *m_dm, *m_db);
}

void TfmMain::cmFieldNames()
{
    copyColumnsBack();
    if (EditFieldNames(this, *m_dm) == QDialog::Accepted) {
        m_state->ListModel()->Repaint();
        m_tree->viewport()->update();
        buildFolderMenus();
    }
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
    }
}

void TfmMain::cmSetFilter()
{
    TFilterFields &filter = m_views.Filter(m_state->Level());
    if (!EditFilter(this, filter, *m_db, *m_dm))
        return;
    filter.Enabled = filter.Count() > 0;
    startAfresh();
}

void TfmMain::cmFilterOnOff()
{
    TFilterFields &filter = m_views.Filter(m_state->Level());
    filter.Enabled = Action(QStringLiteral("acFilterOnOff"))->isChecked();
    startAfresh();
}

void TfmMain::cmPlayAudioFile()
{
    const TCustomTrack *track = m_state->CurrentTrack();
    if (!track)
        return;
    const QString file = track->GetFieldAsString(fdAudioFile);
    if (file.isEmpty())
        return;
    if (QFileInfo::exists(file))
        ShellOpen(file);
    else
        ShowInfo(tr("File not found:\r\n%1").arg(file));
}

void TfmMain::openHelpFile(const QString &name)
{
    const QString path = ResourceFolder() + QStringLiteral("Docs/") + name;
    if (!QFileInfo::exists(path) || !ShellOpen(path))
        ShowInfo(tr("File not found:\r\n%1").arg(path));
}

void TfmMain::cmManual()
{
    openHelpFile(QStringLiteral("QelmusicManual.htm"));
}

void TfmMain::cmFaq()
{
    openHelpFile(QStringLiteral("QelmusicFAQ.htm"));
}

void TfmMain::cmAbout()
{
    ShowAbout(this);
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
}
