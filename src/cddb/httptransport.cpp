#include "cddb/httptransport.h"

#include <QTcpSocket>

namespace {

const char kCrLf[] = "\r\n";

void addLine(QByteArray &request, const QByteArray &line)
{
    request += line;
    request += kCrLf;
}

quint16 portFromText(const QString &text)
{
    bool ok = false;
    const uint port = text.trimmed().toUInt(&ok);
    return ok && port > 0 && port <= 65535 ? quint16(port) : quint16(80);
}

} // namespace

THttpTransport::THttpTransport(QObject *parent) : QObject(parent) {}

THttpTransport::~THttpTransport()
{
    dropSocket();
}

bool THttpTransport::SplitUrl(const QString &url, QString &host, quint16 &port, QString &path)
{
    static const QString scheme = QStringLiteral("http://");
    if (!url.startsWith(scheme, Qt::CaseInsensitive))
        return false;
    const QString rest = url.mid(scheme.size());
    const qsizetype slash = rest.indexOf(u'/');
    const QString authority = slash < 0 ? rest : rest.left(slash);
    path = slash < 0 ? QStringLiteral("/") : rest.mid(slash);
    const qsizetype colon = authority.lastIndexOf(u':');
    host = colon < 0 ? authority : authority.left(colon);
    port = 80;
    if (colon >= 0) {
        bool ok = false;
        const uint value = authority.mid(colon + 1).toUInt(&ok);
        if (!ok || value == 0 || value > 65535)
            return false;
        port = quint16(value);
    }
    return !host.isEmpty() && !host.contains(u' ');
}

QByteArray THttpTransport::BuildRequest() const
{
    QString host;
    quint16 port = 80;
    QString path;
    if (!SplitUrl(Url, host, port, path))
        return {};
    const bool viaProxy = !ProxyHost.isEmpty();
    const QString hostText = port == 80 ? host : host + u':' + QString::number(port);
    const QString target = viaProxy ? QStringLiteral("http://") + hostText + path : path;

    QByteArray request;
    addLine(request, "POST " + target.toUtf8() + " HTTP/1.0");
    addLine(request, "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*");
    addLine(request, "Content-Type: application/x-www-form-urlencoded");
    addLine(request, "User-Agent: Mozilla/3.0 (compatible)");
    addLine(request, "Host: " + hostText.toUtf8());
    addLine(request, "Content-Length: " + QByteArray::number(Body.size()));
    if (viaProxy && !ProxyUserName.isEmpty())
        addLine(request, "Proxy-Authorization: Basic " +
                             (ProxyUserName + u':' + ProxyPassword).toUtf8().toBase64());
    const std::pair<const char *, const QString *> extra[] = {
        {"Category: ", &Category},      {"Discid: ", &DiscId},   {"User-Email: ", &UserEmail},
        {"Submit-Mode: ", &SubmitMode}, {"Charset: ", &Charset},
    };
    for (const auto &[name, value] : extra)
        if (!value->isEmpty())
            addLine(request, name + value->toUtf8());
    request += kCrLf;
    request += Body;
    return request;
}

void THttpTransport::PostAsync()
{
    dropSocket();
    m_request = BuildRequest();
    m_head.clear();
    m_inBody = false;
    m_connected = false;
    m_received = 0;
    if (m_request.isEmpty()) {
        emit RequestDone(BadUrl);
        return;
    }
    QString host;
    quint16 port = 80;
    QString path;
    SplitUrl(Url, host, port, path);
    if (!ProxyHost.isEmpty()) {
        host = ProxyHost;
        port = portFromText(ProxyPort);
    }
    m_socket = new QTcpSocket(this);
    connect(m_socket, &QTcpSocket::connected, this, &THttpTransport::onConnected);
    connect(m_socket, &QTcpSocket::readyRead, this, &THttpTransport::onReadyRead);
    connect(m_socket, &QTcpSocket::disconnected, this, &THttpTransport::onDisconnected);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &THttpTransport::onError);
    m_socket->connectToHost(host, port);
}

void THttpTransport::Abort()
{
    dropSocket();
}

void THttpTransport::dropSocket()
{
    if (!m_socket)
        return;
    QTcpSocket *socket = m_socket;
    m_socket = nullptr;
    socket->disconnect(this);
    socket->abort();
    // Signals of this socket may be on the stack right now.
    socket->deleteLater();
}

void THttpTransport::onConnected()
{
    m_connected = true;
    m_socket->write(m_request);
}

void THttpTransport::onReadyRead()
{
    if (!m_socket)
        return;
    const QByteArray bytes = m_socket->readAll();
    if (bytes.isEmpty())
        return;
    m_received += bytes.size();
    if (m_received > MaxReplySize) {
        finish(ReplyTooLarge);
        return;
    }
    if (m_inBody) {
        deliver(bytes);
        return;
    }
    m_head += bytes;
    // A reply without a status line (a bare body) is all body.
    if (m_head.size() >= 5 && !m_head.startsWith("HTTP/")) {
        m_inBody = true;
        const QByteArray body = m_head;
        m_head.clear();
        deliver(body);
        return;
    }
    qsizetype end = m_head.indexOf("\r\n\r\n");
    qsizetype skip = 4;
    const qsizetype bare = m_head.indexOf("\n\n");
    if (bare >= 0 && (end < 0 || bare < end)) {
        end = bare;
        skip = 2;
    }
    if (end < 0)
        return;
    m_inBody = true;
    const QByteArray body = m_head.mid(end + skip);
    m_head.clear();
    if (!body.isEmpty())
        deliver(body);
}

void THttpTransport::deliver(const QByteArray &bytes)
{
    emit Data(bytes);
}

void THttpTransport::onDisconnected()
{
    onReadyRead();
    if (m_socket)
        finish(NoError);
}

void THttpTransport::onError()
{
    if (!m_socket)
        return;
    const QAbstractSocket::SocketError error = m_socket->error();
    if (error == QAbstractSocket::RemoteHostClosedError)
        return; // the normal end of an HTTP/1.0 reply; disconnected follows
    if (!m_connected) {
        const QString message = m_socket->errorString();
        dropSocket();
        emit SocketError(message);
        return;
    }
    onReadyRead();
    if (m_socket)
        finish(ConnectionLost);
}

void THttpTransport::finish(int error)
{
    dropSocket();
    emit RequestDone(error);
}
