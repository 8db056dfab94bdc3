#include "exchange/delimitedimport.h"

#include "model/album.h"
#include "model/general.h"
#include "model/qeldb.h"
#include "model/tracks.h"

#include <QFileInfo>
#include <limits>

namespace {

constexpr qint32 kIntMin = std::numeric_limits<qint32>::min();
constexpr qint32 kIntMax = std::numeric_limits<qint32>::max();
// Empty discs an album row may ask for ("Nr Discs").
constexpr qint32 kMaxDiscs = 999;

bool trackOnly(TFieldId f)
{
    return f != fdNone && !FieldOfLevel(ilAlbum, f);
}

bool albumOnly(TFieldId f)
{
    return f != fdNone && !FieldOfLevel(ilTrack, f);
}

// The fields a track shows from its album when it has no value of its own.
bool inheritedFromAlbum(TFieldId f)
{
    switch (f) {
    case fdArtist:
    case fdGenre:
    case fdStudio:
    case fdProducer:
    case fdConductor:
    case fdOrchestra:
    case fdEngineer:
    case fdYear:
    case fdRating:
    case fdLive:
        return true;
    default:
        return false;
    }
}

// What our export writes for a field the item does not have: no value.
bool isNoValue(QStringView v)
{
    static const QString invalid = InvalidFieldText();
    return v.isEmpty() || (v.size() == invalid.size() && v == invalid);
}

// The catalogue's line break inside a text is CR LF; other programs write LF or CR.
QString withCrLf(QStringView v)
{
    if (!v.contains(u'\n') && !v.contains(u'\r'))
        return v.toString();
    QString out;
    out.reserve(v.size() + 8);
    for (qsizetype i = 0; i < v.size(); ++i) {
        const QChar c = v[i];
        if (c == u'\r' || c == u'\n') {
            out += QStringLiteral("\r\n");
            if (c == u'\r' && i + 1 < v.size() && v[i + 1] == u'\n')
                ++i;
        } else {
            out += c;
        }
    }
    return out;
}

// Stores one value in an item, converted as the field's kind requires; no value leaves
// the item as it is. False when the text does not convert.
bool setValue(TImportBatch &batch, TDataItem &item, TFieldId f, QStringView v)
{
    if (isNoValue(v))
        return true;
    auto *album = item.Kind() == TItemKind::Album ? static_cast<TAlbum *>(&item) : nullptr;
    auto *custom = album ? nullptr : static_cast<TCustomTrack *>(&item);
    auto *track = item.Kind() == TItemKind::Track ? static_cast<TTrack *>(&item) : nullptr;
    switch (f) {
    case fdTitle:
        item.Title = v;
        return true;
    case fdYear:
        item.Year = v;
        return true;
    case fdComments:
        item.Comments = withCrLf(v);
        return true;
    case fdIndex:
        return importvalue::Integer(v, kIntMin, kIntMax, item.Index);
    case fdLive: {
        bool yes = false;
        if (!importvalue::Boolean(v, yes))
            return false;
        item.Live = yes ? 1 : 0;
        return true;
    }
    case fdRating:
        return importvalue::Rating(v, item.Rating);
    case fdLength:
        return track && importvalue::Length(v, track->Length);
    case fdPosition:
        return track && importvalue::Integer(v, kIntMin, kIntMax, track->Position);
    case fdBPM:
        return custom && importvalue::Integer(v, 0, kIntMax, custom->BPM);
    default:
        break;
    }
    if (IsLookupField(f)) {
        if ((album && !IsAlbumLookupField(f)) || (!album && !IsTrackLookupField(f)))
            return false;
        item.setLookupItem(f, batch.Lookup(f, v));
        return true;
    }
    if (custom) {
        switch (f) {
        case fdTrackText1:
            custom->TrackText1 = v;
            return true;
        case fdLyricsFile:
            custom->LyricsFile = v;
            return true;
        case fdAudioFile:
            custom->AudioFile = v;
            return true;
        default:
            return false;
        }
    }
    if (!album)
        return false;
    switch (f) {
    case fdSoloists:
        album->Soloists = v;
        return true;
    case fdTourName:
        album->TourName = v;
        return true;
    case fdNumber:
        album->Number = v;
        return true;
    case fdLocation:
        album->Location = v;
        return true;
    case fdAlbumText1:
        album->AlbumText1 = v;
        return true;
    case fdAlbumText2:
        album->AlbumText2 = v;
        return true;
    case fdCoverFile:
        album->CoverFile = v;
        return true;
    case fdRecordingDate:
        return importvalue::Date(v, album->RecordingDate);
    case fdPurchaseDate:
        return importvalue::Date(v, album->PurchaseDate);
    case fdPrice:
        return importvalue::Price(v, album->Price);
    case fdAD:
        for (quint8 code = 0; code < 5; ++code)
            if (v.trimmed().compare(QLatin1String(ADNames[code]), Qt::CaseInsensitive) == 0) {
                album->AD = code;
                return true;
            }
        return false;
    case fdMono: {
        const QStringView t = v.trimmed();
        bool mono = false;
        if (t.compare(QLatin1String("Mono"), Qt::CaseInsensitive) == 0)
            mono = true;
        else if (t.compare(QLatin1String("Stereo"), Qt::CaseInsensitive) != 0 &&
                 !importvalue::Boolean(t, mono))
            return false;
        album->Mono = mono;
        return true;
    }
    case fdInCollection: {
        bool yes = false;
        if (!importvalue::Boolean(v, yes))
            return false;
        album->InCollection = yes;
        return true;
    }
    case fdRare: {
        bool yes = false;
        if (!importvalue::Boolean(v, yes))
            return false;
        album->Rare = yes;
        return true;
    }
    default:
        return false;
    }
}

// The rows of the album being read, in one block of text that is reused album after
// album.
class TAlbumRows
{
public:
    explicit TAlbumRows(qsizetype columns) : m_columns(columns) {}

    void Clear()
    {
        m_text.clear();
        m_spans.clear();
        m_rows.clear();
    }
    void Add(const std::vector<QStringView> &fields, qint64 row)
    {
        for (qsizetype c = 0; c < m_columns; ++c) {
            const QStringView v =
                c < qsizetype(fields.size()) ? fields[std::size_t(c)] : QStringView();
            m_spans.emplace_back(qsizetype(m_text.size()), v.size());
            m_text.insert(m_text.end(), v.utf16(), v.utf16() + v.size());
        }
        m_rows.push_back(row);
    }
    qsizetype Count() const { return qsizetype(m_rows.size()); }
    QStringView Value(qsizetype row, qsizetype column) const
    {
        const auto &span = m_spans[std::size_t(row * m_columns + column)];
        return QStringView(m_text.data() + span.first, span.second);
    }
    qint64 RowNumber(qsizetype row) const { return m_rows[std::size_t(row)]; }

private:
    qsizetype m_columns;
    std::vector<char16_t> m_text;
    std::vector<std::pair<qsizetype, qsizetype>> m_spans;
    std::vector<qint64> m_rows;
};

// Turns rows into albums as they come.
class TRowsBuilder
{
public:
    TRowsBuilder(TImportBatch &batch, const TColumnMapping &mapping, const QStringList &columns,
                 bool trackRows, TImportSummary &summary)
        : m_batch(batch), m_mapping(mapping), m_columns(columns), m_trackRows(trackRows),
          m_summary(summary), m_rows(columns.size()), m_perTrack(std::size_t(columns.size()))
    {
        for (qsizetype c = 0; c < columns.size(); ++c) {
            const TFieldId f = mapping[std::size_t(c)];
            if (NamesAlbum(f))
                m_keyColumns.push_back(c);
            if (f == fdDiscIndex)
                m_discColumn = c;
        }
    }

    void AddRow(const std::vector<QStringView> &fields, qint64 row)
    {
        if (!m_trackRows) {
            albumRow(fields, row);
            return;
        }
        if (m_rows.Count() > 0 && startsAlbum(fields)) {
            buildAlbum();
            m_rows.Clear();
        }
        m_rows.Add(fields, row);
    }

    void Finish()
    {
        if (m_rows.Count() > 0)
            buildAlbum();
        m_rows.Clear();
    }

private:
    static QStringView field(const std::vector<QStringView> &fields, qsizetype c)
    {
        return c < qsizetype(fields.size()) ? fields[std::size_t(c)] : QStringView();
    }

    bool startsAlbum(const std::vector<QStringView> &fields) const
    {
        for (const qsizetype c : m_keyColumns)
            if (field(fields, c) != m_rows.Value(0, c))
                return true;
        return false;
    }

    void set(TDataItem &item, qsizetype c, QStringView v, qint64 row)
    {
        if (!setValue(m_batch, item, m_mapping[std::size_t(c)], v))
            m_summary.AddUnconverted(row, m_columns[c], v);
    }

    void albumRow(const std::vector<QStringView> &fields, qint64 row)
    {
        TAlbum *album = m_batch.NewAlbum();
        for (qsizetype c = 0; c < m_columns.size(); ++c) {
            const TFieldId f = m_mapping[std::size_t(c)];
            if (!CarriesField(f, false))
                continue;
            const QStringView v = field(fields, c);
            if (f == fdNrDiscs) {
                if (isNoValue(v))
                    continue;
                qint32 discs = 0;
                if (!importvalue::Integer(v, 0, kMaxDiscs, discs)) {
                    m_summary.AddUnconverted(row, m_columns[c], v);
                    continue;
                }
                for (qint32 d = 1; d <= discs; ++d) {
                    auto *disc = new TDisc(album);
                    album->Add(disc);
                    disc->Index = d;
                    disc->Live = 2;
                }
                continue;
            }
            set(*album, c, v, row);
        }
    }

    void buildAlbum()
    {
        TAlbum *album = m_batch.NewAlbum();
        const qsizetype n = m_rows.Count();
        for (qsizetype c = 0; c < m_columns.size(); ++c) {
            const TFieldId f = m_mapping[std::size_t(c)];
            char &perTrack = m_perTrack[std::size_t(c)];
            perTrack = false;
            if (!CarriesField(f, true) || f == fdDiscIndex)
                continue;
            if (f == fdAlbumTitle) {
                const QStringView v = m_rows.Value(0, c);
                if (!isNoValue(v))
                    album->Title = v;
            } else if (f == fdAlbumIndex) {
                const QStringView v = m_rows.Value(0, c);
                if (!isNoValue(v) && !importvalue::Integer(v, kIntMin, kIntMax, album->Index))
                    m_summary.AddUnconverted(m_rows.RowNumber(0), m_columns[c], v);
            } else if (albumOnly(f)) {
                for (qsizetype r = 0; r < n; ++r)
                    if (!isNoValue(m_rows.Value(r, c))) {
                        set(*album, c, m_rows.Value(r, c), m_rows.RowNumber(r));
                        break;
                    }
            } else if (inheritedFromAlbum(f) && !isNoValue(m_rows.Value(0, c)) &&
                       sameOnEveryRow(c)) {
                set(*album, c, m_rows.Value(0, c), m_rows.RowNumber(0));
            } else {
                perTrack = true;
            }
        }

        TDisc *disc = nullptr;
        QStringView discKey;
        qint32 discs = 0, tracks = 0;
        for (qsizetype r = 0; r < n; ++r) {
            const qint64 row = m_rows.RowNumber(r);
            if (!disc || (m_discColumn >= 0 && m_rows.Value(r, m_discColumn) != discKey)) {
                disc = new TDisc(album);
                album->Add(disc);
                disc->Live = 2;
                disc->Index = ++discs;
                tracks = 0;
                qsizetype count = 1;
                if (m_discColumn >= 0) {
                    discKey = m_rows.Value(r, m_discColumn);
                    if (!isNoValue(discKey) &&
                        !importvalue::Integer(discKey, kIntMin, kIntMax, disc->Index))
                        m_summary.AddUnconverted(row, m_columns[m_discColumn], discKey);
                    while (r + count < n && m_rows.Value(r + count, m_discColumn) == discKey)
                        ++count;
                } else {
                    count = n;
                }
                disc->Children.reserve(count);
                disc->Tracks.reserve(count);
            }
            auto *track = new TTrack(disc);
            disc->Add(track);
            disc->Tracks.append(track); // the disc's tracks: its children, all tracks
            track->Live = 2;
            track->Index = ++tracks;
            track->Position = tracks;
            for (qsizetype c = 0; c < m_columns.size(); ++c)
                if (m_perTrack[std::size_t(c)])
                    set(*track, c, m_rows.Value(r, c), row);
        }
        m_summary.Tracks += n;
    }

    bool sameOnEveryRow(qsizetype c) const
    {
        const QStringView first = m_rows.Value(0, c);
        for (qsizetype r = 1; r < m_rows.Count(); ++r)
            if (m_rows.Value(r, c) != first)
                return false;
        return true;
    }

    TImportBatch &m_batch;
    const TColumnMapping &m_mapping;
    const QStringList &m_columns;
    const bool m_trackRows;
    TImportSummary &m_summary;
    TAlbumRows m_rows;
    std::vector<qsizetype> m_keyColumns;
    qsizetype m_discColumn = -1;
    std::vector<char> m_perTrack; // per column, for the album being built
};

QString fieldName(const TQelFields *names, TFieldId f)
{
    return names ? names->GetFieldName(f) : TQelFields::GetDefaultName(f);
}

} // namespace

std::vector<TFieldId> ImportableFields()
{
    std::vector<TFieldId> fields;
    for (TFieldId f = 1; f <= fdLast; ++f)
        if (f != fdCover && f != fdLyrics)
            fields.push_back(f);
    return fields;
}

TColumnMapping GuessColumnFields(const QStringList &columns, const TQelFields *names,
                                 const std::vector<std::optional<TFieldId>> &preset)
{
    const std::vector<TFieldId> importable = ImportableFields();
    const auto canImport = [&importable](TFieldId f) {
        return std::find(importable.begin(), importable.end(), f) != importable.end();
    };
    const auto presetAt = [&preset](qsizetype c) {
        return c < qsizetype(preset.size()) ? preset[std::size_t(c)] : std::nullopt;
    };
    TColumnMapping mapping(std::size_t(columns.size()), fdNone);
    std::vector<bool> used(fdLast + 1, false);
    for (qsizetype c = 0; c < columns.size(); ++c)
        if (const std::optional<TFieldId> f = presetAt(c)) {
            mapping[std::size_t(c)] = *f;
            if (*f <= fdLast)
                used[*f] = *f != fdNone;
        }
    std::vector<qsizetype> albumColumns;
    for (qsizetype c = 0; c < columns.size(); ++c) {
        const QString name = columns[c].trimmed();
        if (name.isEmpty() || presetAt(c))
            continue;
        TFieldId f = fdNone;
        if (names)
            for (const TFieldId candidate : importable)
                if (names->GetFieldName(candidate).compare(name, Qt::CaseInsensitive) == 0) {
                    f = candidate;
                    break;
                }
        if (f == fdNone) {
            f = TQelFields::FieldByDefaultName(name);
            if (!canImport(f))
                f = fdNone;
        }
        if (f == fdNone && name.compare(QLatin1String("Artist"), Qt::CaseInsensitive) == 0)
            f = fdArtist;
        if (f == fdNone && name.compare(QLatin1String("Album"), Qt::CaseInsensitive) == 0) {
            albumColumns.push_back(c);
            continue;
        }
        if (f != fdNone && !used[f]) {
            mapping[std::size_t(c)] = f;
            used[f] = true;
        }
    }
    // "Album" names the album a track belongs to, unless each row is an album.
    for (const qsizetype c : albumColumns) {
        const TFieldId f = used[fdTitle] || MapsTrackRows(mapping) ? fdAlbumTitle : fdTitle;
        if (!used[f]) {
            mapping[std::size_t(c)] = f;
            used[f] = true;
        }
    }
    return mapping;
}

bool MapsTrackRows(const TColumnMapping &mapping)
{
    return std::any_of(mapping.begin(), mapping.end(), trackOnly);
}

bool CarriesField(TFieldId field, bool trackRows)
{
    switch (field) {
    case fdNone:
    case fdAlbumName:
    case fdMsDiscId:
    case fdCddbDiscId:
    case fdCddbRevision:
    case fdSubmitArtist:
    case fdHeaderTitle:
    case fdID:
    case fdAlbumID:
    case fdNrTracks:
    case fdCover:
    case fdLyrics:
        return false;
    case fdLength:
        return trackRows;
    case fdNrDiscs:
        return !trackRows;
    default:
        return field <= fdLast;
    }
}

bool NamesAlbum(TFieldId field)
{
    return field == fdAlbumTitle || field == fdAlbumIndex || field == fdAlbumName ||
           field == fdAlbumID;
}

TDelimitedImport::TDelimitedImport(QObject *owner, TQelDb &db, const QString &fileName)
    : TProcess(owner), m_db(db), m_fileName(fileName)
{
}

bool TDelimitedImport::fail(const QString &message)
{
    Error = message;
    ShowInfo(message);
    return false;
}

bool TDelimitedImport::Run()
{
    Summary = {};
    Error.clear();
    AddedLookups = false;
    SetCaption(tr("Import Delimited Text"));
    TDelimitedReader reader;
    if (!reader.Open(m_fileName, Format))
        return fail(reader.ErrorString());
    if (!reader.Next())
        return fail(reader.ErrorString().isEmpty()
                        ? tr("\"%1\" holds nothing: no column names, no rows.").arg(m_fileName)
                        : reader.ErrorString());
    QStringList columns;
    for (const QStringView name : reader.Fields())
        columns << name.trimmed().toString();
    for (qsizetype c = 0; c < columns.size(); ++c)
        if (columns[c].isEmpty())
            columns[c] = tr("(column %1)").arg(c + 1);
    if (Mapping.empty())
        Mapping = GuessColumnFields(columns, FieldNames);
    Mapping.resize(std::size_t(columns.size()), fdNone);
    const bool trackRows = MapsTrackRows(Mapping);
    if (std::none_of(Mapping.begin(), Mapping.end(),
                     [trackRows](TFieldId f) { return CarriesField(f, trackRows); }))
        return fail(tr("No column of \"%1\" goes to a field that can be imported: name the "
                       "columns after the fields, or say which field each column goes to.")
                        .arg(m_fileName));
    for (const TFieldId f : Mapping) {
        const QString name = fieldName(FieldNames, f);
        if (f != fdNone && !CarriesField(f, trackRows) && !Summary.NotCarried.contains(name))
            Summary.NotCarried << name;
    }

    if (BeforeChange)
        BeforeChange();
    SetMessage(tr("Importing %1...").arg(QFileInfo(m_fileName).fileName()));
    TImportProgress progress(*this);
    Start();
    TImportBatch batch(m_db);
    batch.ExpectBytes(reader.Size());
    TRowsBuilder builder(batch, Mapping, columns, trackRows, Summary);
    while (!Cancelled() && reader.Next()) {
        const qint64 row = ++Summary.Rows;
        if (qsizetype(reader.Fields().size()) != columns.size())
            ++Summary.RaggedRows;
        builder.AddRow(reader.Fields(), row);
        progress.Report(reader.BytesDone(), reader.Size(), row);
    }
    if (!reader.ErrorString().isEmpty()) {
        batch.Discard();
        Finish();
        return fail(reader.ErrorString());
    }
    if (Cancelled()) {
        batch.Discard();
        Finish();
        Summary.Cancelled = true;
        ShowInfo(tr("The import was cancelled: nothing was added."));
        return false;
    }
    builder.Finish();
    Summary.Albums = batch.Count();
    AddedLookups = batch.AddedLookups();
    batch.Commit();
    SetPosition(Max);
    Finish();
    ShowInfo(Summary.Text());
    return Summary.Albums > 0;
}
