#pragma once

#include "model/dataitemlist.h"
#include "model/itemsort.h"
#include "model/lookuplist.h"
#include "model/qeldb.h"
#include "model/qelitem.h"
#include "views/foldertreemodel.h"
#include "views/itemlistmodel.h"
#include "views/viewdefinitions.h"

#include <QObject>
#include <functional>
#include <unordered_map>
#include <vector>

class TAlbum;
class TBrowseState;
class TCustomTrack;
class TPrefs;
class TQelFields;

// A selection remembered across a rebuild of the tree.
class TState
{
public:
    struct TStateNode
    {
        int Index;
        qint32 Id;
        QString Text;
    };

    void Clear();
    void Remember(const TBrowseState &state);
    // Brings the tree and the list back to the remembered place, or, in the album
    // view with an album given, to that album.
    void Restore(TBrowseState &state, TAlbum *album);

    qint32 SelectedRow = -1;
    qint32 SelectedId = -1;
    std::vector<TStateNode> Path; // from the selected node up to the root
};

// What the main window shows, without the window: the folder tree and the list
// derived from its selected node, their order, the current album and track, the
// details panes' content and the status texts. Lookup entries that the collection is
// about to free are let go of first, and the tree is built again afterwards.
class TBrowseState : public QObject, private TLookupRemovalListener
{
    Q_OBJECT

public:
    enum TListContent { lcNothing = 0, lcGroups = 1, lcAlbums = 2, lcItems = 3 };

    // prefs (optional) resolves cover and lyrics files and the in-collection mark.
    TBrowseState(TQelDb &db, const TQelFields &fields, TViewDefinitions &views,
                 const TPrefs *prefs = nullptr, QObject *parent = nullptr);
    ~TBrowseState() override;

    // The fields that can group each view, in menu order.
    static const QList<TFieldId> &GroupFields(int treeType);

    // Browse settings.
    int TreeType = 0; // 0 albums, 1 tracks
    TFieldId AlbumGroupField = fdArtist;
    TFieldId TrackGroupField = fdArtist;
    int GroupSortOrder = 1;
    TFieldId GroupField() const { return TreeType == 0 ? AlbumGroupField : TrackGroupField; }
    void SetGroupField(TFieldId field);
    TItemLevel Level() const { return TreeType == 0 ? ilAlbum : ilTrack; }

    TFolderTreeModel *TreeModel() { return &m_tree; }
    TItemListModel *ListModel() { return &m_list; }
    TViewDefinitions &Views() { return m_views; }
    const TQelFields &Fields() const { return m_fields; }
    TQelDb &Db() { return m_db; }

    void RebuildTree();
    bool FillNode(TTreeNode *node);
    // The root of a view without folders gets its rows a chunk at a time, as the tree
    // shows them (the list has them all at once): whether rows are still to be made,
    // and making the next chunk, or every row up to index upTo.
    bool CanFetchMoreRoot() const;
    void FetchMoreRoot(qsizetype upTo = -1);
    TTreeNode *Root() { return m_tree.Root(); }
    TTreeNode *SelectedNode() const { return m_selected; }
    // The user selected a tree node (nullptr: none).
    void SelectNode(TTreeNode *node);
    // Among node's children (filled first), the one that carries object, or nullptr.
    TTreeNode *ChildWithObject(TTreeNode *node, const TQel *object);
    TTreeNode *ChildWithId(TTreeNode *node, qint32 id);
    // The album view's node of album: below the root without folders, else in the folder
    // of its entry for the group field (filled on the way); nullptr in the track view
    // and when the grouping or the filter leaves the album out.
    TTreeNode *NodeOfAlbum(const TAlbum *album);
    QString NodeCaption(const TTreeNode *node) const;

    void RebuildList();
    void SortList();
    void SetListContent(TListContent kind);
    void ClickColumn(int column);
    int SelectedRow() const { return m_selectedRow; }
    void SelectRow(int row); // -1: none
    // The tree follows a double-clicked row into its node.
    void ActivateRow(int row);
    TQel *RowObject(int row) const;
    int RowCount() const;
    int FindRow(const QString &typed) const;

    void SetCurrent(TQel *object);
    TAlbum *CurrentAlbum() const { return m_currentAlbum; }
    TCustomTrack *CurrentTrack() const { return m_currentTrack; }

    TListContent ListContent = lcNothing;
    TDataItemList CurrentItems{ilAlbum};
    TLookupItemList CurrentGroups;

    // Status texts.
    QString CountText() const;  // "12 albums"
    QString FilterText() const; // "Filter: ..."
    // The column with the sort mark and its order (1 or -1); -1 when none.
    int SortMarkColumn() const;
    int SortMarkOrder() const;
    // Details panes.
    bool ShowingLyrics() const { return m_showingLyrics; }
    QString LyricsText() const;
    QString CommentsText() const;
    QString CoverPath() const; // empty when there is no cover file

    // Before the entries of merged are folded into keep (MergeLookupItems): a place in the
    // folder of one of them is found again in keep's folder, and a text condition of
    // either filter on field that names one of them names keep instead.
    void FollowMerge(TFieldId field, const TLookupItemSet &merged, const TLookupItem *keep);

signals:
    void treeRebuilt();
    void nodeSelected(const QModelIndex &node);
    void expandRequested(const QModelIndex &node);
    void listRebuilt();
    void rowSelected(int row);
    void currentChanged();
    // Before the columns are rebuilt for another kind of list: the window copies the
    // column widths and order back into the show fields of the kind being left.
    void columnsAboutToChange(TBrowseState::TListContent leaving);

private:
    void LookupItemsAboutToBeRemoved(TFieldId field, const TLookupItemSet &entries) override;
    void LookupItemsRemoved(TFieldId field) override;
    // Drops the selection, the list and everything worked out from the tree.
    void letGo();
    // Whether a folder or a row of groups stands for one of the entries.
    bool holdsAny(const TLookupItemSet &entries) const;
    std::vector<TTreeNode> fillRoot(TTreeNode *root);
    std::vector<TTreeNode> firstRootNodes(TTreeNode *root, const QList<TDataItem *> &items);
    // The root's row (made on the way) of the first item not made yet that is wanted.
    TTreeNode *rootChildOf(TTreeNode *node, const std::function<bool(const TQel *)> &is);
    static constexpr qsizetype kRootChunk = 2000;
    QList<TDataItem *> m_rootItems; // every row of a root without folders
    bool m_rootFlat = false;
    std::vector<TTreeNode> fillFolder(TTreeNode *folder);
    std::vector<TTreeNode> itemChildren(TTreeNode *node, const TDataItem *item) const;
    TTreeNode itemNode(TTreeNode *parent, TDataItem *item) const;
    void sortTreeChildren(std::vector<TTreeNode> &nodes) const;
    // The first count entries of the group field's lookup list that are wanted, in the
    // order of folders: the list's own (its collation, then arrival), last to first for
    // descending folders. The tree and the list of groups both take this order.
    template <class Wanted>
    std::vector<TLookupItem *> inFolderOrder(std::size_t count, Wanted wanted) const;
    template <class F> void forEachDiscItem(F f) const;
    void buildTrackFolders();

    TQelDb &m_db;
    const TQelFields &m_fields;
    TViewDefinitions &m_views;
    const TPrefs *m_prefs;
    TDbItem m_dbItem;
    TFolderTreeModel m_tree;
    TItemListModel m_list;
    TTreeNode *m_selected = nullptr;
    int m_selectedRow = -1;
    bool m_showingLyrics = false;
    TAlbum *m_currentAlbum = nullptr;
    TCustomTrack *m_currentTrack = nullptr;
    // Members of each folder, worked out once per rebuild.
    std::unordered_map<const TLookupItem *, std::vector<TDataItem *>> m_folderMembers;
    bool m_folderMembersReady = false;
    // The sort order each node's children were put in, so that listing them again
    // in the same order costs no second sort.
    std::unordered_map<const TTreeNode *, std::vector<TSortSpec>> m_sortedWith;
    // A view's whole list (no folders, no filter) in the order it was last sorted in,
    // kept while the collection stays as it was: switching views, regrouping and
    // switching the filter off then cost no walk over every item and no sort.
    struct TSortedAll
    {
        bool valid = false;
        TQelDb::TVersion version;
        std::vector<TSortSpec> specs;
        QList<TDataItem *> items;
    };
    TSortedAll m_sortedAll[2]; // by tree type
    bool takeSortedAll(const std::vector<TSortSpec> &specs, QList<TDataItem *> &items) const;
    void keepSortedAll(const std::vector<TSortSpec> &specs, const QList<TDataItem *> &items);
    // Whether the list shows the selected root of a view without folders or filter.
    bool listIsWholeView() const;
    // Where the user was when entries shown went away, found again afterwards.
    TState m_placeBeforeRemoval;
    bool m_rebuildAfterRemoval = false;
    // Identifiers of entries being merged, and of the entry each goes into.
    std::unordered_map<qint32, qint32> m_mergedInto;
    TFieldId m_mergeField = fdNone;
};
