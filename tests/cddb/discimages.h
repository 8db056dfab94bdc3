#pragma once

#include <QString>
#include <vector>

// Disc images made by the tests: a .cue (or cdrdao .toc) beside a sparse .bin whose
// size gives the lead-out. Frames are absolute (with the 150-frame lead-in).
struct TDiscLayout
{
    std::vector<int> starts; // the tracks' first frames, the first normally 150
    int leadOut = 0;
    bool dataTrackLast = false;
};

enum class TImageKind { Cue, Toc };

// Writes folder/name.cue or .toc and its .bin; returns the image's path.
QString MakeDiscImage(const QString &folder, const QString &name, const TDiscLayout &layout,
                      TImageKind kind = TImageKind::Cue);
