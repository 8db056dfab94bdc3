#include "mainwindow/ui/mainwindow.h"
#include "model/album.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "shell/settingsstore.h"
#include "testsupport.h"
#include "views/browsestate.h"

#include <QAction>
#include <QDialog>
#include <QLineEdit>
#include <gtest/gtest.h>

// The export commands of the main window: "Current List..." only while the list shows
// albums or tracks; each opens its dialog with the right list and levels.
TEST(ExportCommands, EnabledByTheListAndExportTheirItems)
{
    TTestHome home;
    TScriptedInterface ui;
    TMemorySettingsStore store;
    UseDemoCollection(home, store);
    TfmMain w(QStringList{}, &store);
    w.show();
    TBrowseState &state = w.State();
    ASSERT_EQ(state.ListContent, TBrowseState::lcGroups); // the root shows the folders
    for (const char *name : {"acExportAsciiList", "acExportHtmlList"})
        EXPECT_FALSE(w.Action(QLatin1String(name))->isEnabled()) << name;
    for (const char *name :
         {"acExportAsciiAlbums", "acExportAsciiTracks", "acExportHtmlAlbums", "acExportHtmlTracks"})
        EXPECT_TRUE(w.Action(QLatin1String(name))->isEnabled()) << name;

    state.SelectNode(&state.Root()->children.front());
    ASSERT_EQ(state.ListContent, TBrowseState::lcAlbums);
    const qsizetype shown = state.CurrentItems.size();
    qsizetype tracks = 0;
    for (qsizetype a = 0; a < w.Db().AlbumCount(); ++a)
        for (qsizetype d = 0; d < w.Db().Album(a)->DiscCount(); ++d)
            tracks += w.Db().Album(a)->Disc(d)->TrackCount();

    const struct
    {
        const char *action;
        const char *dialog;
        QString file;
        QString summary;
    } cases[] = {
        {"acExportAsciiList", "fmExportAscii", home.file(QStringLiteral("list.txt")),
         QStringLiteral("%1 Albums exported to \"%2\"").arg(shown)},
        {"acExportHtmlAlbums", "fmExportHtml", home.file(QStringLiteral("albums.htm")),
         QStringLiteral("%1 Albums exported to \"%2\"").arg(w.Db().AlbumCount())},
        {"acExportAsciiTracks", "fmExportAscii", home.file(QStringLiteral("tracks.txt")),
         QStringLiteral("%1 Tracks exported to \"%2\"").arg(tracks)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.action);
        QAction *action = w.Action(QLatin1String(c.action));
        ASSERT_TRUE(action->isEnabled());
        bool seen = false;
        WhenModal([&](QDialog *dialog) {
            seen = true;
            EXPECT_EQ(dialog->objectName(), QLatin1String(c.dialog));
            Child<QLineEdit>(dialog, "edFileName")->setText(c.file);
            Click(dialog, "btOK");
        });
        action->trigger();
        EXPECT_TRUE(seen);
        EXPECT_EQ(ui.messages.last(), c.summary.arg(c.file));
    }
}
