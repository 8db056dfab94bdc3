#pragma once

#include "mp3/mp3file.h"

// An audio file of any format but MP3, read by the tag library: the tags and the stream's
// properties as the file's headers give them, the audio never decoded.
class TTagLibFile : public TAudioFile
{
public:
    // A regular file that the library cannot make out is still read: its name and size,
    // Format Unknown, described as "(unreadable)". False for a file whose container holds
    // no audio stream (a film without sound).
    bool ReadInfo(const QString &path) override;
    // The same on bytes in memory; the content alone tells the format. False as above.
    bool ReadFromBytes(const QByteArray &bytes);

    // "FLAC, 16 bit, 44,100 Hz, stereo, 1,012 kbps"; the width only for lossless streams.
    QString Description() const override;
};

// The front cover the file at path carries, else its first picture; read only when asked
// for, as ReadAudioPicture does for every format.
TMp3Picture ReadTagLibPicture(const QString &path);
// The same on a file's bytes in memory.
TMp3Picture ReadTagLibPictureFromBytes(const QByteArray &bytes);
