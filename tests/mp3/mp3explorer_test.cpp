#include "model/album.h"
#include "model/qeldb.h"
#include "mp3/mp3file.h"
#include "mp3/ui/mp3explorer.h"
#include "mp3testsupport.h"
#include "shell/dmglobal.h"
#include "shell/settingsstore.h"
#include "testsupport.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QProgressBar>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

} // namespace

TEST(Mp3Explorer, ListsStatusAndAlbum)
{
    TExplorerHost host;
    const QString root = host.home.file(QStringLiteral("Shelf"));
    QDir().mkpath(root + QStringLiteral("/Sub"));
    for (const char *name : {"a.mp3", "b.mp3", "Sub/c.mp3"})
        ASSERT_TRUE(QFile::copy(kMp3Fixtures + QStringLiteral("/v1.mp3"),
                                root + u'/' + QLatin1String(name)));
    host.store.WriteString(QStringLiteral("ScanMp3Screen"), QStringLiteral("InitialFolder"), root);
    ASSERT_TRUE(QFile::copy(QStringLiteral(QEL_TEST_FIXTURES "/covers/cmyk-red-blue.jpg"),
                            root + QStringLiteral("/cover.jpg")));

    qsizetype discs = 0;
    QString coverFile;
    QString artist;
    TfmScanMp3 window(host.db, host.dm, [&](TAlbum *album) {
        discs = album->DiscCount();
        coverFile = album->CoverFile;
        artist = album->GetFieldAsString(fdArtist);
        return false; // discarded, as when the editor is cancelled
    });
    std::vector<int> percents;
    QObject::connect(Child<QProgressBar>(&window, "pbScan"), &QProgressBar::valueChanged,
                     [&](int value) { percents.push_back(value); });
    window.show();
    QCoreApplication::sendPostedEvents(&window, QEvent::MetaCall); // the first scan
    auto *list = Child<QTreeWidget>(&window, "lvMp3");
    auto *status = Child<QLabel>(&window, "pnMessage");
    // The folder row first, then the files; the subfolder is counted, not read.
    ASSERT_EQ(list->topLevelItemCount(), 3);
    EXPECT_EQ(list->topLevelItem(0)->text(0), QStringLiteral("Sub"));
    EXPECT_EQ(list->topLevelItem(1)->text(2), QStringLiteral("Plain Title"));
    EXPECT_EQ(status->text(), QStringLiteral("2 MP3 files (1 MP3 files found in subfolders)"));
    ASSERT_NE(dynamic_cast<TMP3Folder *>(window.Root()->Items.front().get()), nullptr);
    EXPECT_TRUE(static_cast<TMP3Folder *>(window.Root()->Items.front().get())->Items.empty());
    // The bar went up to the whole of the top folder's two files.
    ASSERT_FALSE(percents.empty());
    EXPECT_EQ(percents.back(), 100);

    // The album takes the whole tree: the unread subfolder is read first.
    auto *create = Child<QAction>(&window, "acCreateAlbum");
    ASSERT_TRUE(create->isEnabled());
    create->trigger();
    EXPECT_EQ(discs, 2); // Sub, then "Other Files"
    EXPECT_EQ(artist, QStringLiteral("Plain Artist"));
    // The cover copied for the discarded album went with it.
    ASSERT_FALSE(coverFile.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(host.dm.Prefs().CoversFolder + u'/' + coverFile));

    Child<QCheckBox>(&window, "ckShowFlatList")->click();
    ASSERT_EQ(list->topLevelItemCount(), 3);
    EXPECT_EQ(list->topLevelItem(0)->text(0), QStringLiteral("Sub/c.mp3")); // depth first
    EXPECT_EQ(status->text(), QStringLiteral("3 MP3 files"));

    // No program to play it with (the offscreen desktop opens nothing), then a file that
    // went away since the scan.
    list->setCurrentItem(list->topLevelItem(1));
    Child<QAction>(&window, "acPlay")->trigger();
    QFile::remove(root + QStringLiteral("/a.mp3"));
    Child<QAction>(&window, "acPlay")->trigger();
    EXPECT_EQ(host.ui.messages, (QStringList{QStringLiteral("No program could open the file:\r\n") +
                                                 root + QStringLiteral("/a.mp3"),
                                             QStringLiteral("File not found:\r\n") + root +
                                                 QStringLiteral("/a.mp3")}));

    // An empty folder: nothing to make an album of.
    QDir().mkpath(host.home.file(QStringLiteral("Empty")));
    window.ScanFolder(host.home.file(QStringLiteral("Empty")));
    EXPECT_FALSE(create->isEnabled());
    EXPECT_EQ(status->text(), QStringLiteral("0 MP3 files"));
}

// Other formats beside MP3 files: each listed with its stream, a file no reader makes out
// as "(unreadable)", a film without sound not at all; the texts say "audio files".
TEST(Mp3Explorer, OtherFormatsAreListedAsAudioFiles)
{
    TExplorerHost host;
    const QString root = host.home.file(QStringLiteral("Mixed"));
    LayOutMp3Tree(root, {QStringLiteral("a.flac=formats/flac.flac"),
                         QStringLiteral("b.mp3=formats/mp3.mp3"), QStringLiteral("c.flac="),
                         QStringLiteral("Sub/d.m4a=formats/aac.m4a"),
                         QStringLiteral("Sub/film.mp4=formats/video.mp4")});
    QString flacType;
    for (const QJsonValue &v :
         QJsonDocument::fromJson(
             ReadFileBytes(kAudioFixtures + QStringLiteral("/formats/expectations.json")))
             .array())
        if (v[QStringLiteral("path")] == QStringLiteral("flac.flac"))
            flacType = v[QStringLiteral("description")].toString();
    ASSERT_FALSE(flacType.isEmpty());
    host.store.WriteString(QStringLiteral("ScanMp3Screen"), QStringLiteral("InitialFolder"), root);
    TfmScanMp3 window(host.db, host.dm, {});
    window.show();
    QCoreApplication::sendPostedEvents(&window, QEvent::MetaCall); // the first scan
    auto *list = Child<QTreeWidget>(&window, "lvMp3");
    auto *status = Child<QLabel>(&window, "pnMessage");
    const auto column = [list](int c) {
        QStringList out;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            out << list->topLevelItem(i)->text(c);
        return out;
    };
    EXPECT_EQ(column(0), (QStringList{QStringLiteral("Sub"), QStringLiteral("a.flac"),
                                      QStringLiteral("b.mp3"), QStringLiteral("c.flac")}));
    EXPECT_EQ(column(8),
              (QStringList{QString(), flacType,
                           QStringLiteral("MPEG 2.5, layer 3, 32kbps, 8kHz, Single Channel"),
                           QStringLiteral("(unreadable)")}));
    EXPECT_EQ(column(2).value(1), QStringLiteral("FLAC Title"));
    EXPECT_EQ(status->text(), QStringLiteral("3 audio files (1 audio files found in subfolders)"));
    list->setCurrentItem(list->topLevelItem(1));
    EXPECT_TRUE(Child<QAction>(&window, "acPlay")->isEnabled());

    Child<QCheckBox>(&window, "ckShowFlatList")->click();
    EXPECT_EQ(column(0), (QStringList{QStringLiteral("Sub/d.m4a"), QStringLiteral("a.flac"),
                                      QStringLiteral("b.mp3"), QStringLiteral("c.flac")}));
    EXPECT_EQ(status->text(), QStringLiteral("4 audio files"));
}

// Esc during a scan stops it; the list then shows nothing.
TEST(Mp3Explorer, EscCancelsAScan)
{
    TExplorerHost host;
    const QString root = host.home.file(QStringLiteral("Big"));
    QDir().mkpath(root);
    for (int i = 0; i < 400; ++i)
        ASSERT_TRUE(QFile::copy(kMp3Fixtures + QStringLiteral("/v1.mp3"),
                                root + QStringLiteral("/%1.mp3").arg(i)));
    host.store.WriteString(QStringLiteral("ScanMp3Screen"), QStringLiteral("InitialFolder"),
                           host.home.path());
    TfmScanMp3 window(host.db, host.dm, {});
    window.show();
    // Cancel from inside the scan, as the Esc key does when events are handled.
    QTimer::singleShot(0, &window, [&] {
        EXPECT_TRUE(window.Scanning());
        Child<QAction>(&window, "acCancelScan")->trigger();
    });
    window.ScanFolder(root);
    EXPECT_FALSE(window.Scanning());
    EXPECT_EQ(Child<QTreeWidget>(&window, "lvMp3")->topLevelItemCount(), 0);
}

// The first scan runs once exec() has its loop: a Close during that scan ends exec(),
// where it used to leave the caller waiting inside a hidden dialog.
TEST(Mp3Explorer, CloseDuringTheFirstScanEndsTheDialog)
{
    TExplorerHost host;
    const QString root = host.home.file(QStringLiteral("Big"));
    QDir().mkpath(root);
    for (int i = 0; i < 200; ++i)
        ASSERT_TRUE(QFile::copy(kMp3Fixtures + QStringLiteral("/v1.mp3"),
                                root + QStringLiteral("/%1.mp3").arg(i)));
    host.store.WriteString(QStringLiteral("ScanMp3Screen"), QStringLiteral("InitialFolder"), root);
    TfmScanMp3 window(host.db, host.dm, {});
    bool closed = false;
    QObject::connect(Child<QProgressBar>(&window, "pbScan"), &QProgressBar::valueChanged, &window,
                     [&] {
                         if (!closed && window.Scanning()) {
                             closed = true;
                             Child<QAction>(&window, "acClose")->trigger();
                         }
                     });
    // Ends a stuck dialog so that the test fails instead of hanging: only a dialog shown
    // again can end the loop that its hiding did not.
    bool stuck = false;
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, &window, [&] {
        stuck = true;
        window.show();
        window.reject();
    });
    watchdog.start(30000);
    EXPECT_EQ(window.exec(), QDialog::Rejected);
    EXPECT_TRUE(closed);
    EXPECT_FALSE(stuck) << "exec() went on after the dialog was closed";
    EXPECT_FALSE(window.Scanning());
}

// Folders five levels down read in full: the tree's column is as wide as its names and
// the pane scrolls sideways.
TEST(Mp3Explorer, DeepFoldersAreNotCutShort)
{
    TExplorerHost host;
    const QString deep = host.home.file(
        QStringLiteral("Music Library/Various Artists/Compilations 1990-1999/Disc One/"
                       "A Rather Long Folder Name"));
    QDir().mkpath(deep);
    host.store.WriteString(QStringLiteral("ScanMp3Screen"), QStringLiteral("InitialFolder"), deep);
    TfmScanMp3 window(host.db, host.dm, {});
    window.show();
    QCoreApplication::sendPostedEvents(&window, QEvent::MetaCall);
    auto *tree = Child<QTreeView>(&window, "tvMP3");
    const QModelIndex chosen = tree->currentIndex();
    ASSERT_EQ(chosen.data().toString(), QStringLiteral("A Rather Long Folder Name"));
    // The view lays its rows and column out from the event loop.
    const auto fits = [&] {
        return tree->visualRect(chosen).width() >= tree->sizeHintForIndex(chosen).width();
    };
    for (int i = 0; i < 100 && !fits(); ++i)
        QTest::qWait(10);
    EXPECT_TRUE(fits()) << tree->visualRect(chosen).width() << " < "
                        << tree->sizeHintForIndex(chosen).width();
    EXPECT_GT(tree->horizontalScrollBar()->maximum(), 0);
}
