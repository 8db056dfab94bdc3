#pragma once

#include "model/fields.h"
#include "model/lookupmerge.h"

#include <QDialog>
#include <QList>
#include <map>
#include <vector>

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QToolButton;
class TBrowseState;
class TLookupItem;
class TLookupList;
class TLookupRowsModel;
class TQelDb;
class TQelListView;
class TdmGlobal;

// "Lookup Lists": the entries of one lookup list at a time, which the user adds,
// renames, merges, and removes when nothing uses them. Every change goes to the
// database at once; Changed tells the caller to save.
//
// Whether entries are in use comes from counts of their references, made in one pass
// over the collection the first time a list needs them and kept up to date by the
// window's own removals and merges (nothing else changes the collection while it is
// open).
class TfmLookupLists : public QDialog
{
    Q_OBJECT

public:
    enum Column { colSortName = 0, colDisplayName = 1 };

    // state (optional): the main window's browse state, which follows merges.
    TfmLookupLists(TQelDb &db, TdmGlobal &dm, TFieldId field, QWidget *parent = nullptr,
                   TBrowseState *state = nullptr);
    ~TfmLookupLists() override;

    TFieldId Field() const { return m_field; }
    bool Changed() const { return m_changed; }
    int SortColumn() const { return m_sortColumn; }
    int SortDirection() const { return m_direction; }
    // The entry shown in a row of the list view.
    TLookupItem *EntryAt(int row) const;

    void SwitchList(TFieldId field);
    // A click on a column header: that column ascending, or reversed when it is
    // already the sorted one.
    void SortBy(int column);
    void AddItem();
    void EditItem();
    void RemoveItems();
    void SelectUnused();
    void Refresh();
    // Asks which of the selected entries stays and folds the others into it.
    void MergeItems();
    // Selects the first group of entries named alike; NextGroup the one after it.
    void FindSimilar();
    void NextGroup();

    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    // Fills the rows from the list, sorted; keep (when in it) is selected, else the
    // first row.
    void fillList(TLookupItem *keep);
    void sortRows();
    QList<int> selectedRows() const;
    void selectEntries(const std::vector<TLookupItem *> &entries, TLookupItem *current);
    void selectRow(int row);
    void focusCurrent();
    void updateStatus();
    void updateActions();
    void updateListCaption();
    // The counts of the list shown, made on first use.
    const TLookupUsage &usage();
    // Entries gone from the list: out of the rows, the counts and the groups.
    void forget(const TLookupItemSet &gone);
    void showGroup(std::size_t index);

    TQelDb &m_db;
    TdmGlobal &m_dm;
    TBrowseState *m_state;
    TFieldId m_field;
    TLookupList *m_lookups;
    TLookupItem *m_lastSelected = nullptr;
    int m_sortColumn = colSortName;
    int m_direction = 1;
    bool m_changed = false;
    std::map<TFieldId, TLookupUsage> m_usage;
    std::vector<std::vector<TLookupItem *>> m_groups; // of the list shown
    std::size_t m_nextGroup = 0;
    std::size_t m_shownGroup = kNoGroup; // the group last selected while it lasts
    static constexpr std::size_t kNoGroup = std::size_t(-1);

    TQelListView *m_list;
    TLookupRowsModel *m_rows;
    QToolButton *m_listButton;
    QMenu *m_listMenu;
    QActionGroup *m_listGroup;
    QAction *m_add;
    QAction *m_edit;
    QAction *m_remove;
    QAction *m_selectUnused;
    QAction *m_refresh;
    QAction *m_merge;
    QAction *m_findSimilar;
    QAction *m_nextGroupAction;
    QLabel *m_status;
    QLabel *m_groupStatus;
};

// Shows the editor modally over owner on field's list; true when it changed a list.
// state (optional) is told of merges before they happen.
bool EditLookupLists(QWidget *owner, TQelDb &db, TdmGlobal &dm, TFieldId field,
                     TBrowseState *state = nullptr);

// The question of a merge: which of entries stays (suggested selected first); nullptr
// on Cancel.
TLookupItem *ChooseEntryToKeep(QWidget *owner, const QList<TLookupItem *> &entries,
                               TLookupItem *suggested);
