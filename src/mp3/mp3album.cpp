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

namespace {

const QString kUnset = QStringLiteral("[EMPTY]");

struct TBuilder
{
    TQelDb &db;
    QString artist = kUnset;
    QString title = kUnset;

    void track(TDataItem *parent, const TMP3File &file, int index)
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
    }

    // Every file below folder, depth first in list order, as tracks of parent.
    void filesBelow(TDataItem *parent, const TMP3Folder &folder, int &index)
    {
        for (const auto &item : folder.Items) {
            if (auto *file = dynamic_cast<const TMP3File *>(item.get()))
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

} // namespace

TAlbum *CreateFromMP3Folder(const TMP3Folder &root, TQelDb &db, const TFieldDefaults *defaults,
                            const QString &coversFolder, QString *coverError)
{
    auto *album = new TAlbum(&db);
    if (defaults)
        defaults->ApplyTo(*album, db);
    album->Format = db.LookupList(fdFormat).GetOrAdd(QStringLiteral("MP3"));
    TBuilder b{db};

    int discs = 0;
    size_t i = 0;
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
            if (auto *file = dynamic_cast<const TMP3File *>(item.get())) {
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
            if (auto *file = dynamic_cast<const TMP3File *>(root.Items[i].get()))
                b.track(disc, *file, ++index);
    }

    const bool oneArtist = !b.artist.isEmpty() && b.artist != kUnset;
    album->Artist =
        db.LookupList(fdArtist).GetOrAddShown(oneArtist ? b.artist : QStringLiteral("Various"));
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
        if (cover.isEmpty()) {
            std::vector<const TMP3File *> files;
            CollectMp3Files(root, files);
            for (size_t f = 0; f < files.size() && embedded.Data.isEmpty(); ++f)
                embedded = ReadMp3Picture(files[f]->Path);
        }
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
