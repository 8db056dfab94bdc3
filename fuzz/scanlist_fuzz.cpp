// Fuzz target for the scan list reader: any input reads or fails with EQel, and what
// was read (also the discs kept before damage) writes and reads back to the same bytes.

#include "cddb/scanlist.h"
#include "model/qelerror.h"

#include <QByteArray>

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    TScanCdList list;
    try {
        list.ReadFromBytes(bytes);
    } catch (const EQel &) {
        // The discs read before the damage stay.
    }
    const QByteArray written = list.WriteToBytes();
    TScanCdList again;
    again.ReadFromBytes(written); // throws, and so fails, if what we wrote is unreadable
    if (again.WriteToBytes() != written) {
        std::fprintf(stderr, "scanlist_fuzz: a second write differs\n");
        std::abort();
    }
    return 0;
}
