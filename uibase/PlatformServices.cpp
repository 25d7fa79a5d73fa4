#include "uibase/PlatformServices.h"

#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileDialog>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <QUrl>

namespace orvek::ui {

namespace {

QString filterText(const QStringList& filters) {
    return filters.join(QStringLiteral(";;"));
}

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
        box.setWindowTitle(QStringLiteral("Reminder"));
        box.setIcon(QMessageBox::Information);
        box.setText(QStringLiteral("Save and close the input events file before simulation."));
        auto* check = new QCheckBox(QStringLiteral("Don't show me again."), &box);
        box.setCheckBox(check);
        box.setStandardButtons(QMessageBox::Ok);
        ReminderResult result;
        result.closedWithOk = box.exec() == QMessageBox::Ok && box.clickedButton() != nullptr;
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
        QFileDialog dialog(parent, title, start);
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly, true);
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
        while (dialog.exec() == QDialog::Accepted) {
            const QStringList chosen = dialog.selectedFiles();
            if (chosen.isEmpty()) {
                return QString();
            }
            const QString folder = chosen.first();
            if (QDir(folder).exists()) {
                return folder;
            }
            const auto answer = QMessageBox::question(
                parent, title,
                QStringLiteral("The folder \"%1\" does not exist. Create it?").arg(folder));
            if (answer == QMessageBox::Yes) {
                if (QDir().mkpath(folder)) {
                    return folder;
                }
                message(parent,
                        QStringLiteral("The folder \"%1\" could not be created.").arg(folder),
                        MessageIcon::Error, QString());
            }
        }
        return QString();
    }

    bool openDocument(const QString& path) override {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
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
