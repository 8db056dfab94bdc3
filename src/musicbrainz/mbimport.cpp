#include "musicbrainz/mbimport.h"

#include "model/album.h"
#include "musicbrainz/mbalbum.h"
#include "musicbrainz/mbclient.h"
#include "musicbrainz/mbcover.h"
#include "musicbrainz/mbrelease.h"

TMbAlbumResult MakeMbAlbum(TMbClient &client, TMbRelease &release, const TScanCD &scan,
                           const TMbDiscId &id, TQelDb &db, const TFieldDefaults *defaults,
                           const QString &coversFolder)
{
    TMbAlbumResult result;
    const bool cover = !coversFolder.isEmpty() && release.HasFrontCover;
    client.Run(
        TMbClient::tr("Making the album"), (release.Complete ? 0 : 1) + (cover ? 1 : 0), [&] {
            if (!release.Complete) {
                if (!client.ReadRelease(release))
                    return;
                client.SetPosition(client.Position + 1);
            }
            result.album.reset(CreateFromMbRelease(release, scan, id, db, defaults));
            if (!cover)
                return;
            QByteArray bytes;
            if (client.FetchCover(release.Id, bytes))
                result.coverNote = StoreMbCover(bytes, release.Id, coversFolder, *result.album);
            else
                result.coverNote = client.ErrorMessage();
            client.SetPosition(client.Position + 1);
        });
    return result;
}
