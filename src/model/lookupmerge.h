#pragma once

#include "model/fields.h"
#include "model/qeldb.h"

#include <unordered_map>

class TDataItem;
class TLookupItem;

// Where item keeps its own entry of field (not the one it falls back to), or nullptr
// when items of its kind have no such field.
TLookupItem **OwnLookupSlot(TDataItem *item, TFieldId field);

// How many albums and items refer to each entry of field's list with their own values;
// entries nobody refers to are absent. One pass over the collection.
using TLookupUsage = std::unordered_map<const TLookupItem *, qint64>;
TLookupUsage CountLookupUsage(const TQelDb &db, TFieldId field);

struct TLookupMergeResult
{
    qint64 references = 0; // own values repointed
    qint64 albums = 0;     // albums changed
    qsizetype removed = 0; // entries merged away
};

// Folds the entries of others into keep: every own reference to one of them (albums,
// discs, headers, tracks and subtracks) is repointed at keep in one pass over the
// collection, the changed albums are marked, and the others are then removed and freed
// through the collection's removal, so that whoever shows them lets go first. keep and
// entries that are not in field's list are left out of others. Throws EQel when keep is
// not in field's list. The field defaults name entries by text; see TFieldDefaults.
TLookupMergeResult MergeLookupItems(TQelDb &db, TFieldId field, TLookupItem *keep,
                                    const TLookupItemSet &others);
