#include "model/general.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>
#include <algorithm>
#include <cstdio>
#include <pwd.h>
#include <unistd.h>

QString FormatLength(qint64 seconds)
{
    if (seconds < 0) // never stored; kept as the general formatting writes it
        return QStringLiteral("%1:%2")
            .arg(seconds / 60, 2, 10, QLatin1Char('0'))
            .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    // Lists and exports format millions of lengths: written by hand, not through arg().
    char16_t text[24];
    char16_t *end = text + 24;
    char16_t *p = end;
    const qint64 secs = seconds % 60;
    *--p = char16_t(u'0' + secs % 10);
    *--p = char16_t(u'0' + secs / 10);
    *--p = u':';
    qint64 minutes = seconds / 60;
    const char16_t *minutesEnd = p;
    do {
        *--p = char16_t(u'0' + minutes % 10);
        minutes /= 10;
    } while (minutes > 0);
    if (minutesEnd - p < 2)
        *--p = u'0';
    return QString(reinterpret_cast<const QChar *>(p), end - p);
}

namespace {
int leadingInt(QStringView part)
{
    bool ok = false;
    const int v = part.trimmed().toInt(&ok);
    return ok ? v : 0;
}
} // namespace

int ParseLength(const QString &text)
{
    const QStringView v(text);
    const int minutes = leadingInt(v.mid(0, 2));
    const int seconds = v.size() > 3 ? leadingInt(v.mid(3, 2)) : 0;
    return minutes * 60 + seconds;
}

QString ShortenText(const QString &text)
{
    if (text.size() <= 250)
        return text;
    return text.left(250) + QStringLiteral("...");
}

QString StripLeadingZeros(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == u'0')
        ++i;
    return text.mid(i);
}

QString StripAmpersands(const QString &text)
{
    QString s = text;
    s.remove(u'&');
    return s;
}

QString SlashesToBlanks(const QString &text)
{
    QString s = text;
    s.replace(u'/', u' ');
    return s;
}

QString CleanHelloWord(const QString &text)
{
    QString s = text.trimmed();
    for (QChar &c : s)
        if (c == u' ' || c == u'&')
            c = u'_';
    return s;
}

QString MakeFileNameSafe(const QString &text)
{
    static const QString forbidden = QStringLiteral("\"*/:<>?\\|");
    QString s = text;
    for (QChar &c : s)
        if (forbidden.contains(c))
            c = u' ';
    return s;
}

bool IsValidFileName(const QString &path)
{
    if (path.isEmpty() || QFileInfo::exists(path))
        return false;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    f.close();
    f.remove();
    return true;
}

bool SplitMailAddress(const QString &address, QString &user, QString &host)
{
    const qsizetype at = address.indexOf(u'@');
    if (at < 0)
        return false;
    user = CleanHelloWord(address.left(at));
    host = CleanHelloWord(address.mid(at + 1));
    return true;
}

void SplitWords(const QString &text, QStringList &list)
{
    list = text.split(u' ');
}

int CompareIntegers(qint64 a, qint64 b)
{
    return a > b ? 1 : (a < b ? -1 : 0);
}

int CompareFloats(double a, double b)
{
    return a > b ? 1 : (a < b ? -1 : 0);
}

QString GetVersionText(bool withRelease)
{
    if (withRelease && QEL_VERSION_PATCH != 0)
        return QStringLiteral("%1.%2.%3")
            .arg(QEL_VERSION_MAJOR)
            .arg(QEL_VERSION_MINOR)
            .arg(QEL_VERSION_PATCH);
    return QStringLiteral("%1.%2").arg(QEL_VERSION_MAJOR).arg(QEL_VERSION_MINOR);
}

QString ApplicationTitle()
{
    return QStringLiteral("Qel Music ") + GetVersionText(false);
}

QString GetLoginName()
{
    QString name;
    if (const passwd *pw = getpwuid(geteuid()); pw && pw->pw_name)
        name = QString::fromLocal8Bit(pw->pw_name);
    if (name.isEmpty())
        name = qEnvironmentVariable("USER");
    // The name travels in protocol greetings: an over-long one is replaced whole.
    if (name.isEmpty() || name.size() >= 64)
        name = QStringLiteral("Qeluser");
    return name;
}

QString ProgramFolder()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.local/share");
    const QString folder = base + QStringLiteral("/Qelmusic3/");
    QDir().mkpath(folder);
    return folder;
}

QString ResourceFolder()
{
    const QString app = QCoreApplication::applicationDirPath();
    const QString candidates[] = {
        app + QStringLiteral("/../share/qelmusic/"),
        QStringLiteral(QEL_SOURCE_RESOURCES "/"),
    };
    for (const QString &c : candidates)
        if (QFileInfo(c).isDir())
            return QDir::cleanPath(c) + u'/';
    return candidates[1];
}

QPoint CenterOnOwnerPos(QSize window, QRect owner, QSize screen)
{
    const int left = std::min(screen.width() - window.width(),
                              std::max(0, owner.left() + (owner.width() - window.width()) / 2));
    const int top = std::min(screen.height() - window.height(),
                             std::max(0, owner.top() + (owner.height() - window.height()) / 2));
    return {left, top};
}

bool TUserInterface::ShellOpen(const QString &file, const QString &, const QString &)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(file));
}

namespace {

class TConsoleInterface : public TUserInterface
{
public:
    void ShowInfo(const QString &message) override
    {
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    }
    TAnswer AskYesNo(const QString &message) override
    {
        ShowInfo(message);
        return TAnswer::No;
    }
    TAnswer AskOkCancel(const QString &message) override
    {
        ShowInfo(message);
        return TAnswer::Cancel;
    }
};

TConsoleInterface g_console;
TUserInterface *g_ui = &g_console;

} // namespace

TUserInterface *SetUserInterface(TUserInterface *ui)
{
    TUserInterface *previous = g_ui;
    g_ui = ui ? ui : &g_console;
    return previous;
}

TUserInterface &UserInterface()
{
    return *g_ui;
}

void ShowInfo(const QString &message)
{
    g_ui->ShowInfo(message);
}
TAnswer AskYesNo(const QString &message)
{
    return g_ui->AskYesNo(message);
}
TAnswer AskOkCancel(const QString &message)
{
    return g_ui->AskOkCancel(message);
}
void BeginWait()
{
    g_ui->BeginWait();
}
void EndWait()
{
    g_ui->EndWait();
}
bool ShellOpen(const QString &file, const QString &parameters, const QString &folder)
{
    return g_ui->ShellOpen(file, parameters, folder);
}
