// Orvek C&N: starts the main window in the current folder, which becomes the start folder.

#include "app/MainWindow.h"

#include <QApplication>
#include <QScreen>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    orvek::ui::configureApplication();
    orvek::ui::TForm1 window;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = window.frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window.move(frame.topLeft());
    }
    window.show();
    return QApplication::exec();
}
