#pragma once

#include <QString>
#include <QStringView>
#include <vector>

class TLookupItem;
class TLookupList;

// The form in which two names count as the same name written differently: letter case
// and accents (compatibility decomposition, marks dropped) set aside, a leading "The "
// and a trailing ", The" dropped, "&" read as "and", punctuation dropped and runs of
// blanks made one. "The Beatles", "Beatles, The" and "beatles" share a key; "Beatless"
// does not. A name of punctuation only gives an empty key.
QString SimilarNameKey(QStringView name);

// Groups of entries of list whose sort or display names share a key, so that entries
// named alike through either name end up together. Each group holds two or more entries
// in list order; the groups come in the list order of their first entries.
std::vector<std::vector<TLookupItem *>> FindSimilarEntries(const TLookupList &list);
