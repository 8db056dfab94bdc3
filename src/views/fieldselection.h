#pragma once

#include "views/listfields.h"

#include <QString>
#include <memory>
#include <vector>

class TQelFields;

// A group of fields offered for a list of one level.
struct TFieldGroup
{
    const char *name; // untranslated; the dialog translates it in context "TfmSelectFields"
    std::vector<TFieldId> fields;
};

// The rows of the field selection dialog while the user edits them: a copy of a show
// or sort list, the selected row, and the editing rules. A field occurs at most once:
// dropping a field that is already listed moves the existing row.
class TFieldSelection
{
public:
    TFieldSelection(const TListFields &fields, const TQelFields &names);

    // The groups offered for a level, in the order the dialog shows them.
    static const std::vector<TFieldGroup> &Groups(TItemLevel level);

    TItemLevel Level() const { return m_level; }
    bool IsSortList() const { return m_sort; }
    int Count() const { return int(m_rows.size()); }
    const TListField *Row(int row) const { return m_rows[std::size_t(row)].get(); }
    QString RowName(int row) const;
    qint32 RowOrder(int row) const; // 1 ascending, -1 descending; 1 for show rows
    int Selected() const { return m_selected; }
    void Select(int row); // -1 or a row out of range selects nothing

    // Puts field before row `before` (Count() or -1 appends). A row with the same
    // name moves there instead of a second one being added. Returns the row it
    // ended in, which becomes selected.
    int DropField(TFieldId field, int before);
    // Moves a row before row `before` (Count() or -1: to the end); returns where it
    // ended, which becomes selected.
    int MoveRow(int from, int before);
    // Removes a row; the row now at its place, or the new last row, becomes selected.
    void RemoveRow(int row);
    // Sort lists only: flips between ascending and descending.
    void FlipOrder(int row);
    void SetOrder(int row, qint32 order);

    // Replaces the entries of fields with copies of the rows, top to bottom.
    void ApplyTo(TListFields &fields) const;

private:
    int rowOfName(const QString &name) const;

    TItemLevel m_level;
    bool m_sort;
    const TQelFields &m_names;
    std::vector<std::unique_ptr<TListField>> m_rows;
    int m_selected = -1;
};
