#include "shell/settingsstore.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QSettings>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

enum class TKind { String, Integer, Bool, Float, Date, Binary };

QVariant readAs(const TSettingsStore &s, TKind kind, const QVariant &def)
{
    const QString sec = QStringLiteral("S"), name = QStringLiteral("v");
    switch (kind) {
    case TKind::String:
        return s.ReadString(sec, name, def.toString());
    case TKind::Integer:
        return s.ReadInteger(sec, name, def.toInt());
    case TKind::Bool:
        return s.ReadBool(sec, name, def.toBool());
    case TKind::Float:
        return s.ReadFloat(sec, name, def.toDouble());
    case TKind::Date:
        return s.ReadDate(sec, name, def.toDouble());
    case TKind::Binary:
        return s.ReadBinary(sec, name, def.toByteArray());
    }
    return {};
}

// A store holding what write put there: in memory, or read back from a new file.
using TBackend = std::function<std::unique_ptr<TSettingsStore>(
    const std::function<void(TSettingsStore &)> &write)>;

std::unique_ptr<TSettingsStore> inMemory(const std::function<void(TSettingsStore &)> &write)
{
    auto s = std::make_unique<TMemorySettingsStore>();
    write(*s);
    return s;
}

std::unique_ptr<TSettingsStore> throughFile(const std::function<void(TSettingsStore &)> &write)
{
    static int n = 0;
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("s%1.ini").arg(++n));
    {
        TIniSettingsStore s(path);
        write(s);
        EXPECT_TRUE(s.Sync());
    }
    return std::make_unique<TIniSettingsStore>(path);
}

const std::pair<const char *, TBackend> kBackends[] = {{"memory", inMemory},
                                                       {"ini file", throughFile}};

TEST(SettingsStore, TypedReadsRejectWhatTheyCannotRead)
{
    struct Case
    {
        const char *stored;
        TKind kind;
        QVariant def;
        QVariant expected;
    };
    const Case cases[] = {
        {"-42", TKind::Integer, 7, -42},
        {"abc", TKind::Integer, 7, 7},
        {"12abc", TKind::Integer, 7, 7},
        {"3.5", TKind::Integer, 7, 7},
        {"", TKind::Integer, 7, 7},
        {"2147483648", TKind::Integer, 7, 7},
        {"1", TKind::Bool, false, true},
        {"0", TKind::Bool, true, false},
        {"2", TKind::Bool, false, false},
        {"2", TKind::Bool, true, true},
        {"true", TKind::Bool, false, false},
        {"12.5", TKind::Float, 1.5, 12.5},
        {"abc", TKind::Float, 1.5, 1.5},
        {"inf", TKind::Float, 1.5, 1.5},
        {"nan", TKind::Float, 1.5, 1.5},
        {"1e999", TKind::Float, 1.5, 1.5},
        {"45000.25", TKind::Date, 0.0, 45000.25},
        {"-", TKind::Date, 0.0, 0.0},
        {"abc", TKind::Binary, QByteArray("def"), QByteArray("def")},
    };
    for (const auto &[backendName, backend] : kBackends) {
        for (const Case &c : cases) {
            const auto store = backend([&](TSettingsStore &s) {
                s.WriteString(QStringLiteral("S"), QStringLiteral("v"),
                              QString::fromUtf8(c.stored));
            });
            EXPECT_EQ(readAs(*store, c.kind, c.def), c.expected)
                << backendName << ": \"" << c.stored << "\" as kind " << int(c.kind);
        }
        const auto binary = backend([](TSettingsStore &s) {
            s.WriteBinary(QStringLiteral("S"), QStringLiteral("v"), QByteArray("12"));
        });
        EXPECT_EQ(binary->ReadInteger(QStringLiteral("S"), QStringLiteral("v"), 7), 7)
            << backendName;
        EXPECT_EQ(binary->ReadString(QStringLiteral("S"), QStringLiteral("v"), QStringLiteral("d")),
                  QStringLiteral("d"))
            << backendName;
    }
}

TEST(SettingsStore, WrittenValuesReadBackUnchanged)
{
    const QStringList texts = {QStringLiteral(""),
                               QStringLiteral("a, b"),
                               QStringLiteral("@ByteArray(x)"),
                               QStringLiteral("  padded "),
                               QStringLiteral("quote \" ; semicolon = equals"),
                               QStringLiteral("line\r\nbreak"),
                               QStringLiteral("C:\\back\\slash"),
                               QStringLiteral("\u00fc\u20ac\u4e2d")};
    const QByteArray bytes("\0\x01\xff\x80@ByteArray()", 16);
    for (const auto &[backendName, backend] : kBackends) {
        const auto store = backend([&](TSettingsStore &s) {
            for (int i = 0; i < texts.size(); ++i)
                s.WriteString(QStringLiteral("Texts"), QString::number(i), texts[i]);
            s.WriteInteger(QStringLiteral("N"), QStringLiteral("int"), -2147483647 - 1);
            s.WriteBool(QStringLiteral("N"), QStringLiteral("bool"), true);
            s.WriteFloat(QStringLiteral("N"), QStringLiteral("float"), 0.1);
            s.WriteDate(QStringLiteral("N"), QStringLiteral("date"), 36525.75);
            s.WriteBinary(QStringLiteral("N"), QStringLiteral("bin"), bytes);
        });
        for (int i = 0; i < texts.size(); ++i)
            EXPECT_EQ(store->ReadString(QStringLiteral("Texts"), QString::number(i),
                                        QStringLiteral("default")),
                      texts[i])
                << backendName << " text " << i;
        EXPECT_EQ(store->ReadInteger(QStringLiteral("N"), QStringLiteral("int"), 0),
                  -2147483647 - 1)
            << backendName;
        EXPECT_TRUE(store->ReadBool(QStringLiteral("N"), QStringLiteral("bool"), false));
        EXPECT_EQ(store->ReadFloat(QStringLiteral("N"), QStringLiteral("float"), 0), 0.1);
        EXPECT_EQ(store->ReadDate(QStringLiteral("N"), QStringLiteral("date"), 0), 36525.75);
        EXPECT_EQ(store->ReadBinary(QStringLiteral("N"), QStringLiteral("bin"), {}), bytes);
    }
}

TEST(SettingsStore, SectionsNestAndEraseWithTheirSubsections)
{
    for (const auto &[backendName, backend] : kBackends) {
        auto store = backend([](TSettingsStore &s) {
            s.WriteInteger(QStringLiteral("MainWindow\\AlbumShowFields"), QStringLiteral("Count"),
                           3);
            s.WriteInteger(QStringLiteral("MainWindow"), QStringLiteral("Left"), 10);
            s.WriteInteger(QStringLiteral("MainWindowX"), QStringLiteral("Left"), 20);
        });
        SCOPED_TRACE(backendName);
        EXPECT_TRUE(store->SectionExists(QStringLiteral("MainWindow\\AlbumShowFields")));
        EXPECT_TRUE(store->SectionExists(QStringLiteral("MainWindow")));
        EXPECT_FALSE(store->SectionExists(QStringLiteral("Main")));
        EXPECT_TRUE(store->ValueExists(QStringLiteral("MainWindow\\AlbumShowFields"),
                                       QStringLiteral("Count")));
        EXPECT_FALSE(store->ValueExists(QStringLiteral("MainWindow"), QStringLiteral("Count")));

        store->EraseSection(QStringLiteral("MainWindow"));
        EXPECT_FALSE(store->SectionExists(QStringLiteral("MainWindow\\AlbumShowFields")));
        EXPECT_FALSE(store->ValueExists(QStringLiteral("MainWindow"), QStringLiteral("Left")));
        EXPECT_EQ(store->ReadInteger(QStringLiteral("MainWindowX"), QStringLiteral("Left"), 0), 20);
    }
}

TEST(IniSettingsStore, FileLayout)
{
    TTestHome home;
    {
        TIniSettingsStore store;
        store.WriteInteger(QStringLiteral("MainWindow\\AlbumShowFields"), QStringLiteral("Count"),
                           3);
        store.WriteBool(QStringLiteral("Options"), QStringLiteral("Yes"), true);
        store.WriteBool(QStringLiteral("Options"), QStringLiteral("No"), false);
        store.WriteFloat(QStringLiteral("Defaults"), QStringLiteral("PurchasePrice"), 12.5);
    }
    const QString path = home.file(QStringLiteral("config/Qelmusic3/Qelmusic3.ini"));
    ASSERT_TRUE(QFileInfo::exists(path));

    QSettings ini(path, QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("MainWindow"));
    EXPECT_EQ(ini.childGroups(), QStringList{QStringLiteral("AlbumShowFields")});
    ini.endGroup();
    EXPECT_EQ(ini.value(QStringLiteral("MainWindow/AlbumShowFields/Count")), QStringLiteral("3"));
    EXPECT_EQ(ini.value(QStringLiteral("Options/Yes")), QStringLiteral("1"));
    EXPECT_EQ(ini.value(QStringLiteral("Options/No")), QStringLiteral("0"));
    EXPECT_EQ(ini.value(QStringLiteral("Defaults/PurchasePrice")), QStringLiteral("12.5"));
}

TEST(IniSettingsStore, FailedSaveKeepsThePreviousFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Qelmusic3.ini"));
    {
        TIniSettingsStore first(path);
        first.WriteString(QStringLiteral("Folders"), QStringLiteral("Data"),
                          QStringLiteral("/music"));
    }
    const QByteArray before = ReadFileBytes(path);
    ASSERT_FALSE(before.isEmpty());

    TIniSettingsStore store(path);
    for (int i = 0; i < 300; ++i)
        store.WriteString(QStringLiteral("Big"), QString::number(i), QString(40, u'x'));
    {
        TFileSizeLimit limit(4096);
        EXPECT_FALSE(store.Sync());
    }
    EXPECT_EQ(ReadFileBytes(path), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("Qelmusic3.ini")});

    EXPECT_TRUE(store.ErrorString().contains(path)) << store.ErrorString().toStdString();

    // The values wait in memory for the next try.
    ASSERT_TRUE(store.Sync());
    const TIniSettingsStore reread(path);
    EXPECT_EQ(reread.ReadString(QStringLiteral("Big"), QStringLiteral("299"), {}),
              QString(40, u'x'));
    EXPECT_EQ(reread.ReadString(QStringLiteral("Folders"), QStringLiteral("Data"), {}),
              QStringLiteral("/music"));
}

// Settings kept in a dotfiles folder and linked into place.
TEST(IniSettingsStore, ALinkedFileStaysALinkAndKeepsItsPermissions)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("dotfiles")));
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("config")));
    const QString target = dir.filePath(QStringLiteral("dotfiles/qelmusic.ini"));
    const QString link = dir.filePath(QStringLiteral("config/Qelmusic3.ini"));
    WriteFileBytes(target, "[Folders]\nData=/music\n");
    ASSERT_TRUE(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner));
    ASSERT_TRUE(QFile::link(QStringLiteral("../dotfiles/qelmusic.ini"), link));

    {
        TIniSettingsStore store(link);
        EXPECT_EQ(store.ReadString(QStringLiteral("Folders"), QStringLiteral("Data"), {}),
                  QStringLiteral("/music"));
        store.WriteString(QStringLiteral("Folders"), QStringLiteral("Covers"),
                          QStringLiteral("/covers"));
        ASSERT_TRUE(store.Sync()) << store.ErrorString().toStdString();
    }
    const QFileInfo linkInfo(link);
    EXPECT_TRUE(linkInfo.isSymLink());
    EXPECT_EQ(linkInfo.symLinkTarget(), target);
    EXPECT_TRUE(ReadFileBytes(target).contains("Covers=/covers"));
    struct stat st
    {
    };
    ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(QDir(dir.filePath(QStringLiteral("config")))
                  .entryList(QDir::Files | QDir::Hidden | QDir::System),
              QStringList{QStringLiteral("Qelmusic3.ini")});
    EXPECT_EQ(QDir(dir.filePath(QStringLiteral("dotfiles"))).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("qelmusic.ini")});
}

// Values a hand-edited file may hold that do not come back from a rewrite as they
// went in (QSettings keeps floats and one-item lists as text, and a NaN equals
// nothing): the file must still be saved, and the value kept.
TEST(IniSettingsStore, OddStoredValuesDoNotBlockSaving)
{
    struct Case
    {
        const char *line;
        const char *kept; // what the rewritten file holds for it
    };
    const Case cases[] = {
        {R"(odd=@Variant(\0\0\0\x6\x7f\xf8\0\0\0\0\0\0))", "odd=nan"},      // double NaN
        {R"(odd=@Variant(\0\0\0&\x7f\xc0\0\0))", "odd=nan"},                // float NaN
        {R"(odd=@Variant(\0\0\0\xb\0\0\0\x1\0\0\0\x2\0x))", "odd=x"},       // list of one
        {R"(odd=@Variant(\0\0\0\t\0\0\0\x1\0\0\0\x6\x7f\xf8\0\0\0\0\0\0))", // list holding a NaN
         R"(odd=@Variant(\0\0\0\t\0\0\0\x1\0\0\0\x6\x7f\xf8\0\0\0\0\0\0))"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Qelmusic3.ini"));
        WriteFileBytes(path, QByteArray("[S]\n") + c.line + '\n');
        for (int round = 0; round < 2; ++round) { // and again once it was rewritten
            TIniSettingsStore store(path);
            store.WriteInteger(QStringLiteral("S"), QStringLiteral("round"), round);
            ASSERT_TRUE(store.Sync()) << round;
            const TIniSettingsStore reread(path);
            EXPECT_EQ(reread.ReadInteger(QStringLiteral("S"), QStringLiteral("round"), -1), round);
            EXPECT_TRUE(ReadFileBytes(path).contains(c.kept)) << ReadFileBytes(path).toStdString();
        }
    }
}

// Rewrites of the same size within one millisecond (easy on tmpfs, where fsync costs
// nothing) must still read back what was written last.
TEST(IniSettingsStore, RereadsAFileRewrittenAtOnce)
{
    QTemporaryDir shm(QStringLiteral("/dev/shm/qeltest-XXXXXX"));
    QTemporaryDir tmp;
    const QString path = (shm.isValid() ? shm : tmp).filePath(QStringLiteral("Qelmusic3.ini"));
    for (int i = 0; i < 100; ++i) {
        {
            TIniSettingsStore store(path);
            store.WriteBool(QStringLiteral("Options"), QStringLiteral("Flag"), i % 2);
        }
        const TIniSettingsStore reread(path);
        ASSERT_EQ(reread.ReadBool(QStringLiteral("Options"), QStringLiteral("Flag"), false), i % 2)
            << i;
    }
}

} // namespace
