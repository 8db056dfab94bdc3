// The album editor's Tracks tab: the tree of discs, headers, tracks and subtracks, its
// commands, and moving items by drag and drop.
#include "editors/ui/albumeditor.h"

#include "model/album.h"
#include "model/general.h"
#include "model/itemtree.h"
#include "model/lookuplist.h"
#include "model/tracks.h"
#include "shell/dmglobal.h"
#include "shell/ui/iconlists.h"
#include <QAction>
#include <QComboBox>
#include <QDragMoveEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

TDataItem *TItemTreeWidget::ItemOf(const QTreeWidgetItem *node)
{
    return node ? reinterpret_cast<TDataItem *>(node->data(0, Qt::UserRole).value<quintptr>())
                : nullptr;
}

void TItemTreeWidget::dragMoveEvent(QDragMoveEvent *event)
{
    QTreeWidget::dragMoveEvent(event);
    TDataItem *dragged = ItemOf(currentItem());
    TDataItem *target = ItemOf(itemAt(event->position().toPoint()));
    if (event->source() == this && ItemTree::CanMove(dragged, target))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TItemTreeWidget::dropEvent(QDropEvent *event)
{
    TDataItem *dragged = ItemOf(currentItem());
    TDataItem *target = ItemOf(itemAt(event->position().toPoint()));
    if (event->source() != this || !ItemTree::CanMove(dragged, target)) {
        event->ignore();
        return;
    }
    // A copy action keeps the view from removing the dragged row itself; the editor
    // moves the item and redraws the tree once the drag is over.
    event->setDropAction(Qt::CopyAction);
    event->accept();
    QMetaObject::invokeMethod(
        this, [this, dragged, target] { Dropped(dragged, target); }, Qt::QueuedConnection);
}

// --- the tab

QWidget *TfmAlbum::buildTracksTab()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("tsTracks"));
    auto *layout = new QVBoxLayout(page);
    auto *bar = new QToolBar(page);
    bar->setObjectName(QStringLiteral("tbTracks"));
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    bar->setIconSize(QSize(16, 16));
    const TIconLists &icons = TIconLists::Instance();
    auto action = [&](const char *name, const QString &caption, const QString &hint, int image) {
        auto *a = new QAction(caption, this);
        a->setObjectName(QLatin1String(name));
        a->setToolTip(hint);
        if (image >= 0)
            a->setIcon(icons.Small(image));
        return a;
    };
    m_acEdit = action("acEdit", tr("&Edit"), tr("Edit Selected Item"), -1);
    m_acEdit->setIcon(icons.Command(QStringLiteral("acEditAlbum")));
    m_acRemove = action("acRemove", tr("&Remove"), tr("Remove Selected Item"), -1);
    m_acRemove->setIcon(icons.Command(QStringLiteral("acRemoveAlbum")));
    m_acAddDisc = action("acAddDisc", tr("Add &Disc(s)"), tr("Add Disc(s)"), TIconLists::kCD);
    m_acAddHeader =
        action("acAddHeader", tr("Add &Header(s)"), tr("Add Header(s)"), TIconLists::kHeader);
    m_acAddTrack =
        action("acAddTrack", tr("Add &Track(s)"), tr("Add Track(s)"), TIconLists::kTrack);
    m_acAddSubTrack = action("acAddSubTrack", tr("Add &Subtrack(s)"), tr("Add Subtrack(s)"),
                             TIconLists::kSubTrack);
    m_acScanQuery = action("acScanQuery", tr("Scan and &Query CDDB"),
                           tr("Scan / &Query CDDB for Selected Disc"), -1);
    m_acScanQuery->setIcon(icons.Command(QStringLiteral("acAddAlbumByScanning")));
    m_acScanQueryMusicBrainz = action("acScanQueryMusicBrainz", tr("Scan and Query &MusicBrainz"),
                                      tr("Scan / Query MusicBrainz for Selected Disc"), -1);
    auto *expandAll = action("acExpandAll", tr("E&xpand All"), tr("Expand All"), -1);
    auto *collapseAll = action("acCollapseAll", tr("&Collapse All"), tr("Collapse All"), -1);
    connect(m_acEdit, &QAction::triggered, this, &TfmAlbum::EditSelected);
    connect(m_acRemove, &QAction::triggered, this, &TfmAlbum::RemoveSelected);
    connect(m_acAddDisc, &QAction::triggered, this, [this] { AddItems(0); });
    connect(m_acAddHeader, &QAction::triggered, this, [this] { AddItems(1); });
    connect(m_acAddTrack, &QAction::triggered, this, [this] { AddItems(2); });
    connect(m_acAddSubTrack, &QAction::triggered, this, [this] { AddItems(3); });
    connect(m_acScanQuery, &QAction::triggered, this, &TfmAlbum::ScanSelectedDisc);
    connect(m_acScanQueryMusicBrainz, &QAction::triggered, this,
            &TfmAlbum::ScanSelectedDiscFromMusicBrainz);
    bar->addActions({m_acEdit, m_acRemove});
    bar->addSeparator();
    bar->addActions({m_acAddDisc, m_acAddHeader, m_acAddTrack, m_acAddSubTrack});
    bar->addSeparator();
    bar->addActions({m_acScanQuery, expandAll, collapseAll});
    for (QAction *a : {m_acAddDisc, m_acAddHeader, m_acAddTrack, m_acAddSubTrack, m_acScanQuery,
                       expandAll, collapseAll})
        if (auto *b = qobject_cast<QToolButton *>(bar->widgetForAction(a)))
            b->setToolButtonStyle(Qt::ToolButtonIconOnly);
    // The scan button's menu offers both sources; a click on it asks CDDB.
    if (auto *scan = qobject_cast<QToolButton *>(bar->widgetForAction(m_acScanQuery))) {
        auto *scanMenu = new QMenu(scan);
        scanMenu->setObjectName(QStringLiteral("pmScan"));
        scanMenu->addActions({m_acScanQuery, m_acScanQueryMusicBrainz});
        scan->setMenu(scanMenu);
        scan->setPopupMode(QToolButton::MenuButtonPopup);
    }
    layout->addWidget(bar);

    m_tree = new TItemTreeWidget(page);
    m_tree->setObjectName(QStringLiteral("tvTracks"));
    m_tree->setHeaderHidden(true);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->setDragEnabled(true);
    m_tree->setAcceptDrops(true);
    m_tree->setDropIndicatorShown(true);
    m_tree->setDragDropMode(QAbstractItemView::DragDrop);
    m_tree->setDefaultDropAction(Qt::CopyAction);
    m_tree->Dropped = [this](TDataItem *dragged, TDataItem *target) { DropItem(dragged, target); };
    m_tree->installEventFilter(this);
    connect(expandAll, &QAction::triggered, m_tree, &QTreeView::expandAll);
    connect(collapseAll, &QAction::triggered, m_tree, &QTreeView::collapseAll);
    connect(m_tree, &QTreeWidget::currentItemChanged, this, &TfmAlbum::updateItemCommands);
    connect(m_tree, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (m_acEdit->isEnabled())
            EditSelected();
    });
    auto *menu = new QMenu(m_tree);
    menu->addActions({m_acEdit, m_acRemove});
    menu->addSeparator();
    menu->addActions({m_acAddDisc, m_acAddHeader, m_acAddTrack, m_acAddSubTrack});
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_tree, &QWidget::customContextMenuRequested, this,
            [this, menu](const QPoint &pos) { menu->popup(m_tree->viewport()->mapToGlobal(pos)); });
    layout->addWidget(m_tree, 1);

    auto *status = new QHBoxLayout;
    m_nrTracks = panel("pnNrTracks", page);
    m_length = panel("pnLength", page);
    auto *hint = new QLabel(tr("Drag and drop to move or reorder items"), page);
    status->addWidget(m_nrTracks);
    status->addWidget(m_length);
    status->addWidget(hint, 1);
    layout->addLayout(status);
    return page;
}

void TfmAlbum::fillTree()
{
    m_tree->clear();
    for (TDataItem *disc : m_album.Children)
        addNodes(nullptr, disc);
    m_tree->expandAll();
}

QTreeWidgetItem *TfmAlbum::addNodes(QTreeWidgetItem *parent, TDataItem *item)
{
    auto *node = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(m_tree);
    node->setData(0, Qt::UserRole, QVariant::fromValue(quintptr(item)));
    showNode(node);
    for (TDataItem *child : item->Children)
        addNodes(node, child);
    return node;
}

void TfmAlbum::showNode(QTreeWidgetItem *node)
{
    if (const TDataItem *item = TItemTreeWidget::ItemOf(node)) {
        node->setText(0, ShortenText(static_cast<const TCustomTrack *>(item)->GetCaption()));
        node->setIcon(0, TIconLists::Instance().Small(item->GetImageIndex()));
    }
}

std::vector<QTreeWidgetItem *> TfmAlbum::nodesInOrder() const
{
    std::vector<QTreeWidgetItem *> nodes;
    for (QTreeWidgetItemIterator it(m_tree); *it; ++it)
        nodes.push_back(*it);
    return nodes;
}

QTreeWidgetItem *TfmAlbum::nodeOf(const TDataItem *item) const
{
    for (QTreeWidgetItemIterator it(m_tree); *it; ++it)
        if (TItemTreeWidget::ItemOf(*it) == item)
            return *it;
    return nullptr;
}

TDataItem *TfmAlbum::SelectedItem() const
{
    return TItemTreeWidget::ItemOf(m_tree->currentItem());
}

void TfmAlbum::SelectItem(const TDataItem *item)
{
    if (QTreeWidgetItem *node = nodeOf(item)) {
        m_tree->setCurrentItem(node);
        m_tree->scrollToItem(node);
    }
}

bool TfmAlbum::HasPreviousNode() const
{
    const auto nodes = nodesInOrder();
    auto it = std::find(nodes.begin(), nodes.end(), m_tree->currentItem());
    return it != nodes.end() && it != nodes.begin();
}

bool TfmAlbum::HasNextNode() const
{
    const auto nodes = nodesInOrder();
    auto it = std::find(nodes.begin(), nodes.end(), m_tree->currentItem());
    return it != nodes.end() && it + 1 != nodes.end();
}

void TfmAlbum::SelectPreviousNode()
{
    const auto nodes = nodesInOrder();
    auto it = std::find(nodes.begin(), nodes.end(), m_tree->currentItem());
    if (it != nodes.end() && it != nodes.begin())
        m_tree->setCurrentItem(*(it - 1));
}

void TfmAlbum::SelectNextNode()
{
    const auto nodes = nodesInOrder();
    auto it = std::find(nodes.begin(), nodes.end(), m_tree->currentItem());
    if (it != nodes.end() && it + 1 != nodes.end())
        m_tree->setCurrentItem(*(it + 1));
}

void TfmAlbum::AddItemNode(TDataItem *item)
{
    QTreeWidgetItem *parent = item->Kind() == TItemKind::Disc ? nullptr : nodeOf(item->Parent);
    QTreeWidgetItem *node = addNodes(parent, item);
    if (parent)
        parent->setExpanded(true);
    m_tree->setCurrentItem(node);
    m_tree->scrollToItem(node);
}

void TfmAlbum::RefreshSelectedNode()
{
    if (QTreeWidgetItem *node = m_tree->currentItem())
        showNode(node);
}

void TfmAlbum::Renumber()
{
    ItemTree::Renumber(&m_album);
    for (QTreeWidgetItem *node : nodesInOrder())
        showNode(node);
    const TQelFields &fields = m_dm.Fields();
    m_nrTracks->setText(fields.GetFieldName(fdNrTracks) + QStringLiteral(": ") +
                        m_album.GetFieldAsString(fdNrTracks));
    m_length->setText(fields.GetFieldName(fdLength) + QStringLiteral(": ") +
                      m_album.GetFieldAsString(fdLength));
    updateItemCommands();
}

void TfmAlbum::updateItemCommands()
{
    const TDataItem *item = SelectedItem();
    const TItemKind kind = item ? item->Kind() : TItemKind::Album;
    m_acAddHeader->setEnabled(item && kind == TItemKind::Disc);
    m_acAddTrack->setEnabled(item && (kind == TItemKind::Disc || kind == TItemKind::Header));
    m_acAddSubTrack->setEnabled(item && kind == TItemKind::Track);
    m_acEdit->setEnabled(item != nullptr);
    m_acRemove->setEnabled(item != nullptr);
    m_acScanQuery->setEnabled(item && kind == TItemKind::Disc && ScanAndQuery);
    m_acScanQueryMusicBrainz->setEnabled(item && kind == TItemKind::Disc &&
                                         ScanAndQueryMusicBrainz);
}

// --- the item commands

void TfmAlbum::ScanSelectedDisc()
{
    scanSelectedDisc(ScanAndQuery);
}

void TfmAlbum::ScanSelectedDiscFromMusicBrainz()
{
    scanSelectedDisc(ScanAndQueryMusicBrainz);
}

void TfmAlbum::scanSelectedDisc(
    const std::function<std::unique_ptr<TAlbum>(QWidget *owner, qint32 msDiscId)> &query)
{
    auto *disc = dynamic_cast<TDisc *>(SelectedItem());
    QTreeWidgetItem *discNode = m_tree->currentItem();
    if (!disc || !discNode || !query)
        return;
    std::unique_ptr<TAlbum> scanned = query(this, disc->MsDiscId);
    if (scanned && scanned->DiscCount() > 0) {
        const TDisc *source = scanned->Disc(0);
        disc->MsDiscId = source->MsDiscId;
        disc->CddbDiscId = source->CddbDiscId;
        disc->LeadOut = source->LeadOut;
        disc->CddbRevision = source->CddbRevision;
        // The album's own boxes show the CD's values too; OK stores them.
        if (!scanned->Title.isEmpty()) {
            disc->Title = scanned->Title;
            m_title->setText(scanned->Title);
        }
        for (const TLookupBox &l : m_lookups) {
            TLookupItem *entry = l.field == fdArtist  ? scanned->Artist
                                 : l.field == fdGenre ? scanned->Genre
                                                      : nullptr;
            if (!entry)
                continue;
            disc->setLookupItem(l.field, entry);
            l.box->setCurrentText(LookupSortText(entry));
        }
        if (!scanned->Comments.isEmpty()) {
            disc->Comments = scanned->Comments;
            m_comments->setPlainText(scanned->Comments.view().toString());
        }
        // The disc's tracks in tree order take the scanned tracks, one each; headers
        // and subtracks on the way are passed over.
        qsizetype next = 0;
        const qsizetype scannedCount = source->Count();
        const std::vector<QTreeWidgetItem *> nodes = nodesInOrder();
        auto at = std::find(nodes.begin(), nodes.end(), discNode);
        for (++at; at != nodes.end() && next < scannedCount; ++at) {
            TDataItem *item = TItemTreeWidget::ItemOf(*at);
            if (!item || item->Kind() == TItemKind::Disc)
                break;
            auto *track = dynamic_cast<TTrack *>(item);
            if (!track)
                continue;
            const auto *from = static_cast<const TTrack *>(source->Items(next++));
            track->Length = from->Length;
            track->StartFrame = from->StartFrame;
            if (!from->Title.isEmpty())
                track->Title = from->Title;
            if (from->Artist)
                track->Artist = from->Artist;
            if (!from->Comments.isEmpty())
                track->Comments = from->Comments;
            showNode(*at);
        }
        for (; next < scannedCount; ++next) {
            TDataItem *copy = source->Items(next)->Clone(false, disc);
            disc->Add(copy);
            addNodes(discNode, copy);
        }
        discNode->setExpanded(true);
    }
    Renumber();
}

void TfmAlbum::AddItems(int trackEditorMode)
{
    if (trackEditorMode > 0 && trackEditorMode <= 3) {
        const TDataItem *item = SelectedItem();
        const TItemKind kind = item ? item->Kind() : TItemKind::Album;
        const bool fits =
            (trackEditorMode == 1 && kind == TItemKind::Disc) ||
            (trackEditorMode == 2 && (kind == TItemKind::Disc || kind == TItemKind::Header)) ||
            (trackEditorMode == 3 && kind == TItemKind::Track);
        if (!fits)
            return;
    }
    OpenTrackEditor(*this, trackEditorMode);
    Renumber();
}

void TfmAlbum::EditSelected()
{
    if (!SelectedItem())
        return;
    OpenTrackEditor(*this, 4);
    Renumber();
}

void TfmAlbum::RemoveSelected()
{
    QTreeWidgetItem *node = m_tree->currentItem();
    TDataItem *item = TItemTreeWidget::ItemOf(node);
    if (!item)
        return;
    if (m_dm.Prefs().ConfirmTrackRemoval) {
        QString question;
        switch (item->Kind()) {
        case TItemKind::Disc:
            question = tr("Are you sure you want to remove this disc?");
            break;
        case TItemKind::Header:
            question = tr("Are you sure you want to remove this header?");
            break;
        case TItemKind::SubTrack:
            question = tr("Are you sure you want to remove this subtrack?");
            break;
        default:
            question = tr("Are you sure you want to remove this track?");
            break;
        }
        if (AskYesNo(question) != TAnswer::Yes)
            return;
    }
    const auto nodes = nodesInOrder();
    const auto position = std::find(nodes.begin(), nodes.end(), node) - nodes.begin();
    if (item->Parent)
        item->Parent->Remove(item);
    delete node;
    delete item;
    const auto rest = nodesInOrder();
    if (!rest.empty())
        m_tree->setCurrentItem(rest[std::min<std::size_t>(std::size_t(position), rest.size() - 1)]);
    Renumber();
}

void TfmAlbum::DropItem(TDataItem *dragged, TDataItem *target)
{
    if (!ItemTree::CanMove(dragged, target))
        return;
    ItemTree::Move(dragged, target);
    fillTree();
    Renumber();
    SelectItem(dragged);
}
