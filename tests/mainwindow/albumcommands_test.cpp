// The main window's album commands as the keyboard and the CD drive reach them: the row
// the list highlights is the one Del and Enter act on, every removal or replacement of
// an album can be taken back from a backup, and a CD is found in any grouping.
#include "cddb/cdreader.h"
#include "cddb/scancd.h"
#include "mainwindow/ui/mainwindow.h"
#include "model/album.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "services/backups.h"
#include "services/ui/widgetinterface.h"
#include "shell/dmglobal.h"
#include "shell/settingsstore.h"
#include "testsupport.h"
#include "views/browsestate.h"
#include "views/filter.h"
#include "views/ui/qellistview.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QMessageBox>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>
#include <memory>
#include <set>

namespace {

int albumsInFile(const QString &path)
{
    TQelDb db;
    db.ReadFile(path, false);
    return int(db.AlbumCount());
}

class AlbumCommands : public ::testing::Test
{
protected:
    void SetUp() override
    {
        dbPath = UseDemoCollection(home, store);
        store.WriteBool(QStringLiteral("Options"), QStringLiteral("ConfirmAlbumRemoval"), true);
        store.WriteBool(QStringLiteral("Options"), QStringLiteral("ConfirmAlbumCancel"), false);
        w = std::make_unique<TfmMain>(QStringList{}, &store);
        w->show();
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
        list = Child<TQelListView>(w.get(), "lvMain");
    }

    TBrowseState &state() { return w->State(); }

    // The first folder with more than two albums, selected, with its second row.
    void selectAFullFolder()
    {
        TTreeNode *node = state().Root();
        for (TTreeNode &folder : node->children) {
            state().FillNode(&folder);
            if (folder.children.size() > 2) {
                node = &folder;
                break;
            }
        }
        ASSERT_NE(node, state().Root());
        state().SelectNode(node);
        state().SelectRow(1);
    }

    TTestHome home;
    TScriptedInterface ui;
    TMemorySettingsStore store;
    QString dbPath;
    std::unique_ptr<TfmMain> w;
    TQelListView *list = nullptr;
};

} // namespace

// The question before a removal is a real message box: once it is answered the window
// has the keyboard again, so the next Del and Enter are the window's commands on the
// row the list highlights, not keys the list handles alone.
TEST_F(AlbumCommands, AfterARemovalDelAndEnterActOnTheHighlightedRow)
{
    TWidgetUserInterface boxes;
    TUserInterface *scripted = SetUserInterface(&boxes);
    int questions = 0;
    const auto answerYes = [&questions] {
        WhenModal([&questions](QDialog *dialog) {
            auto *box = qobject_cast<QMessageBox *>(dialog);
            ASSERT_TRUE(box);
            ++questions;
            box->button(QMessageBox::Yes)->click();
        });
    };
    selectAFullFolder();
    list->Current()->setFocus();
    const qsizetype albums = w->Db().AlbumCount();
    for (int removal = 1; removal <= 2; ++removal) {
        SCOPED_TRACE(removal);
        answerYes();
        QTest::keyClick(list->Current(), Qt::Key_Delete);
        QCoreApplication::processEvents();
        EXPECT_EQ(questions, removal);
        ASSERT_EQ(w->Db().AlbumCount(), albums - removal);
        const int row = list->CurrentRow();
        ASSERT_GE(row, 0);
        EXPECT_TRUE(list->selectionModel()->isRowSelected(row, {}));
        EXPECT_EQ(state().CurrentAlbum(), state().RowObject(row));
    }
    QString opened;
    WhenModal([&opened](QDialog *editor) {
        opened = editor->objectName();
        editor->reject();
    });
    QTest::keyClick(list->Current(), Qt::Key_Return);
    EXPECT_EQ(opened, QStringLiteral("fmAlbum"));
    SetUserInterface(scripted);
}

// An album that came in after the last backup and then went by mistake is in a backup:
// removing or replacing an album keeps one first, whatever the hour.
TEST_F(AlbumCommands, RemovingOrEditingAnAlbumKeepsABackupFirst)
{
    const struct
    {
        const char *what;
        const char *command;
        bool editor;
    } cases[] = {{"remove", "acRemoveAlbum", false}, {"edit", "acEditAlbum", true}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        // A new album: its save keeps the first backup of the run, of the file without it.
        selectAFullFolder();
        w->Action(QStringLiteral("acDuplicateAlbum"))->trigger();
        w->FinishSaving();
        const QByteArray withCopy = ReadFileBytes(dbPath);
        const int albums = int(w->Db().AlbumCount());
        ASSERT_EQ(albumsInFile(dbPath), albums);
        // The copy goes, or is replaced by its edited self, a minute later.
        const QDateTime later = w->Backups().Now().addSecs(60);
        w->Backups().Now = [later] { return later; };
        if (c.editor)
            WhenModal([](QDialog *editor) {
                ASSERT_EQ(editor->objectName(), QStringLiteral("fmAlbum"));
                Click(editor, "btOk");
            });
        w->Action(QLatin1String(c.command))->trigger();
        w->FinishSaving();
        const std::vector<TBackupInfo> backups = w->Backups().List(dbPath);
        ASSERT_FALSE(backups.empty());
        EXPECT_TRUE(ReadFileBytes(backups.front().path) == withCopy);
        EXPECT_EQ(backups.front().albums, albums);
    }
}

// The CD in the drive (a disc image) belongs to an album of the collection: the command
// selects it in its folder, or among all albums when the view has no folders; a filter
// that hides it is named.
TEST_F(AlbumCommands, FindCdByScanningFindsTheAlbumWithOrWithoutFolders)
{
    // One audio track of a minute.
    const QString bin = home.file(QStringLiteral("disc.bin"));
    const QString cue = home.file(QStringLiteral("disc.cue"));
    {
        QFile data(bin);
        ASSERT_TRUE(data.open(QIODevice::WriteOnly) && data.resize(qint64(4500) * 2352));
    }
    WriteFileBytes(cue, "FILE \"disc.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
    TScanCD record;
    TCdScanner().Scan(cue, record);
    ASSERT_NE(record.MsDiscId, 0);
    TAlbum *album = w->Db().Album(w->Db().AlbumCount() / 2);
    ASSERT_GT(album->DiscCount(), 0);
    album->Disc(0)->MsDiscId = record.MsDiscId;
    ASSERT_EQ(w->Db().FindAlbumByMsDiscId(record.MsDiscId), album);
    w->Dm().Prefs().Drive = cue;

    const struct
    {
        const char *what;
        TFieldId group;
        bool hidden; // by a filter on another album's title
    } cases[] = {
        {"by artist", fdArtist, false},
        {"no folders", fdNone, false},
        {"by genre", fdGenre, false},
        {"no folders, filtered out", fdNone, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        TFilterFields &filter = w->Views().AlbumFilter;
        filter.Clear();
        if (c.hidden) {
            const TAlbum *other = w->Db().Album(0) == album ? w->Db().Album(1) : w->Db().Album(0);
            filter.Add(std::make_unique<TStringFilterField>(fdTitle, other->Title.toString()));
        }
        filter.Enabled = c.hidden;
        state().SetGroupField(c.group);
        state().RebuildTree();
        state().SelectNode(state().Root());
        ui.messages.clear();
        w->Action(QStringLiteral("acFindCD"))->trigger();
        if (c.hidden) {
            ASSERT_EQ(ui.messages.size(), 1);
            EXPECT_TRUE(ui.messages[0].contains(QStringLiteral("not in the current list")));
            continue;
        }
        EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join(u'|').toStdString();
        EXPECT_EQ(state().CurrentAlbum(), album);
        ASSERT_NE(state().SelectedNode(), nullptr);
        EXPECT_EQ(state().SelectedNode()->object, album);
        const auto *tree = Child<QTreeView>(w.get(), "tvMain");
        EXPECT_EQ(TFolderTreeModel::NodeOf(tree->currentIndex()), state().SelectedNode());
    }
}

// Several rows selected (Shift, Ctrl, Ctrl+A): Remove Album asks once, naming the count,
// and removes every selected album with one save; in the track view the albums of the
// selected tracks go, each once.
TEST_F(AlbumCommands, RemoveAlbumTakesEverySelectedAlbumAfterOneQuestion)
{
    for (const int treeType : {0, 1}) {
        SCOPED_TRACE(treeType);
        w->Action(treeType == 0 ? QStringLiteral("acAlbumView") : QStringLiteral("acTrackView"))
            ->trigger();
        selectAFullFolder();
        ASSERT_GE(state().RowCount(), 3);
        list->Current()->setFocus();
        QTest::keyClick(list->Current(), Qt::Key_Home, Qt::ControlModifier);
        QTest::keyClick(list->Current(), Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(list->Current(), Qt::Key_Down, Qt::ShiftModifier);
        std::set<const TAlbum *> chosen;
        for (int row = 0; row < 3; ++row)
            chosen.insert(static_cast<TDataItem *>(state().RowObject(row))->GetAlbum());
        const qsizetype before = w->Db().AlbumCount();
        ui.messages.clear();
        ui.yes = true;
        w->Action(QStringLiteral("acRemoveAlbum"))->trigger();
        w->FinishSaving();
        ASSERT_EQ(ui.messages.size(), 1);
        if (chosen.size() > 1) {
            EXPECT_TRUE(ui.messages[0].contains(QString::number(chosen.size())))
                << ui.messages[0].toStdString();
        }
        EXPECT_EQ(w->Db().AlbumCount(), before - qsizetype(chosen.size()));
        EXPECT_EQ(albumsInFile(dbPath), int(before - qsizetype(chosen.size())));
        for (qsizetype i = 0; i < w->Db().AlbumCount(); ++i)
            EXPECT_EQ(chosen.count(w->Db().Album(i)), 0u);
        // Painted afterwards, the tree and the list read nothing freed.
        w->show();
        w->grab();
        QCoreApplication::processEvents();
    }
}
