#include "mp3/mp3scan.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>

namespace {

constexpr QDir::SortFlags kOrder = QDir::Name | QDir::IgnoreCase;
const QStringList kPattern{QStringLiteral("*.mp3")};

// Reads folder's files and, when recursive, its subfolders below it (those without MP3
// files left out); otherwise its subfolders are added unread. onFile is called after
// each file; false stops the read.
bool readInto(TMP3Folder &folder, bool recursive, const std::function<bool()> &onFile, int &read)
{
    const QDir dir(folder.Path);
    const QFileInfoList files = dir.entryInfoList(kPattern, QDir::Files | QDir::Readable, kOrder);
    for (const QFileInfo &info : files) {
        auto file = std::make_unique<TMP3File>();
        file->ReadInfo(info.filePath());
        folder.Add(std::move(file));
        ++read;
        if (onFile && !onFile())
            return false;
    }
    const QFileInfoList dirs =
        dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks, kOrder);
    for (const QFileInfo &info : dirs) {
        auto sub = std::make_unique<TMP3Folder>();
        sub->Name = info.fileName();
        sub->Path = info.filePath();
        sub->Parent = &folder;
        if (!recursive) {
            folder.Add(std::move(sub));
            continue;
        }
        const bool go = readInto(*sub, true, onFile, read);
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
    int read = 0;
    readInto(*root, true, progress, read);
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

TMP3Scanner::TMP3Scanner(QObject *owner) : TProcess(owner)
{
    UseWindow = false;
}

void TMP3Scanner::breathe()
{
    if (!m_sinceEvents.isValid() || m_sinceEvents.elapsed() >= 20) {
        QCoreApplication::processEvents();
        m_sinceEvents.restart();
    }
}

void TMP3Scanner::step()
{
    ++Position;
    const int percent = Max > 0 ? int(qint64(Position) * 100 / Max) : 0;
    if (percent != m_percent) {
        m_percent = percent;
        SetPosition(Position); // reports the percentage and handles events
        m_sinceEvents.restart();
    } else {
        breathe();
    }
}

int TMP3Scanner::Scan(TMP3Folder &root, bool recursive)
{
    if (m_scanning || root.Path.isEmpty())
        return 0;
    m_scanning = true;
    Folder = &root;
    Start();
    m_percent = -1;
    m_sinceEvents.invalidate();
    root.Items.clear();
    root.Path = QDir::cleanPath(root.Path);
    root.Name = QDir(root.Path).dirName();

    SetMessage(QCoreApplication::translate("TMP3Scanner", "Counting files... (ESC to cancel)"));
    // The whole tree is counted either way: the window reports the files in subfolders.
    const int total = CountFiles(root.Path, true);
    Max = recursive || Cancelled() ? total : CountFiles(root.Path, false);
    SetMessage(QCoreApplication::translate("TMP3Scanner", "Reading file info... (ESC to cancel)"));
    if (!Cancelled())
        ReadFolder(root, recursive);
    if (Cancelled())
        root.Items.clear();
    Finish();
    Folder = nullptr;
    m_scanning = false;
    return total;
}

int TMP3Scanner::CountFiles(const QString &path, bool recursive)
{
    int count = 0;
    QDirIterator it(path, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks);
    while (it.hasNext() && !Cancelled()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        if (info.isDir()) {
            if (recursive)
                count += CountFiles(info.filePath(), true);
        } else if (info.suffix().compare(QLatin1String("mp3"), Qt::CaseInsensitive) == 0) {
            ++count;
        }
        breathe();
    }
    return count;
}

int TMP3Scanner::ReadFolder(TMP3Folder &folder, bool recursive)
{
    int read = 0;
    readInto(
        folder, recursive,
        [this] {
            step();
            return !Cancelled();
        },
        read);
    return read;
}
