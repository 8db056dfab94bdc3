#include "model/album.h"
#include "model/lookupmerge.h"
#include "model/qeldb.h"
#include "views/browsestate.h"
#include "views/filter.h"

#include "testsupport.h"

#include <QAbstractItemModelTester>
#include <QTableView>
#include <QTreeView>
#include <gtest/gtest.h>

namespace {

const QString kDemo = QStringLiteral(QEL_BINARY_DIR "/resources/demo.qel");

void readAll(QAbstractItemModel *model, const QModelIndex &parent = {})
{
    for (int r = 0; r < model->rowCount(parent); ++r)
        for (int c = 0; c < model->columnCount(parent); ++c) {
            const QModelIndex index = model->index(r, c, parent);
            model->data(index, Qt::DisplayRole);
            model->data(index, Qt::DecorationRole);
            if (c == 0)
                readAll(model, index);
        }
}

} // namespace

// Entries merged away while the views show them as folders, as group rows and as the
// selected node: the tree and the list let go before they are freed (AddressSanitizer
// watches the painting and reading that follow), and the place moves to the kept
// entry's folder with the same row.
TEST(MergedEntries, TheViewsFollowTheMergeIntoTheKeptFolder)
{
    const struct
    {
        const char *what;
        const char *selected; // folder caption; nullptr: the root listing the folders
        const char *rowOf;    // the row selected: an album title, or a group caption
        bool follow;          // the browse state is told of the merge first
        const char *after;    // folder selected afterwards; nullptr: the root
        const char *rowAfter; // the row selected afterwards
    } cases[] = {
        {"a merged folder and an album in it", "Mara Kestrel", "Winter Letters", true,
         "Northern Static", "Winter Letters"},
        {"the group row of a merged entry", nullptr, "The Paper Lanterns", true, nullptr,
         "Northern Static"},
        {"the kept folder", "Northern Static", "Lowlight", true, "Northern Static", "Lowlight"},
        {"not told: as after any removal", "Mara Kestrel", "Winter Letters", false, nullptr,
         nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        TTestHome home;
        TQelDb db;
        ASSERT_NO_THROW(db.ReadFile(kDemo, false));
        TQelFields fields;
        TViewDefinitions views;
        views.AlbumShowFields.AddDefaults();
        TBrowseState state(db, fields, views);
        QAbstractItemModelTester treeTester(state.TreeModel(),
                                            QAbstractItemModelTester::FailureReportingMode::Fatal);
        QAbstractItemModelTester listTester(state.ListModel(),
                                            QAbstractItemModelTester::FailureReportingMode::Fatal);
        state.SetGroupField(fdArtist);
        state.RebuildTree();
        TState().Restore(state, nullptr);
        QTreeView tree;
        tree.setModel(state.TreeModel());
        QTableView table;
        table.setModel(state.ListModel());
        tree.show();
        table.show();

        TTreeNode *node = state.Root();
        if (c.selected) {
            node = nullptr;
            for (TTreeNode &folder : state.Root()->children)
                if (state.NodeCaption(&folder) == QString::fromUtf8(c.selected))
                    node = &folder;
            ASSERT_NE(node, nullptr);
        }
        state.SelectNode(node);
        tree.setCurrentIndex(state.TreeModel()->IndexOf(node));
        auto rowText = [&state](int row) {
            const TQel *o = state.RowObject(row);
            if (state.ListContent == TBrowseState::lcGroups)
                return LookupDisplayText(static_cast<const TLookupItem *>(o));
            return static_cast<const TDataItem *>(o)->Title.toString();
        };
        for (int row = 0; row < state.RowCount(); ++row)
            if (rowText(row) == QString::fromUtf8(c.rowOf))
                state.SelectRow(row);
        ASSERT_EQ(rowText(state.SelectedRow()), QString::fromUtf8(c.rowOf));
        tree.expandAll();
        ASSERT_FALSE(tree.grab().isNull());

        TLookupList &artists = db.LookupList(fdArtist);
        TLookupItem *keep = artists.FindByName(QStringLiteral("Northern Static"));
        const TLookupItemSet merged = {artists.FindByName(QStringLiteral("Kestrel, Mara")),
                                       artists.FindByName(QStringLiteral("Paper Lanterns, The"))};
        if (c.follow)
            state.FollowMerge(fdArtist, merged, keep);
        MergeLookupItems(db, fdArtist, keep, merged);

        readAll(state.TreeModel());
        readAll(state.ListModel());
        ASSERT_FALSE(tree.grab().isNull());
        ASSERT_FALSE(table.grab().isNull());
        ASSERT_NE(state.SelectedNode(), nullptr);
        if (c.after) {
            EXPECT_EQ(state.NodeCaption(state.SelectedNode()), QString::fromUtf8(c.after));
        } else {
            EXPECT_EQ(state.SelectedNode(), state.Root());
        }
        if (c.rowAfter) {
            EXPECT_EQ(rowText(state.SelectedRow()), QString::fromUtf8(c.rowAfter));
        }
        QStringList folders;
        for (const TTreeNode &folder : state.Root()->children)
            folders << state.NodeCaption(&folder);
        EXPECT_FALSE(folders.contains(QStringLiteral("Mara Kestrel")));
        EXPECT_FALSE(folders.contains(QStringLiteral("The Paper Lanterns")));
    }
}

// A text condition on the merged field that names a merged entry names the kept one;
// conditions on other fields and other texts stay.
TEST(MergedEntries, FilterConditionsNamingAMergedEntryNameTheKeptOne)
{
    TQelDb db;
    TLookupList &artists = db.LookupList(fdArtist);
    TLookupItem *keep =
        artists.FindOrCreate(QStringLiteral("Lanterns, The"), QStringLiteral("The Lanterns"));
    TLookupItem *old =
        artists.FindOrCreate(QStringLiteral("Lanterns"), QStringLiteral("Lantern Band"));
    TQelFields fields;
    TViewDefinitions views;
    auto condition = [](TFieldId field, const char *text) {
        return std::make_unique<TStringFilterField>(field, QString::fromUtf8(text));
    };
    views.AlbumFilter.Add(condition(fdArtist, "lantern band"));
    views.AlbumFilter.Add(condition(fdTitle, "Lanterns"));
    views.TrackFilter.Add(condition(fdArtist, "LANTERNS"));
    views.TrackFilter.Add(condition(fdArtist, "Lant"));
    TBrowseState state(db, fields, views);
    state.FollowMerge(fdArtist, {old}, keep);
    auto texts = [](const TFilterFields &filter) {
        QStringList out;
        for (qsizetype i = 0; i < filter.Count(); ++i)
            out << static_cast<TStringFilterField *>(filter.Items(i))->StringValue();
        return out;
    };
    EXPECT_EQ(texts(views.AlbumFilter),
              (QStringList{QStringLiteral("Lanterns, The"), QStringLiteral("Lanterns")}));
    EXPECT_EQ(texts(views.TrackFilter),
              (QStringList{QStringLiteral("Lanterns, The"), QStringLiteral("Lant")}));
}
