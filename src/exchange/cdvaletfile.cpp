#include "exchange/cdvaletfile.h"

#include "model/textcodec.h"

#include <limits>

bool TCdValetReader::readLine(QByteArrayView &line)
{
    const qsizetype n = m_data.size();
    if (m_pos >= n)
        return false;
    qsizetype end = m_pos;
    while (end < n && m_data[end] != '\n')
        ++end;
    qsizetype stop = end;
    if (stop > m_pos && m_data[stop - 1] == '\r')
        --stop;
    line = m_data.sliced(m_pos, stop - m_pos);
    m_pos = end < n ? end + 1 : n;
    return true;
}

bool TCdValetReader::atFormFeedLine() const
{
    const qsizetype n = m_data.size();
    if (m_pos >= n || m_data[m_pos] != '\f' || (m_pos > 0 && m_data[m_pos - 1] != '\n'))
        return false;
    const qsizetype next = m_pos + 1;
    return next == n || m_data[next] == '\n' ||
           (m_data[next] == '\r' && (next + 1 == n || m_data[next + 1] == '\n'));
}

bool TCdValetReader::readNumber(qint32 &value)
{
    const qsizetype n = m_data.size();
    while (m_pos < n && (m_data[m_pos] == ' ' || m_data[m_pos] == '\t' || m_data[m_pos] == '\r' ||
                         m_data[m_pos] == '\n'))
        ++m_pos;
    qint64 v = 0;
    const qsizetype start = m_pos;
    while (m_pos < n && m_data[m_pos] >= '0' && m_data[m_pos] <= '9') {
        v = v * 10 + (m_data[m_pos] - '0');
        if (v > std::numeric_limits<qint32>::max())
            return false;
        ++m_pos;
    }
    if (m_pos == start)
        return false;
    // The rest of the line is not read.
    while (m_pos < n && m_data[m_pos] != '\n')
        ++m_pos;
    if (m_pos < n)
        ++m_pos;
    value = qint32(v);
    return true;
}

bool TCdValetReader::readText(qint32 length, QByteArray &text)
{
    // Lines joined by single blanks until the text is as long as its length says; at
    // least one line, even for length 0.
    text.clear();
    bool first = true;
    do {
        QByteArrayView line;
        if (atFormFeedLine() || !readLine(line))
            return false;
        if (!first)
            text.append(' ');
        text.append(line);
        first = false;
    } while (text.size() < length);
    return true;
}

bool TCdValetReader::readNotes(qint32 length, QByteArray &notes)
{
    notes.clear();
    if (length == 0) {
        QByteArrayView line;
        return !atFormFeedLine() && readLine(line);
    }
    // Exactly length characters across line breaks: a carriage return counts but is
    // dropped, a line feed reads as a blank.
    for (qint32 i = 0; i < length; ++i) {
        if (m_pos >= m_data.size() || atFormFeedLine())
            return false;
        const char c = m_data[m_pos++];
        if (c == '\n')
            notes.append(' ');
        else if (c != '\r')
            notes.append(c);
    }
    return true;
}

void TCdValetReader::skipPastFormFeed()
{
    // From the start of a line: a failure mid-line first finishes that line.
    if (m_pos > 0 && m_pos < m_data.size() && m_data[m_pos - 1] != '\n') {
        QByteArrayView rest;
        readLine(rest);
    }
    while (m_pos < m_data.size()) {
        const bool formFeed = atFormFeedLine();
        QByteArrayView line;
        readLine(line);
        if (formFeed)
            return;
    }
}

TCdValetReader::TResult TCdValetReader::readBody(TCdValetRecord &record)
{
    qint32 ignored = 0;
    for (int i = 0; i < 4; ++i) // three numbers and the artist's length
        if (!readNumber(ignored))
            return TResult::Malformed;
    QByteArrayView artist;
    if (atFormFeedLine() || !readLine(artist))
        return TResult::Malformed;
    record.Artist = cp1252::decode(artist);

    qint32 length = 0;
    QByteArray text;
    if (!readNumber(length) || !readText(length, text))
        return TResult::Malformed;
    record.Title = cp1252::decode(text);
    if (!readNumber(length) || !readNotes(length, text))
        return TResult::Malformed;
    record.Notes = cp1252::decode(text);

    qint32 count = 0;
    if (!readNumber(count) || count == 0)
        return TResult::Malformed;
    for (qint32 t = 0; t < count; ++t) {
        TCdValetTrack track;
        if (!readNumber(track.StartFrame) || !readNumber(length) || !readText(length, text))
            return TResult::Malformed;
        track.Text = cp1252::decode(text);
        if (!readNumber(length) || !readNotes(length, text))
            return TResult::Malformed;
        track.Notes = cp1252::decode(text);
        record.Tracks.push_back(std::move(track));
    }
    if (!readNumber(record.LeadOut) || !readNumber(ignored))
        return TResult::Malformed;
    return TResult::Ok;
}

TCdValetReader::TResult TCdValetReader::ReadRecord(const QString &id, TCdValetRecord &record)
{
    record = TCdValetRecord();
    // Blank lines between records are passed over.
    QByteArrayView first;
    do {
        if (!readLine(first))
            return TResult::OutOfStep;
    } while (first.trimmed().isEmpty());
    if (cp1252::decode(first.trimmed()).compare(id.trimmed(), Qt::CaseInsensitive) != 0)
        return TResult::OutOfStep;
    const TResult result = readBody(record);
    skipPastFormFeed();
    return result;
}

QStringList ReadCdValetToc(QByteArrayView bytes)
{
    QStringList lines;
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        qsizetype end = pos;
        while (end < bytes.size() && bytes[end] != '\n')
            ++end;
        QByteArrayView line = bytes.sliced(pos, end - pos);
        if (line.endsWith('\r'))
            line.chop(1);
        lines.append(cp1252::decode(line));
        pos = end + 1;
    }
    return lines;
}
