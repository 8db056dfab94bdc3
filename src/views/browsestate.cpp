#include "views/browsestate.h"

#include "model/album.h"
#include "model/general.h"
#include "model/itemsort.h"
#include "model/qeldb.h"
#include "model/textcodec.h"
#include "model/textcompare.h"
#include "model/tracks.h"
#include "shell/prefs.h"

#include <QFile>
#include <QStringDecoder>
#include <algorithm>
#include <optional>
#include <unordered_set>
#include <utility>

namespace {

// How far ahead the walks over all items fetch the items and their titles: a walk
// over a million items otherwise waits on memory for every one of them.
constexpr qsizetype kAhead = 16;

std::vector<TSortSpec> specsOf(const TSortFields &fields)
{
    std::vector<TSortSpec> specs;
    for (qsizetype i = 0; i < fields.Count(); ++i)
        specs.push_back({fields.Items(i)->FieldId, fields.Items(i)->Order});
    return specs;
}

bool sameSpecs(const std::vector<TSortSpec> &a, const std::vector<TSortSpec> &b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const TSortSpec &x, const TSortSpec &y) {
                          return x.field == y.field && x.order == y.order;
                      });
}

bool isTrackNode(const TTreeNode *node)
{
    const TDataItem *item = node ? node->Item() : nullptr;
    return item && item->Kind() == TItemKind::Track;
}

TTreeNode nodeOfItem(TTreeNode *parent, TDataItem *item)
{
    const bool album = item->Kind() == TItemKind::Album;
    // Only an item with children can be opened: an album without discs shows no arrow.
    return TTreeNode(parent, item, album ? TTreeNode::nkAlbum : TTreeNode::nkItem,
                     item->Count() > 0);
}

std::vector<TTreeNode> childNodes(TTreeNode *node, const TDataItem *item)
{
    std::vector<TTreeNode> nodes;
    nodes.reserve(std::size_t(item->Count()));
    for (TDataItem *child : item->Children)
        nodes.push_back(nodeOfItem(node, child));
    return nodes;
}

// Nodes for items, fetching the items ahead: in a sorted list they lie anywhere.
std::vector<TTreeNode> nodesOf(TTreeNode *parent, const QList<TDataItem *> &items)
{
    std::vector<TTreeNode> nodes;
    const qsizetype n = items.size();
    nodes.reserve(std::size_t(n));
    for (qsizetype i = 0; i < n; ++i) {
        if (i + kAhead < n)
            PrefetchForRead(items[i + kAhead]);
        nodes.push_back(nodeOfItem(parent, items[i]));
    }
    return nodes;
}

// Fills a node below an album and all below it.
void fillItemSubtree(TTreeNode &node)
{
    node.children = childNodes(&node, node.Item());
    node.filled = true;
    node.expandable = !node.children.empty();
    for (TTreeNode &child : node.children)
        fillItemSubtree(child);
}

QString readTextFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // Lyrics are short; a huge file is shown only in part.
    const QByteArray bytes = file.read(4 << 20);
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(bytes);
    return utf8.hasError() ? cp1252::decodePlain(bytes) : text;
}

} // namespace

TBrowseState::TBrowseState(TQelDb &db, const TQelFields &fields, TViewDefinitions &views,
                           const TPrefs *prefs, QObject *parent)
    : QObject(parent), m_db(db), m_fields(fields), m_views(views), m_prefs(prefs), m_tree(*this),
      m_list(*this)
{
    m_db.AddLookupRemovalListener(this);
}

TBrowseState::~TBrowseState()
{
    m_db.RemoveLookupRemovalListener(this);
}

const QList<TFieldId> &TBrowseState::GroupFields(int treeType)
{
    static const QList<TFieldId> album = {
        fdArtist, fdGenre, fdStudio, fdProducer, fdConductor,    fdOrchestra,   fdFormat,
        fdLabel,  fdOwner, fdStore,  fdEngineer, fdAlbumLookup1, fdAlbumLookup2};
    static const QList<TFieldId> track = {fdArtist,     fdGenre,     fdStudio,
                                          fdProducer,   fdConductor, fdOrchestra,
                                          fdSongwriter, fdEngineer,  fdTrackLookup1};
    return treeType == 0 ? album : track;
}

void TBrowseState::SetGroupField(TFieldId field)
{
    if (field != fdNone && !GroupFields(TreeType).contains(field))
        return;
    (TreeType == 0 ? AlbumGroupField : TrackGroupField) = field;
}

// --- the tree

QString TBrowseState::NodeCaption(const TTreeNode *node) const
{
    switch (node->kind) {
    case TTreeNode::nkRoot:
        return m_dbItem.Name;
    case TTreeNode::nkFolder:
        return LookupDisplayText(node->Entry());
    case TTreeNode::nkAlbum:
        return ShortenText(static_cast<const TAlbum *>(node->object)->GetAlbumName());
    case TTreeNode::nkItem:
        return ShortenText(static_cast<const TCustomTrack *>(node->object)->GetCaption());
    }
    return {};
}

void TBrowseState::letGo()
{
    m_rootItems.clear();
    m_rootFlat = false;
    m_folderMembers.clear();
    m_folderMembersReady = false;
    m_sortedWith.clear();
    m_selected = nullptr;
    m_selectedRow = -1;
    m_showingLyrics = false;
    // The list may point at items that are gone: empty it before anything paints.
    m_list.BeginRebuild();
    CurrentItems.clear();
    CurrentGroups.clear();
    m_list.EndRebuild();
    SetCurrent(nullptr);
}

void TBrowseState::RebuildTree()
{
    TWaitCursor wait;
    letGo();
    m_dbItem.Name = m_db.GetDisplayName();
    m_tree.SetShowStateMark(!m_prefs || m_prefs->ShowInCollectionIndicator);
    m_tree.Reset(&m_dbItem);
    FillNode(Root());
    emit treeRebuilt();
}

bool TBrowseState::holdsAny(const TLookupItemSet &entries) const
{
    // Only folders carry entries, and folders are the root's children.
    auto held = [&entries](const TLookupItem *e) { return e && entries.count(e) > 0; };
    if (const TTreeNode *root = m_tree.Root())
        for (const TTreeNode &child : root->children)
            if (held(child.Entry()))
                return true;
    for (const auto &[entry, members] : m_folderMembers)
        if (held(entry))
            return true;
    return std::any_of(CurrentGroups.begin(), CurrentGroups.end(), held);
}

void TBrowseState::LookupItemsAboutToBeRemoved(TFieldId field, const TLookupItemSet &entries)
{
    if (!holdsAny(entries))
        return;
    // Nothing may point at the entries once they are freed: the place is remembered
    // by identifiers, and the tree and the list are emptied (the views reset).
    m_placeBeforeRemoval.Remember(*this);
    if (field == m_mergeField && field == GroupField()) {
        // Merged entries' folders and group rows live on as the kept entry's.
        auto mergedInto = [this](qint32 &id) {
            if (const auto to = m_mergedInto.find(id); to != m_mergedInto.end())
                id = to->second;
        };
        std::vector<TState::TStateNode> &path = m_placeBeforeRemoval.Path;
        if (path.size() >= 2)
            mergedInto(path[path.size() - 2].Id);
        if (ListContent == lcGroups)
            mergedInto(m_placeBeforeRemoval.SelectedId);
    }
    m_rebuildAfterRemoval = true;
    letGo();
    m_tree.Reset(nullptr);
}

void TBrowseState::LookupItemsRemoved(TFieldId)
{
    m_mergedInto.clear();
    m_mergeField = fdNone;
    if (!std::exchange(m_rebuildAfterRemoval, false))
        return;
    RebuildTree();
    m_placeBeforeRemoval.Restore(*this, nullptr);
}

void TBrowseState::FollowMerge(TFieldId field, const TLookupItemSet &merged,
                               const TLookupItem *keep)
{
    if (!keep)
        return;
    m_mergeField = field;
    m_mergedInto.clear();
    for (const TLookupItem *e : merged)
        if (e != keep)
            m_mergedInto[e->ID] = keep->ID;
    auto names = [&merged, keep](const QString &value) {
        for (const TLookupItem *e : merged)
            if (e != keep && (value.compare(e->SortName, Qt::CaseInsensitive) == 0 ||
                              (!e->DisplayName.isEmpty() &&
                               value.compare(e->DisplayName, Qt::CaseInsensitive) == 0)))
                return true;
        return false;
    };
    for (const TItemLevel level : {ilAlbum, ilTrack}) {
        const TFilterFields &filter = m_views.Filter(level);
        for (qsizetype i = 0; i < filter.Count(); ++i)
            if (auto *text = dynamic_cast<TStringFilterField *>(filter.Items(i)))
                if (text->FieldId == field && names(text->StringValue()))
                    text->SetStringValue(keep->SortName);
    }
}

bool TBrowseState::FillNode(TTreeNode *node)
{
    if (!node || !node->object)
        return false;
    if (node->filled)
        return !node->children.empty();
    // Only the root and folders can take long; expanding everything fills every album.
    std::optional<TWaitCursor> wait;
    if (node->kind == TTreeNode::nkRoot || node->kind == TTreeNode::nkFolder)
        wait.emplace();
    std::vector<TTreeNode> children;
    switch (node->kind) {
    case TTreeNode::nkRoot:
        children = fillRoot(node);
        break;
    case TTreeNode::nkFolder:
        children = fillFolder(node);
        break;
    case TTreeNode::nkAlbum:
        // An album's discs and tracks are few: made at once, they reach the tree in
        // one insertion instead of one per disc and track as each is expanded. The
        // children keep their addresses when moved into the node (the block moves).
        children = itemChildren(node, node->Item());
        for (TTreeNode &child : children)
            fillItemSubtree(child);
        break;
    case TTreeNode::nkItem:
        children = itemChildren(node, node->Item());
        break;
    }
    m_tree.SetChildren(node, std::move(children));
    return !node->children.empty();
}

TTreeNode TBrowseState::itemNode(TTreeNode *parent, TDataItem *item) const
{
    return nodeOfItem(parent, item);
}

std::vector<TTreeNode> TBrowseState::itemChildren(TTreeNode *node, const TDataItem *item) const
{
    return childNodes(node, item);
}

template <class F> void TBrowseState::forEachDiscItem(F f) const
{
    // The pointers first, so that the walk can fetch ahead across discs and albums.
    std::vector<TDataItem *> items;
    for (qsizetype a = 0; a < m_db.AlbumCount(); ++a)
        for (TDataItem *disc : m_db.Album(a)->Children)
            items.insert(items.end(), disc->Children.begin(), disc->Children.end());
    const qsizetype n = qsizetype(items.size());
    for (qsizetype i = 0; i < n; ++i) {
        if (i + 2 * kAhead < n)
            PrefetchForRead(items[std::size_t(i + 2 * kAhead)]);
        if (i + kAhead < n)
            items[std::size_t(i + kAhead)]->Title.Prefetch();
        f(items[std::size_t(i)]);
    }
}

void TBrowseState::sortTreeChildren(std::vector<TTreeNode> &nodes) const
{
    if (nodes.empty())
        return;
    const bool albums = nodes.front().kind == TTreeNode::nkAlbum;
    QList<TDataItem *> items;
    items.reserve(qsizetype(nodes.size()));
    for (const TTreeNode &n : nodes)
        items.append(n.Item());
    const std::vector<TSortSpec> specs =
        specsOf(albums ? m_views.AlbumSortFields : m_views.TrackSortFields);
    SortItems(items, albums ? ilAlbum : ilTrack, specs);
    TTreeNode *parent = nodes.front().parent;
    const_cast<TBrowseState *>(this)->m_sortedWith[parent] = specs;
    nodes = nodesOf(parent, items);
}

std::vector<TTreeNode> TBrowseState::fillRoot(TTreeNode *root)
{
    std::vector<TTreeNode> nodes;
    const TFieldId group = GroupField();
    if (TreeType == 0) {
        const TFilterFields &filter = m_views.AlbumFilter;
        if (group == fdNone) {
            const std::vector<TSortSpec> specs = specsOf(m_views.AlbumSortFields);
            QList<TDataItem *> albums;
            if (!takeSortedAll(specs, albums)) {
                albums = QList<TDataItem *>(m_db.Albums.begin(), m_db.Albums.end());
                SortItems(albums, ilAlbum, specs);
                keepSortedAll(specs, albums);
            }
            m_sortedWith[root] = specs;
            if (filter.IsActive())
                albums.removeIf(
                    [&filter](const TDataItem *album) { return !filter.Matches(album); });
            return firstRootNodes(root, albums);
        }
        // One walk puts each passing album with its entry; a folder for every entry
        // used, in the folders' order. Members are sorted when their folder is filled.
        const QList<TDataItem *> &albums = m_db.Albums;
        const qsizetype n = albums.size();
        for (qsizetype i = 0; i < n; ++i) {
            TDataItem *album = albums[i];
            if (i + kAhead < n)
                PrefetchForRead(albums[i + kAhead]);
            if (!filter.Matches(album))
                continue;
            TLookupItem *entry = album->getLookupItem(group);
            if (!entry)
                continue;
            m_folderMembers[entry].push_back(album);
        }
        m_folderMembersReady = true;
        for (TLookupItem *entry : inFolderOrder(m_folderMembers.size(), [this](TLookupItem *e) {
                 return m_folderMembers.count(e) > 0;
             }))
            nodes.emplace_back(root, entry, TTreeNode::nkFolder, true);
        return nodes;
    }

    const TFilterFields &filter = m_views.TrackFilter;
    if (group == fdNone) {
        // Sorted as items, so that the nodes are made once.
        const std::vector<TSortSpec> specs = specsOf(m_views.TrackSortFields);
        QList<TDataItem *> items;
        if (filter.IsActive() || !takeSortedAll(specs, items)) {
            forEachDiscItem([&](TDataItem *item) {
                if (filter.Matches(item))
                    items.append(item);
            });
            SortItems(items, ilTrack, specs);
            if (!filter.IsActive())
                keepSortedAll(specs, items);
        }
        if (items.isEmpty())
            return nodes;
        m_sortedWith[root] = specs;
        return firstRootNodes(root, items);
    }
    // Without a filter every entry of the list is a folder, used or not.
    const bool everyEntry = !filter.IsActive();
    if (!everyEntry)
        buildTrackFolders();
    const std::size_t count = everyEntry ? std::size_t(m_db.LookupListFromGroupField(group).Count())
                                         : m_folderMembers.size();
    for (TLookupItem *entry : inFolderOrder(
             count, [&](TLookupItem *e) { return everyEntry || m_folderMembers.count(e) > 0; }))
        nodes.emplace_back(root, entry, TTreeNode::nkFolder, true);
    return nodes;
}

std::vector<TTreeNode> TBrowseState::firstRootNodes(TTreeNode *root,
                                                    const QList<TDataItem *> &items)
{
    // A block for every row at once, touched only as rows are made: later chunks are
    // added in place and the nodes made so far keep their addresses.
    m_rootItems = items;
    m_rootFlat = true;
    std::vector<TTreeNode> nodes;
    nodes.reserve(std::size_t(items.size()));
    const qsizetype n = std::min(items.size(), kRootChunk);
    for (qsizetype i = 0; i < n; ++i)
        nodes.push_back(nodeOfItem(root, items[i]));
    return nodes;
}

bool TBrowseState::CanFetchMoreRoot() const
{
    const TTreeNode *root = m_tree.Root();
    return m_rootFlat && root && root->filled &&
           qsizetype(root->children.size()) < m_rootItems.size();
}

void TBrowseState::FetchMoreRoot(qsizetype upTo)
{
    TTreeNode *root = m_tree.Root();
    if (!CanFetchMoreRoot())
        return;
    const qsizetype made = qsizetype(root->children.size());
    const qsizetype want = std::min(upTo >= 0 ? upTo + 1 : made + kRootChunk, m_rootItems.size());
    if (want <= made)
        return;
    std::vector<TTreeNode> more;
    more.reserve(std::size_t(want - made));
    for (qsizetype i = made; i < want; ++i)
        more.push_back(nodeOfItem(root, m_rootItems[i]));
    m_tree.AppendChildren(root, std::move(more));
}

TTreeNode *TBrowseState::rootChildOf(TTreeNode *node, const std::function<bool(const TQel *)> &is)
{
    if (node != m_tree.Root() || !m_rootFlat)
        return nullptr;
    for (qsizetype i = qsizetype(node->children.size()); i < m_rootItems.size(); ++i)
        if (is(m_rootItems[i])) {
            FetchMoreRoot(i);
            return &node->children[std::size_t(i)];
        }
    return nullptr;
}

bool TBrowseState::takeSortedAll(const std::vector<TSortSpec> &specs,
                                 QList<TDataItem *> &items) const
{
    const TSortedAll &kept = m_sortedAll[TreeType == 0 ? 0 : 1];
    if (!kept.valid || !(kept.version == m_db.Version()) || !sameSpecs(kept.specs, specs))
        return false;
    items = kept.items; // shared, not copied
    return true;
}

void TBrowseState::keepSortedAll(const std::vector<TSortSpec> &specs,
                                 const QList<TDataItem *> &items)
{
    TSortedAll &kept = m_sortedAll[TreeType == 0 ? 0 : 1];
    kept.valid = true;
    kept.version = m_db.Version();
    kept.specs = specs;
    kept.items = items;
}

bool TBrowseState::listIsWholeView() const
{
    return m_selected && m_selected->kind == TTreeNode::nkRoot && GroupField() == fdNone &&
           !m_views.Filter(Level()).IsActive();
}

template <class Wanted>
std::vector<TLookupItem *> TBrowseState::inFolderOrder(std::size_t count, Wanted wanted) const
{
    std::vector<TLookupItem *> entries;
    entries.reserve(count);
    const TLookupList &list = m_db.LookupListFromGroupField(GroupField());
    const qsizetype n = list.Count();
    for (qsizetype i = 0; i < n && entries.size() < count; ++i) {
        TLookupItem *entry = list.Items(GroupSortOrder == 1 ? i : n - 1 - i);
        if (wanted(entry))
            entries.push_back(entry);
    }
    return entries;
}

void TBrowseState::buildTrackFolders()
{
    if (m_folderMembersReady)
        return;
    const TFieldId group = GroupField();
    const TFilterFields &filter = m_views.TrackFilter;
    forEachDiscItem([&](TDataItem *item) {
        if (!filter.Matches(item))
            return;
        if (const TLookupItem *entry = item->getLookupItem(group))
            m_folderMembers[entry].push_back(item);
    });
    m_folderMembersReady = true;
}

std::vector<TTreeNode> TBrowseState::fillFolder(TTreeNode *folder)
{
    if (TreeType == 1)
        buildTrackFolders();
    std::vector<TTreeNode> nodes;
    const auto it = m_folderMembers.find(folder->Entry());
    if (it == m_folderMembers.end())
        return nodes;
    nodes.reserve(it->second.size());
    for (TDataItem *item : it->second)
        nodes.push_back(itemNode(folder, item));
    sortTreeChildren(nodes);
    return nodes;
}

TTreeNode *TBrowseState::ChildWithObject(TTreeNode *node, const TQel *object)
{
    if (!node || !object)
        return nullptr;
    FillNode(node);
    for (TTreeNode &child : node->children)
        if (child.object == object)
            return &child;
    return rootChildOf(node, [object](const TQel *o) { return o == object; });
}

TTreeNode *TBrowseState::ChildWithId(TTreeNode *node, qint32 id)
{
    if (!node)
        return nullptr;
    FillNode(node);
    for (TTreeNode &child : node->children)
        if (child.object && child.object->ID == id)
            return &child;
    return rootChildOf(node, [id](const TQel *o) { return o && o->ID == id; });
}

TTreeNode *TBrowseState::NodeOfAlbum(const TAlbum *album)
{
    TTreeNode *parent = Root();
    if (!album || !parent || TreeType != 0)
        return nullptr;
    const TFieldId group = GroupField();
    if (group != fdNone) {
        const TLookupItem *entry = album->getLookupItem(group);
        parent = entry ? ChildWithObject(parent, entry) : nullptr;
    }
    return ChildWithObject(parent, album);
}

void TBrowseState::SelectNode(TTreeNode *node)
{
    // A track shows its lyrics instead of a list. The details panes repaint as soon
    // as the current item changes, so the lyrics state follows the node first.
    m_selected = node;
    m_showingLyrics = isTrackNode(node);
    SetCurrent(node ? node->object : nullptr);
    if (!m_showingLyrics)
        RebuildList();
    emit nodeSelected(m_tree.IndexOf(node));
}

// --- the list

int TBrowseState::RowCount() const
{
    return int(ListContent == lcGroups ? CurrentGroups.size() : CurrentItems.size());
}

TQel *TBrowseState::RowObject(int row) const
{
    if (row < 0 || row >= RowCount())
        return nullptr;
    if (ListContent == lcGroups)
        return CurrentGroups[row];
    return CurrentItems[row];
}

void TBrowseState::SetListContent(TListContent kind)
{
    if (kind == ListContent)
        return;
    emit columnsAboutToChange(ListContent);
    m_list.BeginRebuild();
    ListContent = kind;
    m_list.EndRebuild();
}

void TBrowseState::RebuildList()
{
    m_showingLyrics = false;
    TListContent kind = ListContent;
    TTreeNode *node = m_selected;
    if (node) {
        FillNode(node);
        if (node->kind == TTreeNode::nkRoot && GroupField() != fdNone)
            kind = lcGroups;
        else if (TreeType == 0 &&
                 (node->kind == TTreeNode::nkRoot || node->kind == TTreeNode::nkFolder))
            kind = lcAlbums;
        else
            kind = lcItems;
    }
    SetListContent(kind);

    TWaitCursor wait;
    m_list.BeginRebuild();
    CurrentItems.clear();
    CurrentGroups.clear();
    if (node) {
        if (kind == lcGroups) {
            CurrentGroups.reserve(qsizetype(node->children.size()));
            for (const TTreeNode &child : node->children)
                CurrentGroups.append(child.Entry());
        } else {
            CurrentItems.Level = kind == lcAlbums ? ilAlbum : ilTrack;
            if (node == m_tree.Root() && m_rootFlat) {
                // Every row, also those the tree has not made yet.
                static_cast<QList<TDataItem *> &>(CurrentItems) = m_rootItems;
            } else {
                CurrentItems.reserve(qsizetype(node->children.size()));
                for (const TTreeNode &child : node->children)
                    CurrentItems.append(child.Item());
            }
        }
        // Children already in the list's order need no second sort.
        const auto sorted = m_sortedWith.find(node);
        const bool inOrder =
            kind != lcGroups && sorted != m_sortedWith.end() &&
            sameSpecs(sorted->second, specsOf(m_views.SortFields(CurrentItems.Level)));
        if (!inOrder)
            SortList();
    }
    m_list.EndRebuild();

    m_selectedRow = -1;
    if (RowCount() > 0) {
        m_selectedRow = 0;
        SetCurrent(RowObject(0));
    }
    emit listRebuilt();
    emit rowSelected(m_selectedRow);
}

void TBrowseState::SortList()
{
    if (ListContent == lcGroups) {
        // In the tree's order of folders, so that the two panes agree.
        std::unordered_set<const TLookupItem *> shown(CurrentGroups.begin(), CurrentGroups.end());
        const bool none = shown.erase(nullptr) > 0;
        const std::vector<TLookupItem *> ordered = inFolderOrder(
            shown.size(), [&shown](const TLookupItem *e) { return shown.count(e) > 0; });
        CurrentGroups.clear();
        if (none)
            CurrentGroups.append(nullptr);
        CurrentGroups.append(QList<TLookupItem *>(ordered.begin(), ordered.end()));
        return;
    }
    if (ListContent == lcAlbums || ListContent == lcItems) {
        const TItemLevel level = ListContent == lcAlbums ? ilAlbum : ilTrack;
        const std::vector<TSortSpec> specs = specsOf(m_views.SortFields(level));
        const bool whole = listIsWholeView();
        QList<TDataItem *> kept;
        if (whole && takeSortedAll(specs, kept)) {
            static_cast<QList<TDataItem *> &>(CurrentItems) = kept;
            return;
        }
        SortItems(CurrentItems, level, specs);
        if (whole)
            keepSortedAll(specs, CurrentItems);
    }
}

void TBrowseState::ClickColumn(int column)
{
    if (ListContent == lcGroups) {
        GroupSortOrder = -GroupSortOrder;
    } else if (ListContent == lcAlbums || ListContent == lcItems) {
        TFieldId field = m_list.ColumnField(column);
        if (field == fdNone)
            field = fdTitle;
        TSortFields &sort = m_views.SortFields(ListContent == lcAlbums ? ilAlbum : ilTrack);
        if (sort.Count() == 1 && sort.Items(0)->FieldId == field) {
            sort.Items(0)->Order = -sort.Items(0)->Order;
        } else {
            sort.Clear();
            sort.Add(std::make_unique<TSortField>(field, 1));
        }
    } else {
        return;
    }
    // A million rows take a moment to sort: the pointer says so.
    TWaitCursor wait;
    m_list.BeginRebuild();
    SortList();
    m_list.EndRebuild();
    m_selectedRow = RowCount() > 0 ? 0 : -1;
    SetCurrent(RowObject(m_selectedRow));
    emit listRebuilt();
    emit rowSelected(m_selectedRow);
}

void TBrowseState::SelectRow(int row)
{
    if (row >= RowCount())
        row = RowCount() - 1;
    m_selectedRow = row < 0 ? -1 : row;
    if (m_selectedRow >= 0)
        SetCurrent(RowObject(m_selectedRow));
    emit rowSelected(m_selectedRow);
}

void TBrowseState::ActivateRow(int row)
{
    TQel *object = RowObject(row);
    if (!m_selected || !object)
        return;
    FillNode(m_selected);
    emit expandRequested(m_tree.IndexOf(m_selected));
    if (TTreeNode *child = ChildWithObject(m_selected, object))
        SelectNode(child);
}

int TBrowseState::FindRow(const QString &typed) const
{
    if (typed.isEmpty())
        return -1;
    if (ListContent == lcGroups) {
        for (int row = 0; row < RowCount(); ++row)
            if (LookupDisplayText(CurrentGroups[row]).startsWith(typed, Qt::CaseInsensitive))
                return row;
        return -1;
    }
    if (ListContent != lcAlbums && ListContent != lcItems)
        return -1;
    const TItemLevel level = ListContent == lcAlbums ? ilAlbum : ilTrack;
    const TSortFields &sort = m_views.SortFields(level);
    const TFieldId field = sort.Count() > 0 ? sort.Items(0)->FieldId : TFieldId(fdTitle);
    // A list sorted by a plain text column holds the rows that begin with the typed
    // text together: found by halving instead of a walk over a million rows.
    if (FieldKind(field) == fkText && CompareKind(level, field) == TCompareAs::Text) {
        const bool descending = sort.Count() > 0 && sort.Items(0)->Order < 0;
        auto head = [&](int row) {
            const TDataItem *item = CurrentItems[row];
            QStringView text;
            QString computed;
            if (!SortTextView(item, level, field, text)) {
                computed = item->GetFieldSortText(field);
                text = computed;
            }
            return CompareFolded(text.left(typed.size()), typed);
        };
        int lo = 0, hi = RowCount();
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            const int c = head(mid);
            if (descending ? c > 0 : c < 0)
                lo = mid + 1;
            else
                hi = mid;
        }
        if (lo < RowCount() && head(lo) == 0)
            return lo;
    }
    for (int row = 0; row < RowCount(); ++row) {
        const TDataItem *item = CurrentItems[row];
        QStringView text;
        QString computed;
        if (!DisplayTextView(item, field, text)) {
            computed = item->GetFieldAsString(field);
            text = computed;
        }
        if (text.startsWith(typed, Qt::CaseInsensitive))
            return row;
    }
    return -1;
}

// --- current album and track

void TBrowseState::SetCurrent(TQel *object)
{
    TAlbum *album = nullptr;
    TCustomTrack *track = nullptr;
    if (auto *item = dynamic_cast<TDataItem *>(object)) {
        album = item->GetAlbum();
        if (item->IsTrackLevel())
            track = static_cast<TCustomTrack *>(item);
    }
    if (album == m_currentAlbum && track == m_currentTrack)
        return;
    m_currentAlbum = album;
    m_currentTrack = track;
    emit currentChanged();
}

// --- status and details

QString TBrowseState::CountText() const
{
    static const char *const words[] = {"object", "group", "album", "item"};
    const int n = RowCount();
    const QString word = QLatin1String(words[ListContent]);
    return n == 1 ? QStringLiteral("%1 %2").arg(n).arg(word)
                  : QStringLiteral("%1 %2s").arg(n).arg(word);
}

QString TBrowseState::FilterText() const
{
    const TFilterFields &filter = TreeType == 0 ? m_views.AlbumFilter : m_views.TrackFilter;
    return QStringLiteral("Filter: ") +
           (filter.IsActive() ? filter.GetDescription(m_fields) : QStringLiteral("[None]"));
}

int TBrowseState::SortMarkColumn() const
{
    if (ListContent == lcGroups)
        return 0;
    if (ListContent != lcAlbums && ListContent != lcItems)
        return -1;
    const TSortFields &sort = const_cast<TViewDefinitions &>(m_views).SortFields(
        ListContent == lcAlbums ? ilAlbum : ilTrack);
    const TFieldId field = sort.Count() > 0 ? sort.Items(0)->FieldId : TFieldId(fdTitle);
    for (int c = 0; c < m_list.columnCount(); ++c)
        if (m_list.ColumnField(c) == field)
            return c;
    return -1;
}

int TBrowseState::SortMarkOrder() const
{
    if (ListContent == lcGroups)
        return GroupSortOrder;
    const TSortFields &sort = const_cast<TViewDefinitions &>(m_views).SortFields(
        ListContent == lcAlbums ? ilAlbum : ilTrack);
    return sort.Count() > 0 ? sort.Items(0)->Order : 1;
}

QString TBrowseState::CommentsText() const
{
    return m_currentAlbum ? m_currentAlbum->Comments.toString() : QString();
}

QString TBrowseState::CoverPath() const
{
    if (!m_currentAlbum || !m_prefs)
        return {};
    const TFolderFile file = m_prefs->GetCoverFileName(m_currentAlbum->CoverFile);
    return file.exists ? file.path : QString();
}

QString TBrowseState::LyricsText() const
{
    if (!m_showingLyrics || !isTrackNode(m_selected) || !m_prefs)
        return {};
    const auto *track = static_cast<const TCustomTrack *>(m_selected->Item());
    const TFolderFile file = m_prefs->GetLyricsFileName(track->LyricsFile);
    return file.exists ? readTextFile(file.path) : QString();
}

// --- remembering the place

void TState::Clear()
{
    SelectedRow = -1;
    SelectedId = -1;
    Path.clear();
}

void TState::Remember(const TBrowseState &state)
{
    Clear();
    if (state.RowCount() > 0 && state.SelectedRow() >= 0) {
        SelectedRow = state.SelectedRow();
        const TQel *object = state.RowObject(SelectedRow);
        SelectedId = object ? object->ID : -1;
    }
    for (const TTreeNode *node = state.SelectedNode(); node; node = node->parent)
        Path.push_back(
            {node->Row(), node->object ? node->object->ID : -1, state.NodeCaption(node)});
}

void TState::Restore(TBrowseState &state, TAlbum *album)
{
    TTreeNode *root = state.Root();
    if (!root)
        return;
    int row = -1;
    if (state.TreeType == 1 || !album) {
        state.FillNode(root);
        emit state.expandRequested(state.TreeModel()->IndexOf(root));
        TTreeNode *node = root;
        bool whole = !Path.empty();
        for (qsizetype i = qsizetype(Path.size()) - 2; i >= 0; --i) {
            TTreeNode *child = state.ChildWithId(node, Path[std::size_t(i)].Id);
            if (!child) {
                whole = false;
                break;
            }
            node = child;
            state.FillNode(node);
            emit state.expandRequested(state.TreeModel()->IndexOf(node));
        }
        state.SelectNode(node);
        if (whole && SelectedId != -1)
            for (int r = 0; r < state.RowCount(); ++r)
                if (state.RowObject(r)->ID == SelectedId) {
                    row = r;
                    break;
                }
    } else {
        TTreeNode *node = root;
        const TFieldId group = state.GroupField();
        if (group != fdNone)
            if (const TLookupItem *entry = album->getLookupItem(group))
                if (TTreeNode *folder = state.ChildWithObject(root, entry))
                    node = folder;
        state.FillNode(node);
        emit state.expandRequested(state.TreeModel()->IndexOf(node));
        state.SelectNode(node);
        row = int(state.CurrentItems.indexOf(album));
    }
    if (row <= 0 || row >= state.RowCount())
        row = state.RowCount() > 0 ? 0 : -1;
    state.SelectRow(row);
}
