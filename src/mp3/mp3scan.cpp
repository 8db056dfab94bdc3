#include "mp3/mp3scan.h"

#include "model/textcompare.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <dirent.h>
#include <exception>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace {

// A folder as listed once: what both passes of a scan work from.
struct TListing
{
    QString path;
    QByteArray local; // path in the file system's encoding
    QString name;
    std::vector<QString> files; // names of the audio files
    std::vector<TListing> folders;
    int total = 0;       // audio files here and below
    bool others = false; // some of them, here or below, are not MP3 files
};

bool isMp4Name(const char *name, size_t length)
{
    return length > 4 && name[length - 4] == '.' && (name[length - 3] | 0x20) == 'm' &&
           (name[length - 2] | 0x20) == 'p' && name[length - 1] == '4';
}

bool byName(const QString &a, const QString &b)
{
    return CompareFolded(a, b) < 0;
}

// The folder's path with the separator after it (the root "/" has it already).
QString withSlash(const QString &folder)
{
    return folder.endsWith(u'/') ? folder : folder + u'/';
}
QByteArray withSlash(const QByteArray &folder)
{
    return folder.endsWith('/') ? folder : folder + '/';
}

// Lists listing.local and the folders below it: the audio files (regular files or links to
// them; a named pipe would stop the reading pass for good) and the folders (a link to a
// folder is not followed, so no loop). Hidden entries are left out. go is called after
// each entry; false stops the listing.
bool listTree(TListing &listing, const std::function<bool()> &go)
{
    DIR *dir = ::opendir(listing.local.constData());
    if (!dir)
        return true; // unreadable: an empty folder
    const int fd = ::dirfd(dir);
    std::vector<QByteArray> folders;
    bool going = true;
    while (const dirent *entry = ::readdir(dir)) {
        const char *name = entry->d_name;
        if (name[0] == '.')
            continue;
        const size_t length = std::strlen(name);
        unsigned char type = entry->d_type;
        struct stat st;
        if (type == DT_UNKNOWN) {
            if (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            type = S_ISDIR(st.st_mode)   ? DT_DIR
                   : S_ISREG(st.st_mode) ? DT_REG
                   : S_ISLNK(st.st_mode) ? DT_LNK
                                         : DT_UNKNOWN;
        }
        if (type == DT_DIR) {
            folders.emplace_back(name, qsizetype(length));
        } else if (IsAudioFileName(name, length)) {
            if (type == DT_REG ||
                (type == DT_LNK && ::fstatat(fd, name, &st, 0) == 0 && S_ISREG(st.st_mode))) {
                QString file = QFile::decodeName(QByteArray(name, qsizetype(length)));
                // An .mp4 file is as often a film: the count takes only those with sound.
                if (!isMp4Name(name, length) || ReadAudioFile(withSlash(listing.path) + file)) {
                    listing.others = listing.others || !IsMp3FileName(file);
                    listing.files.push_back(std::move(file));
                }
            }
        }
        if (go && !go()) {
            going = false;
            break;
        }
    }
    ::closedir(dir);
    std::sort(listing.files.begin(), listing.files.end(), byName);
    listing.total = int(listing.files.size());
    listing.folders.reserve(folders.size());
    for (const QByteArray &local : folders) {
        TListing &sub = listing.folders.emplace_back();
        sub.name = QFile::decodeName(local);
        sub.path = withSlash(listing.path) + sub.name;
        sub.local = withSlash(listing.local) + local;
    }
    std::sort(listing.folders.begin(), listing.folders.end(),
              [](const TListing &a, const TListing &b) { return byName(a.name, b.name); });
    for (TListing &sub : listing.folders) {
        if (!going)
            break;
        going = listTree(sub, go);
        listing.total += sub.total;
        listing.others = listing.others || sub.others;
    }
    return going;
}

TListing listRoot(const QString &path, const std::function<bool()> &go)
{
    TListing listing;
    listing.path = path;
    listing.local = QFile::encodeName(path);
    listTree(listing, go);
    return listing;
}

// The files a recursive reading pass over listing takes, in its order.
void collectPaths(const TListing &listing, std::vector<QString> &out)
{
    const QString prefix = withSlash(listing.path);
    for (const QString &name : listing.files)
        out.push_back(prefix + name);
    for (const TListing &sub : listing.folders)
        if (sub.total > 0)
            collectPaths(sub, out);
}

// Where the reading pass takes its files from: each read as the pass comes to it, or all
// read beforehand on a few threads. A read mostly waits, on the disk or on the kernel's
// copy, and the files are independent of each other.
class TFileSupply
{
public:
    // Reads every file of a recursive pass over listing, when there are enough of them to
    // share out.
    void ReadAhead(const TListing &listing)
    {
        const int threads = std::clamp(QThread::idealThreadCount(), 1, 8);
        if (threads < 2 || listing.total < 64)
            return;
        std::vector<QString> paths;
        paths.reserve(size_t(listing.total));
        collectPaths(listing, paths);
        std::vector<std::unique_ptr<TAudioFile>> ready(paths.size());
        std::atomic<size_t> next{0};
        std::mutex failureLock;
        std::exception_ptr failure;
        const auto work = [&] {
            try {
                for (size_t i; (i = next.fetch_add(1)) < paths.size();)
                    ready[i] = ReadAudioFile(paths[i]);
            } catch (...) {
                const std::lock_guard lock(failureLock);
                failure = std::current_exception();
                next = paths.size(); // the others stop too
            }
        };
        std::vector<std::thread> helpers;
        try {
            for (int t = 1; t < threads; ++t)
                helpers.emplace_back(work);
        } catch (const std::system_error &) {
            // fewer threads, then
        }
        work();
        for (std::thread &helper : helpers)
            helper.join();
        if (failure)
            std::rethrow_exception(failure);
        m_ready = std::move(ready);
    }

    // The file name in the folder at prefix; null when it is no regular file or holds no
    // audio.
    std::unique_ptr<TAudioFile> Take(const QString &prefix, const QString &name)
    {
        if (m_next < m_ready.size())
            return std::move(m_ready[m_next++]);
        return ReadAudioFile(prefix + name);
    }

private:
    std::vector<std::unique_ptr<TAudioFile>> m_ready;
    size_t m_next = 0;
};

// Reads the listed files into folder and, when recursive, the listed subfolders below
// it (those without audio files left out); otherwise the subfolders are added unread.
// onFile is called after each file; false stops. skipped counts the listed files that
// were no longer regular files when read, or held no audio.
bool readListing(const TListing &listing, TMP3Folder &folder, bool recursive, TFileSupply &supply,
                 const std::function<bool()> &onFile, int &skipped)
{
    folder.Items.reserve(listing.files.size() + listing.folders.size());
    const QString prefix = withSlash(listing.path);
    for (const QString &name : listing.files) {
        if (std::unique_ptr<TAudioFile> file = supply.Take(prefix, name))
            folder.Add(std::move(file));
        else
            ++skipped;
        if (onFile && !onFile())
            return false;
    }
    for (const TListing &sub : listing.folders) {
        if (recursive && sub.total == 0)
            continue;
        auto child = std::make_unique<TMP3Folder>();
        child->Name = sub.name;
        child->Path = sub.path;
        child->Parent = &folder;
        if (!recursive) {
            folder.Add(std::move(child));
            continue;
        }
        const bool go = readListing(sub, *child, true, supply, onFile, skipped);
        if (!child->Items.empty())
            folder.Add(std::move(child));
        if (!go)
            return false;
    }
    return true;
}

// Folders first only where asked (the chosen folder); below it, names alone decide, as
// the file systems the layout rules were made for list a folder.
void sortTree(TMP3Folder &folder, bool foldersFirst)
{
    const auto before = [foldersFirst](const std::unique_ptr<TMP3Item> &a,
                                       const std::unique_ptr<TMP3Item> &b) {
        const auto *fa = dynamic_cast<const TAudioFile *>(a.get());
        const auto *fb = dynamic_cast<const TAudioFile *>(b.get());
        if (foldersFirst && !fa != !fb)
            return !fa;
        if (const int c = CompareFolded(a->Name, b->Name))
            return c < 0;
        if (fa && fb) {
            if (const int c = CompareFolded(fa->Album, fb->Album))
                return c < 0;
            return CompareFolded(fa->Title, fb->Title) < 0;
        }
        return false;
    };
    // A scan lists names in order already: most folders need no moving.
    if (!std::is_sorted(folder.Items.begin(), folder.Items.end(), before))
        std::stable_sort(folder.Items.begin(), folder.Items.end(), before);
    for (auto &item : folder.Items)
        if (auto *sub = dynamic_cast<TMP3Folder *>(item.get()))
            sortTree(*sub, false);
}

} // namespace

void SortMp3Tree(TMP3Folder &folder)
{
    sortTree(folder, true);
}

std::unique_ptr<TMP3Folder> ScanMp3Folder(const QString &path,
                                          const std::function<bool()> &progress)
{
    auto root = std::make_unique<TMP3Folder>();
    root->Path = QDir::cleanPath(path);
    root->Name = QDir(root->Path).dirName();
    const TListing listing = listRoot(root->Path, {});
    TFileSupply supply;
    if (!progress) // a progress wants the files as they come
        supply.ReadAhead(listing);
    int skipped = 0;
    readListing(listing, *root, true, supply, progress, skipped);
    SortMp3Tree(*root);
    return root;
}

void CollectMp3Files(const TMP3Folder &folder, std::vector<const TAudioFile *> &out)
{
    for (const auto &item : folder.Items) {
        if (auto *file = dynamic_cast<const TAudioFile *>(item.get()))
            out.push_back(file);
        else if (auto *sub = dynamic_cast<const TMP3Folder *>(item.get()))
            CollectMp3Files(*sub, out);
    }
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
    m_otherFormats = false;
    Folder = &root;
    Start();
    m_percent = -1;
    m_sinceEvents.invalidate();
    root.Items.clear();
    root.Path = QDir::cleanPath(root.Path);
    root.Name = QDir(root.Path).dirName();

    SetMessage(QCoreApplication::translate("TMP3Scanner", "Counting files... (ESC to cancel)"));
    // The whole tree is counted either way: the window reports the files in subfolders.
    const TListing listing = listRoot(root.Path, [this] {
        breathe();
        return !Cancelled();
    });
    int total = listing.total;
    m_otherFormats = listing.others;
    Max = recursive ? total : int(listing.files.size());
    SetMessage(QCoreApplication::translate("TMP3Scanner", "Reading file info... (ESC to cancel)"));
    if (!Cancelled()) {
        int skipped = 0;
        TFileSupply supply;
        readListing(
            listing, root, recursive, supply,
            [this] {
                step();
                return !Cancelled();
            },
            skipped);
        total -= skipped;
    }
    if (Cancelled())
        root.Items.clear();
    else
        SortMp3Tree(root);
    Finish();
    Folder = nullptr;
    m_scanning = false;
    return total;
}
