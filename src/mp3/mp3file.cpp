#include "mp3/mp3file.h"

#include "model/textcodec.h"
#include "mp3/regularfile.h"
#include "shell/genrelist.h"

#include <QFile>
#include <QLocale>
#include <QStringDecoder>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kOtherGenre = 12;
constexpr qint64 kSyncSearch = 64 * 1024;
constexpr qint64 kMaxTextFrame = 64 * 1024;      // larger frames (pictures) are skipped
constexpr qint64 kMaxPicture = 16 * 1024 * 1024; // a cover is read only when asked for
constexpr qint64 kFirstBlock = 4096;

// Where the bytes come from: a file read with pread, or a buffer (tests, fuzzing).
class TSource
{
public:
    virtual ~TSource() = default;
    virtual qint64 Size() const = 0;
    // Reads up to len bytes at off; returns how many were read.
    virtual qint64 Read(qint64 off, char *buf, qint64 len) const = 0;

    QByteArray Block(qint64 off, qint64 len) const
    {
        if (off < 0 || off >= Size() || len <= 0)
            return {};
        QByteArray out(int(std::min(len, Size() - off)), Qt::Uninitialized);
        const qint64 got = Read(off, out.data(), out.size());
        out.truncate(int(std::max<qint64>(got, 0)));
        return out;
    }
    // The same bytes without a copy when the source holds them in memory: valid only while
    // the source lives, so whatever outlives it is copied.
    QByteArray View(qint64 off, qint64 len) const
    {
        if (off < 0 || off >= Size() || len <= 0)
            return {};
        len = std::min(len, Size() - off);
        if (HeldFrom(off) >= len)
            return QByteArray::fromRawData(HeldAt(off), len);
        return Block(off, len);
    }
    // How many bytes from off the source holds in memory.
    virtual qint64 HeldFrom(qint64 off) const = 0;

protected:
    virtual const char *HeldAt(qint64 off) const = 0;
};

// Reads the head of the file once: the tag's small frames and the first audio frame are
// nearly always there, so most files take this read and the one of the last 128 bytes.
class TFileSource : public TSource
{
public:
    TFileSource(int fd, qint64 size) : fd_(fd), size_(size)
    {
        head_ = readFile(0, head_data_, std::min<qint64>(size, kHead));
    }
    qint64 Size() const override { return size_; }
    qint64 Read(qint64 off, char *buf, qint64 len) const override
    {
        qint64 done = 0;
        if (off < head_) {
            done = std::min(len, head_ - off);
            std::memcpy(buf, head_data_ + off, size_t(done));
        }
        return done + readFile(off + done, buf + done, len - done);
    }

    qint64 HeldFrom(qint64 off) const override { return off < head_ ? head_ - off : 0; }

protected:
    const char *HeldAt(qint64 off) const override { return head_data_ + off; }

private:
    static constexpr qint64 kHead = kFirstBlock;

    qint64 readFile(qint64 off, char *buf, qint64 len) const
    {
        qint64 done = 0;
        while (done < len) {
            const ssize_t n = ::pread(fd_, buf + done, size_t(len - done), off + done);
            if (n <= 0)
                break;
            done += n;
        }
        return done;
    }

    int fd_;
    qint64 size_;
    qint64 head_ = 0;
    char head_data_[kHead];
};

class TBufferSource : public TSource
{
public:
    explicit TBufferSource(const QByteArray &bytes) : bytes_(bytes) {}
    qint64 Size() const override { return bytes_.size(); }
    qint64 Read(qint64 off, char *buf, qint64 len) const override
    {
        const qint64 n = std::clamp<qint64>(bytes_.size() - off, 0, len);
        if (n > 0)
            std::memcpy(buf, bytes_.constData() + off, size_t(n));
        return n;
    }

    qint64 HeldFrom(qint64 off) const override { return std::max<qint64>(bytes_.size() - off, 0); }

protected:
    const char *HeldAt(qint64 off) const override { return bytes_.constData() + off; }

private:
    const QByteArray &bytes_;
};

// The tag's parts are read as views of the bytes the source holds: no copy per frame.
quint8 U8(QByteArrayView b, qint64 i)
{
    return quint8(b[i]);
}

// QByteArray::mid on a view: out-of-range parts are clipped.
QByteArrayView Mid(QByteArrayView b, qint64 pos, qint64 len = -1)
{
    pos = std::clamp<qint64>(pos, 0, b.size());
    const qint64 rest = b.size() - pos;
    return b.sliced(pos, len < 0 ? rest : std::min(len, rest));
}

quint32 Synchsafe(QByteArrayView b, qint64 i)
{
    return (quint32(U8(b, i) & 0x7f) << 21) | (quint32(U8(b, i + 1) & 0x7f) << 14) |
           (quint32(U8(b, i + 2) & 0x7f) << 7) | quint32(U8(b, i + 3) & 0x7f);
}

quint32 BigEndian(QByteArrayView b, qint64 i, int n)
{
    quint32 v = 0;
    for (int k = 0; k < n; ++k)
        v = (v << 8) | U8(b, i + k);
    return v;
}

QByteArray Deunsync(QByteArrayView in)
{
    QByteArray out;
    out.reserve(in.size());
    for (qsizetype i = 0; i < in.size(); ++i) {
        out.append(in[i]);
        if (quint8(in[i]) == 0xff && i + 1 < in.size() && in[i + 1] == 0)
            ++i;
    }
    return out;
}

// --- MPEG audio frame header -------------------------------------------------------

struct TFrameHeader
{
    int version = 0; // 0 MPEG 1, 1 MPEG 2, 2 MPEG 2.5
    int layer = 3;
    int bitRate = 0;
    int sampleRate = 0;
    int mode = 0;
    int frameBytes = 0;
    int samples = 0;
};

bool DecodeHeader(const uchar *h, TFrameHeader &out)
{
    if (h[0] != 0xff || (h[1] & 0xe0) != 0xe0)
        return false;
    const int versionBits = (h[1] >> 3) & 3;
    const int layerBits = (h[1] >> 1) & 3;
    const int rateIndex = h[2] >> 4;
    const int srIndex = (h[2] >> 2) & 3;
    if (versionBits == 1 || layerBits == 0 || rateIndex == 0 || rateIndex == 15 || srIndex == 3)
        return false;
    static const int v1[3][14] = {
        {32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
        {32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
        {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}};
    static const int v2[2][14] = {{32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
                                  {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}};
    static const int rates[3][3] = {
        {44100, 48000, 32000}, {22050, 24000, 16000}, {11025, 12000, 8000}};
    out.version = versionBits == 3 ? 0 : versionBits == 2 ? 1 : 2;
    out.layer = 4 - layerBits;
    out.bitRate = out.version == 0 ? v1[out.layer - 1][rateIndex - 1]
                                   : v2[out.layer == 1 ? 0 : 1][rateIndex - 1];
    out.sampleRate = rates[out.version][srIndex];
    out.mode = h[3] >> 6;
    const int pad = (h[2] >> 1) & 1;
    if (out.layer == 1) {
        out.samples = 384;
        out.frameBytes = (12 * out.bitRate * 1000 / out.sampleRate + pad) * 4;
    } else {
        out.samples = (out.layer == 3 && out.version != 0) ? 576 : 1152;
        out.frameBytes = out.samples / 8 * out.bitRate * 1000 / out.sampleRate + pad;
    }
    return out.frameBytes > 4;
}

// --- ID3 version 2 -------------------------------------------------------------------

struct TV2Texts
{
    QString title, artist, album, year, track, genre, comment, albumArtist, disc;
    bool commentSet = false;
    bool hasPicture = false;
    TMp3Picture *picture = nullptr; // set when the caller wants the cover picture
};

QString DecodeText(int encoding, QByteArrayView data)
{
    switch (encoding) {
    case 0:
        return QString::fromLatin1(data);
    case 1:
    case 2: {
        QByteArrayView d = data;
        QStringDecoder dec(QStringDecoder::Utf16BE);
        if (d.size() >= 2 && quint8(d[0]) == 0xff && quint8(d[1]) == 0xfe) {
            dec = QStringDecoder(QStringDecoder::Utf16LE);
            d = d.sliced(2);
        } else if (d.size() >= 2 && quint8(d[0]) == 0xfe && quint8(d[1]) == 0xff) {
            d = d.sliced(2);
        }
        return dec.decode(d);
    }
    case 3:
        return QString::fromUtf8(data);
    default:
        return {};
    }
}

// Length of the first string of the encoding, without its terminator; *next is where
// the rest begins.
int FirstString(int encoding, QByteArrayView data, int from, int *next)
{
    const bool wide = encoding == 1 || encoding == 2;
    int i = from;
    if (wide) {
        while (i + 1 < data.size() && (data[i] != 0 || data[i + 1] != 0))
            i += 2;
        *next = int(std::min<qsizetype>(i + 2, data.size()));
    } else {
        while (i < data.size() && data[i] != 0)
            ++i;
        *next = int(std::min<qsizetype>(i + 1, data.size()));
    }
    return int(std::min<qsizetype>(i, data.size())) - from;
}

QString TextFrame(QByteArrayView data)
{
    if (data.isEmpty())
        return {};
    const int enc = U8(data, 0);
    int next = 0;
    const int len = FirstString(enc, data, 1, &next);
    return DecodeText(enc, Mid(data, 1, len)).trimmed();
}

void CommentFrame(QByteArrayView data, TV2Texts &t)
{
    if (t.commentSet || data.size() < 4)
        return;
    const int enc = U8(data, 0);
    int next = 0;
    const int descLen = FirstString(enc, data, 4, &next);
    if (!DecodeText(enc, Mid(data, 4, descLen)).isEmpty())
        return; // a described comment holds some program's own data
    int end = 0;
    const int len = FirstString(enc, data, next, &end);
    t.comment = DecodeText(enc, Mid(data, next, len));
    t.commentSet = true;
}

// An attached picture: the front cover wins, else the first picture of any type.
void PictureFrame(bool v22, QByteArrayView data, TMp3Picture &out)
{
    if (out.Type == 3 || data.size() < 4)
        return;
    const int encoding = U8(data, 0);
    QString mime;
    int at = 1;
    if (v22) {
        const QByteArray format = Mid(data, 1, 3).toByteArray().toLower();
        mime = format == "png" ? QStringLiteral("image/png") : QStringLiteral("image/jpeg");
        at = 4;
    } else {
        const int end = int(data.indexOf('\0', 1));
        if (end < 0)
            return;
        mime = QString::fromLatin1(Mid(data, 1, end - 1)).toLower();
        at = end + 1;
    }
    if (at >= data.size())
        return;
    const int type = U8(data, at);
    if (type != 3 && out.Type >= 0)
        return;
    int next = 0;
    FirstString(encoding, data, at + 1, &next);
    if (next <= at || next >= data.size())
        return;
    out.Data = Mid(data, next).toByteArray(); // a copy: the source's bytes go
    out.Mime = mime;
    out.Type = type;
}

// A frame identifier as a number: four letters, or three (version 2.2) and a zero.
constexpr quint32 FrameCode(const char *id)
{
    return quint32(uchar(id[0])) << 24 | quint32(uchar(id[1])) << 16 | quint32(uchar(id[2])) << 8 |
           quint32(uchar(id[3]));
}

enum class TFrameKind {
    Other,
    Title,
    Artist,
    Album,
    Year,
    Track,
    Genre,
    Comment,
    Picture,
    AlbumArtist,
    Disc
};

TFrameKind KindOf(quint32 code)
{
    switch (code) {
    case FrameCode("TIT2"):
    case FrameCode("TT2"):
        return TFrameKind::Title;
    case FrameCode("TPE1"):
    case FrameCode("TP1"):
        return TFrameKind::Artist;
    case FrameCode("TALB"):
    case FrameCode("TAL"):
        return TFrameKind::Album;
    case FrameCode("TYER"):
    case FrameCode("TYE"):
    case FrameCode("TDRC"):
        return TFrameKind::Year;
    case FrameCode("TRCK"):
    case FrameCode("TRK"):
        return TFrameKind::Track;
    case FrameCode("TCON"):
    case FrameCode("TCO"):
        return TFrameKind::Genre;
    case FrameCode("COMM"):
    case FrameCode("COM"):
        return TFrameKind::Comment;
    case FrameCode("APIC"):
    case FrameCode("PIC"):
        return TFrameKind::Picture;
    case FrameCode("TPE2"):
    case FrameCode("TP2"):
        return TFrameKind::AlbumArtist;
    case FrameCode("TPOS"):
    case FrameCode("TPA"):
        return TFrameKind::Disc;
    default:
        return TFrameKind::Other;
    }
}

void TakeFrame(TFrameKind kind, bool v22, QByteArrayView data, TV2Texts &t)
{
    auto set = [&](QString &field) {
        if (field.isEmpty())
            field = TextFrame(data);
    };
    switch (kind) {
    case TFrameKind::Title:
        return set(t.title);
    case TFrameKind::Artist:
        return set(t.artist);
    case TFrameKind::Album:
        return set(t.album);
    case TFrameKind::Year:
        return set(t.year);
    case TFrameKind::Track:
        return set(t.track);
    case TFrameKind::Genre:
        return set(t.genre);
    case TFrameKind::AlbumArtist:
        return set(t.albumArtist);
    case TFrameKind::Disc:
        return set(t.disc);
    case TFrameKind::Comment:
        return CommentFrame(data, t);
    case TFrameKind::Picture:
        if (t.picture)
            PictureFrame(v22, data, *t.picture);
        return;
    case TFrameKind::Other:
        return;
    }
}

// Walks the frames of the tag whose body is [start, end) of src; reads only the
// headers and the small frames it wants. When the whole tag is unsynchronised
// (versions 2.2 and 2.3), body holds it already undone.
void ReadFrames(int major, const TSource &src, qint64 start, qint64 end, const QByteArray *body,
                TV2Texts &t)
{
    const int headerSize = major == 2 ? 6 : 10;
    // A view stays valid until the next call, which may replace the cache.
    QByteArray cache;
    qint64 cacheAt = 0;
    auto bytes = [&](qint64 off, qint64 len) -> QByteArrayView {
        if (body)
            return Mid(*body, off - start, len);
        if (off >= cacheAt && off + len <= cacheAt + cache.size())
            return Mid(cache, off - cacheAt, len);
        cacheAt = off;
        qint64 want = std::max<qint64>(len, std::min<qint64>(kFirstBlock, end - off));
        if (const qint64 held = src.HeldFrom(off); held >= len)
            want = std::min(want, held); // no read for the frames the source holds
        cache = src.View(off, want);
        return Mid(cache, 0, len);
    };
    qint64 pos = start;
    while (pos + headerSize <= end) {
        const QByteArrayView h = bytes(pos, headerSize);
        if (h.size() < headerSize || h[0] == 0)
            break; // padding, or the file ends
        // Four letters ending in a zero are no identifier of a later version.
        const quint32 code = major == 2  ? BigEndian(h, 0, 3) << 8
                             : h[3] == 0 ? 0
                                         : BigEndian(h, 0, 4);
        const TFrameKind kind = KindOf(code);
        qint64 size = 0;
        int formatFlags = 0;
        if (major == 2) {
            size = BigEndian(h, 3, 3);
        } else {
            size = major == 4 ? Synchsafe(h, 4) : BigEndian(h, 4, 4);
            formatFlags = U8(h, 9);
        }
        const qint64 dataAt = pos + headerSize;
        if (size <= 0 || dataAt + size > end)
            break;
        pos = dataAt + size;
        if (kind == TFrameKind::Picture)
            t.hasPicture = true; // known from the header: the picture itself is not read
        const bool wanted = t.picture ? kind != TFrameKind::Other
                                      : kind != TFrameKind::Picture && kind != TFrameKind::Other;
        if (!wanted || size > (t.picture ? kMaxPicture : kMaxTextFrame))
            continue;
        const bool compressedOrEncrypted =
            major == 3 ? (formatFlags & 0xc0) != 0 : major == 4 && (formatFlags & 0x0c) != 0;
        if (compressedOrEncrypted)
            continue;
        QByteArrayView data = bytes(dataAt, size);
        QByteArray undone;
        if (major == 4) {
            if (formatFlags & 0x01) // data length indicator
                data = Mid(data, 4);
            if (formatFlags & 0x02) {
                undone = Deunsync(data);
                data = undone;
            }
        }
        TakeFrame(kind, major == 2, data, t);
    }
}

// Reads the version 2 tag at the start of src, if any; returns the offset past it.
qint64 ReadId3v2(const TSource &src, const QByteArray &head, TV2Texts &t)
{
    if (head.size() < 10 || !head.startsWith("ID3"))
        return 0;
    const int major = U8(head, 3);
    const int flags = U8(head, 5);
    qint64 tagEnd = 10 + qint64(Synchsafe(head, 6));
    if (major == 4 && (flags & 0x10))
        tagEnd += 10; // footer
    if (major < 2 || major > 4)
        return tagEnd;
    const qint64 bodyEnd = std::min<qint64>(10 + Synchsafe(head, 6), src.Size());
    qint64 start = 10;
    const bool unsyncTag = (flags & 0x80) && major < 4;
    QByteArray whole;
    if (unsyncTag) {
        whole = Deunsync(src.Block(10, std::min<qint64>(bodyEnd - 10, 1 << 20)));
        start = 10;
    }
    auto at = [&](qint64 off, qint64 len) {
        return unsyncTag ? whole.mid(int(off - 10), int(len)) : src.View(off, len);
    };
    qint64 end = unsyncTag ? 10 + whole.size() : bodyEnd;
    if (major >= 3 && (flags & 0x40)) { // extended header
        const QByteArray e = head.size() >= 14 ? head.mid(10, 4) : at(10, 4);
        if (e.size() < 4)
            return tagEnd;
        start = major == 4 ? 10 + Synchsafe(e, 0) : 10 + 4 + BigEndian(e, 0, 4);
    }
    if (unsyncTag) {
        QByteArray body = whole.mid(int(start - 10));
        ReadFrames(major, src, start, start + body.size(), &body, t);
    } else {
        ReadFrames(major, src, start, end, nullptr, t);
    }
    return tagEnd;
}

// --- The first frame and its VBR header ----------------------------------------------

// The first frame header at or after from that the next one confirms; frame gets the
// frame's first 256 bytes, wherever the block that found it ended.
bool FindFirstFrame(const TSource &src, qint64 from, TFrameHeader &hdr, qint64 &at,
                    QByteArray &frame, qint64 &frameAt)
{
    // The first look goes over what the source holds already, when that is a fair part of
    // a block; the second covers the whole search either way.
    const qint64 held = src.HeldFrom(from);
    const qint64 first = held >= kFirstBlock / 4 ? std::min(held, kFirstBlock) : kFirstBlock;
    for (qint64 window : {first, kSyncSearch + 4}) {
        const QByteArray block = src.View(from, window);
        const auto *p = reinterpret_cast<const uchar *>(block.constData());
        for (qint64 i = 0; i + 4 <= block.size(); ++i) {
            if (p[i] != 0xff || i >= kSyncSearch)
                continue;
            TFrameHeader h;
            if (!DecodeHeader(p + i, h))
                continue;
            const qint64 next = i + h.frameBytes;
            uchar nh[4];
            bool confirmed = false;
            if (next + 4 <= block.size()) {
                std::memcpy(nh, p + next, 4);
                confirmed = true;
            } else if (src.Read(from + next, reinterpret_cast<char *>(nh), 4) == 4) {
                confirmed = true;
            } else if (from + next >= src.Size() - 128) {
                // a lone frame that runs to the end of the audio
                hdr = h;
                at = from + i;
                frame = src.View(at, 256);
                frameAt = at;
                return true;
            }
            TFrameHeader h2;
            if (confirmed && DecodeHeader(nh, h2) && h2.version == h.version &&
                h2.layer == h.layer && h2.sampleRate == h.sampleRate) {
                hdr = h;
                at = from + i;
                frame = src.View(at, 256);
                frameAt = at;
                return true;
            }
        }
        if (block.size() < window)
            break;
    }
    return false;
}

// Frame count of a Xing/Info or VBRI header in the first frame, or 0.
qint64 VbrFrames(QByteArrayView frame, const TFrameHeader &h)
{
    const bool mono = h.mode == 3;
    const int side = h.version == 0 ? (mono ? 17 : 32) : (mono ? 9 : 17);
    const int x = 4 + side;
    if (frame.size() >= x + 12 && (Mid(frame, x, 4) == "Xing" || Mid(frame, x, 4) == "Info")) {
        if (BigEndian(frame, x + 4, 4) & 1)
            return BigEndian(frame, x + 8, 4);
        return 0;
    }
    if (frame.size() >= 36 + 18 && Mid(frame, 36, 4) == "VBRI")
        return BigEndian(frame, 36 + 14, 4);
    return 0;
}

} // namespace

int ParseGenre(const QString &g, QString *text)
{
    const QStringList &list = GenreList();
    QString s = g.trimmed();
    if (s.startsWith(QLatin1Char('('))) {
        const int close = s.indexOf(QLatin1Char(')'));
        bool ok = false;
        const int n = close > 1 ? s.mid(1, close - 1).toInt(&ok) : -1;
        if (ok && n >= 0)
            return n < list.size() ? n : kOtherGenre;
        if (close > 0 && close + 1 < s.size())
            s = s.mid(close + 1);
    }
    bool ok = false;
    const int n = s.toInt(&ok);
    if (ok && n >= 0)
        return n < list.size() ? n : kOtherGenre;
    for (int i = 0; i < list.size(); ++i)
        if (list[i].compare(s, Qt::CaseInsensitive) == 0)
            return i;
    *text = s;
    return -1;
}

namespace {

QString V1Text(QByteArrayView tag, int from, int width)
{
    const QByteArrayView field = Mid(tag, from, width);
    const qsizetype nul = field.indexOf('\0');
    return cp1252::decodePlain(nul < 0 ? field : field.first(nul));
}

} // namespace

QString TMP3Item::RelativePath() const
{
    if (!Parent)
        return {};
    const QString up = Parent->RelativePath();
    return up.isEmpty() ? Name : up + QLatin1Char('/') + Name;
}

TMP3Item *TMP3Folder::Add(std::unique_ptr<TMP3Item> item)
{
    item->Parent = this;
    Items.push_back(std::move(item));
    return Items.back().get();
}

void TMP3File::SetStreamDefaults()
{
    Format = TAudioFormat::MP3;
    Version = 0;
    Layer = 3;
    BitRate = 128;
    SampleRate = 44100;
    ChannelMode = 1;
    Channels = 2;
    BitsPerSample = 0;
    Length = FileSize * 8 / 128000;
    Vbr = false;
}

// A leading number as tags write it ("3", "3/12"); 0 when there is none.
static int LeadingNumber(QStringView text)
{
    bool ok = false;
    const qsizetype slash = text.indexOf(QLatin1Char('/'));
    const int n = (slash < 0 ? text : text.left(slash)).trimmed().toInt(&ok);
    return ok && n >= 0 ? n : 0;
}

void TAudioFile::ClearValues(qint64 fileSize, TAudioFormat format)
{
    Title.clear();
    Artist.clear();
    Album.clear();
    Year.clear();
    Comment.clear();
    Track = 0;
    Genre = kOtherGenre;
    GenreText.clear();
    AlbumArtist.clear();
    Disc = 0;
    HasPicture = false;
    Format = format;
    FileSize = fileSize;
    BitRate = 0;
    SampleRate = 0;
    Channels = 0;
    BitsPerSample = 0;
    Length = 0;
}

static void ReadAll(TMP3File &f, const TSource &src)
{
    f.ClearValues(src.Size(), TAudioFormat::MP3);
    f.Version = 0;
    f.Layer = 3;
    f.BitRate = 128;
    f.SampleRate = 44100;
    f.ChannelMode = 1;
    f.Channels = 2;
    f.BitsPerSample = 0;
    f.Length = f.FileSize * 8 / 128000;
    f.Vbr = false;
    if (src.Size() < 128)
        return;

    const QByteArray head = src.View(0, kFirstBlock);
    TV2Texts v2;
    const qint64 tagEnd = ReadId3v2(src, head, v2);

    const QByteArray tail = src.View(src.Size() - 128, 128);
    const bool hasV1 = tail.size() == 128 && tail.startsWith("TAG");
    // A version 2 text wins; the version 1 text is decoded only where there is none.
    const auto take = [&](QString &field, const QString &v2value, int from, int width) {
        if (!v2value.isEmpty())
            field = v2value;
        else if (hasV1)
            field = V1Text(tail, from, width);
    };
    const bool v1Track = hasV1 && tail[125] == 0;
    take(f.Title, v2.title, 3, 30);
    take(f.Artist, v2.artist, 33, 30);
    take(f.Album, v2.album, 63, 30);
    take(f.Year, v2.year.left(4), 93, 4);
    take(f.Comment, v2.comment, 97, v1Track ? 28 : 30);
    if (hasV1) {
        if (v1Track)
            f.Track = U8(tail, 126);
        f.Genre = U8(tail, 127) < GenreList().size() ? U8(tail, 127) : kOtherGenre;
    }
    if (!v2.track.isEmpty()) {
        bool ok = false;
        const int n =
            QStringView(v2.track).left(v2.track.indexOf(QLatin1Char('/'))).trimmed().toInt(&ok);
        if (ok && n >= 0)
            f.Track = n;
    }
    f.AlbumArtist = v2.albumArtist;
    f.Disc = LeadingNumber(v2.disc);
    f.HasPicture = v2.hasPicture;
    if (!v2.genre.isEmpty()) {
        QString text;
        const int g = ParseGenre(v2.genre, &text);
        if (g >= 0)
            f.Genre = g;
        else
            f.GenreText = text;
    }

    TFrameHeader h;
    qint64 at = 0;
    qint64 frameAt = 0;
    QByteArray frame;
    if (tagEnd >= src.Size() || !FindFirstFrame(src, tagEnd, h, at, frame, frameAt))
        return;
    f.Version = quint8(h.version);
    f.Layer = h.layer;
    f.BitRate = h.bitRate;
    f.SampleRate = h.sampleRate;
    f.ChannelMode = quint8(h.mode);
    f.Channels = h.mode == 3 ? 1 : 2;
    const qint64 frames = VbrFrames(frame, h);
    if (frames > 0) {
        f.Length = frames * h.samples / h.sampleRate;
        f.Vbr = true;
    } else {
        const qint64 audio = std::max<qint64>(src.Size() - tagEnd - (hasV1 ? 128 : 0), 0);
        f.Length = audio * 8 / (qint64(h.bitRate) * 1000);
    }
}

int OpenRegular(const QByteArray &local, struct stat *st)
{
    const int fd = ::open(local.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return -1;
    if (::fstat(fd, st) != 0 || !S_ISREG(st->st_mode)) {
        ::close(fd);
        st->st_mode = 0;
        return -1;
    }
    // Reads wait again as usual. O_NONBLOCK is the only status flag the open set, so one
    // call clears it (the access mode is not a status flag).
    ::fcntl(fd, F_SETFL, 0);
    return fd;
}

bool TMP3File::ReadInfo(const QString &path)
{
    const QByteArray local = QFile::encodeName(path);
    struct stat st
    {
    };
    st.st_mode = S_IFREG;
    const int fd = OpenRegular(local, &st);
    // A regular file that cannot be opened (no read permission) is still listed, with
    // the defaults; anything else is not an MP3 file.
    if (fd < 0 && (st.st_mode == 0 || ::stat(local.constData(), &st) != 0 || !S_ISREG(st.st_mode)))
        return false;
    Path = path;
    Name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    if (fd < 0) {
        Title.clear();
        Artist.clear();
        Album.clear();
        Year.clear();
        Comment.clear();
        Track = 0;
        Genre = kOtherGenre;
        GenreText.clear();
        AlbumArtist.clear();
        Disc = 0;
        HasPicture = false;
        FileSize = qint64(st.st_size);
        SetStreamDefaults();
        return true;
    }
    TFileSource src(fd, qint64(st.st_size));
    ReadAll(*this, src);
    ::close(fd);
    return true;
}

void TMP3File::ReadFromBytes(const QByteArray &bytes)
{
    TBufferSource src(bytes);
    ReadAll(*this, src);
}

QString TAudioFile::GenreName() const
{
    if (!GenreText.isEmpty())
        return GenreText;
    const QStringList &list = GenreList();
    return Genre >= 0 && Genre < list.size() ? list[Genre] : list[kOtherGenre];
}

// Made once for every file a folder listing shows: put together without QString::arg.
QString TMP3File::Description() const
{
    static const char *const versions[] = {"MPEG 1.0", "MPEG 2.0", "MPEG 2.5"};
    static const char *const modes[] = {"Stereo", "Joint Stereo", "Dual Channel", "Single Channel"};
    char text[96];
    char *p = text;
    const auto put = [&p](const char *part) {
        const size_t n = std::strlen(part);
        std::memcpy(p, part, n);
        p += n;
    };
    const auto number = [&p](int value) { p = std::to_chars(p, p + 12, value).ptr; };
    put(versions[Version % 3]);
    put(", layer ");
    number(Layer);
    put(", ");
    number(BitRate);
    put("kbps, ");
    number(SampleRate / 1000);
    put("kHz, ");
    put(modes[ChannelMode & 3]);
    return QString::fromLatin1(text, p - text);
}

QString TAudioFile::SizeText() const
{
    return QLocale().toString(double(FileSize) / 1000.0, 'f', 0) + QStringLiteral(" KB");
}

QString TAudioFile::LengthText() const
{
    char text[32];
    const int n =
        std::snprintf(text, sizeof text, "%02lld:%02lld", static_cast<long long>(Length / 60),
                      static_cast<long long>(Length % 60));
    return QString::fromLatin1(text, std::clamp(n, 0, int(sizeof text) - 1));
}

TMp3Picture ReadMp3Picture(const QString &path)
{
    TMp3Picture picture;
    struct stat st
    {
    };
    const int fd = OpenRegular(QFile::encodeName(path), &st);
    if (fd < 0)
        return picture;
    const TFileSource src(fd, qint64(st.st_size));
    TV2Texts texts;
    texts.picture = &picture;
    ReadId3v2(src, src.View(0, kFirstBlock), texts);
    ::close(fd);
    if (picture.Data.isEmpty())
        picture = {};
    return picture;
}
