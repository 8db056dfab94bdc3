#include "exchange/delimitedimport.h"
#include "exchange/export.h"
#include "model/album.h"
#include "model/collectiongenerator.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "model/valueformat.h"
#include "testsupport.h"
#include "views/listfields.h"

#include <QDate>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const TDelimitedFormat kComma{u',', u'"', TTextEncoding::Utf8};

// Imports bytes as a file into db with the mapping guessed (or given); the messages
// shown go to ui.
struct TRun
{
    bool added = false;
    TImportSummary summary;
    QString error;
};

TRun importBytes(TQelDb &db, const QByteArray &bytes, const TColumnMapping &mapping = {},
                 const TDelimitedFormat &format = kComma)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("in.csv"));
    WriteFileBytes(file, bytes);
    TDelimitedImport import(nullptr, db, file);
    import.UseWindow = false;
    import.Format = format;
    import.Mapping = mapping;
    TRun run;
    run.added = import.Run();
    run.summary = import.Summary;
    run.error = import.Error;
    return run;
}

QString text(const TDataItem *item, TFieldId field)
{
    return item->GetFieldAsString(field);
}

std::vector<const TTrack *> tracksOf(const TAlbum *album)
{
    std::vector<const TTrack *> tracks;
    for (qsizetype d = 0; d < album->DiscCount(); ++d)
        for (const TTrack *t : album->Disc(d)->Tracks)
            tracks.push_back(t);
    return tracks;
}

} // namespace

// Values as other programs write them: lengths, dates, yes and no, ratings and prices.
TEST(ImportValues, ConvertAsOtherProgramsWriteThem)
{
    const struct
    {
        const char *text;
        qint32 seconds; // -1: refused
    } lengths[] = {
        {"3:25", 205},   {"03:25", 205}, {"100:00", 6000}, {"1:02:03", 3723}, {"45", 45},
        {" 4:05 ", 245}, {"3:7", -1},    {"3:60", -1},     {"-5", -1},        {"4 min", -1},
        {"1:2:3:4", -1}, {"", -1},       {":30", -1},
    };
    for (const auto &c : lengths) {
        SCOPED_TRACE(c.text);
        qint32 seconds = 0;
        EXPECT_EQ(importvalue::Length(QString::fromUtf8(c.text), seconds), c.seconds >= 0);
        if (c.seconds >= 0) {
            EXPECT_EQ(seconds, c.seconds);
        }
    }

    const struct
    {
        const char *text;
        int percent; // -1: refused
    } ratings[] = {{"70%", 70}, {"70", 70},  {"05%", 5},  {"100%", 100}, {"0", 0},
                   {"101", -1}, {"7 0", -1}, {"-10", -1}, {"high", -1}};
    for (const auto &c : ratings) {
        SCOPED_TRACE(c.text);
        quint8 percent = 0;
        EXPECT_EQ(importvalue::Rating(QString::fromUtf8(c.text), percent), c.percent >= 0);
        if (c.percent >= 0) {
            EXPECT_EQ(percent, c.percent);
        }
    }

    const struct
    {
        const char *text;
        int value; // -1: refused
    } booleans[] = {{"Yes", 1},   {"no", 0},    {"1", 1},      {"0", 0}, {"TRUE", 1},
                    {"false", 0}, {" yes ", 1}, {"maybe", -1}, {"", -1}};
    for (const auto &c : booleans) {
        SCOPED_TRACE(c.text);
        bool value = false;
        EXPECT_EQ(importvalue::Boolean(QString::fromUtf8(c.text), value), c.value >= 0);
        if (c.value >= 0) {
            EXPECT_EQ(value, c.value == 1);
        }
    }

    qint32 n = 0;
    EXPECT_TRUE(importvalue::Integer(u"07", 0, 100, n));
    EXPECT_EQ(n, 7);
    EXPECT_FALSE(importvalue::Integer(u"3.5", 0, 100, n));
    EXPECT_FALSE(importvalue::Integer(u"99999999999", 0, 0x7FFFFFFF, n));

    // Dates in ISO form and in the system's short format, whose two-digit years mean the
    // latest such year not in the future.
    const QLocale locale;
    const QDate thisYear(QDate::currentDate().year(), 1, 2);
    const struct
    {
        QString text;
        QDate date; // invalid: refused
    } dates[] = {
        {QStringLiteral("1999-05-03"), QDate(1999, 5, 3)},
        {QStringLiteral("2020-11-12 12:24:52"), QDate(2020, 11, 12)},
        {QStringLiteral("2020-11-12T08:00:00"), QDate(2020, 11, 12)},
        {locale.toString(QDate(1955, 6, 7), QLocale::ShortFormat), QDate(1955, 6, 7)},
        {locale.toString(QDate(2003, 10, 11), QLocale::ShortFormat), QDate(2003, 10, 11)},
        {locale.toString(thisYear, QLocale::ShortFormat), thisYear},
        {QStringLiteral("2001-02-31"), QDate()},
        {QStringLiteral("yesterday"), QDate()},
    };
    for (const auto &c : dates) {
        SCOPED_TRACE(c.text.toStdString());
        double days = 0;
        EXPECT_EQ(importvalue::Date(c.text, days), c.date.isValid());
        if (c.date.isValid()) {
            EXPECT_EQ(DateFromDays(days), c.date);
        }
    }

    qint64 scaled = 0;
    EXPECT_TRUE(importvalue::Price(u"12.50", scaled));
    EXPECT_EQ(scaled, 125000);
    EXPECT_TRUE(importvalue::Price(FormatCurrency(1234500), scaled));
    EXPECT_EQ(scaled, 1234500);
    EXPECT_FALSE(importvalue::Price(u"cheap", scaled));
}

// Columns go to the fields named by the user's names or the default names in any case,
// "Artist" to "Artist/Composer", "Album" to the album's title where rows are tracks and
// to the title where rows are albums; a field goes to one column only.
TEST(DelimitedImport, GuessesFieldsFromColumnNames)
{
    TQelFields names;
    names.SetFieldName(fdAlbumText1, QStringLiteral("Catalogue &Shelf"));
    const struct
    {
        QStringList columns;
        TColumnMapping fields;
        bool trackRows;
    } cases[] = {
        {Strings({"Title", "Artist", "Year"}), {fdTitle, fdArtist, fdYear}, false},
        {Strings({"album", "ARTIST", "Year"}), {fdTitle, fdArtist, fdYear}, false},
        {Strings({"Album", "Title", "Length"}), {fdAlbumTitle, fdTitle, fdLength}, true},
        {Strings({"Title", "Album", "Position"}), {fdTitle, fdAlbumTitle, fdPosition}, true},
        {Strings({"Album Title", "title", "Title"}), {fdAlbumTitle, fdTitle, fdNone}, true},
        {Strings({"Catalogue Shelf", "Artist/Composer", " Genre "}),
         {fdAlbumText1, fdArtist, fdGenre},
         false},
        {Strings({"Notes", "Lyrics", "Cover", ""}), {fdNone, fdNone, fdNone, fdNone}, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.columns.join(u',').toStdString());
        const TColumnMapping mapping = GuessColumnFields(c.columns, &names);
        EXPECT_EQ(mapping, c.fields);
        EXPECT_EQ(MapsTrackRows(mapping), c.trackRows);
    }
    // A column decided beforehand keeps its field, and no guess takes it.
    const TColumnMapping preset = GuessColumnFields(Strings({"Title", "Name", "Year"}), nullptr,
                                                    {std::nullopt, fdTitle, fdNone});
    EXPECT_EQ(preset, (TColumnMapping{fdNone, fdTitle, fdNone}));
}

// Album rows: each row one album, values converted by the fields' kinds, no field
// defaults; an existing lookup entry found by its display name is used as it is.
TEST(DelimitedImport, AlbumRowsMakeOneAlbumEach)
{
    TScriptedInterface ui;
    TQelDb db;
    TLookupItem *mara = db.LookupList(fdArtist).FindOrCreate(QStringLiteral("Kestrel, Mara"),
                                                             QStringLiteral("Mara Kestrel"));
    TLookupItem *cd = db.LookupList(fdFormat).GetOrAdd(QStringLiteral("cd"));
    const TRun run = importBytes(
        db, "Title,Artist,Year,Format,Label,Purchase Date,Price,In Collection,Rating,Comments,"
            "A/D,Mono,Nr Discs\r\n"
            "Abbey Road,The Beatles,1969,LP,Apple,1999-05-03,12.50,No,80%,\"Gift\nfrom Ann\","
            "AAD,Mono,2\r\n"
            "Kind of Blue,mara kestrel,1959,CD,,,,,,,,,\r\n");
    ASSERT_TRUE(run.added) << run.error.toStdString();
    ASSERT_EQ(db.AlbumCount(), 2);
    EXPECT_EQ(run.summary.Albums, 2);
    EXPECT_EQ(run.summary.Rows, 2);
    EXPECT_EQ(run.summary.Unconverted, 0);
    EXPECT_EQ(ui.messages.last(), QStringLiteral("Imported 2 albums from 2 rows."));

    const TAlbum *first = db.Album(0);
    const struct
    {
        TFieldId field;
        QString first, second;
    } want[] = {
        {fdTitle, QStringLiteral("Abbey Road"), QStringLiteral("Kind of Blue")},
        {fdArtist, QStringLiteral("The Beatles"), QStringLiteral("Mara Kestrel")},
        {fdYear, QStringLiteral("1969"), QStringLiteral("1959")},
        {fdFormat, QStringLiteral("LP"), QStringLiteral("cd")},
        {fdLabel, QStringLiteral("Apple"), QString()},
        {fdPurchaseDate, FormatDate(DaysFromDate(QDate(1999, 5, 3))), QString()},
        {fdPrice, FormatCurrency(125000), FormatCurrency(0)},
        {fdInCollection, QStringLiteral("No"), QStringLiteral("Yes")},
        {fdRating, QStringLiteral("80%"), QString()},
        {fdComments, QStringLiteral("Gift\r\nfrom Ann"), QString()},
        {fdAD, QStringLiteral("AAD"), QStringLiteral("N/A")},
        {fdMono, QStringLiteral("Mono"), QStringLiteral("Stereo")},
        {fdNrDiscs, QStringLiteral("2"), QStringLiteral("0")},
        {fdNrTracks, QStringLiteral("0"), QStringLiteral("0")},
        {fdLive, QString(), QString()},
    };
    for (const auto &w : want) {
        SCOPED_TRACE(TQelFields::GetDefaultName(w.field).toStdString());
        EXPECT_EQ(text(first, w.field), w.first);
        EXPECT_EQ(text(db.Album(1), w.field), w.second);
    }
    EXPECT_EQ(db.Album(1)->Artist, mara);
    EXPECT_EQ(db.Album(1)->Format, cd);
    EXPECT_EQ(mara->SortName, QStringLiteral("Kestrel, Mara"));
    EXPECT_EQ(db.LookupList(fdArtist).Count(), 2);
    EXPECT_EQ(db.LookupList(fdFormat).Count(), 2);
    EXPECT_NE(first->ID, db.Album(1)->ID);
}

// Track rows: a change of the album's columns starts an album, in row order (A, B, A is
// three albums), "Disc Index" starts discs, "Index" and "Position" are counted per disc
// when no column gives them; a value the same on every row of an album goes to the
// album, which the tracks then show.
TEST(DelimitedImport, TrackRowsMakeAlbumsDiscsAndTracks)
{
    TScriptedInterface ui;
    TQelDb db;
    const TRun run = importBytes(db, "Album Title,Disc Index,Title,Artist/Composer,Year,Live,"
                                     "Length,BPM,Songwriter\r\n"
                                     "A,1,a1,X,2001,No,3:25,,S\r\n"
                                     "A,1,a2,X,2001,No,100:00,120,\r\n"
                                     "A,2,a3,X,2001,No,1:02:03,,\r\n"
                                     "B,,b1,Y,1999,Yes,45,,\r\n"
                                     "B,,b2,Z,1999,,0:30,,\r\n"
                                     "A,1,c1,X,2002,No,,,\r\n");
    ASSERT_TRUE(run.added) << run.error.toStdString();
    EXPECT_EQ(run.summary.Tracks, 6);
    EXPECT_EQ(ui.messages.last(), QStringLiteral("Imported 3 albums with 6 tracks from 6 rows."));
    ASSERT_EQ(db.AlbumCount(), 3);
    const TAlbum *a = db.Album(0), *b = db.Album(1), *c = db.Album(2);
    EXPECT_EQ(text(a, fdTitle), QStringLiteral("A"));
    EXPECT_EQ(text(b, fdTitle), QStringLiteral("B"));
    EXPECT_EQ(text(c, fdTitle), QStringLiteral("A"));

    // The first album: two discs, its artist, year and "Live" the album's.
    ASSERT_EQ(a->DiscCount(), 2);
    EXPECT_EQ(a->Disc(0)->Index, 1);
    EXPECT_EQ(a->Disc(1)->Index, 2);
    ASSERT_EQ(a->Disc(0)->TrackCount(), 2);
    ASSERT_EQ(a->Disc(1)->TrackCount(), 1);
    EXPECT_EQ(text(a, fdArtist), QStringLiteral("X"));
    EXPECT_EQ(text(a, fdYear), QStringLiteral("2001"));
    EXPECT_EQ(text(a, fdLive), QStringLiteral("No"));
    const TTrack *a1 = a->Disc(0)->Track(0), *a2 = a->Disc(0)->Track(1), *a3 = a->Disc(1)->Track(0);
    for (const TTrack *t : {a1, a2, a3}) {
        EXPECT_EQ(t->Artist, nullptr);
        EXPECT_EQ(t->Year.toString(), QString());
        EXPECT_EQ(text(t, fdArtist), QStringLiteral("X"));
        EXPECT_EQ(text(t, fdLive), QStringLiteral("No"));
    }
    EXPECT_EQ(text(a1, fdTitle), QStringLiteral("a1"));
    EXPECT_EQ(a1->Length, 205);
    EXPECT_EQ(a2->Length, 6000);
    EXPECT_EQ(a3->Length, 3723);
    EXPECT_EQ(text(a1, fdBPM), QStringLiteral("0"));
    EXPECT_EQ(text(a2, fdBPM), QStringLiteral("120"));
    EXPECT_EQ(text(a1, fdSongwriter), QStringLiteral("S"));
    EXPECT_EQ(text(a2, fdSongwriter), QString());
    EXPECT_EQ((std::vector<qint32>{a1->Index, a1->Position, a2->Index, a2->Position, a3->Index,
                                   a3->Position}),
              (std::vector<qint32>{1, 1, 2, 2, 1, 1}));

    // The second: the artists and "Live" differ from track to track, the year does not.
    ASSERT_EQ(b->DiscCount(), 1);
    EXPECT_EQ(b->Disc(0)->Index, 1);
    ASSERT_EQ(b->Disc(0)->TrackCount(), 2);
    EXPECT_EQ(b->Artist, nullptr);
    EXPECT_EQ(text(b, fdYear), QStringLiteral("1999"));
    const TTrack *b1 = b->Disc(0)->Track(0), *b2 = b->Disc(0)->Track(1);
    EXPECT_EQ(text(b1, fdArtist), QStringLiteral("Y"));
    EXPECT_EQ(text(b2, fdArtist), QStringLiteral("Z"));
    EXPECT_EQ(text(b1, fdLive), QStringLiteral("Yes"));
    EXPECT_EQ(text(b2, fdLive), QString());
    EXPECT_EQ(b1->Length, 45);
    EXPECT_EQ(b2->Length, 30);

    // The third: the A again, a new album.
    ASSERT_EQ(tracksOf(c).size(), 1u);
    EXPECT_EQ(text(c, fdYear), QStringLiteral("2002"));
    EXPECT_EQ(text(tracksOf(c)[0], fdTitle), QStringLiteral("c1"));
    EXPECT_EQ(db.LookupList(fdArtist).Count(), 3);
}

// Values that do not convert stay empty and are listed by row and column (the first
// twenty); rows with fewer or more values than columns use the values they have; derived
// columns are named as not carried back. None of it stops the import.
TEST(DelimitedImport, CountsWhatItCannotUse)
{
    TScriptedInterface ui;
    TQelDb db;
    QByteArray bytes = "Album Title,Title,Length,Rating,BPM,Album Name\r\n"
                       "A,t1,3:7,50%,fast,\r\n"
                       "A,t2,4:00,150\r\n"
                       "A,t3,5:00,,,,extra\r\n";
    for (int r = 4; r <= 28; ++r)
        bytes += "B,t" + QByteArray::number(r) + ",long,,,\r\n";
    const TRun run = importBytes(db, bytes);
    ASSERT_TRUE(run.added) << run.error.toStdString();
    const TImportSummary &s = run.summary;
    EXPECT_EQ(s.Rows, 28);
    EXPECT_EQ(s.Albums, 2);
    EXPECT_EQ(s.RaggedRows, 2);
    EXPECT_EQ(s.Unconverted, 28);
    ASSERT_EQ(s.FirstUnconverted.size(), 20u);
    const struct
    {
        qint64 row;
        const char *column, *value;
    } first[] = {
        {1, "Length", "3:7"}, {1, "BPM", "fast"}, {2, "Rating", "150"}, {4, "Length", "long"}};
    for (std::size_t i = 0; i < std::size(first); ++i) {
        EXPECT_EQ(s.FirstUnconverted[i].row, first[i].row) << i;
        EXPECT_EQ(s.FirstUnconverted[i].column, QLatin1String(first[i].column)) << i;
        EXPECT_EQ(s.FirstUnconverted[i].value, QLatin1String(first[i].value)) << i;
    }
    EXPECT_EQ(s.NotCarried, Strings({"Album Name"}));

    const std::vector<const TTrack *> tracks = tracksOf(db.Album(0));
    ASSERT_EQ(tracks.size(), 3u);
    EXPECT_EQ(tracks[0]->Length, 0);
    EXPECT_EQ(tracks[0]->Rating, 50);
    EXPECT_EQ(tracks[1]->Length, 240);
    EXPECT_EQ(tracks[1]->Rating, 0);
    EXPECT_EQ(tracks[2]->Length, 300);

    const QStringList lines = ui.messages.last().split(QStringLiteral("\r\n"));
    EXPECT_EQ(lines.value(0), QStringLiteral("Imported 2 albums with 28 tracks from 28 rows."));
    EXPECT_TRUE(lines.contains(QStringLiteral("2 rows had fewer or more values than there are "
                                              "columns: the values they have were used.")));
    EXPECT_TRUE(
        lines.contains(QStringLiteral("28 values could not be converted and were left empty:")));
    EXPECT_TRUE(lines.contains(QStringLiteral("  row 1, column \"Length\": \"3:7\"")));
    EXPECT_TRUE(lines.contains(QStringLiteral("  and 8 more.")));
    EXPECT_EQ(lines.last(), QStringLiteral("Not carried back, as the collection derives them "
                                           "from other values: Album Name."));
}

// Our own export of all tracks, read back into an empty collection, gives the same
// albums, discs and tracks, with the same text in every exported field a track keeps,
// whichever delimiter and qualifier the export used.
TEST(DelimitedImport, OurOwnExportComesBack)
{
    TScriptedInterface ui;
    TQelDb original;
    GenerateCollection(original, 40, 5);
    TShowFields columns(ilTrack);
    std::vector<TFieldId> exported;
    for (TFieldId f = 1; f <= fdLast; ++f)
        if (FieldOfLevel(ilTrack, f) && f != fdLyrics) {
            columns.Add(std::make_unique<TShowField>(f));
            exported.push_back(f);
        }
    QTemporaryDir dir;
    for (const TDelimitedFormat &format :
         {kComma, TDelimitedFormat{u';', u'\'', TTextEncoding::Utf8},
          TDelimitedFormat{u'\t', 0, TTextEncoding::Utf8}}) {
        SCOPED_TRACE(int(format.Delimiter));
        const QString file =
            dir.filePath(QStringLiteral("tracks%1.csv").arg(int(format.Delimiter)));
        TExportAscii e;
        e.ItemList = &original.Albums;
        e.ListLevel = ilAlbum;
        e.ExportLevel = ilTrack;
        e.ShowFields = &columns;
        e.FileName = file;
        e.Delimiter = QString(QChar(format.Delimiter));
        e.TextQualifier = format.Qualifier ? QString(QChar(format.Qualifier)) : QString();
        e.IncludeFieldNames = true;
        ASSERT_TRUE(e.Execute());

        TDelimitedFormat guessed;
        ASSERT_TRUE(GuessDelimitedFormat(file, guessed, fgAll, nullptr));
        EXPECT_EQ(guessed.Delimiter, format.Delimiter);
        // Without qualifiers nothing tells "none" from a qualifier no value begins with.
        if (format.Qualifier) {
            EXPECT_EQ(guessed.Qualifier, format.Qualifier);
        }
        TQelDb copy;
        TDelimitedImport import(nullptr, copy, file);
        import.UseWindow = false;
        import.Format = guessed;
        ASSERT_TRUE(import.Run()) << import.Error.toStdString();
        EXPECT_EQ(import.Summary.Unconverted, 0);
        EXPECT_EQ(import.Summary.NotCarried,
                  Strings({"Album Name", "Microsoft Disc ID", "Cddb Disc ID", "CDDB Revision",
                           "Submit Artist", "Header Title", "ID", "Album ID"}));

        ASSERT_EQ(copy.AlbumCount(), original.AlbumCount());
        for (qsizetype a = 0; a < original.AlbumCount(); ++a) {
            const TAlbum *was = original.Album(a), *is = copy.Album(a);
            EXPECT_EQ(text(is, fdTitle), text(was, fdTitle)) << a;
            EXPECT_EQ(is->Index, was->Index) << a;
            ASSERT_EQ(is->DiscCount(), was->DiscCount()) << a;
            for (qsizetype d = 0; d < was->DiscCount(); ++d) {
                EXPECT_EQ(is->Disc(d)->Index, was->Disc(d)->Index) << a;
            }
            const std::vector<const TTrack *> wasTracks = tracksOf(was), isTracks = tracksOf(is);
            ASSERT_EQ(isTracks.size(), wasTracks.size()) << a;
            for (std::size_t t = 0; t < wasTracks.size(); ++t)
                for (const TFieldId f : exported)
                    if (CarriesField(f, true)) {
                        ASSERT_EQ(text(isTracks[t], f), text(wasTracks[t], f))
                            << "album " << a << " track " << t << " field "
                            << TQelFields::GetDefaultName(f).toStdString();
                    }
        }
    }
}

// Cancel adds nothing, neither albums nor lookup entries; the caller's backup comes
// before the first change.
TEST(DelimitedImport, CancelAddsNothingAndTheBackupComesFirst)
{
    TScriptedInterface ui;
    TQelDb db;
    GenerateCollection(db, 5, 1);
    const qsizetype albums = db.AlbumCount();
    std::vector<qsizetype> entries;
    for (int l = 0; l < 15; ++l)
        entries.push_back(db.LookupListAt(l).Count());
    const qsizetype artists = db.LookupList(fdArtist).Count();
    const qint32 lastArtistId = db.LookupList(fdArtist).LastID;
    QByteArray bytes = "Album Title,Title,Artist/Composer,Genre\r\n";
    for (int a = 1; a <= 60; ++a)
        for (int t = 1; t <= 2; ++t)
            bytes += "Album " + QByteArray::number(a) + ",Track,Artist " + QByteArray::number(a) +
                     ",Genre " + QByteArray::number(a) + "\r\n";
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("tracks.csv"));
    WriteFileBytes(file, bytes);

    TDelimitedImport import(nullptr, db, file);
    import.UseWindow = false;
    import.Format = kComma;
    bool backedUp = false;
    import.BeforeChange = [&] { backedUp = true;
    EXPECT_EQ(db.AlbumCount(), albums);
    EXPECT_EQ(db.LookupList(fdArtist).Count(), artists);
};
QObject::connect(&import, &TProcess::OnProgress, [&import](int percent) {
    if (percent >= 50)
        import.Cancel();
});
EXPECT_FALSE(import.Run());
EXPECT_TRUE(backedUp);
EXPECT_TRUE(import.Summary.Cancelled);
EXPECT_EQ(ui.messages.last(), QStringLiteral("The import was cancelled: nothing was added."));
EXPECT_EQ(db.AlbumCount(), albums);
for (int l = 0; l < 15; ++l) {
    EXPECT_EQ(db.LookupListAt(l).Count(), entries[std::size_t(l)]) << l;
}
// Entries had been made, and were taken out again.
EXPECT_GT(db.LookupList(fdArtist).LastID, lastArtistId + 10);

// Run again to the end, everything comes in.
TDelimitedImport again(nullptr, db, file);
again.UseWindow = false;
again.Format = kComma;
EXPECT_TRUE(again.Run());
EXPECT_EQ(db.AlbumCount(), albums + 60);
EXPECT_EQ(db.LookupList(fdArtist).Count(), artists + 60);
}

// Files that hold nothing to import are refused with a message and change nothing; a
// file of column names alone imports no album.
TEST(DelimitedImport, RefusesFilesWithNothingToImport)
{
    TScriptedInterface ui;
    const struct
    {
        const char *name;
        QByteArray bytes;
        const char *error; // empty: no failure
    } cases[] = {
        {"empty", "", "holds nothing"},
        {"blank lines", "\r\n\r\n", "holds nothing"},
        {"no field", "Notes,Misc\r\n1,2\r\n", "No column of"},
        {"derived fields only", "Album Name,ID\r\nx,1\r\n", "No column of"},
        {"names alone", "Title,Year\r\n", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TQelDb db;
        bool backedUp = false;
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("f.csv"));
        WriteFileBytes(file, c.bytes);
        TDelimitedImport import(nullptr, db, file);
        import.UseWindow = false;
        import.Format = kComma;
        import.BeforeChange = [&backedUp] { backedUp = true;
    };
    EXPECT_FALSE(import.Run());
    EXPECT_EQ(db.AlbumCount(), 0);
    EXPECT_TRUE(import.Error.contains(QLatin1String(c.error))) << import.Error.toStdString();
    if (*c.error) {
        EXPECT_FALSE(backedUp);
        EXPECT_EQ(ui.messages.last(), import.Error);
    } else {
        EXPECT_TRUE(import.Error.isEmpty());
        EXPECT_EQ(ui.messages.last(), QStringLiteral("Imported 0 albums from 0 rows."));
    }
}
}
