#include "views/ui/qellistview.h"

#include "shell/ui/sortmarkheader.h"
#include <QHeaderView>
#include <QListView>
#include <QTableView>
#include <algorithm>

TImageIndexDelegate::TImageIndexDelegate(TIconSource source, bool large, QObject *parent)
    : QStyledItemDelegate(parent), m_source(std::move(source)), m_large(large)
{
}

void TImageIndexDelegate::initStyleOption(QStyleOptionViewItem *option,
                                          const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    if (m_textRole != Qt::DisplayRole) {
        const QVariant text = index.data(m_textRole);
        if (text.isValid()) {
            option->text = text.toString();
            option->features |= QStyleOptionViewItem::HasDisplay;
        }
    }
    // Markup in user text stays text.
    option->textElideMode = Qt::ElideRight;
    if (!m_source || index.column() != 0)
        return;
    const QIcon icon = m_source(index, m_large);
    if (icon.isNull())
        return;
    option->icon = icon;
    option->features |= QStyleOptionViewItem::HasDecoration;
    const int side = m_large ? 32 : 16;
    option->decorationSize = QSize(side, side);
}

TQelListView::TQelListView(QWidget *parent)
    : QStackedWidget(parent), m_details(new QTableView(this)), m_icons(new QListView(this)),
      m_smallDelegate(new TImageIndexDelegate({}, false, this)),
      m_largeDelegate(new TImageIndexDelegate({}, true, this))
{
    m_details->setObjectName(QStringLiteral("lvDetails"));
    auto *header = new TSortMarkHeader(m_details);
    header->Mark = [this](int column) {
        const int image = HeaderImage(column);
        return image < 0 ? QIcon() : HeaderIcon(image);
    };
    m_details->setHorizontalHeader(header);
    m_details->horizontalHeader()->setSectionsMovable(true);
    m_details->horizontalHeader()->setSectionsClickable(true);
    m_details->horizontalHeader()->setHighlightSections(false);
    m_details->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_details->horizontalHeader()->setStretchLastSection(false);
    m_details->verticalHeader()->hide();
    // Fixed row heights: the list never measures a million rows.
    m_details->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_details->verticalHeader()->setDefaultSectionSize(m_details->fontMetrics().height() + 6);
    m_details->setSelectionBehavior(QAbstractItemView::SelectRows);
    // Shift, Ctrl and Ctrl+A select several rows for the commands that take many.
    m_details->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_details->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_details->setShowGrid(true);
    m_details->setWordWrap(false);
    m_details->setTabKeyNavigation(false);
    m_details->setIconSize(QSize(16, 16));
    m_details->setItemDelegate(m_smallDelegate);

    m_icons->setObjectName(QStringLiteral("lvIcons"));
    m_icons->setViewMode(QListView::IconMode);
    m_icons->setResizeMode(QListView::Adjust);
    m_icons->setMovement(QListView::Static);
    m_icons->setUniformItemSizes(true);
    m_icons->setWrapping(true);
    m_icons->setIconSize(QSize(32, 32));
    m_icons->setGridSize(QSize(96, 72));
    m_icons->setWordWrap(true);
    m_icons->setTextElideMode(Qt::ElideRight);
    m_icons->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_icons->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_icons->setItemDelegate(m_largeDelegate);

    addWidget(m_details);
    addWidget(m_icons);
    setCurrentWidget(m_details);

    connect(m_details, &QAbstractItemView::activated, this,
            [this](const QModelIndex &index) { emit rowActivated(index.row()); });
    connect(m_icons, &QAbstractItemView::activated, this,
            [this](const QModelIndex &index) { emit rowActivated(index.row()); });
    connect(m_details->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &TQelListView::headerClicked);
}

void TQelListView::setModel(QAbstractItemModel *model)
{
    m_details->setModel(model);
    m_icons->setModel(model);
    // One selection for both styles.
    QItemSelectionModel *old = m_icons->selectionModel();
    m_icons->setSelectionModel(m_details->selectionModel());
    if (old && old != m_details->selectionModel())
        old->deleteLater();
    connect(m_details->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) {
                emit currentRowChanged(current.isValid() ? current.row() : -1);
            });
}

QAbstractItemModel *TQelListView::model() const
{
    return m_details->model();
}

QItemSelectionModel *TQelListView::selectionModel() const
{
    return m_details->selectionModel();
}

std::vector<int> TQelListView::SelectedRows() const
{
    std::vector<int> rows;
    const QItemSelectionModel *selection = selectionModel();
    if (!selection)
        return rows;
    // Ranges, not indexes: Ctrl+A over a million rows is one range.
    for (const QItemSelectionRange &range : selection->selection())
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.push_back(row);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    if (rows.empty() && selection->currentIndex().isValid())
        rows.push_back(selection->currentIndex().row());
    return rows;
}

QAbstractItemView *TQelListView::Current() const
{
    return m_style == vsIcon ? static_cast<QAbstractItemView *>(m_icons)
                             : static_cast<QAbstractItemView *>(m_details);
}

void TQelListView::SetViewStyle(int style)
{
    m_style = style == vsIcon ? vsIcon : vsReport;
    setCurrentWidget(Current());
    const QModelIndex current = selectionModel() ? selectionModel()->currentIndex() : QModelIndex();
    if (current.isValid())
        Current()->scrollTo(current);
}

void TQelListView::SetIconSource(TImageIndexDelegate::TIconSource source)
{
    auto *small = new TImageIndexDelegate(source, false, this);
    auto *large = new TImageIndexDelegate(std::move(source), true, this);
    large->SetTextRole(m_iconTextRole);
    m_details->setItemDelegate(small);
    m_icons->setItemDelegate(large);
    m_smallDelegate->deleteLater();
    m_largeDelegate->deleteLater();
    m_smallDelegate = small;
    m_largeDelegate = large;
}

void TQelListView::SetIconTextRole(int role)
{
    m_iconTextRole = role;
    m_largeDelegate->SetTextRole(role);
    m_icons->viewport()->update();
}

void TQelListView::SetHeaderIconSource(std::function<QIcon(int)> source)
{
    m_headerIcons = std::move(source);
}

void TQelListView::SetSortColumn(int tag, bool ascending)
{
    m_sortTag = tag;
    m_sortAscending = ascending;
    m_details->horizontalHeader()->viewport()->update();
}

int TQelListView::HeaderImage(int column) const
{
    const QAbstractItemModel *m = model();
    if (!m || m_sortTag < 0 || column < 0 || column >= m->columnCount())
        return -1;
    const QVariant tag = m->headerData(column, Qt::Horizontal, m_tagRole);
    if (!tag.isValid() || tag.toInt() != m_sortTag)
        return -1;
    return m_sortAscending ? m_ascending : m_descending;
}

int TQelListView::CurrentRow() const
{
    const QModelIndex current = selectionModel() ? selectionModel()->currentIndex() : QModelIndex();
    return current.isValid() ? current.row() : -1;
}

void TQelListView::SetCurrentRow(int row)
{
    QItemSelectionModel *selection = selectionModel();
    const QAbstractItemModel *m = model();
    if (!selection || !m)
        return;
    if (row < 0 || row >= m->rowCount()) {
        selection->clear();
        return;
    }
    const QModelIndex index = m->index(row, 0);
    selection->setCurrentIndex(index,
                               QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    Current()->scrollTo(index);
}
