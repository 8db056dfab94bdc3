// qelmusic: the desktop program.
#include "mainwindow/ui/mainwindow.h"
#include "model/general.h"
#include "screenshots.h"
#include "services/fileassociation.h"
#include "services/singleinstance.h"
#include "services/ui/processwindow.h"
#include "services/ui/widgetinterface.h"
#include "shell/ui/iconlists.h"
#include "shell/ui/splash.h"
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QVersionNumber>
#include <cstdio>
#include <memory>

namespace {

// The Qt libraries found at run time must be at least the ones the program was built
// against.
bool QtVersionOk()
{
    const QVersionNumber running = QVersionNumber::fromString(QString::fromLatin1(qVersion()));
    return running >= QVersionNumber(QT_VERSION_MAJOR, QT_VERSION_MINOR);
}

struct TOptions
{
    QStringList arguments; // what the program itself handles: a file, "/bugbuster"
    QString screenshots;   // --screenshots DIR
    QString picture;       // --picture FILE: the main window as PNG, then exit
    bool timing = false;   // --quit-after-paint: report the time to the first paint, end
};

// Ends the program once the main window has painted, printing how long that took.
class TFirstPaint : public QObject
{
public:
    TFirstPaint(QWidget *window, const QElapsedTimer &since) : m_since(since)
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_done) {
            m_done = true;
            // After this paint has been delivered.
            QMetaObject::invokeMethod(
                watched,
                [this] {
                    std::printf("first paint after %lld ms\n",
                                static_cast<long long>(m_since.elapsed()));
                    std::fflush(stdout);
                    QApplication::quit();
                },
                Qt::QueuedConnection);
        }
        return false;
    }

private:
    const QElapsedTimer &m_since;
    bool m_done = false;
};

TOptions parseOptions(const QStringList &all)
{
    TOptions options;
    for (qsizetype i = 0; i < all.size(); ++i) {
        const QString &a = all[i];
        if (a == QLatin1String("--screenshots") && i + 1 < all.size())
            options.screenshots = all[++i];
        else if (a == QLatin1String("--picture") && i + 1 < all.size())
            options.picture = all[++i];
        else if (a == QLatin1String("--quit-after-paint"))
            options.timing = true;
        else
            options.arguments << a;
    }
    return options;
}

} // namespace

int main(int argc, char *argv[])
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    // Screenshots are made with the demo collection in a settings folder of their
    // own, whatever the user's settings hold.
    std::unique_ptr<QTemporaryDir> sandbox;
    for (int i = 1; i < argc; ++i)
        if (qstrcmp(argv[i], "--screenshots") == 0) {
            sandbox = std::make_unique<QTemporaryDir>();
            qputenv("XDG_CONFIG_HOME",
                    QFile::encodeName(sandbox->filePath(QStringLiteral("config"))));
            qputenv("XDG_DATA_HOME", QFile::encodeName(sandbox->filePath(QStringLiteral("data"))));
        }

    QApplication app(argc, argv);
    if (!QtVersionOk()) {
        QMessageBox::critical(
            nullptr, QStringLiteral("Qel Music"),
            QApplication::tr("%1 needs version %2 or later of the Qt libraries; this system "
                             "has %3.\nPlease update the Qt 6 packages of your system.")
                .arg(QStringLiteral("Qel Music"),
                     QStringLiteral("%1.%2").arg(QT_VERSION_MAJOR).arg(QT_VERSION_MINOR),
                     QString::fromLatin1(qVersion())));
        return 1;
    }
    QApplication::setApplicationName(QStringLiteral("Qel Music"));
    QApplication::setApplicationVersion(GetVersionText(true));
    QApplication::setDesktopFileName(QStringLiteral("qelmusic"));

    const TOptions options = parseOptions(app.arguments().mid(1));
    const bool batch =
        !options.screenshots.isEmpty() || !options.picture.isEmpty() || options.timing;

    // A second instance brings the first to the front and ends. The file named on its
    // command line is not passed on.
    TSingleInstance instance;
    if (!batch && !instance.Claim())
        return 0;

    TIconLists::Instance();
    TWidgetUserInterface ui;
    SetUserInterface(&ui);
    InstallProcessWindows();

    auto splash = std::make_unique<TfmSplash>();
    if (!batch)
        splash->ShowNow();
    auto main = std::make_unique<TfmMain>(options.arguments);
    QObject::connect(&instance, &TSingleInstance::raiseRequested, main.get(),
                     &TfmMain::RaiseWindow);
    splash.reset();

    int result = 0;
    if (!options.screenshots.isEmpty()) {
        result = WriteScreenshots(*main, options.screenshots) == 0 ? 0 : 1;
        std::printf("%s\n", qPrintable(QDir(options.screenshots).absolutePath()));
        main->close();
    } else if (!options.picture.isEmpty()) {
        result = WriteMainWindowPicture(*main, options.picture) ? 0 : 1;
        std::printf("%s\n", qPrintable(QFileInfo(options.picture).absoluteFilePath()));
        main->close();
    } else {
        std::unique_ptr<TFirstPaint> firstPaint;
        if (options.timing)
            firstPaint = std::make_unique<TFirstPaint>(main.get(), sinceStart);
        main->show();
        result = QApplication::exec();
    }
    // The window saves its layout when it closes; the data module saves the
    // settings when it goes.
    main.reset();
    SetUserInterface(nullptr);
    if (!batch)
        RegisterFileAssociation(QApplication::applicationFilePath());
    return result;
}
