#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

// Field numbers of the catalogue. 0 is no field; numbers above 56 are invalid.
using TFieldId = quint8;

enum : TFieldId {
    fdNone = 0,
    fdTitle = 1,
    fdIndex = 2,
    fdLength = 3,
    fdArtist = 4,
    fdGenre = 5,
    fdStudio = 6,
    fdProducer = 7,
    fdConductor = 8,
    fdOrchestra = 9,
    fdSoloists = 10,
    fdTourName = 11,
    fdRecordingDate = 12,
    fdAD = 13,
    fdMono = 14,
    fdLive = 15,
    fdRating = 16,
    fdFormat = 17,
    fdYear = 18,
    fdLabel = 19,
    fdNumber = 20,
    fdOwner = 21,
    fdLocation = 22,
    fdPurchaseDate = 23,
    fdPrice = 24,
    fdStore = 25,
    fdAlbumName = 26,
    fdMsDiscId = 27,
    fdSongwriter = 28,
    fdComments = 29,
    fdEngineer = 30,
    fdInCollection = 31,
    fdNrTracks = 32,
    fdAlbumText1 = 33,
    fdAlbumText2 = 34,
    fdAlbumLookup1 = 35,
    fdAlbumLookup2 = 36,
    fdTrackText1 = 37,
    fdTrackLookup1 = 38,
    fdCddbDiscId = 39,
    fdNrDiscs = 40,
    fdCover = 41,
    fdAlbumIndex = 42,
    fdAlbumTitle = 43,
    fdCddbRevision = 44,
    fdBPM = 45,
    fdPosition = 46,
    fdSubmitArtist = 47,
    fdHeaderTitle = 48,
    fdDiscIndex = 49,
    fdRare = 50,
    fdLyrics = 51,
    fdLyricsFile = 52,
    fdCoverFile = 53,
    fdID = 54,
    fdAlbumID = 55,
    fdAudioFile = 56,
};
constexpr TFieldId fdLast = 56;

// Item levels of lists of fields or items.
using TItemLevel = quint8;
enum : TItemLevel { ilAlbum = 2, ilTrack = 3 };

enum TFieldKind : quint8 {
    fkText = 0,
    fkLookup = 1,
    fkInteger = 2,
    fkDate = 3,
    fkBoolean = 4,
    fkFloat = 5,
    fkPicture = 6,
    fkMemo = 7,
};

TFieldKind FieldKind(TFieldId field); // fkText for numbers above 56
extern const char *const ADNames[5];
QString InvalidFieldText();

constexpr quint64 fieldBit(TFieldId f)
{
    return f < 64 ? (quint64(1) << f) : 0;
}
constexpr quint64 AlbumLookupFields =
    fieldBit(fdArtist) | fieldBit(fdGenre) | fieldBit(fdStudio) | fieldBit(fdProducer) |
    fieldBit(fdConductor) | fieldBit(fdOrchestra) | fieldBit(fdFormat) | fieldBit(fdLabel) |
    fieldBit(fdOwner) | fieldBit(fdStore) | fieldBit(fdEngineer) | fieldBit(fdAlbumLookup1) |
    fieldBit(fdAlbumLookup2);
constexpr quint64 TrackLookupFields = fieldBit(fdArtist) | fieldBit(fdGenre) | fieldBit(fdStudio) |
                                      fieldBit(fdProducer) | fieldBit(fdConductor) |
                                      fieldBit(fdOrchestra) | fieldBit(fdSongwriter) |
                                      fieldBit(fdEngineer) | fieldBit(fdTrackLookup1);

constexpr bool IsAlbumLookupField(TFieldId f)
{
    return (AlbumLookupFields & fieldBit(f)) != 0;
}
constexpr bool IsTrackLookupField(TFieldId f)
{
    return (TrackLookupFields & fieldBit(f)) != 0;
}
constexpr bool IsLookupField(TFieldId f)
{
    return IsAlbumLookupField(f) || IsTrackLookupField(f);
}

// True when the items of the level have the field: an album asked for a track-level
// field, or a track for an album-only one, answers "[INVALID FIELD]".
bool FieldOfLevel(TItemLevel level, TFieldId field);

// The field catalogue: built-in names and the user's names, kept in
// "FieldNames.ini" in the program's data folder.
class TQelFields
{
public:
    TQelFields();

    // Reads the user's names from the file; a missing file, section or key gives
    // the default names.
    void Load(const QString &iniPath);
    // Writes every name (without "&") to the file. Returns false when it could not
    // be written; the names stay in memory.
    bool Save(const QString &iniPath) const;

    QString GetFieldName(TFieldId field) const;    // "&" removed
    QString GetFieldCaption(TFieldId field) const; // as set, "&" kept
    void SetFieldName(TFieldId field, const QString &name);
    static QString GetDefaultName(TFieldId field);
    // The field whose default name equals name (case-insensitive), or fdNone.
    static TFieldId FieldByDefaultName(const QString &name);

    static QString DefaultIniPath(); // ProgramFolder() + "FieldNames.ini"

private:
    QStringList m_names; // index = field number; entry 0 unused
};
