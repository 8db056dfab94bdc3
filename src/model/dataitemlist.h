#pragma once

#include "model/dataitem.h"
#include "model/fields.h"
#include "model/lookuplist.h"

// Albums or track-level items as windows show and sort them; the items are borrowed.
class TDataItemList : public TQelList<TDataItem>
{
public:
    explicit TDataItemList(TItemLevel level = ilAlbum) : Level(level) {}

    // Sorts ascending by one field with the comparison of the list's level; items
    // that compare equal are ordered by identifier.
    void SortByField(TFieldId field);

    TItemLevel Level;
};

// The comparison of two albums (album level) or two track-level items by one field:
// numbers as numbers, everything else by sort text with letters a to z folded.
int CompareByField(TItemLevel level, const TDataItem *item1, const TDataItem *item2,
                   TFieldId field);
