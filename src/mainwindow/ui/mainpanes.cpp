// The main window's panes: the folder tree, the list or the lyrics, the cover and the
// comments, the status bar; dragging albums and discs, and type-ahead in the list.
#include "mainwindow/ui/mainwindow.h"

#include "model/album.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "services/coverimage.h"
#include "shell/ui/iconlists.h"
#include "views/albumdrop.h"
#include "views/ui/qellistview.h"
#include <QAction>
#include <QApplication>
#include <QDrag>
#include <QDragMoveEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTableView>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

const QString kDragMime = QStringLiteral("application/x-qelmusic-item");

// The tree's icon: the node's picture, with the album's in-collection mark before it.
QIcon treeIcon(const QModelIndex &index)
{
    const TIconLists &icons = TIconLists::Instance();
    const int image = index.data(TFolderTreeModel::ImageIndexRole).toInt();
    const int state = index.data(TFolderTreeModel::StateImageRole).toInt();
    if (state <= 0)
        return icons.Small(image);
    static std::map<std::pair<int, int>, QIcon> composed;
    const auto key = std::make_pair(state, image);
    auto found = composed.find(key);
    if (found != composed.end())
        return found->second;
    QPixmap pixmap(TIconLists::kStateWidth + 1 + TIconLists::kSmallSide, TIconLists::kSmallSide);
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        icons.State(state).paint(&painter,
                                 QRect(0, 0, TIconLists::kStateWidth, TIconLists::kStateHeight));
        icons.Small(image).paint(&painter, QRect(TIconLists::kStateWidth + 1, 0,
                                                 TIconLists::kSmallSide, TIconLists::kSmallSide));
    }
    return composed.emplace(key, QIcon(pixmap)).first->second;
}

} // namespace

void TfmMain::createPanes()
{
    m_split = new QSplitter(Qt::Horizontal, this);
    m_split->setObjectName(QStringLiteral("spTree"));
    m_split->setChildrenCollapsible(false);

    auto *pnTree = new QWidget(m_split);
    pnTree->setObjectName(QStringLiteral("pnTree"));
    auto *treeLayout = new QVBoxLayout(pnTree);
    treeLayout->setContentsMargins(0, 0, 0, 0);
    m_tree = new QTreeView(pnTree);
    m_tree->setObjectName(QStringLiteral("tvMain"));
    m_tree->setHeaderHidden(true);
    m_tree->setUniformRowHeights(true);
    m_tree->setRootIsDecorated(false);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->setIndentation(16);
    m_tree->setItemDelegate(new TImageIndexDelegate(
        [](const QModelIndex &index, bool) { return treeIcon(index); }, false, m_tree));
    m_tree->setModel(m_state->TreeModel());
    treeLayout->addWidget(m_tree);

    auto *pnRight = new QSplitter(Qt::Vertical, m_split);
    pnRight->setObjectName(QStringLiteral("pnRight"));
    pnRight->setChildrenCollapsible(false);
    m_rightSplit = pnRight;
    m_listOrLyrics = new QStackedWidget(pnRight);
    m_list = new TQelListView(m_listOrLyrics);
    m_list->setObjectName(QStringLiteral("lvMain"));
    m_list->SetImageIndexAscending(TIconLists::kSortAscending);
    m_list->SetImageIndexDescending(TIconLists::kSortDescending);
    m_list->SetTagRole(TItemListModel::FieldRole);
    m_list->SetIconTextRole(TItemListModel::IconCaptionRole);
    m_list->SetHeaderIconSource([](int index) { return TIconLists::Instance().Small(index); });
    m_list->SetIconSource([this](const QModelIndex &index, bool large) {
        const TIconLists &icons = TIconLists::Instance();
        const int image = index.data(TItemListModel::ImageIndexRole).toInt();
        if (!large)
            return icons.Small(image);
        // In icon style an album shows its cover thumbnail when it has one.
        const int thumbnail = index.data(TItemListModel::ThumbnailIndexRole).toInt();
        if (thumbnail > 0 && thumbnail < m_db->Pictures.Count())
            return QIcon(QPixmap::fromImage(m_db->Pictures.Image(thumbnail)));
        return icons.Large(image);
    });
    m_list->setModel(m_state->ListModel());
    for (const char *name : {"acAddAlbum", "acEditAlbum", "acDuplicateAlbum", "acRemoveAlbum",
                             "acAddAlbumByScanning"}) {
        m_tree->addAction(Action(QString::fromLatin1(name)));
        m_list->addAction(Action(QString::fromLatin1(name)));
    }
    m_lyrics = new QPlainTextEdit(m_listOrLyrics);
    m_lyrics->setObjectName(QStringLiteral("mmLyrics"));
    m_lyrics->setReadOnly(true);
    m_lyrics->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_listOrLyrics->addWidget(m_list);
    m_listOrLyrics->addWidget(m_lyrics);

    m_coverComments = new QWidget(pnRight);
    m_coverComments->setObjectName(QStringLiteral("pnCoverComments"));
    auto *cc = new QHBoxLayout(m_coverComments);
    cc->setContentsMargins(0, 0, 0, 0);
    m_cover = new QLabel(m_coverComments);
    m_cover->setObjectName(QStringLiteral("imCover"));
    m_cover->setAlignment(Qt::AlignCenter);
    m_cover->setMinimumSize(32, 32);
    m_cover->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Ignored);
    m_cover->installEventFilter(this);
    m_comments = new QPlainTextEdit(m_coverComments);
    m_comments->setObjectName(QStringLiteral("mmComments"));
    m_comments->setReadOnly(true);
    cc->addWidget(m_cover);
    cc->addWidget(m_comments, 1);
    pnRight->setStretchFactor(0, 1);
    pnRight->setStretchFactor(1, 0);
    m_split->setStretchFactor(0, 0);
    m_split->setStretchFactor(1, 1);
    setCentralWidget(m_split);

    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("pnCount"));
    m_count->setMinimumWidth(120);
    m_search = new QLabel(this);
    m_search->setObjectName(QStringLiteral("pnSearch"));
    m_search->setMinimumWidth(150);
    m_search->setTextFormat(Qt::PlainText);
    m_filter = new QLabel(this);
    m_filter->setObjectName(QStringLiteral("pnFilter"));
    m_filter->setTextFormat(Qt::PlainText);
    statusBar()->setObjectName(QStringLiteral("StatusBar"));
    statusBar()->addWidget(m_count);
    statusBar()->addWidget(m_search);
    statusBar()->addWidget(m_filter, 1);

    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) {
                if (m_updatingSelection)
                    return;
                m_state->SelectNode(TFolderTreeModel::NodeOf(current));
            });
    connect(m_list, &TQelListView::currentRowChanged, this, [this](int row) {
        if (m_updatingSelection || !m_listReady)
            return;
        m_state->SelectRow(row);
    });
    connect(m_list, &TQelListView::rowActivated, this, [this](int row) {
        // Enter on an album edits it; a double click on a group or an item opens it in
        // the tree.
        m_state->ActivateRow(row);
    });
    connect(m_list, &TQelListView::headerClicked, this, [this](int column) {
        copyColumnsBack();
        m_state->ClickColumn(column);
    });

    // Dragging and type-ahead watch the panes.
    for (QWidget *w :
         {m_tree->viewport(), m_list->Details()->viewport(), m_list->Icons()->viewport()}) {
        w->installEventFilter(this);
        w->setAcceptDrops(true);
    }
    m_list->Details()->installEventFilter(this);
    m_list->Icons()->installEventFilter(this);
}

void TfmMain::showDetails()
{
    m_comments->setPlainText(m_state->CommentsText());
    if (m_state->ShowingLyrics())
        m_lyrics->setPlainText(m_state->LyricsText());
    // Stepping through the tracks of one album keeps its cover: read it once. A damaged
    // picture shows nothing; the pane asks for about its own size.
    const QString path = m_state->CoverPath();
    if (path != m_coverPath) {
        m_coverPath = path;
        const int side = std::max(32, m_coverComments->height());
        m_coverImage = path.isEmpty() ? QImage() : LoadCoverPicture(path, QSize(side, side)).image;
    }
    showCover();
}

void TfmMain::showCover()
{
    const int side = std::max(32, m_coverComments->height());
    m_cover->setFixedWidth(m_coverImage.isNull() ? 0 : side);
    if (m_coverImage.isNull()) {
        m_cover->clear();
        return;
    }
    const qreal ratio = m_cover->devicePixelRatioF();
    QPixmap pixmap = QPixmap::fromImage(m_coverImage.scaled(
        QSize(side, side) * ratio, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    pixmap.setDevicePixelRatio(ratio);
    m_cover->setPixmap(pixmap);
}

// --- drag and drop, type-ahead

bool TfmMain::CanDropOn(const TQel *dragged, const TQel *target) const
{
    return AlbumDrop::CanDrop(dragged, target, m_state->GroupField());
}

void TfmMain::DropOn(TQel *dragged, TQel *target)
{
    if (!CanDropOn(dragged, target))
        return;
    auto *item = static_cast<TDataItem *>(dragged);
    m_place.Remember(*m_state);
    // Both ends of the move change: the album left and the album or folder reached.
    m_db->MarkChanged(item);
    if (item->Kind() != TItemKind::Album)
        m_db->MarkChanged(static_cast<TDataItem *>(target));
    if (item->Kind() == TItemKind::Album) {
        auto *album = static_cast<TAlbum *>(item);
        AlbumDrop::MoveAlbumToFolder(album, static_cast<TLookupItem *>(target),
                                     m_state->GroupField());
        saveAndRebuild(album);
    } else {
        AlbumDrop::MoveDiscToAlbum(static_cast<TDisc *>(item),
                                   static_cast<TAlbum *>(static_cast<TDataItem *>(target)));
        saveAndRebuild(nullptr);
    }
}

bool TfmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_tree || !m_list)
        return QMainWindow::eventFilter(watched, event);
    if (watched == m_cover && event->type() == QEvent::Resize) {
        showCover();
        return false;
    }
    const bool fromTree = watched == m_tree->viewport();
    const bool fromList =
        watched == m_list->Details()->viewport() || watched == m_list->Icons()->viewport();
    if ((watched == m_list->Details() || watched == m_list->Icons()) &&
        event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        const QString text = key->text();
        if (!text.isEmpty() && text.at(0).isPrint() &&
            !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            typeAhead(text);
            return true;
        }
        return false;
    }
    if (!fromTree && !fromList)
        return QMainWindow::eventFilter(watched, event);

    auto objectAt = [&](const QPoint &pos) -> TQel * {
        if (fromTree) {
            const TTreeNode *node = TFolderTreeModel::NodeOf(m_tree->indexAt(pos));
            return node ? node->object : nullptr;
        }
        const QModelIndex index = m_list->Current()->indexAt(pos);
        return index.isValid() ? m_state->RowObject(index.row()) : nullptr;
    };
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        m_dragArmed = mouse->button() == Qt::LeftButton;
        m_dragStart = mouse->position().toPoint();
        break;
    }
    case QEvent::MouseButtonDblClick:
        m_dragArmed = false;
        break;
    case QEvent::MouseMove: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (!m_dragArmed || !(mouse->buttons() & Qt::LeftButton) ||
            (mouse->position().toPoint() - m_dragStart).manhattanLength() < 5)
            break;
        m_dragArmed = false;
        TQel *object = nullptr;
        if (fromTree) {
            const TTreeNode *node = m_state->SelectedNode();
            object = node ? node->object : nullptr;
        } else if (m_state->ListContent == TBrowseState::lcAlbums ||
                   m_state->ListContent == TBrowseState::lcItems) {
            object = m_state->RowObject(m_state->SelectedRow());
        }
        if (!AlbumDrop::CanDrag(object))
            break;
        auto *drag = new QDrag(this);
        auto *mime = new QMimeData;
        mime->setData(kDragMime, QByteArray::number(quintptr(object)));
        drag->setMimeData(mime);
        drag->setPixmap(TIconLists::Instance()
                            .Small(static_cast<const TDataItem *>(object)->GetImageIndex())
                            .pixmap(16, 16));
        drag->setProperty("qelObject", QVariant::fromValue(quintptr(object)));
        m_dragSource = static_cast<QWidget *>(watched);
        drag->exec(Qt::MoveAction);
        m_dragSource = nullptr;
        return true;
    }
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDragMoveEvent *>(event);
        const QMimeData *mime = drag->mimeData();
        if (!mime || !mime->hasFormat(kDragMime) || !m_dragSource) {
            drag->ignore();
            return true;
        }
        auto *dragged = reinterpret_cast<TQel *>(mime->data(kDragMime).toULongLong());
        if (event->type() == QEvent::DragEnter) {
            drag->acceptProposedAction();
            return true;
        }
        if (CanDropOn(dragged, objectAt(drag->position().toPoint())))
            drag->acceptProposedAction();
        else
            drag->ignore();
        return true;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        const QMimeData *mime = drop->mimeData();
        if (!mime || !mime->hasFormat(kDragMime) || !m_dragSource)
            return true;
        auto *dragged = reinterpret_cast<TQel *>(mime->data(kDragMime).toULongLong());
        TQel *target = objectAt(drop->position().toPoint());
        if (CanDropOn(dragged, target)) {
            drop->acceptProposedAction();
            // After the drag's own event loop has ended.
            QMetaObject::invokeMethod(
                this, [this, dragged, target] { DropOn(dragged, target); }, Qt::QueuedConnection);
        }
        return true;
    }
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TfmMain::typeAhead(const QString &text)
{
    if (!m_typedAt.isValid() || m_typedAt.elapsed() > QApplication::keyboardInputInterval())
        m_typed.clear();
    m_typedAt.restart();
    m_typed += text;
    m_search->setText(m_typed);
    const int row = m_state->FindRow(m_typed);
    if (row >= 0)
        m_state->SelectRow(row);
}
