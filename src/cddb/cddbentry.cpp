#include "cddb/cddbentry.h"

#include "cddb/scancd.h"

TCddbTrack &TCddbCD::AddTrack()
{
    m_tracks.push_back(std::make_unique<TCddbTrack>());
    return *m_tracks.back();
}

QString TCddbCD::Artist() const
{
    const qsizetype slash = DTitle.indexOf(u'/');
    return slash < 0 ? DTitle : DTitle.left(slash).trimmed();
}

QString TCddbCD::Title() const
{
    const qsizetype slash = DTitle.indexOf(u'/');
    return slash < 0 ? DTitle : DTitle.mid(slash + 1).trimmed();
}

QString TCddbCD::DiscIdText() const
{
    return QStringLiteral("%1").arg(quint32(DiscId), 8, 16, QLatin1Char('0'));
}

void ParseEntry(const TScanCD &disc, const QStringList &lines, TCddbCD &entry,
                const QString &discIdText, const QString &category)
{
    entry.Category = category;
    bool ok = false;
    const quint32 id = discIdText.toUInt(&ok, 16);
    entry.DiscId = ok ? qint32(id) : 0;
    const int n = disc.TrackCount();
    entry.ClearTracks();
    for (int i = 0; i < n; ++i)
        entry.AddTrack();

    static const QString revision = QStringLiteral("# Revision: ");
    static const QString via = QStringLiteral("# Submitted via: ");
    QString extd;
    std::vector<QString> extt(static_cast<size_t>(n));
    for (const QString &line : lines) {
        if (line.startsWith(revision)) {
            const int value = line.mid(revision.size()).toInt(&ok);
            entry.Revision = ok ? value : 0;
        } else if (line.startsWith(via)) {
            entry.SubmittedVia = line.mid(via.size());
        } else if (line.startsWith(QLatin1String("DTITLE="))) {
            entry.DTitle += line.mid(7);
        } else if (line.startsWith(QLatin1String("EXTD="))) {
            extd += line.mid(5);
        } else if (line.startsWith(QLatin1String("TTITLE")) ||
                   line.startsWith(QLatin1String("EXTT"))) {
            // The keyword's number runs up to "="; "TTITLE1=" never matches track 10.
            const bool title = line.startsWith(u'T');
            const qsizetype from = title ? 6 : 4;
            const qsizetype equals = line.indexOf(u'=', from);
            if (equals <= from)
                continue;
            const QStringView number = QStringView(line).mid(from, equals - from);
            bool digits = !number.isEmpty() && number.size() <= 3;
            for (const QChar c : number)
                digits = digits && c.isDigit() && c.unicode() < 128;
            if (!digits)
                continue;
            const int index = number.toInt();
            if (index >= n || QString::number(index) != number)
                continue;
            if (title)
                entry.Track(index).Title += line.mid(equals + 1);
            else
                extt[size_t(index)] += line.mid(equals + 1);
        }
    }
    entry.ExtData = UnescapeText(extd);
    for (int i = 0; i < n; ++i)
        entry.Track(i).ExtData = UnescapeText(extt[size_t(i)]);
}

QString UnescapeText(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\\' && i + 1 < text.size()) {
            const QChar next = text[i + 1];
            if (next == u'n') {
                out += QLatin1String("\r\n");
                ++i;
                continue;
            }
            if (next == u't') {
                out += u'\t';
                ++i;
                continue;
            }
            if (next == u'\\') {
                out += u'\\';
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

QString EscapeText(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            out += QLatin1String("\\n");
            ++i;
        } else if (c == u'\t') {
            out += QLatin1String("\\t");
        } else if (c == u'\\') {
            out += QLatin1String("\\\\");
        } else if ((c >= 32 && c <= 126) || c >= 160) {
            out += QChar(c);
        }
    }
    return out;
}

void AddKeywordLines(const QString &keyword, const QString &value, QStringList &lines)
{
    const QString head = keyword + u'=';
    if (value.isEmpty()) {
        lines << head;
        return;
    }
    const qsizetype room = 77 - keyword.size();
    QString chunk;
    for (qsizetype i = 0; i < value.size(); ++i) {
        // A surrogate pair stays on one line: half a character is no character.
        const qsizetype take = value[i].isHighSurrogate() && i + 1 < value.size() ? 2 : 1;
        if (take == 2 && chunk.size() + 2 > room + 1) {
            lines << head + chunk;
            chunk.clear();
        }
        chunk += QStringView(value).mid(i, take);
        i += take - 1;
        if (chunk.size() > room) {
            lines << head + chunk;
            chunk.clear();
        }
    }
    if (!chunk.isEmpty())
        lines << head + chunk;
}

void ComposeEntry(const TScanCD &disc, QStringList &lines)
{
    lines.clear();
    if (disc.CddbCDCount() == 0)
        return;
    const TCddbCD &e = disc.CddbCD(0);
    const int n = std::min(e.TrackCount(), disc.TrackCount());
    lines << QStringLiteral("# xmcd") << QStringLiteral("#")
          << QStringLiteral("# Track frame offsets:");
    for (int i = 0; i < n; ++i)
        lines << QStringLiteral("#  %1").arg(disc.Track(i).StartFrame);
    lines << QStringLiteral("#")
          << QStringLiteral("# Disc length: %1 seconds").arg(disc.LeadOutSeconds())
          << QStringLiteral("#") << QStringLiteral("# Revision: %1").arg(e.Revision + 1)
          << QStringLiteral("# Submitted via: %1").arg(e.SubmittedVia) << QStringLiteral("#")
          << QStringLiteral("DISCID=%1").arg(disc.CddbDiscIdText());
    AddKeywordLines(QStringLiteral("DTITLE"), EscapeText(e.DTitle), lines);
    for (int i = 0; i < n; ++i)
        AddKeywordLines(QStringLiteral("TTITLE%1").arg(i), EscapeText(e.Track(i).Title), lines);
    AddKeywordLines(QStringLiteral("EXTD"), EscapeText(e.ExtData), lines);
    for (int i = 0; i < n; ++i)
        AddKeywordLines(QStringLiteral("EXTT%1").arg(i), EscapeText(e.Track(i).ExtData), lines);
    lines << QStringLiteral("PLAYORDER=");
}
