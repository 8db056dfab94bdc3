#pragma once

#include "model/fields.h"

#include <QString>
#include <vector>

class TFilterFields;

// What one control (or pair of controls) of the filter dialog asks of its field.
enum class TFilterControlKind : quint8 {
    Text,        // an edit or combo box: the text occurs in the field
    Bool,        // a three-state check box
    IntRange,    // two numbers
    LengthRange, // two "mm:ss" texts, compared in seconds
    DateRange,   // two dates with a tick each
    FloatRange,  // two amounts
};

struct TFilterControl
{
    TFieldId field;
    TFilterControlKind kind;
    bool album; // enabled for album filters
    bool track; // enabled for track filters
};

// The value a control shows; only the members of its kind are used.
struct TFilterValue
{
    QString text;     // Text
    quint8 state = 2; // Bool: 0 No, 1 Yes, 2 no condition (greyed)
    qint32 low = 0;   // IntRange
    qint32 high = 0;
    QString lowText; // LengthRange, as typed ("04:10")
    QString highText;
    double from = 0; // DateRange (days) and FloatRange (amounts)
    double to = 0;
    bool fromTicked = false; // DateRange
    bool toTicked = false;
};

// The filter dialog's content without the widgets: filled from a filter, edited by
// the dialog, and turned back into the filter's entries on OK. Controls disabled for
// the level keep their empty values and add no condition.
class TFilterForm
{
public:
    explicit TFilterForm(TItemLevel level);

    // Every control, in the order in which OK adds their conditions.
    static const std::vector<TFilterControl> &Controls();
    static const TFilterControl *Control(TFieldId field);

    TItemLevel Level() const { return m_level; }
    bool IsEnabled(TFieldId field) const;
    TFilterValue &Value(TFieldId field);
    const TFilterValue &Value(TFieldId field) const;

    // Combination, case and every enabled control from the filter.
    void Fill(const TFilterFields &filter);
    // Every control empty, greyed or zero; combination and case stay.
    void Clear();
    // Replaces the filter's entries, combination and case with the form's.
    void ApplyTo(TFilterFields &filter) const;

    quint8 Combination = 0; // 0 AND, 1 OR
    bool CaseSensitive = false;

private:
    TItemLevel m_level;
    std::vector<TFilterValue> m_values; // one per control, in Controls() order
};
