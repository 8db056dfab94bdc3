#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

// Small helpers shared by the whole program.

QString FormatLength(qint64 seconds);     // "%.2d:%.2d" of minutes and seconds
int ParseLength(const QString &text);     // "mm:ss" with two-digit minutes
QString ShortenText(const QString &text); // at most 250 characters, then "..."
QString StripLeadingZeros(const QString &text);
QString StripAmpersands(const QString &text);
QString SlashesToBlanks(const QString &text);
QString CleanHelloWord(const QString &text);
QString MakeFileNameSafe(const QString &text);
bool IsValidFileName(const QString &path);
bool SplitMailAddress(const QString &address, QString &user, QString &host);
void SplitWords(const QString &text, QStringList &list);
int CompareIntegers(qint64 a, qint64 b);
int CompareFloats(double a, double b);
inline int Min(int a, int b)
{
    return a < b ? a : b;
}
inline int Max(int a, int b)
{
    return a > b ? a : b;
}

QString GetVersionText(bool withRelease);
QString ApplicationTitle(); // "Qel Music " and the version without release
QString GetLoginName();
// The writable per-user folder of the program's data ("FieldNames.ini", the scan
// list, the "Data" folders), with a trailing "/". Created when missing.
QString ProgramFolder();
// The folder of read-only resources (manual, FAQ, demo collection source), with a
// trailing "/": the installed share/qelmusic/ or, from a build tree, resources/.
QString ResourceFolder();

// Top-left position that centres a window of size over owner, kept on the screen.
QPoint CenterOnOwnerPos(QSize window, QRect owner, QSize screen);

// What the program asks of the person in front of it. The desktop program installs
// a widget implementation; the command-line tool prints; tests answer.
enum class TAnswer { Ok, Cancel, Yes, No };

class TUserInterface
{
public:
    virtual ~TUserInterface() = default;
    virtual void ShowInfo(const QString &message) = 0;
    virtual TAnswer AskYesNo(const QString &message) = 0;
    virtual TAnswer AskOkCancel(const QString &message) = 0;
    virtual void BeginWait() {}
    virtual void EndWait() {}
    // Opens a file or program with the desktop's handler.
    virtual bool ShellOpen(const QString &file, const QString &parameters, const QString &folder);
};

// Installs ui (not owned) and returns the previous one; nullptr restores the
// console implementation, which prints messages on standard error and answers
// No/Cancel to questions.
TUserInterface *SetUserInterface(TUserInterface *ui);
TUserInterface &UserInterface();

void ShowInfo(const QString &message);
TAnswer AskYesNo(const QString &message);
TAnswer AskOkCancel(const QString &message);
void BeginWait();
void EndWait();
bool ShellOpen(const QString &file, const QString &parameters = {}, const QString &folder = {});

// Pairs BeginWait and EndWait, also when an exception passes.
class TWaitCursor
{
public:
    TWaitCursor() { BeginWait(); }
    ~TWaitCursor() { EndWait(); }
    TWaitCursor(const TWaitCursor &) = delete;
    TWaitCursor &operator=(const TWaitCursor &) = delete;
};
