#include "discimages.h"
#include "testsupport.h"

#include <gtest/gtest.h>

TEST(QelDiscid, PrintsTheIdentifiersOfAnImage)
{
    TTestHome home;
    const QString cue = MakeDiscImage(home.path(), QStringLiteral("disc"), {{150, 15000}, 30000});
    TRunResult json = RunQel({QStringLiteral("discid"), cue, QStringLiteral("--json")});
    ASSERT_EQ(json.exitCode, 0) << json.err.toStdString();
    EXPECT_EQ(json.out.trimmed(),
              QByteArray(
                  "{\"cddbId\":\"04018e02\",\"msId\":\"00038A9A\",\"leadOut\":30000,"
                  "\"discLength\":29849,\"tracks\":[{\"start\":150,\"deviceLength\":14850,"
                  "\"length\":14850},{\"start\":15000,\"deviceLength\":15000,\"length\":15000}]}"));
    TRunResult text = RunQel({QStringLiteral("discid"), cue});
    EXPECT_EQ(text.out, QByteArray("CDDB disc id: 04018e02\nMicrosoft Disc ID: 00038A9A\n"
                                   "Tracks: 2 (06:37)\n1\t150\t03:18\n2\t15000\t03:20\n"));

    TRunResult missing = RunQel({QStringLiteral("discid"), home.file(QStringLiteral("none.cue"))});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_EQ(missing.err.trimmed(), QByteArray("Qel Music cannot read from the CD-ROM drive."));
}

TEST(QelScanlist, AddListRemoveClear)
{
    TTestHome home;
    const QString a = MakeDiscImage(home.path(), QStringLiteral("a"), {{150, 15000}, 30000});
    const QString b =
        MakeDiscImage(home.path(), QStringLiteral("b"), {{150}, 30000}, TImageKind::Toc);
    EXPECT_EQ(RunQel({QStringLiteral("scanlist"), QStringLiteral("add"), a}).out,
              QByteArray("CD 04018e02 added to the list\n"));
    EXPECT_EQ(RunQel({QStringLiteral("scanlist"), QStringLiteral("add"), b}).exitCode, 0);
    TRunResult again = RunQel({QStringLiteral("scanlist"), QStringLiteral("add"), a});
    EXPECT_EQ(again.exitCode, 2);
    EXPECT_EQ(again.err.trimmed(), QByteArray("CD 04018e02 is already in the list"));
    EXPECT_EQ(RunQel({QStringLiteral("scanlist")}).out,
              QByteArray("04018e02\t2 (06:37)\t\n02018e01\t1 (06:37)\t\n2 CDs in scan list\n"));
    EXPECT_EQ(
        RunQel({QStringLiteral("scanlist"), QStringLiteral("remove"), QStringLiteral("04018e02")})
            .exitCode,
        0);
    EXPECT_EQ(RunQel({QStringLiteral("scanlist"), QStringLiteral("list")}).out,
              QByteArray("02018e01\t1 (06:37)\t\n1 CDs in scan list\n"));
    EXPECT_EQ(RunQel({QStringLiteral("scanlist"), QStringLiteral("clear")}).exitCode, 0);
    EXPECT_EQ(RunQel({QStringLiteral("scanlist")}).out, QByteArray("0 CDs in scan list\n"));
}
