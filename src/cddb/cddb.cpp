#include "cddb/cddb.h"

#include "cddb/cddbentry.h"
#include "cddb/cddbsites.h"
#include "cddb/httptransport.h"
#include "cddb/scancd.h"
#include "cddb/scanlist.h"
#include "model/general.h"
#include "shell/settingsstore.h"

#include <QCoreApplication>
#include <QHostInfo>

#include <exception>

namespace {

const QString kSection = QStringLiteral("Cddb");

bool isSentState(TCDDB::TState state)
{
    switch (state) {
    case TCDDB::QuerySent:
    case TCDDB::ReadSent:
    case TCDDB::SitesSent:
    case TCDDB::CategoriesSent:
    case TCDDB::SubmitSent:
        return true;
    default:
        return false;
    }
}

bool isEnd(TCDDB::TState state)
{
    return state == TCDDB::Finished || state == TCDDB::Failed;
}

// The diagnostic log never shows the proxy password itself.
QString masked(const QString &password)
{
    return password.isEmpty() ? QString() : QStringLiteral("********");
}

} // namespace

TCDDB::TCDDB(QObject *owner) : TProcess(owner), m_http(new THttpTransport(this))
{
    Site = QString::fromUtf16(kDefaultCddbSite);
    Address = QString::fromUtf16(kDefaultCddbAddress);
    Port = kDefaultCddbPort;
    ListSite = Site;
    ListAddress = Address;
    ListPort = kDefaultCddbPort;
    m_timer.setInterval(DefaultTimeout);
    connect(&m_timer, &QTimer::timeout, this, &TCDDB::onTimeout);
    connect(m_http, &THttpTransport::Data, this, &TCDDB::onData);
    connect(m_http, &THttpTransport::RequestDone, this, &TCDDB::onRequestDone);
    connect(m_http, &THttpTransport::SocketError, this, &TCDDB::onSocketError);
}

TCDDB::~TCDDB() = default;

void TCDDB::LoadSettings(const TSettingsStore &store)
{
    Site = store.ReadString(kSection, QStringLiteral("Site"), QString::fromUtf16(kDefaultCddbSite));
    Address = store.ReadString(kSection, QStringLiteral("Address"),
                               QString::fromUtf16(kDefaultCddbAddress));
    Port = store.ReadInteger(kSection, QStringLiteral("Port"), kDefaultCddbPort);
    UseProxy = store.ReadBool(kSection, QStringLiteral("UseProxy"), false);
    ProxyServer = store.ReadString(kSection, QStringLiteral("ProxyServer"), QString());
    ProxyPort = store.ReadInteger(kSection, QStringLiteral("ProxyPort"), 0);
    UseProxyAuthentication =
        store.ReadBool(kSection, QStringLiteral("UseProxyAuthentication"), false);
    ProxyUserName = store.ReadString(kSection, QStringLiteral("ProxyUserName"), QString());
    ProxyPassword = store.ReadString(kSection, QStringLiteral("ProxyPassword"), QString());
    EmailAddress = store.ReadString(kSection, QStringLiteral("EmailAddress"), QString());
}

void TCDDB::SaveSettings(TSettingsStore &store) const
{
    store.WriteString(kSection, QStringLiteral("Site"), Site);
    store.WriteString(kSection, QStringLiteral("Address"), Address);
    store.WriteInteger(kSection, QStringLiteral("Port"), Port);
    store.WriteBool(kSection, QStringLiteral("UseProxy"), UseProxy);
    store.WriteString(kSection, QStringLiteral("ProxyServer"), ProxyServer);
    store.WriteInteger(kSection, QStringLiteral("ProxyPort"), ProxyPort);
    store.WriteBool(kSection, QStringLiteral("UseProxyAuthentication"), UseProxyAuthentication);
    store.WriteString(kSection, QStringLiteral("ProxyUserName"), ProxyUserName);
    store.WriteString(kSection, QStringLiteral("ProxyPassword"), ProxyPassword);
    store.WriteString(kSection, QStringLiteral("EmailAddress"), EmailAddress);
}

void TCDDB::log(const QString &line)
{
    if (!DebugLog)
        return;
    DebugLog->append(line);
    emit Logged(line);
}

void TCDDB::Init(const QString &site, const QString &path, qint32 port)
{
    // The port travels in the URL, so a server on another port is reachable.
    QString url = QStringLiteral("http://") + site;
    if (port != 80 && port > 0)
        url += u':' + QString::number(port);
    m_http->Url = url + path;
    // What the settings no longer ask for leaves the transport too: a client lives on
    // after its proxy is switched off.
    const bool auth = UseProxy && UseProxyAuthentication;
    m_http->ProxyHost = UseProxy ? ProxyServer : QString();
    m_http->ProxyPort = UseProxy ? QString::number(ProxyPort) : QString();
    m_http->ProxyUserName = auth ? ProxyUserName : QString();
    m_http->ProxyPassword = auth ? ProxyPassword : QString();
    if (!EmailAddress.isEmpty() && EmailAddress.contains(u'@')) {
        SplitMailAddress(EmailAddress, HelloUser, HelloHost);
    } else {
        HelloHost = CleanHelloWord(QHostInfo::localHostName());
        HelloUser = CleanHelloWord(GetLoginName());
    }
    State = Ready;
    log(QStringLiteral("Init: Site:%1 Address:%2 Port:%3, Proxy:%4, ProxyPort:%5, "
                       "ProxyUserName:%6, ProxyPassword:%7")
            .arg(site, path)
            .arg(port)
            .arg(ProxyServer)
            .arg(ProxyPort)
            .arg(ProxyUserName, masked(ProxyPassword)));
}

QByteArray TCDDB::RequestBody(const QString &command) const
{
    QString body = QStringLiteral("cmd=") + QString(command).replace(u' ', u'+');
    body += QStringLiteral("&hello=%1+%2+Qel+%3&proto=6")
                .arg(HelloUser, HelloHost, GetVersionText(true));
    return body.toUtf8();
}

void TCDDB::SendCommand(const QString &command)
{
    m_timer.stop();
    m_timer.start();
    SetReply({});
    m_http->Body = RequestBody(command);
    m_http->Category.clear();
    m_http->DiscId.clear();
    m_http->UserEmail.clear();
    m_http->SubmitMode.clear();
    m_http->Charset.clear();
    log(QStringLiteral("Qel Music: ") + QString::fromUtf8(m_http->Body));
    m_http->PostAsync();
}

void TCDDB::SendQuery(const TScanCD &disc)
{
    QString command =
        QStringLiteral("cddb query %1 %2").arg(disc.CddbDiscIdText()).arg(disc.TrackCount());
    for (int i = 0; i < disc.TrackCount(); ++i)
        command += u' ' + QString::number(disc.Track(i).StartFrame);
    // The lead-out's seconds, which the servers' inexact matching expects.
    command += u' ' + QString::number(disc.LeadOutSeconds());
    State = QuerySent;
    SendCommand(command);
}

void TCDDB::SendRead(const QString &category, const QString &discId)
{
    State = ReadSent;
    SendCommand(QStringLiteral("cddb read %1 %2").arg(category, discId));
}

void TCDDB::AbortRequest()
{
    m_http->Abort();
    State = Finished;
}

void TCDDB::onData(const QByteArray &piece)
{
    m_timer.stop();
    m_timer.start();
    if (DebugLog)
        log(QStringLiteral("Server: ") + DecodeReply(piece));
    m_reply += piece;
    m_replyTextValid = false;
}

void TCDDB::onRequestDone(int error)
{
    if (error != 0) {
        State = Failed;
        ErrorKind = 26;
        ErrorDetail = QStringLiteral("Error code: %1").arg(error);
        return;
    }
    switch (State) {
    case QuerySent:
        State = QueryDone;
        break;
    case ReadSent:
        State = ReadDone;
        break;
    case SitesSent:
        State = SitesDone;
        break;
    case CategoriesSent:
        State = CategoriesDone;
        break;
    case SubmitSent:
        State = SubmitDone;
        break;
    default:
        break;
    }
}

void TCDDB::onSocketError(const QString &message)
{
    State = Failed;
    ErrorKind = 2;
    ErrorDetail = message;
}

void TCDDB::onTimeout()
{
    m_timer.stop();
    State = Failed;
    ErrorKind = 19;
    log(QStringLiteral("Failed: Time out"));
}

QString TCDDB::Reply() const
{
    if (!m_replyTextValid) {
        m_replyText = DecodeReply(m_reply);
        m_replyTextValid = true;
    }
    return m_replyText;
}

void TCDDB::SetReply(const QByteArray &bytes)
{
    m_reply = bytes;
    m_replyTextValid = false;
}

QString TCDDB::DecodeReply(const QByteArray &bytes)
{
    QString out;
    out.reserve(bytes.size());
    const auto *p = reinterpret_cast<const uchar *>(bytes.constData());
    const qsizetype n = bytes.size();
    auto cont = [&](qsizetype i) { return i < n && (p[i] & 0xC0) == 0x80; };
    for (qsizetype i = 0; i < n;) {
        const uchar b = p[i];
        char32_t code = 0;
        int length = 0;
        if (b < 0x80) {
            code = b;
            length = 1;
        } else if (b >= 0xC2 && b <= 0xDF && cont(i + 1)) {
            code = char32_t(b & 0x1F) << 6 | (p[i + 1] & 0x3F);
            length = 2;
        } else if (b >= 0xE0 && b <= 0xEF && cont(i + 1) && cont(i + 2) &&
                   !(b == 0xE0 && p[i + 1] < 0xA0) && !(b == 0xED && p[i + 1] > 0x9F)) {
            code = char32_t(b & 0x0F) << 12 | char32_t(p[i + 1] & 0x3F) << 6 | (p[i + 2] & 0x3F);
            length = 3;
        } else if (b >= 0xF0 && b <= 0xF4 && cont(i + 1) && cont(i + 2) && cont(i + 3) &&
                   !(b == 0xF0 && p[i + 1] < 0x90) && !(b == 0xF4 && p[i + 1] > 0x8F)) {
            code = char32_t(b & 0x07) << 18 | char32_t(p[i + 1] & 0x3F) << 12 |
                   char32_t(p[i + 2] & 0x3F) << 6 | (p[i + 3] & 0x3F);
            length = 4;
        }
        if (length == 0) {
            out += QChar(char16_t(b)); // not UTF-8: the byte as Latin-1
            ++i;
            continue;
        }
        if (QChar::requiresSurrogates(code)) {
            out += QChar(QChar::highSurrogate(code));
            out += QChar(QChar::lowSurrogate(code));
        } else {
            out += QChar(char16_t(code));
        }
        i += length;
    }
    return out;
}

int TCDDB::ReplyStatus() const
{
    if (m_reply.size() < 3)
        return -1;
    int status = 0;
    for (int i = 0; i < 3; ++i) {
        const char c = m_reply[i];
        if (c < '0' || c > '9')
            return -1;
        status = status * 10 + (c - '0');
    }
    return status;
}

bool TCDDB::replyHasLineEnd() const
{
    return m_reply.contains("\r\n");
}

bool TCDDB::replyIsCompleteList() const
{
    return m_reply.contains("\r\n.\r\n");
}

bool TCDDB::replyStatusOrFail(int &status, bool logFailure)
{
    status = ReplyStatus();
    if (status >= 0)
        return true;
    State = Failed;
    ErrorKind = 18;
    if (logFailure)
        log(QStringLiteral("Failed: Unexpected Server Response"));
    return false;
}

// The lines of a complete list reply, from the status line to the "." line.
QStringList TCDDB::replyListLines() const
{
    const QString text = Reply();
    const qsizetype end = text.indexOf(QStringLiteral("\r\n.\r\n"));
    if (end < 0)
        return {};
    QStringList lines = text.left(end).split(QStringLiteral("\r\n"));
    lines.append(QStringLiteral("."));
    return lines;
}

void TCDDB::HandleStatus(int status)
{
    struct TRow
    {
        int status;
        quint8 kind;
        const char *line;
    };
    static const TRow rows[] = {
        {401, 7, "Failed: Database entry not found"},
        {402, 16, "Failed: Server Error"},
        {403, 8, "Failed: Database entry corrupt"},
        {408, 14, "Failed: Cgi Environment Error"},
        {409, 9, "Failed: No Handshake"},
        {500, 15, "Failed: Syntax Error"},
        {530, 17, "Failed: Server Time Out"},
    };
    if (status == 417) {
        // Only a complete reply says which limit; an incomplete one changes nothing.
        if (!replyIsCompleteList())
            return;
        State = Failed;
        ErrorKind = 21;
        ErrorDetail = Reply();
        log(QStringLiteral("Failed: Access Limit Exceeded"));
        return;
    }
    State = Failed;
    for (const TRow &row : rows)
        if (row.status == status) {
            ErrorKind = row.kind;
            log(QString::fromLatin1(row.line));
            return;
        }
    ErrorKind = 22;
    log(QStringLiteral("Failed: Unknown Error Code"));
}

void TCDDB::ParseQueryReply(QStringList &matches)
{
    matches.clear();
    int status = 0;
    if (!replyHasLineEnd() || !replyStatusOrFail(status, true))
        return;
    switch (status) {
    case 200: {
        QString line = Reply().mid(4);
        const qsizetype end = line.indexOf(u'\r');
        if (end >= 0)
            line.truncate(end);
        matches.append(line);
        MatchKind = 2;
        break;
    }
    case 202:
        MatchKind = 1;
        break;
    case 210:
    case 211:
        if (!replyIsCompleteList())
            break;
        matches = replyListLines();
        matches.removeFirst();
        matches.removeLast();
        MatchKind = status == 210 ? 3 : (matches.size() == 1 ? 4 : 5);
        break;
    default:
        HandleStatus(status);
    }
}

// A reply whose body is a list under status 210. When noListKind is given, status 401
// says the server has no such list.
void TCDDB::readListReply(QStringList &lines, bool logFailure, int noListKind,
                          const QString &noListLog)
{
    lines.clear();
    int status = 0;
    if (!replyHasLineEnd() || !replyStatusOrFail(status, logFailure))
        return;
    if (status == 210) {
        if (replyIsCompleteList())
            lines = replyListLines();
    } else if (status == 401 && noListKind != 0) {
        State = Failed;
        ErrorKind = noListKind;
        log(noListLog);
    } else {
        HandleStatus(status);
    }
}

void TCDDB::ParseReadReply(QStringList &lines)
{
    readListReply(lines, true, 0, {});
    // A reply that stops before its closing line (or before its first line ends) may
    // lack any part of the entry: a failed read, not an entry made of what came.
    if (lines.isEmpty() && State != Failed) {
        State = Failed;
        ErrorKind = 27;
        log(QStringLiteral("Failed: Reply cut short"));
    }
}

void TCDDB::ParseSitesReply(QStringList &lines)
{
    readListReply(lines, true, 11, QStringLiteral("Failed: No site info available"));
}

void TCDDB::ParseCategoriesReply(QStringList &lines)
{
    readListReply(lines, false, 13, QStringLiteral("Failed: No Category List Available"));
}

void TCDDB::ReadSubmitReply()
{
    int status = 0;
    if (!replyStatusOrFail(status, true))
        return;
    if (status == 200)
        return;
    if (status == 400) {
        State = Failed;
        ErrorKind = 23;
        log(QStringLiteral("Failed: Internal server error, failed to forward submission"));
    } else if (status == 500) {
        State = Failed;
        ErrorKind = 24;
        log(QStringLiteral("Failed: Missing required header information"));
    } else {
        HandleStatus(status);
    }
}

void TCDDB::waitForProgress()
{
    // With a request out, nothing changes until an event comes: sleep until then
    // instead of spinning.
    if (isSentState(State) && !Cancelled())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    else
        QCoreApplication::processEvents();
}

void TCDDB::runOperation(const std::function<void()> &step)
{
    try {
        while (!isEnd(State)) {
            if (Cancelled()) {
                State = AbortRequested;
                ErrorKind = 20;
            }
            if (State == AbortRequested)
                AbortRequest();
            else
                step();
            if (!isEnd(State))
                waitForProgress();
        }
    } catch (const std::exception &e) {
        State = Failed;
        ErrorKind = 22;
        ErrorDetail = QString::fromLocal8Bit(e.what());
    }
    endOperation();
    Finish();
}

void TCDDB::endOperation()
{
    m_timer.stop();
    // A request still out (after a timeout) is of no use to anyone now.
    m_http->Abort();
}

QString TCDDB::ErrorMessage() const
{
    QString text;
    switch (ErrorKind) {
    case 0:
        break;
    case 2:
        text = tr("Connect failed:");
        break;
    case 7:
        text = tr("Query failed: Specified CDDB entry not found.");
        break;
    case 8:
        text = tr("Query failed: Database entry is corrupt.");
        break;
    case 9:
        text = tr("Query failed: No handshake.");
        break;
    case 11:
        text = tr("Query failed: No site information available. Keeping current list.");
        break;
    case 12:
        text = tr("Query failed: Site list empty. Keeping current list.");
        break;
    case 13:
        text = tr("Query failed: No category list available. Keeping current list.");
        break;
    case 14:
        text = tr("Query failed: CGI environment error.");
        break;
    case 15:
        text = tr("Query failed: Command syntax error.");
        break;
    case 16:
        text = tr("Query failed: Server error.");
        break;
    case 17:
        text = tr("Query failed: Server timeout.");
        break;
    case 18:
        text = tr("Query failed: Unexpected server response.");
        break;
    case 19:
        text = tr("Query failed: Connection timed out.");
        break;
    case 20:
        text = tr("Query cancelled.");
        break;
    case 21:
        text = tr("Query failed: Access Limit Exceeded:");
        break;
    case 23:
        text = tr("Submit Failed: Internal server error, failed to forward submission.");
        break;
    case 24:
        text = tr("Submit Failed: Missing required header information.");
        break;
    case 25:
        text = tr("Submit Failed: No Email address specified. Use \"CDDB Settings\" to specify "
                  "your Email address.");
        break;
    case 26:
        text = tr("Http Request Failed.");
        break;
    case 27:
        text = tr("Query failed: The server's reply was cut short.");
        break;
    default:
        text = tr("Failed: Unknown error.");
        break;
    }
    if (!ErrorDetail.isEmpty())
        text += QStringLiteral("\r\n") + ErrorDetail;
    return text;
}

void TCDDB::RefreshLists(TCddbSiteList &sites, TCddbCategoryList &categories,
                         const TSettingsStore &store)
{
    ErrorKind = 0;
    Max = 2;
    SetCaption(tr("Retrieving Site List"));
    Start();
    Init(ListSite, ListAddress, ListPort);
    SetPosition(0);
    ErrorDetail.clear();
    QStringList lines;
    runOperation([&] {
        switch (State) {
        case Ready:
            SetMessage(tr("Retrieving site list from %1...").arg(ListSite));
            State = SitesSent;
            SendCommand(QStringLiteral("sites"));
            break;
        case SitesDone:
            ParseSitesReply(lines);
            sites.BuildFromReply(lines);
            if (sites.Count() == 0) {
                ErrorKind = 12;
                sites.LoadFromStore(store);
            }
            SetPosition(1);
            SetMessage(tr("Retrieving category list from %1...").arg(ListSite));
            State = CategoriesSent;
            SendCommand(QStringLiteral("cddb lscat"));
            break;
        case CategoriesDone:
            ParseCategoriesReply(lines);
            if (lines.size() > 2)
                categories.BuildFromReply(lines);
            SetPosition(2);
            State = Finished;
            break;
        default:
            break;
        }
    });
}

void TCDDB::QueryDisc(TScanCD &disc)
{
    runQueries({&disc}, true);
}

void TCDDB::QueryDiscs(TScanCdList &list)
{
    ErrorKind = 0;
    if (list.Count() == 0)
        return;
    QList<TScanCD *> discs;
    for (int i = 0; i < list.Count(); ++i)
        discs.append(list.Item(i));
    runQueries(discs, false);
}

void TCDDB::runQueries(const QList<TScanCD *> &discs, bool single)
{
    ErrorKind = 0;
    Max = single ? 2 : int(discs.size());
    discs[0]->ClearCddbCDs();
    SetCaption(tr("Accessing CDDB for CD information"));
    Start();
    ShowSub(true);
    Init(Site, Address, Port);
    SetPosition(0);
    SetSubPosition(0);
    ErrorDetail.clear();

    int discIndex = 0;
    QStringList matches;
    QStringList lines;
    int matchIndex = 0;
    QString category;
    QString discId;
    auto disc = [&]() -> TScanCD & { return *discs[discIndex]; };
    auto readMatch = [&] {
        const QStringList words = matches[matchIndex].split(u' ');
        category = words.value(0);
        discId = words.value(1);
        SetSubMessage(tr("Reading CD info for CD %1 in Category %2...").arg(discId, category));
        SendRead(category, discId);
    };
    auto discDone = [&] {
        if (single) {
            State = Finished;
            SetPosition(2);
            return;
        }
        ++discIndex;
        SetPosition(discIndex);
        SetSubPosition(0);
        if (discIndex >= discs.size()) {
            State = Finished;
            return;
        }
        disc().ClearCddbCDs();
        SetMessage(tr("Querying for CD %1...").arg(disc().CddbDiscIdText()));
        SendQuery(disc());
    };
    runOperation([&] {
        switch (State) {
        case Ready:
            SetMessage(tr("Querying for CD %1...").arg(disc().CddbDiscIdText()));
            SendQuery(disc());
            break;
        case QueryDone:
            ParseQueryReply(matches);
            if (single)
                SetPosition(1);
            if (MatchKind >= 2 && MatchKind <= 5 && !matches.isEmpty()) {
                SubMax = int(matches.size());
                matchIndex = 0;
                const QString id = disc().CddbDiscIdText();
                const int n = int(matches.size());
                switch (MatchKind) {
                case 2:
                    SetMessage(tr("Found one exact match for %1").arg(id));
                    break;
                case 3:
                    SetMessage(tr("Found %1 exact matches").arg(n));
                    break;
                case 4:
                    SetMessage(tr("Found one inexact match for %1").arg(id));
                    break;
                default:
                    SetMessage(tr("Found %1 inexact matches").arg(n));
                    break;
                }
                readMatch();
            } else if (single) {
                State = Finished;
            } else {
                discDone();
            }
            break;
        case ReadDone: {
            ParseReadReply(lines);
            SetSubPosition(matchIndex + 1);
            // A failed read adds no entry: one made of no lines would become an album
            // without title or artist.
            if (!lines.isEmpty())
                ParseEntry(disc(), lines, disc().AddCddbCD(), discId, category);
            if (matchIndex < matches.size() - 1) {
                ++matchIndex;
                readMatch();
            } else {
                discDone();
            }
            break;
        }
        default:
            break;
        }
    });
}

void TCDDB::SubmitDisc(TScanCD &record)
{
    if (EmailAddress.isEmpty()) {
        State = Failed;
        ErrorKind = 25;
        return;
    }
    ErrorKind = 0;
    Max = 1;
    SetCaption(tr("Submitting CD information"));
    Start();
    Init(Site, QString::fromUtf16(kCddbSubmitAddress), Port);
    SetPosition(0);
    ErrorDetail.clear();
    runOperation([&] {
        switch (State) {
        case Ready:
            SetMessage(tr("Submitting info for CD %1...").arg(record.CddbDiscIdText()));
            sendSubmission(record);
            break;
        case SubmitDone:
            ReadSubmitReply();
            SetPosition(1);
            State = Finished;
            break;
        default:
            break;
        }
    });
}

void TCDDB::sendSubmission(TScanCD &record)
{
    if (record.CddbCDCount() == 0) {
        State = Failed;
        ErrorKind = 22;
        ErrorDetail = tr("There is no entry to submit.");
        return;
    }
    State = SubmitSent;
    QStringList lines;
    ComposeEntry(record, lines);
    QString text;
    for (const QString &line : std::as_const(lines))
        text += line + QStringLiteral("\r\n");
    m_timer.stop();
    m_timer.start();
    SetReply({});
    m_http->Body = text.toUtf8();
    log(QStringLiteral("Qel Music:"));
    log(text);
    m_http->Category = record.CddbCD(0).Category;
    m_http->DiscId = record.CddbDiscIdText();
    m_http->UserEmail = EmailAddress;
    m_http->SubmitMode = QStringLiteral("submit");
    m_http->Charset = QStringLiteral("UTF-8");
    m_http->PostAsync();
}
