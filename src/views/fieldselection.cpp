#include "views/fieldselection.h"

#include <QCoreApplication>

TFieldSelection::TFieldSelection(const TListFields &fields, const TQelFields &names)
    : m_level(fields.Level), m_sort(dynamic_cast<const TSortFields *>(&fields) != nullptr),
      m_names(names)
{
    for (qsizetype i = 0; i < fields.Count(); ++i)
        m_rows.push_back(fields.Items(i)->Clone());
}

const std::vector<TFieldGroup> &TFieldSelection::Groups(TItemLevel level)
{
    static const std::vector<TFieldGroup> album = {
        {QT_TRANSLATE_NOOP("TfmSelectFields", "Main"),
         {fdIndex, fdID, fdTitle, fdYear, fdArtist, fdFormat, fdLength, fdNrTracks, fdNrDiscs,
          fdInCollection, fdConductor, fdOrchestra, fdSoloists, fdLabel, fdNumber, fdRare,
          fdCoverFile}},
        {QT_TRANSLATE_NOOP("TfmSelectFields", "Recording"),
         {fdStudio, fdProducer, fdEngineer, fdMono, fdLive, fdAD, fdRecordingDate, fdTourName}},
        {QT_TRANSLATE_NOOP("TfmSelectFields", "Personal"),
         {fdGenre, fdOwner, fdLocation, fdPurchaseDate, fdPrice, fdStore, fdRating}},
        {QT_TRANSLATE_NOOP("TfmSelectFields", "User Defined"),
         {fdAlbumText1, fdAlbumText2, fdAlbumLookup1, fdAlbumLookup2}},
    };
    static const std::vector<TFieldGroup> track = {
        {QT_TRANSLATE_NOOP("TfmSelectFields", "Main"),
         {fdIndex, fdID, fdPosition, fdHeaderTitle, fdTitle, fdYear, fdArtist, fdLength,
          fdSongwriter, fdConductor, fdOrchestra, fdMsDiscId, fdCddbDiscId, fdCddbRevision,
          fdLyricsFile, fdAudioFile}},
        {QT_TRANSLATE_NOOP("TfmSelectFields", "Album"),
         {fdAlbumName, fdAlbumTitle, fdAlbumIndex, fdAlbumID, fdDiscIndex}},
        {QT_TRANSLATE_NOOP("TfmSelectFields", "Recording"),
         {fdStudio, fdProducer, fdEngineer, fdBPM, fdLive}},
        {QT_TRANSLATE_NOOP("TfmSelectFields", "Personal"), {fdGenre, fdRating, fdComments}},
        {QT_TRANSLATE_NOOP("TfmSelectFields", "User Defined"), {fdTrackText1, fdTrackLookup1}},
    };
    return level == ilAlbum ? album : track;
}

QString TFieldSelection::RowName(int row) const
{
    return Row(row)->GetName(m_names);
}

qint32 TFieldSelection::RowOrder(int row) const
{
    return m_sort ? static_cast<const TSortField *>(Row(row))->Order : 1;
}

void TFieldSelection::Select(int row)
{
    m_selected = row >= 0 && row < Count() ? row : -1;
}

int TFieldSelection::rowOfName(const QString &name) const
{
    for (int i = 0; i < Count(); ++i)
        if (RowName(i) == name)
            return i;
    return -1;
}

int TFieldSelection::DropField(TFieldId field, int before)
{
    // Rows are matched by the name the user sees, as the list shows them.
    const int existing = rowOfName(m_names.GetFieldName(field));
    if (existing >= 0)
        return MoveRow(existing, before);
    if (before < 0 || before > Count())
        before = Count();
    std::unique_ptr<TListField> entry;
    if (m_sort)
        entry = std::make_unique<TSortField>(field, 1);
    else
        entry = std::make_unique<TShowField>(field, 100);
    m_rows.insert(m_rows.begin() + before, std::move(entry));
    m_selected = before;
    return before;
}

int TFieldSelection::MoveRow(int from, int before)
{
    if (from < 0 || from >= Count())
        return m_selected;
    if (before < 0 || before > Count())
        before = Count();
    // Taking the row out first shifts the rows below it up by one.
    int to = before > from ? before - 1 : before;
    auto entry = std::move(m_rows[std::size_t(from)]);
    m_rows.erase(m_rows.begin() + from);
    m_rows.insert(m_rows.begin() + to, std::move(entry));
    m_selected = to;
    return to;
}

void TFieldSelection::RemoveRow(int row)
{
    if (row < 0 || row >= Count())
        return;
    m_rows.erase(m_rows.begin() + row);
    m_selected = Count() == 0 ? -1 : std::min(row, Count() - 1);
}

void TFieldSelection::FlipOrder(int row)
{
    if (m_sort && row >= 0 && row < Count())
        SetOrder(row, RowOrder(row) < 0 ? 1 : -1);
}

void TFieldSelection::SetOrder(int row, qint32 order)
{
    if (m_sort && row >= 0 && row < Count())
        static_cast<TSortField *>(m_rows[std::size_t(row)].get())->Order = order;
}

void TFieldSelection::ApplyTo(TListFields &fields) const
{
    fields.Clear();
    for (const auto &row : m_rows)
        fields.Add(row->Clone());
}
