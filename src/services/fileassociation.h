#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// Registers a file type with the desktop the freedesktop way: a .desktop file for the
// program in $XDG_DATA_HOME/applications and a shared-mime-info package for the type
// in $XDG_DATA_HOME/mime/packages. A file is written only when its content changes,
// and atomically, so registering at every exit costs nothing once it is in place.
class TAssociate
{
public:
    void SetAppKeyName(const QString &value) { AppKeyName = value; }
    void SetProgramPath(const QString &value) { ProgramPath = value; }
    void SetIconFile(const QString &value) { IconFile = value; }
    void SetIconIndex(qint32 value) { IconIndex = value; }
    void SetVerb(const QString &value) { Verb = value; }
    void SetCommand(const QString &value) { Command = value; }
    void SetCommandArguments(const QStringList &value) { CommandArguments = value; }
    void SetTypeDescription(const QString &value) { TypeDescription = value; }
    void SetShellNew(bool value) { ShellNew = value; }
    void SetQuickView(bool value) { QuickView = value; }
    void SetMimeType(const QString &value) { MimeType = value; }
    void SetMagic(const QByteArray &value) { Magic = value; }

    // The program's .desktop file, named after AppKeyName ("Qel Music" gives
    // qelmusic.desktop). False when it could not be written.
    bool RegisterApplication();
    // The type's package with the glob of the normalised extension and, when set,
    // the magic bytes at offset 0. False when it could not be written or MimeType is
    // not set.
    bool RegisterExtension(const QString &extension);
    // Rebuilds the desktop's caches from what was registered, when the tools exist and
    // the caches are missing or older than our files. Each tool gets a few seconds.
    void NotifyShell();

    // "qel", ".qel" and "x.qel" all give ".qel"; the case is kept.
    static QString NormalizeExtension(const QString &extension);
    // A command line with "%1" for the file ("\"/p/q\" \"%1\"") as an Exec value:
    // arguments quoted where needed, %1 as %f. Blanks separate the arguments and double
    // quotes group them, so an argument cannot hold a double quote of its own.
    static QString DesktopExec(const QString &command);
    // The same from the program and its arguments as they are, "%1" standing for the
    // file: any character survives.
    static QString DesktopExec(const QStringList &arguments);

    QString DesktopFilePath() const; // $XDG_DATA_HOME/applications/<name>.desktop
    QString PackageFilePath() const; // $XDG_DATA_HOME/mime/packages/<name>.xml

    QString AppKeyName;
    QString ProgramPath;  // kept, never written
    QString IconFile;     // an icon name of the theme or an image's path
    qint32 IconIndex = 0; // no meaning for freedesktop icons
    QString Verb = QStringLiteral("Open");
    QString Command;
    QStringList CommandArguments; // when set, the Exec line is made from these, not Command
    QString TypeDescription;
    bool ShellNew = false;  // no freedesktop counterpart
    bool QuickView = false; // no freedesktop counterpart
    QString MimeType;       // application/x-qel-database
    QByteArray Magic;       // the first bytes of every file of the type

private:
    QString baseName() const;
    bool m_desktopChanged = false;
    bool m_packageChanged = false;
};

// Registers the database type for executable, at every normal end of the program.
void RegisterFileAssociation(const QString &executable);
