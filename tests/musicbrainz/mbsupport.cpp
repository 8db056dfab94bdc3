#include "mbsupport.h"

#include "cddb/cdreader.h"
#include "testsupport.h"

#include <QBuffer>
#include <QImage>

QString MbFixtures()
{
    return QStringLiteral(QEL_TEST_FIXTURES "/musicbrainz");
}

QByteArray MbFixture(const QString &name)
{
    return ReadFileBytes(MbFixtures() + u'/' + name);
}

namespace MbDiscs {
const TDiscLayout Tidewater{{150, 16200, 30900, 53775, 71925}, 92850};
const TDiscLayout NightFerryLate{{150, 20325, 41250, 60675}, 83400};
const TDiscLayout Sessions{{150, 14400, 29250, 45000}, 61500};
const TDiscLayout DemoTape{{150, 22650}, 45150};
const TDiscLayout Lantern{{150, 15150, 32025, 63900}, 75000, true};
const TDiscLayout LowTide{{150, 15000, 30000}, 45000};
} // namespace MbDiscs

namespace MbReleases {
const char Tidewater[] = "3f1c2a10-5b6d-4e7f-8a9b-0c1d2e3f4a51";
const char TidewaterRemaster[] = "8d2e4b6c-1a3f-4c5d-9e7f-2b4c6d8e0f12";
const char NightFerry[] = "5a7c9e1b-3d5f-4a6c-8e0a-1b3d5f7a9c24";
const char Sessions[] = "7b9d1f3a-5c7e-4b9d-a1c3-5e7f9b1d3f46";
const char DemoTape[] = "2c4e6a8c-0e2a-4c6e-8a0c-2e4a6c8e0a35";
const char Lantern[] = "9e1a3c5e-7a9c-4e1a-b3c5-7e9a1c3e5a57";
const char LowTide[] = "4f6a8c0e-2a4c-4e6a-8c0e-4a6c8e0a2c68";
} // namespace MbReleases

TScanCD ScanMbDisc(const QString &folder, const TDiscLayout &layout, const QString &name)
{
    TScanCD disc;
    const QString image = MakeDiscImage(folder, name, layout);
    EXPECT_FALSE(image.isEmpty());
    try {
        TCdScanner().Scan(image, disc);
    } catch (const EQel &e) {
        ADD_FAILURE() << e.message().toStdString();
    }
    return disc;
}

QByteArray PictureBytes(const char *format, int side)
{
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}
