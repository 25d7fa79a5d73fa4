#pragma once

#include <QDialog>
#include <QPointer>
#include <QWidget>

namespace orvek::ui {

// A dialog's hold on the main window, which stays disabled while the dialog is open. Whoever
// opens the dialog disables the main window; the lock enables it again when the dialog finishes
// (its buttons, Escape, the close box), when the dialog asks for it early, and at the latest when
// the dialog is destroyed. A main window that is already gone is left alone.
class MainWindowLock {
public:
    MainWindowLock(QDialog* dialog, QWidget* mainWindow) : m_mainWindow(mainWindow) {
        // The connection holds its own pointer: the dialog may finish while it is destroyed,
        // after the lock inside it is gone.
        QObject::connect(dialog, &QDialog::finished, dialog,
                         [window = m_mainWindow] { enable(window); });
    }
    ~MainWindowLock() { release(); }
    MainWindowLock(const MainWindowLock&) = delete;
    MainWindowLock& operator=(const MainWindowLock&) = delete;

    void release() const { enable(m_mainWindow); }
    QWidget* mainWindow() const { return m_mainWindow; }

private:
    static void enable(const QPointer<QWidget>& window) {
        if (window) {
            window->setEnabled(true);
        }
    }

    QPointer<QWidget> m_mainWindow;
};

} // namespace orvek::ui
