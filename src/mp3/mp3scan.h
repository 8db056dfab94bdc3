#pragma once

#include "mp3/mp3file.h"
#include "services/process.h"

#include <QElapsedTimer>
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

// A scan for a window: a counting pass that gives the progress its total, then the
// reading pass. It reports through OnMessage and OnProgress (no window of its own) and
// lets the interface handle its events every 20 ms, so that the window repaints and a
// Cancel (Esc) reaches the running pass.
class TMP3Scanner : public TProcess
{
public:
    explicit TMP3Scanner(QObject *owner = nullptr);

    // Fills root (emptied first) from root.Path. Recursive reads every subfolder;
    // otherwise the root's subfolders are listed but not read. Returns the number of
    // MP3 files below root counting all subfolders (what the count had reached when
    // cancelled, and then root is left empty); 0 when a scan runs already or root has
    // no path.
    int Scan(TMP3Folder &root, bool recursive);
    // The counting pass: MP3 files in the folder at path, and below it when recursive.
    int CountFiles(const QString &path, bool recursive);
    // The reading pass; returns the number of files read.
    int ReadFolder(TMP3Folder &folder, bool recursive);

    bool Scanning() const { return m_scanning; }
    TMP3Folder *Folder = nullptr;

private:
    void breathe();
    void step();

    bool m_scanning = false;
    int m_percent = -1;
    QElapsedTimer m_sinceEvents;
};
