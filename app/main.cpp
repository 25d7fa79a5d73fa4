// Orvek C&N: the window is assembled here once the main form exists.

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orvek C&N"));
    return 0;
}
