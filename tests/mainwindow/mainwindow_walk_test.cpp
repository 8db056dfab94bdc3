#include "mainwindow/ui/mainwindow.h"
#include "model/album.h"
#include "model/tracks.h"
#include "shell/dmglobal.h"
#include "shell/prefs.h"
#include "shell/settingsstore.h"
#include "testsupport.h"
#include "views/browsestate.h"

#include <QAction>
#include <QFile>
#include <QPlainTextEdit>
#include <QStackedWidget>
#include <QTest>
#include <QTreeView>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <string>

namespace {

// The main window on a copy of the demo collection, walked through its tree with the
// mouse's and the keyboard's selection, painted after every step.
class MainWindowWalk : public ::testing::Test
{
protected:
    void SetUp() override
    {
        UseDemoCollection(home, store);
        w = std::make_unique<TfmMain>(QStringList{}, &store);
        w->show();
        tree = Child<QTreeView>(w.get(), "tvMain");
    }

    TBrowseState &state() { return w->State(); }

    // One node of each kind the view has: "track" has lyrics, the disc, album and folder
    // are the ones above it, the other kinds the first in tree order.
    std::map<std::string, TTreeNode *> nodesByKind()
    {
        std::map<std::string, TTreeNode *> found;
        found["root"] = state().Root();
        const TPrefs &prefs = w->Dm().Prefs();
        std::function<void(TTreeNode *)> walk = [&](TTreeNode *node) {
            state().FillNode(node);
            for (TTreeNode &child : node->children) {
                std::string kind;
                if (child.kind == TTreeNode::nkFolder) {
                    kind = "folder";
                } else if (child.kind == TTreeNode::nkAlbum) {
                    kind = "album";
                } else {
                    const auto *item = static_cast<const TCustomTrack *>(child.Item());
                    switch (item->Kind()) {
                    case TItemKind::Disc:
                        kind = "disc";
                        break;
                    case TItemKind::Header:
                        kind = "header";
                        break;
                    case TItemKind::SubTrack:
                        kind = "subtrack";
                        break;
                    default:
                        kind = prefs.GetLyricsFileName(item->LyricsFile).exists
                                   ? "track"
                                   : "track without lyrics";
                    }
                }
                found.try_emplace(kind, &child);
                walk(&child);
            }
        };
        walk(state().Root());
        if (found.count("track"))
            for (TTreeNode *above = found["track"]->parent; above; above = above->parent) {
                const TDataItem *item = above->Item();
                if (above->kind == TTreeNode::nkFolder)
                    found["folder"] = above;
                else if (above->kind == TTreeNode::nkAlbum)
                    found["album"] = above;
                else if (item && item->Kind() == TItemKind::Disc)
                    found["disc"] = above;
            }
        return found;
    }

    // Selects node as a click in the tree does and paints the window.
    void select(TTreeNode *node)
    {
        tree->setCurrentIndex(state().TreeModel()->IndexOf(node));
        ASSERT_EQ(state().SelectedNode(), node);
        paintAndCheck();
    }

    // The details show what the selected node stands for.
    void paintAndCheck()
    {
        ASSERT_FALSE(w->grab().isNull());
        const TTreeNode *node = state().SelectedNode();
        const TDataItem *item = node ? node->Item() : nullptr;
        const bool track = item && item->Kind() == TItemKind::Track;
        auto *lyrics = Child<QPlainTextEdit>(w.get(), "mmLyrics");
        EXPECT_EQ(state().ShowingLyrics(), track);
        EXPECT_EQ(lyrics->parentWidget()->isVisible() &&
                      static_cast<QStackedWidget *>(lyrics->parentWidget())->currentWidget() ==
                          lyrics,
                  track);
        if (track) {
            const auto *t = static_cast<const TCustomTrack *>(item);
            const TFolderFile file = w->Dm().Prefs().GetLyricsFileName(t->LyricsFile);
            EXPECT_EQ(lyrics->toPlainText().isEmpty(), !file.exists);
        }
        // Compared without the CR of the stored CR LF line breaks.
        const TAlbum *album = state().CurrentAlbum();
        const QString comments = album ? album->Comments.toString() : QString();
        EXPECT_EQ(Child<QPlainTextEdit>(w.get(), "mmComments")->toPlainText().remove(u'\r'),
                  QString(comments).remove(u'\r'));
    }

    // Every kind of node after every other kind.
    void walkEveryPair()
    {
        const auto nodes = nodesByKind();
        for (const auto &[from, fromNode] : nodes)
            for (const auto &[to, toNode] : nodes) {
                SCOPED_TRACE(from + " then " + to);
                select(fromNode);
                select(toNode);
            }
        // The Home key goes from a track to the root.
        SCOPED_TRACE("track, then Home");
        select(nodes.at("track"));
        tree->setFocus();
        QTest::keyClick(tree, Qt::Key_Home);
        EXPECT_EQ(state().SelectedNode(), state().Root());
        paintAndCheck();
    }

    TTestHome home;
    TScriptedInterface ui;
    TMemorySettingsStore store;
    std::unique_ptr<TfmMain> w;
    QTreeView *tree = nullptr;
};

} // namespace

TEST_F(MainWindowWalk, AlbumViewEveryKindOfNodeAfterEveryOther)
{
    const auto nodes = nodesByKind();
    for (const char *kind : {"root", "folder", "album", "disc", "header", "track"})
        EXPECT_TRUE(nodes.count(kind)) << kind;
    walkEveryPair();
}

TEST_F(MainWindowWalk, TrackViewEveryKindOfNodeAfterEveryOther)
{
    w->Action(QStringLiteral("acTrackView"))->trigger();
    ASSERT_EQ(state().TreeType, 1);
    const auto nodes = nodesByKind();
    for (const char *kind : {"root", "folder", "track"})
        EXPECT_TRUE(nodes.count(kind)) << kind;
    walkEveryPair();
}
