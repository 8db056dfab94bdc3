#pragma once

#include <QString>
#include <memory>

class TAlbum;
class TFieldDefaults;
class TMbClient;
class TQelDb;
class TScanCD;
struct TMbDiscId;
struct TMbRelease;

// What taking a release makes: the album (not yet in the collection), and why its
// front cover was left out, if it was.
struct TMbAlbumResult
{
    std::unique_ptr<TAlbum> album; // null: the release could not be read (the client says why)
    QString coverNote;
};

// The album of the release the user took for the scanned disc, in one run of client:
// the release is read whole first when the look-up gave only its summary, then, with
// coversFolder set, its front cover is fetched and stored (a cover that fails is only
// a note).
TMbAlbumResult MakeMbAlbum(TMbClient &client, TMbRelease &release, const TScanCD &scan,
                           const TMbDiscId &id, TQelDb &db, const TFieldDefaults *defaults,
                           const QString &coversFolder);
