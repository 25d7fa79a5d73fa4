#pragma once

#include <QWidget>

class QTextBrowser;

namespace orvek::ui {

// The user's guide, a bundled HTML document, in a window of its own beside the main window.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(const QString& indexPath);

    QTextBrowser* browser() const { return m_browser; }

private:
    QTextBrowser* m_browser = nullptr;
};

} // namespace orvek::ui
