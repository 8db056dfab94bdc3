// `qel set` and `qel stats` as a user runs them on a small collection: what they print,
// what the file holds afterwards, and what they refuse.
#include "model/album.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "model/valueformat.h"
#include "testsupport.h"

#include <QDate>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

struct TTrackSpec
{
    const char *title;
    qint32 seconds;
};

// Blue Train (1957, Jazz), Red Sky (1968, Rock) and Blue Moon (1965, Jazz); the first two
// bought in 2001 for 10.00 and 5.50.
QString writeCollection(const TTestHome &home)
{
    TQelDb db;
    auto add = [&db](const char *title, const char *year, const char *genre, QDate bought,
                     qint64 price, std::initializer_list<TTrackSpec> tracks) {
        auto *a = new TAlbum(&db);
        a->Title = QString::fromUtf8(title);
        a->Year = QString::fromUtf8(year);
        a->Genre = db.LookupList(fdGenre).GetOrAdd(QString::fromUtf8(genre));
        a->Artist = db.LookupList(fdArtist).GetOrAdd(QStringLiteral("Cole, Sam"));
        a->PurchaseDate = bought.isValid() ? DaysFromDate(bought) : 0;
        a->Price = price;
        auto *disc = new TDisc(a);
        a->Add(disc);
        for (const TTrackSpec &t : tracks) {
            auto *track = new TTrack(disc);
            track->Title = QString::fromUtf8(t.title);
            track->Length = t.seconds;
            disc->Add(track);
        }
        a->RebuildTrackLists();
        db.AddAlbum(a);
    };
    add("Blue Train", "1957", "Jazz", QDate(2001, 3, 1), 100000, {{"Intro", 60}, {"Blue", 300}});
    add("Red Sky", "1968", "Rock", QDate(2001, 6, 1), 55000, {{"Intro", 30}, {"Sky", 200}});
    add("Blue Moon", "1965", "Jazz", QDate(), 0, {{"Moon", 100}});
    const QString path = home.file(QStringLiteral("small.qel"));
    db.Save(path);
    return path;
}

TAlbum *albumTitled(const TQelDb &db, const char *title)
{
    for (qsizetype i = 0; i < db.AlbumCount(); ++i)
        if (db.Album(i)->Title == QStringView(QString::fromUtf8(title)))
            return db.Album(i);
    return nullptr;
}

QString idOf(const QString &path, const char *title)
{
    TQelDb db;
    db.ReadFile(path, false);
    const TAlbum *a = albumTitled(db, title);
    return a ? QString::number(a->ID) : QString();
}

} // namespace

// The albums (or tracks) chosen by identifier, by every album, or as `qel list` chooses
// them take the value; the count says how many changed, and only they did.
TEST(QelSet, ChangesTheChosenRowsAndPrintsTheCount)
{
    const struct
    {
        const char *what;
        QStringList selection;
        const char *field;
        const char *output;
        std::vector<const char *> changed; // album titles, or track titles with --tracks
    } cases[] = {
        {"identifiers",
         {QStringLiteral("--album"), QStringLiteral("@Blue Train,@Red Sky")},
         "Location=Shelf 3",
         "2 albums changed\n",
         {"Blue Train", "Red Sky"}},
        {"every album",
         {QStringLiteral("--all")},
         "Location=Shelf 3",
         "3 albums changed\n",
         {"Blue Train", "Red Sky", "Blue Moon"}},
        {"a filter",
         Strings({"--filter", "Title~Blue"}),
         "Location=Shelf 3",
         "2 albums changed\n",
         {"Blue Train", "Blue Moon"}},
        {"a folder",
         Strings({"--group", "Genre", "--folder", "Rock"}),
         "Location=Shelf 3",
         "1 album changed\n",
         {"Red Sky"}},
        {"tracks",
         Strings({"--tracks", "--filter", "Title~Intro"}),
         "BPM=120",
         "2 items changed\n",
         {"Intro"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        TTestHome home;
        const QString path = writeCollection(home);
        QStringList selection = c.selection;
        if (selection.value(0) == QStringLiteral("--album")) {
            QStringList ids;
            for (const QString &t : selection[1].split(u','))
                ids << idOf(path, t.mid(1).toUtf8().constData());
            selection[1] = ids.join(u',');
        }
        const TRunResult r =
            RunQel(QStringList{QStringLiteral("set"), path} + selection +
                   QStringList{QStringLiteral("--field"), QString::fromUtf8(c.field)});
        ASSERT_EQ(r.exitCode, 0) << r.err.constData();
        EXPECT_EQ(r.out, QByteArray(c.output));

        TQelDb db;
        db.ReadFile(path, false);
        auto isChanged = [&c](QStringView title) {
            for (const char *t : c.changed)
                if (title == QString::fromUtf8(t))
                    return true;
            return false;
        };
        for (qsizetype i = 0; i < db.AlbumCount(); ++i) {
            const TAlbum *a = db.Album(i);
            if (QString::fromUtf8(c.field).startsWith(QStringLiteral("Location"))) {
                EXPECT_EQ(a->Location == QStringView(u"Shelf 3"), isChanged(a->Title.view()))
                    << a->Title.toString().toStdString();
                continue;
            }
            for (qsizetype t = 0; t < a->Disc(0)->TrackCount(); ++t) {
                const TTrack *track = a->Disc(0)->Track(t);
                EXPECT_EQ(track->BPM == 120, isChanged(track->Title.view()))
                    << track->Title.toString().toStdString();
            }
        }
    }
}

// Several fields at once, clearing one: the artist goes, a new genre becomes an entry,
// the price and the purchase date take the values.
TEST(QelSet, SetsSeveralFieldsAndClearsEmptyOnes)
{
    TTestHome home;
    const QString path = writeCollection(home);
    const TRunResult r =
        RunQel(Strings({"set", "--filter", "Title~Moon", "--field", "Artist/Composer=", "--field",
                        "Genre=Cool Jazz", "--field", "Price=9.99", "--field",
                        "Purchase Date=2002-02-03", "--field", "In Collection=no"}) +
               QStringList{path});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(r.out, QByteArray("1 album changed\n"));
    TQelDb db;
    db.ReadFile(path, false);
    const TAlbum *moon = albumTitled(db, "Blue Moon");
    ASSERT_TRUE(moon);
    EXPECT_EQ(moon->Artist, nullptr);
    EXPECT_EQ(LookupSortText(moon->Genre), QStringLiteral("Cool Jazz"));
    EXPECT_EQ(moon->Price, 99900);
    EXPECT_EQ(moon->PurchaseDate, DaysFromDate(QDate(2002, 2, 3)));
    EXPECT_FALSE(moon->InCollection);
    EXPECT_EQ(db.LookupList(fdGenre).Count(), 3);
    EXPECT_EQ(LookupSortText(albumTitled(db, "Blue Train")->Artist), QStringLiteral("Cole, Sam"));
}

// Wrong choices, fields and values are refused with a reason and the file is left as it
// was; so is a change that changes nothing.
TEST(QelSet, RefusesAndLeavesTheFileAlone)
{
    TTestHome home;
    const QString path = writeCollection(home);
    const QByteArray before = ReadFileBytes(path);
    const struct
    {
        QStringList args;
        const char *message;
    } cases[] = {
        {Strings({"--field", "Location=x"}), "Choose what to change"},
        {Strings({"--all", "--filter", "Title~Blue", "--field", "Location=x"}),
         "Use one of --album, --all and the list options"},
        {Strings({"--all"}), "Say what to set with --field NAME=VALUE"},
        {Strings({"--all", "--field", "Colour=red"}), "Unknown field \"Colour\""},
        {Strings({"--all", "--field", "Songwriter=x"}),
         "The album view has no field \"Songwriter\""},
        {Strings({"--tracks", "--filter", "Title~Intro", "--field", "Label=x"}),
         "The track view has no field \"Label\""},
        {Strings({"--all", "--field", "Length=10"}),
         "\"Length\" is not a field that can be set on albums"},
        {Strings({"--all", "--field", "Rating=101"}),
         "\"101\" is no value of \"Rating\": a whole number from 0 to 100"},
        {Strings({"--all", "--field", "Purchase Date=3.2.2002"}), "is no date: use yyyy-mm-dd"},
        {Strings({"--all", "--field", "Year"}), "Malformed field \"Year\""},
        {Strings({"--album", "999", "--field", "Location=x"}), "There is no album 999 in"},
        {Strings({"--album", "x", "--field", "Location=x"}), "\"x\" is no album identifier"},
        {Strings({"--all", "--columns", "Title", "--field", "Location=x"}), "--columns chooses"},
        {Strings({"--group", "Genre", "--field", "Location=x"}), "The list shows folders"},
        {Strings({"--all", "--album"}), "--album needs a value"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        const TRunResult r = RunQel(QStringList{QStringLiteral("set"), path} + c.args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.constData();
        EXPECT_TRUE(r.out.isEmpty()) << r.out.constData();
        EXPECT_TRUE(ReadFileBytes(path) == before);
    }
    const TRunResult same = RunQel(
        Strings({"set", "--all", "--field", "Artist/Composer=Cole, Sam"}) + QStringList{path});
    EXPECT_EQ(same.exitCode, 0) << same.err.constData();
    EXPECT_EQ(same.out, QByteArray("0 albums changed\n"));
    EXPECT_TRUE(ReadFileBytes(path) == before);
}

// The totals and every series, by hand: years and decades, genres, formats and labels
// (none here), purchases with their money, lengths in seconds.
TEST(QelStats, PrintsTheTotalsAndTheSeries)
{
    TTestHome home;
    const QString path = writeCollection(home);
    const TRunResult text = RunQel({QStringLiteral("stats"), path});
    ASSERT_EQ(text.exitCode, 0) << text.err.constData();
    const QString out = QString::fromUtf8(text.out);
    for (const char *part : {
             "Nr. Albums: 3\nNr. Discs: 3\nNr. Tracks: 5\n",
             "\nAlbums by decade:\n  1950s: 1\n  1960s: 2\n",
             "\nAlbums by year:\n  1957: 1\n  1965: 1\n  1968: 1\n  No year: 0\n",
             "\nAlbums by genre:\n  Jazz: 2\n  Rock: 1\n",
             "\nAlbums by format:\n  None: 3\n",
             "\nLength by genre, seconds:\n  Jazz: 460\n  Rock: 230\n",
             "\nPurchases per year (albums, money spent):\n  2001: 2, 15.50\n",
         })
        EXPECT_TRUE(out.contains(QString::fromUtf8(part))) << part << "\nin\n"
                                                           << text.out.constData();

    const TRunResult json = RunQel({QStringLiteral("stats"), path, QStringLiteral("--json")});
    ASSERT_EQ(json.exitCode, 0) << json.err.constData();
    QJsonParseError error;
    const QJsonObject o = QJsonDocument::fromJson(json.out, &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << json.out.constData();
    EXPECT_EQ(o[QStringLiteral("albums")].toInt(), 3);
    EXPECT_EQ(o[QStringLiteral("totalLength")].toInt(), 690);
    EXPECT_EQ(o[QStringLiteral("averageTrackLength")].toInt(), 138);
    EXPECT_EQ(o[QStringLiteral("totalPrice")].toDouble(), 15.5);
    const QJsonArray decades = o[QStringLiteral("albumsByDecade")].toArray();
    ASSERT_EQ(decades.size(), 2);
    EXPECT_EQ(decades[1].toObject()[QStringLiteral("decade")].toInt(), 1960);
    EXPECT_EQ(decades[1].toObject()[QStringLiteral("albums")].toInt(), 2);
    const QJsonObject jazz = o[QStringLiteral("albumsByGenre")].toArray()[0].toObject();
    EXPECT_EQ(jazz[QStringLiteral("kind")].toString(), QStringLiteral("entry"));
    EXPECT_EQ(jazz[QStringLiteral("name")].toString(), QStringLiteral("Jazz"));
    EXPECT_EQ(jazz[QStringLiteral("albums")].toInt(), 2);
    const QJsonObject none = o[QStringLiteral("albumsByLabel")].toArray()[0].toObject();
    EXPECT_EQ(none[QStringLiteral("kind")].toString(), QStringLiteral("none"));
    EXPECT_EQ(none[QStringLiteral("albums")].toInt(), 3);
    const QJsonObject bought = o[QStringLiteral("purchasesByYear")].toArray()[0].toObject();
    EXPECT_EQ(bought[QStringLiteral("year")].toInt(), 2001);
    EXPECT_EQ(bought[QStringLiteral("albums")].toInt(), 2);
    EXPECT_EQ(bought[QStringLiteral("price")].toDouble(), 15.5);
    EXPECT_EQ(o[QStringLiteral("lengthByGenre")]
                  .toArray()[1]
                  .toObject()[QStringLiteral("seconds")]
                  .toInt(),
              230);

    const TRunResult wrong = RunQel({QStringLiteral("stats"), path, QStringLiteral("--csv")});
    EXPECT_EQ(wrong.exitCode, 2);
    EXPECT_TRUE(wrong.err.contains("unexpected argument '--csv'")) << wrong.err.constData();
}
