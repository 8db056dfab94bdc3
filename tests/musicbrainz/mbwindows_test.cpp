// The MusicBrainz window and the commands that open it, against the test server with
// disc images in the drive's place; pacing on a clock that does not sleep.
#include "cddb/scanlist.h"
#include "cddb/ui/scanwindow.h"
#include "editors/ui/albumeditor.h"
#include "mainwindow/ui/mainwindow.h"
#include "mbsupport.h"
#include "mbtestserver.h"
#include "model/album.h"
#include "model/lookuplist.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "musicbrainz/mbdiscid.h"
#include "musicbrainz/ui/mbquerywindow.h"
#include "shell/dmglobal.h"
#include "shell/drivelist.h"
#include "shell/settingsstore.h"
#include "shell/ui/prefsdialog.h"
#include "testsupport.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QTabBar>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <gtest/gtest.h>
#include <memory>

namespace {

class TNoDrives : public TDriveList
{
public:
    QStringList CdDrives() override { return {}; }
};

struct TWindowHost
{
    TTestHome home;
    TScriptedInterface ui;
    TFakePacing pacing;
    TMbTestServer server{MbFixtures()};
    TMemorySettingsStore store;
    TNoDrives drives;
    QString covers = home.file(QStringLiteral("covers"));

    TWindowHost()
    {
        const QString mb = QStringLiteral("MusicBrainz");
        store.WriteString(mb, QStringLiteral("Server"), server.Url());
        store.WriteString(mb, QStringLiteral("CoverServer"), server.Url());
        store.WriteString(QStringLiteral("Folders"), QStringLiteral("Covers"), covers);
        server.SetAnswer(QStringLiteral("/images/"), {200, PictureBytes("JPEG")});
        useDisc(MbDiscs::Tidewater, "tidewater");
    }
    QString useDisc(const TDiscLayout &layout, const char *name)
    {
        const QString image = MakeDiscImage(home.path(), QLatin1String(name), layout);
        store.WriteString(QStringLiteral("Scan"), QStringLiteral("Drive"), image);
        return image;
    }
};

QString panelText(QWidget *window, const char *name)
{
    auto *label = Child<QLabel>(window, name);
    return label ? label->text() : QString();
}

QStringList tabTexts(QWidget *window)
{
    QStringList texts;
    auto *tabs = Child<QTabBar>(window, "tcReleases");
    for (int i = 0; tabs && i < tabs->count(); ++i)
        texts << tabs->tabText(i);
    return texts;
}

QString cell(QWidget *window, int row, int column)
{
    auto *list = Child<QTreeWidget>(window, "lvTracks");
    QTreeWidgetItem *item = list ? list->topLevelItem(row) : nullptr;
    return item ? item->text(column) : QStringLiteral("<no row>");
}

// Runs act on the next modal dialog that passes wanted, once it shows (looked for
// every 10 ms, for up to 10 s: a look-up may run before it opens), then makes sure it
// closes.
void whenDialog(const std::function<bool(QDialog *)> &wanted,
                const std::function<void(QDialog *)> &act)
{
    auto *poll = new QTimer;
    poll->setInterval(10);
    auto since = std::make_shared<QElapsedTimer>();
    since->start();
    QObject::connect(poll, &QTimer::timeout, [=] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog || !wanted(dialog)) {
            if (since->elapsed() > 10000) {
                poll->stop();
                poll->deleteLater();
                ADD_FAILURE() << "no dialog";
            }
            return;
        }
        poll->stop();
        poll->deleteLater();
        act(dialog);
        if (dialog->isVisible())
            dialog->done(QDialog::Rejected);
    });
    poll->start();
}

std::function<bool(QDialog *)> named(const char *name)
{
    return [name](QDialog *d) { return d->objectName() == QLatin1String(name); };
}

// The MusicBrainz window, once it has said what it found: a window opened by a command
// looks the disc up after it shows.
std::function<bool(QDialog *)> lookedUp()
{
    return [](QDialog *d) {
        return d->objectName() == QLatin1String("fmMusicBrainz") &&
               !d->findChild<QLabel *>(QStringLiteral("pnMessage"))->text().isEmpty();
    };
}

} // namespace

TEST(MbWindow, ShowsEachReleaseFoundAndMakesTheAlbum)
{
    TWindowHost host;
    TdmGlobal dm(QStringList{}, &host.store, &host.drives);
    TQelDb db;
    TfmMbQuery window(TScanCD(), TfmMbQuery::TMode::Add, 0, db, dm);
    window.show();
    EXPECT_FALSE(Child<QPushButton>(&window, "btOk")->isEnabled());
    window.ScanQuery();
    EXPECT_EQ(tabTexts(&window),
              (QStringList{QStringLiteral("Release 1"), QStringLiteral("Release 2")}));
    EXPECT_EQ(panelText(&window, "pnMessage"),
              QStringLiteral("Found 2 release(s) for disc ID KuNFKHm34dfUgqH1inSkHLJESEI-"));
    const struct
    {
        const char *panel;
        const char *first;
        const char *second;
    } panels[] = {
        {"pnTitle", "Tidewater Songs", "Tidewater Songs (2004 remaster)"},
        {"pnArtist", "Harbour Lights", "Harbour Lights"},
        {"pnDate", "1998-05-04", "2004-10-11"},
        {"pnCountry", "GB", "XE"},
        {"pnLabel", "Saltmarsh Records", "Saltmarsh Records"},
        {"pnCatalogNumber", "SMR 014", "SMR 014R"},
        {"pnBarcode", "5012345678900", "5012345678917"},
        {"pnFormat", "CD", "CD"},
        {"pnMbDiscId", "KuNFKHm34dfUgqH1inSkHLJESEI-", "KuNFKHm34dfUgqH1inSkHLJESEI-"},
        {"pnCddbID", "3804d405", "3804d405"},
    };
    for (const auto &p : panels)
        EXPECT_EQ(panelText(&window, p.panel), QLatin1String(p.first)) << p.panel;
    EXPECT_EQ(cell(&window, 0, 2), QStringLiteral("Low Tide"));
    EXPECT_EQ(cell(&window, 4, 1), QStringLiteral("04:39"));
    EXPECT_EQ(cell(&window, 4, 4), QStringLiteral("04:38"));
    EXPECT_EQ(host.server.Requests().size(), 2);

    // The second release is read when its tab is first shown.
    Child<QTabBar>(&window, "tcReleases")->setCurrentIndex(1);
    EXPECT_EQ(host.server.Requests().size(), 3);
    for (const auto &p : panels)
        EXPECT_EQ(panelText(&window, p.panel), QLatin1String(p.second)) << p.panel;
    Child<QTabBar>(&window, "tcReleases")->setCurrentIndex(0);
    EXPECT_EQ(host.server.Requests().size(), 3) << "read once";

    // The disc is in the collection already: the question names its album; No keeps
    // the window open.
    auto *held = new TAlbum(&db);
    held->Title = QStringLiteral("Held");
    auto *disc = new TDisc(held);
    held->Add(disc);
    disc->MsDiscId = window.Record().MsDiscId;
    db.AddAlbum(held);
    host.ui.yes = false;
    window.accept();
    EXPECT_EQ(host.ui.messages,
              QStringList{QStringLiteral("This CD is already in your database as \"Held -  ()\", "
                                         "do you still want to add it as a new Album?")});
    EXPECT_TRUE(window.isVisible());
    host.ui.yes = true;
    window.accept();
    EXPECT_EQ(window.result(), QDialog::Accepted);
    std::unique_ptr<TAlbum> album = window.TakeAlbum();
    ASSERT_TRUE(album);
    EXPECT_EQ(album->Title.view(), QStringLiteral("Tidewater Songs"));
    EXPECT_EQ(album->CoverFile.view(),
              QLatin1String(MbReleases::Tidewater) + QStringLiteral(".jpg"));
    EXPECT_EQ(window.CoverNote(), QString());
}

TEST(MbWindow, NearMatchesAndNothingFound)
{
    TWindowHost host;
    TdmGlobal dm(QStringList{}, &host.store, &host.drives);
    TQelDb db;
    dm.Prefs().Drive = host.useDisc(MbDiscs::LowTide, "lowtide");
    {
        TfmMbQuery window(TScanCD(), TfmMbQuery::TMode::Add, 0, db, dm);
        window.ScanQuery();
        EXPECT_EQ(tabTexts(&window), QStringList{QStringLiteral("Release 1 (near)")});
        EXPECT_TRUE(panelText(&window, "pnMatch").startsWith(QStringLiteral("Near match")));
        EXPECT_EQ(panelText(&window, "pnMessage"),
                  QStringLiteral("Found 1 release(s) with a near table of contents"));
        EXPECT_FALSE(Child<QPushButton>(&window, "btSubmit")->isVisibleTo(&window));
    }
    dm.Prefs().Drive = host.useDisc({{150, 9000}, 20000}, "unknown");
    TfmMbQuery window(TScanCD(), TfmMbQuery::TMode::Add, 0, db, dm);
    QList<QUrl> opened;
    window.OpenUrl = [&opened](const QUrl &url) {
        opened << url;
        return true;
    };
    window.ScanQuery();
    EXPECT_EQ(tabTexts(&window), QStringList{QStringLiteral("Nothing found")});
    EXPECT_TRUE(
        panelText(&window, "pnMessage").startsWith(QStringLiteral("Nothing found on MusicBrainz")));
    EXPECT_FALSE(Child<QPushButton>(&window, "btOk")->isEnabled());
    auto *submit = Child<QPushButton>(&window, "btSubmit");
    ASSERT_TRUE(submit->isVisibleTo(&window));
    window.show();
    Click(&window, "btSubmit");
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0], QUrl(MbDiscIdOfToc(1, 2, 20000, {150, 9000}).SubmitUrl));
    EXPECT_TRUE(opened[0].toString().contains(QLatin1String("dF_16UalVjj2uKuzqTlH98rMWJE-")));

    // A failed look-up says so once and offers nothing to take; so does a disc that
    // cannot be read, which leaves nothing of the last look-up behind.
    host.server.SetAnswer(QStringLiteral("/ws/2/"), {500, "down"});
    window.ScanQuery();
    EXPECT_EQ(host.ui.messages,
              QStringList{QStringLiteral("MusicBrainz failed to answer: HTTP 500 Internal Server "
                                         "Error.")});
    EXPECT_EQ(panelText(&window, "pnMessage"), QStringLiteral("MusicBrainz look-up failed"));
    EXPECT_TRUE(tabTexts(&window).isEmpty());
    EXPECT_FALSE(Child<QPushButton>(&window, "btOk")->isEnabled());
    host.ui.messages.clear();
    dm.Prefs().Drive = host.home.file(QStringLiteral("gone.cue"));
    window.ScanQuery();
    EXPECT_EQ(host.ui.messages, QStringList{QStringLiteral("No CD-ROM drive found.")});
    EXPECT_TRUE(tabTexts(&window).isEmpty());
    EXPECT_EQ(Child<QTreeWidget>(&window, "lvTracks")->topLevelItemCount(), 0);
    EXPECT_FALSE(Child<QPushButton>(&window, "btSubmit")->isVisibleTo(&window));
    EXPECT_FALSE(Child<QPushButton>(&window, "btOk")->isEnabled());
}

TEST(MbCommands, MenuEntryMakesTheAlbumThroughTheEditor)
{
    TWindowHost host;
    UseDemoCollection(host.home, host.store);
    TfmMain main(QStringList{}, &host.store, &host.drives);
    main.show();
    QAction *query = main.Action(QStringLiteral("acQueryMusicBrainz"));
    ASSERT_TRUE(query);
    EXPECT_EQ(query->text(), QStringLiteral("Query &MusicBrainz..."));
    auto *cddbMenu = main.menuBar()->findChild<QMenu *>(QStringLiteral("miCddb"));
    ASSERT_TRUE(cddbMenu);
    EXPECT_TRUE(cddbMenu->actions().contains(query));

    const qsizetype before = main.Db().AlbumCount();
    bool editorOpened = false;
    whenDialog(lookedUp(), [&](QDialog *window) {
        whenDialog(named("fmAlbum"), [&](QDialog *editor) {
            editorOpened = true;
            editor->accept();
        });
        Click(window, "btOk");
    });
    query->trigger();
    ASSERT_TRUE(editorOpened) << host.ui.messages.join(u'|').toStdString();
    ASSERT_EQ(main.Db().AlbumCount(), before + 1);
    main.FinishSaving();
}

TEST(MbCommands, BatchWindowLooksEverySelectedDiscUp)
{
    TWindowHost host;
    TdmGlobal dm(QStringList{}, &host.store, &host.drives);
    {
        TScanCdList list;
        for (const auto &[layout, name] :
             {std::pair{MbDiscs::Tidewater, "a"}, std::pair{MbDiscs::DemoTape, "b"},
              std::pair{TDiscLayout{{150, 9000}, 20000}, "c"}})
            list.Add(new TScanCD(ScanMbDisc(host.home.path(), layout, QLatin1String(name))));
        ASSERT_EQ(list.SaveToFile(), QString());
    }
    TQelDb db;
    QStringList added;
    TfmScan screen(db, dm, [&](TAlbum *album) {
        added << album->GetFieldAsString(fdTitle);
        delete album;
        return true;
    });
    screen.show();
    auto *list = Child<QTreeWidget>(&screen, "lvCDs");
    ASSERT_EQ(list->topLevelItemCount(), 3);
    list->setCurrentItem(list->topLevelItem(0));
    Child<QAction>(&screen, "acSelectAll")->trigger();
    QAction *query = Child<QAction>(&screen, "acQueryMusicBrainz");
    ASSERT_TRUE(query->isEnabled());
    Child<QCheckBox>(&screen, "ckAutoRemove")->setChecked(true);
    // The first disc's window: its album is taken; the second's: skipped.
    whenDialog(named("fmMusicBrainz"), [&](QDialog *first) {
        EXPECT_EQ(panelText(first, "pnTitle"), QStringLiteral("Tidewater Songs"));
        const QPointer<QDialog> done = first;
        whenDialog([done](QDialog *) { return !done; },
                   [](QDialog *second) {
                       EXPECT_EQ(panelText(second, "pnTitle"), QStringLiteral("Demo Tape"));
                       Click(second, "btSkip");
                   });
        Click(first, "btOk");
    });
    query->trigger();
    EXPECT_EQ(added, QStringList{QStringLiteral("Tidewater Songs")});
    EXPECT_EQ(panelText(&screen, "pnResult"),
              QStringLiteral("MusicBrainz: 2 of 3 CD(s) found, 1 album(s) added"));
    EXPECT_EQ(list->topLevelItemCount(), 2) << "Auto Remove takes the disc of the album";
    screen.reject();
}

TEST(MbCommands, AlbumEditorFillsTheSelectedDiscFromTheScannedMedium)
{
    TWindowHost host;
    host.useDisc(MbDiscs::NightFerryLate, "late");
    TdmGlobal dm(QStringList{}, &host.store, &host.drives);
    TQelDb db;
    auto *album = new TAlbum(&db);
    auto *disc = new TDisc(album);
    album->Add(disc);
    auto *track = new TTrack(disc);
    disc->Add(track);
    track->Title = QStringLiteral("typed");
    db.AddAlbum(album);
    TfmAlbum editor(nullptr, *album, TfmAlbum::amEdit, db, dm);
    editor.show();
    editor.SelectItem(disc);
    QAction *scan = Child<QAction>(&editor, "acScanQueryMusicBrainz");
    ASSERT_TRUE(scan->isEnabled());
    whenDialog(lookedUp(), [](QDialog *window) {
        EXPECT_EQ(Child<QPushButton>(window, "btOk")->text(), QStringLiteral("Update Disc"));
        Click(window, "btOk");
    });
    scan->trigger();
    EXPECT_TRUE(host.ui.messages.isEmpty()) << host.ui.messages.join(u'|').toStdString();
    EXPECT_EQ(quint32(disc->CddbDiscId), 0x27045604u);
    ASSERT_EQ(disc->Count(), 4);
    EXPECT_EQ(track->GetFieldAsString(fdTitle), QStringLiteral("Night Ferry"));
    EXPECT_EQ(disc->Items(1)->GetFieldAsString(fdTitle), QStringLiteral("Lantern Hands"));
    EXPECT_EQ(disc->Items(1)->GetFieldAsString(fdArtist), QStringLiteral("Jonas Bell"));
    EXPECT_EQ(disc->Items(3)->GetFieldAsString(fdTitle), QStringLiteral("Homeward (Reprise)"));
    EXPECT_FALSE(QDir(host.covers).exists()) << "updating a disc fetches no cover";
    editor.reject();
}

TEST(MbCommands, PreferencesFetchFrontCovers)
{
    TWindowHost host;
    TPrefs prefs(&host.drives);
    prefs.Load(host.store);
    EXPECT_TRUE(prefs.FetchFrontCovers);
    TfmPrefs dialog(prefs, host.drives);
    auto *box = Child<QCheckBox>(&dialog, "ckFetchFrontCovers");
    ASSERT_TRUE(box);
    EXPECT_TRUE(box->isChecked());
    box->setChecked(false);
    dialog.accept();
    EXPECT_FALSE(prefs.FetchFrontCovers);
    prefs.Save(host.store);
    TPrefs again(&host.drives);
    again.Load(host.store);
    EXPECT_FALSE(again.FetchFrontCovers);
    EXPECT_EQ(again.MusicBrainzServer, host.server.Url());
}
