#pragma once

class QWidget;
class TAlbum;
class TDataItem;
class TQelDb;
class TdmGlobal;

// What the track editor needs from the album editor that opens it: the album and its
// tree of items, whose selected node the track editor reads, moves and adds to.
class TTrackEditorHost
{
public:
    virtual ~TTrackEditorHost() = default;

    virtual QWidget *HostWindow() = 0; // the owner of the track editor
    virtual TAlbum *Album() = 0;
    virtual TQelDb &Db() = 0;
    virtual TdmGlobal &Dm() = 0;

    // The item of the selected tree node, or nullptr.
    virtual TDataItem *SelectedItem() const = 0;
    // Whether a node comes before or after the selected one in display order (depth
    // first, as the tree shows it when fully expanded), and moving the selection there.
    virtual bool HasPreviousNode() const = 0;
    virtual bool HasNextNode() const = 0;
    virtual void SelectPreviousNode() = 0;
    virtual void SelectNextNode() = 0;

    // A node for item, which is already the last child of its Parent: under the parent's
    // node, or at the top level for a disc. The new node becomes selected.
    virtual void AddItemNode(TDataItem *item) = 0;
    // The selected node's text after its item changed.
    virtual void RefreshSelectedNode() = 0;
    // Renumbers the items and refreshes every node's text and the totals.
    virtual void Renumber() = 0;

    // The names typed into the album editor's lookup boxes become entries of their
    // lists (FindOrCreate with an empty display name), so the track editor offers them.
    virtual void StoreLookupTexts() = 0;
    // The album editor's lookup boxes are filled again from the lists.
    virtual void RefillLookupBoxes() = 0;
};
