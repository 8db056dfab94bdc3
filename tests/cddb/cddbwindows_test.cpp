// The CD and CDDB windows against the test server, with disc images in the drive's place.
#include "cddb/cddbentry.h"
#include "cddb/scancd.h"
#include "cddb/ui/cddbcdwindow.h"
#include "cddbtestserver.h"
#include "discimages.h"
#include "mainwindow/mainwindow.h"
#include "model/album.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "shell/dmglobal.h"
#include "shell/drivelist.h"
#include "shell/settingsstore.h"
#include "testsupport.h"

#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
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
              QStringLiteral("2 tracks (total length: 06:38)"));
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
}
