#include "model/collectiongenerator.h"

#include "model/qeldb.h"
#include "model/tracks.h"

#include <QHash>
#include <QImage>
#include <random>

namespace {

class TRandom
{
public:
    explicit TRandom(quint32 seed) : m_engine(seed) {}
    // Uniform in [lo, hi]; the modulo keeps the sequence the same on every library.
    int Range(int lo, int hi)
    {
        return int(lo + qint64(m_engine() % quint64(qint64(hi) - lo + 1)));
    }
    bool Chance(int percent) { return Range(1, 100) <= percent; }
    template <class T, std::size_t N> const T &Pick(const T (&items)[N])
    {
        return items[std::size_t(Range(0, int(N) - 1))];
    }

private:
    std::mt19937 m_engine;
};

const char16_t *const kFirst[] = {
    u"Mara", u"Jonas", u"Elif",  u"Tomas",  u"Ines",   u"Kai",  u"Lena",  u"Oskar",
    u"Noor", u"Felix", u"Ada",   u"Ruben",  u"Sanne",  u"Milo", u"Greta", u"Anouk",
    u"Béla", u"Zoë",   u"Søren", u"Jürgen", u"Łucja",  u"Ödön", u"Chloé", u"Dmitri",
    u"Yuki", u"Amara", u"Pablo", u"Ilse",   u"Teodor", u"Vera", u"Hugo",  u"Linnea",
};
const char16_t *const kLast[] = {
    u"Kestrel", u"Varga",    u"Lindqvist",  u"Moreau",   u"Okafor",   u"Brandt",   u"Castillo",
    u"Novák",   u"Halloran", u"Østergaard", u"Quintero", u"Weiß",     u"Ferreira", u"Albescu",
    u"Marsh",   u"Thorne",   u"Delacroix",  u"Nakamura", u"Petrović", u"Åberg",    u"Sólyom",
    u"Renner",  u"Vale",     u"Ashdown",    u"Brook",    u"Crane",    u"Dunmore",  u"Ellery",
};
const char16_t *const kWords[] = {
    u"Lantern", u"River",   u"Glass",  u"Echo",      u"Harbour", u"Winter",   u"Velvet",
    u"Signal",  u"Orchard", u"Copper", u"Meridian",  u"Hollow",  u"Static",   u"Paper",
    u"Ember",   u"Tide",    u"Cinder", u"Northern",  u"Quiet",   u"Electric", u"Golden",
    u"Fjäll",   u"Café",    u"Mirror", u"Satellite", u"Drift",   u"Thunder",  u"Saudade",
    u"Night",   u"Morning", u"Garden", u"Machine",   u"Season",  u"Atlas",    u"Ferris",
};
const char16_t *const kGenres[] = {
    u"Rock",  u"Pop",    u"Jazz",       u"Classical", u"Blues",   u"Folk",  u"Electronic",
    u"Soul",  u"Reggae", u"Country",    u"Hip-Hop",   u"Ambient", u"Metal", u"Chanson",
    u"Latin", u"Funk",   u"Soundtrack", u"World",     u"Punk",    u"Opera", u"Gospel",
};
const char16_t *const kFormats[] = {
    u"CD",       u"CD",       u"CD",  u"CD",  u"CD",     u"CD",        u"LP",  u"LP",
    u"Cassette", u"MiniDisc", u"MP3", u"MP3", u"7-inch", u"CD Single", u"DVD", u"10-inch"};
const char16_t *const kMovements[] = {u"Allegro", u"Adagio", u"Scherzo",  u"Presto",
                                      u"Andante", u"Largo",  u"Menuetto", u"Finale"};

// Lookups by name go through a hash while generating: the lists' own searches
// collate, which is far too slow for a million calls.
QHash<QPair<const void *, QString>, TLookupItem *> *g_cache = nullptr;

TLookupItem *entry(TLookupList &list, const QString &sortName, const QString &displayName)
{
    TLookupItem *&slot = (*g_cache)[qMakePair(static_cast<const void *>(&list), sortName)];
    if (!slot)
        slot = list.FindOrCreate(sortName, displayName);
    return slot;
}

QString word(TRandom &r)
{
    return QString::fromUtf16(r.Pick(kWords));
}

QString title(TRandom &r, int minWords, int maxWords)
{
    QStringList parts;
    const int n = r.Range(minWords, maxWords);
    for (int i = 0; i < n; ++i)
        parts << word(r);
    if (r.Chance(3))
        parts << QStringLiteral("— Ωmega"); // outside cp1252: written as references
    return parts.join(u' ');
}

TLookupItem *person(TLookupList &list, TRandom &r, int pool)
{
    const int n = r.Range(0, pool - 1);
    const QString first = QString::fromUtf16(kFirst[n % std::size(kFirst)]);
    const QString last = QString::fromUtf16(kLast[(n / std::size(kFirst)) % std::size(kLast)]);
    const QString suffix =
        n >= int(std::size(kFirst) * std::size(kLast))
            ? QStringLiteral(" %1").arg(n / int(std::size(kFirst) * std::size(kLast)))
            : QString();
    return entry(list, last + QStringLiteral(", ") + first + suffix, first + u' ' + last + suffix);
}

TLookupItem *band(TLookupList &list, TRandom &r, int pool)
{
    const int n = r.Range(0, pool - 1);
    const QString a = QString::fromUtf16(kWords[n % std::size(kWords)]);
    const QString b = QString::fromUtf16(kWords[(n / std::size(kWords)) % std::size(kWords)]);
    const QString num =
        n >= int(std::size(kWords) * std::size(kWords))
            ? QStringLiteral(" %1").arg(n / int(std::size(kWords) * std::size(kWords)))
            : QString();
    return entry(list, a + u' ' + b + QStringLiteral("s, The") + num,
                 QStringLiteral("The ") + a + u' ' + b + u's' + num);
}

TLookupItem *named(TLookupList &list, const QString &prefix, TRandom &r, int pool)
{
    return entry(list, QStringLiteral("%1 %2").arg(prefix).arg(r.Range(1, pool)), QString());
}

QImage thumbnail(TRandom &r)
{
    QImage img(32, 32, QImage::Format_RGB888);
    const int a = r.Range(0, 255), b = r.Range(0, 255), c = r.Range(0, 255);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            img.setPixel(x, y, qRgb((a + x * 7) & 255, (b + y * 5) & 255, (c + x * y) & 255));
    return img;
}

template <class T> T *child(TDataItem *parent)
{
    auto *item = new T(parent);
    parent->Add(item);
    item->Index = qint32(parent->Count());
    return item;
}

} // namespace

void GenerateCollection(TQelDb &db, int albums, quint32 seed)
{
    TRandom r(seed);
    QHash<QPair<const void *, QString>, TLookupItem *> cache;
    g_cache = &cache;
    const int artistPool = std::max(20, albums / 30);
    TLookupList &artists = db.LookupList(fdArtist);
    TLookupList &genres = db.LookupList(fdGenre);
    TLookupList &labels = db.LookupList(fdLabel);
    TLookupList &formats = db.LookupList(fdFormat);

    for (int i = 0; i < albums; ++i) {
        auto *album = new TAlbum(&db);
        album->Index = i + 1;
        album->Title = title(r, 1, 4);
        album->Year = QString::number(r.Range(1955, 2025));
        album->Artist =
            r.Chance(50) ? person(artists, r, artistPool) : band(artists, r, artistPool);
        album->Genre = entry(genres, QString::fromUtf16(r.Pick(kGenres)), QString());
        album->Format = entry(formats, QString::fromUtf16(r.Pick(kFormats)), QString());
        album->Label = named(labels, QStringLiteral("Label"), r, std::max(10, albums / 100));
        album->Owner =
            r.Chance(30) ? named(db.LookupList(fdOwner), QStringLiteral("Owner"), r, 3) : nullptr;
        album->Store =
            r.Chance(60) ? named(db.LookupList(fdStore), QStringLiteral("Store"), r, 50) : nullptr;
        if (r.Chance(20))
            album->Producer = person(db.LookupList(fdProducer), r, std::max(10, albums / 200));
        if (r.Chance(15))
            album->Engineer = person(db.LookupList(fdEngineer), r, std::max(10, albums / 200));
        if (r.Chance(15))
            album->Studio = named(db.LookupList(fdStudio), QStringLiteral("Studio"), r, 200);
        const bool classical = r.Chance(10);
        if (classical) {
            album->Conductor = person(db.LookupList(fdConductor), r, 200);
            album->Orchestra =
                named(db.LookupList(fdOrchestra), QStringLiteral("Orchestra"), r, 100);
            album->Soloists = QStringLiteral("%1 (violin)")
                                  .arg(LookupDisplayText(person(artists, r, artistPool)));
        }
        if (r.Chance(10))
            album->AlbumLookup1 =
                named(db.LookupList(fdAlbumLookup1), QStringLiteral("Box"), r, 20);
        album->Number = QStringLiteral("CAT-%1").arg(r.Range(1000, 99999));
        album->Location = QStringLiteral("Shelf %1").arg(r.Range(1, 40));
        album->PurchaseDate = r.Chance(70) ? double(r.Range(32874, 46000)) : 0.0; // 1990..2025
        album->RecordingDate = r.Chance(20) ? double(r.Range(20000, 46000)) : 0.0;
        album->Price = qint64(r.Range(500, 3000)) * 100;
        album->Rating = r.Chance(60) ? quint8(r.Range(1, 10) * 10) : 0;
        album->Live = quint8(r.Range(0, 2));
        album->AD = quint8(r.Range(0, 4));
        album->Mono = r.Chance(5);
        album->Rare = r.Chance(5);
        album->InCollection = !r.Chance(5);
        if (r.Chance(25))
            album->Comments =
                QStringLiteral("Bought at a fair.\r\nSleeve %1, disc very good.").arg(word(r));
        if (r.Chance(10)) {
            const QImage img = thumbnail(r);
            album->SetThumbnail(&img);
            album->CoverFile = QStringLiteral("cover%1.jpg").arg(i + 1);
        }
        db.AddAlbum(album);

        const int discCount = r.Chance(85) ? 1 : (r.Chance(80) ? 2 : 3);
        const bool compilation = r.Chance(10);
        for (int d = 0; d < discCount; ++d) {
            auto *disc = child<TDisc>(album);
            if (discCount > 1)
                disc->Title = QStringLiteral("Disc %1").arg(d + 1);
            const int trackCount = r.Range(7, 14);
            TDataItem *holder = disc;
            const bool headers = r.Chance(5);
            qint32 frame = 150;
            for (int t = 0; t < trackCount; ++t) {
                if (headers && (t == 0 || t == trackCount / 2)) {
                    holder = child<THeader>(disc);
                    holder->Title = QStringLiteral("Part %1").arg(t == 0 ? 1 : 2);
                }
                auto *track = child<TTrack>(holder);
                track->Title = title(r, 1, 3);
                track->Length = r.Range(60, 600);
                track->StartFrame = frame;
                frame += track->Length * 75;
                if (compilation)
                    track->Artist = r.Chance(50) ? person(artists, r, artistPool)
                                                 : band(artists, r, artistPool);
                if (r.Chance(5))
                    track->Songwriter =
                        person(db.LookupList(fdSongwriter), r, std::max(10, albums / 50));
                if (r.Chance(3))
                    track->LyricsFile = QStringLiteral("lyrics%1-%2.txt").arg(i + 1).arg(t + 1);
                if (r.Chance(10))
                    track->BPM = r.Range(60, 180);
                if (classical && r.Chance(30)) {
                    const int movements = r.Range(2, 4);
                    for (int m = 0; m < movements; ++m) {
                        auto *sub = child<TSubTrack>(track);
                        sub->Title =
                            QString::fromUtf16(kMovements[(t + m) % std::size(kMovements)]);
                        sub->Length = track->Length / movements;
                    }
                }
            }
            disc->LeadOut = frame;
            disc->MsDiscId = qint32(r.Range(0, 0x7FFFFFFF));
            disc->CddbDiscId =
                qint32(quint32(r.Range(0, 0x7FFFFFFF)) * 2u + quint32(r.Range(0, 1)));
            disc->RebuildTrackList();
            for (qsizetype p = 0; p < disc->TrackCount(); ++p)
                disc->Track(p)->Position = qint32(p + 1);
        }
    }
}
