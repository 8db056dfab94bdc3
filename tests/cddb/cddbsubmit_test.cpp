#include "cddb/cddbalbum.h"
#include "cddb/cddbsubmit.h"
#include "cddb/cdreader.h"
#include "cddb/scancd.h"
#include "discimages.h"
#include "model/album.h"
#include "model/lookuplist.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "testsupport.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

// An album made by scanning image and taking an entry with these titles, as the
// query screen makes it.
TAlbum *scannedAlbum(TQelDb &db, const QString &image, const QString &dtitle,
                     const QStringList &titles)
{
    TScanCD record;
    TCdScanner().Scan(image, record);
    TCddbCD &e = record.AddCddbCD();
    e.DTitle = dtitle;
    e.Category = QStringLiteral("folk");
    for (const QString &t : titles)
        e.AddTrack().Title = t;
    record.SelectCddbCD(0);
    record.UseGenre = true;
    return CreateFromScanCD(record, db, nullptr);
}

} // namespace

TEST(CddbSubmit, EntryFromTheAlbum)
{
    TTestHome home;
    const QString image = MakeDiscImage(home.path(), QStringLiteral("a"), {{150, 15000}, 30000});
    TQelDb db;
    std::unique_ptr<TAlbum> album(
        scannedAlbum(db, image, QStringLiteral("Harbour Lights / Songs/Live"),
                     {QStringLiteral("One"), QStringLiteral("Guest / Two")}));
    TDisc *disc = album->Disc(0);
    disc->Title = QStringLiteral("First");
    album->Comments = QStringLiteral("Notes");
    disc->Track(0)->Comments = QStringLiteral("Track notes");
    TScanCD record;
    BuildSubmitEntry(*album, record, 0, {});
    ASSERT_EQ(record.CddbCDCount(), 1);
    const TCddbCD &e = record.CddbCD(0);
    // A "/" inside a title becomes a blank: only our separators divide.
    EXPECT_EQ(e.DTitle, QStringLiteral("Harbour Lights / Songs Live"));
    EXPECT_EQ(e.Category, QStringLiteral("folk"));
    EXPECT_EQ(e.Revision, 1);
    EXPECT_EQ(e.DiscId, disc->CddbDiscId);
    EXPECT_TRUE(e.SubmittedVia.startsWith(QStringLiteral("Qel 3.1 - ")));
    EXPECT_EQ(e.Track(0).Title, QStringLiteral("One"));
    EXPECT_EQ(e.Track(1).Title, QStringLiteral("Guest / Two"));
    EXPECT_EQ(e.Track(1).FrameOffset, 15000);
    EXPECT_TRUE(e.ExtData.isEmpty());
    EXPECT_TRUE(e.Track(0).ExtData.isEmpty());

    TSubmitOptions options;
    options.titleChoice = 2;
    options.submitDiscExt = true;
    options.submitTrackExt = true;
    BuildSubmitEntry(*album, record, 0, options);
    EXPECT_EQ(record.CddbCD(0).DTitle, QStringLiteral("Harbour Lights / Songs Live - First"));
    EXPECT_EQ(record.CddbCD(0).ExtData, QStringLiteral("Notes"));
    EXPECT_EQ(record.CddbCD(0).Track(0).ExtData, QStringLiteral("Track notes"));

    // An artist equal to the title gives a title without a slash.
    album->Title = QStringLiteral("Harbour Lights");
    BuildSubmitEntry(*album, record, 0, {});
    EXPECT_EQ(record.CddbCD(0).DTitle, QStringLiteral("Harbour Lights"));
}

// The check stops at its first failure, in this order; a disc that passes gives no text.
TEST(CddbSubmit, CheckFailuresInOrder)
{
    TTestHome home;
    const QString image = MakeDiscImage(home.path(), QStringLiteral("a"), {{150, 15000}, 30000});
    const QString other = MakeDiscImage(home.path(), QStringLiteral("b"), {{150, 20000}, 40000});
    const QString three =
        MakeDiscImage(home.path(), QStringLiteral("c"), {{150, 15000, 22500}, 30000});
    const struct
    {
        const char *expected;
        std::function<void(TQelDb &, TAlbum &, QString &category, QString &source, bool &yes)>
            change;
    } cases[] = {
        {"No Category selected.",
         [](TQelDb &, TAlbum &, QString &c, QString &, bool &) { c.clear(); }},
        {"Disc Title is empty",
         [](TQelDb &, TAlbum &a, QString &, QString &, bool &) {
             a.Title = QString();
             a.Artist = nullptr;
         }},
        {"Display Name of Disc Artist is empty.",
         [](TQelDb &db, TAlbum &a, QString &, QString &, bool &) {
             a.Artist = db.LookupList(fdArtist).FindOrCreate(QStringLiteral("Nameless"), {});
         }},
        {"Display Name of Disc Artist not in correct format",
         [](TQelDb &db, TAlbum &a, QString &, QString &, bool &yes) {
             a.Artist = db.LookupList(fdArtist).FindOrCreate(QStringLiteral("Lights, Harbour"),
                                                             QStringLiteral("Lights, Harbour"));
             yes = false;
         }},
        {"Wrong disc inserted.",
         [&](TQelDb &, TAlbum &, QString &, QString &s, bool &) { s = other; }},
        {"Track count does not match CD.",
         [&](TQelDb &, TAlbum &a, QString &, QString &s, bool &) {
             s = three;
             TScanCD d;
             TCdScanner().Scan(three, d);
             a.Disc(0)->CddbDiscId = d.CddbDiscId;
         }},
        {"Track list doesn't match CD.", [](TQelDb &, TAlbum &a, QString &, QString &,
                                            bool &) { a.Disc(0)->Track(1)->StartFrame = 0; }},
        {"Display Name of Track Artist not in correct format",
         [](TQelDb &db, TAlbum &a, QString &, QString &, bool &yes) {
             a.Disc(0)->Track(1)->Artist = db.LookupList(fdArtist).FindOrCreate(
                 QStringLiteral("Guest, A"), QStringLiteral("Guest, A"));
             yes = false;
         }},
        {"No track titles.",
         [](TQelDb &, TAlbum &a, QString &, QString &, bool &) {
             a.Disc(0)->Track(0)->Title = QString();
             a.Disc(0)->Track(1)->Title = QString();
         }},
        {"", [](TQelDb &, TAlbum &, QString &, QString &, bool &) {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.expected);
        TScriptedInterface ui;
        TQelDb db;
        std::unique_ptr<TAlbum> album(scannedAlbum(db, image,
                                                   QStringLiteral("Harbour Lights / Songs"),
                                                   {QStringLiteral("One"), QStringLiteral("Two")}));
        QString category = QStringLiteral("folk");
        QString source = image;
        c.change(db, *album, category, source, ui.yes);
        TScanCD record;
        EXPECT_EQ(CheckSubmission(*album, record, 0, {}, category, source),
                  QString::fromUtf8(c.expected));
        if (!ui.yes) {
            // The comma questions: line breaks only between sentences, so the box wraps
            // each one at word boundaries as a whole.
            ASSERT_EQ(ui.messages.size(), 1);
            const QStringList lines = ui.messages[0].split(QStringLiteral("\r\n"));
            EXPECT_EQ(lines.size(), 6);
            for (const QString &line : lines)
                EXPECT_TRUE(line.endsWith(u'.') || line.endsWith(u'!') || line.endsWith(u'?'))
                    << line.toStdString();
            EXPECT_EQ(lines.last(), QStringLiteral("Continue?"));
        }
    }
}
