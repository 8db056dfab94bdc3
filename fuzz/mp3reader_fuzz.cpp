// Fuzz target for the MP3 reader: any bytes read without a fault, and the stream values
// stay those of a real frame header (or the defaults).

#include "mp3/mp3file.h"

#include <QByteArray>

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    TMP3File f;
    f.ReadFromBytes(bytes);
    const bool sane = f.FileSize == qint64(size) && f.Layer >= 1 && f.Layer <= 3 &&
                      f.Version <= 2 && f.BitRate >= 8 && f.BitRate <= 448 &&
                      f.SampleRate >= 8000 && f.SampleRate <= 48000 && f.Length >= 0 &&
                      f.Genre >= 0;
    if (!sane) {
        std::fprintf(stderr, "mp3reader_fuzz: impossible stream values\n");
        std::abort();
    }
    (void)f.Description();
    (void)f.GenreName();
    return 0;
}
