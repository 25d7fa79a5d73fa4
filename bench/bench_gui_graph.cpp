// Times the graph in the real main window after a 100-year daily C & N run: drawing all eight
// series (36,525 points each, the repaint of the chart included), toggling one series,
// switching the X axis between days and dates, and switching the time step. Prints the figures
// and the peak memory. Runs on the offscreen platform unless another is chosen.

#include "BenchSupport.h"

#include "FakeServices.h"
#include "app/MainWindow.h"
#include "basics/DateSerial.h"
#include "basics/Files.h"
#include "basics/Text.h"
#include "windows/inputs/InputPage.h"
#include "windows/results/GraphPage.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTabWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kFirstYear = 2005;
constexpr int kYears = 100;

double seconds(const std::function<void()>& step) {
    const auto start = std::chrono::steady_clock::now();
    step();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// The best and the median of a few repetitions, and the median CPU time of the process.
void report(const char* what, const std::function<void()>& step, int repetitions = 5) {
    std::vector<double> times;
    std::vector<double> cpu;
    for (int i = 0; i < repetitions; ++i) {
        const double before = cpuSeconds();
        times.push_back(seconds(step));
        cpu.push_back(cpuSeconds() - before);
    }
    std::sort(times.begin(), times.end());
    std::sort(cpu.begin(), cpu.end());
    std::printf("%-52s best %.3f s, median %.3f s (CPU %.3f s)\n", what, times.front(),
                times[times.size() / 2], cpu[cpu.size() / 2]);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);

    char pattern[] = "/tmp/orvek-bench-graph-XXXXXX";
    const std::string folder = std::string(::mkdtemp(pattern)) + "/";
    const std::string data = std::string(ORVEK_DATA_DIR) + "/";
    for (const char* name : {"Option.Orvek", "Substrates.Orvek", "Parameter.Orvek",
                             "Parameter, default.orvek", "Example.stg"}) {
        fs::copy_file(data + name, folder + name);
    }
    orvek::writeFileAtomically(
        folder + "century.wth",
        orvek::bench::centuryOfWeather(data + "milwaukee_1991_2020_daily.wth", kFirstYear));
    orvek::DateSerial end = 0;
    orvek::tryEncodeDate(kFirstYear + kYears - 1, 12, 31, end);
    std::vector<std::string> stg = orvek::splitLines(orvek::readWholeFile(folder + "Example.stg"));
    stg[0] = "N";
    stg[1] = "century.wth";
    stg[6] = std::to_string(end);
    std::string text;
    for (const std::string& line : stg) {
        text += line + "\r\n";
    }
    orvek::writeFileAtomically(folder + "Century.stg", text);

    const QString previous = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(folder));
    int status = 0;
    {
        orvek::test::FakeServices fake;
        orvek::ui::TForm1 window;
        window.show();
        QApplication::processEvents();
        fake.openAnswers.push_back({QString::fromStdString(folder + "Century.stg"), 0});
        window.action("Retrieveinputsettings1")->trigger();
        const double runCpu = cpuSeconds();
        const double runTime = seconds([&] { window.inputPage()->runButton()->click(); });
        const long peakRun = orvek::bench::peakKilobytes();
        if (!fake.messages.empty() || !window.lastRun()) {
            std::fprintf(stderr, "run failed: %s\n",
                         fake.messages.empty() ? "no result"
                                               : fake.messages[0].text.toUtf8().constData());
            status = 1;
        } else {
            std::printf("100-year daily C & N run in the window (%d days)     %.3f s "
                        "(CPU %.3f s; without the 1.5 s pause)\n",
                        window.lastRun()->lastDAS, runTime, cpuSeconds() - runCpu);
            std::printf("peak memory after the run (VmHWM)                    %ld kB\n", peakRun);
            orvek::ui::GraphPage& page = *window.graphPage();
            window.pageControl()->setCurrentIndex(2);
            QApplication::processEvents();
            QWidget* view = page.chart().widget();
            auto repaint = [&] {
                const QPixmap shown = view->grab(); // renders the chart view now
                if (shown.isNull()) {
                    std::fprintf(stderr, "nothing drawn\n");
                }
            };
            for (int i = 0; i < orvek::ui::GraphPage::kSeriesCount; ++i) {
                const QSignalBlocker block(page.seriesBox(i));
                page.seriesBox(i)->setChecked(true);
            }
            report("draw all eight series (plotGraph + repaint)", [&] {
                page.plotGraph();
                repaint();
            });
            std::printf("  points per series: %lld\n",
                        static_cast<long long>(page.chart().seriesPointCount(0)));
            report("  of which plotGraph alone", [&] { page.plotGraph(); });
            report("  of which the repaint alone", [&] { repaint(); });
            report("toggle one series (CheckBox16 click + repaint)", [&] {
                page.seriesBox(2)->click();
                repaint();
            });
            report("switch X between days and dates (BitBtn2 + repaint)", [&] {
                page.xToggleButton()->click();
                repaint();
            });
            auto* daily = window.findChild<QRadioButton*>(QStringLiteral("RadioButton1"));
            auto* monthly = window.findChild<QRadioButton*>(QStringLiteral("RadioButton2"));
            report("Monthly and back to Daily (memo + graph, repaints)", [&] {
                monthly->setChecked(true);
                repaint();
                daily->setChecked(true);
                repaint();
            });
            std::printf("peak memory (VmHWM)                                  %ld kB\n",
                        orvek::bench::peakKilobytes());
        }
    }
    QDir::setCurrent(previous);
    std::error_code ec;
    fs::remove_all(folder, ec);
    return status;
}
