// Fuzz target for the CD Valet reader. The input is the table of contents, a zero byte
// and the data file. Every record the table names is read (or passed over) without
// reading past the end, and each one read becomes an album.

#include "exchange/cdvalet.h"
#include "model/album.h"
#include "model/qeldb.h"

#include <QByteArray>

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype split = bytes.indexOf('\0');
    const QByteArray toc = split < 0 ? bytes : bytes.first(split);
    const QByteArray dat = split < 0 ? QByteArray() : bytes.sliced(split + 1);
    TCdValetReader reader(dat);
    TQelDb db;
    for (const QString &line : ReadCdValetToc(toc)) {
        const QString id = line.trimmed();
        if (id.isEmpty())
            continue;
        TCdValetRecord record;
        const auto result = reader.ReadRecord(id, record);
        if (result == TCdValetReader::TResult::OutOfStep)
            break;
        if (result != TCdValetReader::TResult::Ok)
            continue;
        // Every track took at least two bytes of the file.
        if (qsizetype(record.Tracks.size()) * 2 > dat.size()) {
            std::fprintf(stderr, "cdvalet_fuzz: more tracks than the file holds\n");
            std::abort();
        }
        db.AddAlbum(CdValetAlbum(db, 1, record));
    }
    return 0;
}
