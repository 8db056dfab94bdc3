#include "screenshots.h"

#include "editors/ui/albumeditor.h"
#include "editors/ui/lookupentrydialog.h"
#include "editors/ui/lookuplisteditor.h"
#include "editors/ui/trackeditor.h"
#include "mainwindow/ui/mainwindow.h"
#include "model/album.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "reports/ui/previewwindow.h"
#include "reports/ui/printalbumsdialog.h"
#include "reports/ui/printlistdialog.h"
#include "services/backups.h"
#include "services/process.h"
#include "services/ui/processwindow.h"
#include "services/ui/restorebackupdialog.h"
#include "shell/dmglobal.h"
#include "shell/ui/iconlists.h"
#include "shell/ui/splash.h"
#include "views/browsestate.h"
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>
#include <QWidget>
#include <cstdio>
#include <memory>

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

namespace {

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
    auto path = [&](const QString &name) { return QDir(folder).filePath(name); };
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
    count(save(&main, path(QStringLiteral("main-albums.png"))));
    count(saveModal(main, QStringLiteral("acColumns"),
                    path(QStringLiteral("select-fields-columns.png"))));
    count(saveModal(main, QStringLiteral("acSortOrder"),
                    path(QStringLiteral("select-fields-sort.png"))));
    count(saveModal(main, QStringLiteral("acBrowse"), path(QStringLiteral("browse.png"))));
    main.Action(QStringLiteral("acIcons"))->trigger();
    count(save(&main, path(QStringLiteral("main-icons.png"))));
    main.Action(QStringLiteral("acDetails"))->trigger();

    main.Action(QStringLiteral("acTrackView"))->trigger();
    if (TTreeNode *root = state.Root(); root && !root->children.empty()) {
        TTreeNode *folder = &root->children.front();
        state.FillNode(folder);
        tree->expand(state.TreeModel()->IndexOf(folder));
        state.SelectNode(folder);
    }
    count(save(&main, path(QStringLiteral("main-tracks.png"))));
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
            count(save(&main, path(QStringLiteral("main-lyrics.png"))));
        }
    }
    count(saveModal(main, QStringLiteral("acSetFilter"), path(QStringLiteral("filter.png"))));
    main.Action(QStringLiteral("acAlbumView"))->trigger();

    count(saveModal(main, QStringLiteral("acStatistics"), path(QStringLiteral("statistics.png"))));
    count(
        saveModal(main, QStringLiteral("acPreferences"), path(QStringLiteral("preferences.png"))));
    count(saveModal(main, QStringLiteral("acFieldDefaults"),
                    path(QStringLiteral("field-defaults.png"))));
    count(saveModal(main, QStringLiteral("acFieldNames"), path(QStringLiteral("field-names.png"))));
    count(saveModal(main, QStringLiteral("acAbout"), path(QStringLiteral("about.png"))));

    // The editors, opened on a copy of the album with a cover, at their first size.
    if (shown) {
        std::unique_ptr<TAlbum> copy(shown->Copy(true));
        TfmAlbum album(&main, *copy, TfmAlbum::amEdit, main.Db(), main.Dm());
        album.show();
        auto *pages = album.findChild<QTabWidget *>(QStringLiteral("pcAlbum"));
        const std::pair<const char *, const char *> tabs[] = {
            {"tsMain", "album-main.png"},           {"tsTracks", "album-tracks.png"},
            {"tsRecording", "album-recording.png"}, {"tsPersonal", "album-personal.png"},
            {"tsCover", "album-cover.png"},         {"tsUser", "album-user.png"}};
        for (const auto &[tab, file] : tabs) {
            pages->setCurrentWidget(album.findChild<QWidget *>(QLatin1String(tab)));
            count(save(&album, path(QLatin1String(file))));
        }
        // The track editor on the album's first track.
        if (copy->DiscCount() > 0 && copy->Disc(0)->TrackCount() > 0) {
            album.SelectItem(copy->Disc(0)->Track(0));
            TfmTrack track(album, TfmTrack::Edit);
            track.show();
            auto *trackPages = track.findChild<QTabWidget *>(QStringLiteral("pcTrack"));
            for (int i = 0; trackPages && i < trackPages->count(); ++i) {
                trackPages->setCurrentIndex(i);
                count(save(&track, path(QStringLiteral("track-%1.png").arg(i + 1))));
            }
            track.hide();
        }
        album.hide();
    }
    {
        TfmLookupLists lists(main.Db(), main.Dm(), fdArtist, &main);
        lists.show();
        count(save(&lists, path(QStringLiteral("lookup-lists.png"))));
        lists.hide();
        TfmLookupEdit entry(&main);
        entry.setWindowTitle(QStringLiteral("Edit Artist/Composer"));
        entry.SetNames(QStringLiteral("Kestrel, Mara"), QStringLiteral("Mara Kestrel"));
        entry.show();
        count(save(&entry, path(QStringLiteral("lookup-entry.png"))));
        entry.hide();
    }

    TfmSplash splash;
    splash.show();
    count(save(&splash, path(QStringLiteral("splash.png"))));
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
    count(save(&progress, path(QStringLiteral("progress.png"))));
    progress.hide();

    // The list report of every album: its dialog and its preview.
    {
        std::vector<const TDataItem *> albums;
        for (qsizetype i = 0; i < main.Db().AlbumCount(); ++i)
            albums.push_back(main.Db().Album(i));
        TfmPrintList printList(albums, ilAlbum, main.Dm().Settings(), main.Dm().Fields(), &main);
        printList.show();
        count(save(&printList, path(QStringLiteral("print-list.png"))));
        std::unique_ptr<TrpList> report = printList.MakeReport();
        report->Shading = true;
        TfmPreview preview(*report, printList.PageLayout(), report->Title, &main);
        preview.resize(760, 900);
        preview.show();
        count(save(&preview, path(QStringLiteral("preview.png"))));
        preview.hide();
        printList.hide();

        std::vector<const TAlbum *> some;
        for (qsizetype i = 0; i < main.Db().AlbumCount() && some.size() < 3; ++i)
            some.push_back(main.Db().Album(i));
        TfmPrintAlbums printAlbums(some, main.Dm().Settings(), main.Dm().Fields(),
                                   main.Dm().Prefs().CoversFolder, &main);
        printAlbums.Icon = [](int index) { return TIconLists::Instance().LargeImage(index); };
        printAlbums.show();
        count(save(&printAlbums, path(QStringLiteral("print-albums.png"))));
        std::unique_ptr<TrpAlbums> albumReport = printAlbums.MakeReport();
        TfmPreview albumPreview(*albumReport, printAlbums.PageLayout(),
                                QStringLiteral("Album Report"), &main);
        albumPreview.resize(760, 900);
        albumPreview.show();
        count(save(&albumPreview, path(QStringLiteral("preview-albums.png"))));
        albumPreview.hide();
        printAlbums.hide();
    }

    // The restore list with a backup of the collection as it stands.
    const QString file = main.Db().FileName;
    if (!file.isEmpty()) {
        const int albums = int(main.Db().AlbumCount());
        main.Backups().Keep(file, albums);
        TfmRestoreBackup restore(main.Backups().List(file), albums, QFileInfo(file).size(), &main);
        restore.show();
        count(save(&restore, path(QStringLiteral("restore-backup.png"))));
        restore.hide();
    }
    failures += WriteMp3Screenshots(main, folder);
    failures += WriteCddbScreenshots(main, folder);
    failures += WriteExchangeScreenshots(main, folder);
    failures += WriteMusicBrainzScreenshots(main, folder);
    failures += WriteBulkChangeScreenshots(main, folder);
    failures += WriteLookupScreenshots(main, folder);
    return failures;
}
