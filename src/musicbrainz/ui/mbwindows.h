#pragma once

#include <QList>
#include <QString>
#include <functional>
#include <memory>

class QWidget;
class TAlbum;
class TQelDb;
class TScanCD;
class TdmGlobal;

// The commands other windows offer for MusicBrainz.

struct TMbNewAlbum
{
    std::unique_ptr<TAlbum> album; // not in the collection; null: nothing was taken
    QString coverNote;             // why the album has no front cover, if it has none
};

// "Query &MusicBrainz...": the window over owner reads the CD of the scan drive and
// looks it up at once; the album of the release the user takes.
TMbNewAlbum QueryMusicBrainzNewAlbum(QWidget *owner, TQelDb &db, TdmGlobal &dm);

// The album editor's "Scan and Query MusicBrainz" for a disc with the given "Microsoft
// Disc ID": an album whose first (only) disc is the scanned medium of the release the
// user took, with the album's values beside it, or nullptr.
std::unique_ptr<TAlbum> QueryMusicBrainzForUpdate(QWidget *owner, TQelDb &db, TdmGlobal &dm,
                                                  qint32 currentDiscId);

// The batch window's "Query MusicBrainz for Selected CD(s)": every disc looked up in
// one run, then the window for each disc that has releases, one after another (Skip
// goes on, Cancel stops). addAlbum gets each album taken and says whether it kept it.
// Returns the discs whose album was kept; summary says what came of the run.
QList<TScanCD *> QueryMusicBrainzForDiscs(QWidget *owner, const QList<TScanCD *> &discs, TQelDb &db,
                                          TdmGlobal &dm,
                                          const std::function<bool(TAlbum *)> &addAlbum,
                                          QString &summary);
