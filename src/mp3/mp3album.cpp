#include "mp3/mp3album.h"

#include "model/album.h"
#include "model/atomicfile.h"
#include "model/general.h"
#include "model/lookuplist.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "mp3/mp3file.h"
#include "mp3/mp3scan.h"
#include "services/coverimage.h"
#include "shell/fielddefaults.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <map>

namespace {

const QString kUnset = QStringLiteral("[EMPTY]");

struct TBuilder
{
    explicit TBuilder(TQelDb &target) : db(target) {}

    TQelDb &db;
    QString artist = kUnset;
    QString title = kUnset;
    QString albumArtist = kUnset; // of the files that have one
    QString format = kUnset;
    std::vector<const TAudioFile *> files; // in track order

    void track(TDataItem *parent, const TAudioFile &file, int index)
    {
        auto *t = new TTrack(parent);
        parent->Add(t);
        t->Index = index;
        t->Position = file.Track;
        t->Title = file.Title.isEmpty() ? file.Name : file.Title;
        t->Artist = db.LookupList(fdArtist).GetOrAddShown(file.Artist);
        t->Genre = db.LookupList(fdGenre).GetOrAdd(file.GenreName());
        t->Year = file.Year;
        t->Comments = file.Comment;
        t->SetLength(qint32(qMin<qint64>(file.Length, std::numeric_limits<qint32>::max())));
        t->AudioFile = file.Path;
        // A candidate holds while every file agrees; one difference empties it for good.
        if (artist == kUnset)
            artist = file.Artist;
        else if (artist != file.Artist)
            artist.clear();
        if (title == kUnset)
            title = file.Album;
        else if (title != file.Album)
            title.clear();
        if (!file.AlbumArtist.isEmpty()) {
            if (albumArtist == kUnset)
                albumArtist = file.AlbumArtist;
            else if (albumArtist != file.AlbumArtist)
                albumArtist.clear();
        }
        // A file the reader could not make out says nothing of the album's format.
        if (file.Format != TAudioFormat::Unknown) {
            if (format == kUnset)
                format = file.FormatName();
            else if (format != file.FormatName())
                format.clear();
        }
        files.push_back(&file);
    }

    // Every file below folder, depth first in list order, as tracks of parent.
    void filesBelow(TDataItem *parent, const TMP3Folder &folder, int &index)
    {
        for (const auto &item : folder.Items) {
            if (auto *file = dynamic_cast<const TAudioFile *>(item.get()))
                track(parent, *file, ++index);
            else if (auto *sub = dynamic_cast<const TMP3Folder *>(item.get()))
                filesBelow(parent, *sub, index);
        }
    }
};

// Only a regular file: the copy would wait for ever on a named pipe of that name.
QString findCoverFile(const QString &folder)
{
    const QDir dir(folder);
    const QStringList names = dir.entryList(QDir::Files);
    for (const char *wanted : {"cover.jpg", "folder.jpg", "front.jpg"})
        for (const QString &name : names)
            if (name.compare(QLatin1String(wanted), Qt::CaseInsensitive) == 0 &&
                QFileInfo(dir.filePath(name)).isFile())
                return dir.filePath(name);
    return {};
}

// The picture for the album: the first front cover in track order, else the first picture.
TMp3Picture findEmbeddedCover(const std::vector<const TAudioFile *> &files)
{
    TMp3Picture first;
    for (const TAudioFile *file : files) {
        if (!file->HasPicture)
            continue;
        TMp3Picture picture = ReadAudioPicture(file->Path);
        if (picture.Type == 3)
            return picture;
        if (first.Data.isEmpty())
            first = std::move(picture);
    }
    return first;
}

// The root's files by the disc numbers their tags carry, when they carry two or more:
// a box set ripped into one folder. Files without a number join the lowest disc; each
// disc keeps the root's order, which is name order.
std::map<int, std::vector<const TAudioFile *>> filesByDisc(const TMP3Folder &root)
{
    std::map<int, std::vector<const TAudioFile *>> discs;
    for (const auto &item : root.Items) {
        const auto *file = dynamic_cast<const TAudioFile *>(item.get());
        if (!file)
            return {}; // subfolders make the discs
        if (file->Disc > 0)
            discs[file->Disc];
    }
    if (discs.size() < 2)
        return {};
    for (const auto &item : root.Items) {
        const auto *file = static_cast<const TAudioFile *>(item.get());
        discs[file->Disc > 0 ? file->Disc : discs.begin()->first].push_back(file);
    }
    return discs;
}

} // namespace

TAlbum *CreateFromMP3Folder(const TMP3Folder &root, TQelDb &db, const TFieldDefaults *defaults,
                            const QString &coversFolder, QString *coverError)
{
    auto *album = new TAlbum(&db);
    if (defaults)
        defaults->ApplyTo(*album, db);
    TBuilder b(db);

    int discs = 0;
    size_t i = 0;
    for (const auto &[number, files] : filesByDisc(root)) {
        auto *disc = new TDisc(album);
        album->Add(disc);
        disc->Index = number;
        int index = 0;
        for (const TAudioFile *file : files)
            b.track(disc, *file, ++index);
        i = root.Items.size();
    }
    for (; i < root.Items.size(); ++i) {
        const auto *folder = dynamic_cast<const TMP3Folder *>(root.Items[i].get());
        if (!folder)
            break;
        auto *disc = new TDisc(album);
        album->Add(disc);
        disc->Index = ++discs;
        disc->Title = folder->Name;
        int position = 0;
        for (const auto &item : folder->Items) {
            ++position;
            if (auto *file = dynamic_cast<const TAudioFile *>(item.get())) {
                b.track(disc, *file, position);
            } else if (auto *sub = dynamic_cast<const TMP3Folder *>(item.get())) {
                auto *header = new THeader(disc);
                disc->Add(header);
                header->Index = position;
                header->Title = sub->Name;
                int index = 0;
                b.filesBelow(header, *sub, index);
            }
        }
    }
    if (i < root.Items.size()) {
        auto *disc = new TDisc(album);
        album->Add(disc);
        disc->Index = ++discs;
        disc->Title = QStringLiteral("Other Files");
        int index = 0;
        for (; i < root.Items.size(); ++i)
            if (auto *file = dynamic_cast<const TAudioFile *>(root.Items[i].get()))
                b.track(disc, *file, ++index);
    }

    // The album artist that every file naming one agrees on, else the one artist of all.
    const bool oneAlbumArtist = !b.albumArtist.isEmpty() && b.albumArtist != kUnset;
    const bool oneArtist = !b.artist.isEmpty() && b.artist != kUnset;
    album->Artist = db.LookupList(fdArtist).GetOrAddShown(oneAlbumArtist ? b.albumArtist
                                                          : oneArtist    ? b.artist
                                                                      : QStringLiteral("Various"));
    const bool oneFormat = !b.format.isEmpty() && b.format != kUnset;
    album->Format =
        db.LookupList(fdFormat).GetOrAdd(oneFormat ? b.format : QStringLiteral("Digital"));
    const bool oneTitle = !b.title.isEmpty() && b.title != kUnset;
    album->Title = oneTitle ? b.title : root.Name;
    if (album->DiscCount() == 1)
        album->Disc(0)->Title = album->Title;
    for (qsizetype d = 0; d < album->DiscCount(); ++d)
        album->Disc(d)->RebuildTrackList();
    album->RebuildTrackLists();

    // The folder's cover picture, else the first picture a file carries, stored beside
    // the other covers without replacing one.
    if (!coversFolder.isEmpty()) {
        const QString cover = findCoverFile(root.Path);
        TMp3Picture embedded;
        if (cover.isEmpty())
            embedded = findEmbeddedCover(b.files);
        if (!cover.isEmpty() || !embedded.Data.isEmpty()) {
            const QString base =
                MakeFileNameSafe(album->Title.isEmpty() ? root.Name : QString(album->Title));
            const QString ext = cover.isEmpty() ? embedded.Extension() : QStringLiteral("jpg");
            QString name = base + QLatin1Char('.') + ext;
            for (int n = 2; QFileInfo::exists(QDir(coversFolder).filePath(name)); ++n)
                name = QStringLiteral("%1 (%2).%3").arg(base).arg(n).arg(ext);
            const QString target = QDir(coversFolder).filePath(name);
            QString error;
            if (!cover.isEmpty()) {
                error = CopyFileAtomically(cover, target);
            } else {
                QDir().mkpath(coversFolder);
                error = WriteFileAtomically(target, embedded.Data);
            }
            if (error.isEmpty()) {
                album->CoverFile = name;
                const QImage thumbnail = MakeCoverThumbnail(target);
                if (!thumbnail.isNull())
                    album->SetThumbnail(&thumbnail);
            } else if (coverError) {
                *coverError = error;
            }
        }
    }
    return album;
}
