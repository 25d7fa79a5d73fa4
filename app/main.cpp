// Orvek C&N: starts the main window in its start folder (see orvek --help).

#include "app/GraphExportCommand.h"
#include "app/MainWindow.h"
#include "app/ProgramStart.h"
#include "basics/Errors.h"
#include "run/StartFolder.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QScreen>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    // Help needs no display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
            std::fputs(qPrintable(orvek::ui::usageText()), stdout);
            return 0;
        }
    }
    if (orvek::ui::isGraphExportCommand(argc, argv)) {
        return orvek::ui::runGraphExportCommand(argc, argv);
    }
    QApplication app(argc, argv);
    orvek::ui::configureApplication();
    // The desktop entry and icon the package installs.
    QGuiApplication::setDesktopFileName(QStringLiteral("local.orvekcn.Orvek"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("local.orvekcn.Orvek")));

    const orvek::ui::CommandLine line = orvek::ui::parseCommandLine(QApplication::arguments());
    if (line.help || !line.error.isEmpty()) {
        if (!line.error.isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(line.error));
        }
        std::fprintf(line.help ? stdout : stderr, "%s", qPrintable(orvek::ui::usageText()));
        return line.help ? 0 : 2;
    }
    QString startFolder;
    QStringList warnings;
    try {
        const std::string data =
            orvek::bundledDataFolder(orvek::executablePath(argc > 0 ? argv[0] : ""));
        startFolder =
            orvek::ui::prepareStartFolder(line.startFolder, QString::fromStdString(data), warnings);
    } catch (const orvek::OrvekError& e) {
        std::fprintf(stderr, "orvek: %s\n", e.what());
        QMessageBox::critical(nullptr, QStringLiteral("Orvek C&N"), QString::fromUtf8(e.what()));
        return 2;
    }
    for (const QString& warning : warnings) {
        std::fprintf(stderr, "orvek: %s\n", qPrintable(warning));
    }

    orvek::ui::TForm1 window(startFolder);
    if (!window.ownsStartFolder()) {
        return 2; // the error box has said why
    }
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = window.frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window.move(frame.topLeft());
    }
    window.show();
    orvek::ui::closeOnTerminationSignals(&window);
    return QApplication::exec();
}
