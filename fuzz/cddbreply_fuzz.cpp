// Fuzz target for the readers of CDDB server replies: any bytes give text no longer
// than themselves, every reader ends without a crash, a list reader gives lines only
// for a complete list, and an entry read from them always has the disc's tracks.

#include "cddb/cddb.h"
#include "cddb/cddbentry.h"
#include "cddb/cddbsites.h"
#include "cddb/scancd.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "cddbreply_fuzz: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString text = TCDDB::DecodeReply(bytes);
    if (text.size() > bytes.size())
        fail("decoded text longer than its bytes");

    QStringList lines;
    {
        TCDDB cddb;
        cddb.SetReply(bytes);
        QStringList matches;
        cddb.ParseQueryReply(matches);
        const int status = cddb.ReplyStatus();
        if (!matches.isEmpty() && status != 200 && status != 210 && status != 211)
            fail("matches from a reply that has none");
        for (const QString &match : std::as_const(matches))
            (void)match.split(u' ').value(1);
        (void)cddb.ErrorMessage();
    }
    {
        TCDDB cddb;
        cddb.SetReply(bytes);
        cddb.ParseReadReply(lines);
        if (!lines.isEmpty() && (cddb.ReplyStatus() != 210 || lines.constLast() != u"."))
            fail("read lines from an incomplete reply");
        TScanCD disc;
        disc.LeadOut = 30000;
        for (int i = 0; i < 3; ++i)
            disc.AddTrack().StartFrame = 150 + i * 9000;
        TCddbCD entry;
        ParseEntry(disc, lines, entry, QStringLiteral("04018e02"), QStringLiteral("rock"));
        if (entry.TrackCount() != disc.TrackCount())
            fail("entry tracks differ from the disc's");
    }
    {
        TCDDB cddb;
        cddb.SetReply(bytes);
        cddb.ParseSitesReply(lines);
        TCddbSiteList sites;
        sites.BuildFromReply(lines);
        cddb.SetReply(bytes);
        cddb.ParseCategoriesReply(lines);
        cddb.SetReply(bytes);
        cddb.ReadSubmitReply();
    }
    return 0;
}
