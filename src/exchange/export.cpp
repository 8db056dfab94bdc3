#include "exchange/export.h"

#include "model/itemsort.h"

#include "model/album.h"
#include "model/atomicfile.h"
#include "model/dataitem.h"
#include "model/general.h"
#include "model/tracks.h"
#include "views/listfields.h"

#include <QDateTime>
#include <QFileDevice>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

namespace {

// Room for one UTF-16 unit in UTF-8 (3 bytes; a surrogate pair takes 4 for two units).
constexpr qsizetype kUtf8PerUnit = 3;
// The longest entity putHtml writes for one unit: "&quot;".
constexpr qsizetype kHtmlPerUnit = 6;

inline char *putUtf8(char *p, QStringView text, qsizetype &i)
{
    const char16_t c = text[i].unicode();
    if (c < 0x80) {
        *p++ = char(c);
    } else if (c < 0x800) {
        *p++ = char(0xC0 | (c >> 6));
        *p++ = char(0x80 | (c & 0x3F));
    } else if (QChar::isHighSurrogate(c) && i + 1 < text.size() &&
               QChar::isLowSurrogate(text[i + 1].unicode())) {
        const char32_t u = QChar::surrogateToUcs4(c, text[i + 1].unicode());
        ++i;
        *p++ = char(0xF0 | (u >> 18));
        *p++ = char(0x80 | ((u >> 12) & 0x3F));
        *p++ = char(0x80 | ((u >> 6) & 0x3F));
        *p++ = char(0x80 | (u & 0x3F));
    } else {
        // A lone surrogate has no UTF-8 form: the replacement character stands for it.
        const char16_t u = QChar::isSurrogate(c) ? char16_t(0xFFFD) : c;
        *p++ = char(0xE0 | (u >> 12));
        *p++ = char(0x80 | ((u >> 6) & 0x3F));
        *p++ = char(0x80 | (u & 0x3F));
    }
    return p;
}

constexpr qsizetype kBlockSize = qsizetype(1) << 20;

// Progress is passed on when the bar moves or this long after the last time, so that a
// large export does not spend its time letting the (idle) event loop run per record,
// while a Cancel is still noticed at once.
constexpr qint64 kProgressEveryMs = 40;

} // namespace

TExport::TExport(QObject *owner) : TProcess(owner) {}

TExport::~TExport() = default;

QString TExport::columnName(qsizetype column) const
{
    const TFieldId field = columnField(column);
    return FieldNames ? FieldNames->GetFieldName(field) : TQelFields::GetDefaultName(field);
}

char *TExport::room(qsizetype n)
{
    if (m_used + n > m_buffer.size()) {
        flushBuffer();
        if (n > m_buffer.size())
            m_buffer.resize(n); // a value larger than a block
    }
    return m_buffer.data() + m_used;
}

void TExport::put(const char *latin1)
{
    const qsizetype n = qsizetype(qstrlen(latin1));
    std::memcpy(room(n), latin1, std::size_t(n));
    m_used += n;
}

void TExport::endLine()
{
    char *p = room(2);
    p[0] = '\r';
    p[1] = '\n';
    m_used += 2;
    if (m_used >= kBlockSize)
        flushBuffer();
}

void TExport::putText(QStringView text, char16_t quote)
{
    char *const begin = room(text.size() * kUtf8PerUnit + 2);
    char *p = begin;
    if (quote)
        *p++ = char(quote);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80) {
            *p++ = char(c);
            if (c == quote && quote)
                *p++ = char(c);
        } else {
            p = putUtf8(p, text, i);
        }
    }
    if (quote)
        *p++ = char(quote);
    m_used += p - begin;
}

void TExport::putHtml(QStringView text)
{
    char *const begin = room(text.size() * kHtmlPerUnit);
    char *p = begin;
    const auto entity = [&p](const char *e) {
        while (*e)
            *p++ = *e++;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        switch (c) {
        case u'&':
            entity("&amp;");
            break;
        case u'<':
            entity("&lt;");
            break;
        case u'>':
            entity("&gt;");
            break;
        case u'"':
            entity("&quot;");
            break;
        default:
            if (c < 0x80)
                *p++ = char(c);
            else
                p = putUtf8(p, text, i);
        }
    }
    m_used += p - begin;
}

void TExport::flushBuffer()
{
    if (m_used == 0)
        return;
    if (m_writeError.isEmpty() && m_file) {
        // Each block goes to the disk at once: a full disk is then seen here, with the
        // system's reason, not when the file is closed.
        auto *device = static_cast<QFileDevice *>(m_file->Device());
        errno = 0;
        if (device->write(m_buffer.constData(), m_used) != m_used || !device->flush()) {
            const int code = errno;
            m_writeError =
                code != 0 ? QString::fromLocal8Bit(std::strerror(code)) : device->errorString();
        }
    }
    m_used = 0;
}

void TExport::reportProgress(qint32 done)
{
    const int percent = Max > 0 ? int(qint64(done) * 100 / Max) : 0;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (percent == m_lastPercent && now - m_lastProgress < kProgressEveryMs && done != Max)
        return;
    m_lastPercent = percent;
    m_lastProgress = now;
    SetPosition(done);
}

bool TExport::Prepare()
{
    if (!ItemList || !ShowFields || FileName.isEmpty())
        return false;
    if (QFileInfo::exists(FileName) &&
        AskYesNo(tr("File %1 already exists, do you want to overwrite it?").arg(FileName)) !=
            TAnswer::Yes)
        return false;
    ExportedCount = 0;
    Max = qint32(ItemList->size());
    SetMessage(ExportLevel == ilAlbum ? tr("Exporting Albums...") : tr("Exporting Tracks..."));
    m_file = std::make_unique<TAtomicFile>(FileName);
    if (!m_file->Open()) {
        m_file.reset();
        ShowInfo(tr("Could not create export file: \"%1\"").arg(FileName));
        return false;
    }
    m_columns.clear();
    for (qsizetype c = 0; c < ShowFields->Count(); ++c)
        m_columns.push_back(ShowFields->Items(c)->FieldId);
    m_writeError.clear();
    m_buffer.resize(kBlockSize + kBlockSize / 4);
    m_used = 0;
    return true;
}

bool TExport::Execute()
{
    if (!Prepare())
        return false;
    Start();
    m_lastPercent = -1;
    m_lastProgress = 0;
    writeHead();
    const QList<TDataItem *> &items = *ItemList;
    if (ListLevel == ExportLevel) {
        for (qint32 i = 0; i < items.size() && !Cancelled() && m_writeError.isEmpty(); ++i) {
            WriteItem(items[i]);
            reportProgress(i + 1);
        }
    } else if (ListLevel == ilAlbum && ExportLevel == ilTrack) {
        for (qint32 i = 0; i < items.size() && !Cancelled() && m_writeError.isEmpty(); ++i) {
            if (items[i]->Kind() == TItemKind::Album) {
                const auto *album = static_cast<const TAlbum *>(items[i]);
                for (qsizetype d = 0; d < album->DiscCount(); ++d) {
                    const TDisc *disc = album->Disc(d);
                    for (const TTrack *track : disc->Tracks)
                        WriteItem(track);
                }
            }
            reportProgress(i + 1);
        }
    }
    writeTail();
    flushBuffer();
    QString error = m_writeError;
    if (error.isEmpty() && !m_file->Commit())
        error = m_file->ErrorString();
    m_file.reset(); // a file not committed is removed here; the old one stays
    m_buffer = QByteArray();
    m_used = 0;
    Finish();
    if (!error.isEmpty()) {
        ShowInfo(tr("Could not write export file: \"%1\"\n%2").arg(FileName, error));
        return false;
    }
    ShowInfo((ExportLevel == ilAlbum ? tr("%1 Albums exported to \"%2\"")
                                     : tr("%1 Tracks exported to \"%2\""))
                 .arg(ExportedCount)
                 .arg(FileName));
    return true;
}

// Delimited text.

bool TExportAscii::Prepare()
{
    if (!TExport::Prepare())
        return false;
    SetCaption(tr("Export to ASCII"));
    return true;
}

void TExportAscii::WriteFieldNames()
{
    const char16_t quote = qualifier();
    for (qsizetype c = 0; c < columnCount(); ++c) {
        if (c)
            putText(Delimiter);
        putText(columnName(c), quote);
    }
    endLine();
}

char16_t TExportAscii::qualifier() const
{
    return TextQualifier.isEmpty() ? 0 : TextQualifier[0].unicode();
}

void TExportAscii::writeHead()
{
    if (IncludeFieldNames)
        WriteFieldNames();
}

void TExportAscii::WriteItem(const TDataItem *item)
{
    const char16_t quote = qualifier();
    for (qsizetype c = 0; c < columnCount(); ++c) {
        if (c)
            putText(Delimiter);
        // Stored texts go out without a string of their own.
        QStringView view;
        if (DisplayTextView(item, columnField(c), view))
            putText(view, quote);
        else
            putText(item->GetFieldAsString(columnField(c)), quote);
    }
    endLine();
    ++ExportedCount;
}

// HTML.

const char *TExportHTML::WebSite()
{
    return "https://qelmusic.example";
}

bool TExportHTML::Prepare()
{
    if (!TExport::Prepare())
        return false;
    SetCaption(tr("Export to HTML"));
    return true;
}

void TExportHTML::writeHead()
{
    putLine("<HTML>");
    putLine("<HEAD>");
    putLine("<META charset=\"utf-8\">");
    putLine("</HEAD>");
    putLine("<BODY>");
    putLine(Border ? "<TABLE BORDER=1>" : "<TABLE BORDER=0>");
    putLine("<TR ALIGN=LEFT>");
    for (qsizetype c = 0; c < columnCount(); ++c) {
        put("<TH>");
        putHtml(columnName(c));
        put("</TH>");
        endLine();
    }
    putLine("</TR>");
}

void TExportHTML::WriteItem(const TDataItem *item)
{
    putLine("<TR ALIGN=LEFT>");
    for (qsizetype c = 0; c < columnCount(); ++c) {
        QString computed;
        QStringView value;
        if (!DisplayTextView(item, columnField(c), value)) {
            computed = item->GetFieldAsString(columnField(c));
            value = computed;
        }
        if (value.isEmpty()) {
            put("<TD>-</TD>");
        } else {
            put("<TD>");
            putHtml(value);
            put("</TD>");
        }
        endLine();
    }
    putLine("</TR>");
    ++ExportedCount;
}

void TExportHTML::writeTail()
{
    putLine("<TR ALIGN=CENTER>");
    put("<TD COLSPAN = ");
    putNumber(columnCount());
    put("><font size=1>This list has been created with <a href=\"");
    put(WebSite());
    put("\">Qel, Music edition ");
    putText(GetVersionText(true));
    put("</a></font></TD>");
    endLine();
    putLine("</TR>");
    putLine("</TABLE>");
    putLine("</BODY>");
    putLine("</HTML>");
}
