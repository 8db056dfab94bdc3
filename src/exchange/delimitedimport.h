#pragma once

#include "exchange/delimitedtext.h"
#include "exchange/importbatch.h"
#include "model/fields.h"
#include "services/process.h"

#include <functional>
#include <optional>
#include <vector>

class TQelDb;
class TQelFields;

// Which field each column of a file goes to; fdNone leaves the column out.
using TColumnMapping = std::vector<TFieldId>;

// The fields a column may go to: every field that has a text (not the cover picture or
// the lyrics' content), in field order.
std::vector<TFieldId> ImportableFields();

// The field a column name stands for: the user's field names and the default names,
// in any case; "Artist" for "Artist/Composer". "Album" is "Album Title" where the rows
// are tracks and "Title" otherwise (decided by the other columns, see below). A field
// goes to the first column that names it; names of no field give fdNone. preset, when
// given, holds the columns decided beforehand (fdNone leaving one out); only the others
// are guessed, and none takes a field a preset column has.
TColumnMapping GuessColumnFields(const QStringList &columns, const TQelFields *names,
                                 const std::vector<std::optional<TFieldId>> &preset = {});

// Rows are tracks when a field of tracks only is mapped; otherwise each row is an album.
bool MapsTrackRows(const TColumnMapping &mapping);
// Whether the import stores the values of field for rows of that kind: derived fields
// (the album's name, the header's title, the disc identifiers, counts, identifiers)
// are not carried back.
bool CarriesField(TFieldId field, bool trackRows);
// The columns that tell one album's rows from the next one's in track rows.
bool NamesAlbum(TFieldId field);

// Imports a file of delimited text, its first row the column names, as new albums:
//   - album rows: each row one album;
//   - track rows: consecutive rows with the same values in the columns that name the
//     album (NamesAlbum) are one album, in row order, so A, B, B, A are three albums;
//     "Disc Index" starts a new disc the same way; "Index" and "Position" come from
//     their columns or are counted per disc. A value of a field the tracks inherit that
//     is the same on every row of an album goes to the album, which the tracks then
//     show; album fields take an album's first value.
// Values are converted by field kind; a value that does not convert is left empty and
// counted, as are rows with too few or too many values; neither stops the import.
class TDelimitedImport : public TProcess
{
    Q_OBJECT

public:
    TDelimitedImport(QObject *owner, TQelDb &db, const QString &fileName);

    TDelimitedFormat Format;
    // Per column; guessed from the names when empty.
    TColumnMapping Mapping;
    // The user's field names, for the guess and the summary; the default names without.
    const TQelFields *FieldNames = nullptr;
    // Called once the file has proved readable, before the collection changes.
    std::function<void()> BeforeChange;

    // True when albums were added. The summary, or the failure, is shown through
    // ShowInfo; a cancelled run adds nothing.
    bool Run();

    TImportSummary Summary;
    bool AddedLookups = false; // entries were added to lookup lists
    QString Error;             // the failure that was shown, if any

private:
    bool fail(const QString &message);

    TQelDb &m_db;
    QString m_fileName;
};
