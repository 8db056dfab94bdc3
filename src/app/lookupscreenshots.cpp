// Pictures of the lookup list editor showing a group found by "Find Similar", and of the
// duplicate albums window. Both need names alike and an album bought twice, which the
// demo collection lacks: they are added for the pictures and taken out again.
#include "screenshots.h"

#include "editors/ui/lookuplisteditor.h"
#include "mainwindow/ui/mainwindow.h"
#include "model/album.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "shell/dmglobal.h"
#include "views/ui/duplicateswindow.h"

#include <QAction>
#include <QDir>

int WriteLookupScreenshots(TfmMain &main, const QString &folder)
{
    auto path = [&](const QString &name) { return QDir(folder).filePath(name); };
    int failures = 0;
    auto count = [&](bool ok) { failures += ok ? 0 : 1; };
    TQelDb &db = main.Db();

    {
        TLookupList &artists = db.LookupList(fdArtist);
        TLookupItemSet added;
        for (const char *name : {"mara kestrel", "Paper Lanterns", "Ember and Tide"})
            if (artists.IndexOf(QString::fromUtf8(name)) < 0)
                added.insert(artists.FindOrCreate(QString::fromUtf8(name), {}));
        {
            TfmLookupLists lists(db, main.Dm(), fdArtist, &main);
            lists.show();
            if (QAction *find = lists.findChild<QAction *>(QStringLiteral("acFindSimilar")))
                find->trigger();
            count(save(&lists, path(QStringLiteral("lookup-similar.png"))));
            lists.hide();
        }
        // Nobody uses them, so no album changes.
        db.RemoveLookupItems(fdArtist, added);
    }

    if (db.AlbumCount() > 4) {
        // One bought twice, and one entered again by hand without its disc IDs.
        TAlbum *copy = db.Album(0)->Copy(false);
        copy->Location = QStringLiteral("Shelf 3");
        TAlbum *typed = db.Album(4)->Copy(false);
        typed->Title = typed->Title.toString().toUpper();
        for (qsizetype d = 0; d < typed->DiscCount(); ++d) {
            typed->Disc(d)->CddbDiscId = 0;
            typed->Disc(d)->MsDiscId = 0;
        }
        typed->Location = QStringLiteral("Box 2");
        db.AddAlbum(copy);
        db.AddAlbum(typed);
        {
            TfmDuplicates duplicates(db, main.Dm().Fields(), {}, &main);
            duplicates.show();
            count(save(&duplicates, path(QStringLiteral("duplicates.png"))));
            duplicates.hide();
        }
        // Never shown by the views: it goes as it came.
        for (TAlbum *added : {copy, typed}) {
            db.RemoveAlbum(added);
            delete added;
        }
    }
    return failures;
}
