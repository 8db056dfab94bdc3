#include "cli/commands.h"

#include "model/general.h"
#include "model/qelerror.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <csignal>
#include <memory>

namespace {

void printOverview(QTextStream &s)
{
    s << "Usage: qel COMMAND [ARGUMENTS]\n\nThe headless jobs of Qel Music.\n\nCommands:\n";
    for (const TCommand &c : Commands())
        s << "  " << QString::fromLatin1(c.name).leftJustified(10) << c.summary << '\n';
    s << "\nRun 'qel COMMAND --help' for the arguments of a command.\n";
}

} // namespace

int main(int argc, char **argv)
{
    // A write past a file-size limit must fail as an error, not kill the process
    // halfway through a save.
    std::signal(SIGXFSZ, SIG_IGN);
    // Thumbnails need QImage; the offscreen platform keeps the tool headless.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Reports need fonts, which only a GUI application has; the other commands start
    // without the platform plugin.
    const bool gui = argc > 1 && qstrcmp(argv[1], "report") == 0;
    std::unique_ptr<QCoreApplication> app = gui ? std::make_unique<QGuiApplication>(argc, argv)
                                                : std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("qel"));

    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty()) {
        printOverview(Err());
        return 2;
    }
    const QString name = args.takeFirst();
    if (name == QStringLiteral("--help") || name == QStringLiteral("-h") ||
        name == QStringLiteral("help")) {
        printOverview(Out());
        return 0;
    }
    for (const TCommand &c : Commands()) {
        if (name == QLatin1String(c.name)) {
            if (WantsHelp(args)) {
                Out() << c.help;
                return 0;
            }
            try {
                return c.run(args);
            } catch (const EQel &e) {
                return Fail(e.message());
            } catch (const std::bad_alloc &) {
                return Fail(QStringLiteral("Out of memory"));
            }
        }
    }
    Err() << "qel: unknown command '" << name << "'\n\n";
    printOverview(Err());
    return 2;
}
