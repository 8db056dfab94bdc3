#include "views/foldertreemodel.h"

#include "model/album.h"
#include "model/general.h"
#include "model/tracks.h"
#include "views/browsestate.h"

#include <bit>

namespace {

// Qt hashes an index by its row and column plus its internal identifier, unmixed.
// Nodes are 16-byte aligned, so plain addresses would leave the hash's low bits alike
// and crowd the view's and the model's tables of persistent indexes (expanded nodes)
// into a sixteenth of their buckets: the identifier is the address rotated instead.
constexpr int kAlignBits = 4;

quintptr idOf(const TTreeNode *node)
{
    return std::rotr(quintptr(node), kAlignBits);
}

} // namespace

TDataItem *TTreeNode::Item() const
{
    return (kind == nkAlbum || kind == nkItem) ? static_cast<TDataItem *>(object) : nullptr;
}

TLookupItem *TTreeNode::Entry() const
{
    return kind == nkFolder ? static_cast<TLookupItem *>(object) : nullptr;
}

TFolderTreeModel::TFolderTreeModel(TBrowseState &state, QObject *parent)
    : QAbstractItemModel(parent), m_state(state)
{
}

TTreeNode *TFolderTreeModel::NodeOf(const QModelIndex &index)
{
    return index.isValid()
               ? reinterpret_cast<TTreeNode *>(std::rotl(index.internalId(), kAlignBits))
               : nullptr;
}

QModelIndex TFolderTreeModel::IndexOf(const TTreeNode *node) const
{
    if (!node)
        return {};
    return createIndex(node->Row(), 0, idOf(node));
}

QModelIndex TFolderTreeModel::index(int row, int column, const QModelIndex &parent) const
{
    if (column != 0 || row < 0)
        return {};
    if (!parent.isValid())
        return (m_hasRoot && row == 0) ? createIndex(0, 0, idOf(&m_root)) : QModelIndex();
    TTreeNode *node = NodeOf(parent);
    fillUnseen(node);
    if (std::size_t(row) >= node->children.size())
        return {};
    return createIndex(row, 0, idOf(&node->children[std::size_t(row)]));
}

QModelIndex TFolderTreeModel::parent(const QModelIndex &child) const
{
    const TTreeNode *node = NodeOf(child);
    if (!node || !node->parent)
        return {};
    return IndexOf(node->parent);
}

int TFolderTreeModel::rowCount(const QModelIndex &parent) const
{
    if (!parent.isValid())
        return m_hasRoot ? 1 : 0;
    if (parent.column() != 0)
        return 0;
    TTreeNode *node = NodeOf(parent);
    fillUnseen(node);
    return int(node->children.size());
}

void TFolderTreeModel::fillUnseen(TTreeNode *node) const
{
    // Nobody has seen the rows of a node not yet filled: filling it on the first
    // question about them needs no announcement. Announced fills (fetchMore) make a
    // tree view lay out everything again after expanding all.
    if (node->filled || !node->expandable || m_changing > 0)
        return;
    ++m_quiet;
    m_state.FillNode(node);
    --m_quiet;
}

int TFolderTreeModel::columnCount(const QModelIndex &) const
{
    return 1;
}

bool TFolderTreeModel::hasChildren(const QModelIndex &parent) const
{
    if (!parent.isValid())
        return m_hasRoot;
    if (parent.column() != 0)
        return false;
    const TTreeNode *node = NodeOf(parent);
    return node->filled ? !node->children.empty() : node->expandable;
}

bool TFolderTreeModel::canFetchMore(const QModelIndex &parent) const
{
    TTreeNode *node = NodeOf(parent);
    if (node && parent.column() == 0)
        fillUnseen(node);
    if (!node || m_changing > 0 || parent.column() != 0)
        return false;
    if (node == &m_root && node->filled)
        return m_state.CanFetchMoreRoot();
    return !node->filled && node->expandable;
}

void TFolderTreeModel::fetchMore(const QModelIndex &parent)
{
    if (m_changing > 0)
        return;
    TTreeNode *node = NodeOf(parent);
    if (node == &m_root && node->filled)
        m_state.FetchMoreRoot();
    else if (node)
        m_state.FillNode(node);
}

QVariant TFolderTreeModel::data(const QModelIndex &index, int role) const
{
    const TTreeNode *node = NodeOf(index);
    if (!node)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return m_state.NodeCaption(node);
    case ImageIndexRole:
    case SelectedImageIndexRole: {
        // Subtracks have an image of their own in the tree.
        const TDataItem *item = node->Item();
        if (item && item->Kind() == TItemKind::SubTrack)
            return 3;
        if (!node->object)
            return role == ImageIndexRole ? 0 : 30;
        return role == ImageIndexRole ? node->object->GetImageIndex()
                                      : node->object->GetSelectedIndex();
    }
    case StateImageRole:
        if (node->kind == TTreeNode::nkAlbum && m_showStateMark)
            return static_cast<const TAlbum *>(node->object)->InCollection ? 1 : 2;
        return 0;
    case NodeRole:
        return QVariant::fromValue(static_cast<void *>(const_cast<TTreeNode *>(node)));
    default:
        return {};
    }
}

void TFolderTreeModel::Reset(TQel *rootObject)
{
    ++m_changing;
    beginResetModel();
    m_root = TTreeNode(nullptr, rootObject, TTreeNode::nkRoot, true);
    m_hasRoot = rootObject != nullptr;
    endResetModel();
    --m_changing;
}

void TFolderTreeModel::AppendChildren(TTreeNode *node, std::vector<TTreeNode> more)
{
    if (more.empty())
        return;
    const std::size_t first = node->children.size();
    // Moving the block would leave the view's indexes pointing at the old nodes.
    Q_ASSERT(node->children.capacity() >= first + more.size());
    const bool announce = m_quiet == 0;
    if (announce) {
        ++m_changing;
        beginInsertRows(IndexOf(node), int(first), int(first + more.size()) - 1);
    }
    for (TTreeNode &child : more) {
        node->children.push_back(std::move(child));
        node->children.back().parent = node;
    }
    if (announce) {
        endInsertRows();
        --m_changing;
    }
}

void TFolderTreeModel::SetChildren(TTreeNode *node, std::vector<TTreeNode> children)
{
    node->filled = true;
    if (m_quiet > 0) {
        // Nobody has seen this node's rows: no announcement, also when there are none.
        node->children = std::move(children);
        for (TTreeNode &child : node->children)
            child.parent = node;
        node->expandable = !node->children.empty();
        return;
    }
    if (children.empty()) {
        node->expandable = false;
        const QModelIndex i = IndexOf(node);
        ++m_changing;
        emit dataChanged(i, i);
        --m_changing;
        return;
    }
    const QModelIndex parentIndex = IndexOf(node);
    ++m_changing;
    beginInsertRows(parentIndex, 0, int(children.size()) - 1);
    node->children = std::move(children);
    for (TTreeNode &child : node->children)
        child.parent = node;
    node->expandable = true;
    endInsertRows();
    --m_changing;
}
