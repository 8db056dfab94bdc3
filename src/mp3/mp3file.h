#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <memory>
#include <vector>

class TMP3Folder;

// Anything in a tree of audio files: a file or a folder.
class TMP3Item
{
public:
    virtual ~TMP3Item() = default;

    QString Name; // file or folder name, extension included
    QString Path; // full path
    TMP3Folder *Parent = nullptr;

    // The path below the root of the tree, parts joined with "/"; empty for the root.
    QString RelativePath() const;
};

// A folder that owns its files and subfolders, in the order they were added.
class TMP3Folder : public TMP3Item
{
public:
    std::vector<std::unique_ptr<TMP3Item>> Items;

    // Takes item and makes this folder its parent.
    TMP3Item *Add(std::unique_ptr<TMP3Item> item);
};

// The audio formats a folder scan reads; Unknown is a file the reader could not make out.
enum class TAudioFormat : quint8 {
    Unknown,
    MP3,
    FLAC,
    OggVorbis,
    Opus,
    Speex,
    AAC,
    ALAC,
    MP4, // another codec in an MPEG-4 file
    WMA,
    WavPack,
    MonkeysAudio,
    AIFF,
    WAV,
};

// "FLAC", "Ogg Vorbis", "Monkey's Audio"...; empty for Unknown.
QString AudioFormatName(TAudioFormat format);

// What the catalogue wants to know of one audio file, whatever its format: its tag texts
// and the values of its stream.
class TAudioFile : public TMP3Item
{
public:
    QString Artist;
    QString Album;
    QString Comment;
    int Track = 0;
    QString Title;
    QString Year;
    int Genre = 0;     // index into GenreList()
    QString GenreText; // a tag genre that is not on the list; overrides Genre
    QString AlbumArtist;
    int Disc = 0; // the disc number of a set, 0 when the tag has none
    bool HasPicture = false;
    TAudioFormat Format = TAudioFormat::Unknown;
    qint64 FileSize = 0;
    int BitRate = 0; // kbit/s
    int SampleRate = 0;
    int Channels = 0;
    int BitsPerSample = 0; // 0 for lossy streams, whose samples have no width
    qint64 Length = 0;     // seconds

    // Reads the file at path. Returns false, and changes nothing, when no regular file is
    // there (nothing, a folder, a named pipe, a device), without waiting on it, or when the
    // file holds no audio stream at all.
    virtual bool ReadInfo(const QString &path) = 0;
    // The stream as the explorer's "Type" column shows it.
    virtual QString Description() const = 0;

    QString FormatName() const { return AudioFormatName(Format); }
    QString GenreName() const;
    // Every tag and stream value back to none ("Other" for the genre), before a read.
    void ClearValues(qint64 fileSize, TAudioFormat format);
    QString SizeText() const;
    QString LengthText() const;
};

// An MP3 file, read by our own reader: the tag texts and the stream values of its first
// audio frame.
class TMP3File : public TAudioFile
{
public:
    quint8 Version = 0; // 0 = MPEG 1.0, 1 = MPEG 2.0, 2 = MPEG 2.5
    int Layer = 0;
    quint8 ChannelMode = 0; // 0 Stereo, 1 Joint Stereo, 2 Dual Channel, 3 Single Channel
    bool Vbr = false;       // Length comes from a Xing/Info or VBRI frame count

    // A regular file always reads: one that cannot be opened, or one without an MPEG audio
    // frame, gets fixed stream defaults.
    bool ReadInfo(const QString &path) override;
    // The same on bytes already in memory (size is the whole file's).
    void ReadFromBytes(const QByteArray &bytes);

    QString Description() const override;

private:
    void SetStreamDefaults();
};

// Whether a file of this name is one a folder scan reads: its extension, in any case, is
// one of .mp3 .flac .ogg .oga .opus .m4a .mp4 .wma .wv .ape .aif .aiff .wav.
bool IsAudioFileName(QStringView name);
bool IsAudioFileName(const char *name, size_t length);
bool IsMp3FileName(QStringView name);

// The file at path read by the reader of its kind (ours for .mp3, the tag library's for the
// others); null when TAudioFile::ReadInfo refuses it.
std::unique_ptr<TAudioFile> ReadAudioFile(const QString &path);

// "(17)", "17", "(17)Rock" or a name: the index into GenreList(), or -1 with text set to
// a name that is not on the list.
int ParseGenre(const QString &genre, QString *text);

// A picture carried in a file's tag.
struct TMp3Picture
{
    QByteArray Data;
    QString Mime;  // as the tag gives it, lower case ("image/jpeg")
    int Type = -1; // 3 = front cover, others as the tag numbers them (0 = other)

    QString Extension() const
    {
        return Mime == QLatin1String("image/png") ? QStringLiteral("png") : QStringLiteral("jpg");
    }
};

// The front cover of the MP3 file at path, else its first picture; empty Data when it has
// none. Unlike ReadInfo this reads the whole picture frame.
TMp3Picture ReadMp3Picture(const QString &path);

// The same for a file of any format a scan reads.
TMp3Picture ReadAudioPicture(const QString &path);
