#pragma once

#include <QString>

class TAlbum;
class TFieldDefaults;
class TMP3Folder;
class TQelDb;

// A new album (not yet in db) from a scanned folder tree, in the order of SortMp3Tree:
// the root's leading folders become discs (their folders headers, their files tracks),
// the root's own files a disc "Other Files"; artist and title come from the tags when
// every file agrees, otherwise "Various" and the folder's name. When the folder holds a
// cover picture (cover.jpg, folder.jpg or front.jpg, any case) it is copied into
// coversFolder under a name that overwrites nothing and becomes the album's cover;
// coverError then says why a copy failed. defaults may be null.
TAlbum *CreateFromMP3Folder(const TMP3Folder &root, TQelDb &db, const TFieldDefaults *defaults,
                            const QString &coversFolder, QString *coverError = nullptr);
