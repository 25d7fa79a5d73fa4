#include "app/GraphExportCommand.h"

#include "basics/DateSerial.h"
#include "basics/Errors.h"
#include "run/StartUp.h"
#include "windows/results/GraphExport.h"
#include "windows/results/GraphPage.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QSignalBlocker>
#include <QTemporaryDir>

#include <cstdio>
#include <iostream>
#include <string>

namespace orvek::ui {

namespace {

constexpr int kExitRun = 0;
constexpr int kExitCheck = 1;
constexpr int kExitError = 2;

struct GraphExportArguments {
    QString settings;
    QString image;
    GraphImageRequest request;
    bool sizeGiven = false;
    bool monthly = false;
    bool dates = false;
};

void usage() {
    std::cerr << "Usage: orvek --run SETTINGS.stg --export-graph FILE [--size WxH] [--dpi N]\n"
                 "             [--monthly] [--dates]\n";
}

// False (after a message) when the arguments are not a graph export.
bool parseArguments(int argc, char** argv, GraphExportArguments& out) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--run" && hasValue) {
            out.settings = QString::fromLocal8Bit(argv[++i]);
        } else if (arg == "--export-graph" && hasValue) {
            out.image = QString::fromLocal8Bit(argv[++i]);
        } else if (arg == "--size" && hasValue) {
            if (!parseImageSize(QString::fromLocal8Bit(argv[++i]), out.request.size)) {
                std::cerr << "orvek: --size takes the width and height as WxH (1200x800).\n";
                return false;
            }
            out.sizeGiven = true;
        } else if (arg == "--dpi" && hasValue) {
            bool ok = false;
            out.request.dpi = QString::fromLocal8Bit(argv[++i]).toInt(&ok);
            if (!ok) {
                std::cerr << "orvek: --dpi takes a whole number from 96 to 600.\n";
                return false;
            }
        } else if (arg == "--monthly") {
            out.monthly = true;
        } else if (arg == "--dates") {
            out.dates = true;
        } else {
            usage();
            return false;
        }
    }
    if (out.settings.isEmpty() || out.image.isEmpty()) {
        usage();
        return false;
    }
    return true;
}

// The folder of the files installed beside the program (the source tree's data/ for a build
// that is not installed).
QString bundledFolder() {
    const QString exe = QCoreApplication::applicationDirPath();
    for (const QString& candidate :
         {exe + QStringLiteral("/../data"), exe + QStringLiteral("/../share/orvek-cn"),
          exe + QStringLiteral("/data")}) {
        if (QFile::exists(candidate + QStringLiteral("/Substrates.Orvek"))) {
            return QDir(candidate).absolutePath();
        }
    }
    throw OrvekError("The files that come with Orvek C&N (\"Substrates.Orvek\", "
                     "\"Parameter.Orvek\") were not found beside the program.");
}

void fillStartFolder(const QString& folder) {
    const QDir source(bundledFolder());
    const QStringList files = source.entryList(QDir::Files);
    for (const QString& name : files) {
        if (!QFile::copy(source.filePath(name), folder + QLatin1Char('/') + name)) {
            throw OrvekError("Cannot create file \"" +
                             (folder + QLatin1Char('/') + name).toStdString() + "\".");
        }
    }
}

int exportGraph(const GraphExportArguments& args) {
    const GraphImageFormat format = graphImageFormat(args.image); // before the run, not after
    GraphImageRequest request = args.request;
    if (format != GraphImageFormat::Png && !args.sizeGiven) {
        request.size = QSize(720, 480);
    }
    QTemporaryDir start;
    if (!start.isValid()) {
        throw OrvekError("Cannot create a temporary start folder: " +
                         start.errorString().toStdString());
    }
    fillStartFolder(start.path());
    Session session;
    const std::string startError = startSession(session, start.path().toStdString());
    if (!startError.empty()) {
        throw OrvekError(startError);
    }
    retrieveSettings(session, args.settings.toStdString());
    RunEnvironment env;
    env.startFolder = session.startFolder;
    env.decimalSeparator = session.decimalSeparator;
    env.formats = plainRecordFormats();
    const RunOutcome outcome = performRun(session.page, env);
    if (!outcome.ok) {
        std::cerr << outcome.message << "\n";
        return kExitCheck;
    }
    GraphPage page;
    page.resize(1000, 700);
    page.setStartFolder(QString::fromStdString(session.startFolder));
    for (int i = 0; i < GraphPage::kSeriesCount; ++i) {
        const QSignalBlocker block(page.seriesBox(i));
        page.seriesBox(i)->setChecked(true); // the carbon-only mode unticks the others
    }
    if (args.dates) {
        page.BitBtn2Click(); // before results this only turns the axis over
    }
    page.showRunResults(outcome.last, !args.monthly);
    saveGraphImage(page.chart(), args.image, request);
    std::cout << "Graph of the " << (args.monthly ? "monthly" : "daily") << " results saved in "
              << args.image.toStdString() << "\n";
    return kExitRun;
}

} // namespace

bool isGraphExportCommand(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--run" || arg == "--export-graph") {
            return true;
        }
    }
    return false;
}

int runGraphExportCommand(int argc, char** argv) {
    GraphExportArguments args;
    if (!parseArguments(argc, argv, args)) {
        return kExitError;
    }
    // No display is needed or used: the chart is drawn into the file only.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    try {
        return exportGraph(args);
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return kExitError;
    }
}

} // namespace orvek::ui
