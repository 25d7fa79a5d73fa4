#pragma once

#include "uibase/PlatformServices.h"

#include <QPrinter>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace orvek::test {

// Answers the window's dialogs from queues and records every message, beep and desktop action,
// so that tests see what a person would have seen. Installed for its lifetime.
class FakeServices : public ui::PlatformServices {
public:
    struct Message {
        QString text;
        ui::MessageIcon icon;
        QString caption;
    };

    FakeServices() { ui::setServices(this); }
    ~FakeServices() override { ui::setServices(nullptr); }

    // Answers, consumed in order; an empty queue cancels the dialog.
    std::deque<ui::FileDialogResult> openAnswers;
    std::deque<ui::FileDialogResult> saveAnswers;
    std::deque<QString> folderAnswers;
    std::deque<ui::Answer> yesNoCancelAnswers;
    std::deque<ui::ReminderResult> reminderAnswers;
    bool printAccepted = true;
    QString printToPdf; // when set, printing goes to this PDF file
    bool openDocumentSucceeds = true;
    // The desktop's answer for a file type's default application: nothing when it cannot be
    // asked, empty when no application is set up.
    std::optional<QString> defaultApp = QStringLiteral("spreadsheet.desktop");
    std::vector<QString> defaultAppQueries;
    bool calculatorFound = true;
    std::function<void()> onPause; // sees the window as it is during a pause

    // What happened.
    std::vector<BeepKind> beeps;
    std::vector<Message> messages;
    std::vector<QString> questions;
    std::vector<ui::FileDialogRequest> openRequests;
    std::vector<ui::FileDialogRequest> saveRequests;
    std::vector<QString> openedDocuments;
    int reminders = 0;
    int calculatorStarts = 0;
    int printDialogs = 0;
    int pageSetups = 0;
    int previews = 0;
    int pausedMilliseconds = 0;

    QStringList messageTexts() const {
        QStringList list;
        for (const Message& m : messages) {
            list << m.text;
        }
        return list;
    }

    void beep(BeepKind kind) override { beeps.push_back(kind); }
    void message(QWidget*, const QString& text, ui::MessageIcon icon,
                 const QString& caption) override {
        messages.push_back({text, icon, caption});
    }
    ui::Answer askYesNoCancel(QWidget*, const QString& text) override {
        questions.push_back(text);
        return take(yesNoCancelAnswers, ui::Answer::Cancel);
    }
    ui::ReminderResult openFileReminder(QWidget*) override {
        ++reminders;
        return take(reminderAnswers, ui::ReminderResult{true, false});
    }
    ui::FileDialogResult openFile(QWidget*, const ui::FileDialogRequest& r) override {
        openRequests.push_back(r);
        return take(openAnswers, ui::FileDialogResult{});
    }
    ui::FileDialogResult saveFile(QWidget*, const ui::FileDialogRequest& r) override {
        saveRequests.push_back(r);
        return take(saveAnswers, ui::FileDialogResult{});
    }
    QString chooseFolder(QWidget*, const QString&, const QString&) override {
        return take(folderAnswers, QString());
    }
    bool openDocument(const QString& path) override {
        openedDocuments.push_back(path);
        return openDocumentSucceeds;
    }
    std::optional<QString> defaultApplication(const QString& mimeType) override {
        defaultAppQueries.push_back(mimeType);
        return defaultApp;
    }
    bool startCalculator() override {
        ++calculatorStarts;
        return calculatorFound;
    }
    bool printDialog(QWidget*, QPrinter& printer) override {
        ++printDialogs;
        if (printAccepted && !printToPdf.isEmpty()) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(printToPdf);
        }
        return printAccepted;
    }
    bool pageSetupDialog(QWidget*, QPrinter&) override {
        ++pageSetups;
        return true;
    }
    void printPreview(QWidget*, QPrinter& printer,
                      const std::function<void(QPrinter*)>& paint) override {
        ++previews;
        if (!printToPdf.isEmpty()) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(printToPdf);
            paint(&printer);
        }
    }
    void pause(int milliseconds) override {
        pausedMilliseconds += milliseconds;
        if (onPause) {
            onPause();
        }
    }

private:
    template <typename T> static T take(std::deque<T>& queue, T fallback) {
        if (queue.empty()) {
            return fallback;
        }
        T v = queue.front();
        queue.pop_front();
        return v;
    }
};

} // namespace orvek::test
