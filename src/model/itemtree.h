#pragma once

class TAlbum;
class TDataItem;

// Editing an album's tree of discs, headers, tracks and subtracks: which moves are
// allowed, the move itself, and the numbers that follow from the order.
namespace ItemTree {

// A disc goes before another disc; a header onto a disc or before another header; a
// track onto a disc or a header or before another track; a subtrack onto a track or
// before another subtrack. Never onto itself or into its own descendants.
bool CanMove(const TDataItem *dragged, const TDataItem *target);

// Onto an item of its own class: placed before it, in its parent. Onto another class:
// appended as the target's last child. Callers renumber afterwards.
void Move(TDataItem *dragged, TDataItem *target);

// Every item's Index becomes its position among its siblings + 1; the tracks of each
// disc are numbered 1, 2, 3... in tree order across headers (Position); the discs'
// track lists are rebuilt.
void Renumber(TAlbum *album);

// Items in display order (depth first), for walking the tree as it is shown.
template <class F> void ForEachItem(TDataItem *item, F f);

} // namespace ItemTree

#include "model/dataitem.h"

template <class F> void ItemTree::ForEachItem(TDataItem *item, F f)
{
    for (TDataItem *child : item->Children) {
        f(child);
        ForEachItem(child, f);
    }
}
