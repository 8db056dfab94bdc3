#pragma once

#include "model/fields.h"

#include <QList>
#include <span>

class TDataItem;

struct TSortSpec
{
    TFieldId field;
    int order; // 1 ascending, -1 descending
};

// Sorts items by the fields in order with the comparison of the level (the order
// of CompareByField), then by identifier ascending; an empty list of fields sorts by
// "Title". Each item's keys are computed once per sort and kept contiguous, so a
// million tracks sort without an allocation per comparison.
void SortItems(QList<TDataItem *> &items, TItemLevel level, std::span<const TSortSpec> fields);

// How a field's values compare at a level: numbers as numbers, everything else by
// sort text with letters a to z folded.
enum class TCompareAs { Integer, Float, Text };
TCompareAs CompareKind(TItemLevel level, TFieldId field);
qint64 IntegerSortValue(TItemLevel level, const TDataItem *item, TFieldId field);
double FloatSortValue(const TDataItem *item, TFieldId field);

// The text an item sorts by, without building a string where the text is stored in
// the item or its lookup entry. False when the field's text must be computed.
bool SortTextView(const TDataItem *item, TItemLevel level, TFieldId field, QStringView &out);

// The display text of an item's field without building a string, where the text is
// stored (titles, stored texts, lookup display names, inherited ones). False when
// the text must be computed with GetFieldAsString.
bool DisplayTextView(const TDataItem *item, TFieldId field, QStringView &out);
