#include "exchange/winepaths.h"

#include "shell/settingsstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

const QString kCdPlayerSection = QStringLiteral("CdPlayer");
const QString kWindowsFolder = QStringLiteral("WindowsFolder");
const QString kCdValetSection = QStringLiteral("CdValet");
const QString kMainDirectory = QStringLiteral("MainDirectory");

QString withSlash(const QString &folder)
{
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

// The entry of folder named name without regard to case; name itself when none is.
QString entryIn(const QString &folder, const QString &name)
{
    const QDir dir(folder);
    if (dir.exists(name))
        return name;
    const QStringList entries =
        dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &entry : entries)
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return entry;
    return name;
}

int hexValue(QChar c)
{
    bool ok = false;
    const int value = QString(c).toInt(&ok, 16);
    return ok ? value : -1;
}

// Undoes the escapes of a registry file's quoted text (from just after the opening
// quote); stops at the closing quote.
QString unescape(QStringView text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'"')
            break;
        if (c != u'\\' || i + 1 >= text.size()) {
            out += c;
            continue;
        }
        const QChar e = text[++i];
        if (e == u'n')
            out += u'\n';
        else if (e == u'r')
            out += u'\r';
        else if (e == u't')
            out += u'\t';
        else if (e == u'0')
            break;
        else if (e == u'x') {
            char16_t v = 0;
            int digits = 0;
            while (digits < 4 && i + 1 < text.size()) {
                const int d = hexValue(text[i + 1]);
                if (d < 0)
                    break;
                v = char16_t(v * 16 + d);
                ++i;
                ++digits;
            }
            out += QChar(v);
        } else {
            out += e; // "\\" and "\""
        }
    }
    return out;
}

// A key name as it stands between the brackets of a section line.
QString unescapeKey(QStringView text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\\' && i + 1 < text.size() && text[i + 1] == u'\\')
            ++i;
        out += text[i];
    }
    return out;
}

} // namespace

QString WinePrefix()
{
    const QString prefix = qEnvironmentVariable("WINEPREFIX");
    QString path = prefix.isEmpty() ? QDir::homePath() + QStringLiteral("/.wine") : prefix;
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path;
}

QString CdPlayerIniIn(const QString &folder)
{
    return withSlash(folder) + entryIn(folder, QStringLiteral("cdplayer.ini"));
}

QString FindCdPlayerIni(const TSettingsStore &settings)
{
    const QString folder = settings.ReadString(kCdPlayerSection, kWindowsFolder, QString());
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        return CdPlayerIniIn(folder);
    const QString prefix = WinePrefix();
    const QString driveC = prefix + QStringLiteral("/drive_c");
    const QString windows = driveC + u'/' + entryIn(driveC, QStringLiteral("windows"));
    if (QFileInfo(windows).isDir())
        return CdPlayerIniIn(windows);
    return {};
}

void SetCdPlayerFolder(TSettingsStore &settings, const QString &folder)
{
    settings.WriteString(kCdPlayerSection, kWindowsFolder, folder);
}

QString FindCdValetFolder(const TSettingsStore &settings)
{
    const QString folder = settings.ReadString(kCdValetSection, kMainDirectory, QString());
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        return withSlash(folder);
    const QString prefix = WinePrefix();
    QFile reg(prefix + QStringLiteral("/system.reg"));
    if (!reg.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = reg.readAll();
    // A 32-bit program in a 64-bit prefix has its keys below Wow6432Node.
    for (const char *key :
         {"Software\\GHL Software\\CDValet\\CurrentVersion\\Options",
          "Software\\Wow6432Node\\GHL Software\\CDValet\\CurrentVersion\\Options"}) {
        const QString value = ReadWineRegistryString(bytes, QLatin1String(key), kMainDirectory);
        if (value.isEmpty())
            continue;
        const QString path = WindowsPathInPrefix(prefix, value);
        if (!path.isEmpty() && QFileInfo(path).isDir())
            return withSlash(path);
    }
    return {};
}

void SetCdValetFolder(TSettingsStore &settings, const QString &folder)
{
    settings.WriteString(kCdValetSection, kMainDirectory, folder);
}

QString ReadWineRegistryString(QByteArrayView regFile, const QString &key, const QString &name)
{
    // The file is ASCII with escapes; anything else reads as Latin-1.
    const QString text = QString::fromUtf8(regFile);
    bool inKey = false;
    qsizetype pos = 0;
    while (pos < text.size()) {
        qsizetype end = text.indexOf(u'\n', pos);
        if (end < 0)
            end = text.size();
        QStringView line = QStringView(text).sliced(pos, end - pos).trimmed();
        pos = end + 1;
        if (line.startsWith(u'[')) {
            const qsizetype close = line.lastIndexOf(u']');
            inKey = close > 0 &&
                    unescapeKey(line.sliced(1, close - 1)).compare(key, Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inKey || !line.startsWith(u'"'))
            continue;
        // "Name"="value" or "Name"=str(2):"value"
        const QString entry = unescape(line.sliced(1));
        if (entry.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        const qsizetype eq = line.indexOf(QStringLiteral("\"="));
        if (eq < 0)
            continue;
        QStringView value = line.sliced(eq + 2);
        if (value.startsWith(QStringLiteral("str(")))
            value = value.sliced(std::max<qsizetype>(value.indexOf(u':') + 1, 0));
        if (!value.startsWith(u'"'))
            return {};
        return unescape(value.sliced(1));
    }
    return {};
}

QString WindowsPathInPrefix(const QString &prefix, const QString &windowsPath)
{
    if (windowsPath.size() < 2 || windowsPath[1] != u':' || !windowsPath[0].isLetter())
        return {};
    const QChar drive = windowsPath[0].toLower();
    QString path = drive == u'c' ? prefix + QStringLiteral("/drive_c")
                                 : prefix + QStringLiteral("/dosdevices/") + drive + u':';
    const QStringList parts =
        windowsPath.mid(2).split(QRegularExpression(QStringLiteral("[\\\\/]")), Qt::SkipEmptyParts);
    for (const QString &part : parts)
        path += u'/' + entryIn(path, part);
    return path;
}
