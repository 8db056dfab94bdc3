#include "mp3/mp3scan.h"

#include <QDir>

namespace {

bool ScanInto(TMP3Folder &folder, const std::function<bool()> &progress)
{
    const QDir dir(folder.Path);
    const QDir::SortFlags order = QDir::Name | QDir::IgnoreCase;
    const QFileInfoList files =
        dir.entryInfoList({QStringLiteral("*.mp3")}, QDir::Files | QDir::Readable, order);
    for (const QFileInfo &info : files) {
        auto file = std::make_unique<TMP3File>();
        file->ReadInfo(info.filePath());
        folder.Add(std::move(file));
        if (progress && !progress())
            return false;
    }
    const QFileInfoList dirs =
        dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks, order);
    for (const QFileInfo &info : dirs) {
        auto sub = std::make_unique<TMP3Folder>();
        sub->Name = info.fileName();
        sub->Path = info.filePath();
        sub->Parent = &folder;
        const bool go = ScanInto(*sub, progress);
        if (!sub->Items.empty())
            folder.Add(std::move(sub));
        if (!go)
            return false;
    }
    return true;
}

} // namespace

std::unique_ptr<TMP3Folder> ScanMp3Folder(const QString &path,
                                          const std::function<bool()> &progress)
{
    auto root = std::make_unique<TMP3Folder>();
    root->Path = QDir::cleanPath(path);
    root->Name = QDir(root->Path).dirName();
    ScanInto(*root, progress);
    return root;
}

void CollectMp3Files(const TMP3Folder &folder, std::vector<const TMP3File *> &out)
{
    for (const auto &item : folder.Items)
        if (auto *f = dynamic_cast<const TMP3File *>(item.get()))
            out.push_back(f);
    for (const auto &item : folder.Items)
        if (auto *d = dynamic_cast<const TMP3Folder *>(item.get()))
            CollectMp3Files(*d, out);
}
