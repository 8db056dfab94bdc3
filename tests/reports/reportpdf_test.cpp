#include "model/album.h"
#include "reportalbums.h"
#include "reports/albumreport.h"
#include "reports/listreport.h"
#include "reports/ui/previewwindow.h"
#include "reports/ui/printalbumsdialog.h"
#include "reports/ui/printlistdialog.h"
#include "services/ui/processwindow.h"
#include "shell/settingsstore.h"
#include "testsupport.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

const QString kDemo = QStringLiteral(QEL_BINARY_DIR "/resources/demo.qel");

QString pdfText(const QString &pdf)
{
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    EXPECT_TRUE(text.waitForFinished(60000));
    return QString::fromUtf8(text.readAllStandardOutput());
}

unsigned modeOf(const QString &path)
{
    struct stat st = {};
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0) << path.toStdString();
    return st.st_mode & 07777;
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
}

QPageLayout a4()
{
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 15, 15, 15),
                       QPageLayout::Millimeter);
}

std::vector<const TAlbum *> albumsOf(const TReportAlbums &albums)
{
    std::vector<const TAlbum *> out;
    for (const TDataItem *item : albums.items)
        out.push_back(static_cast<const TAlbum *>(item));
    return out;
}

// One way of writing a report's PDF to a file: the command or a window's "PDF...".
// fullDisk makes every write past a few kilobytes fail. Returns the messages shown (the
// command's standard error).
struct TPdfWriterCase
{
    const char *name;
    std::function<QString(const QString &out, bool fullDisk)> write;
};

QString runCommand(const QStringList &args, bool fullDisk)
{
    const TRunResult r =
        RunQel(args, fullDisk ? QStringLiteral("trap '' XFSZ; ulimit -f 4;") : QString());
    EXPECT_EQ(r.exitCode, fullDisk ? 2 : 0) << r.err.constData();
    return QString::fromUtf8(r.err);
}

QString clickPreviewPdf(const QString &out, bool fullDisk)
{
    TReportAlbums albums(300);
    TrpList report(albums.items, {{fdTitle, QStringLiteral("Title"), 0}});
    TfmPreview preview(report, a4(), QStringLiteral("Shelf"));
    preview.show();
    preview.ChoosePdfFile = [&](QWidget *) { return out; };
    TScriptedInterface ui;
    {
        std::optional<TFileSizeLimit> limit;
        if (fullDisk)
            limit.emplace(4096);
        Click(&preview, "btPdf");
    }
    return ui.messages.join(u'\n');
}

} // namespace

// A report replaces its file the way every rewritten file is replaced: a link stays a link
// and its target gets the report, the mode stays, a file of the user's that happens to be
// named like a temporary file is left alone, and a failed write leaves the old report whole.
TEST(ReportPdf, ReplacesTheFileAtomically)
{
    const std::vector<TPdfWriterCase> cases = {
        {"qel report list",
         [](const QString &out, bool full) {
             return runCommand(
                 QStringList{QStringLiteral("report"), QStringLiteral("list"), kDemo, out}, full);
         }},
        {"qel report albums",
         [](const QString &out, bool full) {
             return runCommand(QStringList{QStringLiteral("report"), QStringLiteral("albums"),
                                           kDemo, out, QStringLiteral("--no-cover")},
                               full);
         }},
        {"preview PDF...", clickPreviewPdf},
    };
    for (const TPdfWriterCase &c : cases) {
        SCOPED_TRACE(c.name);
        TTestHome home;
        const QString folder = home.file(QStringLiteral("out"));
        const QString realFolder = home.file(QStringLiteral("real"));
        ASSERT_TRUE(QDir().mkpath(folder) && QDir().mkpath(realFolder));
        const QString target = realFolder + QStringLiteral("/target.pdf");
        const QString out = folder + QStringLiteral("/OUT.pdf");
        const QString part = out + QStringLiteral(".part");
        WriteFileBytes(target, "the old report");
        ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0600), 0);
        ASSERT_TRUE(QFile::link(target, out));
        WriteFileBytes(part, "my own notes");

        c.write(out, false);
        EXPECT_TRUE(QFileInfo(out).isSymLink());
        EXPECT_EQ(QFileInfo(out).symLinkTarget(), target);
        const QByteArray written = ReadFileBytes(target);
        EXPECT_TRUE(written.startsWith("%PDF")) << written.left(20).constData();
        EXPECT_EQ(modeOf(target), 0600u);
        EXPECT_EQ(ReadFileBytes(part), QByteArray("my own notes"));
        EXPECT_EQ(entries(folder),
                  (QStringList{QStringLiteral("OUT.pdf"), QStringLiteral("OUT.pdf.part")}));
        EXPECT_EQ(entries(realFolder), QStringList{QStringLiteral("target.pdf")});

        // The disk fills up: the report written before stays, byte for byte.
        const QString message = c.write(out, true);
        // With the system's reason, not an unknown error.
        EXPECT_TRUE(message.contains(QStringLiteral("could not be written")) &&
                    message.contains(QString::fromLocal8Bit(std::strerror(EFBIG))))
            << message.toStdString();
        EXPECT_EQ(ReadFileBytes(target), written);
        EXPECT_TRUE(QFileInfo(out).isSymLink());
        EXPECT_EQ(entries(folder),
                  (QStringList{QStringLiteral("OUT.pdf"), QStringLiteral("OUT.pdf.part")}));
        EXPECT_EQ(entries(realFolder), QStringList{QStringLiteral("target.pdf")});
    }
}

// The album report prints the albums of the list `qel list` selects with the same options,
// in that list's order (not the file's).
TEST(ReportPdf, AlbumReportPrintsTheSelectedListInItsOrder)
{
    TTestHome home;
    const QString pdf = home.file(QStringLiteral("albums.pdf"));
    const std::vector<QStringList> selections = {
        {},
        Strings({"--sort", "Year:desc"}),
        Strings({"--filter", "Artist/Composer~Kestrel", "--sort", "Year"}),
        Strings({"--group", "Genre", "--folder", "Folk"}),
    };
    for (const QStringList &options : selections) {
        SCOPED_TRACE(options.join(u' ').toStdString());
        const TRunResult list =
            RunQel(QStringList{QStringLiteral("list"), kDemo, QStringLiteral("--columns"),
                               QStringLiteral("Title")} +
                   options);
        ASSERT_EQ(list.exitCode, 0) << list.err.constData();
        QStringList titles = QString::fromUtf8(list.out).split(u'\n', Qt::SkipEmptyParts);
        titles.resize(titles.size() - 2); // the count and the filter lines
        ASSERT_GE(titles.size(), 2);

        const TRunResult r = RunQel(QStringList{QStringLiteral("report"), QStringLiteral("albums"),
                                                kDemo, pdf, QStringLiteral("--no-cover")} +
                                    options);
        ASSERT_EQ(r.exitCode, 0) << r.err.constData();
        const QString text = pdfText(pdf);
        // One album a page, each under its name header "Title - Artist (Year)".
        const QStringList pages = text.split(u'\f', Qt::SkipEmptyParts);
        ASSERT_EQ(pages.size(), titles.size());
        QStringList printed;
        for (const QString &page : pages) {
            QString found;
            for (const QString &title : titles)
                if (page.contains(title + QStringLiteral(" - ")))
                    found = title;
            printed << found;
        }
        EXPECT_EQ(printed, titles);
    }

    // The album report prints albums: a track list or a list of folders is refused.
    for (const QStringList &options : {Strings({"--tracks"}), Strings({"--group", "Genre"})}) {
        const TRunResult r = RunQel(
            QStringList{QStringLiteral("report"), QStringLiteral("albums"), kDemo, pdf} + options);
        EXPECT_EQ(r.exitCode, 2) << options.join(u' ').toStdString();
        EXPECT_FALSE(r.err.isEmpty());
    }
}

// The command says where the report went.
TEST(ReportPdf, CommandSaysWhereItWrote)
{
    TTestHome home;
    const QString pdf = home.file(QStringLiteral("shelf.pdf"));
    const TRunResult r = RunQel({QStringLiteral("report"), QStringLiteral("list"), kDemo, pdf});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const int pages = r.out.split(' ').value(0).toInt();
    EXPECT_GE(pages, 1);
    EXPECT_EQ(QString::fromUtf8(r.out),
              QStringLiteral("%1 pages written to %2\n").arg(pages).arg(pdf));
}

namespace {

// A key as the user types it: to the widget with the focus.
void sendKey(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), modifiers);
}

} // namespace

// The focus is on the page once the user clicked or scrolled it.
TEST(PreviewWindow, PageKeysTurnPagesWhereverTheFocusIs)
{
    TReportAlbums albums(6);
    TrpAlbums albumReport(albumsOf(albums), {{fdTitle, QStringLiteral("Title"), 0}},
                          {{fdTitle, QStringLiteral("Title"), 0}});
    albumReport.Build(); // an album a page
    TReportAlbums many(400);
    TrpList listReport(many.items, {{fdTitle, QStringLiteral("Title"), 0}});
    for (TBandReport *report : std::initializer_list<TBandReport *>{&albumReport, &listReport}) {
        TfmPreview preview(*report, a4(), QStringLiteral("Shelf"));
        preview.resize(500, 400); // the page is taller than the window
        preview.show();
        Child<QToolButton>(&preview, "btZoom100")->click();
        const int pages = report->PageCount();
        SCOPED_TRACE(pages);
        ASSERT_GE(pages, 4);
        auto *scroll = preview.findChild<QScrollArea *>();
        ASSERT_TRUE(scroll);
        QApplication::setActiveWindow(&preview);
        scroll->setFocus();
        ASSERT_EQ(QApplication::focusWidget(), scroll);
        QScrollBar *bar = scroll->verticalScrollBar();
        ASSERT_GT(bar->maximum(), 0);

        // The arrows still scroll within the page.
        sendKey(Qt::Key_Down);
        EXPECT_GT(bar->value(), 0);
        EXPECT_EQ(preview.CurrentPage(), 1);

        struct TStep
        {
            int key;
            Qt::KeyboardModifiers modifiers;
            int page;
        };
        const TStep steps[] = {
            {Qt::Key_PageDown, Qt::NoModifier, 2},
            {Qt::Key_PageDown, Qt::NoModifier, 3},
            {Qt::Key_PageUp, Qt::NoModifier, 2},
            {Qt::Key_PageDown, Qt::ControlModifier, pages},
            {Qt::Key_PageDown, Qt::NoModifier, pages},
            {Qt::Key_PageUp, Qt::ControlModifier, 1},
            {Qt::Key_PageUp, Qt::NoModifier, 1},
            {Qt::Key_End, Qt::NoModifier, pages},
            {Qt::Key_Home, Qt::NoModifier, 1},
        };
        for (const TStep &step : steps) {
            sendKey(step.key, step.modifiers);
            EXPECT_EQ(preview.CurrentPage(), step.page)
                << "key " << step.key << " modifiers " << int(step.modifiers);
        }
        // A new page shows from its top.
        sendKey(Qt::Key_Down);
        sendKey(Qt::Key_PageDown);
        EXPECT_EQ(bar->value(), 0);
    }
}

namespace {

// The preview and both print dialogs, each with a report long enough to take a while.
struct TPdfWindow
{
    const char *name;
    int albums;
    std::function<QWidget *(TReportAlbums &, TSettingsStore &, const TQelFields &,
                            const QString &out)>
        make;
};

} // namespace

// "PDF..." runs as a process: a progress window over the window, whose Cancel leaves the
// old file as it was; at the end a message says where the report went.
TEST(ReportPdf, WindowsWriteAsAProcessThatCanBeCancelled)
{
    // The desktop program's progress windows, for this test only.
    struct TProcessWindows
    {
        TProcessWindows() { InstallProcessWindows(); }
        ~TProcessWindows() { TProcess::SetViewFactory(nullptr); }
    } processWindows;
    std::unique_ptr<TBandReport> previewReport;
    const std::vector<TPdfWindow> windows = {
        // More rows than one step of the measuring pass: Cancel comes while measuring.
        {"preview", 4200,
         [&](TReportAlbums &albums, TSettingsStore &, const TQelFields &, const QString &out) {
             previewReport = std::make_unique<TrpList>(
                 albums.items, std::vector<TReportColumn>{{fdTitle, QStringLiteral("Title"), 0}});
             auto *w = new TfmPreview(*previewReport, a4(), QStringLiteral("Shelf"));
             w->ChoosePdfFile = [out](QWidget *) { return out; };
             return w;
         }},
        {"print list", 400,
         [](TReportAlbums &albums, TSettingsStore &store, const TQelFields &fields,
            const QString &out) {
             auto *w = new TfmPrintList(albums.items, ilAlbum, store, fields);
             w->ChoosePdfFile = [out](QWidget *) { return out; };
             return w;
         }},
        {"print albums", 400,
         [](TReportAlbums &albums, TSettingsStore &store, const TQelFields &fields,
            const QString &out) {
             auto *w = new TfmPrintAlbums(albumsOf(albums), store, fields, QString());
             w->ChoosePdfFile = [out](QWidget *) { return out; };
             return w;
         }},
    };
    for (const TPdfWindow &kind : windows) {
        SCOPED_TRACE(kind.name);
        TTestHome home;
        const QString folder = home.file(QStringLiteral("pdf"));
        ASSERT_TRUE(QDir().mkpath(folder));
        const QString out = folder + QStringLiteral("/shelf.pdf");
        WriteFileBytes(out, "the old report");
        TReportAlbums albums(kind.albums);
        TMemorySettingsStore store;
        TQelFields fields;
        std::unique_ptr<QWidget> window(kind.make(albums, store, fields, out));
        window->show();
        TScriptedInterface ui;

        // Cancel as soon as the progress window is up, and see the window under it
        // disabled meanwhile.
        bool cancelled = false, ownerDisabled = false;
        QTimer watch;
        watch.setInterval(0);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (w->objectName() == QStringLiteral("fmProcess") && w->isVisible()) {
                    ownerDisabled = !window->isEnabled();
                    Click(w, "btCancel");
                    cancelled = true;
                    watch.stop();
                }
        });
        watch.start();
        Click(window.get(), "btPdf");
        watch.stop();
        EXPECT_TRUE(cancelled);
        EXPECT_TRUE(ownerDisabled);
        EXPECT_TRUE(window->isEnabled());
        EXPECT_EQ(ReadFileBytes(out), QByteArray("the old report"));
        EXPECT_EQ(entries(folder), QStringList{QStringLiteral("shelf.pdf")});
        EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join(u'\n').toStdString();
        if (auto *preview = qobject_cast<TfmPreview *>(window.get())) {
            // The preview measures its pages again and shows them all.
            for (int i = 0; i < 1000 && !previewReport->Paginated(); ++i)
                QApplication::processEvents();
            EXPECT_TRUE(previewReport->Paginated());
            EXPECT_EQ(Child<QLabel>(preview, "pnPage")->text(),
                      QStringLiteral("   Page 1 of %1").arg(previewReport->PageCount()));
        }

        // Not cancelled: the report replaces the file, and the end says where it went.
        Click(window.get(), "btPdf");
        EXPECT_TRUE(ReadFileBytes(out).startsWith("%PDF"));
        EXPECT_EQ(entries(folder), QStringList{QStringLiteral("shelf.pdf")});
        EXPECT_EQ(ui.messages, QStringList{QStringLiteral("The report was written to %1.")
                                               .arg(QDir::toNativeSeparators(out))});
        for (QWidget *w : QApplication::topLevelWidgets())
            EXPECT_FALSE(w->objectName() == QStringLiteral("fmProcess") && w->isVisible());
        EXPECT_TRUE(window->isEnabled());
    }
}
