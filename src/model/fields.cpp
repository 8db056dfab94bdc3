#include "model/fields.h"

#include "model/atomicfile.h"
#include "model/general.h"
#include "model/textcodec.h"

#include <QFile>
#include <QSaveFile>
#include <array>

namespace {

struct FieldInfo
{
    const char *name;
    TFieldKind kind;
};

// Default names and kinds, indexed by field number.
constexpr std::array<FieldInfo, 57> kFields = {{
    {"[None]", fkText},
    {"Title", fkText},
    {"Index", fkInteger},
    {"Length", fkInteger},
    {"Artist/Composer", fkLookup},
    {"Genre", fkLookup},
    {"Studio", fkLookup},
    {"Producer", fkLookup},
    {"Conductor", fkLookup},
    {"Orchestra", fkLookup},
    {"Soloists", fkText},
    {"Tour Name", fkText},
    {"Recording Date", fkDate},
    {"A/D", fkText},
    {"Mono", fkBoolean},
    {"Live", fkBoolean},
    {"Rating", fkInteger},
    {"Format", fkLookup},
    {"Year", fkText},
    {"Label", fkLookup},
    {"Number", fkText},
    {"Owner", fkLookup},
    {"Location", fkText},
    {"Purchase Date", fkDate},
    {"Price", fkFloat},
    {"Store", fkLookup},
    {"Album Name", fkText},
    {"Microsoft Disc ID", fkInteger},
    {"Songwriter", fkLookup},
    {"Comments", fkText},
    {"Engineer", fkLookup},
    {"In Collection", fkBoolean},
    {"Nr Tracks", fkInteger},
    {"Album Text 1", fkText},
    {"Album Text 2", fkText},
    {"Album Lookup 1", fkLookup},
    {"Album Lookup 2", fkLookup},
    {"Track Text 1", fkText},
    {"Track Lookup 1", fkLookup},
    {"Cddb Disc ID", fkInteger},
    {"Nr Discs", fkInteger},
    {"Cover", fkPicture},
    {"Album Index", fkInteger},
    {"Album Title", fkText},
    {"CDDB Revision", fkInteger},
    {"BPM", fkInteger},
    {"Position", fkInteger},
    {"Submit Artist", fkText},
    {"Header Title", fkText},
    {"Disc Index", fkInteger},
    {"Rare", fkBoolean},
    {"Lyrics", fkMemo},
    {"Lyrics File", fkText},
    {"Cover File", fkText},
    {"ID", fkInteger},
    {"Album ID", fkInteger},
    {"Audio File", fkText},
}};

const QString kSection = QStringLiteral("Field Names");

} // namespace

const char *const ADNames[5] = {"AAD", "ADD", "DAD", "DDD", "N/A"};

QString InvalidFieldText()
{
    return QStringLiteral("[INVALID FIELD]");
}

namespace {
constexpr quint64 kAlbumOnlyFields =
    fieldBit(fdFormat) | fieldBit(fdLabel) | fieldBit(fdOwner) | fieldBit(fdStore) |
    fieldBit(fdAlbumLookup1) | fieldBit(fdAlbumLookup2) | fieldBit(fdSoloists) |
    fieldBit(fdTourName) | fieldBit(fdRecordingDate) | fieldBit(fdAD) | fieldBit(fdMono) |
    fieldBit(fdNumber) | fieldBit(fdLocation) | fieldBit(fdPurchaseDate) | fieldBit(fdPrice) |
    fieldBit(fdInCollection) | fieldBit(fdNrTracks) | fieldBit(fdAlbumText1) |
    fieldBit(fdAlbumText2) | fieldBit(fdNrDiscs) | fieldBit(fdCover) | fieldBit(fdRare) |
    fieldBit(fdCoverFile);
constexpr quint64 kTrackOnlyFields =
    fieldBit(fdAlbumName) | fieldBit(fdMsDiscId) | fieldBit(fdSongwriter) | fieldBit(fdTrackText1) |
    fieldBit(fdTrackLookup1) | fieldBit(fdCddbDiscId) | fieldBit(fdAlbumIndex) |
    fieldBit(fdAlbumTitle) | fieldBit(fdCddbRevision) | fieldBit(fdBPM) | fieldBit(fdPosition) |
    fieldBit(fdHeaderTitle) | fieldBit(fdDiscIndex) | fieldBit(fdLyrics) | fieldBit(fdLyricsFile) |
    fieldBit(fdAlbumID) | fieldBit(fdAudioFile);
} // namespace

bool FieldOfLevel(TItemLevel level, TFieldId field)
{
    if (field == fdNone || field > fdLast)
        return false;
    const quint64 foreign = level == ilAlbum ? kTrackOnlyFields : kAlbumOnlyFields;
    return (foreign & fieldBit(field)) == 0;
}

TFieldKind FieldKind(TFieldId field)
{
    return field <= fdLast ? kFields[field].kind : fkText;
}

TQelFields::TQelFields()
{
    m_names.reserve(fdLast + 1);
    for (TFieldId f = 0; f <= fdLast; ++f)
        m_names.append(GetDefaultName(f));
}

QString TQelFields::GetDefaultName(TFieldId field)
{
    if (field > fdLast)
        return InvalidFieldText();
    return StripAmpersands(QString::fromLatin1(kFields[field].name));
}

TFieldId TQelFields::FieldByDefaultName(const QString &name)
{
    for (TFieldId f = 1; f <= fdLast; ++f)
        if (name.compare(QLatin1String(kFields[f].name), Qt::CaseInsensitive) == 0)
            return f;
    return fdNone;
}

QString TQelFields::GetFieldName(TFieldId field) const
{
    if (field > fdLast)
        return InvalidFieldText();
    if (field == fdNone)
        return {};
    return StripAmpersands(m_names[field]);
}

QString TQelFields::GetFieldCaption(TFieldId field) const
{
    if (field > fdLast)
        return InvalidFieldText();
    if (field == fdNone)
        return {};
    return m_names[field];
}

void TQelFields::SetFieldName(TFieldId field, const QString &name)
{
    if (field == fdNone || field > fdLast)
        return;
    m_names[field] = name;
}

QString TQelFields::DefaultIniPath()
{
    return ProgramFolder() + QStringLiteral("FieldNames.ini");
}

// The file is a plain INI file of one section. It is read and written by hand:
// QSettings would escape the "/" of "Artist/Composer" and the keys would no longer
// be the field names.
void TQelFields::Load(const QString &iniPath)
{
    for (TFieldId f = 1; f <= fdLast; ++f)
        m_names[f] = GetDefaultName(f);

    QFile file(iniPath);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = file.read(1 << 20);
    const QString text = cp1252::decode(bytes);
    bool inSection = false;
    bool seen[fdLast + 1] = {};
    for (QStringView line : QStringView(text).split(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[')) {
            inSection =
                line.endsWith(u']') &&
                line.mid(1, line.size() - 2).trimmed().compare(kSection, Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inSection)
            continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0)
            continue;
        const TFieldId f = FieldByDefaultName(line.left(eq).trimmed().toString());
        // The first occurrence of a key counts, as with the platform's INI reader.
        if (f == fdNone || seen[f])
            continue;
        seen[f] = true;
        m_names[f] = line.mid(eq + 1).trimmed().toString();
    }
}

bool TQelFields::Save(const QString &iniPath) const
{
    QByteArray out = "[Field Names]\r\n";
    for (TFieldId f = 1; f <= fdLast; ++f)
        out += QByteArray(kFields[f].name) + '=' + cp1252::encode(GetFieldName(f)) + "\r\n";
    return WriteFileAtomically(iniPath, out).isEmpty();
}
