#include "shell/ui/fieldnamesdialog.h"

#include "model/fields.h"
#include "model/general.h"
#include "model/textcompare.h"
#include "shell/dmglobal.h"
#include "shell/ui/iconlists.h"
#include "shell/ui/sortmarkheader.h"
#include "shell/ui/windowplacement.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kFieldRole = Qt::UserRole;
constexpr int kAcceptedNameRole = Qt::UserRole + 1; // the name before an edit

// Rows order by the sorted column's text, letters a to z folded.
class TFieldRow : public QTreeWidgetItem
{
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem &other) const override
    {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        return CompareFolded(text(column), other.text(column)) < 0;
    }
};

// Only the user's name is edited; the original name stays as it is.
class TYourNameDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override
    {
        if (index.column() != TfmFieldNames::colYourName)
            return nullptr;
        return QStyledItemDelegate::createEditor(parent, option, index);
    }
};

} // namespace

bool FieldNameTaken(const QStringList &names, qsizetype row, const QString &name)
{
    for (qsizetype i = 0; i < names.size(); ++i)
        if (i != row && names[i].compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

TfmFieldNames::TfmFieldNames(TQelFields &fields, QWidget *parent)
    : QDialog(parent), m_fields(fields)
{
    setObjectName(QStringLiteral("fmFieldNames"));
    setWindowTitle(tr("Field Names"));
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    setSizeGripEnabled(false); // the status bar has one

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("lvFields"));
    // The arrows of the main list, not the style's.
    auto *header = new TSortMarkHeader(m_list);
    header->Mark = [this](int column) {
        const int image = HeaderImage(column);
        return image < 0 ? QIcon() : TIconLists::Instance().Small(image);
    };
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setStretchLastSection(true);
    header->setSectionsMovable(true);
    m_list->setHeader(header);
    m_list->setColumnCount(2);
    m_list->setHeaderLabels({tr("Your name"), tr("Original name")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::SelectedClicked);
    m_list->setItemDelegate(new TYourNameDelegate(m_list));
    for (TFieldId field = 1; field <= fdLast; ++field) {
        auto *row = new TFieldRow(m_list);
        row->setText(colYourName, fields.GetFieldCaption(field));
        row->setText(colOriginalName, TQelFields::GetDefaultName(field));
        row->setData(colYourName, kFieldRole, int(field));
        row->setData(colYourName, kAcceptedNameRole, row->text(colYourName));
        row->setFlags(row->flags() | Qt::ItemIsEditable);
    }
    header->setSectionsClickable(true);
    header->setSectionResizeMode(QHeaderView::Interactive);
    connect(header, &QHeaderView::sectionClicked, this, &TfmFieldNames::SortBy);
    connect(m_list, &QTreeWidget::itemChanged, this, &TfmFieldNames::nameEdited);

    auto *ok = new QPushButton(tr("OK"), this);
    ok->setObjectName(QStringLiteral("btOk"));
    ok->setDefault(true);
    auto *cancel = new QPushButton(tr("Cancel"), this);
    cancel->setObjectName(QStringLiteral("btCancel"));
    auto *rename = new QPushButton(tr("Rename (F2)"), this);
    rename->setObjectName(QStringLiteral("btRename"));
    rename->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(rename, &QPushButton::clicked, this, &TfmFieldNames::RenameSelected);
    // F2 renames wherever the focus is in the dialog.
    auto *f2 = new QShortcut(QKeySequence(Qt::Key_F2), this);
    connect(f2, &QShortcut::activated, this, &TfmFieldNames::RenameSelected);

    auto *status = new QStatusBar(this);
    status->setObjectName(QStringLiteral("sbStatus"));
    auto *hint = new QLabel(
        tr("Use ampersands (&) in the names to define shortcut keys for the Edit screens"), status);
    hint->setTextFormat(Qt::PlainText);
    status->addWidget(hint, 1);

    auto *buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addSpacing(12);
    buttons->addWidget(rename);
    buttons->addStretch();
    auto *body = new QHBoxLayout;
    body->addWidget(m_list, 1);
    body->addLayout(buttons);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto *bodyMargins = new QWidget(this);
    bodyMargins->setLayout(body);
    layout->addWidget(bodyMargins, 1);
    layout->addWidget(status);

    m_order = Qt::AscendingOrder;
    m_sortColumn = colYourName;
    header->setSortIndicator(m_sortColumn, m_order);
    m_list->sortItems(m_sortColumn, m_order);
    m_list->resizeColumnToContents(colYourName);
    m_list->resizeColumnToContents(colOriginalName);
    m_list->setColumnWidth(colYourName, m_list->columnWidth(colYourName) + 40);
    m_list->setCurrentItem(m_list->topLevelItem(0));
    resize(520, 480);
}

void TfmFieldNames::SortBy(int column)
{
    if (column == m_sortColumn)
        m_order = m_order == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    else
        m_order = Qt::AscendingOrder;
    m_sortColumn = column;
    m_list->header()->setSortIndicator(m_sortColumn, m_order);
    m_list->header()->viewport()->update(); // the marks
    m_list->sortItems(m_sortColumn, m_order);
    if (QTreeWidgetItem *current = m_list->currentItem())
        m_list->scrollToItem(current);
}

int TfmFieldNames::HeaderImage(int column) const
{
    if (column != m_sortColumn)
        return -1;
    return m_order == Qt::AscendingOrder ? TIconLists::kSortAscending : TIconLists::kSortDescending;
}

void TfmFieldNames::RenameSelected()
{
    QTreeWidgetItem *item = m_list->currentItem();
    if (!item)
        return;
    m_list->setFocus();
    m_list->scrollToItem(item);
    m_list->editItem(item, colYourName);
}

QStringList TfmFieldNames::currentNames() const
{
    QStringList names;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i)
        names << m_list->topLevelItem(i)->data(colYourName, kAcceptedNameRole).toString();
    return names;
}

void TfmFieldNames::nameEdited(QTreeWidgetItem *item, int column)
{
    if (column != colYourName)
        return;
    const QString name = item->text(colYourName);
    const QString previous = item->data(colYourName, kAcceptedNameRole).toString();
    if (name == previous)
        return;
    if (FieldNameTaken(currentNames(), m_list->indexOfTopLevelItem(item), name)) {
        {
            const QSignalBlocker block(m_list);
            item->setText(colYourName, previous);
        }
        // Shown once the editor has closed, not from inside its commit.
        QTimer::singleShot(0, this,
                           [name] { ShowInfo(tr("Fieldname \"%1\" already exists").arg(name)); });
        return;
    }
    const QSignalBlocker block(m_list);
    item->setData(colYourName, kAcceptedNameRole, name);
}

void TfmFieldNames::accept()
{
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *row = m_list->topLevelItem(i);
        m_fields.SetFieldName(TFieldId(row->data(colYourName, kFieldRole).toInt()),
                              row->text(colYourName));
    }
    QDialog::accept();
}

int EditFieldNames(QWidget *owner, TdmGlobal &dm)
{
    TfmFieldNames dialog(dm.Fields(), owner);
    CenterOnOwner(&dialog, owner);
    const int result = dialog.exec();
    if (result == QDialog::Accepted)
        dm.SaveChanges();
    return result;
}
