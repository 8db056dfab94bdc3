#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QTcpSocket;

// A small HTTP/1.0 client that posts one body at a time without blocking: the request
// lines are fixed byte for byte (CDDB servers and proxies have long seen exactly
// these), the reply's status line and headers are consumed, and the body arrives in
// pieces through Data. Everything happens on the event loop of the calling thread.
class THttpTransport : public QObject
{
    Q_OBJECT

public:
    // Codes of RequestDone. 0 means the exchange completed, whatever the HTTP status.
    enum TError {
        NoError = 0,
        ConnectionLost = 1, // the connection broke before the reply ended
        ReplyTooLarge = 2,  // more than MaxReplySize bytes came back
        BadUrl = 3,         // the URL is not "http://host[:port]/path"
    };
    static constexpr qint64 MaxReplySize = 4 * 1024 * 1024;

    explicit THttpTransport(QObject *parent = nullptr);
    ~THttpTransport() override;

    // "http://host[:port]/path"; without a port, port 80.
    QString Url;
    // With ProxyHost set the request goes to the proxy, with the absolute URL.
    QString ProxyHost;
    QString ProxyPort; // decimal text; anything else means 80
    QString ProxyUserName;
    QString ProxyPassword;
    QByteArray Body;
    // Submission headers, each sent only when not empty.
    QString Category;
    QString DiscId;
    QString UserEmail;
    QString SubmitMode;
    QString Charset; // "Charset: " header of a submission, when not empty

    // The exact bytes PostAsync sends for the current settings (empty for a bad URL).
    QByteArray BuildRequest() const;

    // Starts the POST and returns at once. A request still running is dropped first,
    // without notifications.
    void PostAsync();
    // Ends the running request at once; no notification follows.
    void Abort();
    bool Running() const { return m_socket != nullptr; }

    // Splits url into host, port and path; false when it is not an http URL.
    static bool SplitUrl(const QString &url, QString &host, quint16 &port, QString &path);

signals:
    // A piece of the reply body, after the headers.
    void Data(const QByteArray &piece);
    // The exchange ended: error is one of TError.
    void RequestDone(int error);
    // The host could not be resolved or the connection was refused: the message of
    // the network layer.
    void SocketError(const QString &message);

private:
    void onConnected();
    void onReadyRead();
    void onDisconnected();
    void onError();
    void finish(int error);
    void deliver(const QByteArray &bytes);
    void dropSocket();

    QTcpSocket *m_socket = nullptr;
    QByteArray m_request;
    QByteArray m_head; // status line and headers until the empty line
    bool m_inBody = false;
    bool m_connected = false;
    qint64 m_received = 0;
};
