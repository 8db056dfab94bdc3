// Fuzz target for the readers of MusicBrainz replies and what is made of their
// releases: any bytes end in a release list, a release or a message, never both; a
// release read has a valid identifier; the album made of it, against a fixed scan,
// has every medium as a disc and the scan's tracks on its scanned medium.

#include "cddb/scancd.h"
#include "model/album.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "musicbrainz/mbalbum.h"
#include "musicbrainz/mbdiscid.h"
#include "musicbrainz/mbjson.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "mb_json_fuzz: %s\n", what);
    std::abort();
}

void checkAlbum(const TMbRelease &release)
{
    TScanCD scan;
    ScanCdFromToc({150, 15000, 30000}, 45000, scan);
    const TMbDiscId id = MbDiscIdOf(scan);
    if (!id.IsValid())
        fail("the fixed scan has no disc ID");
    TQelDb db;
    std::unique_ptr<TAlbum> album(CreateFromMbRelease(release, scan, id, db, nullptr));
    const qsizetype discs = release.Media.empty() ? 1 : qsizetype(release.Media.size());
    if (album->DiscCount() != discs)
        fail("a medium that is no disc");
    const int scanned = ScannedMediumIndex(release, id);
    if (album->Disc(scanned < 0 ? 0 : scanned)->TrackCount() != scan.TrackCount())
        fail("the scanned medium lacks the scan's tracks");
    (void)album->GetAlbumName();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    TMbReleases releases;
    const QString listError = ReadMbReleaseList(bytes, true, releases);
    if (!listError.isEmpty() && !releases.empty())
        fail("releases beside a message");
    for (const TMbRelease &r : releases) {
        if (r.Id.size() != 36 || !r.Near)
            fail("a listed release without its identifier or mark");
        (void)MbCreditText(r.Credit);
        (void)MbCreditSortName(r.Credit);
    }
    TMbRelease release;
    const QString error = ReadMbRelease(bytes, release);
    if (error.isEmpty() == release.Id.isEmpty())
        fail("a release and a message, or neither");
    if (error.isEmpty()) {
        (void)release.TopGenre();
        (void)release.FirstLabel();
        checkAlbum(release);
    }
    return 0;
}
