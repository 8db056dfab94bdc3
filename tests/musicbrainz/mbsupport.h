#pragma once

#include "../cddb/discimages.h"
#include "cddb/scancd.h"
#include "musicbrainz/mbclient.h"

#include <QByteArray>
#include <QString>
#include <vector>

// The recorded replies in tests/fixtures/musicbrainz and the discs they answer for.
QString MbFixtures();
QByteArray MbFixture(const QString &name); // "release/<mbid>.json"

// The discs of the recorded replies (absolute frames).
namespace MbDiscs {
// "Tidewater Songs": five tracks, on two releases.
extern const TDiscLayout Tidewater;
// The second medium of "Night Ferry: Live".
extern const TDiscLayout NightFerryLate;
// "Harbour Sessions": various artists.
extern const TDiscLayout Sessions;
// "Demo Tape": no label, no date.
extern const TDiscLayout DemoTape;
// "Lantern Room": an enhanced CD, three audio tracks and a data track.
extern const TDiscLayout Lantern;
// A disc MusicBrainz does not know; near to "Low Tide EP".
extern const TDiscLayout LowTide;
} // namespace MbDiscs

namespace MbReleases {
extern const char Tidewater[];
extern const char TidewaterRemaster[];
extern const char NightFerry[];
extern const char Sessions[];
extern const char DemoTape[];
extern const char Lantern[];
extern const char LowTide[];
} // namespace MbReleases

// The disc image of layout in folder, scanned as the program scans it.
TScanCD ScanMbDisc(const QString &folder, const TDiscLayout &layout, const QString &name);

// A clock that only moves when waited on: pacing and retries cost no time.
class TFakeClock : public TMbClock
{
public:
    qint64 Now() override { return now; }
    void Wait(qint64 ms, const std::function<bool()> &) override
    {
        waits.push_back(ms);
        now += ms;
    }
    qint64 now = 0;
    std::vector<qint64> waits;
};

// A fake clock and its pacer, made the shared one while this lives.
struct TFakePacing
{
    TFakeClock clock;
    TMbPacer pacer{clock};
    TFakePacing() { TMbPacer::SetShared(&pacer); }
    ~TFakePacing() { TMbPacer::SetShared(nullptr); }
};

// A small picture in the given format ("JPEG", "PNG").
QByteArray PictureBytes(const char *format, int side = 48);
