#pragma once

#include "uibase/MainWindowLock.h"

#include <QDialog>

#include <string>

class QLabel;
class QPlainTextEdit;

namespace orvek::ui {

inline constexpr const char* kAboutPictureFileName = "about.jpg";

// The About box: what the program is, who makes it, how to reach them, and the disclaimer. It
// is modeless; the main window stays disabled while it is open and is enabled again when it
// closes, however it closes.
class TForm2 : public QDialog {
    Q_OBJECT
public:
    TForm2(const std::string& startFolder, QWidget* mainWindow);

    QPlainTextEdit* textArea(int k) const; // 1, 2, 3

public slots:
    void Button1Click(); // "OK"

private:
    QPlainTextEdit* newTextArea(const char* name, const QString& text, bool bold, int pixels);

    MainWindowLock m_lock;
    QPlainTextEdit* m_memo[3] = {};
    QLabel* m_picture = nullptr;
};

} // namespace orvek::ui
