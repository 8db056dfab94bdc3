#include "cddbtestserver.h"

#include <QFile>
#include <QMetaObject>
#include <QMutexLocker>
#include <QTcpServer>
#include <QTcpSocket>

namespace {

QByteArray crLfLines(const QByteArray &text)
{
    QByteArray out;
    for (QByteArray line : text.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        out += line + "\r\n";
    }
    if (text.endsWith('\n'))
        out.chop(2);
    return out;
}

// The "cmd=" value of a form body, '+' read as a blank.
QString commandOf(const QByteArray &body)
{
    if (!body.startsWith("cmd="))
        return QStringLiteral("submit");
    QByteArray cmd = body.mid(4);
    const qsizetype amp = cmd.indexOf('&');
    if (amp >= 0)
        cmd.truncate(amp);
    cmd.replace('+', ' ');
    return QString::fromLatin1(cmd);
}

} // namespace

// Lives in the server's thread: the listening socket and its connections.
class TCddbTestServer::TWorker : public QObject
{
public:
    explicit TWorker(TCddbTestServer &owner) : m_owner(owner) {}

    quint16 listen()
    {
        m_server = new QTcpServer(this);
        if (!m_server->listen(QHostAddress::LocalHost, 0))
            return 0;
        connect(m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server->nextPendingConnection())
                serve(socket);
        });
        return m_server->serverPort();
    }

    void close()
    {
        delete m_server;
        m_server = nullptr;
        const auto sockets = findChildren<QTcpSocket *>();
        for (QTcpSocket *socket : sockets)
            delete socket;
    }

private:
    void serve(QTcpSocket *socket)
    {
        socket->setParent(this);
        auto *received = new QByteArray;
        connect(socket, &QObject::destroyed, this, [received] { delete received; });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, received] {
            if (socket->property("answered").toBool()) {
                socket->readAll();
                return;
            }
            *received += socket->readAll();
            const qsizetype end = received->indexOf("\r\n\r\n");
            if (end < 0)
                return;
            TRequest request;
            request.head = received->left(end + 4);
            qsizetype length = 0;
            for (const QByteArray &line : request.head.split('\n'))
                if (line.toLower().startsWith("content-length:"))
                    length = line.mid(15).trimmed().toLongLong();
            if (received->size() < end + 4 + length)
                return;
            request.body = received->mid(end + 4, length);
            request.bytes = *received;
            request.command = commandOf(request.body);
            socket->setProperty("answered", true);
            m_owner.record(request);
            answer(socket, m_owner.answerFor(request));
        });
    }

    void answer(QTcpSocket *socket, const TAnswer &a)
    {
        if (a.silent)
            return;
        QByteArray reply;
        if (a.withHead)
            reply = "HTTP/1.0 200 OK\r\nServer: test\r\nContent-Type: text/plain; "
                    "charset=UTF-8\r\n\r\n";
        reply += a.body;
        socket->write(reply);
        if (a.endless) {
            const QByteArray chunk(64 * 1024, 'x');
            connect(socket, &QTcpSocket::bytesWritten, socket, [socket, chunk] {
                if (socket->bytesToWrite() < chunk.size())
                    socket->write(chunk);
            });
            socket->write(chunk);
            return;
        }
        if (!a.keepOpen)
            socket->disconnectFromHost();
    }

    TCddbTestServer &m_owner;
    QTcpServer *m_server = nullptr;
};

TCddbTestServer::TCddbTestServer(const QString &entryFolder) : m_folder(entryFolder)
{
    m_worker = new TWorker(*this);
    m_worker->moveToThread(&m_thread);
    QObject::connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.start();
    QMetaObject::invokeMethod(
        m_worker, [this] { m_port = m_worker->listen(); }, Qt::BlockingQueuedConnection);
}

TCddbTestServer::~TCddbTestServer()
{
    QMetaObject::invokeMethod(
        m_worker, [this] { m_worker->close(); }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

QString TCddbTestServer::Url(const QString &path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path);
}

void TCddbTestServer::SetAnswer(const QString &commandPrefix, const TAnswer &answer)
{
    QMutexLocker lock(&m_mutex);
    m_answers.append({commandPrefix, answer});
}

QList<TCddbTestServer::TRequest> TCddbTestServer::Requests() const
{
    QMutexLocker lock(&m_mutex);
    return m_requests;
}

void TCddbTestServer::record(const TRequest &request)
{
    QMutexLocker lock(&m_mutex);
    m_requests.append(request);
}

QByteArray TCddbTestServer::ReadReply(const QString &category, const QString &discId,
                                      const QByteArray &entry)
{
    QByteArray body = "210 " + category.toLatin1() + ' ' + discId.toLatin1() +
                      " CD database entry follows (until terminating `.')\r\n";
    body += crLfLines(entry);
    if (!body.endsWith("\r\n"))
        body += "\r\n";
    return body + ".\r\n";
}

TCddbTestServer::TAnswer TCddbTestServer::answerFor(const TRequest &request) const
{
    {
        QMutexLocker lock(&m_mutex);
        for (auto it = m_answers.crbegin(); it != m_answers.crend(); ++it)
            if (request.command.startsWith(it->first))
                return it->second;
    }
    const QStringList words = request.command.split(u' ');
    if (words.size() == 4 && words[0] == u"cddb" && words[1] == u"read" && !m_folder.isEmpty()) {
        QFile file(m_folder + u'/' + words[2] + u'/' + words[3]);
        if (file.open(QIODevice::ReadOnly))
            return Text(ReadReply(words[2], words[3], file.readAll()));
    }
    if (request.command.startsWith(u"cddb query"))
        return Text("202 No match for disc ID.\r\n");
    if (request.command == u"submit")
        return Text("200 OK, submission has been sent.\r\n");
    return Text("401 No such CD entry in database.\r\n");
}
