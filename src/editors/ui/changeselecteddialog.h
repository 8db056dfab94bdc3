#pragma once

#include "model/bulkchange.h"
#include "model/fields.h"

#include <QDialog>
#include <vector>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class TQelDb;
class TQelFields;
struct TMainServices;

// "Change Selected Albums" (or Tracks): the fields of the album editor (or the track
// editor), each beside a tick; OK gives every selected item the values of the ticked
// fields, where an empty value clears the field. Editing a value ticks its field.
// The value widgets keep the editors' names (edTitle, cbArtist, dtPurchaseDate, ...);
// each tick is named after its widget with "tk" in front of the field (tkTitle, tkArtist).
class TfmChangeSelected : public QDialog
{
    Q_OBJECT

public:
    TfmChangeSelected(QWidget *owner, TQelDb &db, const TQelFields &fields, TItemLevel level,
                      qsizetype count);

    // The ticked fields and their values, once OK has been pressed.
    const TBulkChange &Change() const { return m_change; }
    void SetTicked(TFieldId field, bool ticked);
    bool IsTicked(TFieldId field) const;
    // The widget that holds a field's value, or nullptr.
    QWidget *Editor(TFieldId field) const;

    void accept() override;

private:
    struct TRow
    {
        TFieldId field;
        QCheckBox *tick;
        QWidget *editor;
    };

    QGroupBox *group(const QString &title, const std::vector<TFieldId> &fields);
    QWidget *makeEditor(TFieldId field);
    void tickOnEdit(const TRow &row);
    // The row's value into value; false (after the message) when it is not one.
    bool readValue(const TRow &row, TFieldValue &value);
    void updateOk();

    TQelDb &m_db;
    const TQelFields &m_fields;
    const TItemLevel m_level;
    std::vector<TRow> m_rows;
    QPushButton *m_ok = nullptr;
    TBulkChange m_change;
};

// The main window's "Change Selected Albums...": shows the window over main.owner for
// count items of the level. True with change filled when the user pressed OK with
// fields ticked; the caller applies it.
bool ChangeSelectedItems(const TMainServices &main, TItemLevel level, qsizetype count,
                         TBulkChange &change);
