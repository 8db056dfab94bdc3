#include "services/fileassociation.h"

#include "model/atomicfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace {

// Each cache tool gets this long; a hanging one must not hold up the program's end.
constexpr int kToolMs = 5000;

QString dataHome()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return base;
}

// Writes bytes unless the file already holds exactly them.
bool writeIfChanged(const QString &path, const QByteArray &bytes, bool &changed)
{
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.size() == bytes.size() &&
        existing.readAll() == bytes)
        return true;
    existing.close();
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    if (!WriteFileAtomically(path, bytes).isEmpty())
        return false;
    changed = true;
    return true;
}

// A string value of a desktop entry: one line, backslash escapes.
QString desktopValue(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'\\':
            out += QStringLiteral("\\\\");
            break;
        case u'\n':
            out += QStringLiteral("\\n");
            break;
        case u'\r':
            out += QStringLiteral("\\r");
            break;
        case u'\t':
            out += QStringLiteral("\\t");
            break;
        default:
            out += c;
        }
    }
    return out;
}

// One argument of an Exec line: quoted when it holds a reserved character, and
// a literal % doubled so that it is not taken for a field code.
QString execArgument(const QString &arg)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool quote = arg.isEmpty();
    for (const QChar c : arg)
        quote = quote || reserved.contains(c);
    QString out;
    if (quote)
        out += u'"';
    for (const QChar c : arg) {
        if (quote && (c == u'"' || c == u'`' || c == u'$' || c == u'\\'))
            out += u'\\';
        if (c == u'%')
            out += u'%';
        out += c;
    }
    if (quote)
        out += u'"';
    return out;
}

// Splits a command line: blanks separate, double quotes group and are dropped.
QStringList splitCommand(const QString &command)
{
    QStringList args;
    QString current;
    bool inQuotes = false, inArg = false;
    for (const QChar c : command) {
        if (c == u'"') {
            inQuotes = !inQuotes;
            inArg = true;
        } else if (!inQuotes && (c == u' ' || c == u'\t')) {
            if (inArg)
                args << current;
            current.clear();
            inArg = false;
        } else {
            current += c;
            inArg = true;
        }
    }
    if (inArg)
        args << current;
    return args;
}

// The shared-mime-info notation of bytes: printable ASCII as it is, the rest in octal.
QString magicValue(const QByteArray &bytes)
{
    QString out;
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b >= 0x20 && b < 0x7F && b != '\\' && b != '"' && b != '&' && b != '<' && b != '>')
            out += QLatin1Char(char(b));
        else
            out += QStringLiteral("\\%1").arg(uint(b), 3, 8, QLatin1Char('0'));
    }
    return out;
}

// A cache is stale when it is missing or older than the file it is built from.
bool cacheStale(const QString &cache, const QString &source)
{
    const QFileInfo c(cache);
    return !c.exists() || c.lastModified() < QFileInfo(source).lastModified();
}

void runTool(const QString &name, const QString &folder)
{
    const QString tool = QStandardPaths::findExecutable(name);
    if (tool.isEmpty())
        return;
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    p.start(tool, {folder});
    if (!p.waitForFinished(kToolMs)) {
        p.kill();
        p.waitForFinished(kToolMs);
    }
}

} // namespace

QString TAssociate::NormalizeExtension(const QString &extension)
{
    const qsizetype dot = extension.indexOf(u'.');
    if (dot >= 1)
        return extension.mid(dot);
    if (dot == 0)
        return extension;
    return u'.' + extension;
}

QString TAssociate::DesktopExec(const QString &command)
{
    return DesktopExec(splitCommand(command));
}

QString TAssociate::DesktopExec(const QStringList &arguments)
{
    QStringList out;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &arg = arguments[i];
        // The program itself is never the file, whatever its name.
        out << (i > 0 && arg == QStringLiteral("%1") ? QStringLiteral("%f") : execArgument(arg));
    }
    return out.join(u' ');
}

QString TAssociate::baseName() const
{
    QString name;
    for (const QChar c : AppKeyName)
        if (c.isLetterOrNumber() && c.unicode() < 0x80)
            name += c.toLower();
    return name;
}

QString TAssociate::DesktopFilePath() const
{
    return dataHome() + QStringLiteral("/applications/") + baseName() + QStringLiteral(".desktop");
}

QString TAssociate::PackageFilePath() const
{
    return dataHome() + QStringLiteral("/mime/packages/") + baseName() + QStringLiteral(".xml");
}

bool TAssociate::RegisterApplication()
{
    if (baseName().isEmpty())
        return false;
    QString text = QStringLiteral("[Desktop Entry]\nType=Application\n");
    text += QStringLiteral("Name=") + desktopValue(AppKeyName) + u'\n';
    if (!TypeDescription.isEmpty())
        text += QStringLiteral("Comment=") + desktopValue(TypeDescription) + u'\n';
    const QString exec =
        CommandArguments.isEmpty() ? DesktopExec(Command) : DesktopExec(CommandArguments);
    text += QStringLiteral("Exec=") + desktopValue(exec) + u'\n';
    if (!IconFile.isEmpty())
        text += QStringLiteral("Icon=") + desktopValue(IconFile) + u'\n';
    if (!MimeType.isEmpty())
        text += QStringLiteral("MimeType=") + desktopValue(MimeType) + QStringLiteral(";\n");
    text += QStringLiteral("Terminal=false\nCategories=AudioVideo;Audio;\n");
    return writeIfChanged(DesktopFilePath(), text.toUtf8(), m_desktopChanged);
}

bool TAssociate::RegisterExtension(const QString &extension)
{
    if (baseName().isEmpty() || MimeType.isEmpty() || extension.isEmpty())
        return false;
    // Globs match without regard to case; the lower case is the usual way to write them.
    const QString glob = u'*' + NormalizeExtension(extension).toLower();
    QString xml = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n");
    xml += QStringLiteral("  <mime-type type=\"%1\">\n").arg(MimeType.toHtmlEscaped());
    if (!TypeDescription.isEmpty())
        xml += QStringLiteral("    <comment>%1</comment>\n").arg(TypeDescription.toHtmlEscaped());
    // A theme icon name; a path is no name.
    if (!IconFile.isEmpty() && !IconFile.contains(u'/'))
        xml += QStringLiteral("    <icon name=\"%1\"/>\n").arg(IconFile.toHtmlEscaped());
    xml += QStringLiteral("    <glob pattern=\"%1\"/>\n").arg(glob.toHtmlEscaped());
    if (!Magic.isEmpty())
        xml += QStringLiteral("    <magic priority=\"50\">\n"
                              "      <match type=\"string\" offset=\"0\" value=\"%1\"/>\n"
                              "    </magic>\n")
                   .arg(magicValue(Magic));
    xml += QStringLiteral("  </mime-type>\n</mime-info>\n");
    return writeIfChanged(PackageFilePath(), xml.toUtf8(), m_packageChanged);
}

void TAssociate::NotifyShell()
{
    const QString mimeFolder = dataHome() + QStringLiteral("/mime");
    const QString package = PackageFilePath();
    if (QFileInfo::exists(package) &&
        (m_packageChanged || cacheStale(mimeFolder + QStringLiteral("/mime.cache"), package)))
        runTool(QStringLiteral("update-mime-database"), mimeFolder);

    const QString applications = dataHome() + QStringLiteral("/applications");
    const QString desktop = DesktopFilePath();
    if (QFileInfo::exists(desktop) &&
        (m_desktopChanged || cacheStale(applications + QStringLiteral("/mimeinfo.cache"), desktop)))
        runTool(QStringLiteral("update-desktop-database"), applications);
    m_packageChanged = m_desktopChanged = false;
}

void RegisterFileAssociation(const QString &executable)
{
    TAssociate associate;
    associate.SetAppKeyName(QStringLiteral("Qel Music"));
    associate.SetProgramPath(executable);
    // Executables carry no icons here; the installed theme icon stands in for it.
    associate.SetIconFile(QStringLiteral("qelmusic"));
    associate.SetIconIndex(0);
    associate.SetVerb(QStringLiteral("Open"));
    associate.SetCommand(u'"' + executable + QStringLiteral("\" \"%1\""));
    // The path as it is: split back from the command line, a quote in it would be lost.
    associate.SetCommandArguments({executable, QStringLiteral("%1")});
    associate.SetTypeDescription(QCoreApplication::translate("TAssociate", "Qel database"));
    associate.SetShellNew(false);
    associate.SetQuickView(false);
    associate.SetMimeType(QStringLiteral("application/x-qel-database"));
    // Every database starts with these bytes, so a renamed one is still recognised.
    associate.SetMagic(QByteArrayLiteral("\x06\x03Qel"));
    associate.RegisterApplication();
    associate.RegisterExtension(QStringLiteral(".QEL"));
    associate.NotifyShell();
}
