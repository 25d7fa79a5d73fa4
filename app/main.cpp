// Orvek C&N: starts the main window in the current folder, which becomes the start folder.

#include "app/MainWindow.h"

#include <QApplication>
#include <QScreen>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orvek C&N"));
    QApplication::setApplicationDisplayName(QStringLiteral("Orvek C&N"));
    orvek::ui::TForm1 window;
    if (!window.ownsStartFolder()) {
        return 2; // the error box has said why
    }
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = window.frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window.move(frame.topLeft());
    }
    window.show();
    return QApplication::exec();
}
