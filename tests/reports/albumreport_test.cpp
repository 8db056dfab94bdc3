#include "model/album.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "reports/albumreport.h"
#include "shell/iconfiles.h"
#include "testsupport.h"

#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QSet>
#include <gtest/gtest.h>

namespace {

template <class T> T *add(TDataItem *parent, const char *title)
{
    auto *item = new T(parent);
    item->Title = QString::fromLatin1(title);
    parent->Add(item);
    return item;
}

QString describe(const TrpAlbums::TRow &row)
{
    static const char *kinds[] = {"name", "cover", "album", "captions", "row"};
    QString s = QString::fromLatin1(kinds[row.kind]);
    if (row.kind == TrpAlbums::TRow::rkDetail)
        s += QStringLiteral(" %1 %2 icon %3")
                 .arg(row.level)
                 .arg(QString(row.item->Title))
                 .arg(TrpAlbums::IconIndex(row));
    return s;
}

} // namespace

// Discs, headers, tracks and subtracks at their levels with their icons, depth first.
TEST(AlbumReport, BandsLevelsAndIcons)
{
    TQelDb db;
    auto *album = new TAlbum(&db);
    album->Title = QStringLiteral("Set");
    db.AddAlbum(album);
    TDisc *disc = add<TDisc>(album, "Disc");
    TTrack *track = add<TTrack>(disc, "Track");
    add<TSubTrack>(track, "Sub");
    THeader *header = add<THeader>(disc, "Part");
    TTrack *under = add<TTrack>(header, "Under");
    add<TSubTrack>(under, "Deep");
    auto *empty = new TAlbum(&db);
    db.AddAlbum(empty);

    TrpAlbums report({album, empty}, {}, {{fdTitle, QStringLiteral("Title"), 0}});
    report.Build();
    QStringList bands;
    for (const auto &row : report.Rows())
        bands << describe(row);
    const int format = album->FormatImage();
    EXPECT_EQ(
        bands,
        (QStringList{QStringLiteral("name"), QStringLiteral("cover"), QStringLiteral("album"),
                     QStringLiteral("captions"), QStringLiteral("row 1 Disc icon %1").arg(format),
                     QStringLiteral("row 2 Track icon 2"), QStringLiteral("row 3 Sub icon 3"),
                     QStringLiteral("row 2 Part icon 1"), QStringLiteral("row 3 Under icon 2"),
                     QStringLiteral("row 4 Deep icon 3"),
                     // An album without discs: its bands and the captions, no rows.
                     QStringLiteral("name"), QStringLiteral("cover"), QStringLiteral("album"),
                     QStringLiteral("captions")}));
    // Each album starts a page of its own.
    EXPECT_TRUE(report.StartsNewPage(10));
    EXPECT_FALSE(report.StartsNewPage(4));
    report.Paginate(QSizeF(700, 1000));
    EXPECT_EQ(report.PageCount(), 2);
    report.NewPagePerAlbum = false;
    report.Paginate(QSizeF(700, 1000));
    EXPECT_EQ(report.PageCount(), 1);

    QImage page(700, 1000, QImage::Format_RGB32);
    QPainter painter(&page);
    report.PaintPage(painter, 0); // a cover file that is not there prints the frame alone
}

TEST(AlbumReport, AlbumBandHeights)
{
    TQelDb db;
    auto *album = new TAlbum(&db);
    db.AddAlbum(album);
    std::vector<TReportColumn> five;
    for (TFieldId f : {fdTitle, fdArtist, fdYear, fdGenre, fdLabel})
        five.push_back({f, QStringLiteral("x"), 0});
    TrpAlbums report({album}, five, {});
    report.ShowNameHeader = false;
    report.ShowCoverAndComments = false;
    report.Build();
    ASSERT_EQ(report.Rows().front().kind, TrpAlbums::TRow::rkAlbum);
    EXPECT_EQ(report.DetailHeight(0), 93);
    report.Layout = TrpAlbums::alTabular;
    EXPECT_EQ(report.DetailHeight(0), 42);

    // Long comments grow the cover band and move the rest down.
    report.ShowCoverAndComments = true;
    report.Build();
    EXPECT_EQ(report.DetailHeight(0), 144);
    album->Comments = QString(40, u'x') + QString(QStringLiteral(" word")).repeated(600);
    EXPECT_GT(report.DetailHeight(0), 144);
}

// The tool's album report draws its rows' pictures as the program does: the PDF holds
// 32-pixel images (no cover asked for, so nothing else), each picture stored once however
// many rows show it.
TEST(AlbumReport, TheToolPrintsTheRowsPictures)
{
    TTestHome home;
    const QString pdf = home.file(QStringLiteral("albums.pdf"));
    const TRunResult r = RunQel({QStringLiteral("report"), QStringLiteral("albums"),
                                 QStringLiteral(QEL_BINARY_DIR "/resources/demo.qel"), pdf,
                                 QStringLiteral("--no-cover")});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    QProcess images;
    images.start(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf});
    ASSERT_TRUE(images.waitForFinished(30000));
    const QStringList lines =
        QString::fromUtf8(images.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    int icons = 0;
    QSet<QString> stored;                      // PDF objects
    for (const QString &line : lines.mid(2)) { // two header lines
        const QStringList cells = line.simplified().split(u' ');
        ASSERT_GE(cells.size(), 11) << line.toStdString();
        EXPECT_EQ(cells[3], QStringLiteral("32")) << line.toStdString();
        EXPECT_EQ(cells[4], QStringLiteral("32")) << line.toStdString();
        stored.insert(cells[10]);
        ++icons;
    }
    EXPECT_GT(icons, 100);
    EXPECT_LE(stored.size(), kItemIconCount);
}
