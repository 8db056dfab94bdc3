#pragma once

#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

// One running program per user. The first instance listens on a local socket; a later
// one finds it there, asks it to come to the front and is told to end.
class TSingleInstance : public QObject
{
    Q_OBJECT

public:
    // serverName: the socket's full path; empty means DefaultServerName().
    explicit TSingleInstance(const QString &serverName = {}, QObject *parent = nullptr);
    ~TSingleInstance() override;

    // "qelmusic-<uid>" in the user's private runtime folder: $XDG_RUNTIME_DIR, or
    // without it a folder of the user's own that only the user may enter. Never a
    // name in a folder that others can write to, where anyone could put a socket
    // that keeps the program from starting. Empty when there is no private folder.
    static QString DefaultServerName();

    // True when this is the only instance; it then listens until destroyed. False
    // when another instance answered: that one has been asked to raise its window.
    // A socket left behind by a killed instance is removed and taken over. When the
    // socket cannot be created at all (or there is no private folder for it) the
    // program runs alone rather than not at all, so that is true as well.
    bool Claim();

    bool Listening() const;
    QString ServerName() const { return m_name; }

signals:
    // Another instance asked this one to come to the front.
    void raiseRequested();

private:
    bool askRunningInstance();
    bool listen();
    void acceptConnections();
    void readRequest(QLocalSocket *socket);

    QString m_name;
    QLocalServer *m_server = nullptr;
};
