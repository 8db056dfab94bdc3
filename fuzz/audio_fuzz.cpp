// Fuzz target for the reader of the audio formats other than MP3 (the tag library behind
// our own stream): any bytes read without a fault, and the values stay those of a stream
// or of an unreadable file; the picture reader goes over the same bytes.

#include "mp3/audiofile.h"

#include <QByteArray>

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    TTagLibFile f;
    const bool audio = f.ReadFromBytes(bytes);
    const bool sane = f.FileSize == qint64(size) && f.Length >= 0 && f.Track >= 0 && f.Disc >= 0 &&
                      f.Genre >= 0 && f.BitsPerSample >= 0 &&
                      (audio || f.Format == TAudioFormat::Unknown) &&
                      (f.Format != TAudioFormat::Unknown || f.SampleRate == 0);
    if (!sane) {
        std::fprintf(stderr, "audio_fuzz: impossible values\n");
        std::abort();
    }
    (void)f.Description();
    (void)f.GenreName();
    (void)f.FormatName();
    (void)ReadTagLibPictureFromBytes(bytes);
    return 0;
}
