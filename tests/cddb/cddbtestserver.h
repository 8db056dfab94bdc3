#pragma once

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QString>
#include <QThread>

#include <memory>

// A CDDB server for tests: HTTP/1.0 on 127.0.0.1 at a free port, in a thread of its
// own so that a test may also block on a child process talking to it. It answers
// "cddb read CATEGORY DISCID" from the file CATEGORY/DISCID of its entry folder, every
// other command with 202 (query) or 401, a submission with 200, unless the test set an
// answer for the command. Each request's bytes are recorded.
class TCddbTestServer
{
public:
    struct TAnswer
    {
        QByteArray body;       // the reply body (after the HTTP head)
        bool silent = false;   // read the request, then send nothing and keep the line open
        bool endless = false;  // send the body, then bytes without end
        bool withHead = true;  // false: the body alone, no status line or headers
        bool keepOpen = false; // send the body, then stay silent with the line open
    };
    struct TRequest
    {
        QByteArray bytes; // everything received
        QByteArray head;  // request line and headers, up to and with the empty line
        QByteArray body;
        QString command; // decoded "cmd=" value, or "submit" for a submission
    };

    explicit TCddbTestServer(const QString &entryFolder = {});
    ~TCddbTestServer();
    TCddbTestServer(const TCddbTestServer &) = delete;
    TCddbTestServer &operator=(const TCddbTestServer &) = delete;

    quint16 Port() const { return m_port; }
    QString Host() const { return QStringLiteral("127.0.0.1"); }
    QString Url(const QString &path = QStringLiteral("/~cddb/cddb.cgi")) const;

    // Requests whose command starts with prefix get answer; the latest matching wins.
    // The prefix "submit" answers submissions.
    void SetAnswer(const QString &commandPrefix, const TAnswer &answer);
    static TAnswer Text(const QByteArray &body) { return TAnswer{body}; }

    QList<TRequest> Requests() const;
    // The body of a "cddb read" reply for an entry text (lines joined with CR LF).
    static QByteArray ReadReply(const QString &category, const QString &discId,
                                const QByteArray &entry);

    class TWorker;

private:
    friend class TWorker;
    TAnswer answerFor(const TRequest &request) const;
    void record(const TRequest &request);

    QString m_folder;
    quint16 m_port = 0;
    QThread m_thread;
    TWorker *m_worker = nullptr;
    mutable QMutex m_mutex;
    QList<QPair<QString, TAnswer>> m_answers;
    QList<TRequest> m_requests;
};
