#include "cddb/scanlist.h"

#include "cddb/scancd.h"
#include "model/atomicfile.h"
#include "model/general.h"
#include "model/qelerror.h"
#include "model/textcodec.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <memory>

namespace {

enum : quint8 {
    kListEnd = 0x00,
    kListBegin = 0x01,
    kInt8 = 0x02,
    kInt16 = 0x03,
    kInt32 = 0x04,
    kString = 0x06,
    kLString = 0x0C,
};

QString tr(const char *text)
{
    return QCoreApplication::translate("TScanCdList", text);
}

class TWriter
{
public:
    void tag(quint8 t) { out.append(char(t)); }
    void integer(qint32 v)
    {
        if (v >= -128 && v <= 127) {
            tag(kInt8);
            out.append(char(qint8(v)));
        } else if (v >= -32768 && v <= 32767) {
            tag(kInt16);
            raw(quint32(v), 2);
        } else {
            tag(kInt32);
            raw(quint32(v), 4);
        }
    }
    void text(const QString &s)
    {
        const QByteArray bytes = cp1252::encode(s);
        if (bytes.size() <= 255) {
            tag(kString);
            out.append(char(quint8(bytes.size())));
        } else {
            tag(kLString);
            raw(quint32(bytes.size()), 4);
        }
        out.append(bytes);
    }
    QByteArray out;

private:
    void raw(quint32 v, int bytes)
    {
        for (int i = 0; i < bytes; ++i)
            out.append(char((v >> (8 * i)) & 0xFF));
    }
};

// Every read checks the bytes left: a length the file merely declares is never trusted.
class TReader
{
public:
    explicit TReader(const QByteArray &bytes) : m_bytes(bytes) {}

    bool atListEnd()
    {
        need(1);
        if (quint8(m_bytes[m_pos]) == kListEnd) {
            ++m_pos;
            return true;
        }
        return false;
    }
    void expect(quint8 t)
    {
        need(1);
        if (quint8(m_bytes[m_pos]) != t)
            fail();
        ++m_pos;
    }
    qint32 integer()
    {
        need(1);
        const quint8 t = quint8(m_bytes[m_pos++]);
        if (t == kInt8) {
            need(1);
            return qint8(m_bytes[m_pos++]);
        }
        if (t == kInt16)
            return qint16(raw(2));
        if (t == kInt32)
            return qint32(raw(4));
        fail();
    }
    QString text()
    {
        need(1);
        const quint8 t = quint8(m_bytes[m_pos++]);
        quint32 length;
        if (t == kString) {
            need(1);
            length = quint8(m_bytes[m_pos++]);
        } else if (t == kLString) {
            length = raw(4);
        } else {
            fail();
        }
        need(length);
        const QString s =
            cp1252::decode(QByteArrayView(m_bytes.constData() + m_pos, qsizetype(length)));
        m_pos += length;
        return s;
    }
    bool atEnd() const { return m_pos == m_bytes.size(); }

private:
    quint32 raw(int bytes)
    {
        need(quint32(bytes));
        quint32 v = 0;
        for (int i = 0; i < bytes; ++i)
            v |= quint32(quint8(m_bytes[m_pos++])) << (8 * i);
        return v;
    }
    void need(quint64 n) const
    {
        if (quint64(m_bytes.size() - m_pos) < n)
            fail();
    }
    [[noreturn]] void fail() const
    {
        throw EQel(tr("The scan list is damaged at byte %1.").arg(m_pos));
    }

    const QByteArray &m_bytes;
    qsizetype m_pos = 0;
};

} // namespace

TScanCdList::~TScanCdList()
{
    if (m_owning)
        Clear();
}

void TScanCdList::Clear()
{
    if (m_owning)
        qDeleteAll(m_discs);
    m_discs.clear();
}

TScanCD *TScanCdList::FindByCddbDiscId(qint32 id) const
{
    for (TScanCD *disc : m_discs)
        if (disc->CddbDiscId == id)
            return disc;
    return nullptr;
}

QString TScanCdList::FileName()
{
    return ProgramFolder() + QStringLiteral("scanlist.dat");
}

QByteArray TScanCdList::WriteToBytes() const
{
    TWriter w;
    w.tag(kListBegin);
    for (const TScanCD *disc : m_discs) {
        w.integer(disc->LeadOut);
        w.integer(disc->DiscLength);
        w.integer(disc->MsDiscId);
        w.integer(disc->CddbDiscId);
        w.tag(kListBegin);
        for (int i = 0; i < disc->TrackCount(); ++i) {
            const TScanTrack &t = disc->Track(i);
            w.integer(t.StartFrame);
            w.integer(t.DeviceLength);
            w.integer(t.Length);
        }
        w.tag(kListEnd);
        w.tag(kListBegin);
        for (int i = 0; i < disc->CddbCDCount(); ++i) {
            const TCddbCD &e = disc->CddbCD(i);
            w.text(e.DTitle);
            w.text(e.ExtData);
            w.text(e.Category);
            w.integer(e.Revision);
            w.text(e.SubmittedVia);
            w.integer(e.DiscId);
            w.tag(kListBegin);
            for (int j = 0; j < e.TrackCount(); ++j) {
                w.text(e.Track(j).Title);
                w.text(e.Track(j).ExtData);
            }
            w.tag(kListEnd);
        }
        w.tag(kListEnd);
    }
    w.tag(kListEnd);
    return w.out;
}

void TScanCdList::ReadFromBytes(const QByteArray &bytes)
{
    Clear();
    TReader r(bytes);
    r.expect(kListBegin);
    while (!r.atListEnd()) {
        auto disc = std::make_unique<TScanCD>();
        disc->LeadOut = r.integer();
        disc->DiscLength = r.integer();
        disc->MsDiscId = r.integer();
        disc->CddbDiscId = r.integer();
        r.expect(kListBegin);
        while (!r.atListEnd()) {
            TScanTrack &t = disc->AddTrack();
            t.StartFrame = r.integer();
            t.DeviceLength = r.integer();
            t.Length = r.integer();
        }
        r.expect(kListBegin);
        while (!r.atListEnd()) {
            TCddbCD &e = disc->AddCddbCD();
            e.DTitle = r.text();
            e.ExtData = r.text();
            e.Category = r.text();
            e.Revision = r.integer();
            e.SubmittedVia = r.text();
            e.DiscId = r.integer();
            r.expect(kListBegin);
            while (!r.atListEnd()) {
                TCddbTrack &t = e.AddTrack();
                t.Title = r.text();
                t.ExtData = r.text();
            }
        }
        Add(disc.release());
    }
    if (!r.atEnd())
        throw EQel(tr("The scan list has bytes after its end."));
}

QString TScanCdList::LoadFromFile(const QString &path)
{
    Clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    TWaitCursor wait;
    const QByteArray bytes = file.readAll();
    try {
        ReadFromBytes(bytes);
    } catch (const EQel &e) {
        return tr("%1 %2 CD(s) read before the damage are kept.").arg(e.message()).arg(Count());
    }
    return {};
}

QString TScanCdList::SaveToFile(const QString &path) const
{
    TWaitCursor wait;
    return WriteFileAtomically(path, WriteToBytes());
}
