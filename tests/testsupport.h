#pragma once

#include "model/general.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <initializer_list>
#include <ostream>
#include <sys/resource.h>

class QDialog;
class QWidget;
class TSettingsStore;

// Readable QStrings in test failure messages.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE

// A temporary XDG_CONFIG_HOME and XDG_DATA_HOME for one test; restored afterwards.
class TTestHome
{
public:
    TTestHome();
    ~TTestHome();
    QString path() const { return m_dir.path(); }
    QString file(const QString &name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
    QByteArray m_oldConfig, m_oldData;
};

// Answers the program's questions and records its messages.
class TScriptedInterface : public TUserInterface
{
public:
    TScriptedInterface() { m_previous = SetUserInterface(this); }
    ~TScriptedInterface() override { SetUserInterface(m_previous); }
    void ShowInfo(const QString &message) override { messages.append(message); }
    TAnswer AskYesNo(const QString &message) override
    {
        messages.append(message);
        return yes ? TAnswer::Yes : TAnswer::No;
    }
    TAnswer AskOkCancel(const QString &message) override
    {
        messages.append(message);
        return yes ? TAnswer::Ok : TAnswer::Cancel;
    }
    void BeginWait() override { ++waitDepth; }
    void EndWait() override { --waitDepth; }

    QStringList messages;
    bool yes = true;
    int waitDepth = 0;

private:
    TUserInterface *m_previous = nullptr;
};

// A copy of the demo collection in home, made the current database of store, with the
// demo's covers and lyrics folders; returns the copy's path.
QString UseDemoCollection(const TTestHome &home, TSettingsStore &store);

QByteArray ReadFileBytes(const QString &path);
void WriteFileBytes(const QString &path, const QByteArray &bytes);
QByteArray FromHex(const char *hex); // "06 03 51" with blanks allowed

struct TRunResult
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};
// Runs the `qel` tool with arguments (optionally through /bin/sh -c with a prefix
// such as "ulimit -f 1;").
TRunResult RunQel(const QStringList &args, const QString &shellPrefix = {});

// Command-line words from UTF-8 literals.
QStringList Strings(std::initializer_list<const char *> items);

// Runs act on the modal dialog about to be shown (looked for from the event loop), then
// makes sure it closes: a failed ASSERT inside act would otherwise leave it open.
void WhenModal(std::function<void(QDialog *)> act, int tries = 200);

// The child named name, failing the test when there is none.
template <class T> T *Child(QObject *parent, const char *name)
{
    T *w = parent->findChild<T *>(QLatin1String(name));
    EXPECT_TRUE(w) << name;
    return w;
}

// Clicks the button named name with the mouse.
void Click(QWidget *parent, const char *name);

// Writes past the given size fail as on a full disk while this lives (SIGXFSZ
// ignored).
class TFileSizeLimit
{
public:
    explicit TFileSizeLimit(rlim_t bytes)
    {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limited = m_old;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~TFileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int);
};
