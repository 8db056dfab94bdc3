#pragma once

#include "model/fields.h"

#include <QDialog>

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QStandardItemModel;
class QToolButton;
class TLookupItem;
class TLookupList;
class TQelDb;
class TQelListView;
class TdmGlobal;

// "Lookup Lists": the entries of one lookup list at a time, which the user adds,
// renames, and removes when nothing uses them. Every change goes to the database at
// once; Changed tells the caller to save.
class TfmLookupLists : public QDialog
{
    Q_OBJECT

public:
    enum Column { colSortName = 0, colDisplayName = 1 };

    TfmLookupLists(TQelDb &db, TdmGlobal &dm, TFieldId field, QWidget *parent = nullptr);

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

    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    // Fills the rows from the list; keep (when in it) is selected, else the first row.
    void fillList(TLookupItem *keep);
    void sortRows();
    void setRows(const QList<TLookupItem *> &entries);
    int rowOf(const TLookupItem *entry) const;
    QList<int> selectedRows() const;
    void selectRow(int row);
    void focusCurrent();
    void updateStatus();
    void updateActions();
    void updateListCaption();

    TQelDb &m_db;
    TdmGlobal &m_dm;
    TFieldId m_field;
    TLookupList *m_lookups;
    TLookupItem *m_lastSelected = nullptr;
    int m_sortColumn = colSortName;
    int m_direction = 1;
    bool m_changed = false;

    TQelListView *m_list;
    QStandardItemModel *m_rows;
    QToolButton *m_listButton;
    QMenu *m_listMenu;
    QActionGroup *m_listGroup;
    QAction *m_add;
    QAction *m_edit;
    QAction *m_remove;
    QAction *m_selectUnused;
    QAction *m_refresh;
    QLabel *m_status;
};

// Shows the editor modally over owner on field's list; true when it changed a list.
bool EditLookupLists(QWidget *owner, TQelDb &db, TdmGlobal &dm, TFieldId field);
