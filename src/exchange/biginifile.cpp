#include "exchange/biginifile.h"

#include "model/atomicfile.h"
#include "model/textcodec.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// Enough bytes for 255 characters even when every one is written as a reference.
constexpr qsizetype kMaxLineBytes = TBigIniFile::MaxLineLength * 12;

QString decodeLine(QByteArrayView bytes)
{
    QString text = cp1252::decode(bytes.first(std::min(bytes.size(), kMaxLineBytes)));
    if (text.size() > TBigIniFile::MaxLineLength) {
        qsizetype keep = TBigIniFile::MaxLineLength;
        // Never half a character.
        if (text[keep - 1].isHighSurrogate())
            --keep;
        text.truncate(keep);
    }
    return text;
}

QString cut(QString line)
{
    if (line.size() > TBigIniFile::MaxLineLength) {
        qsizetype keep = TBigIniFile::MaxLineLength;
        if (line[keep - 1].isHighSurrogate())
            --keep;
        line.truncate(keep);
    }
    return line;
}

bool sameName(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

} // namespace

TBigIniFile::TBigIniFile(const QString &fileName)
{
    SetFileName(fileName);
}

TBigIniFile::~TBigIniFile()
{
    UpdateFile();
}

void TBigIniFile::clear()
{
    m_sections.clear();
    m_index.clear();
    m_current = 0;
    m_lastFound = 0;
}

bool TBigIniFile::SetFileName(const QString &fileName)
{
    const bool written = UpdateFile();
    const QString writeError = m_error;
    clear();
    m_fileName = fileName;
    m_modified = false;
    m_error.clear();
    if (!fileName.isEmpty() && QFileInfo::exists(fileName)) {
        QFile file(fileName);
        if (QFileInfo(fileName).isDir() || !file.open(QIODevice::ReadOnly)) {
            m_error = QCoreApplication::translate("TBigIniFile", "\"%1\" cannot be read: %2")
                          .arg(QDir::toNativeSeparators(fileName),
                               QFileInfo(fileName).isDir()
                                   ? QCoreApplication::translate("TBigIniFile", "it is a folder")
                                   : file.errorString());
            return false;
        }
        LoadFromBytes(file.readAll());
        if (file.error() != QFileDevice::NoError) {
            clear();
            m_modified = false;
            m_error = QCoreApplication::translate("TBigIniFile", "\"%1\" cannot be read: %2")
                          .arg(QDir::toNativeSeparators(fileName), file.errorString());
            return false;
        }
    }
    if (!written)
        m_error = writeError;
    return written;
}

void TBigIniFile::LoadFromBytes(QByteArrayView bytes)
{
    clear();
    const char *p = bytes.data();
    const qsizetype n = bytes.size();
    int section = -1; // where lines go; -1 before the first section and in a duplicate
    qsizetype i = 0;
    while (i < n) {
        qsizetype end = i;
        while (end < n && p[end] != '\r' && p[end] != '\n')
            ++end;
        const QByteArrayView line(p + i, end - i);
        i = end;
        if (i < n && p[i] == '\r')
            ++i;
        if (i < n && p[i] == '\n')
            ++i;
        // An empty line, or the old end-of-file mark alone on one.
        if (line.isEmpty() || (line.size() == 1 && line[0] == '\x1a'))
            continue;
        QString text = decodeLine(line);
        if (text.size() >= 2 && text.front() == u'[' && text.back() == u']') {
            const QString name = text.mid(1, text.size() - 2);
            if (indexOf(name) >= 0) {
                // The first of equal names wins; the file is rewritten without the rest.
                section = -1;
                m_modified = true;
            } else {
                section = appendSection(name);
            }
            continue;
        }
        if (section >= 0)
            m_sections[size_t(section)].lines.append(std::move(text));
    }
}

namespace {

// A line and its end. A line break inside it (a value written with one, or read as a
// reference) would split it when read back, and the end-of-file mark alone would be
// dropped: those go out as references.
void appendLine(const QString &line, QByteArray &out)
{
    const qsizetype start = out.size();
    cp1252::encodeAppend(line, out);
    if (line.contains(u'\r') || line.contains(u'\n') || line == QStringView(u"\x1a")) {
        QByteArray bytes = out.sliced(start);
        out.truncate(start);
        bytes.replace('\r', "&#13;").replace('\n', "&#10;");
        out.append(bytes == "\x1a" ? QByteArray("&#26;") : bytes);
    }
    out.append("\r\n");
}

} // namespace

QByteArray TBigIniFile::ToBytes() const
{
    QByteArray out;
    for (const TSection &s : m_sections) {
        if (s.lines.isEmpty())
            continue;
        appendLine(u'[' + s.name + u']', out);
        for (const QString &line : s.lines)
            appendLine(line, out);
        out.append("\r\n");
    }
    return out;
}

void TBigIniFile::rebuildIndex()
{
    m_index.clear();
    for (size_t i = 0; i < m_sections.size(); ++i)
        m_index.insert(key(m_sections[i].name), int(i));
}

int TBigIniFile::indexOf(const QString &name) const
{
    return m_index.value(key(name), -1);
}

int TBigIniFile::appendSection(const QString &name)
{
    m_sections.push_back({name, {}});
    const int i = int(m_sections.size()) - 1;
    m_index.insert(key(name), i);
    return i;
}

int TBigIniFile::entrySection(const QString &section, bool create)
{
    if (m_current < SectionCount() && sameName(m_sections[size_t(m_current)].name, section))
        return m_current;
    int i = indexOf(section);
    if (i < 0) {
        if (!create)
            return -1;
        i = appendSection(section);
    }
    m_current = i;
    return i;
}

int TBigIniFile::findSection(const QString &section)
{
    if (m_lastFound < SectionCount() && sameName(m_sections[size_t(m_lastFound)].name, section))
        return m_lastFound;
    const int i = indexOf(section);
    if (i >= 0)
        m_lastFound = i;
    return i;
}

int TBigIniFile::findEntry(const QStringList &lines, const QString &name)
{
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const qsizetype eq = lines[i].indexOf(u'=');
        if (eq >= 0 && sameName(QStringView(lines[i]).first(eq), name))
            return int(i);
    }
    return -1;
}

QString TBigIniFile::ReadString(const QString &section, const QString &name, const QString &def)
{
    const int s = entrySection(section, false);
    if (s < 0)
        return def;
    const QStringList &lines = m_sections[size_t(s)].lines;
    const int e = findEntry(lines, name);
    if (e < 0)
        return def;
    const QString &line = lines[e];
    return line.mid(line.indexOf(u'=') + 1);
}

void TBigIniFile::WriteString(const QString &section, const QString &name, const QString &value)
{
    if (name.isEmpty()) {
        if (!section.isEmpty() || !value.isEmpty())
            EraseSection(section);
        else
            UpdateFile();
        return;
    }
    QString line = cut(name + u'=' + value);
    QStringList &lines = m_sections[size_t(entrySection(section, true))].lines;
    const int e = findEntry(lines, name);
    if (e < 0) {
        lines.append(std::move(line));
        m_modified = true;
    } else if (lines[e] != line) {
        lines[e] = std::move(line);
        m_modified = true;
    }
}

bool TBigIniFile::ParseInteger(const QString &text, qint32 &value)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'-' || text[i] == u'+'))
        negative = text[i++] == u'-';
    bool hex = false;
    if (i < n && text[i] == u'$') {
        hex = true;
        ++i;
    } else if (i + 1 < n && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        hex = true;
        i += 2;
    }
    if (i >= n)
        return false;
    quint64 v = 0;
    for (; i < n; ++i) {
        const int d = hex ? hexDigit(text[i]) : (text[i].isDigit() ? hexDigit(text[i]) : -1);
        if (d < 0)
            return false;
        v = v * (hex ? 16 : 10) + quint64(d);
        if (v > 0xFFFFFFFFull)
            return false;
    }
    if (hex) {
        // Eight hexadecimal digits are the 32 bits as they stand.
        const qint32 bits = qint32(quint32(v));
        value = negative ? qint32(0u - quint32(bits)) : bits;
        return true;
    }
    if (v > (negative ? 0x80000000ull : 0x7FFFFFFFull))
        return false;
    value = negative ? qint32(0u - quint32(v)) : qint32(v);
    return true;
}

qint32 TBigIniFile::ReadInteger(const QString &section, const QString &name, qint32 def)
{
    qint32 value = 0;
    return ParseInteger(ReadString(section, name, QString()), value) ? value : def;
}

void TBigIniFile::WriteInteger(const QString &section, const QString &name, qint32 value)
{
    WriteString(section, name, QString::number(value));
}

bool TBigIniFile::ReadBool(const QString &section, const QString &name, bool def)
{
    return ReadInteger(section, name, def ? 1 : 0) != 0;
}

void TBigIniFile::WriteBool(const QString &section, const QString &name, bool value)
{
    WriteString(section, name, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TBigIniFile::ReadSection(const QString &section, QStringList &names)
{
    const int s = findSection(section);
    if (s < 0)
        return;
    for (const QString &line : m_sections[size_t(s)].lines) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq >= 0)
            names.append(line.left(eq));
    }
}

void TBigIniFile::ReadSections(QStringList &sections) const
{
    sections.clear();
    sections.reserve(qsizetype(m_sections.size()));
    for (const TSection &s : m_sections)
        sections.append(s.name);
}

void TBigIniFile::ReadSectionValues(const QString &section, QStringList &lines)
{
    const int s = findSection(section);
    if (s >= 0)
        lines.append(m_sections[size_t(s)].lines);
}

void TBigIniFile::EraseSection(const QString &section)
{
    const int s = findSection(section);
    if (s < 0)
        return;
    m_sections.erase(m_sections.begin() + s);
    rebuildIndex();
    m_modified = true;
    m_lastFound = 0;
    if (m_current >= SectionCount())
        m_current = 0;
}

void TBigIniFile::DeleteKey(const QString &section, const QString &name)
{
    QStringList &lines = m_sections[size_t(entrySection(section, true))].lines;
    const int e = findEntry(lines, name);
    if (e >= 0) {
        lines.removeAt(e);
        m_modified = true;
    }
}

bool TBigIniFile::UpdateFile()
{
    if (!m_modified)
        return true;
    if (m_fileName.isEmpty()) {
        m_modified = false;
        return true;
    }
    const QString error = WriteFileAtomically(m_fileName, ToBytes());
    if (!error.isEmpty()) {
        m_error = QCoreApplication::translate("TBigIniFile", "\"%1\" cannot be written: %2")
                      .arg(QDir::toNativeSeparators(m_fileName), error);
        return false;
    }
    m_modified = false;
    return true;
}
