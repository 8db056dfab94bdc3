#include "mp3/audiofile.h"

#include "mp3/regularfile.h"

#include <QFile>

#include <taglib/aifffile.h>
#include <taglib/apefile.h>
#include <taglib/apeitem.h>
#include <taglib/apetag.h>
#include <taglib/asffile.h>
#include <taglib/asfpicture.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v2frame.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4coverart.h>
#include <taglib/mp4file.h>
#include <taglib/oggflacfile.h>
#include <taglib/opusfile.h>
#include <taglib/speexfile.h>
#include <taglib/tiostream.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/wavpackfile.h>
#include <taglib/xiphcomment.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 kPage = 4096;
constexpr qint64 kWindow = 2 * kPage;

// The file's bytes as the library reads them: pread from the file (or a copy from memory)
// through one window of a few pages, so that the many small reads the library makes of a
// file's headers cost one system call, and the length is the one fstat gave, not a seek to
// the end and back before every read. Read only: the library writes nothing here.
class TReadStream : public TagLib::IOStream
{
public:
    TReadStream(int fd, qint64 size, const QByteArray &name) : m_fd(fd), m_size(size), m_name(name)
    {
    }
    explicit TReadStream(const QByteArray &bytes) : m_bytes(&bytes), m_size(bytes.size()) {}

    TagLib::FileName name() const override { return m_name.constData(); }
    TagLib::ByteVector readBlock(unsigned long length) override
    {
        if (m_pos >= m_size || length == 0)
            return {};
        const qint64 len = std::min<qint64>(qint64(length), m_size - m_pos);
        TagLib::ByteVector out;
        if (m_bytes) {
            out = TagLib::ByteVector(m_bytes->constData() + m_pos, uint(len));
        } else if (m_pos >= m_windowAt && m_pos + len <= m_windowAt + m_window.size()) {
            out = TagLib::ByteVector(m_window.constData() + (m_pos - m_windowAt), uint(len));
        } else if (len <= kWindow) {
            // The window starts at the page the read starts in: a read of a header just
            // before the current one (a footer, an ID3v1 tag) often falls in it too.
            m_windowAt = m_pos - m_pos % kPage;
            const qint64 want =
                std::min(std::max(kWindow, m_pos + len - m_windowAt), m_size - m_windowAt);
            m_window.resize(want);
            m_window.resize(readAt(m_windowAt, m_window.data(), want));
            const qint64 got = std::clamp<qint64>(m_windowAt + m_window.size() - m_pos, 0, len);
            out = TagLib::ByteVector(m_window.constData() + (m_pos - m_windowAt), uint(got));
        } else {
            out = TagLib::ByteVector(uint(len), '\0');
            out.resize(uint(readAt(m_pos, out.data(), len)));
        }
        m_pos += out.size();
        return out;
    }
    void writeBlock(const TagLib::ByteVector &) override {}
    void insert(const TagLib::ByteVector &, unsigned long, unsigned long) override {}
    void removeBlock(unsigned long, unsigned long) override {}
    bool readOnly() const override { return true; }
    bool isOpen() const override { return true; }
    void seek(long offset, Position p) override
    {
        const qint64 from = p == Beginning ? 0 : p == Current ? m_pos : m_size;
        m_pos = std::max<qint64>(from + offset, 0);
    }
    long tell() const override { return long(m_pos); }
    long length() override { return long(m_size); }
    void truncate(long) override {}

    // Up to len bytes at off, without moving the position.
    QByteArray Peek(qint64 off, qint64 len)
    {
        const qint64 pos = m_pos;
        m_pos = off;
        const TagLib::ByteVector bytes =
            readBlock(static_cast<unsigned long>(std::max<qint64>(len, 0)));
        m_pos = pos;
        return QByteArray(bytes.data(), qsizetype(bytes.size()));
    }

private:
    qint64 readAt(qint64 off, char *buf, qint64 len) const
    {
        if (m_bytes) {
            const qint64 n = std::clamp<qint64>(m_bytes->size() - off, 0, len);
            std::memcpy(buf, m_bytes->constData() + off, size_t(n));
            return n;
        }
        qint64 done = 0;
        while (done < len) {
            const ssize_t n = ::pread(m_fd, buf + done, size_t(len - done), off + done);
            if (n <= 0)
                break;
            done += n;
        }
        return done;
    }

    const QByteArray *m_bytes = nullptr;
    int m_fd = -1;
    qint64 m_size = 0;
    qint64 m_pos = 0;
    QByteArray m_name;
    QByteArray m_window;
    qint64 m_windowAt = 0;
};

// What the first bytes say the file is; the extension only chose this reader.
enum class TKind {
    None,
    Flac,
    OggVorbis,
    OggOpus,
    OggFlac,
    OggSpeex,
    Mp4,
    Asf,
    WavPack,
    Ape,
    Aiff,
    Wav
};

TKind Sniff(TReadStream &stream)
{
    qint64 at = 0;
    QByteArray head = stream.Peek(0, 300);
    // An ID3v2 tag before the stream (seen on FLAC and Monkey's Audio files).
    if (head.size() >= 10 && head.startsWith("ID3")) {
        const auto b = [&head](int i) { return qint64(uchar(head[i]) & 0x7f); };
        at = 10 + (b(6) << 21 | b(7) << 14 | b(8) << 7 | b(9)) + ((uchar(head[5]) & 0x10) ? 10 : 0);
        head = stream.Peek(at, 300);
    }
    const auto is = [&head](qsizetype from, const char *magic, qsizetype n) {
        return head.size() >= from + n &&
               std::memcmp(head.constData() + from, magic, size_t(n)) == 0;
    };
    if (is(0, "fLaC", 4))
        return TKind::Flac;
    if (is(0, "OggS", 4) && head.size() > 27) {
        const qsizetype packet = 27 + uchar(head[26]);
        if (is(packet, "\x01vorbis", 7))
            return TKind::OggVorbis;
        if (is(packet, "OpusHead", 8))
            return TKind::OggOpus;
        if (is(packet,
               "\x7f"
               "FLAC",
               5))
            return TKind::OggFlac;
        if (is(packet, "Speex   ", 8))
            return TKind::OggSpeex;
        return TKind::None;
    }
    if (is(4, "ftyp", 4))
        return TKind::Mp4;
    if (is(0, "\x30\x26\xb2\x75\x8e\x66\xcf\x11\xa6\xd9\x00\xaa\x00\x62\xce\x6c", 16))
        return TKind::Asf;
    if (is(0, "wvpk", 4))
        return TKind::WavPack;
    if (is(0, "MAC ", 4))
        return TKind::Ape;
    if (is(0, "FORM", 4) && (is(8, "AIFF", 4) || is(8, "AIFC", 4)))
        return TKind::Aiff;
    if (is(0, "RIFF", 4) && is(8, "WAVE", 4))
        return TKind::Wav;
    return TKind::None;
}

std::unique_ptr<TagLib::File> Open(TKind kind, TReadStream &stream, bool properties)
{
    using namespace TagLib;
    constexpr auto fast = AudioProperties::Fast;
    switch (kind) {
    case TKind::Flac:
        return std::make_unique<FLAC::File>(&stream, ID3v2::FrameFactory::instance(), properties,
                                            fast);
    case TKind::OggVorbis:
        return std::make_unique<Ogg::Vorbis::File>(&stream, properties, fast);
    case TKind::OggOpus:
        return std::make_unique<Ogg::Opus::File>(&stream, properties, fast);
    case TKind::OggFlac:
        return std::make_unique<Ogg::FLAC::File>(&stream, properties, fast);
    case TKind::OggSpeex:
        return std::make_unique<Ogg::Speex::File>(&stream, properties, fast);
    case TKind::Mp4:
        return std::make_unique<MP4::File>(&stream, properties, fast);
    case TKind::Asf:
        return std::make_unique<ASF::File>(&stream, properties, fast);
    case TKind::WavPack:
        return std::make_unique<WavPack::File>(&stream, properties, fast);
    case TKind::Ape:
        return std::make_unique<APE::File>(&stream, properties, fast);
    case TKind::Aiff:
        return std::make_unique<RIFF::AIFF::File>(&stream, properties, fast);
    case TKind::Wav:
        return std::make_unique<RIFF::WAV::File>(&stream, properties, fast);
    case TKind::None:
        break;
    }
    return nullptr;
}

QString Text(const TagLib::String &s)
{
    return s.isEmpty() ? QString() : QString::fromWCharArray(s.toCWString(), qsizetype(s.size()));
}

// A leading number as tags write it ("2", "2/3"); 0 when there is none.
int LeadingNumber(const QString &text)
{
    const qsizetype slash = text.indexOf(QLatin1Char('/'));
    bool ok = false;
    const int n = QStringView(text).left(slash).trimmed().toInt(&ok);
    return ok && n > 0 ? n : 0;
}

void TakeTag(TAudioFile &f, const TagLib::Tag *tag)
{
    if (!tag)
        return;
    f.Title = Text(tag->title());
    f.Artist = Text(tag->artist());
    f.Album = Text(tag->album());
    f.Comment = Text(tag->comment());
    const unsigned year = tag->year();
    f.Year = year ? QString::number(year) : QString();
    f.Track = int(std::min(tag->track(), 1u << 30));
    // Other formats' genres are texts, but taggers write ID3's numbers there too ("(17)").
    const QString genre = Text(tag->genre());
    if (!genre.trimmed().isEmpty()) {
        QString text;
        const int index = ParseGenre(genre, &text);
        if (index >= 0)
            f.Genre = index;
        else
            f.GenreText = text;
    }
}

template <class Properties> void TakeStream(TAudioFile &f, const Properties *p)
{
    if (!p)
        return;
    // The library takes a broken header's numbers as they come, overflowing ones too.
    f.Length = std::max(p->lengthInMilliseconds(), 0) / 1000;
    f.BitRate = std::max(p->bitrate(), 0);
    f.SampleRate = std::max(p->sampleRate(), 0);
    f.Channels = std::max(p->channels(), 0);
}

int Bits(int bits)
{
    return std::max(bits, 0);
}

QString XiphField(const TagLib::Ogg::XiphComment *x, const char *key)
{
    if (!x)
        return {};
    const auto &fields = x->fieldListMap();
    const auto it = fields.find(key);
    return it == fields.end() || it->second.isEmpty() ? QString() : Text(it->second.front());
}

void TakeXiph(TAudioFile &f, TagLib::Ogg::XiphComment *x)
{
    if (!x)
        return;
    f.AlbumArtist = XiphField(x, "ALBUMARTIST");
    f.Disc = LeadingNumber(XiphField(x, "DISCNUMBER"));
    f.HasPicture = f.HasPicture || !x->pictureList().isEmpty();
}

QString Id3Text(const TagLib::ID3v2::Tag *t, const char *id)
{
    const auto &frames = t->frameListMap();
    const auto it = frames.find(id);
    return it == frames.end() || it->second.isEmpty() ? QString()
                                                      : Text(it->second.front()->toString());
}

void TakeId3v2(TAudioFile &f, const TagLib::ID3v2::Tag *t)
{
    if (!t)
        return;
    f.AlbumArtist = Id3Text(t, "TPE2");
    f.Disc = LeadingNumber(Id3Text(t, "TPOS"));
    f.HasPicture = f.HasPicture || t->frameListMap().contains("APIC");
}

// APE keys are case-insensitive: the library keeps them in upper case.
const TagLib::APE::Item *ApeItem(const TagLib::APE::Tag *t, const char *key)
{
    const auto &items = t->itemListMap();
    const auto it = items.find(key);
    return it == items.end() ? nullptr : &it->second;
}

bool IsApePicture(const TagLib::String &key, const TagLib::APE::Item &item)
{
    return item.type() == TagLib::APE::Item::Binary && key.startsWith("COVER ART");
}

void TakeApe(TAudioFile &f, const TagLib::APE::Tag *t)
{
    if (!t)
        return;
    for (const char *key : {"ALBUM ARTIST", "ALBUMARTIST"})
        if (const TagLib::APE::Item *item = ApeItem(t, key); item && f.AlbumArtist.isEmpty())
            f.AlbumArtist = Text(item->toString());
    if (const TagLib::APE::Item *item = ApeItem(t, "DISC"))
        f.Disc = LeadingNumber(Text(item->toString()));
    for (const auto &[key, item] : t->itemListMap())
        f.HasPicture = f.HasPicture || IsApePicture(key, item);
}

// Reads f from the library's file; false when the container holds no audio stream.
bool Take(TAudioFile &f, TKind kind, TagLib::File &file)
{
    using namespace TagLib;
    TakeTag(f, file.tag());
    switch (kind) {
    case TKind::Flac: {
        auto &flac = static_cast<FLAC::File &>(file);
        const FLAC::Properties *p = flac.audioProperties();
        TakeStream(f, p);
        f.Format = TAudioFormat::FLAC;
        f.BitsPerSample = p ? Bits(p->bitsPerSample()) : 0;
        f.HasPicture = !flac.pictureList().isEmpty();
        if (flac.hasID3v2Tag())
            TakeId3v2(f, flac.ID3v2Tag());
        if (flac.hasXiphComment()) {
            const QString albumArtist = f.AlbumArtist;
            const int disc = f.Disc;
            TakeXiph(f, flac.xiphComment());
            if (f.AlbumArtist.isEmpty())
                f.AlbumArtist = albumArtist;
            if (f.Disc == 0)
                f.Disc = disc;
        }
        return true;
    }
    case TKind::OggVorbis: {
        auto &ogg = static_cast<Ogg::Vorbis::File &>(file);
        TakeStream(f, ogg.audioProperties());
        f.Format = TAudioFormat::OggVorbis;
        TakeXiph(f, ogg.tag());
        return true;
    }
    case TKind::OggOpus: {
        auto &ogg = static_cast<Ogg::Opus::File &>(file);
        TakeStream(f, ogg.audioProperties());
        f.Format = TAudioFormat::Opus;
        TakeXiph(f, ogg.tag());
        return true;
    }
    case TKind::OggFlac: {
        auto &ogg = static_cast<Ogg::FLAC::File &>(file);
        const FLAC::Properties *p = ogg.audioProperties();
        TakeStream(f, p);
        f.Format = TAudioFormat::FLAC;
        f.BitsPerSample = p ? Bits(p->bitsPerSample()) : 0;
        TakeXiph(f, ogg.tag());
        return true;
    }
    case TKind::OggSpeex: {
        auto &ogg = static_cast<Ogg::Speex::File &>(file);
        TakeStream(f, ogg.audioProperties());
        f.Format = TAudioFormat::Speex;
        TakeXiph(f, ogg.tag());
        return true;
    }
    case TKind::Mp4: {
        auto &mp4 = static_cast<MP4::File &>(file);
        const MP4::Properties *p = mp4.audioProperties();
        if (!p || (p->codec() == MP4::Properties::Unknown && p->sampleRate() == 0 &&
                   p->lengthInMilliseconds() == 0))
            return false; // no sound track: a film, or a picture
        TakeStream(f, p);
        f.Format = p->codec() == MP4::Properties::AAC    ? TAudioFormat::AAC
                   : p->codec() == MP4::Properties::ALAC ? TAudioFormat::ALAC
                                                         : TAudioFormat::MP4;
        f.BitsPerSample = f.Format == TAudioFormat::ALAC ? Bits(p->bitsPerSample()) : 0;
        if (const MP4::Tag *t = mp4.tag()) {
            const auto &items = t->itemMap();
            if (const auto it = items.find("aART"); it != items.end()) {
                const StringList texts = it->second.toStringList();
                if (!texts.isEmpty())
                    f.AlbumArtist = Text(texts.front());
            }
            if (const auto it = items.find("disk"); it != items.end())
                f.Disc = std::max(it->second.toIntPair().first, 0);
            if (const auto it = items.find("covr"); it != items.end())
                f.HasPicture = !it->second.toCoverArtList().isEmpty();
        }
        return true;
    }
    case TKind::Asf: {
        auto &asf = static_cast<ASF::File &>(file);
        const ASF::Properties *p = asf.audioProperties();
        if (!p ||
            (p->codec() == ASF::Properties::Unknown && p->sampleRate() == 0 && p->channels() == 0))
            return false; // a film without sound
        TakeStream(f, p);
        f.Format = TAudioFormat::WMA;
        f.BitsPerSample =
            p->codec() == ASF::Properties::WMA9Lossless ? Bits(p->bitsPerSample()) : 0;
        if (const ASF::Tag *t = asf.tag()) {
            const auto &attributes = t->attributeListMap();
            const auto first = [&attributes](const char *name) {
                const auto it = attributes.find(name);
                return it == attributes.end() || it->second.isEmpty()
                           ? QString()
                           : Text(it->second.front().toString());
            };
            f.AlbumArtist = first("WM/AlbumArtist");
            f.Disc = LeadingNumber(first("WM/PartOfSet"));
            f.HasPicture = attributes.contains("WM/Picture");
        }
        return true;
    }
    case TKind::WavPack: {
        auto &wv = static_cast<WavPack::File &>(file);
        const WavPack::Properties *p = wv.audioProperties();
        TakeStream(f, p);
        f.Format = TAudioFormat::WavPack;
        f.BitsPerSample = p ? Bits(p->bitsPerSample()) : 0;
        if (wv.hasAPETag())
            TakeApe(f, wv.APETag());
        return true;
    }
    case TKind::Ape: {
        auto &ape = static_cast<APE::File &>(file);
        const APE::Properties *p = ape.audioProperties();
        TakeStream(f, p);
        f.Format = TAudioFormat::MonkeysAudio;
        f.BitsPerSample = p ? Bits(p->bitsPerSample()) : 0;
        if (ape.hasAPETag())
            TakeApe(f, ape.APETag());
        return true;
    }
    case TKind::Aiff: {
        auto &aiff = static_cast<RIFF::AIFF::File &>(file);
        const RIFF::AIFF::Properties *p = aiff.audioProperties();
        TakeStream(f, p);
        f.Format = TAudioFormat::AIFF;
        f.BitsPerSample = p ? Bits(p->bitsPerSample()) : 0;
        if (aiff.hasID3v2Tag())
            TakeId3v2(f, aiff.tag());
        return true;
    }
    case TKind::Wav: {
        auto &wav = static_cast<RIFF::WAV::File &>(file);
        const RIFF::WAV::Properties *p = wav.audioProperties();
        TakeStream(f, p);
        f.Format = TAudioFormat::WAV;
        f.BitsPerSample = p ? Bits(p->bitsPerSample()) : 0;
        if (wav.hasID3v2Tag())
            TakeId3v2(f, wav.ID3v2Tag());
        return true;
    }
    case TKind::None:
        break;
    }
    return true;
}

// Reads the stream into f (whose values are cleared first); false when it holds no audio.
bool ReadStream(TTagLibFile &f, TReadStream &stream, qint64 size)
{
    f.ClearValues(size, TAudioFormat::Unknown);
    const TKind kind = Sniff(stream);
    const std::unique_ptr<TagLib::File> file = Open(kind, stream, true);
    if (!file || !file->isValid() || !file->audioProperties())
        return true; // listed as unreadable
    if (Take(f, kind, *file))
        return true;
    f.Format = TAudioFormat::Unknown;
    return false;
}

// The pictures of a file: a front cover wins, else the first one.
class TPictureChoice
{
public:
    void Offer(const TagLib::ByteVector &data, const TagLib::String &mime, int type)
    {
        if (data.isEmpty() || m_best.Type == 3 || (type != 3 && m_best.Type >= 0))
            return;
        m_best.Data = QByteArray(data.data(), qsizetype(data.size()));
        m_best.Mime = Text(mime).toLower();
        if (m_best.Mime.isEmpty() || !m_best.Mime.startsWith(QLatin1String("image/")))
            m_best.Mime = m_best.Data.startsWith("\x89PNG") ? QStringLiteral("image/png")
                                                            : QStringLiteral("image/jpeg");
        m_best.Type = type;
    }
    void Offer(const TagLib::List<TagLib::FLAC::Picture *> &pictures)
    {
        for (const TagLib::FLAC::Picture *p : pictures)
            Offer(p->data(), p->mimeType(), int(p->type()));
    }
    void Offer(const TagLib::ID3v2::Tag *t)
    {
        const auto &frames = t->frameListMap();
        const auto it = frames.find("APIC");
        if (it == frames.end())
            return;
        for (const TagLib::ID3v2::Frame *frame : it->second)
            if (const auto *p = dynamic_cast<const TagLib::ID3v2::AttachedPictureFrame *>(frame))
                Offer(p->picture(), p->mimeType(), int(p->type()));
    }
    void Offer(const TagLib::APE::Tag *t)
    {
        for (const auto &[key, item] : t->itemListMap()) {
            if (!IsApePicture(key, item))
                continue;
            // A file name, a zero byte, then the picture.
            const TagLib::ByteVector value = item.binaryData();
            const int nul = value.find('\0');
            if (nul >= 0)
                Offer(value.mid(uint(nul) + 1), TagLib::String(),
                      key == "COVER ART (FRONT)" ? 3 : 0);
        }
    }
    TMp3Picture Take() { return m_best.Data.isEmpty() ? TMp3Picture() : m_best; }

private:
    TMp3Picture m_best;
};

TMp3Picture Pictures(TKind kind, TagLib::File &file)
{
    using namespace TagLib;
    TPictureChoice choice;
    switch (kind) {
    case TKind::Flac: {
        auto &flac = static_cast<FLAC::File &>(file);
        choice.Offer(flac.pictureList());
        if (flac.hasXiphComment())
            choice.Offer(flac.xiphComment()->pictureList());
        if (flac.hasID3v2Tag())
            choice.Offer(flac.ID3v2Tag());
        break;
    }
    case TKind::OggVorbis:
    case TKind::OggOpus:
    case TKind::OggFlac:
    case TKind::OggSpeex:
        if (auto *x = dynamic_cast<Ogg::XiphComment *>(file.tag()))
            choice.Offer(x->pictureList());
        break;
    case TKind::Mp4:
        // Cover art has no kind: it is the cover.
        if (const MP4::Tag *t = static_cast<MP4::File &>(file).tag()) {
            const auto &items = t->itemMap();
            if (const auto it = items.find("covr"); it != items.end())
                for (const MP4::CoverArt &art : it->second.toCoverArtList())
                    choice.Offer(art.data(),
                                 art.format() == MP4::CoverArt::PNG ? "image/png" : "image/jpeg",
                                 3);
        }
        break;
    case TKind::Asf:
        if (const ASF::Tag *t = static_cast<ASF::File &>(file).tag()) {
            const auto &attributes = t->attributeListMap();
            if (const auto it = attributes.find("WM/Picture"); it != attributes.end())
                for (const ASF::Attribute &a : it->second) {
                    const ASF::Picture p = a.toPicture();
                    if (p.isValid())
                        choice.Offer(p.picture(), p.mimeType(), int(p.type()));
                }
        }
        break;
    case TKind::WavPack:
        if (auto &wv = static_cast<WavPack::File &>(file); wv.hasAPETag())
            choice.Offer(wv.APETag());
        break;
    case TKind::Ape:
        if (auto &ape = static_cast<APE::File &>(file); ape.hasAPETag())
            choice.Offer(ape.APETag());
        break;
    case TKind::Aiff:
        if (auto &aiff = static_cast<RIFF::AIFF::File &>(file); aiff.hasID3v2Tag())
            choice.Offer(aiff.tag());
        break;
    case TKind::Wav:
        if (auto &wav = static_cast<RIFF::WAV::File &>(file); wav.hasID3v2Tag())
            choice.Offer(wav.ID3v2Tag());
        break;
    case TKind::None:
        break;
    }
    return choice.Take();
}

TMp3Picture StreamPicture(TReadStream &stream)
{
    const TKind kind = Sniff(stream);
    const std::unique_ptr<TagLib::File> file = Open(kind, stream, false);
    return file && file->isValid() ? Pictures(kind, *file) : TMp3Picture();
}

// Digits in groups of three, as the "Type" column shows rates in every language.
void PutGrouped(QString &out, int value)
{
    char digits[16];
    const char *end = std::to_chars(digits, digits + sizeof digits, std::max(value, 0)).ptr;
    const qsizetype n = end - digits;
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += QLatin1Char(',');
        out += QLatin1Char(digits[i]);
    }
}

// The extension of name in lower case, when it is short enough to be one of ours.
template <class Char> bool LowerExtension(const Char *name, size_t length, char (&ext)[5])
{
    size_t dot = length;
    while (dot > 0 && name[dot - 1] != Char('.'))
        --dot;
    if (dot < 2 || length - dot > 4 || length == dot)
        return false; // no extension, or only one (".flac", a hidden file, is a name)
    std::fill(std::begin(ext), std::end(ext), '\0');
    for (size_t i = dot; i < length; ++i) {
        if (name[i] > Char(0x7f))
            return false;
        ext[i - dot] = char(char(name[i]) | 0x20);
    }
    return true;
}

bool IsAudioExtension(const char (&ext)[5])
{
    static const char *const extensions[] = {"mp3", "flac", "ogg", "oga", "opus", "m4a", "mp4",
                                             "wma", "wv",   "ape", "aif", "aiff", "wav"};
    return std::any_of(std::begin(extensions), std::end(extensions),
                       [&ext](const char *e) { return std::strcmp(ext, e) == 0; });
}

} // namespace

QString AudioFormatName(TAudioFormat format)
{
    switch (format) {
    case TAudioFormat::MP3:
        return QStringLiteral("MP3");
    case TAudioFormat::FLAC:
        return QStringLiteral("FLAC");
    case TAudioFormat::OggVorbis:
        return QStringLiteral("Ogg Vorbis");
    case TAudioFormat::Opus:
        return QStringLiteral("Opus");
    case TAudioFormat::Speex:
        return QStringLiteral("Speex");
    case TAudioFormat::AAC:
        return QStringLiteral("AAC");
    case TAudioFormat::ALAC:
        return QStringLiteral("ALAC");
    case TAudioFormat::MP4:
        return QStringLiteral("MP4");
    case TAudioFormat::WMA:
        return QStringLiteral("WMA");
    case TAudioFormat::WavPack:
        return QStringLiteral("WavPack");
    case TAudioFormat::MonkeysAudio:
        return QStringLiteral("Monkey's Audio");
    case TAudioFormat::AIFF:
        return QStringLiteral("AIFF");
    case TAudioFormat::WAV:
        return QStringLiteral("WAV");
    case TAudioFormat::Unknown:
        break;
    }
    return {};
}

bool IsAudioFileName(QStringView name)
{
    char ext[5];
    return LowerExtension(name.utf16(), size_t(name.size()), ext) && IsAudioExtension(ext);
}

bool IsAudioFileName(const char *name, size_t length)
{
    // Names in a listing are bytes: the extensions are ASCII in every encoding.
    char ext[5];
    return LowerExtension(name, length, ext) && IsAudioExtension(ext);
}

bool IsMp3FileName(QStringView name)
{
    char ext[5];
    return LowerExtension(name.utf16(), size_t(name.size()), ext) && std::strcmp(ext, "mp3") == 0;
}

std::unique_ptr<TAudioFile> ReadAudioFile(const QString &path)
{
    std::unique_ptr<TAudioFile> file;
    if (IsMp3FileName(path))
        file = std::make_unique<TMP3File>();
    else
        file = std::make_unique<TTagLibFile>();
    if (!file->ReadInfo(path))
        file.reset();
    return file;
}

TMp3Picture ReadAudioPicture(const QString &path)
{
    return IsMp3FileName(path) ? ReadMp3Picture(path) : ReadTagLibPicture(path);
}

bool TTagLibFile::ReadInfo(const QString &path)
{
    const QByteArray local = QFile::encodeName(path);
    struct stat st
    {
    };
    st.st_mode = S_IFREG;
    const int fd = OpenRegular(local, &st);
    if (fd < 0 && (st.st_mode == 0 || ::stat(local.constData(), &st) != 0 || !S_ISREG(st.st_mode)))
        return false;
    TTagLibFile read;
    read.Parent = Parent;
    read.Path = path;
    read.Name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    bool audio = true;
    if (fd < 0) { // no read permission: listed, unreadable
        const QByteArray none;
        TReadStream empty(none);
        ReadStream(read, empty, qint64(st.st_size));
    } else {
        TReadStream stream(fd, qint64(st.st_size), local);
        audio = ReadStream(read, stream, qint64(st.st_size));
        ::close(fd);
    }
    if (!audio)
        return false;
    static_cast<TAudioFile &>(*this) = read;
    return true;
}

bool TTagLibFile::ReadFromBytes(const QByteArray &bytes)
{
    TReadStream stream(bytes);
    return ReadStream(*this, stream, bytes.size());
}

QString TTagLibFile::Description() const
{
    if (Format == TAudioFormat::Unknown)
        return QStringLiteral("(unreadable)");
    QString out = FormatName();
    out.reserve(64);
    if (BitsPerSample > 0) {
        out += QStringLiteral(", ");
        out += QString::number(BitsPerSample);
        out += QStringLiteral(" bit");
    }
    out += QStringLiteral(", ");
    PutGrouped(out, SampleRate);
    out += QStringLiteral(" Hz, ");
    if (Channels == 1)
        out += QStringLiteral("mono");
    else if (Channels == 2)
        out += QStringLiteral("stereo");
    else
        out += QString::number(Channels) + QStringLiteral(" channels");
    out += QStringLiteral(", ");
    PutGrouped(out, BitRate);
    out += QStringLiteral(" kbps");
    return out;
}

TMp3Picture ReadTagLibPicture(const QString &path)
{
    const QByteArray local = QFile::encodeName(path);
    struct stat st
    {
    };
    const int fd = OpenRegular(local, &st);
    if (fd < 0)
        return {};
    TReadStream stream(fd, qint64(st.st_size), local);
    const TMp3Picture picture = StreamPicture(stream);
    ::close(fd);
    return picture;
}

TMp3Picture ReadTagLibPictureFromBytes(const QByteArray &bytes)
{
    TReadStream stream(bytes);
    return StreamPicture(stream);
}
