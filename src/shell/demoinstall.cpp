#include "shell/demoinstall.h"

#include "model/atomicfile.h"
#include "model/general.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QPair>

namespace {

const QString kDemoName = QStringLiteral("demo.qel");

// The folder that holds the built demo.qel and its demo/covers and demo/lyrics:
// the installed resources, or the build tree's when run from there.
QString builtDemoFolder()
{
    QStringList candidates{ResourceFolder()};
#ifdef QEL_BUILD_RESOURCES
    candidates << QStringLiteral(QEL_BUILD_RESOURCES "/");
#endif
    for (const QString &folder : candidates)
        if (QFileInfo(folder + kDemoName).isFile())
            return folder;
    return {};
}

} // namespace

bool InstallDemoDatabase(const QString &dataFolder, const QString &coversFolder,
                         const QString &lyricsFolder)
{
    const QString target = QDir(dataFolder).filePath(kDemoName);
    if (QFileInfo::exists(target))
        return true;
    const QString source = builtDemoFolder();
    if (source.isEmpty())
        return false;
    for (const QString &folder : {dataFolder, coversFolder, lyricsFolder})
        if (!QDir().mkpath(folder))
            return false;

    QList<QPair<QString, QString>> copies; // from, to
    const QPair<QString, QString> folders[] = {
        {QStringLiteral("demo/covers"), coversFolder},
        {QStringLiteral("demo/lyrics"), lyricsFolder},
    };
    for (const auto &[from, to] : folders) {
        const QDir dir(source + from);
        for (const QString &name : dir.entryList(QDir::Files, QDir::Name))
            copies.append({dir.filePath(name), QDir(to).filePath(name)});
    }
    // Last, so that its presence means the rest is there too.
    copies.append({source + kDemoName, target});

    QStringList written;
    for (const auto &[from, to] : copies) {
        if (QFileInfo::exists(to))
            continue;
        if (!CopyFileAtomically(from, to).isEmpty()) {
            for (const QString &path : written)
                QFile::remove(path);
            return false;
        }
        written.append(to);
    }
    return true;
}
