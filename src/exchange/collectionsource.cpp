#include "exchange/collectionsource.h"

#include "model/qeldb.h"
#include "model/qelerror.h"
#include "model/tracks.h"
#include "model/valueformat.h"
#include "services/coverimage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <cmath>
#include <iterator>
#include <memory>

namespace {

enum class TLevel { Album, Disc, Header, Track, SubTrack };

QString levelName(TLevel level)
{
    switch (level) {
    case TLevel::Album:
        return QStringLiteral("album");
    case TLevel::Disc:
        return QStringLiteral("disc");
    case TLevel::Header:
        return QStringLiteral("header");
    case TLevel::Track:
        return QStringLiteral("track");
    case TLevel::SubTrack:
        return QStringLiteral("subtrack");
    }
    return {};
}

// Fields only albums carry, and fields only track-level items carry.
constexpr quint64 kAlbumOnly =
    fieldBit(fdSoloists) | fieldBit(fdTourName) | fieldBit(fdRecordingDate) | fieldBit(fdAD) |
    fieldBit(fdMono) | fieldBit(fdFormat) | fieldBit(fdLabel) | fieldBit(fdNumber) |
    fieldBit(fdOwner) | fieldBit(fdLocation) | fieldBit(fdPurchaseDate) | fieldBit(fdPrice) |
    fieldBit(fdStore) | fieldBit(fdInCollection) | fieldBit(fdNrTracks) | fieldBit(fdAlbumText1) |
    fieldBit(fdAlbumText2) | fieldBit(fdAlbumLookup1) | fieldBit(fdAlbumLookup2) |
    fieldBit(fdNrDiscs) | fieldBit(fdCover) | fieldBit(fdRare) | fieldBit(fdCoverFile);
constexpr quint64 kTrackOnly =
    fieldBit(fdAlbumName) | fieldBit(fdMsDiscId) | fieldBit(fdSongwriter) | fieldBit(fdTrackText1) |
    fieldBit(fdTrackLookup1) | fieldBit(fdCddbDiscId) | fieldBit(fdAlbumIndex) |
    fieldBit(fdAlbumTitle) | fieldBit(fdCddbRevision) | fieldBit(fdBPM) | fieldBit(fdPosition) |
    fieldBit(fdHeaderTitle) | fieldBit(fdDiscIndex) | fieldBit(fdLyrics) | fieldBit(fdLyricsFile) |
    fieldBit(fdAlbumID) | fieldBit(fdAudioFile);

// What every level stores of its own; the rest is worked out from the tree.
constexpr quint64 kBaseSettable =
    fieldBit(fdTitle) | fieldBit(fdYear) | fieldBit(fdArtist) | fieldBit(fdGenre) |
    fieldBit(fdStudio) | fieldBit(fdProducer) | fieldBit(fdEngineer) | fieldBit(fdConductor) |
    fieldBit(fdOrchestra) | fieldBit(fdComments) | fieldBit(fdRating) | fieldBit(fdLive);
constexpr quint64 kAlbumSettable =
    kBaseSettable | fieldBit(fdIndex) | fieldBit(fdSoloists) | fieldBit(fdTourName) |
    fieldBit(fdRecordingDate) | fieldBit(fdAD) | fieldBit(fdMono) | fieldBit(fdFormat) |
    fieldBit(fdLabel) | fieldBit(fdNumber) | fieldBit(fdOwner) | fieldBit(fdLocation) |
    fieldBit(fdPurchaseDate) | fieldBit(fdPrice) | fieldBit(fdStore) | fieldBit(fdInCollection) |
    fieldBit(fdAlbumText1) | fieldBit(fdAlbumText2) | fieldBit(fdAlbumLookup1) |
    fieldBit(fdAlbumLookup2) | fieldBit(fdRare) | fieldBit(fdCoverFile);
constexpr quint64 kTrackLevelSettable =
    kBaseSettable | fieldBit(fdSongwriter) | fieldBit(fdTrackText1) | fieldBit(fdTrackLookup1) |
    fieldBit(fdBPM) | fieldBit(fdLyricsFile) | fieldBit(fdAudioFile);

quint64 settable(TLevel level)
{
    switch (level) {
    case TLevel::Album:
        return kAlbumSettable;
    case TLevel::Disc:
        return kTrackLevelSettable | fieldBit(fdMsDiscId) | fieldBit(fdCddbDiscId) |
               fieldBit(fdCddbRevision);
    case TLevel::Header:
        return kTrackLevelSettable;
    case TLevel::Track:
    case TLevel::SubTrack:
        return kTrackLevelSettable | fieldBit(fdLength);
    }
    return 0;
}

class TSourceBuilder
{
public:
    TSourceBuilder(TQelDb &db, const QString &jsonPath)
        : m_db(db), m_fileName(QFileInfo(jsonPath).fileName()),
          m_covers(QFileInfo(jsonPath).absoluteDir().filePath(QStringLiteral("covers"))),
          m_lyrics(QFileInfo(jsonPath).absoluteDir().filePath(QStringLiteral("lyrics")))
    {
    }

    void Build(const QByteArray &bytes);

private:
    [[noreturn]] void fail(const QString &what) const;
    QString where() const;

    void readLookups(const QJsonValue &value);
    void readAlbum(const QJsonObject &source, qsizetype place);
    void readItems(TDataItem *parent, TLevel parentLevel, const QJsonValue &value);
    void readTrackLevel(TCustomTrack *item, TLevel level, const QJsonObject &source);
    void setField(TDataItem *item, TLevel level, const QString &key, const QJsonValue &value);
    void setThumbnail(TAlbum *album);

    QString text(const QString &key, const QJsonValue &value) const;
    qint64 integer(const QString &key, const QJsonValue &value, qint64 max) const;
    double date(const QString &key, const QJsonValue &value) const;
    qint64 price(const QString &key, const QJsonValue &value) const;
    bool boolean(const QString &key, const QJsonValue &value) const;
    quint8 live(const QString &key, const QJsonValue &value) const;
    quint8 adCode(const QString &key, const QJsonValue &value) const;
    qint32 hexId(const QString &key, const QJsonValue &value) const;
    qint32 length(const QString &key, const QJsonValue &value) const;
    [[noreturn]] void badValue(const QString &key, const QJsonValue &value,
                               const QString &expected) const;

    TQelDb &m_db;
    QString m_fileName;
    QDir m_covers;
    QDir m_lyrics;
    QStringList m_path; // the album and items being read, for messages
};

QString quoted(const QString &s)
{
    return u'"' + s + u'"';
}

QString shown(const QJsonValue &value)
{
    if (value.isString())
        return quoted(value.toString());
    QJsonArray wrap{value};
    const QByteArray json = QJsonDocument(wrap).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(json.mid(1, json.size() - 2));
}

void TSourceBuilder::fail(const QString &what) const
{
    throw EQel(m_fileName + QStringLiteral(": ") + where() + what);
}

QString TSourceBuilder::where() const
{
    return m_path.isEmpty() ? QString() : m_path.join(QStringLiteral(", ")) + QStringLiteral(": ");
}

void TSourceBuilder::badValue(const QString &key, const QJsonValue &value,
                              const QString &expected) const
{
    fail(QStringLiteral("%1: %2 is not %3").arg(quoted(key), shown(value), expected));
}

void TSourceBuilder::Build(const QByteArray &bytes)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError) {
        const QByteArray before = bytes.left(error.offset);
        const qsizetype line = before.count('\n') + 1;
        const qsizetype column = error.offset - (before.lastIndexOf('\n') + 1) + 1;
        fail(QStringLiteral("not valid JSON at line %1, column %2: %3")
                 .arg(line)
                 .arg(column)
                 .arg(error.errorString()));
    }
    if (!doc.isObject())
        fail(QStringLiteral("the source must be a JSON object with \"albums\""));
    const QJsonObject root = doc.object();
    for (auto it = root.begin(); it != root.end(); ++it)
        if (it.key() != QLatin1String("lookups") && it.key() != QLatin1String("albums"))
            fail(QStringLiteral("unknown key %1 (expected \"lookups\" and \"albums\")")
                     .arg(quoted(it.key())));
    readLookups(root.value(QLatin1String("lookups")));

    const QJsonValue albums = root.value(QLatin1String("albums"));
    if (!albums.isArray())
        fail(QStringLiteral("\"albums\" must be an array of albums"));
    const QJsonArray list = albums.toArray();
    for (qsizetype i = 0; i < list.size(); ++i) {
        m_path = {QStringLiteral("album %1").arg(i + 1)};
        if (!list[i].isObject())
            fail(QStringLiteral("an album must be an object"));
        readAlbum(list[i].toObject(), i + 1);
    }
    m_path.clear();
}

void TSourceBuilder::readLookups(const QJsonValue &value)
{
    if (value.isUndefined())
        return;
    if (!value.isObject())
        fail(QStringLiteral("\"lookups\" must be an object keyed by lookup field"));
    const QJsonObject lookups = value.toObject();
    for (auto it = lookups.begin(); it != lookups.end(); ++it) {
        const TFieldId field = TQelFields::FieldByDefaultName(it.key());
        if (!IsLookupField(field))
            fail(QStringLiteral("lookups: %1 is not a lookup field").arg(quoted(it.key())));
        if (!it.value().isArray())
            fail(QStringLiteral("lookups: %1 must be an array of entries").arg(quoted(it.key())));
        TLookupList &list = m_db.LookupList(field);
        for (const QJsonValue &entry : it.value().toArray()) {
            QString sortName, displayName;
            if (entry.isString()) {
                sortName = entry.toString();
            } else if (entry.isObject()) {
                const QJsonObject o = entry.toObject();
                for (auto k = o.begin(); k != o.end(); ++k)
                    if (k.key() != QLatin1String("sort") && k.key() != QLatin1String("display"))
                        fail(QStringLiteral("lookups: %1: unknown key %2 (expected \"sort\" "
                                            "and \"display\")")
                                 .arg(quoted(it.key()), quoted(k.key())));
                sortName = o.value(QLatin1String("sort")).toString();
                displayName = o.value(QLatin1String("display")).toString();
            }
            if (sortName.isEmpty())
                fail(QStringLiteral("lookups: %1: %2 has no sort name")
                         .arg(quoted(it.key()), shown(entry)));
            list.FindOrCreate(sortName, displayName);
        }
    }
}

void TSourceBuilder::readAlbum(const QJsonObject &source, qsizetype place)
{
    const QString title = source.value(QLatin1String("Title")).toString();
    if (!title.isEmpty())
        m_path.last() += u' ' + quoted(title);

    // Owned here until complete, so a failure frees the half-built tree.
    auto album = std::make_unique<TAlbum>(&m_db);
    album->Index = qint32(place);
    album->Live = 2;
    for (auto it = source.begin(); it != source.end(); ++it)
        if (it.key() != QLatin1String("discs"))
            setField(album.get(), TLevel::Album, it.key(), it.value());

    const QJsonValue discs = source.value(QLatin1String("discs"));
    if (!discs.isArray() || discs.toArray().isEmpty())
        fail(QStringLiteral("an album needs \"discs\", an array of at least one disc"));
    readItems(album.get(), TLevel::Album, discs);
    setThumbnail(album.get());
    m_db.AddAlbum(album.release());
}

void TSourceBuilder::readItems(TDataItem *parent, TLevel parentLevel, const QJsonValue &value)
{
    if (!value.isArray())
        fail(QStringLiteral("\"items\" must be an array"));
    const QJsonArray list = value.toArray();
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (!list[i].isObject())
            fail(QStringLiteral("item %1 must be an object").arg(i + 1));
        const QJsonObject source = list[i].toObject();

        TLevel level;
        const QJsonValue kind = source.value(QLatin1String("kind"));
        if (parentLevel == TLevel::Album) {
            level = TLevel::Disc;
        } else if (kind.isUndefined()) {
            level = parentLevel == TLevel::Track ? TLevel::SubTrack : TLevel::Track;
        } else if (kind.toString() == QLatin1String("header")) {
            level = TLevel::Header;
        } else if (kind.toString() == QLatin1String("track")) {
            level = TLevel::Track;
        } else if (kind.toString() == QLatin1String("subtrack")) {
            level = TLevel::SubTrack;
        } else {
            fail(QStringLiteral("item %1: unknown kind %2 (header, track or subtrack)")
                     .arg(i + 1)
                     .arg(shown(kind)));
        }
        // The nesting the album editor allows: disc > header > track > subtrack,
        // with headers optional.
        const bool fits =
            (parentLevel == TLevel::Disc && (level == TLevel::Header || level == TLevel::Track)) ||
            (parentLevel == TLevel::Header && level == TLevel::Track) ||
            (parentLevel == TLevel::Track && level == TLevel::SubTrack) ||
            parentLevel == TLevel::Album;
        if (!fits)
            fail(QStringLiteral("a %1 cannot hold a %2")
                     .arg(levelName(parentLevel), levelName(level)));

        TCustomTrack *item;
        if (level == TLevel::Disc)
            item = new TDisc(parent);
        else if (level == TLevel::Header)
            item = new THeader(parent);
        else if (level == TLevel::Track)
            item = new TTrack(parent);
        else
            item = new TSubTrack(parent);
        parent->Add(item);
        item->Index = qint32(i + 1);

        QString step = QStringLiteral("%1 %2").arg(levelName(level)).arg(i + 1);
        const QString title = source.value(QLatin1String("Title")).toString();
        if (!title.isEmpty())
            step += u' ' + quoted(title);
        m_path.append(step);
        readTrackLevel(item, level, source);
        m_path.removeLast();
    }
}

void TSourceBuilder::readTrackLevel(TCustomTrack *item, TLevel level, const QJsonObject &source)
{
    item->Live = 2;
    for (auto it = source.begin(); it != source.end(); ++it) {
        if (it.key() == QLatin1String("items")) {
            if (level == TLevel::SubTrack)
                fail(QStringLiteral("a subtrack cannot hold items"));
            continue;
        }
        if (it.key() == QLatin1String("kind") && level != TLevel::Disc)
            continue;
        setField(item, level, it.key(), it.value());
    }
    const QJsonValue items = source.value(QLatin1String("items"));
    if (!items.isUndefined())
        readItems(item, level, items);

    // A track keeps a length of its own (it is what a CD holds); one given as its
    // movements takes their sum.
    if (level == TLevel::Track && !source.contains(QLatin1String("Length"))) {
        qint64 total = 0;
        for (const TDataItem *child : item->Children)
            total += child->TotalLength();
        item->SetLength(ClampedLength(total));
    }

    if (level == TLevel::Disc) {
        auto *disc = static_cast<TDisc *>(item);
        disc->RebuildTrackList();
        for (qsizetype p = 0; p < disc->TrackCount(); ++p)
            disc->Track(p)->Position = qint32(p + 1);
    }
}

void TSourceBuilder::setField(TDataItem *item, TLevel level, const QString &key,
                              const QJsonValue &value)
{
    const TFieldId field = TQelFields::FieldByDefaultName(key);
    if (field == fdNone)
        fail(QStringLiteral("unknown field %1").arg(quoted(key)));
    const quint64 bit = fieldBit(field);
    if (!(settable(level) & bit)) {
        const bool carried = !((level == TLevel::Album ? kTrackOnly : kAlbumOnly) & bit);
        if (carried)
            fail(QStringLiteral("the field %1 cannot be given on a %2: it is worked out")
                     .arg(quoted(key), levelName(level)));
        fail(QStringLiteral("a %1 does not carry the field %2").arg(levelName(level), quoted(key)));
    }

    if (IsLookupField(field)) {
        item->setLookupItem(field, m_db.LookupList(field).GetOrAdd(text(key, value)));
        return;
    }
    auto *album = level == TLevel::Album ? static_cast<TAlbum *>(item) : nullptr;
    auto *track = level == TLevel::Album ? nullptr : static_cast<TCustomTrack *>(item);
    switch (field) {
    case fdTitle:
        item->Title = text(key, value);
        break;
    case fdYear:
        item->Year = text(key, value);
        break;
    case fdComments: {
        QString lines;
        if (value.isArray()) {
            QStringList parts;
            for (const QJsonValue &line : value.toArray())
                parts << text(key, line);
            lines = parts.join(QStringLiteral("\r\n"));
        } else {
            lines = text(key, value);
            lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            lines.replace(u'\n', QStringLiteral("\r\n"));
        }
        item->Comments = lines;
        break;
    }
    case fdRating:
        item->Rating = quint8(integer(key, value, 100));
        break;
    case fdLive:
        item->Live = live(key, value);
        break;
    case fdIndex:
        item->Index = qint32(integer(key, value, 0x7FFFFFFF));
        break;
    case fdSoloists:
        album->Soloists = text(key, value);
        break;
    case fdTourName:
        album->TourName = text(key, value);
        break;
    case fdRecordingDate:
        album->RecordingDate = date(key, value);
        break;
    case fdPurchaseDate:
        album->PurchaseDate = date(key, value);
        break;
    case fdAD:
        album->AD = adCode(key, value);
        break;
    case fdMono:
        album->Mono = boolean(key, value);
        break;
    case fdRare:
        album->Rare = boolean(key, value);
        break;
    case fdInCollection:
        album->InCollection = boolean(key, value);
        break;
    case fdNumber:
        album->Number = text(key, value);
        break;
    case fdLocation:
        album->Location = text(key, value);
        break;
    case fdPrice:
        album->Price = price(key, value);
        break;
    case fdAlbumText1:
        album->AlbumText1 = text(key, value);
        break;
    case fdAlbumText2:
        album->AlbumText2 = text(key, value);
        break;
    case fdCoverFile:
        album->CoverFile = text(key, value);
        break;
    case fdTrackText1:
        track->TrackText1 = text(key, value);
        break;
    case fdBPM:
        track->BPM = qint32(integer(key, value, 1000));
        break;
    case fdLyricsFile: {
        const QString name = text(key, value);
        if (!name.isEmpty() && !QFileInfo(m_lyrics.filePath(name)).isFile())
            fail(QStringLiteral("lyrics file %1 not found in %2")
                     .arg(quoted(name), QDir::toNativeSeparators(m_lyrics.path())));
        track->LyricsFile = name;
        break;
    }
    case fdAudioFile:
        track->AudioFile = text(key, value);
        break;
    case fdMsDiscId:
        static_cast<TDisc *>(item)->MsDiscId = hexId(key, value);
        break;
    case fdCddbDiscId:
        static_cast<TDisc *>(item)->CddbDiscId = hexId(key, value);
        break;
    case fdCddbRevision:
        static_cast<TDisc *>(item)->CddbRevision = qint32(integer(key, value, 0x7FFFFFFF));
        break;
    case fdLength:
        item->SetLength(length(key, value));
        break;
    default:
        fail(QStringLiteral("the field %1 cannot be given").arg(quoted(key)));
    }
}

void TSourceBuilder::setThumbnail(TAlbum *album)
{
    if (album->CoverFile.isEmpty())
        return;
    const QString path = m_covers.filePath(album->CoverFile);
    if (!QFileInfo(path).isFile())
        fail(QStringLiteral("cover picture %1 not found in %2")
                 .arg(quoted(album->CoverFile), QDir::toNativeSeparators(m_covers.path())));
    // The cover loader of the editors: a picture they would refuse (cut short, damaged,
    // too large) is refused here too.
    const QImage thumbnail = MakeCoverThumbnail(path);
    if (thumbnail.isNull())
        fail(QStringLiteral("cover picture %1 cannot be read: it is damaged, cut short, too "
                            "large or no JPEG, BMP, GIF or PNG picture")
                 .arg(quoted(album->CoverFile)));
    album->SetThumbnail(&thumbnail);
}

QString TSourceBuilder::text(const QString &key, const QJsonValue &value) const
{
    if (!value.isString())
        badValue(key, value, QStringLiteral("a text in quotes"));
    return value.toString();
}

qint64 TSourceBuilder::integer(const QString &key, const QJsonValue &value, qint64 max) const
{
    const QString expected = QStringLiteral("a whole number from 0 to %1").arg(max);
    qint64 n = -1;
    if (value.isDouble()) {
        const double d = value.toDouble();
        if (d == std::floor(d) && d >= 0 && d <= double(max))
            n = qint64(d);
    } else if (value.isString()) {
        static const QRegularExpression digits(QStringLiteral("^\\d{1,10}$"));
        if (digits.match(value.toString()).hasMatch())
            n = value.toString().toLongLong();
    }
    if (n < 0 || n > max)
        badValue(key, value, expected);
    return n;
}

double TSourceBuilder::date(const QString &key, const QJsonValue &value) const
{
    static const QRegularExpression form(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
    const QString s = text(key, value);
    if (s.isEmpty())
        return 0;
    const QDate d = QDate::fromString(s, Qt::ISODate);
    if (!form.match(s).hasMatch() || !d.isValid())
        badValue(key, value, QStringLiteral("a date (yyyy-mm-dd)"));
    return DaysFromDate(d);
}

qint64 TSourceBuilder::price(const QString &key, const QJsonValue &value) const
{
    // Amounts are kept times 10000; read the decimals exactly rather than through a double.
    static const QRegularExpression form(QStringLiteral("^(\\d{1,9})(?:\\.(\\d{1,4}))?$"));
    const QRegularExpressionMatch m = value.isString()
                                          ? form.match(value.toString())
                                          : form.match(QString::number(value.toDouble(), 'f', 4));
    if (!(value.isString() || value.isDouble()) || !m.hasMatch())
        badValue(key, value, QStringLiteral("an amount such as \"12.50\""));
    const QString decimals = m.captured(2).leftJustified(4, u'0');
    return m.captured(1).toLongLong() * 10000 + decimals.toLongLong();
}

bool TSourceBuilder::boolean(const QString &key, const QJsonValue &value) const
{
    if (!value.isBool())
        badValue(key, value, QStringLiteral("true or false"));
    return value.toBool();
}

quint8 TSourceBuilder::live(const QString &key, const QJsonValue &value) const
{
    const QString s = value.toString();
    if (s == QLatin1String("no"))
        return 0;
    if (s == QLatin1String("yes"))
        return 1;
    if (s == QLatin1String("undecided"))
        return 2;
    badValue(key, value, QStringLiteral("\"yes\", \"no\" or \"undecided\""));
}

quint8 TSourceBuilder::adCode(const QString &key, const QJsonValue &value) const
{
    const QString s = value.toString();
    for (quint8 code = 0; code < std::size(ADNames); ++code)
        if (s == QLatin1String(ADNames[code]))
            return code;
    badValue(key, value, QStringLiteral("one of AAD, ADD, DAD, DDD, N/A"));
}

qint32 TSourceBuilder::hexId(const QString &key, const QJsonValue &value) const
{
    static const QRegularExpression form(QStringLiteral("^[0-9A-Fa-f]{1,8}$"));
    if (!value.isString() || !form.match(value.toString()).hasMatch())
        badValue(key, value, QStringLiteral("a hexadecimal number of up to 8 digits"));
    return qint32(value.toString().toUInt(nullptr, 16));
}

qint32 TSourceBuilder::length(const QString &key, const QJsonValue &value) const
{
    static const QRegularExpression form(QStringLiteral("^(\\d{1,3}):([0-5]\\d)$"));
    const QRegularExpressionMatch m = form.match(value.toString());
    if (!value.isString() || !m.hasMatch())
        badValue(key, value, QStringLiteral("a length (mm:ss)"));
    return m.captured(1).toInt() * 60 + m.captured(2).toInt();
}

} // namespace

void BuildCollectionFromSource(TQelDb &db, const QString &jsonPath)
{
    QFile file(jsonPath);
    if (!file.exists())
        throw EQel(QStringLiteral("The file \"%1\" was not found").arg(jsonPath));
    if (!file.open(QIODevice::ReadOnly))
        throw EQel(QStringLiteral("Cannot read \"%1\": %2").arg(jsonPath, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EQel(QStringLiteral("Cannot read \"%1\": %2").arg(jsonPath, file.errorString()));
    TSourceBuilder(db, jsonPath).Build(bytes);
}
