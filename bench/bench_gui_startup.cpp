// Times a warm start of the main window: from starting the process to the first frame painted
// (offscreen unless another platform is chosen), the median of several starts after one that
// warms the caches, with the CPU time the started process used up to that frame.
//   bench_gui_startup [starts]

#include "BenchSupport.h"

#include "app/MainWindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace {

double processCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Reports the first paint of any widget of the window, once the frame it belongs to is done.
class FirstFrame : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!m_seen && event->type() == QEvent::Paint && watched->isWidgetType()) {
            m_seen = true;
            QTimer::singleShot(0, [] {
                std::printf("painted %.6f\n", processCpuSeconds());
                std::fflush(stdout);
                std::_Exit(0);
            });
        }
        return false;
    }

private:
    bool m_seen = false;
};

// The started process: the window as the program opens it, in the given start folder.
int child(int argc, char** argv, const QString& folder) {
    QApplication app(argc, argv);
    orvek::ui::configureApplication();
    FirstFrame first;
    app.installEventFilter(&first);
    orvek::ui::TForm1 window(folder);
    window.show();
    return QApplication::exec();
}

using orvek::bench::median;

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    if (argc > 2 && QByteArray(argv[1]) == "--child") {
        return child(argc, argv, QString::fromLocal8Bit(argv[2]));
    }
    const int starts = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString data = QStringLiteral(ORVEK_DATA_DIR "/");
    for (const char* name : {"Option.Orvek", "Substrates.Orvek", "Parameter.Orvek",
                             "Parameter, default.orvek", "Example.stg"}) {
        QFile::copy(data + QString::fromLatin1(name), dir.filePath(QString::fromLatin1(name)));
    }
    std::vector<double> wall;
    std::vector<double> cpu;
    for (int i = 0; i <= starts; ++i) {
        QProcess process;
        process.setProcessChannelMode(QProcess::SeparateChannels);
        QElapsedTimer timer;
        timer.start();
        process.start(QCoreApplication::applicationFilePath(),
                      {QStringLiteral("--child"), dir.path()});
        QByteArray out;
        while (!out.contains('\n') && process.waitForReadyRead(10000)) {
            out += process.readAllStandardOutput();
        }
        const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        process.waitForFinished(10000);
        if (!out.startsWith("painted ")) {
            std::fprintf(stderr, "the window painted nothing: %s\n", out.constData());
            return 1;
        }
        if (i == 0) {
            continue; // the cold start fills the caches
        }
        wall.push_back(seconds);
        cpu.push_back(out.mid(8).trimmed().toDouble());
    }
    std::printf("start to first painted frame, median of %d warm starts: %.3f s (best %.3f s), "
                "CPU %.3f s\n",
                starts, median(wall), *std::min_element(wall.begin(), wall.end()), median(cpu));
    return 0;
}
