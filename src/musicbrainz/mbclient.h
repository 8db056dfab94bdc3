#pragma once

#include "musicbrainz/mbrelease.h"
#include "services/process.h"

#include <QByteArray>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <functional>
#include <vector>

class QNetworkAccessManager;
class QNetworkReply;
class TPrefs;
class TSettingsStore;
struct TMbDiscId;

// The time the request pacing runs on. The system's clock waits with events running;
// tests give one whose waits only move its own time on, so that nothing sleeps.
class TMbClock
{
public:
    virtual ~TMbClock() = default;
    virtual qint64 Now() = 0; // milliseconds, never going back
    // Waits ms, or until stop() is true (checked whenever an event has run).
    virtual void Wait(qint64 ms, const std::function<bool()> &stop) = 0;
};
TMbClock &SystemMbClock();

// Keeps requests at least MinInterval apart: MusicBrainz asks each client for at most
// one request a second. The shared pacer holds for every client of the process, so
// windows opened one after another keep the rule too.
class TMbPacer
{
public:
    explicit TMbPacer(TMbClock &clock) : m_clock(clock) {}
    // The pacer of clients given none: one on the system clock, or the one set here
    // (not owned; nullptr goes back to the system's), which tests use so as never to
    // sleep.
    static TMbPacer &Shared();
    static void SetShared(TMbPacer *pacer);

    // Waits until the next request may go and counts it as sent; false when stop()
    // became true first.
    bool Admit(const std::function<bool()> &stop);
    TMbClock &Clock() { return m_clock; }

    qint64 MinInterval = 1000;

private:
    TMbClock &m_clock;
    qint64 m_last = 0;
    bool m_any = false;
};

// The client of the MusicBrainz web service and the Cover Art Archive: JSON over
// HTTPS through Qt's network access, one request at a time, paced, with retries of a
// busy server, a silence limit, size limits and Cancel. Each operation runs as a
// process (progress and Cancel) with the event loop running, and never throws: it
// returns false and leaves the user's message in ErrorMessage.
class TMbClient : public TProcess
{
    Q_OBJECT

public:
    static constexpr int DefaultTimeout = 30000; // ms of silence before a request fails
    static constexpr qint64 MaxJsonSize = 8 * 1024 * 1024;
    static constexpr qint64 MaxCoverSize = 20 * 1024 * 1024;
    static constexpr int MaxRetries = 3; // of a reply "503 Service Unavailable"
    static constexpr int MaxRedirects = 5;
    static constexpr qint64 DefaultRetryDelay = 2000;
    static constexpr qint64 MaxRetryDelay = 60000;

    explicit TMbClient(QObject *owner = nullptr);
    ~TMbClient() override;

    // The base URLs from the preferences, the contact from the CDDB settings' e-mail.
    void LoadSettings(const TPrefs &prefs, const TSettingsStore &store);
    QString Server = QStringLiteral("https://musicbrainz.org");
    QString CoverServer = QStringLiteral("https://coverartarchive.org");
    QString Contact; // an e-mail address; empty: the program's site
    QByteArray UserAgent() const;

    // Not owned; nullptr: the shared pacer on the system clock.
    void SetPacer(TMbPacer *pacer) { m_pacer = pacer; }
    TMbPacer &Pacer();
    void SetTimeoutInterval(int ms) { m_silence.setInterval(ms); }

    // Runs steps as one process with caption: the operations called inside report to
    // it rather than starting their own.
    void Run(const QString &caption, int max, const std::function<void()> &steps);

    // The releases that hold the disc: by its disc ID, else (MusicBrainz does not know
    // it) those with a near table of contents, marked Near; the first is read whole.
    // An empty list and true: nothing found.
    bool QueryDisc(const TMbDiscId &id, TMbReleases &releases);
    // The same for several discs in one run: found[i] for ids[i]. Stops at the first
    // failure; the discs looked up before it keep their answers.
    bool QueryDiscs(const std::vector<TMbDiscId> &ids, std::vector<TMbReleases> &found);
    // Only the look-up of QueryDisc, nothing read whole.
    bool LookupDisc(const TMbDiscId &id, TMbReleases &releases);
    // Reads release (by its Id) whole; its Near mark stays.
    bool ReadRelease(TMbRelease &release);
    // The release's front cover as the archive sends it (redirects followed).
    bool FetchCover(const QString &releaseId, QByteArray &bytes);

    QString ErrorMessage() const { return m_error; }

signals:
    // Each request as it is sent, with the pacer's clock at that moment.
    void Requested(const QUrl &url, qint64 at);

private:
    enum class TService { MusicBrainz, CoverArt };
    // What came back for one request, whatever its status.
    struct TReply
    {
        int status = 0;
        QByteArray reason;
        QByteArray body;
    };
    bool get(const QUrl &url, TService service, TReply &reply);
    bool send(const QUrl &url, TService service, TReply &reply, bool &busy, qint64 &retryAfter);
    bool fail(const QString &message);
    bool failHttp(TService service, const TReply &reply);
    bool failData(const QString &detail);
    QUrl serviceUrl(const QString &path, const QString &query) const;
    bool lookupStep(const TMbDiscId &id, TMbReleases &releases);
    bool readStep(TMbRelease &release);
    bool stopRequested() const { return Cancelled(); }

    QNetworkAccessManager *m_network;
    TMbPacer *m_pacer = nullptr;
    QTimer m_silence;
    QString m_error;
    int m_runDepth = 0;
};
