#include "exchange/collectionsource.h"
#include "model/general.h"
#include "model/qeldb.h"
#include "model/qelerror.h"
#include "model/tracks.h"
#include "model/valueformat.h"
#include "testsupport.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString demoSource()
{
    return ResourceFolder() + QStringLiteral("demo/demo.json");
}

TAlbum *findAlbum(const TQelDb &db, const QString &title)
{
    for (qsizetype i = 0; i < db.AlbumCount(); ++i)
        if (db.Album(i)->Title == QStringView(title))
            return db.Album(i);
    ADD_FAILURE() << "no album " << title.toStdString();
    return nullptr;
}

TDataItem *findItem(TDataItem *root, const QString &title)
{
    for (TDataItem *child : root->Children) {
        if (child->Title == QStringView(title))
            return child;
        if (TDataItem *found = findItem(child, title))
            return found;
    }
    return nullptr;
}

void collect(TDataItem *item, QList<TDataItem *> &out)
{
    out.append(item);
    for (TDataItem *child : item->Children)
        collect(child, out);
}

std::string str(const QString &s)
{
    return s.toStdString();
}

// A source folder with covers/ and lyrics/ beside the JSON.
class TSourceFolder
{
public:
    TSourceFolder()
    {
        QDir(m_dir.path()).mkpath(QStringLiteral("covers"));
        QDir(m_dir.path()).mkpath(QStringLiteral("lyrics"));
    }
    QString file(const QString &name) const { return m_dir.filePath(name); }
    QString source(const QByteArray &json) const
    {
        const QString path = file(QStringLiteral("source.json"));
        WriteFileBytes(path, json);
        return path;
    }

private:
    QTemporaryDir m_dir;
};

TEST(CollectionSource, DemoSurvivesTheFileUnchanged)
{
    TQelDb built;
    BuildCollectionFromSource(built, demoSource());
    TQelDb read;
    read.ReadBytes(built.SaveToBytes(), false);

    ASSERT_EQ(read.AlbumCount(), built.AlbumCount());
    for (qsizetype a = 0; a < built.AlbumCount(); ++a) {
        QList<TDataItem *> before, after;
        collect(built.Album(a), before);
        collect(read.Album(a), after);
        const std::string album = str(built.Album(a)->Title);
        ASSERT_EQ(after.size(), before.size()) << album;
        for (qsizetype i = 0; i < before.size(); ++i) {
            ASSERT_EQ(after[i]->Kind(), before[i]->Kind()) << album << " item " << i;
            for (TFieldId f = 1; f <= fdLast; ++f)
                EXPECT_EQ(str(after[i]->GetFieldAsString(f)), str(before[i]->GetFieldAsString(f)))
                    << album << " item " << i << " field " << int(f);
        }
        const TAlbum *b = built.Album(a), *r = read.Album(a);
        ASSERT_EQ(r->HasThumbnail(), b->HasThumbnail()) << album;
        if (b->HasThumbnail()) {
            EXPECT_TRUE(read.Pictures.Rgb(r->ThumbnailIndex) ==
                        built.Pictures.Rgb(b->ThumbnailIndex))
                << album;
        }
    }
}

TEST(CollectionSource, DemoHoldsTheTreeItDescribes)
{
    TQelDb built;
    BuildCollectionFromSource(built, demoSource());
    TQelDb db;
    db.ReadBytes(built.SaveToBytes(), false);

    // Lookup values name existing entries by sort or display name.
    EXPECT_EQ(db.LookupList(fdArtist).IndexOf(QStringLiteral("Mara Kestrel")), -1);
    EXPECT_NE(db.LookupList(fdArtist).IndexOf(QStringLiteral("Kestrel, Mara")), -1);

    QSet<QString> formats;
    for (qsizetype i = 0; i < db.AlbumCount(); ++i) {
        formats.insert(db.Album(i)->GetFieldAsString(fdFormat));
        EXPECT_EQ(db.Album(i)->HasThumbnail(), !db.Album(i)->CoverFile.isEmpty())
            << str(db.Album(i)->Title);
    }
    for (const char *f : {"CD", "LP", "Cassette", "MiniDisc", "MP3"})
        EXPECT_TRUE(formats.contains(QLatin1String(f))) << f;

    // Positions run on through headers; indexes restart in each parent.
    TAlbum *lp = findAlbum(db, QStringLiteral("After Midnight Calls"));
    ASSERT_TRUE(lp);
    TDataItem *sideB = findItem(lp, QStringLiteral("Telephone Heart"));
    ASSERT_TRUE(sideB);
    EXPECT_EQ(sideB->GetFieldAsString(fdHeaderTitle), QStringLiteral("Side B"));
    EXPECT_EQ(sideB->GetFieldAsString(fdPosition), QStringLiteral("05"));
    EXPECT_EQ(sideB->GetFieldAsString(fdIndex), QStringLiteral("01"));
    EXPECT_EQ(lp->GetFieldAsInteger(fdNrTracks), 8);

    // Movements as subtracks; the work's own length is theirs added up.
    TAlbum *concerto =
        findAlbum(db, QStringLiteral("Violin Concerto in D minor · Serenade for Strings"));
    ASSERT_TRUE(concerto);
    TDataItem *work = findItem(concerto, QStringLiteral("Violin Concerto in D minor, Op. 31"));
    ASSERT_TRUE(work);
    ASSERT_EQ(work->Count(), 3);
    EXPECT_EQ(work->Items(2)->Kind(), TItemKind::SubTrack);
    EXPECT_EQ(work->Items(2)->GetFieldAsString(fdIndex), QStringLiteral("03"));
    EXPECT_EQ(work->GetLength(), (13 * 60 + 42) + (9 * 60 + 58) + (8 * 60 + 21));
    // Outside cp1252, so the file holds it as references.
    EXPECT_EQ(work->Items(0)->GetFieldAsString(fdConductor), QStringLiteral("Zoltán Kőváry"));
    EXPECT_EQ(concerto->Soloists, QStringView(u"Réka Szőke (violin)"));

    TAlbum *live = findAlbum(db, QStringLiteral("Live at Ashdown Hall"));
    ASSERT_TRUE(live);
    ASSERT_EQ(live->DiscCount(), 2);
    EXPECT_EQ(live->Disc(1)->Track(0)->Position, 1);
    EXPECT_EQ(live->Disc(1)->Track(0)->GetFieldAsString(fdLive), QStringLiteral("Yes"));

    TAlbum *compilation = findAlbum(db, QStringLiteral("Night Ferry: Songs for the Crossing"));
    ASSERT_TRUE(compilation);
    EXPECT_EQ(compilation->Disc(0)->Track(1)->GetFieldAsString(fdArtist),
              QStringLiteral("Mara Kestrel"));

    TAlbum *wish = findAlbum(db, QStringLiteral("Winter Letters"));
    TAlbum *rare = findAlbum(db, QStringLiteral("Round and Round We Go"));
    ASSERT_TRUE(wish && rare);
    EXPECT_FALSE(wish->InCollection);
    EXPECT_TRUE(rare->Rare);
    EXPECT_TRUE(rare->Mono);
}

TEST(CollectionSource, ReadsEveryKindOfValue)
{
    TSourceFolder folder;
    // Left half red, right half blue: the thumbnail must show the whole picture.
    QImage cover(60, 30, QImage::Format_RGB32);
    cover.fill(Qt::red);
    for (int y = 0; y < 30; ++y)
        for (int x = 30; x < 60; ++x)
            cover.setPixel(x, y, qRgb(0, 0, 255));
    ASSERT_TRUE(cover.save(folder.file(QStringLiteral("covers/wide.png"))));
    WriteFileBytes(folder.file(QStringLiteral("lyrics/words.txt")), "la la\r\n");

    const QString path = folder.source(R"({
      "lookups": {"Artist/Composer": [{"sort": "Kestrel, Mara", "display": "Mara Kestrel"}]},
      "albums": [{
        "Title": "Values", "Artist/Composer": "mara kestrel", "Price": "12.05",
        "Purchase Date": "2003-05-17", "Recording Date": "1999-12-31", "A/D": "ADD",
        "Mono": true, "Rare": true, "In Collection": false, "Live": "yes", "Rating": 70,
        "Index": 12, "Cover File": "wide.png", "Comments": "one\ntwo",
        "discs": [{"Microsoft Disc ID": "394BC", "Cddb Disc ID": "ff0b5c0d",
                   "CDDB Revision": 3, "Songwriter": "Brook, Tamsin", "items": [
          {"Title": "T", "Length": "105:07", "BPM": "120", "Live": "no",
           "Lyrics File": "words.txt", "Comments": ["a", "b"]}
        ]}]
      }]})");
    TQelDb db;
    BuildCollectionFromSource(db, path);
    ASSERT_EQ(db.AlbumCount(), 1);
    TAlbum *album = db.Album(0);
    EXPECT_EQ(LookupDisplayText(album->Artist), QStringLiteral("Mara Kestrel"));
    EXPECT_EQ(album->Price, 120500);
    EXPECT_EQ(DateFromDays(album->PurchaseDate), QDate(2003, 5, 17));
    EXPECT_EQ(DateFromDays(album->RecordingDate), QDate(1999, 12, 31));
    EXPECT_EQ(album->AD, 1);
    EXPECT_TRUE(album->Mono && album->Rare && !album->InCollection);
    EXPECT_EQ(album->Live, 1);
    EXPECT_EQ(album->Rating, 70);
    EXPECT_EQ(album->Index, 12);
    EXPECT_EQ(album->Comments, QStringView(u"one\r\ntwo"));

    ASSERT_TRUE(album->HasThumbnail());
    const QImage thumb = db.Pictures.Image(album->ThumbnailIndex);
    EXPECT_EQ(thumb.pixel(0, 16), qRgb(255, 0, 0));
    EXPECT_EQ(thumb.pixel(31, 16), qRgb(0, 0, 255));
    EXPECT_EQ(thumb.pixel(16, 0), thumb.pixel(16, 31)); // stretched, not letterboxed

    TDisc *disc = album->Disc(0);
    EXPECT_EQ(disc->MsDiscId, 234684);
    EXPECT_EQ(disc->GetFieldAsString(fdCddbDiscId), QStringLiteral("ff0b5c0d"));
    EXPECT_EQ(disc->CddbRevision, 3);
    EXPECT_EQ(LookupSortText(disc->Songwriter), QStringLiteral("Brook, Tamsin"));
    TTrack *track = disc->Track(0);
    EXPECT_EQ(track->Length, 105 * 60 + 7);
    EXPECT_EQ(track->BPM, 120);
    EXPECT_EQ(track->Live, 0);
    EXPECT_EQ(track->LyricsFile, QStringView(u"words.txt"));
    EXPECT_EQ(track->Comments, QStringView(u"a\r\nb"));
    EXPECT_EQ(track->GetFieldAsString(fdSongwriter), QStringLiteral("Brook, Tamsin"));
}

struct TBadSource
{
    const char *name;
    QByteArray json;
    QStringList expected; // fragments of the message
};

TEST(CollectionSource, RejectsBadInputNamingThePlace)
{
    const auto album = [](const char *discs) {
        return QByteArray(R"({"albums": [{"Title": "Harbour", "discs": [)") + discs + "]}]}";
    };
    const TBadSource cases[] = {
        {"unknown field",
         R"({"albums": [{"Title": "Harbour", "Lenght": "04:00", "discs": [{}]}]})",
         {QStringLiteral("album 1 \"Harbour\""), QStringLiteral("unknown field \"Lenght\"")}},
        {"bad date",
         R"({"albums": [{"Title": "Harbour", "Purchase Date": "2003-02-30", "discs": [{}]}]})",
         {QStringLiteral("\"Purchase Date\""), QStringLiteral("\"2003-02-30\""),
          QStringLiteral("yyyy-mm-dd")}},
        {"album field on a track",
         album(R"({"items": [{"Title": "Gulls", "Format": "CD"}]})"),
         {QStringLiteral("disc 1, track 1 \"Gulls\""),
          QStringLiteral("a track does not carry the field \"Format\"")}},
        {"worked-out field",
         album(R"({"items": [{"Title": "Gulls", "Position": 4}]})"),
         {QStringLiteral("track 1"), QStringLiteral("\"Position\" cannot be given")}},
        {"length on a disc",
         album(R"({"Length": "40:00"})"),
         {QStringLiteral("disc 1"), QStringLiteral("\"Length\" cannot be given")}},
        {"bad length",
         album(R"({"items": [{"Title": "Gulls", "Length": "4:7"}]})"),
         {QStringLiteral("\"Length\": \"4:7\" is not a length (mm:ss)")}},
        {"rating out of range",
         album(R"({"items": [{"Rating": 120}]})"),
         {QStringLiteral("\"Rating\": 120 is not a whole number from 0 to 100")}},
        {"header in a header",
         album(R"({"items": [{"kind": "header", "items": [{"kind": "header"}]}]})"),
         {QStringLiteral("a header cannot hold a header")}},
        {"missing cover",
         R"({"albums": [{"Title": "Harbour", "Cover File": "gone.jpg", "discs": [{}]}]})",
         {QStringLiteral("album 1 \"Harbour\""), QStringLiteral("\"gone.jpg\" not found")}},
        {"broken JSON",
         "{\"albums\": [\n  {\"Title\": \"Harbour\",,}\n]}",
         {QStringLiteral("source.json: not valid JSON at line 2")}},
    };
    for (const TBadSource &c : cases) {
        TSourceFolder folder;
        TQelDb db;
        try {
            BuildCollectionFromSource(db, folder.source(c.json));
            ADD_FAILURE() << c.name << ": no error";
        } catch (const EQel &e) {
            for (const QString &fragment : c.expected)
                EXPECT_TRUE(e.message().contains(fragment))
                    << c.name << ": " << str(e.message()) << "\n  lacks: " << str(fragment);
        }
        EXPECT_EQ(db.AlbumCount(), 0) << c.name;
    }
}

TEST(CollectionSource, UnreadableCoverIsAnError)
{
    // A whole picture, then the same cut short by a few bytes: Qt's own reader takes
    // such a BMP, the covers of the editors do not.
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QByteArray bmp;
    QBuffer buffer(&bmp);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && picture.save(&buffer, "BMP"));
    const std::pair<const char *, QByteArray> covers[] = {
        // The signature and the start of a header, then nothing.
        {"cut.png", QByteArray::fromHex("89504e470d0a1a0a0000000d49484452")},
        {"short.bmp", bmp.first(bmp.size() - 3)},
    };
    for (const auto &[name, bytes] : covers) {
        SCOPED_TRACE(name);
        TSourceFolder folder;
        const QString cover = QString::fromLatin1(name);
        WriteFileBytes(folder.file(QStringLiteral("covers/") + cover), bytes);
        const QString path = folder.source(
            QStringLiteral(R"({"albums": [{"Title": "Cut", "Cover File": "%1", "discs": [{}]}]})")
                .arg(cover)
                .toUtf8());
        TQelDb db;
        try {
            BuildCollectionFromSource(db, path);
            ADD_FAILURE() << "no error";
        } catch (const EQel &e) {
            EXPECT_TRUE(e.message().contains(
                QStringLiteral("cover picture \"%1\" cannot be read").arg(cover)))
                << str(e.message());
        }
    }
}

TEST(CollectionSource, BuildCommandSavesOrFailsWithTheMessage)
{
    TSourceFolder folder;
    const QString out = folder.file(QStringLiteral("out.qel"));
    const QString source = folder.source(R"({"albums": [{"Tite": "x", "discs": [{}]}]})");
    const TRunResult bad = RunQel({QStringLiteral("build"), source, out});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_TRUE(bad.err.contains("unknown field \"Tite\"")) << bad.err.toStdString();
    EXPECT_FALSE(QFile::exists(out));

    const TRunResult good = RunQel({QStringLiteral("build"), demoSource(), out});
    ASSERT_EQ(good.exitCode, 0) << good.err.toStdString();
    TQelDb db;
    db.ReadFile(out, false);
    EXPECT_GT(db.AlbumCount(), 30);
}

} // namespace
