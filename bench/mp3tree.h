#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The MP3 benchmarks' files: small, mixed files (a version 1 tag only, version 2.3 with a
// picture, version 2.4 with padding, VBR with a Xing header), 40 frames of audio each.
QByteArray MakeBenchMp3File(int i);

// Writes count such files under folder, 100 to an album folder ("Album 000/00000.mp3");
// returns their paths, or nothing when a write failed.
QStringList MakeBenchMp3Tree(const QString &folder, int count);
