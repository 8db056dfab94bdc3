#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QPair>
#include <QString>
#include <QThread>

// A MusicBrainz and Cover Art Archive server for tests: HTTP on 127.0.0.1 at a free
// port, in a thread of its own so that a test may block on a child process talking to
// it. From a folder of recorded replies it answers
//   /ws/2/discid/ID?...             discid/ID.json, else 404
//   /ws/2/discid/-?toc=TOC&...      toc/TOC.json, else 200 with no releases
//   /ws/2/release/MBID?...          release/MBID.json, else 404
//   /release/MBID/front-500         a redirect to /images/MBID-500 (any other path
//                                   given with SetAnswer answers there)
// and misbehaves on request: any status and headers, silence, a body cut short.
// Each request is recorded.
class TMbTestServer
{
public:
    struct TAnswer
    {
        TAnswer(int status = 200, QByteArray body = {},
                QList<QPair<QByteArray, QByteArray>> headers = {})
            : status(status), body(std::move(body)), headers(std::move(headers))
        {
        }
        int status = 200;
        QByteArray body;
        QList<QPair<QByteArray, QByteArray>> headers; // besides Content-Length
        bool silent = false; // read the request, then send nothing and keep the line open
        bool cut = false;    // announce the whole body, send half of it, close
        int times = -1;      // answer this many requests, then step aside; -1: always
    };
    struct TRequest
    {
        QByteArray target;                    // path and query as sent
        QMap<QByteArray, QByteArray> headers; // names in lower case
    };

    explicit TMbTestServer(const QString &replyFolder = {});
    ~TMbTestServer();
    TMbTestServer(const TMbTestServer &) = delete;
    TMbTestServer &operator=(const TMbTestServer &) = delete;

    QString Url() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }

    // Requests whose target starts with prefix get answer; the latest set wins.
    void SetAnswer(const QString &prefix, const TAnswer &answer);
    static TAnswer Json(const QByteArray &body, int status = 200) { return {status, body}; }
    static TAnswer Redirect(const QString &to);
    static TAnswer Silent();
    static TAnswer Cut(const QByteArray &body);

    QList<TRequest> Requests() const;
    QList<QByteArray> Targets() const;

    class TWorker;

private:
    friend class TWorker;
    TAnswer answerFor(const QByteArray &target);

    QString m_folder;
    quint16 m_port = 0;
    QThread m_thread;
    TWorker *m_worker = nullptr;
    mutable QMutex m_mutex;
    QList<QPair<QString, TAnswer>> m_answers;
    QList<TRequest> m_requests;
};
