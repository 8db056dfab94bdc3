// "Change Selected Albums..." in the main window: the selected rows take the values,
// the collection is backed up first and saved once, and the list comes back with the
// same rows selected wherever the change moved them; in the track view the same for
// tracks.
#include "mainwindow/ui/mainwindow.h"
#include "model/album.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "services/backups.h"
#include "shell/settingsstore.h"
#include "testsupport.h"
#include "views/browsestate.h"
#include "views/ui/qellistview.h"

#include <QAction>
#include <QDialog>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <set>

namespace {

class ChangeSelected : public ::testing::Test
{
protected:
    void SetUp() override
    {
        dbPath = UseDemoCollection(home, store);
        w = std::make_unique<TfmMain>(QStringList{}, &store);
        w->show();
        list = Child<TQelListView>(w.get(), "lvMain");
    }

    TBrowseState &state() { return w->State(); }
    bool enabled() { return w->Action(QStringLiteral("acChangeSelected"))->isEnabled(); }

    // The first folder with at least count rows, selected in the tree.
    void openFolderWith(std::size_t count)
    {
        TTreeNode *root = state().Root();
        for (TTreeNode &folder : root->children) {
            state().FillNode(&folder);
            if (folder.children.size() >= count) {
                state().SelectNode(&folder);
                return;
            }
        }
        FAIL() << "no folder of " << count << " rows";
    }
    // Clicks the first row and Ctrl+clicks the others, as the user picks them.
    void selectRows(std::initializer_list<int> rows)
    {
        QTableView *view = list->Details();
        Qt::KeyboardModifiers modifiers;
        for (const int row : rows) {
            const QRect cell = view->visualRect(view->model()->index(row, 0));
            QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers, cell.center());
            modifiers = Qt::ControlModifier;
        }
        ASSERT_EQ(list->SelectedRows(), std::vector<int>(rows));
    }
    std::set<const TQel *> selectedObjects()
    {
        std::set<const TQel *> objects;
        for (const int row : list->SelectedRows())
            objects.insert(state().RowObject(row));
        return objects;
    }

    TTestHome home;
    TScriptedInterface ui;
    TMemorySettingsStore store;
    QString dbPath;
    std::unique_ptr<TfmMain> w;
    TQelListView *list = nullptr;
};

} // namespace

// Two of a folder's albums get a new title and location. The title is the list's sort
// order, so both move to the end; they stay selected there. The file before the change
// is in a backup, the file after it holds both values, and the status bar counts them.
TEST_F(ChangeSelected, SelectedAlbumsTakeTheValuesAndStaySelected)
{
    EXPECT_FALSE(enabled()); // the root lists folders
    openFolderWith(3);
    selectRows({0, 2});
    ASSERT_TRUE(enabled());
    auto *first = dynamic_cast<TAlbum *>(state().RowObject(0));
    auto *third = dynamic_cast<TAlbum *>(state().RowObject(2));
    auto *second = dynamic_cast<TAlbum *>(state().RowObject(1));
    ASSERT_TRUE(first && second && third);
    const QString untouched = second->Title.toString();
    w->FinishSaving();
    const QByteArray before = ReadFileBytes(dbPath);
    const QDateTime later = w->Backups().Now().addSecs(60);
    w->Backups().Now = [later] { return later; };

    WhenModal([](QDialog *d) {
        ASSERT_EQ(d->objectName(), QStringLiteral("fmChangeSelected"));
        QTest::keyClicks(Child<QLineEdit>(d, "edTitle"), QStringLiteral("Zzz Same"));
        QTest::keyClicks(Child<QLineEdit>(d, "edLocation"), QStringLiteral("Shelf 3"));
        Click(d, "btOk");
    });
    w->Action(QStringLiteral("acChangeSelected"))->trigger();
    w->FinishSaving();

    for (const TAlbum *a : {first, third}) {
        EXPECT_EQ(a->Title.toString(), QStringLiteral("Zzz Same"));
        EXPECT_EQ(a->Location.toString(), QStringLiteral("Shelf 3"));
    }
    EXPECT_EQ(second->Title.toString(), untouched);
    EXPECT_EQ(selectedObjects(), (std::set<const TQel *>{first, third}));
    EXPECT_EQ(state().CurrentAlbum(), third);
    EXPECT_EQ(w->statusBar()->currentMessage(), QStringLiteral("2 albums changed"));

    TQelDb saved;
    saved.ReadFile(dbPath, false);
    int shelved = 0;
    for (qsizetype i = 0; i < saved.AlbumCount(); ++i)
        if (saved.Album(i)->Location == QStringView(u"Shelf 3")) {
            ++shelved;
            EXPECT_EQ(saved.Album(i)->Title.toString(), QStringLiteral("Zzz Same"));
        }
    EXPECT_EQ(shelved, 2);
    const std::vector<TBackupInfo> backups = w->Backups().List(dbPath);
    ASSERT_FALSE(backups.empty());
    EXPECT_TRUE(ReadFileBytes(backups.front().path) == before);
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join(u'|').toStdString();
}

// Cancel, and OK on values the albums hold already, leave the file as it is.
TEST_F(ChangeSelected, NothingChangedWritesNothing)
{
    openFolderWith(2);
    selectRows({0, 1});
    const QString title = dynamic_cast<TAlbum *>(state().RowObject(0))->Title.toString();
    w->FinishSaving();
    const QByteArray before = ReadFileBytes(dbPath);
    const QDateTime modified = QFileInfo(dbPath).lastModified();
    WhenModal([](QDialog *d) {
        QTest::keyClicks(Child<QLineEdit>(d, "edTitle"), QStringLiteral("Never"));
        Click(d, "btCancel");
    });
    w->Action(QStringLiteral("acChangeSelected"))->trigger();
    EXPECT_EQ(dynamic_cast<TAlbum *>(state().RowObject(0))->Title.toString(), title);

    selectRows({0});
    WhenModal([title](QDialog *d) {
        QTest::keyClicks(Child<QLineEdit>(d, "edTitle"), title);
        Click(d, "btOk");
    });
    w->Action(QStringLiteral("acChangeSelected"))->trigger();
    w->FinishSaving();
    EXPECT_EQ(w->statusBar()->currentMessage(), QStringLiteral("0 albums changed"));
    EXPECT_TRUE(ReadFileBytes(dbPath) == before);
    EXPECT_EQ(QFileInfo(dbPath).lastModified(), modified);
}

// In the track view the command changes the selected tracks with the track fields.
TEST_F(ChangeSelected, TheTrackViewChangesTracks)
{
    w->Action(QStringLiteral("acTrackView"))->trigger();
    openFolderWith(3);
    ASSERT_EQ(state().ListContent, TBrowseState::lcItems);
    selectRows({1, 2});
    auto *a = dynamic_cast<TCustomTrack *>(state().RowObject(1));
    auto *b = dynamic_cast<TCustomTrack *>(state().RowObject(2));
    auto *other = dynamic_cast<TCustomTrack *>(state().RowObject(0));
    ASSERT_TRUE(a && b && other);
    const qint32 otherBpm = other->BPM;
    const qint32 bpm = otherBpm == 187 ? 188 : 187;
    ASSERT_TRUE(enabled());
    EXPECT_EQ(w->Action(QStringLiteral("acChangeSelected"))->text(),
              QStringLiteral("C&hange Selected Tracks..."));
    WhenModal([bpm](QDialog *d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("Change Selected Tracks"));
        Child<QSpinBox>(d, "edBPM")->setValue(bpm);
        Click(d, "btOk");
    });
    w->Action(QStringLiteral("acChangeSelected"))->trigger();
    w->FinishSaving();
    EXPECT_EQ(a->BPM, bpm);
    EXPECT_EQ(b->BPM, bpm);
    EXPECT_EQ(other->BPM, otherBpm);
    EXPECT_EQ(selectedObjects(), (std::set<const TQel *>{a, b}));
    EXPECT_EQ(w->statusBar()->currentMessage(), QStringLiteral("2 items changed"));
}
