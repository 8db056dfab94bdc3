#include "exchange/export.h"

#include "model/album.h"
#include "model/atomicfile.h"
#include "model/dataitem.h"
#include "model/general.h"
#include "model/tracks.h"
#include "views/listfields.h"

#include <QDateTime>
#include <QFileInfo>

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

// Progress is passed on when the bar moves or this long after the last time, so that a
// large export does not spend its time letting the (idle) event loop run per record,
// while a Cancel is still noticed at once.
constexpr qint64 kProgressEveryMs = 40;

} // namespace

TExport::TExport(QObject *owner) : TProcess(owner) {}

TExport::~TExport() = default;

qsizetype TExport::columnCount() const
{
    return ShowFields ? ShowFields->Count() : 0;
}

TFieldId TExport::columnField(qsizetype column) const
{
    return ShowFields->Items(column)->FieldId;
}

QString TExport::columnName(qsizetype column) const
{
    const TFieldId field = columnField(column);
    return FieldNames ? FieldNames->GetFieldName(field) : TQelFields::GetDefaultName(field);
}

void TExport::putText(QStringView text, char16_t quote)
{
    const qsizetype start = m_buffer.size();
    m_buffer.resize(start + text.size() * kUtf8PerUnit);
    char *const begin = m_buffer.data();
    char *p = begin + start;
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
    m_buffer.resize(p - begin);
}

void TExport::putHtml(QStringView text)
{
    const qsizetype start = m_buffer.size();
    m_buffer.resize(start + text.size() * kHtmlPerUnit);
    char *const begin = m_buffer.data();
    char *p = begin + start;
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
    m_buffer.resize(p - begin);
}

void TExport::flushBuffer()
{
    if (m_buffer.isEmpty())
        return;
    if (m_writeError.isEmpty() && m_file) {
        QIODevice *device = m_file->Device();
        if (device->write(m_buffer) != m_buffer.size()) {
            m_writeError = device->errorString();
            if (m_writeError.isEmpty())
                m_writeError = tr("The disk may be full.");
        }
    }
    m_buffer.resize(0); // keeps its capacity for the next block
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
    m_writeError.clear();
    m_buffer.clear();
    m_buffer.reserve(kBlockSize + kBlockSize / 4);
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

void TExportAscii::putValue(QStringView text)
{
    const char16_t quote = TextQualifier.isEmpty() ? 0 : TextQualifier[0].unicode();
    if (quote)
        putText(QStringView(TextQualifier).left(1));
    putText(text, quote);
    if (quote)
        putText(QStringView(TextQualifier).left(1));
}

void TExportAscii::WriteFieldNames()
{
    for (qsizetype c = 0; c < columnCount(); ++c) {
        if (c)
            putText(Delimiter);
        putValue(columnName(c));
    }
    endLine();
}

void TExportAscii::writeHead()
{
    if (IncludeFieldNames)
        WriteFieldNames();
}

void TExportAscii::WriteItem(const TDataItem *item)
{
    for (qsizetype c = 0; c < columnCount(); ++c) {
        if (c)
            putText(Delimiter);
        putValue(item->GetFieldAsString(columnField(c)));
    }
    endLine();
    ++ExportedCount;
}

// HTML.

const char *TExportHTML::WebSite()
{
    return "https://qelmusic.org/";
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
        const QString value = item->GetFieldAsString(columnField(c));
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
