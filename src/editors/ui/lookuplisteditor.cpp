#include "editors/ui/lookuplisteditor.h"

#include "editors/ui/lookupentrydialog.h"
#include "model/general.h"
#include "model/lookuplist.h"
#include "model/qeldb.h"
#include "model/textcompare.h"
#include "shell/dmglobal.h"
#include "shell/settingsstore.h"
#include "shell/ui/iconlists.h"
#include "shell/ui/menutextbutton.h"
#include "shell/ui/windowplacement.h"
#include "views/ui/qellistview.h"

#include <QAction>
#include <QActionGroup>
#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <unordered_map>

namespace {
const QString kSection = QStringLiteral("EditLookupListsWindow");
constexpr int kDesignedWidth = 560;
constexpr int kDesignedHeight = 420;
constexpr int kDesignedColumnWidth = 260;
constexpr int kEntryRole = Qt::UserRole + 1;

// The width that shows every button of a tool bar (its size hint leaves some to the
// extension menu).
int fullWidth(const QToolBar *toolBar)
{
    const QStyle *style = toolBar->style();
    const int spacing = style->pixelMetric(QStyle::PM_ToolBarItemSpacing, nullptr, toolBar);
    int width = 2 * (style->pixelMetric(QStyle::PM_ToolBarItemMargin, nullptr, toolBar) +
                     style->pixelMetric(QStyle::PM_ToolBarFrameWidth, nullptr, toolBar));
    for (QAction *action : toolBar->actions()) {
        const QWidget *widget = toolBar->widgetForAction(action);
        width +=
            spacing + (action->isSeparator()
                           ? style->pixelMetric(QStyle::PM_ToolBarSeparatorExtent, nullptr, toolBar)
                           : (widget ? widget->sizeHint().width() : 0));
    }
    return width;
}

QString entryText(const TLookupItem *entry, int column)
{
    return column == TfmLookupLists::colSortName ? entry->SortName : entry->DisplayName;
}
} // namespace

TfmLookupLists::TfmLookupLists(TQelDb &db, TdmGlobal &dm, TFieldId field, QWidget *parent)
    : QDialog(parent), m_db(db), m_dm(dm), m_field(field),
      m_lookups(&db.LookupListFromGroupField(field))
{
    setObjectName(QStringLiteral("fmLookupLists"));
    setWindowTitle(tr("Lookup Lists"));
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    setSizeGripEnabled(false); // the status bar has one

    // Window shortcuts: the keys work wherever the focus is.
    auto makeAction = [this](const char *name, const QString &text, const QString &hint,
                             const QList<QKeySequence> &keys, void (TfmLookupLists::*slot)()) {
        auto *action = new QAction(text, this);
        action->setObjectName(QLatin1String(name));
        action->setToolTip(hint);
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    m_add = makeAction("acAdd", tr("Add Item"), tr("Add Item"), {QKeySequence(Qt::Key_Insert)},
                       &TfmLookupLists::AddItem);
    m_edit = makeAction("acEdit", tr("Edit Item"), tr("Edit Item"),
                        {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)},
                        &TfmLookupLists::EditItem);
    m_remove = makeAction("acRemove", tr("Remove Selected Items"), tr("Remove Selected Items"),
                          {QKeySequence(Qt::Key_Delete)}, &TfmLookupLists::RemoveItems);
    m_selectUnused = makeAction("acSelectUnused", tr("Select Unused"), tr("Select Unused"), {},
                                &TfmLookupLists::SelectUnused);
    m_refresh = makeAction("acRefresh", tr("&Refresh"), tr("Refresh"), {QKeySequence(Qt::Key_F5)},
                           &TfmLookupLists::Refresh);
    m_add->setIcon(QIcon::fromTheme(QStringLiteral("list-add")));
    m_edit->setIcon(QIcon::fromTheme(QStringLiteral("document-edit")));
    m_remove->setIcon(QIcon::fromTheme(QStringLiteral("list-remove")));
    m_refresh->setIcon(QIcon::fromTheme(QStringLiteral("view-refresh")));

    // The lists in field-number order.
    m_listMenu = new QMenu(this);
    m_listMenu->setObjectName(QStringLiteral("pmLookupLists"));
    m_listGroup = new QActionGroup(this);
    m_listGroup->setExclusive(true);
    auto fields = TQelDb::LookupFieldOrder;
    std::sort(fields.begin(), fields.end());
    for (TFieldId f : fields) {
        const QString name = dm.Fields().GetFieldName(f);
        auto *action = m_listMenu->addAction(name);
        action->setToolTip(name);
        action->setCheckable(true);
        action->setChecked(f == m_field);
        action->setData(int(f));
        m_listGroup->addAction(action);
        connect(action, &QAction::triggered, this, [this, f] { SwitchList(f); });
    }
    m_listMenu->setToolTipsVisible(true);

    auto *toolBar = new QToolBar(this);
    toolBar->setObjectName(QStringLiteral("tbLookupLists"));
    toolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    toolBar->setIconSize(QSize(16, 16));
    toolBar->setMovable(false);
    m_listButton = new TMenuTextButton(toolBar); // room for its arrow after the text
    m_listButton->setObjectName(QStringLiteral("btLookupLists"));
    m_listButton->setToolTip(tr("Select List"));
    m_listButton->setMenu(m_listMenu);
    m_listButton->setPopupMode(QToolButton::InstantPopup);
    m_listButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
    toolBar->addWidget(m_listButton);
    toolBar->addSeparator();
    auto addButton = [toolBar](const char *name, QAction *action) {
        auto *button = new QToolButton(toolBar);
        button->setObjectName(QLatin1String(name));
        button->setDefaultAction(action);
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        toolBar->addWidget(button);
        return button;
    };
    addButton("btAddItem", m_add);
    addButton("btEditItem", m_edit);
    addButton("btRemoveItem", m_remove);
    addButton("btSelectUnused", m_selectUnused);
    addButton("btRefresh", m_refresh);
    toolBar->addSeparator();
    auto *close = new QToolButton(toolBar);
    close->setObjectName(QStringLiteral("btClose"));
    close->setText(tr("Close"));
    close->setToolTip(tr("Close"));
    close->setIcon(QIcon::fromTheme(QStringLiteral("window-close")));
    close->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    connect(close, &QToolButton::clicked, this, &QDialog::accept);
    toolBar->addWidget(close);

    m_rows = new QStandardItemModel(0, 2, this);
    m_rows->setHorizontalHeaderLabels({tr("Sort Name"), tr("Display Name")});
    m_list = new TQelListView(this);
    m_list->setObjectName(QStringLiteral("lvList"));
    m_list->setModel(m_rows);
    for (int column : {colSortName, colDisplayName})
        m_rows->setHeaderData(column, Qt::Horizontal, column, m_list->TagRole());
    m_list->SetImageIndexAscending(TIconLists::kSortAscending);
    m_list->SetImageIndexDescending(TIconLists::kSortDescending);
    m_list->SetHeaderIconSource([](int index) { return TIconLists::Instance().Small(index); });
    QTableView *details = m_list->Details();
    details->setSelectionMode(QAbstractItemView::ExtendedSelection);
    details->horizontalHeader()->setSectionsMovable(false);
    connect(m_list, &TQelListView::headerClicked, this, &TfmLookupLists::SortBy);
    connect(details, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex &index) {
        if (index.isValid())
            EditItem();
    });
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TfmLookupLists::updateActions);
    connect(m_list, &TQelListView::currentRowChanged, this, [this](int row) {
        if (TLookupItem *entry = EntryAt(row))
            m_lastSelected = entry;
    });

    auto *statusBar = new QStatusBar(this);
    statusBar->setObjectName(QStringLiteral("sbStatus"));
    m_status = new QLabel(statusBar);
    m_status->setObjectName(QStringLiteral("pnItems"));
    m_status->setTextFormat(Qt::PlainText);
    statusBar->addWidget(m_status, 1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolBar);
    layout->addWidget(m_list, 1);
    layout->addWidget(statusBar);

    updateListCaption();
    const TSettingsStore &s = dm.Settings();
    const int designedWidth = std::max(kDesignedWidth, fullWidth(toolBar));
    resize(s.ReadInteger(kSection, QStringLiteral("Width"), designedWidth),
           s.ReadInteger(kSection, QStringLiteral("Height"), kDesignedHeight));
    details->setColumnWidth(colSortName, s.ReadInteger(kSection, QStringLiteral("SortNameWidth"),
                                                       kDesignedColumnWidth));
    details->setColumnWidth(
        colDisplayName,
        s.ReadInteger(kSection, QStringLiteral("DisplayNameWidth"), kDesignedColumnWidth));

    fillList(nullptr);
}

TLookupItem *TfmLookupLists::EntryAt(int row) const
{
    if (row < 0 || row >= m_rows->rowCount())
        return nullptr;
    return reinterpret_cast<TLookupItem *>(
        m_rows->index(row, colSortName).data(kEntryRole).value<quintptr>());
}

void TfmLookupLists::SwitchList(TFieldId field)
{
    if (field == m_field)
        return;
    m_field = field;
    m_lookups = &m_db.LookupListFromGroupField(field);
    m_lastSelected = nullptr;
    updateListCaption();
    fillList(nullptr);
}

void TfmLookupLists::SortBy(int column)
{
    m_direction = column == m_sortColumn ? -m_direction : 1;
    m_sortColumn = column;
    sortRows();
}

void TfmLookupLists::AddItem()
{
    const QString fieldName = m_dm.Fields().GetFieldName(m_field);
    QString sortName;
    QString displayName;
    if (EditLookupEntry(this, tr("Add ") + fieldName, sortName, displayName) != QDialog::Accepted)
        return;
    if (m_lookups->IndexOf(sortName) != -1) {
        ShowInfo(tr("\"%1\" is already in the list.").arg(sortName));
        return;
    }
    TLookupItem *entry = m_lookups->FindOrCreate(sortName, displayName);
    m_changed = true;
    fillList(entry);
}

void TfmLookupLists::EditItem()
{
    const QList<int> rows = selectedRows();
    if (rows.isEmpty())
        return;
    const int current = m_list->CurrentRow();
    const int row = rows.contains(current) ? current : rows.first();
    TLookupItem *entry = EntryAt(row);
    QString sortName = entry->SortName;
    QString displayName = entry->DisplayName;
    if (EditLookupEntry(this, tr("Edit ") + m_dm.Fields().GetFieldName(m_field), sortName,
                        displayName) != QDialog::Accepted)
        return;
    if (sortName == entry->SortName && displayName == entry->DisplayName)
        return;
    // The list finds the entry itself too, so a change of letter case alone is refused.
    if (sortName != entry->SortName && m_lookups->IndexOf(sortName) != -1) {
        ShowInfo(tr("\"%1\" is already in the list.").arg(sortName));
        return;
    }
    m_lookups->Edit(entry, sortName, displayName);
    m_rows->item(row, colSortName)->setText(entry->SortName);
    m_rows->item(row, colDisplayName)->setText(entry->DisplayName);
    m_changed = true;
}

void TfmLookupLists::RemoveItems()
{
    const QList<int> rows = selectedRows();
    if (rows.isEmpty())
        return;
    const QString question =
        rows.size() == 1
            ? tr("Are you sure you want to remove item \"%1\"?")
                  .arg(EntryAt(rows.first())->SortName)
            : tr("Are you sure you want to remove the %1 selected items?").arg(rows.size());
    if (AskYesNo(question) == TAnswer::Yes) {
        // One pass over the collection finds the albums that still use any of them and
        // frees the others.
        QList<TLookupItem *> entries;
        for (int row : rows)
            entries.append(EntryAt(row));
        std::unordered_map<const TLookupItem *, TAlbum *> users;
        {
            TWaitCursor wait;
            users = m_db.RemoveUnusedLookupItems(m_field,
                                                 TLookupItemSet(entries.cbegin(), entries.cend()));
        }
        // The rows of the freed entries go; their pointers are only compared.
        TLookupItemSet gone;
        int lastPosition = -1; // of the last removed row, counted after the removal
        for (qsizetype i = 0; i < entries.size(); ++i) {
            if (users.count(entries[i]))
                continue;
            lastPosition = rows[i] - int(gone.size());
            gone.insert(entries[i]);
        }
        if (!gone.empty()) {
            QList<TLookupItem *> kept;
            for (int row = 0; row < m_rows->rowCount(); ++row)
                if (!gone.count(EntryAt(row)))
                    kept.append(EntryAt(row));
            setRows(kept);
            if (gone.count(m_lastSelected))
                m_lastSelected = nullptr;
            selectRow(std::min(lastPosition, m_rows->rowCount() - 1));
        }
        for (const TLookupItem *entry : std::as_const(entries))
            if (const auto user = users.find(entry); user != users.end())
                ShowInfo(tr("The item\r\n\"%1\"\r\ncan not be removed because it is still used in "
                            "album\r\n\"%2\"")
                             .arg(entry->SortName, user->second->GetAlbumName()));
    }
    focusCurrent();
    updateStatus();
    updateActions();
    m_changed = true;
}

void TfmLookupLists::SelectUnused()
{
    QItemSelection unused;
    int count = 0;
    int first = -1;
    {
        TWaitCursor wait;
        // One pass over the collection, not one per entry.
        const auto used = m_db.LookupItemsInUse(m_field);
        for (int row = 0; row < m_rows->rowCount(); ++row) {
            if (used.count(EntryAt(row)))
                continue;
            unused.select(m_rows->index(row, colSortName), m_rows->index(row, colDisplayName));
            if (first < 0)
                first = row;
            ++count;
        }
    }
    QItemSelectionModel *selection = m_list->selectionModel();
    selection->select(unused, QItemSelectionModel::ClearAndSelect);
    updateActions();
    if (first < 0)
        return;
    selection->setCurrentIndex(m_rows->index(first, colSortName), QItemSelectionModel::NoUpdate);
    focusCurrent();
    ShowInfo(tr("Found and selected %1 unused items. Use \"Remove Selected Items (Del)\" to "
                "remove them from the list.")
                 .arg(count));
}

void TfmLookupLists::Refresh()
{
    TLookupItem *current = EntryAt(m_list->CurrentRow());
    fillList(current ? current : m_lastSelected);
}

void TfmLookupLists::done(int result)
{
    TSettingsStore &s = m_dm.Settings();
    s.WriteInteger(kSection, QStringLiteral("Width"), width());
    s.WriteInteger(kSection, QStringLiteral("Height"), height());
    s.WriteInteger(kSection, QStringLiteral("SortNameWidth"),
                   m_list->Details()->columnWidth(colSortName));
    s.WriteInteger(kSection, QStringLiteral("DisplayNameWidth"),
                   m_list->Details()->columnWidth(colDisplayName));
    QDialog::done(result);
}

void TfmLookupLists::keyPressEvent(QKeyEvent *event)
{
    // Escape does not close the window; only the close button and the close box do.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TfmLookupLists::fillList(TLookupItem *keep)
{
    QList<TLookupItem *> entries;
    entries.reserve(m_lookups->Count());
    for (qsizetype i = 0; i < m_lookups->Count(); ++i)
        entries.append(m_lookups->Items(i));
    setRows(entries);
    sortRows();
    const int row = keep ? rowOf(keep) : -1;
    selectRow(row >= 0 ? row : 0);
    focusCurrent();
    updateStatus();
    updateActions();
}

void TfmLookupLists::sortRows()
{
    QList<TLookupItem *> entries;
    for (int row = 0; row < m_rows->rowCount(); ++row)
        entries.append(EntryAt(row));
    QList<TLookupItem *> selected;
    for (int row : selectedRows())
        selected.append(EntryAt(row));
    TLookupItem *current = EntryAt(m_list->CurrentRow());

    const int column = m_sortColumn;
    const int direction = m_direction;
    std::stable_sort(
        entries.begin(), entries.end(),
        [column, direction](const TLookupItem *a, const TLookupItem *b) {
            return CompareFolded(entryText(a, column), entryText(b, column)) * direction < 0;
        });
    setRows(entries);
    m_list->SetSortColumn(m_sortColumn, m_direction > 0);

    // The same entries stay selected in their new places.
    QHash<const TLookupItem *, int> rowOfEntry;
    rowOfEntry.reserve(entries.size());
    for (int row = 0; row < int(entries.size()); ++row)
        rowOfEntry.insert(entries[row], row);
    QItemSelectionModel *selection = m_list->selectionModel();
    if (current)
        selection->setCurrentIndex(m_rows->index(rowOfEntry.value(current), colSortName),
                                   QItemSelectionModel::NoUpdate);
    QItemSelection kept;
    for (const TLookupItem *entry : selected) {
        const int row = rowOfEntry.value(entry);
        kept.select(m_rows->index(row, colSortName), m_rows->index(row, colDisplayName));
    }
    selection->select(kept, QItemSelectionModel::ClearAndSelect);
    if (current)
        m_list->Details()->scrollTo(selection->currentIndex());
    updateActions();
}

void TfmLookupLists::setRows(const QList<TLookupItem *> &entries)
{
    m_rows->removeRows(0, m_rows->rowCount());
    m_rows->setRowCount(int(entries.size()));
    for (int row = 0; row < int(entries.size()); ++row) {
        TLookupItem *entry = entries[row];
        auto *sortItem = new QStandardItem(entry->SortName);
        sortItem->setData(QVariant::fromValue(reinterpret_cast<quintptr>(entry)), kEntryRole);
        sortItem->setEditable(false);
        auto *displayItem = new QStandardItem(entry->DisplayName);
        displayItem->setEditable(false);
        m_rows->setItem(row, colSortName, sortItem);
        m_rows->setItem(row, colDisplayName, displayItem);
    }
}

int TfmLookupLists::rowOf(const TLookupItem *entry) const
{
    for (int row = 0; row < m_rows->rowCount(); ++row)
        if (EntryAt(row) == entry)
            return row;
    return -1;
}

QList<int> TfmLookupLists::selectedRows() const
{
    QList<int> rows;
    for (const QModelIndex &index : m_list->selectionModel()->selectedRows(colSortName))
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void TfmLookupLists::selectRow(int row)
{
    m_list->SetCurrentRow(row);
}

void TfmLookupLists::focusCurrent()
{
    const QModelIndex current = m_list->selectionModel()->currentIndex();
    if (current.isValid())
        m_list->Details()->scrollTo(current);
    m_list->Details()->setFocus();
}

void TfmLookupLists::updateStatus()
{
    m_status->setText(tr("%1 items").arg(m_rows->rowCount()));
}

void TfmLookupLists::updateActions()
{
    const bool selected = m_list->selectionModel()->hasSelection();
    m_edit->setEnabled(selected);
    m_remove->setEnabled(selected);
}

void TfmLookupLists::updateListCaption()
{
    m_listButton->setText(tr("List: ") + m_dm.Fields().GetFieldName(m_field));
    for (QAction *action : m_listGroup->actions())
        action->setChecked(action->data().toInt() == int(m_field));
}

bool EditLookupLists(QWidget *owner, TQelDb &db, TdmGlobal &dm, TFieldId field)
{
    TfmLookupLists window(db, dm, field, owner);
    CenterOnOwner(&window, owner);
    window.exec();
    return window.Changed();
}
