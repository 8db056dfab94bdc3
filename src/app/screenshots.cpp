#include "screenshots.h"

#include "model/album.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "services/process.h"
#include "services/ui/processwindow.h"
#include "shell/ui/splash.h"
#include "views/browsestate.h"
#include "views/ui/mainwindow.h"
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QSplitter>
#include <QTimer>
#include <QTreeView>
#include <QWidget>
#include <cstdio>

namespace {

void settle()
{
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

bool save(QWidget *window, const QString &file)
{
    settle();
    const bool ok = window->grab().save(file, "PNG");
    if (!ok)
        std::fprintf(stderr, "qelmusic: could not write %s\n", qPrintable(file));
    return ok;
}

// Runs the command, pictures the modal window it opens and closes that window.
bool saveModal(TfmMain &main, const QString &action, const QString &file)
{
    QAction *command = main.Action(action);
    if (!command || !command->isEnabled()) {
        std::fprintf(stderr, "qelmusic: %s is not available for a picture\n", qPrintable(action));
        return false;
    }
    bool ok = false;
    bool seen = false;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || seen)
            return;
        seen = true;
        ok = save(modal, file);
        if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->reject();
        else
            modal->close();
    });
    poll.start();
    command->trigger();
    poll.stop();
    if (!seen)
        std::fprintf(stderr, "qelmusic: %s opened no window\n", qPrintable(action));
    return ok;
}

} // namespace

bool WriteMainWindowPicture(TfmMain &main, const QString &file)
{
    main.show();
    return save(&main, file);
}

int WriteScreenshots(TfmMain &main, const QString &folder)
{
    QDir().mkpath(folder);
    auto path = [&](const char *name) { return QDir(folder).filePath(QString::fromLatin1(name)); };
    int failures = 0;
    auto count = [&](bool ok) { failures += ok ? 0 : 1; };

    main.resize(1100, 720);
    main.show();
    settle();
    // A tree wide enough for the demo's names.
    if (auto *split = main.findChild<QSplitter *>(QStringLiteral("spTree")))
        split->setSizes({240, 860});
    TBrowseState &state = main.State();
    auto *tree = main.findChild<QTreeView *>(QStringLiteral("tvMain"));
    // Album view grouped by artist: open the folder of the first album with a cover
    // and select that album, so the details panes have something to show.
    TAlbum *shown = nullptr;
    for (qsizetype i = 0; i < main.Db().AlbumCount() && !shown; ++i)
        if (!main.Db().Album(i)->CoverFile.isEmpty())
            shown = main.Db().Album(i);
    if (TTreeNode *root = state.Root(); root && !root->children.empty()) {
        TTreeNode *folder = shown ? state.ChildWithObject(root, shown->Artist) : nullptr;
        if (!folder)
            folder = &root->children.front();
        tree->expand(state.TreeModel()->IndexOf(folder));
        state.SelectNode(folder);
        if (shown && state.CurrentItems.indexOf(shown) >= 0)
            state.SelectRow(int(state.CurrentItems.indexOf(shown)));
    }
    count(save(&main, path("main-albums.png")));
    count(saveModal(main, QStringLiteral("acColumns"), path("select-fields-columns.png")));
    count(saveModal(main, QStringLiteral("acSortOrder"), path("select-fields-sort.png")));
    count(saveModal(main, QStringLiteral("acBrowse"), path("browse.png")));
    main.Action(QStringLiteral("acIcons"))->trigger();
    count(save(&main, path("main-icons.png")));
    main.Action(QStringLiteral("acDetails"))->trigger();

    main.Action(QStringLiteral("acTrackView"))->trigger();
    if (TTreeNode *root = state.Root(); root && !root->children.empty()) {
        TTreeNode *folder = &root->children.front();
        state.FillNode(folder);
        tree->expand(state.TreeModel()->IndexOf(folder));
        state.SelectNode(folder);
    }
    count(save(&main, path("main-tracks.png")));
    // A track with lyrics, selected in the tree, shows them instead of the list.
    if (TTreeNode *root = state.Root()) {
        TTreeNode *found = nullptr;
        for (TTreeNode &folder : root->children) {
            state.FillNode(&folder);
            for (TTreeNode &node : folder.children) {
                const auto *track = dynamic_cast<const TCustomTrack *>(node.object);
                if (track && track->Kind() == TItemKind::Track && !track->LyricsFile.isEmpty()) {
                    found = &node;
                    break;
                }
            }
            if (found)
                break;
        }
        if (found) {
            tree->expand(state.TreeModel()->IndexOf(found->parent));
            state.SelectNode(found);
            count(save(&main, path("main-lyrics.png")));
        }
    }
    count(saveModal(main, QStringLiteral("acSetFilter"), path("filter.png")));
    main.Action(QStringLiteral("acAlbumView"))->trigger();

    count(saveModal(main, QStringLiteral("acStatistics"), path("statistics.png")));
    count(saveModal(main, QStringLiteral("acPreferences"), path("preferences.png")));
    count(saveModal(main, QStringLiteral("acFieldDefaults"), path("field-defaults.png")));
    count(saveModal(main, QStringLiteral("acFieldNames"), path("field-names.png")));
    count(saveModal(main, QStringLiteral("acAbout"), path("about.png")));

    TfmSplash splash;
    splash.show();
    count(save(&splash, path("splash.png")));
    splash.close();

    TProcess process(&main);
    TfmProcess progress(process, &main);
    progress.SetCaption(QStringLiteral("Exporting"));
    progress.SetMessage(QStringLiteral("Writing albums..."));
    progress.SetBar(40);
    progress.ShowSub(true);
    progress.SetSubMessage(QStringLiteral("Tracks of the album"));
    progress.SetSubBar(70);
    progress.show();
    count(save(&progress, path("progress.png")));
    progress.hide();
    return failures;
}
