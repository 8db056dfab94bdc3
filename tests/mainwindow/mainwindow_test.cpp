#include "mainwindow/ui/mainwindow.h"
#include "model/album.h"
#include "model/backgroundwriter.h"
#include "model/collectiongenerator.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "shell/dmglobal.h"
#include "shell/settingsstore.h"
#include "shell/ui/iconlists.h"
#include "testsupport.h"
#include "views/ui/qellistview.h"
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <semaphore>
#include <thread>

namespace {

const QString kDemo = QStringLiteral(QEL_BINARY_DIR "/resources/demo.qel");

qsizetype albumsInFile(const QString &path)
{
    TQelDb db;
    db.ReadFile(path, false);
    return db.AlbumCount();
}

class MainWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        dbPath = home.file(QStringLiteral("demo.qel"));
        ASSERT_TRUE(QFile::copy(kDemo, dbPath));
        QFile::setPermissions(dbPath, QFile::ReadOwner | QFile::WriteOwner);
        seed(store);
    }

    // The demo collection as the current database.
    void seed(TSettingsStore &s) const
    {
        s.WriteString(QStringLiteral("Databases"), QStringLiteral("CurrentDatabase"), dbPath);
        s.WriteString(QStringLiteral("Folders"), QStringLiteral("Data"), home.path());
        s.WriteString(QStringLiteral("Folders"), QStringLiteral("Covers"),
                      QStringLiteral(QEL_BINARY_DIR "/resources/demo/covers"));
        s.WriteString(QStringLiteral("Folders"), QStringLiteral("Lyrics"),
                      QStringLiteral(QEL_BINARY_DIR "/resources/demo/lyrics"));
    }

    std::unique_ptr<TfmMain> start(const QStringList &arguments = {})
    {
        auto window = std::make_unique<TfmMain>(arguments, &store);
        window->show();
        return window;
    }

    // Selects the first folder of the album view and its first album.
    static TAlbum *selectFirstAlbum(TfmMain &w)
    {
        TBrowseState &state = w.State();
        state.SelectNode(&state.Root()->children.front());
        state.SelectRow(0);
        return state.CurrentAlbum();
    }

    static bool enabled(TfmMain &w, const char *action)
    {
        QAction *a = w.Action(QLatin1String(action));
        EXPECT_TRUE(a) << action;
        return a && a->isEnabled();
    }

    TTestHome home;
    TScriptedInterface ui;
    TMemorySettingsStore store;
    QString dbPath;
};

TEST_F(MainWindow, StartsInAlbumViewOnTheCurrentDatabaseWhateverTheLastView)
{
    {
        auto w = start();
        EXPECT_EQ(w->Db().FileName, dbPath);
        EXPECT_EQ(w->windowTitle(), ApplicationTitle());
        w->Action(QStringLiteral("acTrackView"))->trigger();
        EXPECT_EQ(w->State().TreeType, 1);
        w->close();
    }
    EXPECT_EQ(store.ReadInteger(QStringLiteral("MainWindow"), QStringLiteral("TreeType"), 0), 1);
    auto w = start();
    EXPECT_EQ(w->State().TreeType, 0);
    EXPECT_TRUE(w->Action(QStringLiteral("acAlbumView"))->isChecked());
    EXPECT_EQ(w->findChild<QToolButton *>(QStringLiteral("btFolders"))->text(),
              QStringLiteral("Folders: Artist/Composer"));
}

TEST_F(MainWindow, CommandLineChoosesTheFileByItsExtension)
{
    const QString other = home.file(QStringLiteral("OTHER.QEL"));
    {
        TQelDb db;
        db.Save(other); // an empty collection
    }
    struct Case
    {
        QStringList arguments;
        QString opened;
        bool bugBuster;
    } cases[] = {
        {{other}, other, false},
        {{home.file(QStringLiteral("notes.txt"))}, dbPath, false},
        {{QStringLiteral("/bugbuster")}, dbPath, true},
        {{QStringLiteral("/BUGBUSTER")}, dbPath, false},
    };
    for (const Case &c : cases) {
        auto w = start(c.arguments);
        EXPECT_EQ(w->Db().FileName, c.opened) << c.arguments.join(u' ').toStdString();
        EXPECT_EQ(w->Dm().BugBuster(), c.bugBuster);
        // A file named on the command line does not become the current database.
        EXPECT_EQ(w->Dm().Prefs().CurrentDatabase, dbPath);
        w->close();
    }
}

TEST_F(MainWindow, CommandsOfLaterWindowsAreDisabledAndTheOthersFollowTheState)
{
    auto w = start();
    EXPECT_FALSE(enabled(*w, "acPrintListReport"));
    for (const char *cd : {"acAddAlbumByScanning", "acBatchScan", "acCddbSettings", "acFindCD"})
        EXPECT_TRUE(enabled(*w, cd)) << cd;
    EXPECT_FALSE(enabled(*w, "acSubmit")); // no current album
    EXPECT_TRUE(enabled(*w, "acMp3Explorer"));
    EXPECT_TRUE(enabled(*w, "acImportCdPlayer"));
    // The root is selected: a list of folders, no album.
    EXPECT_TRUE(enabled(*w, "acAddAlbum"));
    EXPECT_TRUE(enabled(*w, "acEditLookupLists"));
    EXPECT_FALSE(enabled(*w, "acEditAlbum"));
    EXPECT_FALSE(enabled(*w, "acDuplicateAlbum"));
    EXPECT_FALSE(enabled(*w, "acRemoveAlbum"));
    EXPECT_FALSE(enabled(*w, "acColumns"));
    EXPECT_FALSE(enabled(*w, "acBrowse"));
    EXPECT_FALSE(enabled(*w, "acUp"));
    EXPECT_FALSE(enabled(*w, "acFilterOnOff"));
    ASSERT_TRUE(selectFirstAlbum(*w));
    for (const char *now : {"acEditAlbum", "acDuplicateAlbum", "acRemoveAlbum", "acColumns",
                            "acSortOrder", "acBrowse", "acUp", "acStatistics", "acPreferences"})
        EXPECT_TRUE(enabled(*w, now)) << now;
    EXPECT_EQ(w->Action(QStringLiteral("acRemoveAlbum"))->shortcut(), QKeySequence(Qt::Key_Delete));
    EXPECT_EQ(w->Action(QStringLiteral("acRemoveAlbum"))->toolTip(),
              QStringLiteral("Remove Selected Album"));
}

TEST_F(MainWindow, DuplicateAddsACopyWithItsOwnIdentifierAndSavesAtOnce)
{
    auto w = start();
    const qsizetype before = w->Db().AlbumCount();
    TAlbum *album = selectFirstAlbum(*w);
    ASSERT_TRUE(album);
    const qint32 originalId = album->ID;
    const QString title = album->Title.toString();
    w->Action(QStringLiteral("acDuplicateAlbum"))->trigger();
    EXPECT_EQ(w->Db().AlbumCount(), before + 1);
    w->FinishSaving(); // the file is written in the background
    EXPECT_EQ(albumsInFile(dbPath), before + 1);
    TAlbum *copy = w->State().CurrentAlbum();
    ASSERT_TRUE(copy);
    EXPECT_NE(copy, album);
    EXPECT_EQ(copy->Title.toString(), title);
    EXPECT_NE(copy->ID, originalId);
    EXPECT_NE(copy->ID, 0);
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join(u'|').toStdString();
}

TEST_F(MainWindow, AddAndEditAlbumSaveAtOnceAndCancelChangesNothing)
{
    store.WriteBool(QStringLiteral("Options"), QStringLiteral("ConfirmAlbumCancel"), false);
    auto w = start();
    const qsizetype before = w->Db().AlbumCount();
    auto typeTitleAnd = [](const QString &title, const char *button) {
        WhenModal([title, button](QDialog *d) {
            ASSERT_EQ(d->objectName(), QStringLiteral("fmAlbum"));
            d->findChild<QLineEdit *>(QStringLiteral("edTitle"))->setText(title);
            // A new artist: the album gets a folder of its own.
            d->findChild<QComboBox *>(QStringLiteral("cbArtist"))
                ->setCurrentText(QStringLiteral("Newcomer, Typed"));
            d->findChild<QAbstractButton *>(QLatin1String(button))->click();
        });
    };
    typeTitleAnd(QStringLiteral("Typed In"), "btCancel");
    w->Action(QStringLiteral("acAddAlbum"))->trigger();
    EXPECT_EQ(w->Db().AlbumCount(), before);

    typeTitleAnd(QStringLiteral("Typed In"), "btOk");
    w->Action(QStringLiteral("acAddAlbum"))->trigger();
    EXPECT_EQ(w->Db().AlbumCount(), before + 1);
    w->FinishSaving();
    EXPECT_EQ(albumsInFile(dbPath), before + 1);
    ASSERT_TRUE(w->State().CurrentAlbum());
    EXPECT_EQ(w->State().CurrentAlbum()->Title.toString(), QStringLiteral("Typed In"));

    const qint32 id = w->State().CurrentAlbum()->ID;
    typeTitleAnd(QStringLiteral("Renamed"), "btOk");
    w->Action(QStringLiteral("acEditAlbum"))->trigger();
    ASSERT_TRUE(w->State().CurrentAlbum());
    EXPECT_EQ(w->State().CurrentAlbum()->ID, id);
    EXPECT_EQ(w->State().CurrentAlbum()->Title.toString(), QStringLiteral("Renamed"));
    TQelDb saved;
    w->FinishSaving();
    saved.ReadFile(dbPath, false);
    EXPECT_EQ(saved.AlbumCount(), before + 1);
    // (Identifiers are handed out again when a file is read.)
    QStringList titles;
    for (qsizetype i = 0; i < saved.AlbumCount(); ++i)
        titles << saved.Album(i)->Title.toString();
    EXPECT_TRUE(titles.contains(QStringLiteral("Renamed")));
    EXPECT_FALSE(titles.contains(QStringLiteral("Typed In")));
}

TEST_F(MainWindow, ALookupListChangeIsSavedAtOnce)
{
    auto w = start();
    const qsizetype artists = w->Db().LookupList(fdArtist).Count();
    WhenModal([](QDialog *lists) {
        ASSERT_EQ(lists->objectName(), QStringLiteral("fmLookupLists"));
        WhenModal([](QDialog *entry) {
            entry->findChild<QLineEdit *>(QStringLiteral("edSortName"))
                ->setText(QStringLiteral("Zed, Newcomer"));
            entry->findChild<QAbstractButton *>(QStringLiteral("btOK"))->click();
        });
        lists->findChild<QAction *>(QStringLiteral("acAdd"))->trigger();
        lists->findChild<QAbstractButton *>(QStringLiteral("btClose"))->click();
    });
    w->Action(QStringLiteral("acEditLookupLists"))->trigger();
    EXPECT_EQ(w->Db().LookupList(fdArtist).Count(), artists + 1);
    TQelDb saved;
    w->FinishSaving();
    saved.ReadFile(dbPath, false);
    EXPECT_EQ(saved.LookupList(fdArtist).Count(), artists + 1);
}

TEST_F(MainWindow, RemoveAsksOnlyWhenConfirmationIsOnAndSavesAtOnce)
{
    struct Case
    {
        bool confirm;
        bool answerYes;
        int questions;
        bool removed;
    } cases[] = {{true, true, 1, true}, {true, false, 1, false}, {false, false, 0, true}};
    for (const Case &c : cases) {
        ASSERT_TRUE(QFile::remove(dbPath));
        ASSERT_TRUE(QFile::copy(kDemo, dbPath));
        QFile::setPermissions(dbPath, QFile::ReadOwner | QFile::WriteOwner);
        store.WriteBool(QStringLiteral("Options"), QStringLiteral("ConfirmAlbumRemoval"),
                        c.confirm);
        ui.messages.clear();
        ui.yes = c.answerYes;
        auto w = start();
        const qsizetype before = w->Db().AlbumCount();
        TAlbum *album = selectFirstAlbum(*w);
        ASSERT_TRUE(album);
        const qint32 id = album->ID;
        w->Action(QStringLiteral("acRemoveAlbum"))->trigger();
        EXPECT_EQ(ui.messages.size(), c.questions);
        if (c.questions > 0) {
            EXPECT_EQ(ui.messages.front(),
                      QStringLiteral("Are you sure you want to remove this album?"));
        }
        const qsizetype after = before - (c.removed ? 1 : 0);
        EXPECT_EQ(w->Db().AlbumCount(), after);
        w->FinishSaving();
        EXPECT_EQ(albumsInFile(dbPath), after);
        bool present = false;
        for (qsizetype i = 0; i < w->Db().AlbumCount(); ++i)
            present = present || w->Db().Album(i)->ID == id;
        EXPECT_EQ(present, !c.removed);
        w->close();
    }
}

// Paints the main window while each message is up, as a real message box lets it.
class TPaintingInterface : public TScriptedInterface
{
public:
    void ShowInfo(const QString &message) override
    {
        TScriptedInterface::ShowInfo(message);
        if (window)
            window->grab();
    }
    QWidget *window = nullptr;
};

TEST_F(MainWindow, ADamagedFileIsReportedAndThePreviousDatabaseReopened)
{
    const QByteArray demo = ReadFileBytes(dbPath);
    const QByteArray cases[] = {QByteArray("not a collection at all"), demo.left(demo.size() / 2)};
    for (int trackView = 0; trackView < 2; ++trackView)
        for (const QByteArray &bytes : cases) {
            auto w = start();
            TPaintingInterface painter;
            painter.window = w.get();
            if (trackView)
                w->Action(QStringLiteral("acTrackView"))->trigger();
            // The list shows albums or tracks while the file is read.
            w->State().SelectNode(&w->State().Root()->children.front());
            const qsizetype albums = w->Db().AlbumCount();
            const QString damaged = home.file(QStringLiteral("damaged.qel"));
            WriteFileBytes(damaged, bytes);
            EXPECT_FALSE(w->OpenDatabase(damaged));
            ASSERT_EQ(painter.messages.size(), 1);
            EXPECT_EQ(w->Db().FileName, dbPath);
            EXPECT_EQ(w->Db().AlbumCount(), albums);
            EXPECT_EQ(w->Dm().Prefs().CurrentDatabase, dbPath);
            EXPECT_EQ(w->State().NodeCaption(w->State().Root()), QStringLiteral("demo.qel"));
            w->close();
        }
}

TEST_F(MainWindow, AnImportThatBreaksOffLeavesTheCollectionAsItWas)
{
    auto w = start();
    const qsizetype albums = w->Db().AlbumCount();
    const QByteArray before = ReadFileBytes(dbPath);
    // Another collection cut short after some of its albums.
    TQelDb other;
    GenerateCollection(other, 50, 3);
    const QByteArray bytes = other.SaveToBytes();
    const QString cut = home.file(QStringLiteral("cut.qel"));
    WriteFileBytes(cut, bytes.left(bytes.size() * 3 / 4));
    w->ChooseOpenFile = [&](QWidget *, const QString &, const QString &) { return cut; };
    w->Action(QStringLiteral("acImportQel"))->trigger();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(w->Db().AlbumCount(), albums);
    EXPECT_EQ(ReadFileBytes(dbPath), before);
    // The next change saves the collection without any of the import.
    ASSERT_TRUE(selectFirstAlbum(*w));
    w->Action(QStringLiteral("acDuplicateAlbum"))->trigger();
    w->FinishSaving();
    EXPECT_EQ(albumsInFile(dbPath), albums + 1);
    EXPECT_EQ(w->Db().FileName, dbPath);
}

// Records what the program asks the desktop to open.
class TOpeningInterface : public TScriptedInterface
{
public:
    bool ShellOpen(const QString &file, const QString &, const QString &) override
    {
        if (!opens)
            return false;
        opened << file;
        return true;
    }
    QStringList opened;
    bool opens = true; // false: no program takes the file
};

TEST_F(MainWindow, AudioFilesAndTheManualOpenWithTheDesktop)
{
    auto w = start();
    TOpeningInterface desktop;
    TBrowseState &state = w->State();
    w->Action(QStringLiteral("acTrackView"))->trigger();
    state.SelectNode(&state.Root()->children.front());
    state.SelectRow(0);
    auto *track = state.CurrentTrack();
    ASSERT_TRUE(track);
    QAction *play = w->Action(QStringLiteral("acPlayAudioFile"));
    const QString audio = home.file(QStringLiteral("song.mp3"));
    struct Case
    {
        QString file;
        bool exists;
    } cases[] = {{QString(), false}, {audio, false}, {audio, true}};
    for (const Case &c : cases) {
        track->AudioFile = c.file;
        if (c.exists)
            WriteFileBytes(audio, "ID3");
        w->UpdateCommandStates();
        EXPECT_EQ(play->isEnabled(), !c.file.isEmpty());
        play->trigger();
    }
    EXPECT_EQ(desktop.messages, QStringList{QStringLiteral("File not found:\r\n") + audio});
    EXPECT_EQ(desktop.opened, QStringList{audio});

    for (const char *help : {"acManual", "acFaq"})
        w->Action(QLatin1String(help))->trigger();
    ASSERT_EQ(desktop.opened.size(), 3);
    EXPECT_TRUE(desktop.opened[1].endsWith(QStringLiteral("Docs/QelmusicManual.htm")));
    EXPECT_TRUE(desktop.opened[2].endsWith(QStringLiteral("Docs/QelmusicFAQ.htm")));
    EXPECT_TRUE(QFile::exists(desktop.opened[1]));

    // The manual is there but no program opens it: the message says so.
    desktop.opens = false;
    desktop.messages.clear();
    w->Action(QStringLiteral("acManual"))->trigger();
    EXPECT_EQ(desktop.messages, QStringList{QStringLiteral("No program could open the file:\r\n") +
                                            desktop.opened[1]});
}

TEST_F(MainWindow, TheSortedColumnCarriesTheArrowOfItsOrder)
{
    auto w = start();
    ASSERT_TRUE(selectFirstAlbum(*w));
    auto *list = w->findChild<TQelListView *>(QStringLiteral("lvMain"));
    auto marks = [&] {
        QList<int> images;
        for (int column = 0; column < list->model()->columnCount(); ++column)
            images << list->HeaderImage(column);
        return images;
    };
    // No sort fields: the list is in Title order; the columns are Artist, Title, Year.
    EXPECT_EQ(marks(), (QList<int>{-1, 58, -1}));
    auto *header = list->Details()->horizontalHeader();
    emit header->sectionClicked(2);
    EXPECT_EQ(marks(), (QList<int>{-1, -1, 58}));
    emit header->sectionClicked(2);
    EXPECT_EQ(marks(), (QList<int>{-1, -1, 59}));
    // The order goes into the view's sort fields, which are saved at close.
    w->close();
    EXPECT_EQ(store.ReadInteger(QStringLiteral("MainWindow\\AlbumSortFields"),
                                QStringLiteral("Count"), 0),
              1);
}

TEST_F(MainWindow, InsertAndDeleteKeysActOnTheTreeAndTheListOnly)
{
    auto w = start();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    ASSERT_TRUE(selectFirstAlbum(*w));
    const qsizetype albums = w->Db().AlbumCount();
    auto *comments = w->findChild<QWidget *>(QStringLiteral("mmComments"));
    comments->setFocus();
    QTest::keyClick(comments, Qt::Key_Insert, Qt::ControlModifier); // copy, not duplicate
    QTest::keyClick(comments, Qt::Key_Delete);
    EXPECT_EQ(w->Db().AlbumCount(), albums);
    auto *list = w->findChild<TQelListView *>(QStringLiteral("lvMain"))->Current();
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(w->Db().AlbumCount(), albums + 1);
}

TEST_F(MainWindow, AFailedSaveIsReportedAndKeepsTheCollectionAndThePreviousFile)
{
    auto w = start();
    const QByteArray before = ReadFileBytes(dbPath);
    const qsizetype albums = w->Db().AlbumCount();
    // A folder that does not exist cannot take the file.
    const QString gone = home.file(QStringLiteral("gone/demo.qel"));
    w->Db().FileName = gone;
    ASSERT_TRUE(selectFirstAlbum(*w));
    w->Action(QStringLiteral("acDuplicateAlbum"))->trigger();
    w->FinishSaving();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_TRUE(ui.messages.front().startsWith(QStringLiteral("Could not save \"%1\": ").arg(gone)))
        << ui.messages.front().toStdString();
    EXPECT_EQ(w->Db().AlbumCount(), albums + 1);
    EXPECT_TRUE(w->HasUnsavedChanges());
    EXPECT_EQ(ReadFileBytes(dbPath), before);
    EXPECT_FALSE(QFile::exists(gone));

    // A write that fails half-way leaves the file whole, too; "Save" then tries again.
    w->Db().FileName = dbPath;
    w->Writer().BeforeWrite = [](const QString &) { return QStringLiteral("disk full"); };
    w->Action(QStringLiteral("acSave"))->trigger();
    w->FinishSaving();
    ASSERT_EQ(ui.messages.size(), 2);
    EXPECT_EQ(ui.messages.back(), QStringLiteral("Could not save \"%1\": disk full").arg(dbPath));
    EXPECT_TRUE(w->HasUnsavedChanges());
    EXPECT_EQ(ReadFileBytes(dbPath), before);
    w->Writer().BeforeWrite = nullptr;
    w->Action(QStringLiteral("acSave"))->trigger();
    w->FinishSaving();
    EXPECT_EQ(ui.messages.size(), 2);
    EXPECT_FALSE(w->HasUnsavedChanges());
    EXPECT_EQ(albumsInFile(dbPath), albums + 1);
}

TEST_F(MainWindow, AnEditIsWrittenInTheBackgroundAndClosingWaitsForIt)
{
    auto w = start();
    const qsizetype albums = w->Db().AlbumCount();
    // The writer is held up until a moment after the window is asked to close.
    std::binary_semaphore started(0), go(0);
    w->Writer().BeforeWrite = [&](const QString &) {
        started.release();
        go.acquire();
        return QString();
    };
    ASSERT_TRUE(selectFirstAlbum(*w));
    w->Action(QStringLiteral("acDuplicateAlbum"))->trigger();
    // The command has returned while its save is still to be written.
    started.acquire();
    EXPECT_EQ(albumsInFile(dbPath), albums);
    EXPECT_TRUE(w->HasUnsavedChanges());
    std::thread release([&go] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        go.release();
    });
    w->close();
    EXPECT_EQ(albumsInFile(dbPath), albums + 1);
    EXPECT_FALSE(w->HasUnsavedChanges());
    release.join();
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join(u'|').toStdString();
}

TEST_F(MainWindow, SaveOfANewDatabaseAsksForANameAndCancelLeavesItUnnamed)
{
    auto w = start();
    w->Action(QStringLiteral("acNew"))->trigger();
    EXPECT_EQ(w->Db().AlbumCount(), 0);
    int asked = 0;
    QString answer;
    w->ChooseSaveFile = [&](QWidget *, const QString &caption, const QString &) {
        ++asked;
        EXPECT_EQ(caption, QStringLiteral("Save Database"));
        return answer;
    };
    w->Action(QStringLiteral("acSave"))->trigger();
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(w->Db().FileName.isEmpty());
    answer = home.file(QStringLiteral("new.qel"));
    w->Action(QStringLiteral("acSave"))->trigger();
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(w->Db().FileName, answer);
    EXPECT_TRUE(QFile::exists(answer));
    EXPECT_EQ(w->Dm().Prefs().CurrentDatabase, answer);
    EXPECT_EQ(w->State().NodeCaption(w->State().Root()), QStringLiteral("new.qel"));
}

TEST_F(MainWindow, FilterMadeInTheDialogShowsInTheStatusBarAndSwitchesOff)
{
    auto w = start();
    auto *filterPane = w->findChild<QLabel *>(QStringLiteral("pnFilter"));
    ASSERT_TRUE(filterPane);
    EXPECT_EQ(filterPane->text(), QStringLiteral("Filter: [None]"));
    WhenModal([](QDialog *d) {
        auto *title = d->findChild<QLineEdit *>(QStringLiteral("edTitle"));
        ASSERT_TRUE(title);
        title->setText(QStringLiteral("Rue"));
        d->findChild<QAbstractButton *>(QStringLiteral("btOk"))->click();
    });
    w->Action(QStringLiteral("acSetFilter"))->trigger();
    EXPECT_TRUE(filterPane->text().startsWith(QStringLiteral("Filter: ")));
    EXPECT_TRUE(filterPane->text().contains(QStringLiteral("Rue")))
        << filterPane->text().toStdString();
    QAction *onOff = w->Action(QStringLiteral("acFilterOnOff"));
    EXPECT_TRUE(onOff->isEnabled());
    EXPECT_TRUE(onOff->isChecked());
    // Only the albums whose title has "Rue" remain in the folders.
    w->State().SelectNode(&w->State().Root()->children.front());
    for (int row = 0; row < w->State().RowCount(); ++row)
        EXPECT_TRUE(static_cast<TDataItem *>(w->State().RowObject(row))
                        ->Title.toString()
                        .contains(QStringLiteral("rue"), Qt::CaseInsensitive));
    onOff->trigger();
    EXPECT_FALSE(onOff->isChecked());
    EXPECT_EQ(filterPane->text(), QStringLiteral("Filter: [None]"));
}

TEST_F(MainWindow, AnAlbumDroppedOnAnotherFolderMovesThereAndIsSaved)
{
    auto w = start();
    TBrowseState &state = w->State();
    TAlbum *album = selectFirstAlbum(*w);
    ASSERT_TRUE(album);
    TTreeNode *root = state.Root();
    ASSERT_GE(root->children.size(), 2u);
    auto *own = static_cast<TLookupItem *>(root->children[0].object);
    auto *other = static_cast<TLookupItem *>(root->children[1].object);
    EXPECT_FALSE(w->CanDropOn(album, own));
    EXPECT_TRUE(w->CanDropOn(album, other));
    const qint32 id = album->ID;
    w->DropOn(album, other);
    EXPECT_EQ(album->Artist, other);
    // The tree opens the new folder with the album selected.
    ASSERT_TRUE(state.SelectedNode());
    EXPECT_EQ(state.SelectedNode()->object, other);
    EXPECT_EQ(state.CurrentAlbum(), album);
    TQelDb saved;
    w->FinishSaving();
    saved.ReadFile(dbPath, false);
    bool found = false;
    for (qsizetype i = 0; i < saved.AlbumCount(); ++i)
        if (saved.Album(i)->ID == id) {
            found = true;
            EXPECT_EQ(saved.Album(i)->GetFieldAsString(fdArtist), LookupDisplayText(other));
        }
    EXPECT_TRUE(found);

    // Without folders there is nothing to drop an album on.
    auto *folders = w->findChild<QMenu *>(QStringLiteral("pmFolders"));
    ASSERT_TRUE(folders);
    folders->actions().front()->trigger(); // "No Folders"
    EXPECT_EQ(state.GroupField(), fdNone);
    EXPECT_FALSE(w->CanDropOn(album, own));
}

TEST_F(MainWindow, ADiscDroppedOnAnotherAlbumBecomesItsLastDisc)
{
    auto w = start();
    TQelDb &db = w->Db();
    ASSERT_GE(db.AlbumCount(), 2);
    TAlbum *source = db.Album(0);
    TAlbum *target = db.Album(1);
    ASSERT_GE(source->DiscCount(), 1);
    TDisc *disc = source->Disc(0);
    const qsizetype sourceDiscs = source->DiscCount();
    const qsizetype targetDiscs = target->DiscCount();
    EXPECT_FALSE(w->CanDropOn(disc, source));
    ASSERT_TRUE(w->CanDropOn(disc, target));
    if (disc->TrackCount() > 0) {
        EXPECT_FALSE(w->CanDropOn(disc->Track(0), target)); // tracks do not move
    }
    w->DropOn(disc, target);
    EXPECT_EQ(source->DiscCount(), sourceDiscs - 1);
    EXPECT_EQ(target->DiscCount(), targetDiscs + 1);
    EXPECT_EQ(disc->Parent, target);
    EXPECT_EQ(disc->Index, targetDiscs + 1);
    TQelDb saved;
    w->FinishSaving();
    saved.ReadFile(dbPath, false);
    EXPECT_EQ(saved.Album(1)->DiscCount(), targetDiscs + 1);
}

TEST_F(MainWindow, BrowseReturningTheLastRowSelectsIt)
{
    auto w = start();
    TBrowseState &state = w->State();
    w->Action(QStringLiteral("acTrackView"))->trigger();
    state.SelectNode(&state.Root()->children.front());
    ASSERT_GE(state.RowCount(), 2);
    WhenModal([](QDialog *d) {
        auto *last = d->findChild<QToolButton *>(QStringLiteral("btLast"));
        ASSERT_TRUE(last);
        last->click();
        d->reject();
    });
    w->Action(QStringLiteral("acBrowse"))->trigger();
    EXPECT_EQ(state.SelectedRow(), state.RowCount() - 1);
    EXPECT_EQ(w->findChild<TQelListView *>(QStringLiteral("lvMain"))->CurrentRow(),
              state.RowCount() - 1);
}

TEST_F(MainWindow, HiddenToolbarStaysHiddenAndResetShowsEveryBand)
{
    {
        auto w = start();
        w->findChild<QAction *>(QStringLiteral("acShowtbMP3"))->trigger();
        EXPECT_TRUE(w->findChild<QToolBar *>(QStringLiteral("tbMP3"))->isHidden());
        w->close();
    }
    EXPECT_FALSE(
        store.ReadBool(QStringLiteral("MainWindow\\tbMP3"), QStringLiteral("Visible"), true));
    auto w = start();
    auto *mp3 = w->findChild<QToolBar *>(QStringLiteral("tbMP3"));
    EXPECT_TRUE(mp3->isHidden());
    EXPECT_FALSE(w->findChild<QAction *>(QStringLiteral("acShowtbMP3"))->isChecked());
    w->Action(QStringLiteral("acResetToolbar"))->trigger();
    for (const char *band : {"tbFile", "tbEdit", "tbCDDB", "tbSearch", "tbView", "tbMP3", "imLogo"})
        EXPECT_FALSE(w->findChild<QToolBar *>(QLatin1String(band))->isHidden()) << band;
    EXPECT_TRUE(w->findChild<QAction *>(QStringLiteral("acShowtbMP3"))->isChecked());
}

TEST_F(MainWindow, NonsenseLayoutValuesFallBackToTheDefaults)
{
    const QString s = QStringLiteral("MainWindow");
    store.WriteInteger(s, QStringLiteral("ListViewStyle"), 7);
    store.WriteInteger(s, QStringLiteral("AlbumGroupField"), 999);
    store.WriteInteger(s, QStringLiteral("TrackGroupField"), fdTitle); // cannot group
    store.WriteInteger(s, QStringLiteral("TreeWidth"), -40);
    store.WriteString(QStringLiteral("WindowPlacement"), QStringLiteral("fmMain"),
                      QStringLiteral("garbage"));
    auto w = start();
    EXPECT_EQ(w->State().AlbumGroupField, fdArtist);
    EXPECT_EQ(w->State().TrackGroupField, fdArtist);
    EXPECT_TRUE(w->Action(QStringLiteral("acDetails"))->isChecked());
    EXPECT_GT(w->findChild<QWidget *>(QStringLiteral("pnTree"))->width(), 0);
}

TEST_F(MainWindow, TypingInTheListSelectsTheFirstMatchingRow)
{
    auto w = start();
    TBrowseState &state = w->State();
    ASSERT_EQ(state.ListContent, TBrowseState::lcGroups);
    ASSERT_GE(state.RowCount(), 3);
    const QString caption = LookupDisplayText(state.CurrentGroups[2]);
    auto *list = w->findChild<TQelListView *>(QStringLiteral("lvMain"));
    list->Current()->setFocus();
    for (QChar ch : caption.left(6).toLower()) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(list->Current(), &press);
    }
    EXPECT_EQ(w->findChild<QLabel *>(QStringLiteral("pnSearch"))->text(),
              caption.left(6).toLower());
    EXPECT_EQ(state.SelectedRow(), state.FindRow(caption.left(6)));
    EXPECT_TRUE(LookupDisplayText(state.CurrentGroups[state.SelectedRow()])
                    .startsWith(caption.left(6), Qt::CaseInsensitive));
}

// A command that changes a setting writes the settings file at once: a crash or a power
// cut afterwards keeps the change.
TEST_F(MainWindow, SettingsChangedByACommandReachTheFileAtOnce)
{
    const QString file = home.file(QStringLiteral("settings.ini"));
    // Adds "Index" in the field selection dialog and confirms.
    const auto addIndex = [](QDialog *d) {
        auto *tree = Child<QTreeWidget>(d, "tvFields");
        ASSERT_TRUE(tree);
        emit tree->itemDoubleClicked(tree->topLevelItem(0)->child(0), 0);
        Click(d, "btOk");
    };
    const QString band = QStringLiteral("MainWindow\\tbMP3");
    struct Case
    {
        const char *what;
        std::function<void(TfmMain &)> act;
        std::function<void(const TSettingsStore &)> check;
    } cases[] = {
        {"grouping",
         [](TfmMain &w) {
             w.findChild<QMenu *>(QStringLiteral("pmFolders"))->actions()[0]->trigger();
         },
         [](const TSettingsStore &s) {
             EXPECT_EQ(
                 s.ReadInteger(QStringLiteral("MainWindow"), QStringLiteral("AlbumGroupField"), -1),
                 0);
         }},
        {"toolbar reset", [](TfmMain &w) { w.Action(QStringLiteral("acResetToolbar"))->trigger(); },
         [band](const TSettingsStore &s) {
             EXPECT_TRUE(s.ReadBool(band, QStringLiteral("Visible"), false));
         }},
        {"filter",
         [](TfmMain &w) {
             WhenModal([](QDialog *d) {
                 Child<QLineEdit>(d, "edTitle")->setText(QStringLiteral("Rue"));
                 Click(d, "btOk");
             });
             w.Action(QStringLiteral("acSetFilter"))->trigger();
         },
         [](const TSettingsStore &s) {
             const QString filter = QStringLiteral("MainWindow\\AlbumFilterFields");
             EXPECT_EQ(s.ReadInteger(filter, QStringLiteral("Count"), 0), 1);
             EXPECT_TRUE(s.ReadBool(filter, QStringLiteral("Enabled"), false));
         }},
        {"columns",
         [addIndex](TfmMain &w) {
             ASSERT_TRUE(selectFirstAlbum(w));
             WhenModal(addIndex);
             w.Action(QStringLiteral("acColumns"))->trigger();
         },
         [](const TSettingsStore &s) {
             EXPECT_EQ(s.ReadInteger(QStringLiteral("MainWindow\\AlbumShowFields"),
                                     QStringLiteral("Count"), 0),
                       4);
         }},
        {"sort order",
         [addIndex](TfmMain &w) {
             ASSERT_TRUE(selectFirstAlbum(w));
             WhenModal(addIndex);
             w.Action(QStringLiteral("acSortOrder"))->trigger();
         },
         [](const TSettingsStore &s) {
             EXPECT_EQ(s.ReadInteger(QStringLiteral("MainWindow\\AlbumSortFields"),
                                     QStringLiteral("Count"), 0),
                       1);
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(file);
        TIniSettingsStore ini(file);
        seed(ini);
        ini.WriteBool(band, QStringLiteral("Visible"), false);
        ASSERT_TRUE(ini.Sync());
        TfmMain w({}, &ini);
        w.show();
        c.act(w);
        c.check(TIniSettingsStore(file)); // what the file holds now
    }
}

TEST_F(MainWindow, TheFolderListFillsTheListAndItsHeaderReversesTheFolders)
{
    auto w = start();
    TBrowseState &state = w->State();
    ASSERT_EQ(state.ListContent, TBrowseState::lcGroups);
    ASSERT_GE(state.RowCount(), 2);
    auto *list = w->findChild<TQelListView *>(QStringLiteral("lvMain"));
    QTableView *table = list->Details();
    QHeaderView *header = table->horizontalHeader();
    w->resize(1200, 700);
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return header->sectionSize(0) >= table->viewport()->width();
    })) << header->sectionSize(0)
        << " of " << table->viewport()->width();

    const QString first = LookupDisplayText(state.CurrentGroups.front());
    const QString last = LookupDisplayText(state.CurrentGroups.back());
    EXPECT_EQ(list->HeaderImage(0), TIconLists::kSortAscending);
    const QPoint onHeader(header->sectionViewportPosition(0) + 4, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, onHeader);
    EXPECT_EQ(state.GroupSortOrder, -1);
    EXPECT_EQ(LookupDisplayText(state.CurrentGroups.front()), last);
    EXPECT_EQ(list->HeaderImage(0), TIconLists::kSortDescending);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, onHeader);
    EXPECT_EQ(state.GroupSortOrder, 1);
    EXPECT_EQ(LookupDisplayText(state.CurrentGroups.front()), first);
    EXPECT_EQ(list->HeaderImage(0), TIconLists::kSortAscending);

    // The albums of a folder keep their columns' widths.
    ASSERT_TRUE(selectFirstAlbum(*w));
    EXPECT_EQ(header->sectionSize(0), 100);
}

TEST_F(MainWindow, IconStyleCaptionsAlbumsByTitleAndOtherRowsAsBefore)
{
    auto w = start();
    w->Action(QStringLiteral("acIcons"))->trigger();
    QListView *icons = w->findChild<TQelListView *>(QStringLiteral("lvMain"))->Icons();
    auto *delegate = qobject_cast<TImageIndexDelegate *>(icons->itemDelegate());
    ASSERT_TRUE(delegate);
    const auto caption = [&](int row) {
        QStyleOptionViewItem option;
        delegate->initStyleOption(&option, icons->model()->index(row, 0));
        return option.text;
    };
    TBrowseState &state = w->State();
    EXPECT_EQ(caption(0), LookupDisplayText(state.CurrentGroups[0]));
    // One artist's albums, whose first column is the artist.
    ASSERT_TRUE(selectFirstAlbum(*w));
    for (int row = 0; row < state.RowCount(); ++row)
        EXPECT_EQ(caption(row), static_cast<TDataItem *>(state.RowObject(row))->Title.toString());
    // The discs of an album.
    state.SelectNode(&state.SelectedNode()->children.front());
    ASSERT_EQ(state.ListContent, TBrowseState::lcItems);
    EXPECT_EQ(caption(0), icons->model()->index(0, 0).data().toString());
}

TEST_F(MainWindow, TypedTextGoesWithTheListItSearched)
{
    auto w = start();
    auto *list = w->findChild<TQelListView *>(QStringLiteral("lvMain"));
    auto *search = w->findChild<QLabel *>(QStringLiteral("pnSearch"));
    const std::pair<const char *, std::function<void()>> changes[] = {
        {"regrouping",
         [&] { w->findChild<QMenu *>(QStringLiteral("pmFolders"))->actions()[0]->trigger(); }},
        {"another file", [&] { w->OpenDatabase(dbPath); }},
        {"a new database", [&] { w->Action(QStringLiteral("acNew"))->trigger(); }},
    };
    for (const auto &[what, change] : changes) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("m"));
        QApplication::sendEvent(list->Current(), &press);
        EXPECT_EQ(search->text(), QStringLiteral("m")) << what;
        change();
        EXPECT_EQ(search->text(), QString()) << what;
    }
}

TEST_F(MainWindow, AnAlbumWithoutDiscsHasNothingToOpenInTheTree)
{
    auto w = start();
    auto *album = new TAlbum(&w->Db());
    album->Title = QStringLiteral("Empty Sleeve");
    album->Artist = w->Db().LookupList(fdArtist).GetOrAdd(QStringLiteral("Nobody, Yet"));
    w->Db().AddAlbum(album);
    w->Action(QStringLiteral("acRefresh"))->trigger();
    TBrowseState &state = w->State();
    TTreeNode *folder = state.ChildWithObject(state.Root(), album->Artist);
    ASSERT_TRUE(folder);
    TTreeNode *empty = state.ChildWithObject(folder, album);
    ASSERT_TRUE(empty);
    TFolderTreeModel *model = state.TreeModel();
    EXPECT_FALSE(model->hasChildren(model->IndexOf(empty)));
    // An album with discs still opens.
    TTreeNode *full = &state.Root()->children.front();
    state.FillNode(full);
    EXPECT_TRUE(model->hasChildren(model->IndexOf(&full->children.front())));
}

} // namespace
