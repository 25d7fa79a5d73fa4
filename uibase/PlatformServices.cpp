#include "uibase/PlatformServices.h"

#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QThread>
#include <QUrl>

namespace orvek::ui {

namespace {

QString filterText(const QStringList& filters) {
    return filters.join(QStringLiteral(";;"));
}

// A folder chooser that takes a typed folder that does not exist yet: it asks, creates it and
// then accepts it, where the plain dialog would only say that the folder was not found.
class FolderChooser : public QFileDialog {
public:
    FolderChooser(QWidget* parent, const QString& title, const QString& start)
        : QFileDialog(parent, title, start) {
        setFileMode(QFileDialog::Directory);
        setOption(QFileDialog::ShowDirsOnly, true);
        setOption(QFileDialog::DontUseNativeDialog, true);
    }

    void accept() override {
        const QStringList chosen = selectedFiles();
        const QString folder = chosen.isEmpty() ? QString() : chosen.first();
        if (!folder.isEmpty() && !QFileInfo::exists(folder)) {
            const auto answer =
                QMessageBox::question(this, windowTitle(),
                                      QStringLiteral("The folder \"%1\" does not exist. Create it?")
                                          .arg(QDir::toNativeSeparators(folder)));
            if (answer != QMessageBox::Yes) {
                return; // the chooser stays open for another choice
            }
            if (!QDir().mkpath(folder)) {
                QMessageBox::critical(this, windowTitle(),
                                      QStringLiteral("The folder \"%1\" could not be created.")
                                          .arg(QDir::toNativeSeparators(folder)));
                return;
            }
        }
        QFileDialog::accept();
    }
};

class DesktopServices : public PlatformServices {
public:
    void beep(BeepKind kind) override {
        if (kind != BeepKind::None) {
            QApplication::beep();
        }
    }

    void message(QWidget* parent, const QString& text, MessageIcon icon,
                 const QString& caption) override {
        QMessageBox box(parent);
        box.setWindowTitle(caption.isEmpty() ? QApplication::applicationName() : caption);
        box.setText(text);
        switch (icon) {
        case MessageIcon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case MessageIcon::Warning:
            box.setIcon(QMessageBox::Warning);
            break;
        case MessageIcon::Error:
            box.setIcon(QMessageBox::Critical);
            break;
        case MessageIcon::None:
            break;
        }
        box.exec();
    }

    Answer askYesNoCancel(QWidget* parent, const QString& text) override {
        const auto r = QMessageBox::question(
            parent, QApplication::applicationName(), text,
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
        return r == QMessageBox::Yes  ? Answer::Yes
               : r == QMessageBox::No ? Answer::No
                                      : Answer::Cancel;
    }

    ReminderResult openFileReminder(QWidget* parent) override {
        QMessageBox box(parent);
        box.setObjectName(QStringLiteral("Reminder"));
        box.setWindowTitle(QStringLiteral("Reminder"));
        box.setIcon(QMessageBox::Information);
        box.setText(QStringLiteral("Save and close the input events file before simulation."));
        auto* check = new QCheckBox(QStringLiteral("Don't show me again."), &box);
        box.setCheckBox(check);
        QPushButton* ok = box.addButton(QMessageBox::Ok);
        // Only the OK button counts: the box's close button reports its only button as the one
        // clicked, without that button ever being pressed.
        bool okPressed = false;
        QObject::connect(ok, &QPushButton::clicked, &box, [&okPressed] { okPressed = true; });
        box.exec();
        ReminderResult result;
        result.closedWithOk = okPressed;
        result.dontShowAgain = check->isChecked();
        return result;
    }

    FileDialogResult openFile(QWidget* parent, const FileDialogRequest& r) override {
        QFileDialog dialog(parent, r.title, r.initialFolder, filterText(r.filters));
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        if (!r.fileName.isEmpty()) {
            dialog.selectFile(r.fileName);
        }
        return run(dialog, r);
    }

    FileDialogResult saveFile(QWidget* parent, const FileDialogRequest& r) override {
        QFileDialog dialog(parent, r.title, r.initialFolder, filterText(r.filters));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !r.confirmOverwrite);
        // The default extension belongs to the first filter: the dialog adds it before it asks
        // about overwriting, so that the file finally written is the one it asked about; with
        // "any file" the name stays as typed.
        const auto suffixFor = [&dialog, &r](const QString& filter) {
            const bool first = !r.filters.isEmpty() && filter == r.filters.first();
            dialog.setDefaultSuffix(first ? r.defaultSuffix : QString());
        };
        suffixFor(dialog.selectedNameFilter());
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, suffixFor);
        if (!r.fileName.isEmpty()) {
            dialog.selectFile(r.fileName);
        }
        return run(dialog, r);
    }

    QString chooseFolder(QWidget* parent, const QString& title, const QString& start) override {
        FolderChooser dialog(parent, title, start);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            return QString();
        }
        return dialog.selectedFiles().first();
    }

    bool openDocument(const QString& path) override {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    }

    std::optional<QString> defaultApplication(const QString& mimeType) override {
        QProcess query;
        query.start(QStringLiteral("xdg-mime"),
                    {QStringLiteral("query"), QStringLiteral("default"), mimeType});
        if (!query.waitForStarted(3000)) {
            return std::nullopt; // not a desktop that can be asked
        }
        if (!query.waitForFinished(5000) || query.exitStatus() != QProcess::NormalExit ||
            query.exitCode() != 0) {
            query.kill();
            query.waitForFinished(1000);
            return std::nullopt;
        }
        return QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed();
    }

    bool startCalculator() override {
        static const char* const calculators[] = {"gnome-calculator", "kcalc",         "galculator",
                                                  "mate-calc",        "qalculate-gtk", "xcalc"};
        for (const char* name : calculators) {
            const QString exe = QStandardPaths::findExecutable(QString::fromLatin1(name));
            if (!exe.isEmpty() && QProcess::startDetached(exe, {})) {
                return true;
            }
        }
        return false;
    }

    bool printDialog(QWidget* parent, QPrinter& printer) override {
        QPrintDialog dialog(&printer, parent);
        return dialog.exec() == QDialog::Accepted;
    }

    bool pageSetupDialog(QWidget* parent, QPrinter& printer) override {
        QPageSetupDialog dialog(&printer, parent);
        return dialog.exec() == QDialog::Accepted;
    }

    void printPreview(QWidget* parent, QPrinter& printer,
                      const std::function<void(QPrinter*)>& paint) override {
        QPrintPreviewDialog dialog(&printer, parent);
        QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                         [&paint](QPrinter* p) { paint(p); });
        dialog.exec();
    }

    void pause(int milliseconds) override {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < milliseconds) {
            QApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
            QThread::msleep(10);
        }
    }

private:
    static FileDialogResult run(QFileDialog& dialog, const FileDialogRequest& r) {
        FileDialogResult result;
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            return result;
        }
        result.path = dialog.selectedFiles().first();
        result.filterIndex = static_cast<int>(r.filters.indexOf(dialog.selectedNameFilter()));
        if (result.filterIndex < 0) {
            result.filterIndex = 0;
        }
        return result;
    }
};

DesktopServices& desktop() {
    static DesktopServices instance;
    return instance;
}

PlatformServices* g_current = nullptr;

} // namespace

PlatformServices& desktopServices() {
    return desktop();
}

PlatformServices& services() {
    return g_current ? *g_current : desktop();
}

void setServices(PlatformServices* replacement) {
    g_current = replacement;
}

void showError(QWidget* parent, const QString& text) {
    services().beep(BeepKind::Hand);
    services().message(parent, text, MessageIcon::Error);
}

} // namespace orvek::ui
