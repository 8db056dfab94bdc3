#include "mainwindow/ui/mainwindow.h"
#include "model/lookuplist.h"
#include "model/qeldb.h"
#include "shell/settingsstore.h"
#include "testsupport.h"
#include "views/browsestate.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QTreeView>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

const QStringList kUnused = {QStringLiteral("Unused, Alpha"), QStringLiteral("Unused, Bravo"),
                             QStringLiteral("Unused, Charlie")};

TTreeNode *folderOf(TBrowseState &state, const QString &sortName)
{
    for (TTreeNode &folder : state.Root()->children)
        if (folder.Entry() && folder.Entry()->SortName == sortName)
            return &folder;
    return nullptr;
}

} // namespace

// The track view without a filter shows a folder for every artist, used or not. Removing
// unused ones in the lookup list editor must leave the main window behind it, which
// paints while the editor is open, pointing at none of them.
TEST(LookupRemoval, TheMainWindowLetsGoOfRemovedEntriesWhileTheEditorIsOpen)
{
    const struct
    {
        const char *what;
        // Selects something in the tree; returns the caption of the node expected
        // selected after the removal and the identifier of the row.
        std::function<void(TfmMain &, QString &, qint32 &)> select;
    } cases[] = {
        {"an unused folder selected",
         [](TfmMain &w, QString &caption, qint32 &rowId) {
             TBrowseState &state = w.State();
             state.SelectNode(folderOf(state, kUnused[1]));
             caption = state.NodeCaption(state.Root());
             rowId = -1;
         }},
        {"the root listing the folders",
         [](TfmMain &w, QString &caption, qint32 &rowId) {
             TBrowseState &state = w.State();
             state.SelectNode(state.Root());
             caption = state.NodeCaption(state.Root());
             rowId = -1;
         }},
        {"a used folder and its last row",
         [](TfmMain &w, QString &caption, qint32 &rowId) {
             TBrowseState &state = w.State();
             TTreeNode *folder = folderOf(state, QStringLiteral("Kestrel, Mara"));
             ASSERT_NE(folder, nullptr);
             state.SelectNode(folder);
             ASSERT_GT(state.RowCount(), 1);
             state.SelectRow(state.RowCount() - 1);
             caption = state.NodeCaption(folder);
             rowId = state.RowObject(state.SelectedRow())->ID;
         }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        TTestHome home;
        TScriptedInterface ui;
        TMemorySettingsStore store;
        const QString path = UseDemoCollection(home, store);
        TfmMain w(QStringList{}, &store);
        w.show();
        for (const QString &name : kUnused)
            w.Db().LookupList(fdArtist).FindOrCreate(name, {});
        w.Action(QStringLiteral("acTrackView"))->trigger();
        TBrowseState &state = w.State();
        ASSERT_NE(folderOf(state, kUnused[1]), nullptr);
        QString caption;
        qint32 rowId = -1;
        c.select(w, caption, rowId);
        ASSERT_FALSE(w.grab().isNull());

        bool removed = false;
        WhenModal([&](QDialog *editor) {
            ASSERT_EQ(editor->objectName(), QStringLiteral("fmLookupLists"));
            Child<QAction>(editor, "acSelectUnused")->trigger();
            Child<QAction>(editor, "acRemove")->trigger();
            removed = true;
            // The window behind paints while the editor is still open.
            QApplication::processEvents();
            EXPECT_FALSE(w.grab().isNull());
            for (const QString &name : kUnused)
                EXPECT_EQ(folderOf(state, name), nullptr) << name.toStdString();
            editor->accept();
        });
        w.Action(QStringLiteral("acEditLookupLists"))->trigger();
        ASSERT_TRUE(removed);

        ASSERT_FALSE(w.grab().isNull());
        for (const QString &name : kUnused)
            EXPECT_EQ(w.Db().LookupList(fdArtist).IndexOf(name), -1) << name.toStdString();
        ASSERT_NE(state.SelectedNode(), nullptr);
        EXPECT_EQ(state.NodeCaption(state.SelectedNode()), caption);
        if (rowId != -1) {
            ASSERT_GE(state.SelectedRow(), 0);
            EXPECT_EQ(state.RowObject(state.SelectedRow())->ID, rowId);
        }
        w.FinishSaving();
        TQelDb saved;
        saved.ReadFile(path, false);
        EXPECT_EQ(saved.LookupList(fdArtist).IndexOf(kUnused[0]), -1);
    }
}
