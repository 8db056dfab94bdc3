#pragma once

#include <QCollator>
#include <QStringView>

// Letters a to z folded to A to Z, every other character by its code; a prefix
// sorts first. Returns the difference of the first unequal characters (or of the
// lengths), so any negative or positive number.
int CompareFolded(QStringView a, QStringView b) noexcept;

inline char16_t FoldAscii(char16_t c) noexcept
{
    return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c;
}

// The one language-aware, case-insensitive collation used for ordering and searching
// the lookup lists.
const QCollator &LookupCollator();
inline int CompareLookupNames(QStringView a, QStringView b)
{
    return LookupCollator().compare(a, b);
}
