// Orvek C&N: starts the main window in the current folder, which becomes the start folder.

#include "app/GraphExportCommand.h"
#include "app/MainWindow.h"

#include <QApplication>
#include <QScreen>

int main(int argc, char** argv) {
    if (orvek::ui::isGraphExportCommand(argc, argv)) {
        return orvek::ui::runGraphExportCommand(argc, argv);
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orvek C&N"));
    QApplication::setApplicationDisplayName(QStringLiteral("Orvek C&N"));
    orvek::ui::TForm1 window;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = window.frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window.move(frame.topLeft());
    }
    window.show();
    return QApplication::exec();
}
