#pragma once

#include "services/process.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <QStringList>
#include <QTimer>
#include <functional>

class TCddbCategoryList;
class TCddbSiteList;
class THttpTransport;
class TScanCD;
class TScanCdList;
class TSettingsStore;

// The CDDB client: turns CDDB commands into HTTP posts, one at a time, and runs the
// lookups, the refresh of the server and category lists and the submission as
// processes with progress and Cancel. It never throws: an operation ends with
// ErrorKind (0 = success) and ErrorDetail, which ErrorMessage turns into the text the
// user sees. While a request runs the operation sleeps until the next event (a piece
// of the reply, its end, the silence timer or Cancel).
class TCDDB : public TProcess
{
    Q_OBJECT

public:
    enum TState : quint8 {
        Ready = 0,
        Finished = 1,
        Failed = 2,
        QuerySent = 3,
        QueryDone = 4,
        ReadSent = 5,
        ReadDone = 6,
        SitesSent = 7,
        SitesDone = 8,
        CategoriesSent = 9,
        CategoriesDone = 10,
        AbortRequested = 11,
        SubmitSent = 12,
        SubmitDone = 13,
    };
    static constexpr int DefaultTimeout = 120000; // ms without progress

    explicit TCDDB(QObject *owner = nullptr);
    ~TCDDB() override;

    // The "Cddb" values of the settings store.
    void LoadSettings(const TSettingsStore &store);
    void SaveSettings(TSettingsStore &store) const;

    // Prepares one operation on the server site with the program at path.
    void Init(const QString &site, const QString &path, qint32 port);
    // The form body posted for a CDDB command.
    QByteArray RequestBody(const QString &command) const;
    void SendCommand(const QString &command);
    void SendQuery(const TScanCD &disc);
    void SendRead(const QString &category, const QString &discId);
    void AbortRequest();

    // Looks the disc up and reads every match into its entries.
    void QueryDisc(TScanCD &disc);
    // The same for every disc of list (which need not own them), in one run.
    void QueryDiscs(TScanCdList &list);
    // Fetches the server and category lists from the list server (by default the
    // default server). An empty site list is replaced by the one in store.
    void RefreshLists(TCddbSiteList &sites, TCddbCategoryList &categories,
                      const TSettingsStore &store);
    // Posts the first entry of record to the server's submission program.
    void SubmitDisc(TScanCD &record);

    QString ErrorMessage() const;

    // The reply readers, on Reply.
    int ReplyStatus() const;
    void HandleStatus(int status);
    void ParseQueryReply(QStringList &matches);
    void ParseReadReply(QStringList &lines);
    void ParseSitesReply(QStringList &lines);
    void ParseCategoriesReply(QStringList &lines);
    void ReadSubmitReply();
    // Reply bytes as text: UTF-8, and any byte that is not part of a valid UTF-8
    // sequence as Latin-1.
    static QString DecodeReply(const QByteArray &bytes);

    // The reply so far; SetReply replaces it (for the readers alone).
    QString Reply() const;
    void SetReply(const QByteArray &bytes);

    void SetTimeoutInterval(int ms) { m_timer.setInterval(ms); }
    THttpTransport &Http() { return *m_http; }

    // Connection settings.
    QString Site;
    qint32 Port = 80;
    QString Address;
    bool UseProxy = false;
    QString ProxyServer;
    qint32 ProxyPort = 0;
    bool UseProxyAuthentication = false;
    QString ProxyUserName;
    QString ProxyPassword;
    QString EmailAddress;
    QString HelloUser;
    QString HelloHost;
    // The server RefreshLists asks.
    QString ListSite;
    QString ListAddress;
    qint32 ListPort = 80;

    TState State = Ready;
    quint8 MatchKind = 0;
    quint8 ErrorKind = 0;
    QString ErrorDetail;
    // The diagnostic log; nothing is logged without one.
    QStringList *DebugLog = nullptr;

signals:
    void Logged(const QString &line);

private:
    void log(const QString &line);
    void onData(const QByteArray &piece);
    void onRequestDone(int error);
    void onSocketError(const QString &message);
    void onTimeout();
    bool replyHasLineEnd() const;
    bool replyIsCompleteList() const;
    bool replyStatusOrFail(int &status, bool logFailure);
    QStringList replyListLines() const;
    void waitForProgress();
    // Drives an operation from Ready to its end: step acts on the operation's own
    // states; a cancel becomes an abort; between steps the interface handles events.
    void runOperation(const std::function<void()> &step);
    void readListReply(QStringList &lines, bool logFailure, int noListKind,
                       const QString &noListLog);
    void endOperation();
    void sendSubmission(TScanCD &record);
    void runQueries(const QList<TScanCD *> &discs, bool single);

    THttpTransport *m_http;
    QTimer m_timer;
    QByteArray m_reply;
    mutable QString m_replyText;
    mutable bool m_replyTextValid = true;
};
