#include "model/bulkchange.h"

#include "model/album.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "model/valueformat.h"

#include <QDate>
#include <QLocale>
#include <algorithm>
#include <cmath>
#include <unordered_set>

namespace {

// In the order of the album editor's tabs: Main, Recording, Personal, Comments, User Defined.
const std::vector<TFieldId> kAlbumFields = {
    fdTitle,      fdArtist,        fdConductor,    fdOrchestra,    fdSoloists, fdLabel,  fdYear,
    fdFormat,     fdNumber,        fdIndex,        fdInCollection, fdRare,     fdStudio, fdProducer,
    fdEngineer,   fdRecordingDate, fdTourName,     fdMono,         fdLive,     fdAD,     fdGenre,
    fdOwner,      fdLocation,      fdPurchaseDate, fdPrice,        fdStore,    fdRating, fdComments,
    fdAlbumText1, fdAlbumText2,    fdAlbumLookup1, fdAlbumLookup2,
};

// In the order of the track editor's pages: Main, Recording, Personal.
const std::vector<TFieldId> kTrackFields = {
    fdTitle,      fdArtist,   fdSongwriter, fdConductor,    fdOrchestra, fdYear,
    fdProducer,   fdEngineer, fdStudio,     fdBPM,          fdLive,      fdGenre,
    fdTrackText1, fdRating,   fdComments,   fdTrackLookup1,
};

// The ranges the editors' controls allow.
constexpr qint64 kMaxIndex = 99999;
constexpr qint64 kMaxBPM = 1000;
constexpr qint64 kMaxRating = 100;

template <class T, class V> bool assign(T &slot, V value)
{
    if (slot == T(value))
        return false;
    slot = T(value);
    return true;
}

bool assignText(TText &slot, const QString &value)
{
    if (slot == QStringView(value))
        return false;
    slot = value;
    return true;
}

// The item's own entry of a lookup field (not the one it shows from its parent).
TLookupItem **lookupSlot(TDataItem &item, TFieldId field)
{
    switch (field) {
    case fdArtist:
        return &item.Artist;
    case fdGenre:
        return &item.Genre;
    case fdStudio:
        return &item.Studio;
    case fdProducer:
        return &item.Producer;
    case fdEngineer:
        return &item.Engineer;
    case fdConductor:
        return &item.Conductor;
    case fdOrchestra:
        return &item.Orchestra;
    default:
        break;
    }
    if (item.Kind() == TItemKind::Album) {
        auto &a = static_cast<TAlbum &>(item);
        switch (field) {
        case fdLabel:
            return &a.Label;
        case fdStore:
            return &a.Store;
        case fdOwner:
            return &a.Owner;
        case fdFormat:
            return &a.Format;
        case fdAlbumLookup1:
            return &a.AlbumLookup1;
        case fdAlbumLookup2:
            return &a.AlbumLookup2;
        default:
            return nullptr;
        }
    }
    auto &t = static_cast<TCustomTrack &>(item);
    switch (field) {
    case fdSongwriter:
        return &t.Songwriter;
    case fdTrackLookup1:
        return &t.TrackLookup1;
    default:
        return nullptr;
    }
}

bool setAlbumValue(TAlbum &a, const TFieldValue &v)
{
    switch (v.Field) {
    case fdSoloists:
        return assignText(a.Soloists, v.Text);
    case fdTourName:
        return assignText(a.TourName, v.Text);
    case fdNumber:
        return assignText(a.Number, v.Text);
    case fdLocation:
        return assignText(a.Location, v.Text);
    case fdAlbumText1:
        return assignText(a.AlbumText1, v.Text);
    case fdAlbumText2:
        return assignText(a.AlbumText2, v.Text);
    case fdIndex:
        return assign(a.Index, qint32(v.Number));
    case fdInCollection:
        return assign(a.InCollection, v.Number != 0);
    case fdRare:
        return assign(a.Rare, v.Number != 0);
    case fdMono:
        return assign(a.Mono, v.Number != 0);
    case fdAD:
        return assign(a.AD, quint8(v.Number));
    case fdRecordingDate:
        return assign(a.RecordingDate, v.Date);
    case fdPurchaseDate:
        return assign(a.PurchaseDate, v.Date);
    case fdPrice:
        return assign(a.Price, v.Number);
    default:
        return false;
    }
}

bool setTrackValue(TCustomTrack &t, const TFieldValue &v)
{
    switch (v.Field) {
    case fdTrackText1:
        return assignText(t.TrackText1, v.Text);
    case fdBPM:
        return assign(t.BPM, qint32(v.Number));
    default:
        return false;
    }
}

// Sets one value on one item; entry is the lookup entry of a lookup field's name.
bool setValue(TDataItem &item, const TFieldValue &v, TLookupItem *entry)
{
    switch (v.Field) {
    case fdTitle:
        return assignText(item.Title, v.Text);
    case fdYear:
        return assignText(item.Year, v.Text);
    case fdComments:
        return assignText(item.Comments, v.Text);
    case fdRating:
        return assign(item.Rating, quint8(v.Number));
    case fdLive:
        return assign(item.Live, quint8(v.Number));
    default:
        break;
    }
    if (TLookupItem **slot = lookupSlot(item, v.Field))
        return assign(*slot, entry);
    if (item.Kind() == TItemKind::Album)
        return setAlbumValue(static_cast<TAlbum &>(item), v);
    return setTrackValue(static_cast<TCustomTrack &>(item), v);
}

QString levelWord(TItemLevel level)
{
    return level == ilAlbum ? QStringLiteral("albums") : QStringLiteral("tracks");
}

bool wholeNumber(const QString &text, qint64 max, qint64 &number)
{
    if (text.trimmed().isEmpty()) {
        number = 0;
        return true;
    }
    bool ok = false;
    number = text.trimmed().toLongLong(&ok);
    return ok && number >= 0 && number <= max;
}

} // namespace

const std::vector<TFieldId> &TBulkChange::Fields(TItemLevel level)
{
    return level == ilAlbum ? kAlbumFields : kTrackFields;
}

bool TBulkChange::CanChange(TItemLevel level, TFieldId field)
{
    const std::vector<TFieldId> &fields = Fields(level);
    return std::find(fields.begin(), fields.end(), field) != fields.end();
}

QString TBulkChange::AlbumComments(const QString &plainText)
{
    if (plainText.isEmpty())
        return {};
    QString stored;
    for (QStringView line : QStringView(plainText).split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        stored += line;
        stored += QStringLiteral("\r\n");
    }
    return stored;
}

bool TBulkChange::ParseValue(TItemLevel level, TFieldId field, const QString &text,
                             TFieldValue &value, QString &why)
{
    const QString name = TQelFields::GetDefaultName(field);
    if (!CanChange(level, field)) {
        why = QStringLiteral("\"%1\" is not a field that can be set on %2")
                  .arg(name, levelWord(level));
        return false;
    }
    value = TFieldValue();
    value.Field = field;
    const QString lower = text.trimmed().toLower();
    switch (field) {
    case fdYear:
        // The editors take up to four digits.
        if (text.size() > 4 ||
            std::any_of(text.begin(), text.end(), [](QChar c) { return c < u'0' || c > u'9'; })) {
            why = QStringLiteral("\"%1\" is no year: up to four digits").arg(text);
            return false;
        }
        value.Text = text;
        return true;
    case fdComments:
        value.Text = level == ilAlbum ? AlbumComments(text) : text;
        return true;
    case fdAD:
        for (int code = 0; code < 5; ++code)
            if (lower == QString::fromLatin1(ADNames[code]).toLower()) {
                value.Number = code;
                return true;
            }
        why = QStringLiteral("\"%1\" is no A/D value: use AAD, ADD, DAD, DDD or N/A").arg(text);
        return false;
    case fdIndex:
    case fdBPM:
    case fdRating: {
        const qint64 max = field == fdIndex ? kMaxIndex : field == fdBPM ? kMaxBPM : kMaxRating;
        if (!wholeNumber(text, max, value.Number)) {
            why = QStringLiteral("\"%1\" is no value of \"%2\": a whole number from 0 to %3")
                      .arg(text, name)
                      .arg(max);
            return false;
        }
        return true;
    }
    case fdRecordingDate:
    case fdPurchaseDate: {
        if (text.trimmed().isEmpty())
            return true;
        const QDate date = QDate::fromString(text.trimmed(), QStringLiteral("yyyy-MM-dd"));
        if (!date.isValid() || DaysFromDate(date) <= 0) {
            why = QStringLiteral("\"%1\" is no date: use yyyy-mm-dd").arg(text);
            return false;
        }
        value.Date = DaysFromDate(date);
        return true;
    }
    case fdPrice: {
        if (text.trimmed().isEmpty())
            return true;
        bool ok = false;
        const double amount = QLocale::c().toDouble(text.trimmed(), &ok);
        // The amount times 10000 must fit the 64 bits it is kept in.
        if (!ok || !std::isfinite(amount) || std::fabs(amount) > 9e14) {
            why = QStringLiteral("\"%1\" is no price: use a number such as 12.50").arg(text);
            return false;
        }
        value.Number = std::llround(amount * 10000);
        return true;
    }
    case fdMono:
    case fdInCollection:
    case fdRare:
    case fdLive: {
        const bool mono = field == fdMono;
        if (lower == QStringLiteral("yes") || (mono && lower == QStringLiteral("mono")))
            value.Number = 1;
        else if (lower == QStringLiteral("no") || (mono && lower == QStringLiteral("stereo")))
            value.Number = 0;
        else if (field == fdLive && lower == QStringLiteral("undecided"))
            value.Number = 2;
        else {
            why = QStringLiteral("\"%1\" is no value of \"%2\": use %3")
                      .arg(text, name,
                           field == fdLive ? QStringLiteral("yes, no or undecided")
                           : mono          ? QStringLiteral("yes (mono) or no (stereo)")
                                           : QStringLiteral("yes or no"));
            return false;
        }
        return true;
    }
    default:
        // Texts and lookup names.
        value.Text = text;
        return true;
    }
}

void TBulkChange::Set(const TFieldValue &value)
{
    for (TFieldValue &v : m_values)
        if (v.Field == value.Field) {
            v = value;
            return;
        }
    m_values.push_back(value);
}

TBulkResult TBulkChange::Apply(TQelDb &db, const std::vector<TDataItem *> &items) const
{
    TBulkResult result;
    if (items.empty() || m_values.empty())
        return result;
    // Each name is looked up (or added) once, whatever the number of items.
    std::vector<TLookupItem *> entries(m_values.size(), nullptr);
    std::vector<char> ofAlbums(m_values.size()), ofTracks(m_values.size());
    for (std::size_t i = 0; i < m_values.size(); ++i) {
        const TFieldId field = m_values[i].Field;
        if (IsLookupField(field))
            entries[i] = db.LookupList(field).GetOrAdd(m_values[i].Text);
        ofAlbums[i] = CanChange(ilAlbum, field);
        ofTracks[i] = CanChange(ilTrack, field);
    }

    std::unordered_set<const TAlbum *> albums;
    for (TDataItem *item : items) {
        if (!item)
            continue;
        const std::vector<char> &ofLevel = item->IsTrackLevel() ? ofTracks : ofAlbums;
        bool changed = false;
        for (std::size_t i = 0; i < m_values.size(); ++i)
            if (ofLevel[i])
                changed = setValue(*item, m_values[i], entries[i]) || changed;
        if (!changed)
            continue;
        ++result.Items;
        if (albums.insert(item->GetAlbum()).second)
            db.MarkChanged(item);
    }
    result.Albums = qsizetype(albums.size());
    return result;
}
