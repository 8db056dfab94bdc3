#include "editors/ui/albumeditor.h"
#include "editors/ui/trackeditorhost.h"
#include "model/album.h"
#include "model/lookuplist.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "shell/dmglobal.h"
#include "shell/settingsstore.h"
#include "testsupport.h"
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <memory>

namespace {

struct Env
{
    Env()
    {
        covers = home.file(QStringLiteral("covers"));
        QDir().mkpath(covers);
        dm.Prefs().CoversFolder = covers;
        dm.Prefs().LyricsFolder = home.file(QStringLiteral("lyrics"));
    }
    // An album with one disc of two tracks, in the database.
    TAlbum *sampleAlbum()
    {
        auto *album = new TAlbum(&db);
        album->Title = QStringLiteral("Harbour Lights");
        album->Artist = db.LookupList(fdArtist).GetOrAdd(QStringLiteral("Kestrel, Mara"));
        auto *disc = new TDisc(album);
        album->Add(disc);
        for (const char *title : {"First", "Second"}) {
            auto *track = new TTrack(disc);
            track->Title = QString::fromLatin1(title);
            track->Length = 100;
            disc->Add(track);
        }
        db.AddAlbum(album);
        return album;
    }
    std::unique_ptr<TfmAlbum> open(TAlbum &album, TfmAlbum::TMode mode = TfmAlbum::amEdit)
    {
        auto window = std::make_unique<TfmAlbum>(nullptr, album, mode, db, dm);
        window->show();
        return window;
    }

    TTestHome home;
    TScriptedInterface ui;
    TMemorySettingsStore store;
    TdmGlobal dm{QStringList{}, &store};
    TQelDb db;
    QString covers;
};

// Fills the track editor that the next command opens: one title per item, "&Next"
// between them and "&Done" after the last.
void whenTrackEditor(QStringList titles, QString length = {})
{
    QTimer::singleShot(0, [titles, length] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog || dialog->objectName() != QLatin1String("fmTrack")) {
            whenTrackEditor(titles, length);
            return;
        }
        for (qsizetype i = 0; i < titles.size(); ++i) {
            dialog->findChild<QLineEdit *>(QStringLiteral("edTitle"))->setText(titles[i]);
            if (!length.isEmpty())
                dialog->findChild<QLineEdit *>(QStringLiteral("edLength"))->setText(length);
            const char *next = i + 1 < titles.size() ? "btNext" : "btOk";
            dialog->findChild<QAbstractButton *>(QLatin1String(next))->click();
        }
        if (dialog->isVisible())
            dialog->done(QDialog::Rejected);
    });
}

QStringList nodeTexts(QTreeWidget *tree)
{
    QStringList texts;
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        texts << (*it)->text(0);
    return texts;
}

TEST(AlbumEditor, OkStoresEveryControlAndNewNamesBecomeEntries)
{
    Env env;
    TAlbum album(&env.db);
    auto w = env.open(album, TfmAlbum::amAdd);
    Child<QLineEdit>(w.get(), "edTitle")->setText(QStringLiteral("Salt and Paper"));
    Child<QComboBox>(w.get(), "cbArtist")->setCurrentText(QStringLiteral("Kestrel, Mara"));
    Child<QComboBox>(w.get(), "cbGenre")->setCurrentText(QStringLiteral("Folk"));
    Child<QLineEdit>(w.get(), "edYear")->setText(QStringLiteral("2004"));
    Child<QLineEdit>(w.get(), "edIndex")->setText(QStringLiteral("17"));
    Child<QLineEdit>(w.get(), "edPrice")->setText(QStringLiteral("12.50"));
    Child<QCheckBox>(w.get(), "ckRare")->setChecked(true);
    Child<QCheckBox>(w.get(), "ckLive")->setCheckState(Qt::PartiallyChecked);
    Child<QAbstractButton>(w.get(), "rbADAAD")->setChecked(true);
    Child<QPlainTextEdit>(w.get(), "mmComments")->setPlainText(QStringLiteral("one\ntwo"));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Add Album: Salt and Paper - Kestrel, Mara (2004)"));
    Child<QAbstractButton>(w.get(), "btOk")->click();
    EXPECT_EQ(w->result(), QDialog::Accepted);
    EXPECT_EQ(album.Title.toString(), QStringLiteral("Salt and Paper"));
    EXPECT_EQ(album.Year.toString(), QStringLiteral("2004"));
    EXPECT_EQ(album.Index, 17);
    EXPECT_EQ(album.Price, 125000);
    EXPECT_TRUE(album.Rare);
    EXPECT_EQ(album.Live, 2);
    EXPECT_EQ(album.AD, 0);
    EXPECT_EQ(album.Comments.toString(), QStringLiteral("one\r\ntwo\r\n"));
    // A typed name becomes an entry with the name as its sort name and no display name.
    ASSERT_TRUE(album.Artist);
    EXPECT_EQ(LookupSortText(album.Artist), QStringLiteral("Kestrel, Mara"));
    EXPECT_TRUE(album.Artist->DisplayName.isEmpty());
    EXPECT_EQ(env.db.LookupList(fdGenre).Count(), 1);
    // A new album always has a disc to put tracks on.
    EXPECT_EQ(album.DiscCount(), 1);
}

TEST(AlbumEditor, ABadPriceKeepsTheWindowOpenOnThePersonalTab)
{
    Env env;
    TAlbum album(&env.db);
    auto w = env.open(album, TfmAlbum::amAdd);
    Child<QLineEdit>(w.get(), "edPrice")->setText(QStringLiteral("twelve"));
    Child<QAbstractButton>(w.get(), "btOk")->click();
    EXPECT_TRUE(w->isVisible());
    ASSERT_EQ(env.ui.messages.size(), 1);
    EXPECT_EQ(env.ui.messages.front(), QStringLiteral("\"twelve\" is not a valid currency value"));
    EXPECT_EQ(Child<QTabWidget>(w.get(), "pcAlbum")->currentWidget()->objectName(),
              QStringLiteral("tsPersonal"));
    EXPECT_EQ(album.Price, 0);
}

// Only OK checks the price: leaving the box, Cancel and Escape get on with their own
// work and show no price message.
TEST(AlbumEditor, AnInvalidPriceDoesNotStandInTheWayOfCancel)
{
    enum How { LeaveTheBox, ClickCancel, PressEscape };
    for (How how : {LeaveTheBox, ClickCancel, PressEscape}) {
        SCOPED_TRACE(how);
        Env env;
        TAlbum *album = env.sampleAlbum();
        auto w = env.open(*album);
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
        Child<QTabWidget>(w.get(), "pcAlbum")
            ->setCurrentWidget(Child<QWidget>(w.get(), "tsPersonal"));
        auto *price = Child<QLineEdit>(w.get(), "edPrice");
        price->setFocus();
        price->setText(QStringLiteral("12x"));
        switch (how) {
        case LeaveTheBox:
            Child<QLineEdit>(w.get(), "edLocation")->setFocus();
            break;
        case ClickCancel:
            QTest::mouseClick(Child<QAbstractButton>(w.get(), "btCancel"), Qt::LeftButton);
            break;
        case PressEscape:
            QTest::keyClick(price, Qt::Key_Escape);
            break;
        }
        QApplication::processEvents();
        const QStringList cancelQuestion = {
            QStringLiteral("Are you sure you want to cancel changes made to this album?")};
        EXPECT_EQ(env.ui.messages, how == LeaveTheBox ? QStringList() : cancelQuestion);
        EXPECT_EQ(w->isVisible(), how == LeaveTheBox);
        EXPECT_EQ(album->Price, 0);
    }
}

TEST(AlbumEditor, TheSingleDiscTakesTheAlbumTitleOnlyWhenAdding)
{
    for (TfmAlbum::TMode mode : {TfmAlbum::amAdd, TfmAlbum::amEdit}) {
        Env env;
        TAlbum album(&env.db);
        auto w = env.open(album, mode);
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
        auto *title = Child<QLineEdit>(w.get(), "edTitle");
        title->setFocus();
        title->setText(QStringLiteral("Winter Letters"));
        Child<QLineEdit>(w.get(), "edYear")->setFocus();
        QApplication::processEvents();
        EXPECT_EQ(album.Disc(0)->Title.toString(),
                  mode == TfmAlbum::amAdd ? QStringLiteral("Winter Letters") : QString());
    }
}

TEST(AlbumEditor, DragRulesAndRenumbering)
{
    Env env;
    TAlbum *album = env.sampleAlbum();
    TDisc *disc = album->Disc(0);
    auto *header = new THeader(disc);
    header->Title = QStringLiteral("Side B");
    disc->Add(header);
    auto *sub = new TSubTrack(disc->Items(1));
    sub->Title = QStringLiteral("Part");
    disc->Items(1)->Add(sub);
    auto w = env.open(*album);
    TDataItem *first = disc->Items(0);
    TDataItem *subParent = sub->Parent;
    w->DropItem(sub, header); // refused: a subtrack goes onto a track only
    EXPECT_EQ(sub->Parent, subParent);
    w->DropItem(first, header);
    EXPECT_EQ(first->Parent, header);
    EXPECT_EQ(static_cast<TTrack *>(first)->Position, 2); // after the disc-level track
    EXPECT_EQ(w->SelectedItem(), first);
    auto *tree = Child<QTreeWidget>(w.get(), "tvTracks");
    EXPECT_EQ(nodeTexts(tree).size(), 5);
    EXPECT_TRUE(Child<QLabel>(w.get(), "pnNrTracks")->text().endsWith(QStringLiteral(": 2")));
}

TEST(AlbumEditor, RemovalAsksOnlyWhenConfirmationIsOn)
{
    struct Case
    {
        bool confirm;
        bool yes;
        int questions;
        int tracksLeft;
    } cases[] = {{true, false, 1, 2}, {true, true, 1, 1}, {false, false, 0, 1}};
    for (const Case &c : cases) {
        Env env;
        env.dm.Prefs().ConfirmTrackRemoval = c.confirm;
        env.ui.yes = c.yes;
        TAlbum *album = env.sampleAlbum();
        auto w = env.open(*album);
        w->SelectItem(album->Disc(0)->Items(0));
        w->RemoveSelected();
        EXPECT_EQ(env.ui.messages.size(), c.questions);
        if (c.questions) {
            EXPECT_EQ(env.ui.messages.front(),
                      QStringLiteral("Are you sure you want to remove this track?"));
        }
        EXPECT_EQ(album->Disc(0)->Count(), c.tracksLeft);
        ASSERT_TRUE(w->SelectedItem());
        EXPECT_EQ(album->Disc(0)->Items(0)->Index, 1);
    }
}

TEST(AlbumEditor, KeysInTheTreeEditAddAndRemoveItemsRatherThanCloseTheWindow)
{
    Env env;
    env.dm.Prefs().ConfirmTrackRemoval = false;
    TAlbum *album = env.sampleAlbum();
    auto w = env.open(*album);
    QList<int> modes;
    w->OpenTrackEditor = [&](TTrackEditorHost &, int mode) {
        modes << mode;
        return int(QDialog::Rejected);
    };
    auto *tree = Child<QTreeWidget>(w.get(), "tvTracks");
    w->SelectItem(album->Disc(0)->Items(0));
    QTest::keyClick(tree, Qt::Key_Return);
    EXPECT_TRUE(w->isVisible()); // not OK
    w->SelectItem(album->Disc(0));
    QTest::keyClick(tree, Qt::Key_Insert);
    w->SelectItem(album->Disc(0)->Items(0));
    QTest::keyClick(tree, Qt::Key_Delete);
    EXPECT_EQ(modes, (QList<int>{4, 2}));
    EXPECT_EQ(album->Disc(0)->Count(), 1);
}

TEST(AlbumEditor, AThumbnailStaysWhileItsCoverCannotBeReadAndGoesWithTheName)
{
    Env env;
    TAlbum *album = env.sampleAlbum();
    QImage thumb(32, 32, QImage::Format_RGB888);
    thumb.fill(Qt::red);
    album->SetThumbnail(&thumb);
    album->CoverFile = QStringLiteral("on-another-drive.jpg"); // not in the covers folder
    ASSERT_TRUE(album->HasThumbnail());
    {
        auto w = env.open(*album);
        EXPECT_EQ(Child<QLabel>(w.get(), "pnSize")->text(), QStringLiteral("File not found"));
        Child<QAbstractButton>(w.get(), "btOk")->click();
    }
    EXPECT_TRUE(album->HasThumbnail());
    {
        auto w = env.open(*album);
        Child<QAbstractButton>(w.get(), "btClearCoverFile")->click();
        Child<QAbstractButton>(w.get(), "btOk")->click();
    }
    EXPECT_FALSE(album->HasThumbnail());
    EXPECT_TRUE(album->CoverFile.isEmpty());
}

TEST(AlbumEditor, CancelAsksWhenConfirmationIsOn)
{
    Env env;
    TAlbum *album = env.sampleAlbum();
    auto w = env.open(*album);
    Child<QLineEdit>(w.get(), "edTitle")->setText(QStringLiteral("Changed"));
    env.ui.yes = false;
    Child<QAbstractButton>(w.get(), "btCancel")->click();
    EXPECT_TRUE(w->isVisible());
    env.ui.yes = true;
    Child<QAbstractButton>(w.get(), "btCancel")->click();
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(w->result(), QDialog::Rejected);
    EXPECT_EQ(album->Title.toString(), QStringLiteral("Harbour Lights"));
    EXPECT_EQ(env.ui.messages.size(), 2);
}

TEST(AlbumEditor, CoverKeepsAFileOfTheSameNameAndMakesAThumbnail)
{
    Env env;
    TAlbum *album = env.sampleAlbum();
    // The covers folder already has a front.png of 400 by 200; the chosen one differs.
    QImage existing(400, 200, QImage::Format_RGB32);
    existing.fill(Qt::darkBlue);
    ASSERT_TRUE(existing.save(QDir(env.covers).filePath(QStringLiteral("front.png"))));
    const QString elsewhere = env.home.file(QStringLiteral("scans"));
    QDir().mkpath(elsewhere);
    QImage other(50, 50, QImage::Format_RGB32);
    other.fill(Qt::red);
    ASSERT_TRUE(other.save(QDir(elsewhere).filePath(QStringLiteral("front.png"))));
    QImage fresh(60, 30, QImage::Format_RGB32);
    fresh.fill(Qt::green);
    ASSERT_TRUE(fresh.save(QDir(elsewhere).filePath(QStringLiteral("back.png"))));

    auto w = env.open(*album);
    auto *size = Child<QLabel>(w.get(), "pnSize");
    w->SetCoverFromFile(QDir(elsewhere).filePath(QStringLiteral("front.png")));
    EXPECT_EQ(Child<QLabel>(w.get(), "pnCoverFile")->text(), QStringLiteral("front.png"));
    EXPECT_EQ(size->text(), QStringLiteral("400 x 200")); // the file already there
    EXPECT_EQ(QImage(QDir(env.covers).filePath(QStringLiteral("front.png"))).size(),
              QSize(400, 200));
    EXPECT_EQ(w->Thumbnail().size(), QSize(32, 32));

    w->SetCoverFromFile(QDir(elsewhere).filePath(QStringLiteral("back.png")));
    EXPECT_TRUE(QFile::exists(QDir(env.covers).filePath(QStringLiteral("back.png"))));
    EXPECT_EQ(size->text(), QStringLiteral("60 x 30"));

    // Not a picture, and a name without a file.
    WriteFileBytes(QDir(env.covers).filePath(QStringLiteral("note.jpg")), "no picture");
    w->SetCoverFromFile(QDir(env.covers).filePath(QStringLiteral("note.jpg")));
    EXPECT_EQ(size->text(), QStringLiteral("Load Error!"));
    EXPECT_TRUE(w->Thumbnail().isNull());
    EXPECT_FALSE(Child<QWidget>(w.get(), "btCopy")->isEnabled());
    QFile::remove(QDir(env.covers).filePath(QStringLiteral("back.png")));
    w->SetCoverFromFile(QDir(elsewhere).filePath(QStringLiteral("back.png")));
    QFile::remove(QDir(env.covers).filePath(QStringLiteral("back.png")));
    Child<QCheckBox>(w.get(), "ckStretch")->toggle(); // shows the picture again
    EXPECT_EQ(size->text(), QStringLiteral("File not found"));

    w->SetCoverFromFile(QDir(elsewhere).filePath(QStringLiteral("front.png")));
    Child<QAbstractButton>(w.get(), "btOk")->click();
    EXPECT_EQ(album->CoverFile.toString(), QStringLiteral("front.png"));
    EXPECT_TRUE(album->HasThumbnail());
}

TEST(AlbumEditor, ACoverFolderThatCannotBeMadeIsReportedAndNothingIsLost)
{
    Env env;
    TAlbum *album = env.sampleAlbum();
    // A file where the covers folder should be.
    WriteFileBytes(env.home.file(QStringLiteral("blocked")), "x");
    env.dm.Prefs().CoversFolder = env.home.file(QStringLiteral("blocked/covers"));
    QImage picture(10, 10, QImage::Format_RGB32);
    picture.fill(Qt::white);
    const QString chosen = env.home.file(QStringLiteral("pic.png"));
    ASSERT_TRUE(picture.save(chosen));
    auto w = env.open(*album);
    Child<QLineEdit>(w.get(), "edTitle")->setText(QStringLiteral("Typed"));
    w->SetCoverFromFile(chosen);
    ASSERT_EQ(env.ui.messages.size(), 1);
    EXPECT_TRUE(env.ui.messages.front().contains(QStringLiteral("pic.png")));
    EXPECT_TRUE(Child<QLabel>(w.get(), "pnCoverFile")->text().isEmpty());
    EXPECT_EQ(Child<QLineEdit>(w.get(), "edTitle")->text(), QStringLiteral("Typed"));
}

TEST(AlbumEditor, AnAlbumTypedInByHandIsSavedAndReadBackWhole)
{
    Env env;
    auto *album = new TAlbum(&env.db);
    {
        auto w = env.open(*album, TfmAlbum::amAdd);
        Child<QLineEdit>(w.get(), "edTitle")->setText(QStringLiteral("Night Ferries"));
        Child<QComboBox>(w.get(), "cbArtist")->setCurrentText(QStringLiteral("Glass Harbour"));
        Child<QLineEdit>(w.get(), "edYear")->setText(QStringLiteral("2011"));
        Child<QLineEdit>(w.get(), "edPrice")->setText(QStringLiteral("9.99"));
        Child<QLineEdit>(w.get(), "edAlbumText1")->setText(QStringLiteral("signed"));
        TDisc *first = album->Disc(0);
        whenTrackEditor({QStringLiteral("Second Crossing")});
        w->AddItems(0);
        ASSERT_EQ(album->DiscCount(), 2);
        w->SelectItem(first);
        whenTrackEditor({QStringLiteral("Outbound")});
        w->AddItems(1);
        ASSERT_EQ(first->Count(), 1);
        TDataItem *header = first->Items(0);
        w->SelectItem(header);
        whenTrackEditor({QStringLiteral("Pier"), QStringLiteral("Fog"), QStringLiteral("Lanterns")},
                        QStringLiteral("03:05"));
        w->AddItems(2);
        ASSERT_EQ(header->Count(), 3);
        w->SelectItem(header->Items(1));
        whenTrackEditor({QStringLiteral("Fog, part one")}, QStringLiteral("01:00"));
        w->AddItems(3);
        Child<QAbstractButton>(w.get(), "btOk")->click();
        ASSERT_EQ(w->result(), QDialog::Accepted);
    }
    env.db.AddAlbum(album);

    TQelDb back;
    back.ReadBytes(env.db.SaveToBytes(), false);
    ASSERT_EQ(back.AlbumCount(), 1);
    const TAlbum *read = back.Album(0);
    EXPECT_EQ(read->Title.toString(), QStringLiteral("Night Ferries"));
    EXPECT_EQ(read->GetFieldAsString(fdArtist), QStringLiteral("Glass Harbour"));
    EXPECT_EQ(read->Year.toString(), QStringLiteral("2011"));
    EXPECT_EQ(read->Price, 99900);
    EXPECT_EQ(read->AlbumText1.toString(), QStringLiteral("signed"));
    ASSERT_EQ(read->DiscCount(), 2);
    EXPECT_EQ(read->Disc(1)->Title.toString(), QStringLiteral("Second Crossing"));
    EXPECT_EQ(read->Disc(1)->Index, 2);
    const TDisc *disc = read->Disc(0);
    ASSERT_EQ(disc->Count(), 1);
    const TDataItem *header = disc->Items(0);
    EXPECT_EQ(header->Kind(), TItemKind::Header);
    EXPECT_EQ(header->Title.toString(), QStringLiteral("Outbound"));
    ASSERT_EQ(header->Count(), 3);
    const char *titles[] = {"Pier", "Fog", "Lanterns"};
    for (int i = 0; i < 3; ++i) {
        const auto *track = static_cast<const TTrack *>(header->Items(i));
        EXPECT_EQ(track->Title.toString(), QLatin1String(titles[i]));
        EXPECT_EQ(track->Position, i + 1);
        EXPECT_EQ(track->Length, 185);
    }
    const TDataItem *fog = header->Items(1);
    ASSERT_EQ(fog->Count(), 1);
    EXPECT_EQ(fog->Items(0)->Kind(), TItemKind::SubTrack);
    EXPECT_EQ(fog->Items(0)->Title.toString(), QStringLiteral("Fog, part one"));
    EXPECT_EQ(disc->TrackCount(), 3);
    EXPECT_EQ(read->GetTrackCount(), 3);
}

} // namespace
