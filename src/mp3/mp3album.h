#pragma once

#include <QString>

class TAlbum;
class TFieldDefaults;
class TMP3Folder;
class TQelDb;

// A new album (not yet in db) from a scanned folder tree, in the order of SortMp3Tree:
// the root's leading folders become discs (their folders headers, their files tracks),
// the root's own files a disc "Other Files". A root of files alone whose tags carry two or
// more disc numbers gives one disc per number instead (untitled, files without a number
// on the lowest). The artist is the album artist of the tags when every file that names
// one agrees, else the files' one artist, else "Various"; the title is the files' one
// album, else the folder's name; the format is the files' one format ("MP3", "FLAC"...),
// else "Digital". The cover is the folder's cover picture (cover.jpg, folder.jpg or
// front.jpg, any case), else the first front cover a file carries in track order, else the
// first picture; it is copied into coversFolder under a name that overwrites nothing;
// coverError then says why a copy failed. defaults may be null.
TAlbum *CreateFromMP3Folder(const TMP3Folder &root, TQelDb &db, const TFieldDefaults *defaults,
                            const QString &coversFolder, QString *coverError = nullptr);
