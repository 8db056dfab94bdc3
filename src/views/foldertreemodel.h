#pragma once

#include <QAbstractItemModel>
#include <vector>

class TBrowseState;
class TDataItem;
class TLookupItem;
class TQel;

// A node of the folder tree: the root (the database), a folder (a lookup entry), an
// album or a track-level item. Children live in one block per parent and are made
// when the node is first expanded or listed; their addresses stay put until the
// next rebuild, so they serve as the model's internal pointers.
struct TTreeNode
{
    enum Kind : quint8 { nkRoot, nkFolder, nkAlbum, nkItem };

    TTreeNode() = default;
    TTreeNode(TTreeNode *p, TQel *o, Kind k, bool canExpand)
        : parent(p), object(o), kind(k), expandable(canExpand)
    {
    }

    int Row() const { return parent ? int(this - parent->children.data()) : 0; }
    TDataItem *Item() const;
    TLookupItem *Entry() const;

    TTreeNode *parent = nullptr;
    TQel *object = nullptr;
    std::vector<TTreeNode> children;
    Kind kind = nkRoot;
    bool filled = false;
    bool expandable = false; // marked as having children before it is filled
};

// The tree of tvMain, filled lazily by the browse state: a node whose rows nobody
// has seen yet is filled without announcement when they are first asked about
// (rowCount, index, canFetchMore); fetchMore fills the rest with announcement.
class TFolderTreeModel : public QAbstractItemModel
{
    Q_OBJECT

public:
    enum Role {
        ImageIndexRole = Qt::UserRole + 1, // into the small icon list
        SelectedImageIndexRole,
        StateImageRole, // 0 none, 1 in the collection, 2 not
        NodeRole,       // the TTreeNode pointer
    };

    explicit TFolderTreeModel(TBrowseState &state, QObject *parent = nullptr);

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    bool hasChildren(const QModelIndex &parent = {}) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    TTreeNode *Root() { return m_hasRoot ? &m_root : nullptr; }
    const TTreeNode *Root() const { return m_hasRoot ? &m_root : nullptr; }
    QModelIndex IndexOf(const TTreeNode *node) const;
    static TTreeNode *NodeOf(const QModelIndex &index);

    // Used by the browse state.
    void Reset(TQel *rootObject);
    void SetChildren(TTreeNode *node, std::vector<TTreeNode> children);
    // Adds rows after a node's rows, in the room its block was given when it was filled.
    void AppendChildren(TTreeNode *node, std::vector<TTreeNode> more);
    // Whether the state mark of albums is shown.
    void SetShowStateMark(bool show) { m_showStateMark = show; }

private:
    void fillUnseen(TTreeNode *node) const;

    TBrowseState &m_state;
    TTreeNode m_root;
    bool m_hasRoot = false;
    bool m_showStateMark = true;
    // Set while the model announces a change: a fetch asked for from inside the
    // announcement (by a view or a checker reacting to it) waits for the next ask.
    int m_changing = 0;
    // Set while a node is filled without announcement (see fillUnseen).
    mutable int m_quiet = 0;
};
