#include "services/singleinstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

#include <unistd.h>

namespace {

const QByteArray kRaise = QByteArrayLiteral("raise\n");
// Local sockets connect at once or not at all; these only bound a stuck peer.
constexpr int kConnectMs = 2000;
constexpr int kWriteMs = 2000;
constexpr int kLockMs = 5000;

} // namespace

TSingleInstance::TSingleInstance(const QString &serverName, QObject *parent)
    : QObject(parent), m_name(serverName.isEmpty() ? DefaultServerName() : serverName)
{
}

TSingleInstance::~TSingleInstance()
{
    if (m_server)
        m_server->close(); // also removes the socket file
}

QString TSingleInstance::DefaultServerName()
{
    // Qt checks that the folder belongs to the user and is closed to others, and
    // gives nothing otherwise.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty())
        return {};
    return QDir(runtime).filePath(QStringLiteral("qelmusic-%1").arg(::getuid()));
}

bool TSingleInstance::Listening() const
{
    return m_server && m_server->isListening();
}

bool TSingleInstance::Claim()
{
    if (Listening() || m_name.isEmpty())
        return true;
    // Two instances starting together must not both take a stale socket for theirs:
    // the check and the takeover happen under a lock. QLockFile itself recovers from
    // a lock whose holder was killed. Without the lock we go on regardless.
    QLockFile lock(m_name + QStringLiteral(".lock"));
    lock.tryLock(kLockMs);

    if (listen())
        return true;
    if (askRunningInstance())
        return false;
    // Nobody answers on the socket: its owner died without removing it.
    QLocalServer::removeServer(m_name);
    listen();
    return true;
}

bool TSingleInstance::listen()
{
    if (!m_server) {
        m_server = new QLocalServer(this);
        // No access options: with them Qt binds elsewhere and renames the socket over
        // an existing one, which would silently take the name from a running instance.
        // The runtime folder is private, and the umask keeps others from connecting.
        connect(m_server, &QLocalServer::newConnection, this, &TSingleInstance::acceptConnections);
    }
    return m_server->listen(m_name);
}

bool TSingleInstance::askRunningInstance()
{
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(kConnectMs))
        return false;
    socket.write(kRaise);
    socket.waitForBytesWritten(kWriteMs);
    socket.disconnectFromServer();
    return true;
}

void TSingleInstance::acceptConnections()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readRequest(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // The request may have arrived before the connection was picked up.
        readRequest(socket);
    }
}

void TSingleInstance::readRequest(QLocalSocket *socket)
{
    while (socket->canReadLine()) {
        if (socket->readLine(64) == kRaise)
            emit raiseRequested();
    }
    // A peer that sends no line break within a sensible length is not one of ours.
    if (socket->bytesAvailable() > 64)
        socket->abort();
}
