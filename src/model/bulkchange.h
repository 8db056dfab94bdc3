#pragma once

#include "model/fields.h"

#include <QString>
#include <vector>

class TDataItem;
class TQelDb;

// The value one field is to take on many items. Which member counts depends on the
// field's kind; an empty text, a number 0 or a date 0 clears the field.
struct TFieldValue
{
    TFieldId Field = fdNone;
    QString Text;      // texts; a lookup field's name (empty: no entry); comments as stored
    qint64 Number = 0; // whole numbers, the rating, booleans (0 no, 1 yes, 2 undecided),
                       // the A/D code, the price times 10000
    double Date = 0;   // days since 1899-12-30; 0 = none
};

// What a change did: the items whose value changed and the albums they lie in.
struct TBulkResult
{
    qsizetype Items = 0;
    qsizetype Albums = 0;
};

// One change of many items at once: the same values for a set of fields, set on every
// item in one pass. The fields are those the album editor (for albums) and the track
// editor (for discs, headers, tracks and subtracks) let the user type.
class TBulkChange
{
public:
    // The fields items of the level can be given, in the order of their editor.
    static const std::vector<TFieldId> &Fields(TItemLevel level);
    static bool CanChange(TItemLevel level, TFieldId field);

    // A value as the command line writes it: texts as they are, lookup names, whole
    // numbers, dates as yyyy-mm-dd, yes|no (and undecided for "Live"; mono|stereo for
    // "Mono"), the A/D code by its name, a price as 12.50 (an empty text clears all but
    // the yes/no fields and "A/D"). False with why set when text is no value of the field
    // or items of the level do not have the field.
    static bool ParseValue(TItemLevel level, TFieldId field, const QString &text,
                           TFieldValue &value, QString &why);
    // An album's comments as the album editor stores them: each line followed by CR LF.
    static QString AlbumComments(const QString &plainText);

    // Adds a value; a later value of the same field replaces the earlier one.
    void Set(const TFieldValue &value);
    bool IsEmpty() const { return m_values.empty(); }
    const std::vector<TFieldValue> &Values() const { return m_values; }

    // Sets the values on the items of db in one pass: each lookup name is looked up or
    // added to its list once, an item takes only the fields of its own level, and every
    // album in which an item changed is marked for the next save. Items that already
    // hold the values are left alone and not counted.
    TBulkResult Apply(TQelDb &db, const std::vector<TDataItem *> &items) const;

private:
    std::vector<TFieldValue> m_values;
};
