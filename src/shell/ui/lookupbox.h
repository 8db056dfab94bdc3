#pragma once

#include <QString>

class QComboBox;
class TLookupList;

// An editable list of a lookup list's sort names, as the editors show them; a typed
// name is only text until the item is stored.
QComboBox *NewLookupBox(const QString &objectName, int minimumLength);
// Puts list's sort names into box, keeping the text it shows.
void FillLookupBox(QComboBox *box, const TLookupList &list);
