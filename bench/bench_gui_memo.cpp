// Times the numerical output page after a 100-year daily run: filling the memo, switching
// between daily and monthly output, printing the memo to a PDF file, and the program's peak
// memory. Runs on the offscreen platform unless another is chosen.
//   bench_gui_memo [--no-print]

#include "BenchSupport.h"

#include "FakeServices.h"
#include "app/MainWindow.h"
#include "basics/DateSerial.h"
#include "basics/Text.h"
#include "windows/inputs/InputPage.h"
#include "windows/results/NumericalOutputPage.h"
#include "windows/results/TextMemo.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string readText(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string();
}

void writeText(const QString& path, const std::string& text) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) {
        f.write(text.data(), static_cast<qint64>(text.size()));
    }
}

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t); // every thread of the process
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

struct Timing {
    double wall = 0;
    double cpu = 0;
};

Timing timed(const std::function<void()>& work) {
    QElapsedTimer t;
    const double cpu = cpuSeconds();
    t.start();
    work();
    return {static_cast<double>(t.nsecsElapsed()) / 1e9, cpuSeconds() - cpu};
}

// The median of a few repetitions, wall and CPU time each.
Timing medianOf(int repetitions, const std::function<void()>& work) {
    std::vector<double> wall;
    std::vector<double> cpu;
    for (int i = 0; i < repetitions; ++i) {
        const Timing t = timed(work);
        wall.push_back(t.wall);
        cpu.push_back(t.cpu);
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    return {wall[wall.size() / 2], cpu[cpu.size() / 2]};
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString data = QStringLiteral(ORVEK_DATA_DIR "/");
    for (const char* name : {"Option.Orvek", "Substrates.Orvek", "Parameter.Orvek",
                             "Parameter, default.orvek", "Example.stg"}) {
        QFile::copy(data + QString::fromLatin1(name), dir.filePath(QString::fromLatin1(name)));
    }
    writeText(
        dir.filePath(QStringLiteral("weather100.wth")),
        orvek::bench::centuryOfWeather(ORVEK_DATA_DIR "/milwaukee_1991_2020_daily.wth", 1921));

    std::vector<std::string> settings = orvek::splitLines(readText(dir.filePath("Example.stg")));
    orvek::DateSerial first = 0;
    orvek::DateSerial last = 0;
    orvek::tryEncodeDate(1921, 1, 1, first);
    orvek::tryEncodeDate(2020, 12, 31, last);
    settings[1] = "weather100.wth";
    settings[4] = "1/1/21 - 12/31/20";
    settings[5] = std::to_string(first);
    settings[6] = std::to_string(last);
    std::string stg;
    for (const std::string& l : settings) {
        stg += l + "\r\n";
    }
    writeText(dir.filePath(QStringLiteral("century.stg")), stg);

    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    {
        orvek::test::FakeServices fake;
        orvek::ui::TForm1 window;
        window.show();
        fake.openAnswers.push_back({dir.filePath(QStringLiteral("century.stg")), 0});
        window.action("Retrieveinputsettings1")->trigger();
        orvek::ui::TextMemo* memo = window.outputPage()->memo();
        const auto paint = [&] {
            memo->viewport()->repaint();
            QApplication::processEvents();
        };

        const long peakBefore = orvek::bench::peakKilobytes();
        // How often the bar shows a new position while the run works on its thread.
        QProgressBar* bar = window.inputPage()->progressBar();
        int moves = 0;
        int lastPosition = -1;
        QElapsedTimer running;
        double barSeconds = 0;
        QTimer watch;
        watch.setInterval(5);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (!bar->isVisible()) {
                return;
            }
            if (!running.isValid()) {
                running.start();
            }
            barSeconds = static_cast<double>(running.nsecsElapsed()) / 1e9;
            if (bar->value() != lastPosition) {
                lastPosition = bar->value();
                ++moves;
            }
        });
        watch.start();
        const Timing run = timed([&] {
            window.inputPage()->runButton()->click();
            paint();
        });
        watch.stop();
        if (!fake.messages.empty()) {
            std::fprintf(stderr, "run failed: %s\n", fake.messages[0].text.toUtf8().constData());
            return 1;
        }
        const int lines = static_cast<int>(memo->lineCount());
        const long peakRun = orvek::bench::peakKilobytes();
        auto* daily = window.findChild<QRadioButton*>(QStringLiteral("RadioButton1"));
        auto* monthly = window.findChild<QRadioButton*>(QStringLiteral("RadioButton2"));
        // The first switches after the run read and lay out the monthly memo; later ones show
        // the memos laid out before.
        const Timing toMonthly = timed([&] {
            monthly->setChecked(true);
            paint();
        });
        const Timing toDaily = timed([&] {
            daily->setChecked(true);
            paint();
        });
        const Timing andBack = medianOf(5, [&] {
            monthly->setChecked(true);
            paint();
            daily->setChecked(true);
            paint();
        });
        // The memo's own share of the switch, without the graph page's.
        const Timing memoAndBack = medianOf(5, [&] {
            window.outputPage()->showTimeStep(window.programValues().startFolder, false);
            paint();
            window.outputPage()->showTimeStep(window.programValues().startFolder, true);
            paint();
        });
        const Timing fill = medianOf(3, [&] {
            window.outputPage()->loadMemo(window.programValues().startFolder, true);
            paint();
        });
        const Timing scroll = timed([&] {
            memo->moveCaret(orvek::ui::TextMemo::Move::TextEnd);
            paint();
        });
        const long peakAfterRun = orvek::bench::peakKilobytes();
        const bool printing = !(argc > 1 && QByteArray(argv[1]) == "--no-print");
        fake.printToPdf = dir.filePath(QStringLiteral("memo.pdf"));
        window.pageControl()->setCurrentWidget(window.outputPage());
        const double print =
            printing ? timed([&] { window.action("Printdetailedresult1")->trigger(); }).wall : 0.0;

        std::printf("100-year daily run, %d days (%d memo lines)\n",
                    window.lastRun() ? window.lastRun()->lastDAS : 0, lines);
        const auto line = [](const char* what, const Timing& t) {
            std::printf("  %-40s %.3f s (CPU %.3f s)\n", what, t.wall, t.cpu);
        };
        line("run from the button to the filled memo:", run);
        std::printf("    the bar moved %d times in the %.3f s it was shown (%.0f a second)\n",
                    moves, barSeconds, barSeconds > 0 ? moves / barSeconds : 0.0);
        std::printf("    (the 1.5 s pause is not part of it)\n");
        line("filling Memo1 (daily), median of 3:", fill);
        line("first switch to Monthly:", toMonthly);
        line("first switch back to Daily:", toDaily);
        line("Monthly and back to Daily, median of 5:", andBack);
        line("  of which the memo alone, median of 5:", memoAndBack);
        line("scrolling to the end:", scroll);
        std::printf("  printing the daily memo to PDF:         %.3f s (%lld bytes)\n", print,
                    static_cast<long long>(QFile(fake.printToPdf).size()));
        std::printf("  peak memory before the run:             %.1f MB\n",
                    static_cast<double>(peakBefore) / 1024.0);
        std::printf("  peak memory after the run:              %.1f MB\n",
                    static_cast<double>(peakRun) / 1024.0);
        std::printf("  peak memory after the run and switches: %.1f MB\n",
                    static_cast<double>(peakAfterRun) / 1024.0);
        std::printf("  peak memory (VmHWM):                    %.1f MB\n",
                    static_cast<double>(orvek::bench::peakKilobytes()) / 1024.0);
    }
    QDir::setCurrent(previous);
    return 0;
}
