#pragma once

#include <QByteArray>
#include <QString>

class TAlbum;

// Stores a release's front cover, as the Cover Art Archive sent it, in the covers
// folder as "<release id>.jpg" (".png" for a PNG), under a new name when that file is
// there (it is never replaced), and makes it the album's cover and thumbnail. Returns
// an empty text, or the note why the cover was left out (nothing is written then):
// bytes that the cover loader does not read as a picture, more than 20 MB, or a
// folder that cannot take the file.
QString StoreMbCover(const QByteArray &bytes, const QString &releaseId, const QString &folder,
                     TAlbum &album);
