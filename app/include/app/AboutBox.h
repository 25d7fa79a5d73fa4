#pragma once

#include <QDialog>
#include <QPointer>

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
    ~TForm2() override;

    QPlainTextEdit* textArea(int k) const; // 1, 2, 3

public slots:
    void Button1Click(); // "OK"

private:
    QPlainTextEdit* newTextArea(const char* name, const QString& text, bool bold, int pixels);

    QPointer<QWidget> m_mainWindow;
    QPlainTextEdit* m_memo[3] = {};
    QLabel* m_picture = nullptr;
};

} // namespace orvek::ui
