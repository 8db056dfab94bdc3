#include "exchange/cdvalet.h"
#include "exchange/discalbums.h"
#include "exchange/mscdplayer.h"
#include "exchange/ui/wineexchange.h"
#include "exchange/winepaths.h"
#include "model/album.h"
#include "model/lookuplist.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "shell/dmglobal.h"
#include "shell/settingsstore.h"
#include "testsupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A WINEPREFIX of its own for one test; restored afterwards.
class TWinePrefix
{
public:
    TWinePrefix()
    {
        m_old = qgetenv("WINEPREFIX");
        m_had = qEnvironmentVariableIsSet("WINEPREFIX");
        qputenv("WINEPREFIX", QFile::encodeName(m_dir.path()));
    }
    ~TWinePrefix()
    {
        if (m_had)
            qputenv("WINEPREFIX", m_old);
        else
            qunsetenv("WINEPREFIX");
    }
    QString path(const QString &relative = {}) const
    {
        return relative.isEmpty() ? m_dir.path() : m_dir.filePath(relative);
    }

private:
    QTemporaryDir m_dir;
    QByteArray m_old;
    bool m_had = false;
};

void addScannedAlbum(TQelDb &db, const QString &title, qint32 msId)
{
    auto *album = new TAlbum(&db);
    album->Title = title;
    album->Artist = db.LookupList(fdArtist).GetOrAddShown(QStringLiteral("Artist"));
    auto *disc = new TDisc(album);
    album->Add(disc);
    disc->Index = 1;
    disc->MsDiscId = msId;
    disc->CddbDiscId = 0x02000001;
    disc->LeadOut = 7650;
    auto *track = new TTrack(disc);
    disc->Add(track);
    track->Title = QStringLiteral("Song");
    track->Position = 1;
    track->StartFrame = 150;
    disc->RebuildTrackList();
    db.AddAlbum(album);
}

// The file dialogs, answered by the test; they record how they were asked.
struct TChooser
{
    TChooser()
    {
        ChooseCdPlayerIni = [this](QWidget *, const QString &caption, bool forSaving) {
            asked << caption + (forSaving ? QStringLiteral(" (save)") : QString());
            return answer;
        };
        ChooseCdValetFolder = [this](QWidget *, const QString &caption) {
            asked << caption;
            return answer;
        };
    }
    ~TChooser()
    {
        ChooseCdPlayerIni = m_ini;
        ChooseCdValetFolder = m_folder;
    }
    QStringList asked;
    QString answer;

private:
    TChooseCdPlayerIni m_ini = ChooseCdPlayerIni;
    TChooseCdValetFolder m_folder = ChooseCdValetFolder;
};

} // namespace

TEST(WineExchange, WithoutWineTheFileIsAskedForOnceAndKept)
{
    TTestHome home;
    TWinePrefix prefix; // empty: Wine never ran
    TMemorySettingsStore store;
    TdmGlobal dm{QStringList{}, &store};
    TScriptedInterface ui;
    TChooser chooser;
    TQelDb db;
    addScannedAlbum(db, QStringLiteral("Kept"), 0xABC);

    // Cancelled: nothing written, nothing kept.
    EXPECT_FALSE(ExportToCdPlayer(nullptr, db, dm));
    EXPECT_EQ(chooser.asked, QStringList{QStringLiteral("Save CDPLAYER.INI (save)")});
    EXPECT_EQ(ui.messages, QStringList{QStringLiteral("1 Albums in database. Do you want to export "
                                                      "these to your CDPLAYER.INI file now?")});
    EXPECT_TRUE(FindCdPlayerIni(store).isEmpty());

    const QString folder = home.file(QStringLiteral("player"));
    QDir().mkpath(folder);
    chooser.answer = folder + QStringLiteral("/cdplayer.ini");
    ui.messages.clear();
    EXPECT_FALSE(ExportToCdPlayer(nullptr, db, dm)); // the collection is unchanged
    EXPECT_EQ(ui.messages.last(), QStringLiteral("Added 1 CDs to CDPLAYER.INI"));
    EXPECT_EQ(store.ReadString(QStringLiteral("CdPlayer"), QStringLiteral("WindowsFolder"), {}),
              folder);

    // From now on the setting says where the file is.
    chooser.asked.clear();
    TQelDb empty;
    EXPECT_TRUE(ImportFromCdPlayer(nullptr, empty, dm));
    EXPECT_TRUE(chooser.asked.isEmpty());
    ASSERT_EQ(empty.AlbumCount(), 1);
    EXPECT_EQ(empty.Album(0)->Title.toString(), QStringLiteral("Kept"));

    // CD Valet the same way; a cancelled choice says that CD Valet is not there.
    chooser.answer.clear();
    ui.messages.clear();
    EXPECT_FALSE(ImportFromCdValet(nullptr, empty, dm));
    EXPECT_EQ(chooser.asked.last(), QStringLiteral("Choose the CDValet folder"));
    EXPECT_EQ(ui.messages, QStringList{QStringLiteral(
                               "Qel could not find the CDValet application on this machine.")});
    chooser.answer = home.path();
    EXPECT_FALSE(ExportToCdValet(nullptr, db, dm));
    EXPECT_EQ(ui.messages.last(), QStringLiteral("Added 1 CDs to CDValet database"));
    EXPECT_TRUE(QFile::exists(home.file(QStringLiteral("CDValet.dat"))));
    EXPECT_EQ(FindCdValetFolder(store), home.path() + u'/');
}

TEST(WineExchange, FindsTheFilesInAWinePrefix)
{
    TTestHome home;
    TWinePrefix prefix;
    TMemorySettingsStore store;
    EXPECT_TRUE(FindCdPlayerIni(store).isEmpty());
    EXPECT_TRUE(FindCdValetFolder(store).isEmpty());

    QDir().mkpath(prefix.path(QStringLiteral("drive_c/windows")));
    EXPECT_EQ(FindCdPlayerIni(store), prefix.path(QStringLiteral("drive_c/windows/cdplayer.ini")));
    WriteFileBytes(prefix.path(QStringLiteral("drive_c/windows/CDPLAYER.INI")), "");
    EXPECT_EQ(FindCdPlayerIni(store), prefix.path(QStringLiteral("drive_c/windows/CDPLAYER.INI")));

    // The installer's registry value, in another case than the folder on disk.
    QDir().mkpath(prefix.path(QStringLiteral("drive_c/Program Files (x86)/CD Valet")));
    WriteFileBytes(
        prefix.path(QStringLiteral("system.reg")),
        "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n"
        "[Software\\\\GHL Software\\\\CDValet\\\\CurrentVersion] 1700000000\n"
        "\"MainDirectory\"=\"C:\\\\wrong\\\\\"\n\n"
        "[Software\\\\Wow6432Node\\\\GHL Software\\\\CDValet\\\\CurrentVersion\\\\Options] "
        "1700000000\n#time=1d9e0e0e0e0e0e0\n"
        "\"Other\"=dword:00000001\n"
        "\"MainDirectory\"=\"C:\\\\program files (x86)\\\\cd valet\\\\\"\n");
    EXPECT_EQ(FindCdValetFolder(store),
              prefix.path(QStringLiteral("drive_c/Program Files (x86)/CD Valet/")));

    // The settings come first.
    SetCdValetFolder(store, home.path());
    EXPECT_EQ(FindCdValetFolder(store), home.path() + u'/');
    SetCdPlayerFolder(store, home.path());
    EXPECT_EQ(FindCdPlayerIni(store), home.file(QStringLiteral("cdplayer.ini")));
}

TEST(WineExchange, ReadsRegistryValuesWithTheirEscapes)
{
    const QByteArray reg = "[Software\\\\A] 1\n"
                           "\"Plain\"=\"C:\\\\x\"\n"
                           "\"Quoted\"=\"say \\\"hi\\\"\"\n"
                           "\"Expand\"=str(2):\"%ProgramFiles%\\\\y\"\n"
                           "\"Wide\"=\"caf\\x00e9\"\n"
                           "\"Number\"=dword:00000010\n"
                           "[Software\\\\B] 1\n"
                           "\"Plain\"=\"other\"\n";
    const struct
    {
        const char *key, *name, *value;
    } cases[] = {
        {"Software\\A", "Plain", "C:\\x"},       {"software\\a", "plain", "C:\\x"},
        {"Software\\A", "Quoted", "say \"hi\""}, {"Software\\A", "Expand", "%ProgramFiles%\\y"},
        {"Software\\A", "Wide", "caf\xc3\xa9"},  {"Software\\A", "Number", ""},
        {"Software\\B", "Plain", "other"},       {"Software\\C", "Plain", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ReadWineRegistryString(reg, QLatin1String(c.key), QLatin1String(c.name)),
                  QString::fromUtf8(c.value))
            << c.key << " " << c.name;
    EXPECT_TRUE(
        WindowsPathInPrefix(QStringLiteral("/p"), QStringLiteral("\\\\server\\x")).isEmpty());
    EXPECT_EQ(WindowsPathInPrefix(QStringLiteral("/p"), QStringLiteral("D:\\a\\b")),
              QStringLiteral("/p/dosdevices/d:/a/b"));
}

TEST(WineExchange, TheCommandLineExchangesBothWays)
{
    TTestHome home;
    TWinePrefix prefix;
    TQelDb db;
    addScannedAlbum(db, QStringLiteral("First"), 0x111);
    addScannedAlbum(db, QStringLiteral("Second"), 0x222);
    const QString full = home.file(QStringLiteral("full.qel"));
    const QString empty = home.file(QStringLiteral("empty.qel"));
    db.Save(full);
    TQelDb().Save(empty);

    TRunResult r = RunQel({QStringLiteral("export"), QStringLiteral("cdvalet"), full, home.path()});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QByteArray("Added 2 CDs to CDValet database\n"));
    r = RunQel({QStringLiteral("import"), QStringLiteral("cdvalet"), empty, home.path()});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QByteArray("Imported 2 CDs\n"));
    TQelDb back;
    back.ReadFile(empty, false);
    ASSERT_EQ(back.AlbumCount(), 2);
    EXPECT_EQ(back.Album(1)->Title.toString(), QStringLiteral("Second"));

    const QString ini = home.file(QStringLiteral("cdplayer.ini"));
    r = RunQel({QStringLiteral("export"), QStringLiteral("cdplayer"), full, ini});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QByteArray("Added 2 CDs to CDPLAYER.INI\n"));
    r = RunQel({QStringLiteral("import"), QStringLiteral("cdplayer"), empty, ini});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out,
              QByteArray("Imported 0 CDs\nSkipped 2 CDs because they were already in your Qel "
                         "database.\n"));

    // Failures: no file to be found, and a locked catalogue.
    r = RunQel({QStringLiteral("import"), QStringLiteral("cdplayer"), empty});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains("no cdplayer.ini")) << r.err.toStdString();
    r = RunQel({QStringLiteral("import"), QStringLiteral("cdplayer"), empty,
                home.file(QStringLiteral("missing.ini"))});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains("no such file")) << r.err.toStdString();
    r = RunQel({QStringLiteral("export"), QStringLiteral("cdvalet"), full});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains("could not find the CDValet application")) << r.err.toStdString();
    WriteFileBytes(home.file(QStringLiteral("CDValet.toc")), "999\r\n");
    r = RunQel({QStringLiteral("import"), QStringLiteral("cdvalet"), empty, home.path()});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains("Error reading CDValet database")) << r.err.toStdString();
}
