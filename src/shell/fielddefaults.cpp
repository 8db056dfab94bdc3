#include "shell/fielddefaults.h"

#include "model/album.h"
#include "model/qeldb.h"
#include "model/valueformat.h"
#include "shell/settingsstore.h"

#include <QDateTime>

#include <cmath>

namespace {

const QString sDefaults = QStringLiteral("Defaults");

quint8 readByte(const TSettingsStore &settings, const QString &name, quint8 def)
{
    return quint8(settings.ReadInteger(sDefaults, name, def) & 0xFF);
}

// The stored price is an amount in currency units; the program holds it times 10000.
// An amount too large for that is taken as absent.
qint64 readPrice(const TSettingsStore &settings, qint64 def)
{
    const double scaled = std::nearbyint(
        settings.ReadFloat(sDefaults, QStringLiteral("PurchasePrice"), double(def) / 10000) *
        10000);
    if (!(std::fabs(scaled) < 9.2e18))
        return def;
    return qint64(scaled);
}

TLookupItem *entryNamed(TQelDb &db, TFieldId field, const QString &name)
{
    return name.isEmpty() ? nullptr : db.LookupList(field).GetOrAdd(name);
}

} // namespace

void TFieldDefaults::Load(const TSettingsStore &settings)
{
    const TFieldDefaults initial;
    Year = settings.ReadString(sDefaults, QStringLiteral("Year"), initial.Year);
    Store = settings.ReadString(sDefaults, QStringLiteral("Store"), initial.Store);
    Owner = settings.ReadString(sDefaults, QStringLiteral("Owner"), initial.Owner);
    Genre = settings.ReadString(sDefaults, QStringLiteral("Genre"), initial.Genre);
    FormatString =
        settings.ReadString(sDefaults, QStringLiteral("FormatString"), initial.FormatString);
    UseNowAsPurchaseDate = settings.ReadBool(sDefaults, QStringLiteral("UseNowAsPurchaseDate"),
                                             initial.UseNowAsPurchaseDate);
    AD = readByte(settings, QStringLiteral("AD"), initial.AD);
    Mono = settings.ReadBool(sDefaults, QStringLiteral("Mono"), initial.Mono);
    Live = readByte(settings, QStringLiteral("Live"), initial.Live);
    Rating = readByte(settings, QStringLiteral("Rating"), initial.Rating);
    InCollection =
        settings.ReadBool(sDefaults, QStringLiteral("InCollection"), initial.InCollection);
    PurchasePrice = readPrice(settings, initial.PurchasePrice);
}

void TFieldDefaults::Save(TSettingsStore &settings) const
{
    settings.WriteString(sDefaults, QStringLiteral("Year"), Year);
    settings.WriteString(sDefaults, QStringLiteral("Store"), Store);
    settings.WriteString(sDefaults, QStringLiteral("Owner"), Owner);
    settings.WriteString(sDefaults, QStringLiteral("Genre"), Genre);
    settings.WriteString(sDefaults, QStringLiteral("FormatString"), FormatString);
    settings.WriteBool(sDefaults, QStringLiteral("UseNowAsPurchaseDate"), UseNowAsPurchaseDate);
    settings.WriteInteger(sDefaults, QStringLiteral("AD"), AD);
    settings.WriteBool(sDefaults, QStringLiteral("Mono"), Mono);
    settings.WriteInteger(sDefaults, QStringLiteral("Live"), Live);
    settings.WriteInteger(sDefaults, QStringLiteral("Rating"), Rating);
    settings.WriteBool(sDefaults, QStringLiteral("InCollection"), InCollection);
    settings.WriteFloat(sDefaults, QStringLiteral("PurchasePrice"), double(PurchasePrice) / 10000);
}

void TFieldDefaults::ApplyTo(TAlbum &album, TQelDb &db) const
{
    album.Year = Year;

    album.Store = entryNamed(db, fdStore, Store);
    album.Owner = entryNamed(db, fdOwner, Owner);
    album.Genre = entryNamed(db, fdGenre, Genre);
    album.Format = entryNamed(db, fdFormat, FormatString);

    if (UseNowAsPurchaseDate)
        album.PurchaseDate = DaysFromDateTime(QDateTime::currentDateTime());

    album.Price = PurchasePrice;
    album.AD = AD;
    album.Mono = Mono;
    album.Live = Live;
    album.Rating = Rating;
    album.InCollection = InCollection;
}

bool TFieldDefaults::FollowMerge(TFieldId field, TQelDb &db,
                                 const std::unordered_set<const TLookupItem *> &merged,
                                 const TLookupItem *keep)
{
    QString *name = nullptr;
    switch (field) {
    case fdStore:
        name = &Store;
        break;
    case fdOwner:
        name = &Owner;
        break;
    case fdGenre:
        name = &Genre;
        break;
    case fdFormat:
        name = &FormatString;
        break;
    default:
        return false;
    }
    // Found as ApplyTo finds it.
    const TLookupItem *named = db.LookupList(field).FindByName(*name);
    if (!keep || !named || !merged.count(named))
        return false;
    *name = keep->SortName;
    return true;
}
