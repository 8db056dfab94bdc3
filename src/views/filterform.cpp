#include "views/filterform.h"

#include "model/general.h"
#include "views/filter.h"

#include <memory>

namespace {
using K = TFilterControlKind;

std::size_t indexOf(TFieldId field)
{
    const auto &controls = TFilterForm::Controls();
    for (std::size_t i = 0; i < controls.size(); ++i)
        if (controls[i].field == field)
            return i;
    return controls.size();
}
} // namespace

const std::vector<TFilterControl> &TFilterForm::Controls()
{
    // The order is the order of the conditions in a rebuilt filter (and so in its
    // description), not the order of the controls on the pages.
    static const std::vector<TFilterControl> controls = {
        {fdTitle, K::Text, true, true},
        {fdHeaderTitle, K::Text, false, true},
        {fdYear, K::Text, true, true},
        {fdArtist, K::Text, true, true},
        {fdFormat, K::Text, true, false},
        {fdInCollection, K::Bool, true, false},
        {fdRare, K::Bool, true, false},
        {fdConductor, K::Text, true, true},
        {fdOrchestra, K::Text, true, true},
        {fdSoloists, K::Text, true, false},
        {fdLabel, K::Text, true, false},
        {fdNumber, K::Text, true, false},
        {fdSongwriter, K::Text, false, true},
        {fdLength, K::LengthRange, true, true},
        {fdNrDiscs, K::IntRange, true, false},
        {fdNrTracks, K::IntRange, true, false},
        {fdStudio, K::Text, true, true},
        {fdProducer, K::Text, true, true},
        {fdEngineer, K::Text, true, true},
        {fdMono, K::Bool, true, false},
        {fdLive, K::Bool, true, true},
        {fdAD, K::Text, true, false},
        {fdBPM, K::IntRange, false, true},
        {fdRecordingDate, K::DateRange, true, false},
        {fdGenre, K::Text, true, true},
        {fdOwner, K::Text, true, false},
        {fdLocation, K::Text, true, false},
        {fdStore, K::Text, true, false},
        {fdComments, K::Text, true, true},
        {fdRating, K::IntRange, true, true},
        {fdPurchaseDate, K::DateRange, true, false},
        {fdPrice, K::FloatRange, true, false},
        {fdAlbumText1, K::Text, true, false},
        {fdAlbumText2, K::Text, true, false},
        {fdTrackText1, K::Text, false, true},
        {fdAlbumLookup1, K::Text, true, false},
        {fdAlbumLookup2, K::Text, true, false},
        {fdTrackLookup1, K::Text, false, true},
    };
    return controls;
}

const TFilterControl *TFilterForm::Control(TFieldId field)
{
    const std::size_t i = indexOf(field);
    return i < Controls().size() ? &Controls()[i] : nullptr;
}

TFilterForm::TFilterForm(TItemLevel level) : m_level(level), m_values(Controls().size()) {}

bool TFilterForm::IsEnabled(TFieldId field) const
{
    const TFilterControl *c = Control(field);
    return c && (m_level == ilAlbum ? c->album : c->track);
}

TFilterValue &TFilterForm::Value(TFieldId field)
{
    const std::size_t i = indexOf(field);
    Q_ASSERT(i < m_values.size());
    return m_values[i];
}

const TFilterValue &TFilterForm::Value(TFieldId field) const
{
    return const_cast<TFilterForm *>(this)->Value(field);
}

void TFilterForm::Clear()
{
    m_values.assign(Controls().size(), TFilterValue{});
}

void TFilterForm::Fill(const TFilterFields &filter)
{
    Combination = filter.Combination;
    CaseSensitive = filter.CaseSensitive;
    Clear();
    for (const TFilterControl &c : Controls()) {
        if (!IsEnabled(c.field))
            continue;
        TFilterValue &v = Value(c.field);
        switch (c.kind) {
        case K::Text:
            v.text = filter.GetStringValue(c.field);
            break;
        case K::Bool:
            v.state = filter.GetBoolValue(c.field);
            break;
        case K::IntRange:
            std::tie(v.low, v.high) = filter.GetIntRange(c.field);
            break;
        case K::LengthRange: {
            const auto [low, high] = filter.GetIntRange(c.field);
            v.lowText = FormatLength(low);
            v.highText = FormatLength(high);
            break;
        }
        case K::DateRange:
            std::tie(v.from, v.to) = filter.GetDateRange(c.field);
            v.fromTicked = v.from != 0;
            v.toTicked = v.to != 0;
            break;
        case K::FloatRange:
            std::tie(v.from, v.to) = filter.GetFloatRange(c.field);
            break;
        }
    }
}

void TFilterForm::ApplyTo(TFilterFields &filter) const
{
    filter.Clear();
    filter.Combination = Combination;
    filter.CaseSensitive = CaseSensitive;
    for (const TFilterControl &c : Controls()) {
        if (!IsEnabled(c.field))
            continue;
        const TFilterValue &v = Value(c.field);
        switch (c.kind) {
        case K::Text:
            if (!v.text.isEmpty())
                filter.Add(std::make_unique<TStringFilterField>(c.field, v.text));
            break;
        case K::Bool:
            if (v.state != 2)
                filter.Add(std::make_unique<TBoolFilterField>(c.field, v.state ? 1 : 0));
            break;
        case K::IntRange:
            if (v.low != 0 || v.high != 0)
                filter.Add(std::make_unique<TIntegerFilterField>(c.field, v.low, v.high));
            break;
        case K::LengthRange: {
            const qint32 low = ParseLength(v.lowText);
            const qint32 high = ParseLength(v.highText);
            if (low != 0 || high != 0)
                filter.Add(std::make_unique<TIntegerFilterField>(c.field, low, high));
            break;
        }
        case K::DateRange:
            if (v.fromTicked && v.toTicked && (v.from != 0 || v.to != 0))
                filter.Add(std::make_unique<TDateFilterField>(c.field, v.from, v.to));
            break;
        case K::FloatRange:
            if (v.from != 0 || v.to != 0)
                filter.Add(std::make_unique<TFloatFilterField>(c.field, v.from, v.to));
            break;
        }
    }
}
