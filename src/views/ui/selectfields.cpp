#include "views/ui/selectfields.h"

#include "shell/dmglobal.h"
#include "shell/settingsstore.h"
#include "shell/ui/iconlists.h"
#include "shell/ui/windowplacement.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <functional>

namespace {
const QString kSection = QStringLiteral("SelectFieldsWindow");
const QString kMimeType = QStringLiteral("application/x-qelmusic-field");
constexpr int kDesignedWidth = 560;
constexpr int kDesignedHeight = 420;
constexpr int kDesignedTreeWidth = 200;
constexpr int kFieldRole = Qt::UserRole;

// A drag between the two panes carries where it started and a number: a field
// from the tree, a row from the list.
enum class TDragOrigin { None, Tree, List };

QMimeData *dragMime(TDragOrigin origin, int number)
{
    auto *mime = new QMimeData;
    mime->setData(kMimeType,
                  (origin == TDragOrigin::Tree ? QByteArray("tree ") : QByteArray("list ")) +
                      QByteArray::number(number));
    return mime;
}

std::pair<TDragOrigin, int> readDrag(const QDropEvent *e)
{
    const QList<QByteArray> parts = e->mimeData()->data(kMimeType).split(' ');
    bool ok = false;
    const int number = parts.size() == 2 ? parts[1].toInt(&ok) : -1;
    if (!ok)
        return {TDragOrigin::None, -1};
    if (parts[0] == "tree")
        return {TDragOrigin::Tree, number};
    if (parts[0] == "list")
        return {TDragOrigin::List, number};
    return {TDragOrigin::None, -1};
}
} // namespace

// The available fields. A drag starts with the left button on a field (not a group)
// after 5 pixels, never from a double click; rows dropped here are removed.
class TFieldTreeWidget : public QTreeWidget
{
public:
    using QTreeWidget::QTreeWidget;

    std::function<void(int row)> onRowDropped;

protected:
    void mousePressEvent(QMouseEvent *e) override
    {
        QTreeWidget::mousePressEvent(e);
        m_pressed = nullptr;
        QTreeWidgetItem *item = itemAt(e->position().toPoint());
        if (e->button() == Qt::LeftButton && item && item->data(0, kFieldRole).isValid()) {
            m_pressed = item;
            m_pressPos = e->position().toPoint();
        }
    }
    void mouseDoubleClickEvent(QMouseEvent *e) override
    {
        m_pressed = nullptr;
        QTreeWidget::mouseDoubleClickEvent(e);
    }
    void mouseMoveEvent(QMouseEvent *e) override
    {
        if (m_pressed && (e->buttons() & Qt::LeftButton) &&
            (e->position().toPoint() - m_pressPos).manhattanLength() >= 5) {
            const int field = m_pressed->data(0, kFieldRole).toInt();
            m_pressed = nullptr;
            auto *drag = new QDrag(this);
            drag->setMimeData(dragMime(TDragOrigin::Tree, field));
            drag->exec(Qt::CopyAction);
            return;
        }
        QTreeWidget::mouseMoveEvent(e);
    }
    void mouseReleaseEvent(QMouseEvent *e) override
    {
        m_pressed = nullptr;
        QTreeWidget::mouseReleaseEvent(e);
    }
    void dragEnterEvent(QDragEnterEvent *e) override { acceptRow(e); }
    void dragMoveEvent(QDragMoveEvent *e) override { acceptRow(e); }
    void dropEvent(QDropEvent *e) override
    {
        if (!acceptRow(e))
            return;
        if (onRowDropped)
            onRowDropped(readDrag(e).second);
    }

private:
    // Only rows of the list can be dropped here.
    bool acceptRow(QDropEvent *e)
    {
        const bool ours = readDrag(e).first == TDragOrigin::List;
        if (ours)
            e->acceptProposedAction();
        else
            e->ignore();
        return ours;
    }

    QTreeWidgetItem *m_pressed = nullptr;
    QPoint m_pressPos;
};

// The selected fields. A drag starts with the left button on a selected row after
// 2 pixels. Drops land before the row under the pointer, or at the end.
class TFieldListWidget : public QListWidget
{
public:
    using QListWidget::QListWidget;

    std::function<void(int field, int before)> onFieldDropped;
    std::function<void(int row, int before)> onRowMoved;

protected:
    void mousePressEvent(QMouseEvent *e) override
    {
        QListWidget::mousePressEvent(e);
        m_pressedRow = -1;
        QListWidgetItem *row = itemAt(e->position().toPoint());
        if (e->button() == Qt::LeftButton && row && row->isSelected()) {
            m_pressedRow = this->row(row);
            m_pressPos = e->position().toPoint();
        }
    }
    void mouseMoveEvent(QMouseEvent *e) override
    {
        if (m_pressedRow >= 0 && (e->buttons() & Qt::LeftButton) &&
            (e->position().toPoint() - m_pressPos).manhattanLength() >= 2) {
            const int row = m_pressedRow;
            m_pressedRow = -1;
            auto *drag = new QDrag(this);
            drag->setMimeData(dragMime(TDragOrigin::List, row));
            drag->exec(Qt::MoveAction);
            return;
        }
        QListWidget::mouseMoveEvent(e);
    }
    void mouseReleaseEvent(QMouseEvent *e) override
    {
        m_pressedRow = -1;
        QListWidget::mouseReleaseEvent(e);
    }
    void dragEnterEvent(QDragEnterEvent *e) override { acceptDrag(e); }
    void dragMoveEvent(QDragMoveEvent *e) override { acceptDrag(e); }
    void dropEvent(QDropEvent *e) override
    {
        if (!acceptDrag(e))
            return;
        const QModelIndex under = indexAt(e->position().toPoint());
        const int before = under.isValid() ? under.row() : count();
        const auto [origin, number] = readDrag(e);
        if (origin == TDragOrigin::List && onRowMoved)
            onRowMoved(number, before);
        else if (origin == TDragOrigin::Tree && onFieldDropped)
            onFieldDropped(number, before);
    }

private:
    bool acceptDrag(QDropEvent *e)
    {
        const bool ours = readDrag(e).first != TDragOrigin::None;
        if (ours)
            e->acceptProposedAction();
        else
            e->ignore();
        return ours;
    }

    int m_pressedRow = -1;
    QPoint m_pressPos;
};

TfmSelectFields::TfmSelectFields(QWidget *owner, const TListFields &fields,
                                 const QString &captionSuffix, TdmGlobal &dm)
    : QDialog(owner), m_dm(dm), m_selection(fields, dm.Fields())
{
    setObjectName(QStringLiteral("fmSelectFields"));
    setWindowTitle(tr("Select Fields"));
    setSizeGripEnabled(true);

    m_tree = new TFieldTreeWidget;
    m_tree->setObjectName(QStringLiteral("tvFields"));
    m_tree->setHeaderHidden(true);
    m_tree->setAcceptDrops(true);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->setIconSize(QSize(16, 16));

    m_list = new TFieldListWidget;
    m_list->setObjectName(QStringLiteral("lvFields"));
    m_list->setAcceptDrops(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setIconSize(QSize(16, 16));

    auto pane = [](const QString &caption, QWidget *view) {
        auto *w = new QWidget;
        auto *box = new QVBoxLayout(w);
        box->setContentsMargins(0, 0, 0, 0);
        auto *label = new QLabel(caption);
        label->setBuddy(view);
        box->addWidget(label);
        box->addWidget(view, 1);
        return w;
    };
    m_splitter = new QSplitter(Qt::Horizontal);
    m_splitter->setChildrenCollapsible(false);
    m_splitter->addWidget(pane(tr("  Available Fields:"), m_tree));
    m_splitter->addWidget(pane(tr("  Selected Fields:"), m_list));
    m_splitter->setStretchFactor(1, 1);

    auto *ok = new QPushButton(tr("OK"));
    ok->setObjectName(QStringLiteral("btOk"));
    ok->setDefault(true);
    auto *cancel = new QPushButton(tr("Cancel"));
    cancel->setObjectName(QStringLiteral("btCancel"));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    m_order = new QGroupBox;
    m_order->setObjectName(QStringLiteral("rgOrder"));
    m_ascending = new QRadioButton(tr("Ascending"));
    m_ascending->setObjectName(QStringLiteral("rbAscending"));
    m_descending = new QRadioButton(tr("Descending"));
    m_descending->setObjectName(QStringLiteral("rbDescending"));
    auto *orderBox = new QVBoxLayout(m_order);
    orderBox->addWidget(m_ascending);
    orderBox->addWidget(m_descending);
    m_order->setVisible(m_selection.IsSortList());
    connect(m_ascending, &QRadioButton::clicked, this, [this] { setSelectedOrder(1); });
    connect(m_descending, &QRadioButton::clicked, this, [this] { setSelectedOrder(-1); });

    auto *buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addSpacing(12);
    buttons->addWidget(m_order);
    buttons->addStretch(1);

    auto *body = new QHBoxLayout;
    body->addWidget(m_splitter, 1);
    body->addLayout(buttons);

    auto *status = new QStatusBar;
    status->setObjectName(QStringLiteral("sbStatus"));
    status->setSizeGripEnabled(false);
    auto *statusText =
        new QLabel(tr("Drag and drop to add fields, remove fields or change the field order"));
    statusText->setObjectName(QStringLiteral("laStatus"));
    status->addWidget(statusText, 1);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addWidget(status);

    QString caption;
    if (m_selection.Level() == ilAlbum)
        caption = m_selection.IsSortList() ? tr("Album Sort Order") : tr("Album Fields");
    else
        caption = m_selection.IsSortList() ? tr("Track Sort Order") : tr("Track Fields");
    if (!captionSuffix.isEmpty())
        caption += u' ' + captionSuffix;
    setWindowTitle(caption);

    const TSettingsStore &s = dm.Settings();
    resize(s.ReadInteger(kSection, QStringLiteral("Width"), kDesignedWidth),
           s.ReadInteger(kSection, QStringLiteral("Height"), kDesignedHeight));
    m_treeWidth = s.ReadInteger(kSection, QStringLiteral("TreeWidth"), kDesignedTreeWidth);

    buildTree();
    showRows();

    m_tree->onRowDropped = [this](int row) { removeRow(row); };
    m_list->onFieldDropped = [this](int field, int before) {
        if (field > 0 && field <= 255)
            dropField(TFieldId(field), before);
    };
    m_list->onRowMoved = [this](int row, int before) { moveRow(row, before); };
    connect(m_tree, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem *item) { treeDoubleClicked(item); });
    connect(m_list, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem *item) { listDoubleClicked(m_list->row(item)); });
    connect(m_list, &QListWidget::currentRowChanged, this, [this](int row) {
        m_selection.Select(row);
        showOrder();
    });
}

TfmSelectFields::~TfmSelectFields() = default;

void TfmSelectFields::buildTree()
{
    const QIcon closed = TIconLists::Instance().Small(TIconLists::kFolder);
    const QIcon open = TIconLists::Instance().Small(TIconLists::kFolderOpen);
    const QIcon fieldIcon = style()->standardIcon(QStyle::SP_FileIcon);
    bool first = true;
    for (const TFieldGroup &group : TFieldSelection::Groups(m_selection.Level())) {
        auto *node = new QTreeWidgetItem(m_tree, {tr(group.name)});
        node->setIcon(0, closed);
        for (TFieldId field : group.fields) {
            auto *leaf = new QTreeWidgetItem(node, {m_dm.Fields().GetFieldName(field)});
            leaf->setIcon(0, fieldIcon);
            leaf->setData(0, kFieldRole, int(field));
        }
        // Only the first group starts open.
        if (first) {
            node->setExpanded(true);
            node->setIcon(0, open);
        }
        first = false;
    }
    connect(m_tree, &QTreeWidget::itemExpanded, this, [open](QTreeWidgetItem *item) {
        if (!item->parent())
            item->setIcon(0, open);
    });
    connect(m_tree, &QTreeWidget::itemCollapsed, this, [closed](QTreeWidgetItem *item) {
        if (!item->parent())
            item->setIcon(0, closed);
    });
}

void TfmSelectFields::showRows()
{
    const QSignalBlocker block(m_list);
    m_list->clear();
    const bool sort = m_selection.IsSortList();
    const QIcon up = TIconLists::Instance().Small(TIconLists::kSortAscending);
    const QIcon down = TIconLists::Instance().Small(TIconLists::kSortDescending);
    for (int i = 0; i < m_selection.Count(); ++i) {
        auto *row = new QListWidgetItem(m_selection.RowName(i), m_list);
        if (sort)
            row->setIcon(m_selection.RowOrder(i) < 0 ? down : up);
    }
    m_list->setCurrentRow(m_selection.Selected());
    showOrder();
}

void TfmSelectFields::showOrder()
{
    if (!m_selection.IsSortList())
        return;
    const int row = m_selection.Selected();
    m_order->setEnabled(row >= 0);
    if (row < 0)
        return;
    const bool descending = m_selection.RowOrder(row) < 0;
    m_ascending->setChecked(!descending);
    m_descending->setChecked(descending);
}

void TfmSelectFields::dropField(TFieldId field, int before)
{
    m_selection.DropField(field, before);
    showRows();
    m_list->setFocus();
}

void TfmSelectFields::moveRow(int from, int before)
{
    m_selection.MoveRow(from, before);
    showRows();
    m_list->setFocus();
}

void TfmSelectFields::removeRow(int row)
{
    m_selection.RemoveRow(row);
    showRows();
}

void TfmSelectFields::treeDoubleClicked(QTreeWidgetItem *item)
{
    if (item && item->data(0, kFieldRole).isValid())
        dropField(TFieldId(item->data(0, kFieldRole).toInt()), -1);
}

// A double click on a row flips a sort entry's order and takes a show entry out.
void TfmSelectFields::listDoubleClicked(int row)
{
    if (row < 0)
        return;
    if (!m_selection.IsSortList()) {
        removeRow(row);
        return;
    }
    m_selection.FlipOrder(row);
    m_selection.Select(row);
    showRows();
}

void TfmSelectFields::setSelectedOrder(qint32 order)
{
    const int row = m_selection.Selected();
    if (row < 0)
        return;
    m_selection.SetOrder(row, order);
    showRows();
}

void TfmSelectFields::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The splitter knows its width only once the dialog is laid out.
    if (!m_shown) {
        m_shown = true;
        const int total = m_splitter->width() - m_splitter->handleWidth();
        m_splitter->setSizes({m_treeWidth, std::max(1, total - m_treeWidth)});
    }
}

void TfmSelectFields::done(int result)
{
    TSettingsStore &s = m_dm.Settings();
    s.WriteInteger(kSection, QStringLiteral("Width"), width());
    s.WriteInteger(kSection, QStringLiteral("Height"), height());
    s.WriteInteger(kSection, QStringLiteral("TreeWidth"),
                   m_shown ? m_splitter->sizes().value(0) : m_treeWidth);
    QDialog::done(result);
}

bool SelectFields(QWidget *owner, TListFields &fields, const QString &captionSuffix, TdmGlobal &dm)
{
    TfmSelectFields dialog(owner, fields, captionSuffix, dm);
    CenterOnOwner(&dialog, owner);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    dialog.Selection().ApplyTo(fields);
    return true;
}
