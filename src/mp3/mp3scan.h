#pragma once

#include "mp3/mp3file.h"

#include <QString>

#include <functional>
#include <memory>

// Reads the folder at path and its subfolders into a tree: each folder's MP3 files
// (by extension, any case) and subfolders in case-insensitive name order, files first.
// Folders without MP3 files below them are left out. progress, when given, is called
// after each file and stops the scan by returning false (the tree then holds what was
// read so far).
std::unique_ptr<TMP3Folder> ScanMp3Folder(const QString &path,
                                          const std::function<bool()> &progress = {});

// The files of the tree in order: each folder's files, then its subfolders'.
void CollectMp3Files(const TMP3Folder &folder, std::vector<const TMP3File *> &out);
