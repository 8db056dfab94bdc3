#include "editors/ui/lookuplisteditor.h"

#include "editors/ui/lookupentrydialog.h"
#include "model/general.h"
#include "model/lookuplist.h"
#include "model/qeldb.h"
#include "model/similarnames.h"
#include "model/textcompare.h"
#include "shell/dmglobal.h"
#include "shell/fielddefaults.h"
#include "shell/settingsstore.h"
#include "shell/ui/iconlists.h"
#include "shell/ui/menutextbutton.h"
#include "shell/ui/windowplacement.h"
#include "views/browsestate.h"
#include "views/ui/qellistview.h"

#include <QAbstractTableModel>
#include <QAction>
#include <QActionGroup>
#include <QDialogButtonBox>
#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <unordered_map>

// The rows of the editor: one entry each, answered on demand. Filling is one reset
// of the model, whatever the number of entries.
class TLookupRowsModel : public QAbstractTableModel
{
public:
    TLookupRowsModel(int tagRole, QObject *parent) : QAbstractTableModel(parent), m_tagRole(tagRole)
    {
    }

    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : int(m_entries.size());
    }
    int columnCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : 2;
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || index.row() >= rowCount() ||
            (role != Qt::DisplayRole && role != Qt::ToolTipRole))
            return {};
        const TLookupItem *e = m_entries[std::size_t(index.row())];
        return index.column() == TfmLookupLists::colSortName ? e->SortName : e->DisplayName;
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || section < 0 || section > 1)
            return QAbstractTableModel::headerData(section, orientation, role);
        if (role == Qt::DisplayRole)
            return section == TfmLookupLists::colSortName ? TfmLookupLists::tr("Sort Name")
                                                          : TfmLookupLists::tr("Display Name");
        if (role == m_tagRole)
            return section; // the column's tag is its number
        return {};
    }
    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
    }

    TLookupItem *Entry(int row) const
    {
        return row >= 0 && row < rowCount() ? m_entries[std::size_t(row)] : nullptr;
    }
    const std::vector<TLookupItem *> &Entries() const { return m_entries; }
    int RowOf(const TLookupItem *entry) const { return m_rowOf.value(entry, -1); }
    void SetEntries(std::vector<TLookupItem *> entries)
    {
        beginResetModel();
        m_entries = std::move(entries);
        m_rowOf.clear();
        m_rowOf.reserve(qsizetype(m_entries.size()));
        for (std::size_t row = 0; row < m_entries.size(); ++row)
            m_rowOf.insert(m_entries[row], int(row));
        endResetModel();
    }
    void EntryChanged(int row) { emit dataChanged(index(row, 0), index(row, 1)); }

private:
    int m_tagRole;
    std::vector<TLookupItem *> m_entries;
    QHash<const TLookupItem *, int> m_rowOf;
};

namespace {
const QString kSection = QStringLiteral("EditLookupListsWindow");
constexpr int kDesignedWidth = 560;
constexpr int kDesignedHeight = 420;
constexpr int kDesignedColumnWidth = 260;

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

// How an entry reads in the merge question: the sort name, and the display name when
// there is one.
QString entryCaption(const TLookupItem *entry)
{
    return entry->DisplayName.isEmpty()
               ? entry->SortName
               : QStringLiteral("%1  (%2)").arg(entry->SortName, entry->DisplayName);
}
} // namespace

TfmLookupLists::TfmLookupLists(TQelDb &db, TdmGlobal &dm, TFieldId field, QWidget *parent,
                               TBrowseState *state)
    : QDialog(parent), m_db(db), m_dm(dm), m_state(state), m_field(field),
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
    m_merge = makeAction("acMerge", tr("Merge Selected Into..."),
                         tr("Merge the selected items into one of them"), {},
                         &TfmLookupLists::MergeItems);
    m_findSimilar = makeAction("acFindSimilar", tr("Find Similar"),
                               tr("Select items whose names differ only in letter case, accents, "
                                  "\"The\", \"&\" or punctuation"),
                               {}, &TfmLookupLists::FindSimilar);
    m_nextGroupAction =
        makeAction("acNextGroup", tr("Next Group"), tr("Select the next group of similar items"),
                   {QKeySequence(Qt::Key_F3)}, &TfmLookupLists::NextGroup);
    m_add->setIcon(QIcon::fromTheme(QStringLiteral("list-add")));
    m_edit->setIcon(QIcon::fromTheme(QStringLiteral("document-edit")));
    m_remove->setIcon(QIcon::fromTheme(QStringLiteral("list-remove")));
    m_refresh->setIcon(QIcon::fromTheme(QStringLiteral("view-refresh")));
    m_findSimilar->setIcon(QIcon::fromTheme(QStringLiteral("edit-find")));

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
    auto addButton = [](QToolBar *bar, const char *name, QAction *action) {
        auto *button = new QToolButton(bar);
        button->setObjectName(QLatin1String(name));
        button->setDefaultAction(action);
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        bar->addWidget(button);
        return button;
    };
    addButton(toolBar, "btAddItem", m_add);
    addButton(toolBar, "btEditItem", m_edit);
    addButton(toolBar, "btRemoveItem", m_remove);
    addButton(toolBar, "btSelectUnused", m_selectUnused);
    addButton(toolBar, "btRefresh", m_refresh);
    toolBar->addSeparator();
    auto *close = new QToolButton(toolBar);
    close->setObjectName(QStringLiteral("btClose"));
    close->setText(tr("Close"));
    close->setToolTip(tr("Close"));
    close->setIcon(QIcon::fromTheme(QStringLiteral("window-close")));
    close->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    connect(close, &QToolButton::clicked, this, &QDialog::accept);
    toolBar->addWidget(close);

    // Merging has a bar of its own: the first one is full.
    auto *mergeBar = new QToolBar(this);
    mergeBar->setObjectName(QStringLiteral("tbMerge"));
    mergeBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    mergeBar->setIconSize(QSize(16, 16));
    mergeBar->setMovable(false);
    addButton(mergeBar, "btFindSimilar", m_findSimilar);
    addButton(mergeBar, "btNextGroup", m_nextGroupAction);
    mergeBar->addSeparator();
    addButton(mergeBar, "btMergeItems", m_merge);

    m_list = new TQelListView(this);
    m_list->setObjectName(QStringLiteral("lvList"));
    m_rows = new TLookupRowsModel(m_list->TagRole(), this);
    m_list->setModel(m_rows);
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
    m_groupStatus = new QLabel(statusBar);
    m_groupStatus->setObjectName(QStringLiteral("pnGroup"));
    m_groupStatus->setTextFormat(Qt::PlainText);
    statusBar->addWidget(m_groupStatus, 2);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolBar);
    layout->addWidget(mergeBar);
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

TfmLookupLists::~TfmLookupLists() = default;

TLookupItem *TfmLookupLists::EntryAt(int row) const
{
    return m_rows->Entry(row);
}

void TfmLookupLists::SwitchList(TFieldId field)
{
    if (field == m_field)
        return;
    m_field = field;
    m_lookups = &m_db.LookupListFromGroupField(field);
    m_lastSelected = nullptr;
    m_groups.clear();
    m_nextGroup = 0;
    m_shownGroup = kNoGroup;
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
    m_rows->EntryChanged(row);
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
        // One pass over the collection finds the albums that still use any of them (for
        // the message) and frees the others.
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
            forget(gone);
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
        const TLookupUsage &used = usage();
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

void TfmLookupLists::MergeItems()
{
    const QList<int> rows = selectedRows();
    if (rows.size() < 2)
        return;
    QList<TLookupItem *> entries;
    for (int row : rows)
        entries.append(EntryAt(row));
    TLookupItem *current = EntryAt(m_list->CurrentRow());
    TLookupItem *keep =
        ChooseEntryToKeep(this, entries, entries.contains(current) ? current : entries.first());
    if (!keep)
        return;
    TLookupItemSet merged;
    for (TLookupItem *e : std::as_const(entries))
        if (e != keep)
            merged.insert(e);
    {
        TWaitCursor wait;
        // Whatever names the entries by text follows them first, while they still exist.
        if (m_dm.FieldDefaults().FollowMerge(m_field, m_db, merged, keep))
            m_dm.SaveChanges();
        if (m_state)
            m_state->FollowMerge(m_field, merged, keep);
        MergeLookupItems(m_db, m_field, keep, merged);
    }
    if (const auto counts = m_usage.find(m_field); counts != m_usage.end()) {
        qint64 moved = 0;
        for (const TLookupItem *e : merged)
            if (const auto c = counts->second.find(e); c != counts->second.end())
                moved += c->second;
        if (moved > 0)
            counts->second[keep] += moved;
    }
    m_changed = true;
    forget(merged);
    selectEntries({keep}, keep);
    focusCurrent();
    updateStatus();
    updateActions();
}

void TfmLookupLists::FindSimilar()
{
    {
        TWaitCursor wait;
        m_groups = FindSimilarEntries(*m_lookups);
    }
    m_nextGroup = 0;
    m_shownGroup = kNoGroup;
    if (m_groups.empty()) {
        updateStatus();
        updateActions();
        ShowInfo(tr("No items with similar names were found."));
        return;
    }
    showGroup(0);
}

void TfmLookupLists::NextGroup()
{
    if (m_nextGroup < m_groups.size())
        showGroup(m_nextGroup);
}

void TfmLookupLists::showGroup(std::size_t index)
{
    const std::vector<TLookupItem *> &group = m_groups[index];
    selectEntries(group, group.front());
    m_nextGroup = index + 1;
    m_shownGroup = index;
    focusCurrent();
    updateStatus();
    updateActions();
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

const TLookupUsage &TfmLookupLists::usage()
{
    auto counts = m_usage.find(m_field);
    if (counts == m_usage.end())
        counts = m_usage.emplace(m_field, CountLookupUsage(m_db, m_field)).first;
    return counts->second;
}

void TfmLookupLists::forget(const TLookupItemSet &gone)
{
    // Freed entries are only compared, never read.
    if (const auto counts = m_usage.find(m_field); counts != m_usage.end())
        for (const TLookupItem *e : gone)
            counts->second.erase(e);
    if (gone.count(m_lastSelected))
        m_lastSelected = nullptr;

    std::vector<TLookupItem *> kept;
    kept.reserve(m_rows->Entries().size());
    for (TLookupItem *e : m_rows->Entries())
        if (!gone.count(e))
            kept.push_back(e);
    m_rows->SetEntries(std::move(kept));

    // Groups lose the entries; those left with one entry are no groups any more. The
    // next group stays the one that came after the groups already shown.
    std::vector<std::vector<TLookupItem *>> groups;
    std::size_t next = 0;
    std::size_t shown = kNoGroup;
    for (std::size_t i = 0; i < m_groups.size(); ++i) {
        std::erase_if(m_groups[i], [&gone](const TLookupItem *e) { return gone.count(e) > 0; });
        if (m_groups[i].size() < 2)
            continue;
        if (i < m_nextGroup)
            ++next;
        if (i == m_shownGroup)
            shown = groups.size();
        groups.push_back(std::move(m_groups[i]));
    }
    m_groups = std::move(groups);
    m_nextGroup = next;
    m_shownGroup = shown;
}

void TfmLookupLists::fillList(TLookupItem *keep)
{
    std::vector<TLookupItem *> entries;
    entries.reserve(std::size_t(m_lookups->Count()));
    for (qsizetype i = 0; i < m_lookups->Count(); ++i)
        entries.push_back(m_lookups->Items(i));
    const int column = m_sortColumn;
    const int direction = m_direction;
    std::stable_sort(
        entries.begin(), entries.end(),
        [column, direction](const TLookupItem *a, const TLookupItem *b) {
            return CompareFolded(entryText(a, column), entryText(b, column)) * direction < 0;
        });
    m_rows->SetEntries(std::move(entries));
    m_list->SetSortColumn(m_sortColumn, m_direction > 0);
    const int row = keep ? m_rows->RowOf(keep) : -1;
    selectRow(row >= 0 ? row : 0);
    focusCurrent();
    updateStatus();
    updateActions();
}

void TfmLookupLists::sortRows()
{
    std::vector<TLookupItem *> selected;
    for (int row : selectedRows())
        selected.push_back(EntryAt(row));
    TLookupItem *current = EntryAt(m_list->CurrentRow());

    std::vector<TLookupItem *> entries = m_rows->Entries();
    const int column = m_sortColumn;
    const int direction = m_direction;
    std::stable_sort(
        entries.begin(), entries.end(),
        [column, direction](const TLookupItem *a, const TLookupItem *b) {
            return CompareFolded(entryText(a, column), entryText(b, column)) * direction < 0;
        });
    m_rows->SetEntries(std::move(entries));
    m_list->SetSortColumn(m_sortColumn, m_direction > 0);
    // The same entries stay selected in their new places.
    selectEntries(selected, current);
    if (current)
        m_list->Details()->scrollTo(m_list->selectionModel()->currentIndex());
    updateActions();
}

QList<int> TfmLookupLists::selectedRows() const
{
    QList<int> rows;
    for (const QModelIndex &index : m_list->selectionModel()->selectedRows(colSortName))
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void TfmLookupLists::selectEntries(const std::vector<TLookupItem *> &entries, TLookupItem *current)
{
    QItemSelectionModel *selection = m_list->selectionModel();
    if (const int row = current ? m_rows->RowOf(current) : -1; row >= 0)
        selection->setCurrentIndex(m_rows->index(row, colSortName), QItemSelectionModel::NoUpdate);
    QItemSelection chosen;
    for (const TLookupItem *entry : entries)
        if (const int row = m_rows->RowOf(entry); row >= 0)
            chosen.select(m_rows->index(row, colSortName), m_rows->index(row, colDisplayName));
    selection->select(chosen, QItemSelectionModel::ClearAndSelect);
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
    QString groups;
    if (m_shownGroup != kNoGroup)
        groups = tr("Similar names: group %1 of %2").arg(m_shownGroup + 1).arg(m_groups.size());
    else if (!m_groups.empty())
        groups = tr("Similar names: %1 groups left").arg(m_groups.size() - m_nextGroup);
    m_groupStatus->setText(groups);
}

void TfmLookupLists::updateActions()
{
    const QItemSelectionModel *selection = m_list->selectionModel();
    const bool selected = selection->hasSelection();
    m_edit->setEnabled(selected);
    m_remove->setEnabled(selected);
    m_merge->setEnabled(selected && selection->selectedRows(colSortName).size() >= 2);
    m_nextGroupAction->setEnabled(m_nextGroup < m_groups.size());
}

void TfmLookupLists::updateListCaption()
{
    m_listButton->setText(tr("List: ") + m_dm.Fields().GetFieldName(m_field));
    for (QAction *action : m_listGroup->actions())
        action->setChecked(action->data().toInt() == int(m_field));
}

bool EditLookupLists(QWidget *owner, TQelDb &db, TdmGlobal &dm, TFieldId field, TBrowseState *state)
{
    TfmLookupLists window(db, dm, field, owner, state);
    CenterOnOwner(&window, owner);
    window.exec();
    return window.Changed();
}

TLookupItem *ChooseEntryToKeep(QWidget *owner, const QList<TLookupItem *> &entries,
                               TLookupItem *suggested)
{
    QDialog dialog(owner);
    dialog.setObjectName(QStringLiteral("fmMergeLookups"));
    dialog.setWindowTitle(TfmLookupLists::tr("Merge Items"));
    auto *label = new QLabel(TfmLookupLists::tr("Merge the %1 selected items into this one, "
                                                "which keeps its names; every album and track "
                                                "of the others will show it:")
                                 .arg(entries.size()),
                             &dialog);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    auto *choices = new QListWidget(&dialog);
    choices->setObjectName(QStringLiteral("lbKeep"));
    for (TLookupItem *entry : entries) {
        auto *item = new QListWidgetItem(entryCaption(entry), choices);
        if (entry == suggested)
            choices->setCurrentItem(item);
    }
    if (!choices->currentItem())
        choices->setCurrentRow(0);
    auto *buttons = new QDialogButtonBox(&dialog);
    QPushButton *ok = buttons->addButton(TfmLookupLists::tr("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("btOK"));
    ok->setDefault(true);
    QPushButton *cancel =
        buttons->addButton(TfmLookupLists::tr("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("btCancel"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(choices, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(label);
    layout->addWidget(choices, 1);
    layout->addWidget(buttons);
    dialog.resize(420, 280);
    CenterOnOwner(&dialog, owner);
    if (dialog.exec() != QDialog::Accepted || choices->currentRow() < 0)
        return nullptr;
    return entries[choices->currentRow()];
}
