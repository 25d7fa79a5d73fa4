// The page's file commands: choosing the weather file, and creating, choosing and opening the
// events workbook.

#include "windows/inputs/InputPage.h"

#include "basics/Files.h"
#include "formats/EventsWorkbook.h"
#include "uibase/HandlerGuard.h"
#include "uibase/PlatformServices.h"
#include "windows/inputs/PageWidgets.h"

namespace orvek::ui {

void InputPage::Button2Click() {
    guarded(window(), [this] {
        FileDialogRequest request;
        request.title = QStringLiteral(" Select weather file");
        request.initialFolder = qs(existingFolderOrStart(m_session.page.weatherFolder));
        request.filters = {QStringLiteral("weather file (*.wth)"),
                           QStringLiteral("all files (*.*)")};
        const FileDialogResult chosen = services().openFile(window(), request);
        if (chosen.path.isEmpty()) {
            return;
        }
        apply([this, &chosen] { m_model.selectWeatherFile(ss(chosen.path)); });
    });
}

void InputPage::Button3Click() {
    FileDialogRequest request;
    request.title = QStringLiteral(" Select input events file");
    request.initialFolder = qs(existingFolderOrStart(m_session.workingFolder));
    request.filters = {QStringLiteral("Excel file; (*.xls)"), QStringLiteral("all files (*.*)")};
    const FileDialogResult chosen = services().openFile(window(), request);
    if (chosen.path.isEmpty()) {
        return;
    }
    apply([this, path = ss(chosen.path)] {
        m_model.setEventsFile(path);
        m_model.setWorkingFolderOf(path);
    });
}

void InputPage::Button4Click() {
    FileDialogRequest request;
    request.title = QStringLiteral(" Select input events file");
    request.initialFolder = qs(existingFolderOrStart(m_session.workingFolder));
    request.filters = {QStringLiteral("Excel file; (*.xls)"), QStringLiteral("all files (*.*)")};
    if (!m_openFileReminderOff) {
        const ReminderResult reminder = services().openFileReminder(window());
        if (reminder.closedWithOk && reminder.dontShowAgain) {
            m_openFileReminderOff = true;
        }
    }
    const FileDialogResult chosen = services().openFile(window(), request);
    if (chosen.path.isEmpty()) {
        return;
    }
    const std::string path = ss(chosen.path);
    m_model.setWorkingFolderOf(path);
    if (!services().openDocument(chosen.path)) {
        services().message(window(), QStringLiteral("The file can't be opened."),
                           MessageIcon::Information);
        return;
    }
    apply([this, &path] { m_model.setEventsFile(path); });
}

void InputPage::Button8Click() {
    const std::string templatePath = resolveFileName(m_session.startFolder + kTemplateFileName);
    if (!fileExists(templatePath)) {
        services().beep(BeepKind::Hand);
        services().message(window(),
                           QStringLiteral("Template file 'Input Template.Orvek' not found."),
                           MessageIcon::Error);
        return;
    }
    const std::string folder = withTrailingSeparator(m_session.workingFolder);
    const auto nameFor = [&folder](int n) {
        return folder + "Input events-" + std::to_string(n) + ".xls";
    };
    // The copy is written whole under a temporary name and then given the first free number,
    // so a full disk leaves no half workbook and a file made meanwhile is never replaced.
    std::string candidate;
    try {
        const std::string content = readWholeFile(templatePath, kEventsWorkbookLimit);
        const std::string temp = temporaryNameFor(nameFor(1));
        writeNewFile(temp, content, nameFor(1));
        candidate = publishUnderFirstFreeName(temp, nameFor);
    } catch (const std::exception&) {
        services().beep(BeepKind::Hand);
        services().message(
            window(), QStringLiteral("Template file 'Input Template.Orvek' could not be copied."),
            MessageIcon::Error);
        return;
    }
    if (!services().openDocument(qs(candidate))) {
        services().message(window(),
                           QStringLiteral("Excel not found, or the file can't be opened."),
                           MessageIcon::Information);
    }
}

} // namespace orvek::ui
