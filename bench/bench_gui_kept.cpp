// The graph of a 100-year daily C & N run with all eight series ticked and eight kept runs
// beside it: 72 series of 36,525 points. Times the whole drawing (plotGraph and a repaint of
// the chart) and a PNG export of it. Runs on the offscreen platform unless another is chosen.

#include "BenchCentury.h"

#include "windows/results/GraphExport.h"
#include "windows/results/GraphPage.h"

#include <QApplication>
#include <QCheckBox>
#include <QPixmap>
#include <QSignalBlocker>

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

namespace {

double seconds(const std::function<void()>& step) {
    const auto start = std::chrono::steady_clock::now();
    step();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void report(const char* what, const std::function<void()>& step, int repetitions = 7) {
    std::vector<double> times;
    for (int i = 0; i < repetitions; ++i) {
        times.push_back(seconds(step));
    }
    std::sort(times.begin(), times.end());
    std::printf("%-56s best %.3f s, median %.3f s\n", what, times.front(), times[times.size() / 2]);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const orvek::bench::CenturyRun run = orvek::bench::centuryRun("orvek-bench-kept");
    orvek::ui::GraphPage page;
    page.resize(1000, 640);
    page.show();
    QApplication::processEvents();
    page.setStartFolder(QString::fromStdString(run.folder));
    for (int i = 0; i < orvek::ui::GraphPage::kSeriesCount; ++i) {
        const QSignalBlocker block(page.seriesBox(i));
        page.seriesBox(i)->setChecked(true);
    }
    for (int k = 0; k < orvek::ui::KeptRuns::kMaximum; ++k) {
        page.showRunResults(run.last, true);
        page.keepRun();
    }
    int shown = 0;
    for (int s = 0; s < page.chart().seriesCount(); ++s) {
        shown += page.chart().seriesActive(s) ? 1 : 0;
    }
    std::printf("%d series drawn, %lld points each\n", shown,
                static_cast<long long>(page.chart().seriesPointCount(0)));
    QWidget* view = page.chart().widget();
    report("8 kept runs x 8 series + the run (plotGraph + repaint)", [&] {
        page.plotGraph();
        view->grab();
    });
    report("  of which plotGraph alone", [&] { page.plotGraph(); });
    report("  of which the repaint alone", [&] { view->grab(); });
    orvek::ui::GraphImageRequest request;
    report(
        "PNG export, 1200 x 800 at 96 DPI",
        [&] {
            orvek::ui::graphImageBytes(page.chart(), orvek::ui::GraphImageFormat::Png, request);
        },
        5);
    std::printf("peak memory %ld kB\n", orvek::bench::peakKilobytes());
    std::filesystem::remove_all(run.folder);
    return 0;
}
