#include "mbtestserver.h"

#include <QFile>
#include <QMetaObject>
#include <QMutexLocker>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

namespace {

const QByteArray kNotFound = "{\"error\":\"Not Found\",\"help\":\"For usage, please see: "
                             "https://musicbrainz.org/development/mmd\"}";

QByteArray reasonOf(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 307:
        return "Temporary Redirect";
    case 400:
        return "Bad Request";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

} // namespace

class TMbTestServer::TWorker : public QObject
{
public:
    explicit TWorker(TMbTestServer &owner) : m_owner(owner) {}

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
            const QList<QByteArray> lines = received->left(end).split('\n');
            const QList<QByteArray> words = lines.value(0).trimmed().split(' ');
            request.target = words.value(1);
            for (qsizetype i = 1; i < lines.size(); ++i) {
                const qsizetype colon = lines[i].indexOf(':');
                if (colon > 0)
                    request.headers.insert(lines[i].left(colon).trimmed().toLower(),
                                           lines[i].mid(colon + 1).trimmed());
            }
            socket->setProperty("answered", true);
            {
                QMutexLocker lock(&m_owner.m_mutex);
                m_owner.m_requests.append(request);
            }
            answer(socket, m_owner.answerFor(request.target));
        });
    }

    void answer(QTcpSocket *socket, const TAnswer &a)
    {
        if (a.silent)
            return;
        QByteArray reply = "HTTP/1.1 " + QByteArray::number(a.status) + ' ' + reasonOf(a.status) +
                           "\r\nServer: test\r\nConnection: close\r\n";
        bool typed = false;
        for (const auto &[name, value] : a.headers) {
            reply += name + ": " + value + "\r\n";
            typed = typed || name.toLower() == "content-type";
        }
        if (!typed)
            reply += "Content-Type: application/json; charset=utf-8\r\n";
        reply += "Content-Length: " + QByteArray::number(a.body.size()) + "\r\n\r\n";
        reply += a.cut ? a.body.left(a.body.size() / 2) : a.body;
        socket->write(reply);
        socket->disconnectFromHost();
    }

    TMbTestServer &m_owner;
    QTcpServer *m_server = nullptr;
};

TMbTestServer::TMbTestServer(const QString &replyFolder) : m_folder(replyFolder)
{
    m_worker = new TWorker(*this);
    m_worker->moveToThread(&m_thread);
    QObject::connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.start();
    QMetaObject::invokeMethod(
        m_worker, [this] { m_port = m_worker->listen(); }, Qt::BlockingQueuedConnection);
}

TMbTestServer::~TMbTestServer()
{
    QMetaObject::invokeMethod(
        m_worker, [this] { m_worker->close(); }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

TMbTestServer::TAnswer TMbTestServer::Redirect(const QString &to)
{
    return TAnswer(307, {},
                   {{QByteArray("Location"), to.toUtf8()},
                    {QByteArray("Content-Type"), QByteArray("text/plain")}});
}

TMbTestServer::TAnswer TMbTestServer::Silent()
{
    TAnswer a;
    a.silent = true;
    return a;
}

TMbTestServer::TAnswer TMbTestServer::Cut(const QByteArray &body)
{
    TAnswer a(200, body);
    a.cut = true;
    return a;
}

void TMbTestServer::SetAnswer(const QString &prefix, const TAnswer &answer)
{
    QMutexLocker lock(&m_mutex);
    m_answers.append({prefix, answer});
}

QList<TMbTestServer::TRequest> TMbTestServer::Requests() const
{
    QMutexLocker lock(&m_mutex);
    return m_requests;
}

QList<QByteArray> TMbTestServer::Targets() const
{
    QList<QByteArray> targets;
    for (const TRequest &r : Requests())
        targets.append(r.target);
    return targets;
}

TMbTestServer::TAnswer TMbTestServer::answerFor(const QByteArray &target)
{
    {
        QMutexLocker lock(&m_mutex);
        for (auto it = m_answers.rbegin(); it != m_answers.rend(); ++it) {
            if (!target.startsWith(it->first.toUtf8()) || it->second.times == 0)
                continue;
            if (it->second.times > 0)
                --it->second.times;
            return it->second;
        }
    }
    const QByteArray path =
        target.left(target.indexOf('?') < 0 ? target.size() : target.indexOf('?'));
    const QByteArray query = target.mid(path.size() + 1);
    auto file = [this](const QString &name, TAnswer &a) {
        QFile f(m_folder + u'/' + name);
        if (m_folder.isEmpty() || !f.open(QIODevice::ReadOnly))
            return false;
        a = Json(f.readAll());
        return true;
    };
    TAnswer a;
    if (path == "/ws/2/discid/-") {
        QByteArray toc;
        for (const QByteArray &pair : query.split('&'))
            if (pair.startsWith("toc="))
                toc = pair.mid(4);
        if (file(QStringLiteral("toc/") + QString::fromLatin1(toc) + QStringLiteral(".json"), a))
            return a;
        return Json("{\"release-count\":0,\"release-offset\":0,\"releases\":[]}");
    }
    if (path.startsWith("/ws/2/discid/") &&
        file(QStringLiteral("discid/") + QString::fromLatin1(path.mid(13)) +
                 QStringLiteral(".json"),
             a))
        return a;
    if (path.startsWith("/ws/2/release/") &&
        file(QStringLiteral("release/") + QString::fromLatin1(path.mid(14)) +
                 QStringLiteral(".json"),
             a))
        return a;
    if (path.startsWith("/release/") && path.endsWith("/front-500")) {
        const QByteArray id = path.mid(9, path.size() - 9 - 10);
        return Redirect(Url() + QStringLiteral("/images/") + QString::fromLatin1(id) +
                        QStringLiteral("-500"));
    }
    return Json(kNotFound, 404);
}
