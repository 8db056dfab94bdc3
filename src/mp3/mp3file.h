#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <memory>
#include <vector>

class TMP3Folder;

// Anything in a tree of MP3 files: a file or a folder.
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

// What the catalogue wants to know of one MP3 file: its tag texts and the stream
// values of its first audio frame.
class TMP3File : public TMP3Item
{
public:
    QString Artist;
    QString Album;
    QString Comment;
    int Track = 0;
    QString Title;
    QString Year;
    int Genre = 0;      // index into GenreList()
    QString GenreText;  // a tag genre that is not on the list; overrides Genre
    quint8 Version = 0; // 0 = MPEG 1.0, 1 = MPEG 2.0, 2 = MPEG 2.5
    int Layer = 0;
    qint64 FileSize = 0;
    int BitRate = 0; // kbit/s
    int SampleRate = 0;
    quint8 ChannelMode = 0; // 0 Stereo, 1 Joint Stereo, 2 Dual Channel, 3 Single Channel
    qint64 Length = 0;      // seconds
    bool Vbr = false;       // Length comes from a Xing/Info or VBRI frame count

    // Reads the file at path. A regular file always reads: one that cannot be opened, or
    // one without an MPEG audio frame, gets fixed stream defaults. Returns false, and
    // changes nothing, when no regular file is there (nothing, a folder, a named pipe, a
    // device), without waiting on it.
    bool ReadInfo(const QString &path);
    // The same on bytes already in memory (size is the whole file's).
    void ReadFromBytes(const QByteArray &bytes);

    QString GenreName() const;
    QString Description() const;
    QString SizeText() const;
    QString LengthText() const;

private:
    void SetStreamDefaults();
};

// A picture carried in a file's tag.
struct TMp3Picture
{
    QByteArray Data;
    QString Mime;  // as the tag gives it, lower case ("image/jpeg")
    int Type = -1; // 3 = front cover, 0 = other

    QString Extension() const
    {
        return Mime == QLatin1String("image/png") ? QStringLiteral("png") : QStringLiteral("jpg");
    }
};

// The front cover of the file at path (else its first picture of type "other"); empty
// Data when it has none. Unlike ReadInfo this reads the whole picture frame.
TMp3Picture ReadMp3Picture(const QString &path);
