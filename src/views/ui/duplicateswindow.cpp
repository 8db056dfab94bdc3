#include "views/ui/duplicateswindow.h"

#include "model/album.h"
#include "model/general.h"
#include "model/qeldb.h"
#include "shell/ui/windowplacement.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <unordered_set>

namespace {
constexpr TFieldId kColumns[] = {fdTitle, fdArtist, fdFormat, fdYear, fdLocation, fdNumber};
constexpr int kAlbumRole = Qt::UserRole + 1;
constexpr int kIdRole = Qt::UserRole + 2;

QString rulesText(quint8 rules)
{
    QStringList parts;
    if (rules & drCddbDiscId)
        parts << TfmDuplicates::tr("the same CDDB disc ID");
    if (rules & drMsDiscId)
        parts << TfmDuplicates::tr("the same Microsoft Disc ID");
    if (rules & drTitleArtist)
        parts << TfmDuplicates::tr("the same title and artist");
    return parts.join(TfmDuplicates::tr(", "));
}
} // namespace

TfmDuplicates::TfmDuplicates(TQelDb &db, const TQelFields &fields, TDuplicatesHost host,
                             QWidget *parent)
    : QDialog(parent), m_db(db), m_fields(fields), m_host(std::move(host)),
      m_tree(new QTreeWidget(this)), m_count(new QLabel(this)),
      m_remove(new QPushButton(tr("&Remove"), this))
{
    setObjectName(QStringLiteral("fmDuplicates"));
    setWindowTitle(tr("Duplicate Albums"));
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);

    m_tree->setObjectName(QStringLiteral("tvDuplicates"));
    QStringList captions;
    for (TFieldId f : kColumns)
        captions << fields.GetFieldName(f);
    m_tree->setColumnCount(int(captions.size()));
    m_tree->setHeaderLabels(captions);
    m_tree->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_tree->setUniformRowHeights(true);
    m_tree->setAllColumnsShowFocus(true);
    m_tree->header()->setStretchLastSection(true);
    const int widths[] = {220, 160, 80, 60, 110};
    for (int column = 0; column < int(std::size(widths)); ++column)
        m_tree->setColumnWidth(column, widths[column]);
    connect(m_tree, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem *row) { ShowRow(row); });
    connect(m_tree, &QTreeWidget::itemSelectionChanged, this, &TfmDuplicates::updateState);

    m_count->setObjectName(QStringLiteral("lbCount"));
    m_count->setTextFormat(Qt::PlainText);
    m_remove->setObjectName(QStringLiteral("btRemove"));
    m_remove->setToolTip(tr("Remove the selected albums from the collection"));
    connect(m_remove, &QPushButton::clicked, this, &TfmDuplicates::RemoveSelected);
    auto *again = new QPushButton(tr("&Find Again"), this);
    again->setObjectName(QStringLiteral("btFind"));
    connect(again, &QPushButton::clicked, this, &TfmDuplicates::Find);
    auto *close = new QPushButton(tr("Close"), this);
    close->setObjectName(QStringLiteral("btClose"));
    connect(close, &QPushButton::clicked, this, &QDialog::close);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_count, 1);
    buttons->addWidget(again);
    buttons->addWidget(m_remove);
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_tree, 1);
    layout->addLayout(buttons);
    resize(760, 460);

    Find();
}

void TfmDuplicates::Find()
{
    std::vector<TDuplicateGroup> groups;
    {
        TWaitCursor wait;
        groups = FindDuplicateAlbums(m_db);
    }
    m_tree->clear();
    QList<QTreeWidgetItem *> tops;
    tops.reserve(qsizetype(groups.size()));
    for (std::size_t g = 0; g < groups.size(); ++g) {
        auto *top = new QTreeWidgetItem(QStringList{
            tr("%1 albums with %2").arg(groups[g].albums.size()).arg(rulesText(groups[g].rules))});
        top->setFlags(Qt::ItemIsEnabled);
        for (TAlbum *album : groups[g].albums) {
            QStringList texts;
            for (TFieldId f : kColumns)
                texts << album->GetFieldAsString(f);
            auto *row = new QTreeWidgetItem(top, texts);
            row->setData(0, kAlbumRole, QVariant::fromValue(reinterpret_cast<quintptr>(album)));
            row->setData(0, kIdRole, album->ID);
        }
        tops << top;
    }
    m_tree->addTopLevelItems(tops);
    for (QTreeWidgetItem *top : std::as_const(tops))
        top->setFirstColumnSpanned(true);
    m_tree->expandAll();
    updateState();
}

int TfmDuplicates::GroupCount() const
{
    return m_tree->topLevelItemCount();
}

TAlbum *TfmDuplicates::AlbumOf(const QTreeWidgetItem *row) const
{
    if (!row || !row->parent())
        return nullptr;
    const auto address = row->data(0, kAlbumRole).value<quintptr>();
    // Compared by address before anything is read from it.
    for (qsizetype i = 0; i < m_db.AlbumCount(); ++i)
        if (reinterpret_cast<quintptr>(m_db.Album(i)) == address)
            return m_db.Album(i)->ID == row->data(0, kIdRole).toInt() ? m_db.Album(i) : nullptr;
    return nullptr;
}

void TfmDuplicates::ShowRow(const QTreeWidgetItem *row)
{
    if (TAlbum *album = AlbumOf(row); album && m_host.showAlbum)
        m_host.showAlbum(album);
}

void TfmDuplicates::RemoveSelected()
{
    // Albums of the collection by address, looked up once for the whole selection.
    std::unordered_set<quintptr> live;
    live.reserve(std::size_t(m_db.AlbumCount()));
    for (qsizetype i = 0; i < m_db.AlbumCount(); ++i)
        live.insert(reinterpret_cast<quintptr>(m_db.Album(i)));
    std::vector<TAlbum *> albums;
    std::vector<const QTreeWidgetItem *> rows;
    std::vector<const QTreeWidgetItem *> gone;
    std::unordered_set<const TAlbum *> seen;
    for (const QTreeWidgetItem *row : m_tree->selectedItems()) {
        if (!row->parent())
            continue;
        const auto address = row->data(0, kAlbumRole).value<quintptr>();
        if (!live.count(address)) {
            gone.push_back(row);
            continue;
        }
        auto *album = reinterpret_cast<TAlbum *>(address);
        if (album->ID != row->data(0, kIdRole).toInt()) {
            gone.push_back(row);
            continue;
        }
        rows.push_back(row);
        if (seen.insert(album).second)
            albums.push_back(album);
    }
    dropRows(gone);
    if (albums.empty() || !m_host.removeAlbums || !m_host.removeAlbums(albums))
        return;
    dropRows(rows);
}

void TfmDuplicates::dropRows(const std::vector<const QTreeWidgetItem *> &rows)
{
    if (rows.empty())
        return;
    const std::unordered_set<const QTreeWidgetItem *> doomed(rows.begin(), rows.end());
    for (int t = m_tree->topLevelItemCount() - 1; t >= 0; --t) {
        QTreeWidgetItem *top = m_tree->topLevelItem(t);
        for (int c = top->childCount() - 1; c >= 0; --c)
            if (doomed.count(top->child(c)))
                delete top->takeChild(c);
        if (top->childCount() < 2)
            delete m_tree->takeTopLevelItem(t);
    }
    updateState();
}

void TfmDuplicates::updateState()
{
    int albums = 0;
    for (int t = 0; t < m_tree->topLevelItemCount(); ++t)
        albums += m_tree->topLevelItem(t)->childCount();
    m_count->setText(GroupCount() == 1 ? tr("1 group, %1 albums").arg(albums)
                                       : tr("%1 groups, %2 albums").arg(GroupCount()).arg(albums));
    bool albumSelected = false;
    for (const QTreeWidgetItem *row : m_tree->selectedItems())
        albumSelected = albumSelected || row->parent();
    m_remove->setEnabled(albumSelected);
}
