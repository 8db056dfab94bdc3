#include "exchange/biginifile.h"
#include "testsupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {

TBigIniFile *loaded(TBigIniFile &ini, const QByteArray &bytes)
{
    ini.LoadFromBytes(bytes);
    return &ini;
}

ino_t inodeOf(const QString &path)
{
    struct stat st
    {
    };
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_ino;
}

} // namespace

TEST(BigIniFile, ReadsIntegersInDecimalAndBothHexadecimalForms)
{
    const struct
    {
        const char *value;
        qint32 expected;
    } cases[] = {
        {"0x1A", 26},        {"0X1a", 26},
        {"$1A", 26},         {"26", 26},
        {"1A", -7},          {"", -7},
        {"0x", -7},          {"$", -7},
        {"-12", -12},        {"2147483647", 2147483647},
        {"2147483648", -7},  {"0xFFFFFFFF", -1},
        {"0x100000000", -7}, {"12 ", -7},
        {"abc", -7},
    };
    for (const auto &c : cases) {
        TBigIniFile ini;
        ini.LoadFromBytes(QByteArray("[s]\r\nv=") + c.value + "\r\n");
        EXPECT_EQ(ini.ReadInteger(QStringLiteral("s"), QStringLiteral("v"), -7), c.expected)
            << c.value;
    }
    TBigIniFile ini;
    ini.LoadFromBytes("[s]\r\nyes=0x1\r\nno=0\r\nbad=x\r\n");
    EXPECT_TRUE(ini.ReadBool(QStringLiteral("s"), QStringLiteral("yes"), false));
    EXPECT_FALSE(ini.ReadBool(QStringLiteral("s"), QStringLiteral("no"), true));
    EXPECT_TRUE(ini.ReadBool(QStringLiteral("s"), QStringLiteral("bad"), true));
    EXPECT_FALSE(ini.ReadBool(QStringLiteral("s"), QStringLiteral("missing"), false));
}

TEST(BigIniFile, KeepsTheFirstOfEqualSectionsAndDropsWhatNoSectionHolds)
{
    TBigIniFile ini;
    loaded(ini, "before=1\r\n"
                "[a]\r\nx=first\r\n; a comment\r\n\r\n"
                "[A]\r\nx=second\r\ny=2\r\n"
                "[empty]\r\n"
                "[d]\r\n[b] \r\nstill in d\r\n"
                "\x1a\r\n"
                "[c]\nz=3\rw=4");
    QStringList sections;
    ini.ReadSections(sections);
    EXPECT_EQ(sections, (QStringList{QStringLiteral("a"), QStringLiteral("empty"),
                                     QStringLiteral("d"), QStringLiteral("c")}));
    EXPECT_EQ(ini.ReadString(QStringLiteral("A"), QStringLiteral("X"), {}),
              QStringLiteral("first"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("a"), QStringLiteral("y"), QStringLiteral("none")),
              QStringLiteral("none"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("c"), QStringLiteral("w"), {}), QStringLiteral("4"));
    EXPECT_TRUE(ini.Modified()); // so that the duplicate goes at the next write
    EXPECT_EQ(ini.ToBytes(),
              QByteArray("[a]\r\nx=first\r\n; a comment\r\n\r\n[d]\r\n[b] \r\nstill in d\r\n\r\n"
                         "[c]\r\nz=3\r\nw=4\r\n\r\n"));

    // Without duplicates nothing is pending.
    TBigIniFile clean;
    loaded(clean, "[a]\r\nx=1\r\n");
    EXPECT_FALSE(clean.Modified());
}

TEST(BigIniFile, CutsLinesAt255Characters)
{
    TBigIniFile ini;
    const QByteArray value(300 - 2, 'v');
    loaded(ini, "[s]\r\nk=" + value + "\r\nnext=1\r\n");
    EXPECT_EQ(ini.ReadString(QStringLiteral("s"), QStringLiteral("k"), {}).size(), 253);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("s"), QStringLiteral("next"), 0), 1);

    ini.WriteString(QStringLiteral("s"), QStringLiteral("w"), QString(400, u'x'));
    EXPECT_EQ(ini.ReadString(QStringLiteral("s"), QStringLiteral("w"), {}).size(), 253);
}

TEST(BigIniFile, KeepsCp1252BytesAndEveryOtherCharacter)
{
    TBigIniFile ini;
    loaded(ini, "[s]\r\nt=Caf\xe9 \x80\r\n");
    EXPECT_EQ(ini.ReadString(QStringLiteral("s"), QStringLiteral("t"), {}),
              QStringLiteral("Café €"));
    ini.WriteString(QStringLiteral("s"), QStringLiteral("u"), QStringLiteral("Łódź & co"));
    TBigIniFile again;
    loaded(again, ini.ToBytes());
    EXPECT_EQ(again.ReadString(QStringLiteral("s"), QStringLiteral("t"), {}),
              QStringLiteral("Café €"));
    EXPECT_EQ(again.ReadString(QStringLiteral("s"), QStringLiteral("u"), {}),
              QStringLiteral("Łódź & co"));
    EXPECT_TRUE(ini.ToBytes().contains("Caf\xe9 \x80"));

    // A line break in a value stays in the value.
    ini.WriteString(QStringLiteral("s"), QStringLiteral("lines"), QStringLiteral("one\r\ntwo"));
    ini.WriteString(QStringLiteral("s"), QStringLiteral("after"), QStringLiteral("1"));
    TBigIniFile third;
    loaded(third, ini.ToBytes());
    EXPECT_EQ(third.ReadString(QStringLiteral("s"), QStringLiteral("lines"), {}),
              QStringLiteral("one\r\ntwo"));
    EXPECT_EQ(third.ReadString(QStringLiteral("s"), QStringLiteral("after"), {}),
              QStringLiteral("1"));
}

TEST(BigIniFile, WritesEntriesInPlaceAndSectionsAtTheEnd)
{
    TBigIniFile ini;
    loaded(ini, "[one]\r\nkey=old\r\nother\r\n[two]\r\nk=v\r\n");
    ini.WriteString(QStringLiteral("ONE"), QStringLiteral("KEY"), QStringLiteral("new"));
    ini.WriteString(QStringLiteral("three"), QStringLiteral("n"), QStringLiteral("3"));
    ini.WriteInteger(QStringLiteral("two"), QStringLiteral("i"), -5);
    ini.WriteBool(QStringLiteral("two"), QStringLiteral("b"), true);
    EXPECT_EQ(ini.ToBytes(), QByteArray("[one]\r\nKEY=new\r\nother\r\n\r\n"
                                        "[two]\r\nk=v\r\ni=-5\r\nb=1\r\n\r\n"
                                        "[three]\r\nn=3\r\n\r\n"));
    QStringList names;
    ini.ReadSection(QStringLiteral("one"), names);
    EXPECT_EQ(names, QStringList{QStringLiteral("KEY")}); // "other" is no entry
    QStringList lines;
    ini.ReadSectionValues(QStringLiteral("one"), lines);
    EXPECT_EQ(lines, (QStringList{QStringLiteral("KEY=new"), QStringLiteral("other")}));

    ini.DeleteKey(QStringLiteral("two"), QStringLiteral("K"));
    ini.EraseSection(QStringLiteral("one"));
    // An empty name erases the section named.
    ini.WriteString(QStringLiteral("three"), QString(), QStringLiteral("x"));
    // A key of a missing section creates it empty, which is not written.
    ini.DeleteKey(QStringLiteral("four"), QStringLiteral("k"));
    EXPECT_EQ(ini.ToBytes(), QByteArray("[two]\r\ni=-5\r\nb=1\r\n\r\n"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("two"), QStringLiteral("b"), {}), QStringLiteral("1"));
}

TEST(BigIniFile, SearchesStartWhereTheLastOneSucceeded)
{
    TBigIniFile ini;
    loaded(ini, "[a]\r\nx=1\r\n[b]\r\nx=2\r\n[c]\r\nx=3\r\n");
    EXPECT_EQ(ini.CurrentSection(), 0);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("c"), QStringLiteral("x"), 0), 3);
    EXPECT_EQ(ini.CurrentSection(), 2);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("a"), QStringLiteral("x"), 0), 1); // wraps
    EXPECT_EQ(ini.CurrentSection(), 0);
    ini.ReadInteger(QStringLiteral("missing"), QStringLiteral("x"), 0);
    EXPECT_EQ(ini.CurrentSection(), 0);

    QStringList lines;
    ini.ReadSectionValues(QStringLiteral("b"), lines);
    EXPECT_EQ(ini.LastFound(), 1);
    ini.EraseSection(QStringLiteral("b"));
    EXPECT_EQ(ini.LastFound(), 0);
    ini.WriteString(QStringLiteral("c"), QStringLiteral("x"), QStringLiteral("9"));
    EXPECT_EQ(ini.CurrentSection(), 1);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("c"), QStringLiteral("x"), 0), 9);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("a"), QStringLiteral("x"), 0), 1);
}

TEST(BigIniFile, WritesTheFileOnlyWhenSomethingChanged)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("cdplayer.ini"));
    {
        TBigIniFile ini(path); // missing: read as empty
        EXPECT_EQ(ini.SectionCount(), 0);
        ini.WriteString(QStringLiteral("s"), QStringLiteral("k"), QStringLiteral("v"));
    } // written by the destructor
    EXPECT_EQ(ReadFileBytes(path), QByteArray("[s]\r\nk=v\r\n\r\n"));

    const ino_t before = inodeOf(path);
    {
        TBigIniFile ini(path);
        ini.WriteString(QStringLiteral("s"), QStringLiteral("k"), QStringLiteral("v"));
        EXPECT_FALSE(ini.Modified());
        EXPECT_TRUE(ini.UpdateFile());
    }
    EXPECT_EQ(inodeOf(path), before); // not even rewritten

    // Duplicates alone make the next update rewrite the file.
    WriteFileBytes(path, "[a]\r\nx=1\r\n[A]\r\nx=2\r\n");
    {
        TBigIniFile ini(path);
    }
    EXPECT_EQ(ReadFileBytes(path), QByteArray("[a]\r\nx=1\r\n\r\n"));
}

TEST(BigIniFile, AFailedWriteLeavesTheFileWholeAndTheChangesPending)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("cdplayer.ini"));
    const QByteArray old = "[s]\r\nk=v\r\n\r\n";
    WriteFileBytes(path, old);
    TBigIniFile ini(path);
    for (int i = 0; i < 200; ++i)
        ini.WriteString(QStringLiteral("s%1").arg(i), QStringLiteral("title"), QString(200, u't'));
    {
        TFileSizeLimit limit(4096);
        EXPECT_FALSE(ini.UpdateFile());
    }
    EXPECT_TRUE(ini.ErrorString().contains(QStringLiteral("cdplayer.ini")))
        << ini.ErrorString().toStdString();
    EXPECT_EQ(ReadFileBytes(path), old);
    EXPECT_TRUE(ini.Modified());
    EXPECT_TRUE(ini.UpdateFile());
    EXPECT_GT(ReadFileBytes(path).size(), 40000);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1); // no temporary left

    // A folder in the file's place is reported, not read.
    TBigIniFile folder;
    EXPECT_FALSE(folder.SetFileName(dir.path()));
    EXPECT_FALSE(folder.ErrorString().isEmpty());
}
