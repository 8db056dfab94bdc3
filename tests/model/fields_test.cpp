#include "model/fields.h"
#include "model/general.h"

#include "testsupport.h"

#include <QFile>
#include <gtest/gtest.h>

TEST(FieldCatalogue, NamesWithoutFileAndOutOfRange)
{
    TTestHome home;
    TQelFields fields;
    fields.Load(home.file(QStringLiteral("missing/FieldNames.ini")));
    EXPECT_EQ(fields.GetFieldName(fdArtist), QStringLiteral("Artist/Composer"));
    EXPECT_EQ(fields.GetFieldName(57), QStringLiteral("[INVALID FIELD]"));
    EXPECT_EQ(TQelFields::GetDefaultName(200), QStringLiteral("[INVALID FIELD]"));
    EXPECT_TRUE(fields.GetFieldName(fdNone).isEmpty());
    EXPECT_EQ(FieldKind(fdPrice), fkFloat);
    EXPECT_EQ(FieldKind(fdAD), fkText);
    EXPECT_EQ(FieldKind(fdCover), fkPicture);
}

TEST(FieldCatalogue, AmpersandKeptInCaptionAndDroppedBySaveAndLoad)
{
    TTestHome home;
    const QString ini = home.file(QStringLiteral("FieldNames.ini"));
    TQelFields fields;
    fields.SetFieldName(fdArtist, QStringLiteral("&Band"));
    fields.SetFieldName(fdTitle, QStringLiteral("Naam – ☃")); // outside cp1252
    EXPECT_EQ(fields.GetFieldCaption(fdArtist), QStringLiteral("&Band"));
    EXPECT_EQ(fields.GetFieldName(fdArtist), QStringLiteral("Band"));
    ASSERT_TRUE(fields.Save(ini));

    const QByteArray bytes = ReadFileBytes(ini);
    EXPECT_TRUE(bytes.startsWith("[Field Names]\r\nTitle="));
    EXPECT_TRUE(bytes.contains("\r\nArtist/Composer=Band\r\n"));
    EXPECT_TRUE(bytes.contains("\r\nAudio File=Audio File\r\n"));

    TQelFields reread;
    reread.Load(ini);
    EXPECT_EQ(reread.GetFieldCaption(fdArtist), QStringLiteral("Band"));
    EXPECT_EQ(reread.GetFieldName(fdTitle), QStringLiteral("Naam – ☃"));
    EXPECT_EQ(reread.GetFieldName(fdYear), QStringLiteral("Year"));
}

TEST(FieldCatalogue, ReadsKeysCaseInsensitivelyAndIgnoresOtherSections)
{
    TTestHome home;
    const QString ini = home.file(QStringLiteral("FieldNames.ini"));
    WriteFileBytes(ini, "[Other]\r\nTitle=Wrong\r\n[field names]\r\nyear=Jahr\r\nTitle=Titel\r\n"
                        "Title=Second\r\nNonsense\r\n");
    TQelFields fields;
    fields.Load(ini);
    EXPECT_EQ(fields.GetFieldName(fdYear), QStringLiteral("Jahr"));
    EXPECT_EQ(fields.GetFieldName(fdTitle), QStringLiteral("Titel"));
    EXPECT_EQ(fields.GetFieldName(fdGenre), QStringLiteral("Genre"));
}

TEST(FieldCatalogue, LookupSets)
{
    const TFieldId album[] = {4, 5, 6, 7, 8, 9, 17, 19, 21, 25, 30, 35, 36};
    const TFieldId track[] = {4, 5, 6, 7, 8, 9, 28, 30, 38};
    int albumCount = 0, trackCount = 0;
    for (int f = 0; f < 256; ++f) {
        albumCount += IsAlbumLookupField(TFieldId(f));
        trackCount += IsTrackLookupField(TFieldId(f));
    }
    EXPECT_EQ(albumCount, 13);
    EXPECT_EQ(trackCount, 9);
    for (TFieldId f : album)
        EXPECT_TRUE(IsAlbumLookupField(f)) << int(f);
    for (TFieldId f : track)
        EXPECT_TRUE(IsTrackLookupField(f)) << int(f);
    EXPECT_FALSE(IsLookupField(fdTitle));
}

TEST(GeneralFunctions, LengthsAndTexts)
{
    struct
    {
        qint64 seconds;
        const char *text;
    } formats[] = {{0, "00:00"},    {59, "00:59"},    {61, "01:01"},      {3600, "60:00"},
                   {4000, "66:40"}, {6000, "100:00"}, {599999, "9999:59"}};
    for (const auto &c : formats)
        EXPECT_EQ(FormatLength(c.seconds), QLatin1String(c.text));

    struct
    {
        const char *text;
        int seconds;
    } parses[] = {{"03:25", 205}, {"3:25", 5},   {"", 0},
                  {"ab:cd", 0},   {"10:0", 600}, {" 2: 7", 127}};
    for (const auto &c : parses)
        EXPECT_EQ(ParseLength(QLatin1String(c.text)), c.seconds) << c.text;

    EXPECT_EQ(ShortenText(QString(250, u'x')).size(), 250);
    EXPECT_EQ(ShortenText(QString(251, u'x')), QString(250, u'x') + QStringLiteral("..."));
    EXPECT_EQ(StripLeadingZeros(QStringLiteral("000")), QString());
    EXPECT_EQ(StripLeadingZeros(QStringLiteral("0070")), QStringLiteral("70"));
    const QString unsafe = QStringLiteral("a\"b*c/d:e<f>g?h\\i|j");
    EXPECT_EQ(MakeFileNameSafe(unsafe), QStringLiteral("a b c d e f g h i j"));
    QStringList words;
    SplitWords(QStringLiteral("a  b "), words);
    EXPECT_EQ(words, QStringList({QStringLiteral("a"), QString(), QStringLiteral("b"), QString()}));
    EXPECT_EQ(GetVersionText(true), QStringLiteral("3.1"));
    EXPECT_EQ(ApplicationTitle(), QStringLiteral("Qel Music 3.1"));
}

TEST(GeneralFunctions, MailAddress)
{
    QString user = QStringLiteral("keep"), host = QStringLiteral("keep");
    EXPECT_FALSE(SplitMailAddress(QStringLiteral("nobody"), user, host));
    EXPECT_EQ(user, QStringLiteral("keep"));
    ASSERT_TRUE(SplitMailAddress(QStringLiteral(" mara k&j @ example.org "), user, host));
    EXPECT_EQ(user, QStringLiteral("mara_k_j"));
    EXPECT_EQ(host, QStringLiteral("example.org"));
}

TEST(GeneralFunctions, CenterOnOwnerStaysOnScreen)
{
    EXPECT_EQ(CenterOnOwnerPos({100, 50}, {200, 200, 400, 300}, {1920, 1080}), QPoint(350, 325));
    EXPECT_EQ(CenterOnOwnerPos({400, 300}, {-500, -500, 100, 100}, {1920, 1080}), QPoint(0, 0));
    EXPECT_EQ(CenterOnOwnerPos({400, 300}, {1800, 1000, 100, 100}, {1920, 1080}),
              QPoint(1520, 780));
}
