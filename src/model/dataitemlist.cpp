#include "model/dataitemlist.h"

#include "model/general.h"
#include "model/itemsort.h"
#include "model/textcompare.h"

int CompareByField(TItemLevel level, const TDataItem *item1, const TDataItem *item2, TFieldId field)
{
    switch (CompareKind(level, field)) {
    case TCompareAs::Integer:
        return CompareIntegers(IntegerSortValue(level, item1, field),
                               IntegerSortValue(level, item2, field));
    case TCompareAs::Float:
        return CompareFloats(FloatSortValue(item1, field), FloatSortValue(item2, field));
    case TCompareAs::Text:
        break;
    }
    return CompareFolded(item1->GetFieldSortText(field), item2->GetFieldSortText(field));
}

void TDataItemList::SortByField(TFieldId field)
{
    TWaitCursor wait;
    const TSortSpec spec[] = {{field, 1}};
    SortItems(*this, Level, spec);
}
