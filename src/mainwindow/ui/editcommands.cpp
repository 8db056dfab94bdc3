// The Edit menu: adding, editing, duplicating and removing albums, the lookup lists,
// the field defaults and the field names. The album editor and the lookup list editor
// do the editing; these commands put the result into the collection and save it.
#include "mainwindow/ui/mainwindow.h"

#include "editors/ui/albumeditor.h"
#include "editors/ui/changeselecteddialog.h"
#include "editors/ui/lookuplisteditor.h"
#include "model/album.h"
#include "model/bulkchange.h"
#include "model/general.h"
#include "model/qeldb.h"
#include "shell/dmglobal.h"
#include "shell/ui/fielddefaultsdialog.h"
#include "shell/ui/fieldnamesdialog.h"
#include "views/ui/qellistview.h"
#include <QAction>
#include <QItemSelectionModel>
#include <QStatusBar>
#include <QTreeView>
#include <unordered_set>
#include <vector>

void TfmMain::createEditActions()
{
    makeAction("acAddAlbum", tr("&Add Album..."), tr("Add New Album"),
               QKeySequence(Qt::SHIFT | Qt::Key_Insert), &TfmMain::cmAddAlbum);
    makeAction("acEditAlbum", tr("&Edit Album..."), tr("Edit Selected Album"),
               QKeySequence(Qt::Key_Return), &TfmMain::cmEditAlbum);
    makeAction("acDuplicateAlbum", tr("&Duplicate Album..."), tr("Duplicate Selected Album"),
               QKeySequence(Qt::CTRL | Qt::Key_Insert), &TfmMain::cmDuplicateAlbum);
    makeAction("acRemoveAlbum", tr("&Remove Album..."), tr("Remove Selected Album"),
               QKeySequence(Qt::Key_Delete), &TfmMain::cmRemoveAlbum);
    makeAction("acChangeSelected", tr("C&hange Selected Albums..."),
               tr("Change Fields of the Selected Albums"), {}, &TfmMain::cmChangeSelected);
    makeAction("acEditLookupLists", tr("Edit &Lookup Lists..."), tr("Edit Lookup Lists"), {},
               &TfmMain::cmEditLookupLists);
    makeAction("acFieldDefaults", tr("&Field Defaults..."), tr("Change Default Field Values"), {},
               &TfmMain::cmFieldDefaults);
    makeAction("acFieldNames", tr("Field &Names..."), tr("Change Field Names"), {},
               &TfmMain::cmFieldNames);
}

void TfmMain::updateEditCommands()
{
    const bool album = m_state->CurrentAlbum() != nullptr;
    enableAction("acEditAlbum", album);
    enableAction("acDuplicateAlbum", album);
    enableAction("acRemoveAlbum", album);
    // Albums, or in the track view the tracks; the current row counts as selected.
    const bool items = m_state->ListContent == TBrowseState::lcAlbums ||
                       m_state->ListContent == TBrowseState::lcItems;
    const QItemSelectionModel *selection = m_list ? m_list->selectionModel() : nullptr;
    enableAction("acChangeSelected",
                 items && m_state->RowCount() > 0 && selection &&
                     (selection->hasSelection() || selection->currentIndex().isValid()));
    if (QAction *change = Action(QStringLiteral("acChangeSelected")))
        change->setText(m_state->ListContent == TBrowseState::lcItems
                            ? tr("C&hange Selected Tracks...")
                            : tr("C&hange Selected Albums..."));
}

void TfmMain::cmAddAlbum()
{
    auto *album = new TAlbum(m_db.get());
    m_dm->FieldDefaults().ApplyTo(*album, *m_db);
    if (!addThroughEditor(album))
        delete album;
}

bool TfmMain::addThroughEditor(TAlbum *album)
{
    m_place.Remember(*m_state);
    if (EditAlbum(Services(), *album, TfmAlbum::amAdd) != QDialog::Accepted)
        return false;
    m_db->AddAlbum(album);
    saveAndRebuild(album);
    return true;
}

void TfmMain::cmEditAlbum()
{
    TAlbum *album = m_state->CurrentAlbum();
    if (!album)
        return;
    m_place.Remember(*m_state);
    TAlbum *copy = album->Copy(true);
    if (EditAlbum(Services(), *copy, TfmAlbum::amEdit) != QDialog::Accepted) {
        delete copy;
        return;
    }
    // The edit may have dropped discs and tracks: the album as it was can come back.
    keepBigChangeBackup();
    m_db->RemoveAlbum(album);
    m_db->AddAlbum(copy);
    saveAndRebuild(copy);
    delete album; // only now does nothing point at it
}

void TfmMain::cmEditLookupLists()
{
    // Removing an entry in use changes every album that shows it.
    keepBigChangeBackup();
    if (!EditLookupLists(this, *m_db, *m_dm, fdArtist, m_state.get()))
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
    removeAlbums(selectedAlbums());
}

bool TfmMain::removeAlbums(const std::vector<TAlbum *> &albums)
{
    if (albums.empty())
        return false;
    if (m_dm->Prefs().ConfirmAlbumRemoval) {
        const QString question =
            albums.size() == 1
                ? tr("Are you sure you want to remove this album?")
                : tr("Are you sure you want to remove these %1 albums?").arg(albums.size());
        if (AskYesNo(question) != TAnswer::Yes)
            return false;
    }
    // Whenever the last backup was kept: the albums may have come in since.
    keepBigChangeBackup();
    m_place.Remember(*m_state);
    const std::unordered_set<const TDataItem *> doomed(albums.begin(), albums.end());
    m_db->Albums.removeIf([&doomed](const TDataItem *a) { return doomed.count(a) != 0; });
    m_db->NoteChange();
    saveAndRebuild(nullptr);
    for (TAlbum *album : albums)
        delete album; // only now does nothing point at them
    return true;
}

std::vector<TAlbum *> TfmMain::selectedAlbums() const
{
    // The albums of the selected rows (of their tracks, in the track view), each once,
    // in list order; the current album when no row is selected.
    std::vector<TAlbum *> albums;
    std::unordered_set<const TAlbum *> seen;
    for (const int row : m_list->SelectedRows()) {
        auto *item = dynamic_cast<TDataItem *>(m_state->RowObject(row));
        TAlbum *album = item ? item->GetAlbum() : nullptr;
        if (album && seen.insert(album).second)
            albums.push_back(album);
    }
    if (albums.empty() && m_state->CurrentAlbum())
        albums.push_back(m_state->CurrentAlbum());
    return albums;
}

void TfmMain::cmChangeSelected()
{
    const bool albums = m_state->ListContent == TBrowseState::lcAlbums;
    if (!albums && m_state->ListContent != TBrowseState::lcItems)
        return;
    std::vector<TDataItem *> items;
    for (const int row : m_list->SelectedRows())
        if (auto *item = dynamic_cast<TDataItem *>(m_state->RowObject(row)))
            items.push_back(item);
    if (items.empty())
        return;
    TBulkChange change;
    if (!ChangeSelectedItems(Services(), albums ? ilAlbum : ilTrack, qsizetype(items.size()),
                             change))
        return;
    const TQel *current = m_state->RowObject(m_state->SelectedRow());
    m_place.Remember(*m_state);
    const TBulkResult done = change.Apply(*m_db, items);
    if (done.Items > 0) {
        // The file on disk is still as it was before the change.
        if (done.Albums > 1)
            keepBigChangeBackup();
        SaveDatabase();
        m_state->RebuildTree();
        m_place.Restore(*m_state, nullptr);
        selectObjects(std::unordered_set<const TQel *>(items.begin(), items.end()), current);
        updateStatus();
        UpdateCommandStates();
    }
    const QString counted = done.Items == 1
                                ? (albums ? tr("1 album changed") : tr("1 item changed"))
                            : albums ? tr("%1 albums changed").arg(done.Items)
                                     : tr("%1 items changed").arg(done.Items);
    statusBar()->showMessage(counted, 10000);
}

void TfmMain::selectObjects(const std::unordered_set<const TQel *> &objects, const TQel *current)
{
    // The rows of the objects, as ranges: thousands of rows are a few ranges.
    QItemSelectionModel *selection = m_list->selectionModel();
    const QAbstractItemModel *model = m_list->model();
    if (!selection || !model)
        return;
    QItemSelection rows;
    int first = -1, currentRow = -1;
    const int count = m_state->RowCount();
    for (int row = 0; row <= count; ++row) {
        const TQel *object = row < count ? m_state->RowObject(row) : nullptr;
        const bool wanted = object && objects.count(object) != 0;
        if (wanted && object == current)
            currentRow = row;
        if (wanted && first < 0)
            first = row;
        if (!wanted && first >= 0) {
            rows.select(model->index(first, 0), model->index(row - 1, model->columnCount() - 1));
            if (currentRow < 0)
                currentRow = first;
            first = -1;
        }
    }
    if (rows.isEmpty())
        return;
    m_state->SelectRow(currentRow);
    m_updatingSelection = true;
    selection->select(rows, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_updatingSelection = false;
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
