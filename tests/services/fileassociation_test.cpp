#include "services/fileassociation.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

// Identifies one version of a file: an atomic rewrite makes a new inode.
struct TFileVersion
{
    ino_t inode = 0;
    qint64 mtimeNs = 0;
    bool operator==(const TFileVersion &) const = default;
};

TFileVersion versionOf(const QString &path)
{
    struct stat st
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return {st.st_ino, qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

QMap<QString, QString> desktopEntry(const QString &path)
{
    QMap<QString, QString> keys;
    for (const QByteArray &line : ReadFileBytes(path).split('\n')) {
        const qsizetype eq = line.indexOf('=');
        if (eq > 0)
            keys.insert(QString::fromUtf8(line.left(eq)), QString::fromUtf8(line.mid(eq + 1)));
    }
    return keys;
}

TEST(TAssociate, NormalizeExtension)
{
    const std::pair<const char *, const char *> cases[] = {
        {"qel", ".qel"}, {".qel", ".qel"}, {"x.qel", ".qel"}, {"QEL", ".QEL"}};
    for (const auto &[in, out] : cases)
        EXPECT_EQ(TAssociate::NormalizeExtension(QString::fromLatin1(in)), QString::fromLatin1(out))
            << in;
}

TEST(TAssociate, DesktopExecFromCommandLine)
{
    const std::pair<const char *, const char *> cases[] = {
        {R"("/usr/bin/qelmusic" "%1")", "/usr/bin/qelmusic %f"},
        {R"("/opt/Qel Music/qelmusic" "%1")", R"("/opt/Qel Music/qelmusic" %f)"},
        // Quoted: $ and \ escaped; everywhere: a literal % doubled.
        {R"("/tmp/a$b\c" "%1")", R"("/tmp/a\$b\\c" %f)"},
        {R"(/tmp/100%/qelmusic %1)", "/tmp/100%%/qelmusic %f"},
    };
    for (const auto &[in, out] : cases)
        EXPECT_EQ(TAssociate::DesktopExec(QString::fromLatin1(in)), QString::fromLatin1(out)) << in;
}

// The arguments of an Exec value as a desktop reads them: the string escapes undone
// first, then the quoting, "%%" as "%".
QStringList execArguments(const QString &value)
{
    QString unescaped;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c != u'\\' || i + 1 == value.size()) {
            unescaped += c;
            continue;
        }
        const QChar e = value[++i];
        unescaped += e == u's'   ? QChar(u' ')
                     : e == u'n' ? QChar(u'\n')
                     : e == u't' ? QChar(u'\t')
                     : e == u'r' ? QChar(u'\r')
                                 : e;
    }
    QStringList args;
    QString current;
    bool quoted = false, inArg = false;
    for (qsizetype i = 0; i < unescaped.size(); ++i) {
        const QChar c = unescaped[i];
        if (quoted && c == u'\\' && i + 1 < unescaped.size()) {
            current += unescaped[++i];
        } else if (c == u'"') {
            quoted = !quoted;
            inArg = true;
        } else if (!quoted && c == u' ') {
            if (inArg)
                args << current;
            current.clear();
            inArg = false;
        } else if (c == u'%' && i + 1 < unescaped.size() && unescaped[i + 1] == u'%') {
            current += c;
            ++i;
            inArg = true;
        } else {
            current += c;
            inArg = true;
        }
    }
    if (inArg)
        args << current;
    return args;
}

TEST(TAssociate, EveryProgramPathSurvivesTheExecLine)
{
    TTestHome home;
    const char *const paths[] = {
        "/usr/bin/qelmusic",       // nothing to quote
        "/opt/Qel Music/qelmusic", // a blank
        "/opt/a\"b/qelmusic",      // a double quote
        "/opt/\"Qel\" Music/qel",  // two, and a blank
        R"(/tmp/a$b\c`d/qel)",     // characters escaped inside quotes
        "/tmp/100%/q'el",          // a percent sign and a single quote
        "/tmp/new\nline/qel",      // a line break
    };
    for (const char *path : paths) {
        const QString program = QString::fromUtf8(path);
        RegisterFileAssociation(program);
        const QString exec =
            desktopEntry(home.file(QStringLiteral("data/applications/qelmusic.desktop")))
                .value(QStringLiteral("Exec"));
        EXPECT_EQ(execArguments(exec), (QStringList{program, QStringLiteral("%f")}))
            << path << " gave " << exec.toStdString();
    }
}

// Stand-ins for the cache tools that log their runs and leave a cache behind.
class FileAssociation : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_oldPath = qgetenv("PATH");
        const QString log = bin.filePath(QStringLiteral("runs.log"));
        for (const auto &[tool, cache] : {std::pair{"update-mime-database", "mime.cache"},
                                          std::pair{"update-desktop-database", "mimeinfo.cache"}}) {
            const QString path = bin.filePath(QString::fromLatin1(tool));
            WriteFileBytes(path, QByteArray("#!/bin/sh\necho \"") + tool + " $1\" >> '" +
                                     QFile::encodeName(log) + "'\ntouch \"$1/" + cache + "\"\n");
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        qputenv("PATH", QFile::encodeName(bin.path()) + ':' + m_oldPath);
    }
    void TearDown() override { qputenv("PATH", m_oldPath); }

    QStringList toolRuns() const
    {
        const QString runs =
            QString::fromUtf8(ReadFileBytes(bin.filePath(QStringLiteral("runs.log"))));
        return runs.split(u'\n', Qt::SkipEmptyParts);
    }
    QString data(const QString &rel) const { return home.file(QStringLiteral("data/") + rel); }

    TTestHome home;
    QTemporaryDir bin;

private:
    QByteArray m_oldPath;
};

TEST_F(FileAssociation, WritesTheDesktopFileAndTheTypeOnce)
{
    RegisterFileAssociation(QStringLiteral("/opt/Qel Music/qelmusic"));

    const QString desktopFile = data(QStringLiteral("applications/qelmusic.desktop"));
    const QString package = data(QStringLiteral("mime/packages/qelmusic.xml"));
    const auto entry = desktopEntry(desktopFile);
    EXPECT_TRUE(ReadFileBytes(desktopFile).startsWith("[Desktop Entry]\n"));
    EXPECT_EQ(entry.value(QStringLiteral("Name")), QStringLiteral("Qel Music"));
    EXPECT_EQ(entry.value(QStringLiteral("Comment")), QStringLiteral("Qel database"));
    EXPECT_EQ(entry.value(QStringLiteral("Exec")),
              QStringLiteral("\"/opt/Qel Music/qelmusic\" %f"));
    EXPECT_EQ(entry.value(QStringLiteral("MimeType")),
              QStringLiteral("application/x-qel-database;"));
    EXPECT_EQ(entry.value(QStringLiteral("Type")), QStringLiteral("Application"));
    const QByteArray xml = ReadFileBytes(package);
    EXPECT_TRUE(xml.contains("<mime-type type=\"application/x-qel-database\">"));
    EXPECT_TRUE(xml.contains("<glob pattern=\"*.qel\"/>"));
    EXPECT_TRUE(xml.contains("value=\"\\006\\003Qel\""));
    EXPECT_EQ(toolRuns(),
              (QStringList{QStringLiteral("update-mime-database ") + data(QStringLiteral("mime")),
                           QStringLiteral("update-desktop-database ") +
                               data(QStringLiteral("applications"))}));

    // The same registration again, as at every exit: nothing written, nothing run.
    const TFileVersion desktopBefore = versionOf(desktopFile);
    const TFileVersion packageBefore = versionOf(package);
    RegisterFileAssociation(QStringLiteral("/opt/Qel Music/qelmusic"));
    EXPECT_EQ(versionOf(desktopFile), desktopBefore);
    EXPECT_EQ(versionOf(package), packageBefore);
    EXPECT_EQ(toolRuns().size(), 2);

    // The program moved: only its desktop file changes.
    RegisterFileAssociation(QStringLiteral("/usr/bin/qelmusic"));
    EXPECT_EQ(desktopEntry(desktopFile).value(QStringLiteral("Exec")),
              QStringLiteral("/usr/bin/qelmusic %f"));
    EXPECT_NE(versionOf(desktopFile), desktopBefore);
    EXPECT_EQ(versionOf(package), packageBefore);
    EXPECT_EQ(toolRuns().mid(2), QStringList{QStringLiteral("update-desktop-database ") +
                                             data(QStringLiteral("applications"))});
}

// The package is read by the real tool: glob and magic reach its databases.
TEST(FileAssociationMimeDatabase, PackageIsUnderstood)
{
    if (QStandardPaths::findExecutable(QStringLiteral("update-mime-database")).isEmpty())
        GTEST_SKIP() << "update-mime-database is not installed";
    TTestHome home;
    RegisterFileAssociation(QStringLiteral("/usr/bin/qelmusic"));
    const QString mime = home.file(QStringLiteral("data/mime/"));
    EXPECT_TRUE(ReadFileBytes(mime + QStringLiteral("globs2"))
                    .contains(":application/x-qel-database:*.qel"));
    EXPECT_TRUE(ReadFileBytes(mime + QStringLiteral("magic")).contains("\x06\x03Qel"));
}

} // namespace
