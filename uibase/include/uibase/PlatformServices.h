#pragma once

#include "basics/Errors.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QPrinter;
class QWidget;

namespace orvek::ui {

enum class MessageIcon { None, Information, Warning, Error };
enum class Answer { Yes, No, Cancel };

// What an open- or save-file dialog is asked to show.
struct FileDialogRequest {
    QString title;
    QString initialFolder;
    QString fileName;      // proposed name (save) or empty
    QStringList filters;   // "Setting file (*.stg)", "Any file (*.*)"
    QString defaultSuffix; // "stg", without the dot; empty for none
    bool confirmOverwrite = true;
};

struct FileDialogResult {
    QString path; // empty when the user cancelled
    int filterIndex = 0;
};

struct ReminderResult {
    bool closedWithOk = false;
    bool dontShowAgain = false;
};

// The platform: dialogs, message boxes, beeps, the desktop and printing. The window reaches them
// only through this interface, so that tests can answer dialogs and record messages.
class PlatformServices {
public:
    virtual ~PlatformServices() = default;

    virtual void beep(BeepKind kind) = 0;
    virtual void message(QWidget* parent, const QString& text, MessageIcon icon,
                         const QString& caption = QString()) = 0;
    virtual Answer askYesNoCancel(QWidget* parent, const QString& text) = 0;
    // The reminder before opening an events workbook, with its "Don't show me again." box.
    virtual ReminderResult openFileReminder(QWidget* parent) = 0;

    virtual FileDialogResult openFile(QWidget* parent, const FileDialogRequest& request) = 0;
    virtual FileDialogResult saveFile(QWidget* parent, const FileDialogRequest& request) = 0;
    // A folder chooser that lets the user type a folder that does not exist yet and creates it
    // after asking; empty when cancelled.
    virtual QString chooseFolder(QWidget* parent, const QString& title,
                                 const QString& startFolder) = 0;

    // The desktop's "open" action on a document; false when it failed. The desktop reports
    // success as soon as its opener starts, whether or not any program takes the document.
    virtual bool openDocument(const QString& path) = 0;
    // The desktop's default application for a file type (its desktop entry's name): empty
    // when the desktop has none, nothing when the desktop cannot be asked.
    virtual std::optional<QString> defaultApplication(const QString& mimeType) = 0;
    // Starts the first calculator found; false when there is none.
    virtual bool startCalculator() = 0;

    // Printing: the print dialog and the page setup dialog on the shared printer; true when
    // the user confirmed.
    virtual bool printDialog(QWidget* parent, QPrinter& printer) = 0;
    virtual bool pageSetupDialog(QWidget* parent, QPrinter& printer) = 0;
    // A modal print preview that draws through paint whenever it needs the pages.
    virtual void printPreview(QWidget* parent, QPrinter& printer,
                              const std::function<void(QPrinter*)>& paint) = 0;

    // Waits, keeping the window painted (the pause after a run, the wait before printing).
    virtual void pause(int milliseconds) = 0;
};

// The services in use; the real desktop ones unless a test installed others.
PlatformServices& services();
// The real desktop services, whatever is installed.
PlatformServices& desktopServices();
void setServices(PlatformServices* replacement); // nullptr restores the desktop services

// The application's error box: a critical message with the exception's text; the program
// keeps running.
void showError(QWidget* parent, const QString& text);

} // namespace orvek::ui
