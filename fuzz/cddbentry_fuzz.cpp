// Fuzz target for CDDB entries: any reply text parses into an entry whose composed text
// has lines of at most 79 characters and parses back to the same titles.

#include "cddb/cddbentry.h"
#include "cddb/scancd.h"

#include <QString>
#include <QStringList>

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    // The first byte picks the disc's track count, the rest is the reply.
    TScanCD disc;
    const int tracks = 1 + data[0] % 99;
    for (int i = 0; i < tracks; ++i)
        disc.AddTrack().StartFrame = 150 + 1500 * i;
    disc.LeadOut = 150 + 1500 * tracks;
    disc.ComputeCddbDiscId();
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const QStringList lines = text.split(QStringLiteral("\n"));
    TCddbCD &entry = disc.AddCddbCD();
    ParseEntry(disc, lines, entry, QStringLiteral("12345678"), QStringLiteral("misc"));
    QStringList composed;
    ComposeEntry(disc, composed);
    for (const QString &line : composed)
        if (line.size() > 79 || line.contains(u'\r') || line.contains(u'\n')) {
            std::fprintf(stderr, "cddbentry_fuzz: bad line %s\n", qPrintable(line));
            std::abort();
        }
    TCddbCD back;
    ParseEntry(disc, composed, back, disc.CddbDiscIdText(), QStringLiteral("misc"));
    if (back.DTitle != EscapeText(entry.DTitle)) {
        std::fprintf(stderr, "cddbentry_fuzz: title changed\n");
        std::abort();
    }
    return 0;
}
