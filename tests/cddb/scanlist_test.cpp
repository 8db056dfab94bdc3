#include "cddb/scancd.h"
#include "cddb/scanlist.h"
#include "model/qelerror.h"
#include "testsupport.h"

#include <gtest/gtest.h>

namespace {

TScanCD *disc(qint32 leadOut, qint32 discLength, qint32 ms, qint32 cddb)
{
    auto *d = new TScanCD;
    d->LeadOut = leadOut;
    d->DiscLength = discLength;
    d->MsDiscId = ms;
    d->CddbDiscId = cddb;
    return d;
}

} // namespace

TEST(ScanList, BytesOfTheFile)
{
    const struct
    {
        const char *what;
        std::function<void(TScanCdList &)> fill;
        const char *hex;
    } cases[] = {
        {"empty", [](TScanCdList &) {}, "01 00"},
        {"one disc without tracks", [](TScanCdList &l) { l.Add(disc(30000, 29700, 0, 67210754)); },
         "01 03 30 75 03 04 74 02 00 04 02 8E 01 04 01 00 01 00 00"},
        {"integer forms and a negative identifier",
         [](TScanCdList &l) { l.Add(disc(127, 128, 32768, qint32(0x8E01F1A5u))); },
         "01 02 7F 03 80 00 04 00 80 00 00 04 A5 F1 01 8E 01 00 01 00 00"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        TScanCdList list;
        c.fill(list);
        const QByteArray bytes = list.WriteToBytes();
        EXPECT_EQ(bytes.toHex(' ').toUpper(), QByteArray(c.hex));
        TScanCdList back;
        back.ReadFromBytes(bytes);
        ASSERT_EQ(back.Count(), list.Count());
        if (list.Count() == 1) {
            EXPECT_EQ(back.Item(0)->CddbDiscId, list.Item(0)->CddbDiscId);
            EXPECT_EQ(back.Item(0)->MsDiscId, list.Item(0)->MsDiscId);
        }
    }
}

// Entries, tracks, long and foreign texts come back; what is not stored comes back as
// its initial value.
TEST(ScanList, RoundTripThroughTheFile)
{
    TTestHome home;
    const QString path = home.file(QStringLiteral("scanlist.dat"));
    TScanCdList list;
    TScanCD *d = disc(30000, 29849, 232090, 0x04018e02);
    d->AddTrack() = {150, 14850, 14850};
    d->AddTrack() = {15000, 15000, 15000};
    TCddbCD &e = d->AddCddbCD();
    e.DTitle = QStringLiteral("北野 / 夏の歌 & more");
    e.ExtData = QString(300, u'x');
    e.Category = QStringLiteral("rock");
    e.Revision = 3;
    e.SubmittedVia = QStringLiteral("Qel Music 3.1");
    e.DiscId = 0x04018e02;
    e.AddTrack().Title = QStringLiteral("Café");
    e.AddTrack().ExtData = QStringLiteral("line one\r\nline two");
    d->SelectedCddbCD = 0;
    d->UseGenre = true;
    d->TrackContent = 3;
    list.Add(d);
    list.Add(disc(1000, 900, 1, 2));
    // A 300-character text takes the long form: tag 0x0C and four length bytes.
    EXPECT_TRUE(list.WriteToBytes().contains(QByteArray::fromHex("0C2C010000")));
    ASSERT_TRUE(list.SaveToFile(path).isEmpty());

    TScanCdList back;
    EXPECT_TRUE(back.LoadFromFile(path).isEmpty());
    ASSERT_EQ(back.Count(), 2);
    const TScanCD &b = *back.Item(0);
    EXPECT_EQ(b.TrackCount(), 2);
    EXPECT_EQ(b.Track(1).StartFrame, 15000);
    ASSERT_EQ(b.CddbCDCount(), 1);
    const TCddbCD &be = b.CddbCD(0);
    EXPECT_EQ(be.DTitle, e.DTitle);
    EXPECT_EQ(be.ExtData, e.ExtData);
    EXPECT_EQ(be.Revision, 3);
    EXPECT_EQ(be.DiscId, 0x04018e02);
    ASSERT_EQ(be.TrackCount(), 2);
    EXPECT_EQ(be.Track(0).Title, QStringLiteral("Café"));
    EXPECT_EQ(be.Track(1).ExtData, QStringLiteral("line one\r\nline two"));
    EXPECT_EQ(b.SelectedCddbCD, -1);
    EXPECT_FALSE(b.UseGenre);
    EXPECT_EQ(b.TrackContent, 0);
    EXPECT_EQ(back.FindByCddbDiscId(2), back.Item(1));
    EXPECT_EQ(back.FindByCddbDiscId(3), nullptr);
}

// A file cut anywhere keeps the discs read whole before the cut, and says so; a missing
// file is an empty list without a word.
TEST(ScanList, DamagedFileKeepsWhatWasReadBefore)
{
    TTestHome home;
    TScanCdList list;
    for (int i = 0; i < 3; ++i) {
        TScanCD *d = disc(30000 + i, 29000, 0, 100 + i);
        d->AddTrack() = {150, 100, 100};
        d->AddCddbCD().DTitle = QStringLiteral("Disc %1").arg(i);
        list.Add(d);
    }
    const QByteArray whole = list.WriteToBytes();
    TScanCdList probe;
    int lastCount = 0;
    for (qsizetype cut = 0; cut < whole.size(); ++cut) {
        const QString path = home.file(QStringLiteral("cut.dat"));
        WriteFileBytes(path, whole.left(cut));
        const QString error = probe.LoadFromFile(path);
        EXPECT_FALSE(error.isEmpty()) << cut;
        EXPECT_GE(probe.Count(), lastCount) << cut;
        EXPECT_LE(probe.Count(), 3);
        lastCount = probe.Count();
    }
    EXPECT_EQ(lastCount, 3); // only the list's closing byte is missing
    const QString path = home.file(QStringLiteral("cut.dat"));
    WriteFileBytes(path, whole.left(whole.size() - 1));
    EXPECT_TRUE(probe.LoadFromFile(path).endsWith(
        QStringLiteral(" 3 CD(s) read before the damage are kept.")));
    EXPECT_TRUE(probe.LoadFromFile(home.file(QStringLiteral("none.dat"))).isEmpty());
    EXPECT_EQ(probe.Count(), 0);

    // A length that runs past the end is damage, not an allocation.
    EXPECT_THROW(probe.ReadFromBytes(QByteArray::fromHex("01020002000200020001010CFFFFFF7F")),
                 EQel);
}
