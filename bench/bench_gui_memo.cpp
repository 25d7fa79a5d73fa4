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

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include <cstdio>
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

double timed(const std::function<void()>& work) {
    QElapsedTimer t;
    t.start();
    work();
    return static_cast<double>(t.nsecsElapsed()) / 1e9;
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
        QPlainTextEdit* memo = window.outputPage()->memo();
        const auto paint = [&] {
            memo->viewport()->repaint();
            QApplication::processEvents();
        };

        const double run = timed([&] {
            window.inputPage()->runButton()->click();
            paint();
        });
        if (!fake.messages.empty()) {
            std::fprintf(stderr, "run failed: %s\n", fake.messages[0].text.toUtf8().constData());
            return 1;
        }
        const int lines = memo->blockCount();
        const double fill = timed([&] {
            window.outputPage()->loadMemo(window.programValues().startFolder, true);
            paint();
        });
        auto* daily = window.findChild<QRadioButton*>(QStringLiteral("RadioButton1"));
        auto* monthly = window.findChild<QRadioButton*>(QStringLiteral("RadioButton2"));
        const double toMonthly = timed([&] {
            monthly->setChecked(true);
            paint();
        });
        const double toDaily = timed([&] {
            daily->setChecked(true);
            paint();
        });
        const double scroll = timed([&] {
            memo->moveCursor(QTextCursor::End);
            paint();
        });
        const long peakAfterRun = orvek::bench::peakKilobytes();
        const bool printing = !(argc > 1 && QByteArray(argv[1]) == "--no-print");
        fake.printToPdf = dir.filePath(QStringLiteral("memo.pdf"));
        window.pageControl()->setCurrentWidget(window.outputPage());
        const double print =
            printing ? timed([&] { window.action("Printdetailedresult1")->trigger(); }) : 0.0;

        std::printf("100-year daily run, %d days (%d memo lines)\n",
                    window.lastRun() ? window.lastRun()->lastDAS : 0, lines);
        std::printf("  run from the button to the filled memo: %.3f s (without the 1.5 s pause)\n",
                    run);
        std::printf("  filling Memo1 (daily):                  %.3f s\n", fill);
        std::printf("  switching to Monthly:                   %.3f s\n", toMonthly);
        std::printf("  switching back to Daily:                %.3f s\n", toDaily);
        std::printf("  scrolling to the end:                   %.3f s\n", scroll);
        std::printf("  printing the daily memo to PDF:         %.3f s (%lld bytes)\n", print,
                    static_cast<long long>(QFile(fake.printToPdf).size()));
        std::printf("  peak memory after the run and switches: %.1f MB\n",
                    static_cast<double>(peakAfterRun) / 1024.0);
        std::printf("  peak memory (VmHWM):                    %.1f MB\n",
                    static_cast<double>(orvek::bench::peakKilobytes()) / 1024.0);
    }
    QDir::setCurrent(previous);
    return 0;
}
