// The CD and CDDB windows against the test server, with disc images in the drive's place.
#include "cddb/cddbalbum.h"
#include "cddb/cddbentry.h"
#include "cddb/cdreader.h"
#include "cddb/scancd.h"
#include "cddb/ui/cddbcdwindow.h"
#include "cddb/ui/cddbsettingswindow.h"
#include "cddb/ui/scanwindow.h"
#include "cddb/ui/submitwindow.h"
#include "cddbtestserver.h"
#include "discimages.h"
#include "editors/ui/albumeditor.h"
#include "mainwindow/ui/mainwindow.h"
#include "model/album.h"
#include "model/lookuplist.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "shell/dmglobal.h"
#include "shell/drivelist.h"
#include "shell/settingsstore.h"
#include "shell/ui/prefsdialog.h"
#include "testsupport.h"

#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

// Two pressings of one disc (04018e02): the first splits artist and title by a slash,
// the second is a plain album.
const QByteArray kRockEntry = "# xmcd\n#\n# Revision: 3\n# Submitted via: tool 1\n#\n"
                              "DISCID=04018e02\nDTITLE=The Band / First Album\n"
                              "TTITLE0=Singer A / Song One\nTTITLE1=Song Two (Singer B)\n"
                              "EXTD=liner notes\nEXTT0=first note\nEXTT1=\nPLAYORDER=\n";
const QByteArray kJazzEntry = "# xmcd\n#\n# Revision: 1\n# Submitted via: tool 2\n#\n"
                              "DISCID=04018e02\nDTITLE=Other Band / Second Album\n"
                              "TTITLE0=Alpha\nTTITLE1=Beta\nEXTD=\nEXTT0=\nEXTT1=\nPLAYORDER=\n";
const QByteArray kTwoMatches = "210 Found exact matches, list follows\r\n"
                               "rock 04018e02 The Band / First Album\r\n"
                               "jazz 04018e02 Other Band / Second Album\r\n.\r\n";

class TNoDrives : public TDriveList
{
public:
    QStringList CdDrives() override { return {}; }
};

// A settings store pointing the client at the test server and the scan drive at a disc
// image of two tracks.
struct TCddbHost
{
    TTestHome home;
    TScriptedInterface ui;
    QTemporaryDir entries;
    TCddbTestServer server{entries.path()};
    TMemorySettingsStore store;
    TNoDrives drives;
    QString image;

    TCddbHost()
    {
        QDir(entries.path()).mkpath(QStringLiteral("rock"));
        QDir(entries.path()).mkpath(QStringLiteral("jazz"));
        WriteFileBytes(entries.filePath(QStringLiteral("rock/04018e02")), kRockEntry);
        WriteFileBytes(entries.filePath(QStringLiteral("jazz/04018e02")), kJazzEntry);
        image = MakeDiscImage(home.path(), QStringLiteral("two"), {{150, 15000}, 30000});
        const QString cddb = QStringLiteral("Cddb");
        store.WriteString(cddb, QStringLiteral("Site"), server.Host());
        store.WriteInteger(cddb, QStringLiteral("Port"), server.Port());
        store.WriteString(cddb, QStringLiteral("Address"), QStringLiteral("/~cddb/cddb.cgi"));
        store.WriteString(cddb, QStringLiteral("EmailAddress"), QStringLiteral("me@example.org"));
        useDrive(image);
        answer("cddb query", kTwoMatches);
    }
    void useDrive(const QString &path)
    {
        store.WriteString(QStringLiteral("Scan"), QStringLiteral("Drive"), path);
    }
    void answer(const char *command, const QByteArray &body)
    {
        server.SetAnswer(QString::fromLatin1(command), TCddbTestServer::Text(body));
    }
};

QStringList tabTexts(QWidget *window)
{
    QStringList texts;
    auto *tabs = Child<QTabBar>(window, "tcCddbCD");
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

void choose(QWidget *window, const char *group, int index)
{
    auto *box = Child<QWidget>(window, group);
    const QList<QRadioButton *> radios = box->findChildren<QRadioButton *>();
    ASSERT_LT(index, radios.size());
    radios[index]->click();
}

} // namespace

TEST(CddbQueryScreen, EntriesOptionsAndExample)
{
    TCddbHost host;
    TdmGlobal dm(QStringList{}, &host.store, &host.drives);
    TQelDb db;
    TScanCD record;
    TfmCddbCD screen(record, false, 0, db, dm);
    screen.show();
    EXPECT_EQ(tabTexts(&screen), QStringList{QStringLiteral("Only Scan Info")});
    EXPECT_FALSE(Child<QPushButton>(&screen, "btOk")->isEnabled());
    EXPECT_EQ(Child<QPushButton>(&screen, "btOk")->text(), QStringLiteral("Add as Album"));

    Click(&screen, "btScan");
    EXPECT_EQ(tabTexts(&screen), (QStringList{QStringLiteral("CD 1"), QStringLiteral("CD 2"),
                                              QStringLiteral("Only Scan Info")}));
    EXPECT_EQ(Child<QLabel>(&screen, "pnMessage")->text(),
              QStringLiteral("Found 2 exact matches for CDDB ID \"04018e02\""));
    EXPECT_EQ(Child<QLabel>(&screen, "pnTitle")->text(), QStringLiteral("First Album"));
    EXPECT_EQ(Child<QLabel>(&screen, "pnArtist")->text(), QStringLiteral("The Band"));
    EXPECT_EQ(Child<QLabel>(&screen, "pnCddbID")->text(), QStringLiteral("04018e02"));
    EXPECT_EQ(Child<QLabel>(&screen, "laTracks")->text(),
              QStringLiteral("2 tracks (total length: 06:37)"));
    EXPECT_TRUE(Child<QPushButton>(&screen, "btOk")->isEnabled());
    EXPECT_EQ(record.SelectedCddbCD, 0);

    // Artist, then title, split at "/": only the first title has a slash.
    EXPECT_EQ(cell(&screen, 0, 4), QStringLiteral("Singer A"));
    EXPECT_EQ(cell(&screen, 0, 5), QStringLiteral("Song One"));
    EXPECT_EQ(cell(&screen, 0, 6), QStringLiteral("first note"));
    EXPECT_EQ(cell(&screen, 1, 4), QString());
    EXPECT_EQ(cell(&screen, 1, 5), QStringLiteral("Song Two (Singer B)"));
    EXPECT_EQ(Child<QLabel>(&screen, "pnCddbTitleExample")->text(),
              QStringLiteral("Artist / Title"));

    // Title, then artist, split at "(": the columns, the example and the record follow.
    choose(&screen, "rgTrackContent", 1);
    choose(&screen, "rgTrackSeparator", 5);
    EXPECT_EQ(cell(&screen, 1, 4), QStringLiteral("Singer B"));
    EXPECT_EQ(cell(&screen, 1, 5), QStringLiteral("Song Two"));
    EXPECT_EQ(Child<QLabel>(&screen, "pnCddbTitleExample")->text(),
              QStringLiteral("Title ( Artist )"));
    EXPECT_EQ(record.TrackContent, 1);
    EXPECT_EQ(record.TrackSeparator, 5);
    choose(&screen, "rgTrackContent", 2);
    EXPECT_EQ(Child<QLabel>(&screen, "pnCddbTitleExample")->text(), QStringLiteral("Title"));
    EXPECT_FALSE(Child<QWidget>(&screen, "rgTrackSeparator")->isEnabled());
    choose(&screen, "rgUseTrackExtData", 1); // the extended data becomes the artist
    EXPECT_EQ(cell(&screen, 0, 4), QStringLiteral("first note"));
    EXPECT_EQ(cell(&screen, 0, 6), QString());

    // The other entry, then none.
    auto *tabs = Child<QTabBar>(&screen, "tcCddbCD");
    tabs->setCurrentIndex(1);
    EXPECT_EQ(Child<QLabel>(&screen, "pnTitle")->text(), QStringLiteral("Second Album"));
    EXPECT_EQ(record.SelectedCddbCD, 1);
    tabs->setCurrentIndex(2);
    EXPECT_EQ(Child<QLabel>(&screen, "pnTitle")->text(), QString());
    EXPECT_EQ(cell(&screen, 0, 2), QString());
    EXPECT_EQ(cell(&screen, 0, 1), QStringLiteral("03:18"));
    EXPECT_EQ(record.SelectedEntry(), nullptr);

    Child<QCheckBox>(&screen, "ckUseGenre")->click();
    screen.reject();
    // The options carry over to the next use.
    EXPECT_EQ(host.store.ReadInteger(QStringLiteral("CddbQueryScreen"),
                                     QStringLiteral("TrackContent"), -1),
              2);
    EXPECT_FALSE(
        host.store.ReadBool(QStringLiteral("CddbQueryScreen"), QStringLiteral("UseGenre"), true));
}

TEST(CddbQueryScreen, AFailedQueryLeavesOnlyTheScanAndNoDriveIsReported)
{
    TCddbHost host;
    host.answer("cddb query", "402 Server error.\r\n");
    TdmGlobal dm(QStringList{}, &host.store, &host.drives);
    TQelDb db;
    TScanCD record;
    TfmCddbCD screen(record, false, 0, db, dm);
    screen.show();
    Click(&screen, "btScan");
    EXPECT_EQ(tabTexts(&screen), QStringList{QStringLiteral("Only Scan Info")});
    EXPECT_EQ(Child<QLabel>(&screen, "pnMessage")->text(), QStringLiteral("CD Query failed"));
    ASSERT_EQ(host.ui.messages.size(), 1);
    EXPECT_EQ(host.ui.messages[0], screen.Cddb().ErrorMessage());
    EXPECT_FALSE(host.ui.messages[0].isEmpty());
    EXPECT_EQ(record.TrackCount(), 2); // the scan stays and can be added
    EXPECT_TRUE(Child<QPushButton>(&screen, "btOk")->isEnabled());

    // Neither drive nor image: the reader's own message, and nothing to add.
    host.ui.messages.clear();
    host.useDrive(QString());
    TdmGlobal noDrive(QStringList{}, &host.store, &host.drives);
    TScanCD empty;
    TfmCddbCD other(empty, false, 0, db, noDrive);
    other.show();
    Click(&other, "btScan");
    EXPECT_EQ(host.ui.messages, QStringList{QStringLiteral("No CD-ROM drive found.")});
    EXPECT_FALSE(Child<QPushButton>(&other, "btOk")->isEnabled());
}

TEST(CddbCommands, AddAlbumByQueryGoesThroughTheEditorAndIsSaved)
{
    TCddbHost host;
    const QString file = UseDemoCollection(host.home, host.store);
    TfmMain main(QStringList{}, &host.store, &host.drives);
    main.show();
    const qsizetype before = main.Db().AlbumCount();
    QAction *add = main.Action(QStringLiteral("acAddAlbumByScanning"));
    ASSERT_TRUE(add->isEnabled());

    bool editorOpened = false;
    WhenModal([&](QDialog *screen) {
        ASSERT_EQ(screen->objectName(), QStringLiteral("fmCddbCD"));
        Click(screen, "btScan");
        Child<QTabBar>(screen, "tcCddbCD")->setCurrentIndex(1); // the second entry
        WhenModal([&](QDialog *editor) {
            editorOpened = editor->objectName() == QStringLiteral("fmAlbum");
            editor->accept();
        });
        Click(screen, "btOk");
    });
    add->trigger();
    ASSERT_TRUE(editorOpened);
    ASSERT_EQ(main.Db().AlbumCount(), before + 1);
    main.FinishSaving();
    TQelDb saved;
    saved.ReadFile(file, false);
    ASSERT_EQ(saved.AlbumCount(), before + 1);
    bool found = false;
    for (qsizetype i = 0; i < saved.AlbumCount(); ++i) {
        const TAlbum *a = saved.Album(i);
        if (a->GetFieldAsString(fdTitle) == QStringLiteral("Second Album")) {
            found = true;
            EXPECT_EQ(a->GetFieldAsString(fdArtist), QStringLiteral("Other Band"));
            ASSERT_EQ(a->DiscCount(), 1);
            EXPECT_EQ(a->Disc(0)->TrackCount(), 2);
            EXPECT_EQ(a->Disc(0)->Track(1)->GetFieldAsString(fdTitle), QStringLiteral("Beta"));
        }
    }
    EXPECT_TRUE(found);

    // The CD in the drive is found and selected in its artist's folder.
    host.ui.messages.clear();
    main.Action(QStringLiteral("acFindCD"))->trigger();
    EXPECT_TRUE(host.ui.messages.isEmpty()) << host.ui.messages.join(u'|').toStdString();
    ASSERT_TRUE(main.State().CurrentAlbum());
    EXPECT_EQ(main.State().CurrentAlbum()->GetFieldAsString(fdTitle),
              QStringLiteral("Second Album"));
    EXPECT_TRUE(main.Action(QStringLiteral("acSubmit"))->isEnabled());
    // A disc image plays nowhere: "Start CD Player" is for drives.
    EXPECT_FALSE(main.Action(QStringLiteral("acStartCdPlayer"))->isEnabled());

    main.Dm().Prefs().Drive =
        MakeDiscImage(host.home.path(), QStringLiteral("other"), {{150, 20000}, 40000});
    main.Action(QStringLiteral("acFindCD"))->trigger();
    EXPECT_EQ(host.ui.messages, QStringList{QStringLiteral("CD not found in database.")});

    // In track view the question comes first; Cancel reads nothing.
    host.ui.messages.clear();
    main.Action(QStringLiteral("acTrackView"))->trigger();
    host.ui.yes = false;
    main.Action(QStringLiteral("acFindCD"))->trigger();
    ASSERT_EQ(host.ui.messages.size(), 1);
    EXPECT_TRUE(host.ui.messages[0].startsWith(
        QStringLiteral("Finding a CD by Scanning is only possible in Album View.")));
    EXPECT_EQ(main.State().TreeType, 1);
}

TEST(CddbCommands, StartCdPlayerNeedsADrive)
{
    struct TOneDrive : TDriveList
    {
        QStringList CdDrives() override { return {QStringLiteral("/dev/sr0")}; }
    };
    TTestHome home;
    TScriptedInterface ui;
    TMemorySettingsStore store;
    UseDemoCollection(home, store);
    TNoDrives none;
    TOneDrive one;
    {
        TfmMain main(QStringList{}, &store, &none);
        EXPECT_FALSE(main.Action(QStringLiteral("acStartCdPlayer"))->isEnabled());
    }
    TfmMain main(QStringList{}, &store, &one);
    EXPECT_TRUE(main.Action(QStringLiteral("acStartCdPlayer"))->isEnabled());
}

TEST(CddbSettingsScreen, RefreshEnablingAndOk)
{
    TCddbHost host;
    const QString cddb = QStringLiteral("Cddb");
    // One stored site, the test server itself.
    host.store.WriteInteger(cddb, QStringLiteral("SiteCount"), 1);
    host.store.WriteString(QStringLiteral("Cddb\\Site0"), QStringLiteral("Site"),
                           host.server.Host());
    host.store.WriteInteger(QStringLiteral("Cddb\\Site0"), QStringLiteral("Port"),
                            host.server.Port());
    host.store.WriteString(QStringLiteral("Cddb\\Site0"), QStringLiteral("Description"),
                           QStringLiteral("Here"));
    TdmGlobal dm(QStringList{}, &host.store, &host.drives);
    TfmCddbSettings screen(dm);
    screen.Cddb().ListSite = host.server.Host();
    screen.Cddb().ListPort = host.server.Port();
    screen.show();
    auto *servers = Child<QComboBox>(&screen, "cbServer");
    ASSERT_EQ(servers->count(), 1);
    EXPECT_EQ(servers->currentText(), QStringLiteral("127.0.0.1 - Here"));

    // A failed refresh keeps the stored list and says so.
    host.answer("sites", "401 No site information available.\r\n");
    host.answer("cddb lscat", "210 OK, category list follows\r\nblues\r\nrock\r\n.\r\n");
    Click(&screen, "btRefreshSiteList");
    EXPECT_EQ(host.ui.messages,
              QStringList{QStringLiteral("Query failed: Site list empty. Keeping current list.")});
    ASSERT_EQ(servers->count(), 1);
    EXPECT_EQ(servers->currentText(), QStringLiteral("127.0.0.1 - Here"));

    // A good one: two http sites (the other protocol is skipped); the configured host
    // stays selected.
    host.ui.messages.clear();
    host.answer("sites", "210 OK, site information follows\r\n"
                         "far.example.org http 8880 /~cddb/cddb.cgi N037.33 W122.04 Far away\r\n"
                         "far.example.org cddbp 888 - N037.33 W122.04 Far away\r\n"
                         "127.0.0.1 http 80 /~cddb/cddb.cgi N000.00 W000.00 Test\r\n.\r\n");
    Click(&screen, "btRefreshSiteList");
    EXPECT_TRUE(host.ui.messages.isEmpty()) << host.ui.messages.join(u'|').toStdString();
    ASSERT_EQ(servers->count(), 2);
    EXPECT_EQ(servers->itemText(0), QStringLiteral("far.example.org - Far away "));
    EXPECT_EQ(servers->currentIndex(), 1);

    // Proxy boxes: authentication only under a proxy.
    auto *useProxy = Child<QCheckBox>(&screen, "ckUseProxy");
    auto *useAuth = Child<QCheckBox>(&screen, "ckUseProxyAuthentication");
    auto *user = Child<QLineEdit>(&screen, "edProxyUserName");
    EXPECT_FALSE(Child<QLineEdit>(&screen, "edProxyServer")->isEnabled());
    EXPECT_FALSE(useAuth->isEnabled());
    useProxy->click();
    EXPECT_TRUE(Child<QSpinBox>(&screen, "edProxyPort")->isEnabled());
    EXPECT_FALSE(user->isEnabled());
    useAuth->click();
    EXPECT_TRUE(user->isEnabled());
    EXPECT_EQ(Child<QLineEdit>(&screen, "edProxyPassword")->echoMode(), QLineEdit::Password);
    useProxy->click();
    EXPECT_FALSE(user->isEnabled());
    EXPECT_FALSE(Child<QLineEdit>(&screen, "edProxyPassword")->isEnabled());

    // OK stores the chosen site and the rest.
    useProxy->click();
    Child<QLineEdit>(&screen, "edProxyServer")->setText(QStringLiteral("  proxy.lan  "));
    Child<QSpinBox>(&screen, "edProxyPort")->setValue(3128);
    Child<QLineEdit>(&screen, "edEmailAddress")->setText(QStringLiteral("you@example.org"));
    servers->setCurrentIndex(0);
    Click(&screen, "btOK");
    EXPECT_EQ(host.store.ReadString(cddb, QStringLiteral("Site"), {}),
              QStringLiteral("far.example.org"));
    EXPECT_EQ(host.store.ReadInteger(cddb, QStringLiteral("Port"), 0), 8880);
    EXPECT_TRUE(host.store.ReadBool(cddb, QStringLiteral("UseProxy"), false));
    EXPECT_TRUE(host.store.ReadBool(cddb, QStringLiteral("UseProxyAuthentication"), false));
    EXPECT_EQ(host.store.ReadString(cddb, QStringLiteral("ProxyServer"), {}),
              QStringLiteral("proxy.lan"));
    EXPECT_EQ(host.store.ReadInteger(cddb, QStringLiteral("ProxyPort"), 0), 3128);
    EXPECT_EQ(host.store.ReadString(cddb, QStringLiteral("EmailAddress"), {}),
              QStringLiteral("you@example.org"));
    EXPECT_EQ(host.store.ReadInteger(cddb, QStringLiteral("SiteCount"), 0), 2);
    EXPECT_EQ(
        host.store.ReadString(QStringLiteral("Cddb\\Categories"), QStringLiteral("Category1"), {}),
        QStringLiteral("rock"));
}

TEST(CddbSettingsScreen, OpensCentredOverItsOwner)
{
    TCddbHost host;
    TdmGlobal dm(QStringList{}, &host.store, &host.drives);
    QWidget owner;
    owner.setGeometry(40, 30, 700, 520);
    owner.show();
    QPoint at, expected;
    WhenModal([&](QDialog *screen) {
        at = screen->pos();
        expected = CenterOnOwnerPos(screen->size(), owner.frameGeometry(),
                                    owner.screen()->availableGeometry().size());
    });
    ShowCddbSettings(&owner, dm);
    EXPECT_EQ(at, expected);
}

TEST(BatchScanScreen, AddQueryUseAndKeepTheList)
{
    TCddbHost host;
    host.answer("cddb query", "202 No match found.\r\n");
    host.answer("cddb query 04018e02", kTwoMatches);
    const QString noMatch =
        MakeDiscImage(host.home.path(), QStringLiteral("nomatch"), {{150, 20000}, 40000});
    const QString third =
        MakeDiscImage(host.home.path(), QStringLiteral("three"), {{150, 10000, 20000}, 35000});
    TdmGlobal dm(QStringList{}, &host.store, &host.drives);
    TQelDb db;
    QStringList added;
    {
        TfmScan screen(db, dm, [&](TAlbum *album) {
            added << album->GetFieldAsString(fdTitle);
            delete album; // taken, as when the editor's OK adds it
            return true;
        });
        screen.show();
        auto *list = Child<QTreeWidget>(&screen, "lvCDs");
        auto *result = Child<QLabel>(&screen, "pnResult");
        for (const QString &image : {noMatch, host.image, host.image, third}) {
            dm.Prefs().Drive = image;
            screen.ScanAndAdd();
        }
        EXPECT_EQ(host.ui.messages,
                  QStringList{QStringLiteral("CD 04018e02 is already in the list")});
        ASSERT_EQ(list->topLevelItemCount(), 3);
        EXPECT_EQ(Child<QLabel>(&screen, "pnCount")->text(), QStringLiteral("3 CDs in scan list"));
        EXPECT_TRUE(result->text().startsWith(QStringLiteral("CD ")))
            << result->text().toStdString();
        EXPECT_EQ(list->topLevelItem(1)->text(0), QStringLiteral("04018e02"));
        EXPECT_EQ(list->topLevelItem(1)->text(1), QStringLiteral("2 (06:37)"));

        // The two first rows: the first has no match, the second still gets its entries.
        list->clearSelection();
        list->setCurrentItem(list->topLevelItem(0));
        list->topLevelItem(1)->setSelected(true);
        EXPECT_FALSE(Child<QAction>(&screen, "acUse")->isEnabled());
        ASSERT_TRUE(Child<QAction>(&screen, "acQuery")->isEnabled());
        Child<QAction>(&screen, "acQuery")->trigger();
        EXPECT_EQ(list->topLevelItem(0)->text(2), QString());
        EXPECT_EQ(list->topLevelItem(1)->text(2), QStringLiteral("The Band / First Album"));
        EXPECT_EQ(screen.List().Item(1)->CddbCDCount(), 2);

        // A reader error shows where the results show, and adds nothing.
        dm.Prefs().Drive = host.home.file(QStringLiteral("gone.cue"));
        screen.ScanAndAdd();
        EXPECT_EQ(result->text(), QStringLiteral("No CD-ROM drive found."));
        EXPECT_EQ(list->topLevelItemCount(), 3);

        // The second disc becomes an album and leaves the list.
        list->clearSelection();
        list->setCurrentItem(list->topLevelItem(1));
        ASSERT_TRUE(Child<QAction>(&screen, "acUse")->isEnabled());
        Child<QCheckBox>(&screen, "ckAutoRemove")->setChecked(true);
        WhenModal([](QDialog *query) { Click(query, "btOk"); });
        Child<QAction>(&screen, "acUse")->trigger();
        EXPECT_EQ(added, QStringList{QStringLiteral("First Album")});
        ASSERT_EQ(list->topLevelItemCount(), 2);
        EXPECT_EQ(screen.CurrentDisc(), nullptr);
        screen.accept();
    }
    EXPECT_TRUE(
        host.store.ReadBool(QStringLiteral("ScanListScreen"), QStringLiteral("AutoRemove"), false));

    // Reopened: what was shown, from scanlist.dat.
    TfmScan again(db, dm, [](TAlbum *) { return false; });
    auto *list = Child<QTreeWidget>(&again, "lvCDs");
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->topLevelItem(0)->text(1), QStringLiteral("2 (08:51)"));
    EXPECT_EQ(list->topLevelItem(1)->text(1), QStringLiteral("3 (07:44)"));
    EXPECT_TRUE(Child<QCheckBox>(&again, "ckAutoRemove")->isChecked());

    // Removing asks first.
    again.show();
    list->setCurrentItem(list->topLevelItem(0));
    host.ui.yes = false;
    again.RemoveSelected();
    EXPECT_EQ(list->topLevelItemCount(), 2);
    host.ui.yes = true;
    again.RemoveSelected();
    EXPECT_EQ(list->topLevelItemCount(), 1);
    EXPECT_EQ(host.ui.messages.last(),
              QStringLiteral("Are you sure you want to remove the selected CDs?"));
}

// The query screen opened on a listed disc may read another CD from the drive; Cancel
// leaves the listed disc as it was, in the window and in scanlist.dat.
TEST(BatchScanScreen, CancelOnAListedDiscLeavesItAsItWas)
{
    TCddbHost host;
    host.answer("cddb query", "202 No match found.\r\n");
    host.answer("cddb query 04018e02", kTwoMatches);
    const QString other =
        MakeDiscImage(host.home.path(), QStringLiteral("other"), {{150, 20000}, 40000});
    TdmGlobal dm(QStringList{}, &host.store, &host.drives);
    TQelDb db;
    int offered = 0;
    {
        TfmScan screen(db, dm, [&](TAlbum *album) {
            ++offered;
            delete album;
            return true;
        });
        screen.show();
        dm.Prefs().Drive = host.image;
        screen.ScanAndAdd();
        screen.Query();
        ASSERT_EQ(screen.List().Count(), 1);
        ASSERT_EQ(screen.List().Item(0)->CddbCDCount(), 2);
        auto *list = Child<QTreeWidget>(&screen, "lvCDs");
        dm.Prefs().Drive = other; // another disc in the drive now

        const QString listedMsId = screen.List().Item(0)->MsDiscIdText();
        bool scanned = false;
        WhenModal([&](QDialog *query) {
            Click(query, "btScan");
            scanned = Child<QLabel>(query, "pnMsID")->text() != listedMsId;
            Click(query, "btCancel");
        });
        const QRect row = list->visualItemRect(list->topLevelItem(0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row.center());
        EXPECT_TRUE(scanned) << "the query screen read the other disc";
        EXPECT_EQ(offered, 0);
        ASSERT_EQ(screen.List().Count(), 1);
        const TScanCD &listed = *screen.List().Item(0);
        EXPECT_EQ(listed.CddbDiscIdText(), QStringLiteral("04018e02"));
        EXPECT_EQ(listed.TrackCount(), 2);
        EXPECT_EQ(listed.CddbCDCount(), 2);
        EXPECT_EQ(list->topLevelItem(0)->text(0), QStringLiteral("04018e02"));
        EXPECT_EQ(list->topLevelItem(0)->text(2), QStringLiteral("The Band / First Album"));
        screen.accept();
    }
    TScanCdList saved;
    EXPECT_EQ(saved.LoadFromFile(), QString());
    ASSERT_EQ(saved.Count(), 1);
    EXPECT_EQ(saved.Item(0)->CddbDiscIdText(), QStringLiteral("04018e02"));
    EXPECT_EQ(saved.Item(0)->CddbCDCount(), 2);
}

TEST(SubmitScreen, CheckThenSubmitToTheServer)
{
    TCddbHost host;
    TdmGlobal dm(QStringList{}, &host.store, &host.drives);
    TQelDb db;
    // A two-disc album whose first disc was made from the image in the drive.
    TScanCD scanned;
    TCdScanner().Scan(host.image, scanned);
    TCddbCD &entry = scanned.AddCddbCD();
    entry.DTitle = QStringLiteral("Harbour Lights / Songs");
    entry.Category = QStringLiteral("Folk");
    entry.AddTrack().Title = QStringLiteral("One");
    entry.AddTrack().Title = QStringLiteral("Two");
    scanned.SelectCddbCD(0);
    scanned.UseGenre = true;
    std::unique_ptr<TAlbum> album(CreateFromScanCD(scanned, db, nullptr));
    album->Disc(0)->Title = QStringLiteral("Part One");
    auto *second = new TDisc(album.get());
    album->Add(second);

    TfmSubmit screen(*album, dm);
    screen.show();
    auto *tabs = Child<QTabBar>(&screen, "tcSubmit");
    auto *status = Child<QLabel>(&screen, "pnStatus");
    auto *submit = Child<QPushButton>(&screen, "btSubmit");
    auto *category = Child<QComboBox>(&screen, "cbCategory");
    ASSERT_EQ(tabs->count(), 2);
    EXPECT_EQ(tabs->tabText(1), QStringLiteral("Disc 2"));
    EXPECT_EQ(Child<QLabel>(&screen, "pnDtitle")->text(),
              QStringLiteral("Harbour Lights / Songs (Disc 1)"));
    EXPECT_EQ(Child<QLabel>(&screen, "pnRevision")->text(), QStringLiteral("1"));
    EXPECT_EQ(category->currentText(), QStringLiteral("folk")); // the genre, lower case
    EXPECT_EQ(Child<QTreeWidget>(&screen, "lvTracks")->topLevelItem(1)->text(3),
              QStringLiteral("15000"));
    Child<QRadioButton>(&screen, "rbUseDiscTitle")->click();
    EXPECT_EQ(Child<QLabel>(&screen, "pnDtitle")->text(),
              QStringLiteral("Harbour Lights / Part One"));
    Child<QRadioButton>(&screen, "rbUseAlbumTitle")->click();

    // The screen's own part of the check: the category box, the artist questions and
    // the disc in the scan drive.
    TLookupList &artists = db.LookupList(fdArtist);
    TLookupItem *artist = album->Artist;
    struct TCase
    {
        const char *expected;
        std::function<void()> change;
    } cases[] = {
        {"No Category selected.", [&] { category->setCurrentIndex(-1); }},
        {"Display Name of Disc Artist is empty.",
         [&] {
             category->setCurrentIndex(category->findText(QStringLiteral("folk")));
             album->Artist = artists.FindOrCreate(QStringLiteral("Nameless"), {});
         }},
        {"Display Name of Disc Artist not in correct format",
         [&] {
             album->Artist = artists.FindOrCreate(QStringLiteral("Lights, Harbour"),
                                                  QStringLiteral("Lights, Harbour"));
             host.ui.yes = false;
         }},
        {"Wrong disc inserted.",
         [&] {
             host.ui.yes = true;
             album->Artist = artist;
             dm.Prefs().Drive =
                 MakeDiscImage(host.home.path(), QStringLiteral("other"), {{150, 20000}, 40000});
         }},
        {"", [&] { dm.Prefs().Drive = host.image; }},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.expected);
        c.change();
        Click(&screen, "btScanCheck");
        EXPECT_EQ(status->text(), QString::fromUtf8(c.expected));
        EXPECT_EQ(submit->isEnabled(), *c.expected == 0);
    }

    Click(&screen, "btSubmit");
    EXPECT_EQ(status->text(), QStringLiteral("CDDB submission complete."));
    QList<TCddbTestServer::TRequest> requests = host.server.Requests();
    ASSERT_FALSE(requests.isEmpty());
    const TCddbTestServer::TRequest &sent = requests.last();
    EXPECT_EQ(sent.command, QStringLiteral("submit"));
    EXPECT_TRUE(sent.head.contains("Category: folk\r\n")) << sent.head.constData();
    EXPECT_TRUE(sent.head.contains("Discid: 04018e02\r\n"));
    EXPECT_TRUE(sent.body.contains("DTITLE=Harbour Lights / Songs (Disc 1)"));
    EXPECT_TRUE(sent.body.contains("TTITLE1=Two"));

    // Another tab needs its own check; an option leaves the check standing.
    tabs->setCurrentIndex(1);
    EXPECT_FALSE(submit->isEnabled());
    tabs->setCurrentIndex(0);
    Click(&screen, "btScanCheck");
    ASSERT_TRUE(submit->isEnabled());
    Child<QCheckBox>(&screen, "ckSubmitHeaders")->click();
    EXPECT_TRUE(submit->isEnabled());

    // A server failure: a message and the status.
    host.answer("submit", "500 Missing required header information.\r\n");
    Click(&screen, "btSubmit");
    EXPECT_EQ(status->text(), QStringLiteral("CDDB submission failed"));
    EXPECT_EQ(host.ui.messages.last(), screen.Cddb().ErrorMessage());
}

TEST(AlbumEditorScan, UpdateModeFillsTheSelectedDisc)
{
    TCddbHost host;
    TdmGlobal dm(QStringList{}, &host.store, &host.drives);
    TQelDb db;
    TScanCD scanned;
    TCdScanner().Scan(host.image, scanned);

    // The very disc in the collection, typed in by hand with one track: no question.
    auto *album = new TAlbum(&db);
    auto *disc = new TDisc(album);
    album->Add(disc);
    disc->MsDiscId = scanned.MsDiscId;
    auto *track = new TTrack(disc);
    disc->Add(track);
    track->Title = QStringLiteral("typed");
    db.AddAlbum(album);
    {
        TfmAlbum editor(nullptr, *album, TfmAlbum::amEdit, db, dm);
        editor.show();
        editor.SelectItem(disc);
        QAction *scan = Child<QAction>(&editor, "acScanQuery");
        ASSERT_TRUE(scan->isEnabled());
        WhenModal([](QDialog *screen) {
            Click(screen, "btScan");
            Click(screen, "btOk");
        });
        scan->trigger();
        EXPECT_TRUE(host.ui.messages.isEmpty()) << host.ui.messages.join(u'|').toStdString();
        EXPECT_EQ(disc->GetFieldAsString(fdTitle), QStringLiteral("First Album"));
        EXPECT_EQ(disc->CddbDiscId, 0x04018e02);
        EXPECT_EQ(disc->CddbRevision, 3);
        ASSERT_EQ(disc->Count(), 2); // the scan's second track is appended
        EXPECT_EQ(track->GetFieldAsString(fdTitle), QStringLiteral("Song One"));
        EXPECT_EQ(track->GetFieldAsString(fdArtist), QStringLiteral("Singer A"));
        EXPECT_EQ(track->StartFrame, 150);
        EXPECT_EQ(disc->Items(1)->GetFieldAsString(fdTitle), QStringLiteral("Song Two (Singer B)"));
        EXPECT_EQ(Child<QLineEdit>(&editor, "edTitle")->text(), QStringLiteral("First Album"));
        editor.reject();
    }

    // Another album's disc: the CD is in the collection already, and No keeps the screen.
    host.ui.messages.clear();
    TAlbum other(&db);
    auto *empty = new TDisc(&other);
    other.Add(empty);
    TfmAlbum editor(nullptr, other, TfmAlbum::amAdd, db, dm);
    editor.show();
    editor.SelectItem(empty);
    host.ui.yes = false;
    bool stayedOpen = false;
    WhenModal([&](QDialog *screen) {
        Click(screen, "btScan");
        Click(screen, "btOk");
        stayedOpen = screen->isVisible();
    });
    Child<QAction>(&editor, "acScanQuery")->trigger();
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(host.ui.messages,
              QStringList{QStringLiteral("This CD is already in your database, do you still want "
                                         "to update the selected Disc?")});
    EXPECT_EQ(empty->CddbDiscId, 0);
    EXPECT_EQ(empty->Count(), 0);
}

TEST(ScanSource, ADiscImageChosenInThePreferencesIsScanned)
{
    TCddbHost host;
    host.useDrive(QString());
    TdmGlobal dm(QStringList{}, &host.store, &host.drives);
    TPrefs &prefs = dm.Prefs();
    ASSERT_EQ(prefs.GetScanDrive(), QString());
    {
        TfmPrefs dialog(prefs, host.drives);
        dialog.ChooseImage = [&](QWidget *, const QString &) { return host.image; };
        Click(&dialog, "btDiscImage");
        EXPECT_EQ(Child<QComboBox>(&dialog, "cbScanDrive")->currentText(), host.image);
        dialog.accept();
    }
    EXPECT_EQ(prefs.GetScanDrive(), host.image);
    {
        TfmPrefs dialog(prefs, host.drives); // shown again as the choice
        EXPECT_EQ(Child<QComboBox>(&dialog, "cbScanDrive")->currentText(), host.image);
    }
    // An image that went away is no scan source any more.
    QFile::remove(host.image);
    EXPECT_EQ(prefs.GetScanDrive(), QString());
}

TEST(CddbQueryScreen, CancelEndsASilentLookupAndTheLogHidesThePassword)
{
    TCddbHost host;
    TCddbTestServer::TAnswer silent;
    silent.silent = true;
    host.server.SetAnswer(QStringLiteral("cddb query"), silent);
    host.store.WriteString(QStringLiteral("Cddb"), QStringLiteral("ProxyPassword"),
                           QStringLiteral("s3cret"));
    TdmGlobal dm(QStringList{QStringLiteral("/bugbuster")}, &host.store, &host.drives);
    TQelDb db;
    TScanCD record;
    TfmCddbCD screen(record, false, 0, db, dm);
    screen.show();
    auto *log = Child<QPlainTextEdit>(&screen, "mmDebug");
    EXPECT_TRUE(log->isVisible());
    // The Cancel button of the progress window, pressed while the server keeps silent.
    QTimer::singleShot(0, &screen, [&screen] { screen.Cddb().Cancel(); });
    Click(&screen, "btScan");
    EXPECT_EQ(host.ui.messages, QStringList{QStringLiteral("Query cancelled.")});
    EXPECT_EQ(tabTexts(&screen), QStringList{QStringLiteral("Only Scan Info")});
    const QString text = log->toPlainText();
    EXPECT_TRUE(text.contains(QStringLiteral("ProxyPassword:********"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("s3cret")));

    // Without the flag there is no log.
    TdmGlobal plain(QStringList{}, &host.store, &host.drives);
    TfmCddbCD quiet(record, false, 0, db, plain);
    quiet.show();
    EXPECT_FALSE(Child<QPlainTextEdit>(&quiet, "mmDebug")->isVisible());
}
