#include "editors/ui/lookuplisteditor.h"
#include "mainwindow/ui/mainwindow.h"
#include "model/album.h"
#include "model/lookuplist.h"
#include "model/qeldb.h"
#include "shell/settingsstore.h"
#include "testsupport.h"
#include "views/browsestate.h"
#include "views/ui/duplicateswindow.h"
#include "views/ui/qellistview.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QListWidget>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

TTreeNode *folderOf(TBrowseState &state, const QString &caption)
{
    for (TTreeNode &folder : state.Root()->children)
        if (state.NodeCaption(&folder) == caption)
            return &folder;
    return nullptr;
}

QString rowTitle(TBrowseState &state)
{
    const auto *item = dynamic_cast<const TDataItem *>(state.RowObject(state.SelectedRow()));
    return item ? item->Title.toString() : QString();
}

} // namespace

// The window behind the editor shows the folder of an entry that the editor merges
// away, selected, with one of its albums: it paints while the editor is open and
// afterwards shows the kept entry's folder with the same album, and the file holds
// the merge.
TEST(LookupMergingWindow, AMergeInTheEditorTakesTheWindowToTheKeptFolder)
{
    TTestHome home;
    TScriptedInterface ui;
    TMemorySettingsStore store;
    const QString path = UseDemoCollection(home, store);
    TfmMain w(QStringList{}, &store);
    w.show();
    TBrowseState &state = w.State();
    ASSERT_EQ(state.GroupField(), fdArtist);
    TTreeNode *folder = folderOf(state, QStringLiteral("Mara Kestrel"));
    ASSERT_NE(folder, nullptr);
    state.SelectNode(folder);
    ASSERT_GT(state.RowCount(), 1);
    state.SelectRow(state.RowCount() - 1);
    const QString title = rowTitle(state);
    ASSERT_FALSE(w.grab().isNull());

    bool merged = false;
    WhenModal([&](QDialog *d) {
        auto *editor = qobject_cast<TfmLookupLists *>(d);
        ASSERT_NE(editor, nullptr);
        auto *list = Child<TQelListView>(d, "lvList");
        for (int row = 0; row < list->model()->rowCount(); ++row) {
            const QString name = editor->EntryAt(row)->SortName;
            if (name == QStringLiteral("Kestrel, Mara") ||
                name == QStringLiteral("Northern Static"))
                list->selectionModel()->select(list->model()->index(row, 0),
                                               QItemSelectionModel::Select |
                                                   QItemSelectionModel::Rows);
        }
        WhenModal([](QDialog *question) {
            auto *choices = Child<QListWidget>(question, "lbKeep");
            for (int i = 0; i < choices->count(); ++i)
                if (choices->item(i)->text() == QStringLiteral("Northern Static"))
                    choices->setCurrentRow(i);
            Click(question, "btOK");
        });
        Child<QAction>(d, "acMerge")->trigger();
        merged = true;
        QApplication::processEvents();
        EXPECT_FALSE(w.grab().isNull());
        EXPECT_EQ(folderOf(state, QStringLiteral("Mara Kestrel")), nullptr);
        d->accept();
    });
    w.Action(QStringLiteral("acEditLookupLists"))->trigger();
    ASSERT_TRUE(merged);

    ASSERT_FALSE(w.grab().isNull());
    ASSERT_NE(state.SelectedNode(), nullptr);
    EXPECT_EQ(state.NodeCaption(state.SelectedNode()), QStringLiteral("Northern Static"));
    EXPECT_EQ(rowTitle(state), title);
    w.FinishSaving();
    TQelDb saved;
    saved.ReadFile(path, false);
    EXPECT_EQ(saved.LookupList(fdArtist).IndexOf(QStringLiteral("Kestrel, Mara")), -1);
    for (qsizetype i = 0; i < saved.AlbumCount(); ++i) {
        if (saved.Album(i)->Title == QStringView(title)) {
            EXPECT_EQ(LookupSortText(saved.Album(i)->Artist), QStringLiteral("Northern Static"));
        }
    }
}

// "Find Duplicate Albums": a double click shows the album in the main window; Remove
// removes it the main window's way (the question, a save) and the window drops the
// group, while both windows keep painting.
TEST(LookupMergingWindow, TheDuplicatesWindowShowsAndRemovesThroughTheMainWindow)
{
    TTestHome home;
    TScriptedInterface ui;
    TMemorySettingsStore store;
    const QString path = UseDemoCollection(home, store);
    TfmMain w(QStringList{}, &store);
    w.show();
    const qsizetype albums = w.Db().AlbumCount();
    TAlbum *original = w.Db().Album(3);
    TAlbum *copy = original->Copy(false);
    w.Db().AddAlbum(copy);
    w.Action(QStringLiteral("acTrackView"))->trigger(); // going to an album goes back

    w.Action(QStringLiteral("acFindDuplicates"))->trigger();
    auto *window = w.findChild<TfmDuplicates *>(QStringLiteral("fmDuplicates"));
    ASSERT_NE(window, nullptr);
    auto *tree = Child<QTreeWidget>(window, "tvDuplicates");
    ASSERT_EQ(window->GroupCount(), 1);
    QTreeWidgetItem *copyRow = tree->topLevelItem(0)->child(1);
    ASSERT_EQ(window->AlbumOf(copyRow), copy);

    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    const QPoint at = tree->visualItemRect(copyRow).center();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
    tree->clearSelection();
    EXPECT_EQ(w.State().TreeType, 0);
    EXPECT_EQ(w.State().CurrentAlbum(), copy);
    ASSERT_FALSE(w.grab().isNull());

    copyRow->setSelected(true);
    Click(window, "btRemove");
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.messages[0], QStringLiteral("Are you sure you want to remove this album?"));
    EXPECT_EQ(window->GroupCount(), 0);
    EXPECT_EQ(w.Db().AlbumCount(), albums);
    ASSERT_FALSE(w.grab().isNull());
    ASSERT_FALSE(window->grab().isNull());
    w.FinishSaving();
    TQelDb saved;
    saved.ReadFile(path, false);
    EXPECT_EQ(saved.AlbumCount(), albums);
}
