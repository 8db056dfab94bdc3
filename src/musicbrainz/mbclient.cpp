#include "musicbrainz/mbclient.h"

#include "model/general.h"
#include "musicbrainz/mbdiscid.h"
#include "musicbrainz/mbjson.h"
#include "shell/prefs.h"
#include "shell/settingsstore.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <algorithm>
#include <memory>

namespace {

const QString kProgramSite = QStringLiteral("https://qelmusic.example");
const QString kLookupInc = QStringLiteral("inc=artist-credits+labels+release-groups&fmt=json");
const QString kReleaseInc = QStringLiteral(
    "inc=artist-credits+labels+recordings+release-groups+genres+discids+media&fmt=json");

class TSystemClock : public TMbClock
{
public:
    TSystemClock() { m_timer.start(); }
    qint64 Now() override { return m_timer.elapsed(); }
    void Wait(qint64 ms, const std::function<bool()> &stop) override
    {
        if (ms <= 0 || stop())
            return;
        QTimer timer;
        timer.setSingleShot(true);
        timer.setTimerType(Qt::PreciseTimer);
        bool due = false;
        QObject::connect(&timer, &QTimer::timeout, [&due] { due = true; });
        timer.start(int(std::min<qint64>(ms, 24 * 3600 * 1000)));
        // Events keep running, so the window stays alive and a Cancel ends the wait.
        while (!due && !stop())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }

private:
    QElapsedTimer m_timer;
};

// "Retry-After" in seconds or as an HTTP date; the default when it says neither.
qint64 retryDelay(const QByteArray &header)
{
    const QByteArray value = header.trimmed();
    bool ok = false;
    qint64 ms = value.toLongLong(&ok) * 1000;
    if (!ok) {
        const QDateTime at = QDateTime::fromString(QString::fromLatin1(value), Qt::RFC2822Date);
        if (!at.isValid())
            return TMbClient::DefaultRetryDelay;
        ms = QDateTime::currentDateTimeUtc().msecsTo(at);
    }
    return std::clamp<qint64>(ms, 0, TMbClient::MaxRetryDelay);
}

bool isTransportError(QNetworkReply::NetworkError error)
{
    return (error > QNetworkReply::NoError && error < QNetworkReply::ContentAccessDenied) ||
           error == QNetworkReply::ProtocolFailure;
}

} // namespace

TMbClock &SystemMbClock()
{
    static TSystemClock clock;
    return clock;
}

namespace {
TMbPacer *sharedPacer = nullptr;
} // namespace

TMbPacer &TMbPacer::Shared()
{
    static TMbPacer pacer(SystemMbClock());
    return sharedPacer ? *sharedPacer : pacer;
}

void TMbPacer::SetShared(TMbPacer *pacer)
{
    sharedPacer = pacer;
}

bool TMbPacer::Admit(const std::function<bool()> &stop)
{
    if (stop())
        return false;
    if (m_any) {
        const qint64 due = m_last + MinInterval;
        for (qint64 now = m_clock.Now(); now < due; now = m_clock.Now()) {
            m_clock.Wait(due - now, stop);
            if (stop())
                return false;
        }
    }
    m_last = m_clock.Now();
    m_any = true;
    return true;
}

TMbClient::TMbClient(QObject *owner) : TProcess(owner), m_network(new QNetworkAccessManager(this))
{
    m_silence.setSingleShot(true);
    m_silence.setInterval(DefaultTimeout);
}

TMbClient::~TMbClient() = default;

void TMbClient::LoadSettings(const TPrefs &prefs, const TSettingsStore &store)
{
    if (!prefs.MusicBrainzServer.trimmed().isEmpty())
        Server = prefs.MusicBrainzServer.trimmed();
    if (!prefs.CoverArtServer.trimmed().isEmpty())
        CoverServer = prefs.CoverArtServer.trimmed();
    const QString email =
        store.ReadString(QStringLiteral("Cddb"), QStringLiteral("EmailAddress"), QString())
            .trimmed();
    Contact = email.contains(u'@') ? email : QString();
}

QByteArray TMbClient::UserAgent() const
{
    QString contact = Contact.isEmpty() ? kProgramSite : Contact;
    for (QChar &c : contact)
        if (c.unicode() < 0x20 || c.unicode() >= 0x7f)
            c = u'_';
    return "Qelmusic/" + GetVersionText(true).toLatin1() + " ( " + contact.toLatin1() + " )";
}

TMbPacer &TMbClient::Pacer()
{
    return m_pacer ? *m_pacer : TMbPacer::Shared();
}

void TMbClient::Run(const QString &caption, int max, const std::function<void()> &steps)
{
    if (m_runDepth++ == 0) {
        m_error.clear();
        Max = max;
        SetCaption(caption);
        Start();
        SetPosition(0);
    }
    steps();
    if (--m_runDepth == 0)
        Finish();
}

bool TMbClient::fail(const QString &message)
{
    m_error = Cancelled() ? tr("The look-up was cancelled.") : message;
    return false;
}

bool TMbClient::failData(const QString &detail)
{
    return fail(tr("The reply of MusicBrainz is not the data expected: %1.").arg(detail));
}

bool TMbClient::failHttp(TService service, const TReply &reply)
{
    const QString name = service == TService::MusicBrainz ? QStringLiteral("MusicBrainz")
                                                          : QStringLiteral("Cover Art Archive");
    const QString status =
        QStringLiteral("HTTP %1 %2").arg(reply.status).arg(QString::fromLatin1(reply.reason));
    if (reply.status == 503)
        return fail(tr("%1 is busy (%2) and asked to wait more than %3 times; try again later.")
                        .arg(name, status.trimmed())
                        .arg(MaxRetries));
    if (reply.status >= 500)
        return fail(tr("%1 failed to answer: %2.").arg(name, status.trimmed()));
    if (reply.status >= 400)
        return fail(tr("%1 refused the request: %2.").arg(name, status.trimmed()));
    return fail(tr("%1 answered %2, which was not expected.").arg(name, status.trimmed()));
}

QUrl TMbClient::serviceUrl(const QString &path, const QString &query) const
{
    QString base = Server;
    while (base.endsWith(u'/'))
        base.chop(1);
    return QUrl(base + path + (query.isEmpty() ? QString() : u'?' + query));
}

bool TMbClient::get(const QUrl &url, TService service, TReply &reply)
{
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return fail(tr("\"%1\" is not a web address (http:// or https://).")
                        .arg(url.toString(QUrl::RemoveQuery | QUrl::RemovePath)));
    for (int retries = 0;; ++retries) {
        if (!Pacer().Admit([this] { return stopRequested(); }))
            return fail({});
        emit Requested(url, Pacer().Clock().Now());
        bool busy = false;
        qint64 delay = DefaultRetryDelay;
        if (!send(url, service, reply, busy, delay))
            return false;
        if (!busy || retries == MaxRetries)
            return true;
        SetMessage(tr("The server is busy; trying again in %1 s...").arg((delay + 999) / 1000));
        Pacer().Clock().Wait(delay, [this] { return stopRequested(); });
        if (Cancelled())
            return fail({});
    }
}

bool TMbClient::send(const QUrl &url, TService service, TReply &out, bool &busy, qint64 &retryAfter)
{
    const bool json = service == TService::MusicBrainz;
    const qint64 limit = json ? MaxJsonSize : MaxCoverSize;
    const QString name = json ? QStringLiteral("MusicBrainz") : QStringLiteral("Cover Art Archive");
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, UserAgent());
    if (json)
        request.setRawHeader("Accept", "application/json");
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(MaxRedirects);

    std::unique_ptr<QNetworkReply> reply(m_network->get(request));
    QByteArray body;
    bool done = false, tooLarge = false, silent = false, cancelled = false;
    const auto tooLong = [&](qint64 size) {
        if (size <= limit)
            return false;
        tooLarge = true;
        reply->abort();
        return true;
    };
    QNetworkReply *r = reply.get();
    connect(r, &QNetworkReply::metaDataChanged, this, [&] {
        m_silence.start();
        // A declared size over the limit is refused before any of it comes.
        const QVariant length = r->header(QNetworkRequest::ContentLengthHeader);
        const int status = r->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (length.isValid() && status >= 200 && status < 300)
            tooLong(length.toLongLong());
    });
    connect(r, &QNetworkReply::readyRead, this, [&] {
        m_silence.start();
        if (!tooLarge && !tooLong(body.size() + r->bytesAvailable()))
            body += r->readAll();
    });
    connect(r, &QNetworkReply::redirected, this, [&] { m_silence.start(); });
    connect(r, &QNetworkReply::finished, this, [&] { done = true; });
    connect(&m_silence, &QTimer::timeout, r, [&] {
        silent = true;
        r->abort();
    });
    m_silence.start();
    while (!done) {
        if (Cancelled() && !cancelled) {
            cancelled = true;
            r->abort();
            continue;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    m_silence.stop();
    disconnect(&m_silence, nullptr, r, nullptr);
    if (r->isOpen() && !tooLarge && !tooLong(body.size() + r->bytesAvailable()))
        body += r->readAll();

    if (cancelled)
        return fail({});
    if (silent)
        return fail(
            tr("%1 did not answer for %2 seconds.").arg(name).arg(m_silence.interval() / 1000.0));
    if (tooLarge)
        return fail(tr("The reply of %1 is larger than %2 MB; it was refused.")
                        .arg(name)
                        .arg(limit / (1024 * 1024)));
    const QVariant status = r->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const QNetworkReply::NetworkError error = r->error();
    if (!status.isValid() ||
        (isTransportError(error) && status.toInt() >= 300 && status.toInt() < 400)) {
        switch (error) {
        case QNetworkReply::HostNotFoundError:
            return fail(tr("%1 could not be reached: the server %2 was not found.")
                            .arg(name, r->url().host()));
        case QNetworkReply::SslHandshakeFailedError:
            return fail(tr("The secure connection to %1 failed: %2").arg(name, r->errorString()));
        case QNetworkReply::TooManyRedirectsError:
            return fail(
                tr("%1 redirected the request more than %2 times.").arg(name).arg(MaxRedirects));
        case QNetworkReply::InsecureRedirectError:
            return fail(
                tr("%1 redirected the request to an address that is not secure.").arg(name));
        default:
            return fail(tr("%1 could not be reached: %2").arg(name, r->errorString()));
        }
    }
    if (isTransportError(error))
        return fail(tr("The reply of %1 was cut short: %2").arg(name, r->errorString()));
    out.status = status.toInt();
    out.reason = r->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray();
    out.body = body;
    busy = out.status == 503;
    if (busy)
        retryAfter = retryDelay(r->rawHeader("Retry-After"));
    return true;
}

bool TMbClient::lookupStep(const TMbDiscId &id, TMbReleases &releases)
{
    releases.clear();
    if (!id.IsValid())
        return fail(id.Error.isEmpty() ? tr("The disc has no MusicBrainz disc ID.") : id.Error);
    SetMessage(tr("Looking up disc ID %1 on MusicBrainz...").arg(id.Id));
    TReply reply;
    if (!get(serviceUrl(QStringLiteral("/ws/2/discid/") + id.Id, kLookupInc), TService::MusicBrainz,
             reply))
        return false;
    if (reply.status == 200) {
        const QString error = ReadMbReleaseList(reply.body, false, releases);
        if (!error.isEmpty())
            return failData(error);
        if (!releases.empty())
            return true;
    } else if (reply.status != 404) {
        return failHttp(TService::MusicBrainz, reply);
    }
    // MusicBrainz does not know the disc ID: releases whose table of contents is near.
    SetMessage(tr("Looking for releases with a near table of contents..."));
    QString toc = id.Toc;
    toc.replace(u' ', u'+');
    if (!get(serviceUrl(QStringLiteral("/ws/2/discid/-"),
                        QStringLiteral("toc=") + toc + QStringLiteral("&cdstubs=no&") + kLookupInc),
             TService::MusicBrainz, reply))
        return false;
    if (reply.status == 404)
        return true;
    if (reply.status != 200)
        return failHttp(TService::MusicBrainz, reply);
    const QString error = ReadMbReleaseList(reply.body, true, releases);
    return error.isEmpty() || failData(error);
}

bool TMbClient::readStep(TMbRelease &release)
{
    SetMessage(tr("Reading \"%1\" from MusicBrainz...")
                   .arg(release.Title.isEmpty() ? release.Id : release.Title));
    TReply reply;
    if (!get(serviceUrl(QStringLiteral("/ws/2/release/") +
                            QString::fromLatin1(QUrl::toPercentEncoding(release.Id)),
                        kReleaseInc),
             TService::MusicBrainz, reply))
        return false;
    if (reply.status == 404)
        return fail(tr("MusicBrainz has no release %1.").arg(release.Id));
    if (reply.status != 200)
        return failHttp(TService::MusicBrainz, reply);
    TMbRelease whole;
    const QString error = ReadMbRelease(reply.body, whole);
    if (!error.isEmpty())
        return failData(error);
    if (whole.Id != release.Id)
        return failData(tr("it describes another release (%1)").arg(whole.Id));
    whole.Near = release.Near;
    release = std::move(whole);
    return true;
}

bool TMbClient::LookupDisc(const TMbDiscId &id, TMbReleases &releases)
{
    bool ok = false;
    Run(tr("Looking up the CD on MusicBrainz"), 1, [&] {
        ok = lookupStep(id, releases);
        if (ok && m_runDepth == 1)
            SetPosition(1);
    });
    return ok;
}

bool TMbClient::QueryDisc(const TMbDiscId &id, TMbReleases &releases)
{
    bool ok = false;
    Run(tr("Looking up the CD on MusicBrainz"), 2, [&] {
        ok = lookupStep(id, releases);
        if (!ok || releases.empty())
            return;
        if (m_runDepth == 1)
            SetPosition(1);
        ok = readStep(releases.front());
        if (ok && m_runDepth == 1)
            SetPosition(2);
    });
    return ok;
}

bool TMbClient::QueryDiscs(const std::vector<TMbDiscId> &ids, std::vector<TMbReleases> &found)
{
    found.assign(ids.size(), {});
    bool ok = true;
    Run(tr("Looking up CDs on MusicBrainz"), int(ids.size()), [&] {
        ShowSub(true);
        for (size_t i = 0; i < ids.size() && ok; ++i) {
            SetSubMessage(tr("CD %1 of %2").arg(i + 1).arg(ids.size()));
            TMbReleases &releases = found[i];
            ok = lookupStep(ids[i], releases) && (releases.empty() || readStep(releases.front()));
            if (!ok && !Cancelled())
                m_error =
                    tr("CD %1 of %2 (%3): %4").arg(i + 1).arg(ids.size()).arg(ids[i].Id, m_error);
            SetPosition(int(i) + 1);
        }
    });
    return ok;
}

bool TMbClient::ReadRelease(TMbRelease &release)
{
    bool ok = false;
    Run(tr("Reading the release from MusicBrainz"), 1, [&] { ok = readStep(release); });
    return ok;
}

bool TMbClient::FetchCover(const QString &releaseId, QByteArray &bytes)
{
    bytes.clear();
    bool ok = false;
    Run(tr("Fetching the front cover"), 1, [&] {
        SetMessage(tr("Fetching the front cover from the Cover Art Archive..."));
        QString base = CoverServer;
        while (base.endsWith(u'/'))
            base.chop(1);
        TReply reply;
        if (!get(QUrl(base + QStringLiteral("/release/") +
                      QString::fromLatin1(QUrl::toPercentEncoding(releaseId)) +
                      QStringLiteral("/front-500")),
                 TService::CoverArt, reply))
            return;
        if (reply.status == 404) {
            fail(tr("The Cover Art Archive has no front cover for this release."));
            return;
        }
        if (reply.status != 200) {
            failHttp(TService::CoverArt, reply);
            return;
        }
        bytes = reply.body;
        ok = true;
    });
    return ok;
}
