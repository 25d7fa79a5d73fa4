// Draws data/help/comparison.png, the picture of two runs side by side in the user's guide,
// with the program's own graph export: the bundled example kept for comparison, and the same
// soil without any of its substrate inputs as the last run. Built and run by hand only when the
// picture should change:
//   cmake --build build --target make_help_pictures && build/make_help_pictures data/help

#include "basics/DateSerial.h"
#include "run/RunPipeline.h"
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
#include <exception>

namespace {

orvek::RunOutcome runPage(const orvek::Session& session) {
    orvek::RunEnvironment env;
    env.startFolder = session.startFolder;
    env.formats.shortDate = [](orvek::DateSerial d) { return std::to_string(d); };
    const orvek::RunOutcome outcome = orvek::performRun(session.page, env);
    if (!outcome.ok) {
        throw std::runtime_error(outcome.message);
    }
    return outcome;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_help_pictures HELP_FOLDER\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    try {
        QTemporaryDir start;
        const QDir data(QStringLiteral(ORVEK_DATA_DIR));
        for (const QString& name : data.entryList(QDir::Files)) {
            QFile::copy(data.filePath(name), start.filePath(name));
        }
        orvek::Session session;
        orvek::startSession(session, start.path().toStdString());
        orvek::retrieveSettings(session,
                                start.filePath(QStringLiteral("Example.stg")).toStdString());

        orvek::ui::GraphPage page;
        page.resize(1000, 640);
        page.setStartFolder(QString::fromStdString(session.startFolder));
        for (const int series : {0, 2, 4}) { // SOM-C, Total organic C, Total soil mineral N
            const QSignalBlocker block(page.seriesBox(series));
            page.seriesBox(series)->setChecked(true);
        }
        page.showRunResults(runPage(session).last, true);
        page.setSettingName(QStringLiteral("Example"));
        page.keepRun();

        for (orvek::EventRowState& row : session.page.rows) {
            row.checked = false; // the same soil and weather without substrate inputs
        }
        page.showRunResults(runPage(session).last, true);
        page.seriesBox(1)->setChecked(false); // nothing to show without inputs

        orvek::ui::GraphImageRequest request;
        request.size = QSize(1200, 800);
        request.dpi = 120;
        const QString target = QDir(QString::fromLocal8Bit(argv[1])).filePath("comparison.png");
        orvek::ui::saveGraphImage(page.chart(), target, request);
        std::printf("%s\n", target.toLocal8Bit().constData());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
