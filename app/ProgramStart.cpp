#include "app/ProgramStart.h"

#include "basics/Errors.h"
#include "basics/Files.h"
#include "formats/OptionsFile.h"
#include "run/StartFolder.h"

#include <QApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <QWidget>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace orvek::ui {

CommandLine parseCommandLine(const QStringList& arguments) {
    CommandLine line;
    const QString option = QStringLiteral("--start-folder");
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (arg == option && i + 1 < arguments.size() && !arguments[i + 1].isEmpty()) {
            line.startFolder = arguments[++i];
        } else if (arg.startsWith(option + QLatin1Char('=')) && arg.size() > option.size() + 1) {
            line.startFolder = arg.mid(option.size() + 1);
        } else if (arg == QLatin1String("-h") || arg == QLatin1String("--help")) {
            line.help = true;
        } else {
            line.error = QStringLiteral("orvek: unexpected argument '%1'").arg(arg);
            return line;
        }
    }
    return line;
}

QString usageText() {
    return QStringLiteral(
        "Usage: orvek [--start-folder DIR]\n"
        "The start folder holds the options, the substrate list, the model parameters and the\n"
        "working files of each run. Default: $ORVEK_START_FOLDER, else $XDG_DATA_HOME/orvek-cn\n"
        "(~/.local/share/orvek-cn); it is filled with the bundled files at the first start.\n");
}

QString prepareStartFolder(const QString& option, const QString& dataFolder,
                           QStringList& warnings) {
    const std::string folder = windowStartFolder(option.toStdString(), processEnvironment());
    try {
        const FillOutcome outcome =
            fillStartFolder(folder, dataFolder.toStdString(), FillRule::Refresh);
        for (const std::string& problem : outcome.problems) {
            warnings << QString::fromStdString(problem);
        }
    } catch (const OrvekError& e) {
        // A folder filled before still works without the bundled files beside the program.
        if (!fileExists(resolveFileName(folder + kSubstratesFileName))) {
            throw;
        }
        warnings << QString::fromStdString(e.what());
    }
    return QString::fromStdString(folder);
}

namespace {

int g_signalPipe[2] = {-1, -1};

void onTerminationSignal(int) {
    // Only async-signal-safe work here: the event loop does the rest.
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[0], &byte, 1);
}

} // namespace

void closeOnTerminationSignals(QWidget* window) {
    if (g_signalPipe[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0) {
        return;
    }
    auto* notifier = new QSocketNotifier(g_signalPipe[1], QSocketNotifier::Read, qApp);
    QPointer<QWidget> target(window);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [target] {
        char byte = 0;
        [[maybe_unused]] const ssize_t n = ::read(g_signalPipe[1], &byte, 1);
        if (target) {
            target->close();
        }
        QApplication::quit();
    });
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int sig : {SIGTERM, SIGINT, SIGHUP}) {
        ::sigaction(sig, &action, nullptr);
    }
}

} // namespace orvek::ui
