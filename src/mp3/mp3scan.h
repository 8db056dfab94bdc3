#pragma once

#include "mp3/mp3file.h"
#include "services/process.h"

#include <QElapsedTimer>
#include <QString>

#include <functional>
#include <memory>

// Reads the folder at path and its subfolders into a tree in the order of SortMp3Tree:
// the audio files (by extension, any case, see IsAudioFileName; regular files and links
// to them; a file without an audio stream is left out) and the subfolders (links to
// folders are not followed), hidden entries left out. Folders without audio files below
// them are left out. Each folder is listed once. progress, when
// given, is called after each file and stops the scan by returning false (the tree then
// holds what was read so far); without it the files are read on a few threads at once.
std::unique_ptr<TMP3Folder> ScanMp3Folder(const QString &path,
                                          const std::function<bool()> &progress = {});

// The one order of a scanned tree, for the explorer's lists, the album made of a folder
// and the command line alike: the chosen folder's subfolders before its files, each in
// case-insensitive name order (files of equal name by album, then title); below it,
// folders and files mix in name order.
void SortMp3Tree(TMP3Folder &folder);

// The files of the tree, depth first in list order: in a sorted tree, the flat list.
void CollectMp3Files(const TMP3Folder &folder, std::vector<const TAudioFile *> &out);

// A scan for a window: a counting pass that gives the progress its total, then the
// reading pass over what the count listed. It reports through OnMessage and OnProgress
// (no window of its own) and lets the interface handle its events every 20 ms, so that
// the window repaints and a Cancel (Esc) reaches the running pass.
class TMP3Scanner : public TProcess
{
public:
    explicit TMP3Scanner(QObject *owner = nullptr);

    // Fills root (emptied first) from root.Path, sorted by SortMp3Tree. Recursive reads
    // every subfolder; otherwise the root's subfolders are listed but not read. Returns
    // the number of audio files below root counting all subfolders (what the count had
    // reached when cancelled, and then root is left empty); 0 when a scan runs already
    // or root has no path.
    int Scan(TMP3Folder &root, bool recursive);

    bool Scanning() const { return m_scanning; }
    // Whether the last scan's count found other audio files than MP3 files.
    bool OtherFormats() const { return m_otherFormats; }
    TMP3Folder *Folder = nullptr;

private:
    void breathe();
    void step();

    bool m_scanning = false;
    bool m_otherFormats = false;
    int m_percent = -1;
    QElapsedTimer m_sinceEvents;
};
