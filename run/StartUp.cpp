#include "run/StartUp.h"

#include "basics/Errors.h"
#include "basics/Files.h"
#include "formats/OptionsFile.h"
#include "formats/SettingFile.h"
#include "run/PageRules.h"
#include "run/StartFolder.h"

namespace orvek {

namespace {

// The page's rules and the session's folders as targets of the option and setting files.
class SessionTarget : public SettingTarget, public OptionsTarget {
public:
    explicit SessionTarget(Session& s)
        : m_session(s), m_model(s.page, static_cast<int>(s.substrates.size()), s.decimalSeparator) {
    }

    // Shared by both files.
    void setCarbonOnly(bool carbonOnly) override { m_model.setCarbonOnly(carbonOnly); }
    void setStartDate(DateSerial date) override { page().startDate = date; }
    void setSoilCText(const std::string& t) override { m_model.setSoilText(SoilField::Content, t); }
    void setBulkDensityText(const std::string& t) override {
        m_model.setSoilText(SoilField::BulkDensity, t);
    }
    void setDepthText(const std::string& t) override { m_model.setSoilText(SoilField::Depth, t); }
    void setNminText(const std::string& t) override { page().nminText = t; }
    void setTextureIndex(int index) override {
        page().textureIndex = index >= 0 && index < 3 ? index : -1;
    }
    void setTillageIndex(int index) override { page().tillageIndex = index == 0 ? 0 : -1; }

    // Setting file only.
    void setWeather(const std::string& folder, const std::string& name) override {
        page().weatherFolder = folder;
        page().weatherFileName = name;
    }
    void setDailyWeather(bool daily) override { page().dailyWeather = daily; }
    void setWeatherKindText(const std::string& t) override { page().weatherKindText = t; }
    void setWeatherPeriodText(const std::string& t) override { page().weatherPeriodText = t; }
    void setEndDate(DateSerial date) override { page().endDate = date; }
    void setEventsOnPanel(bool onPanel) override { m_model.setEventsOnPanel(onPanel); }
    void setEventsFile(const std::string& path) override {
        page().eventsFile = path;
        page().eventsFileName = fileNamePart(path);
    }
    void setRowChecked(int row, bool checked) override { m_model.setRowChecked(row, checked); }
    void setRowType(int row, int index) override { m_model.setRowType(row, index); }
    void setRowCText(int row, const std::string& t) override { rowOf(row).cText = t; }
    void setRowCnText(int row, const std::string& t) override { rowOf(row).cnText = t; }
    void setRowDate(int row, DateSerial date) override { rowOf(row).date = date; }
    void setStockText(const std::string& t) override { page().stockText = t; }
    void setDailyOutput(bool daily) override { page().dailyOutput = daily; }

    // Options file only.
    void setResizable(bool resizable) override { m_session.resizable = resizable; }
    void setWeatherFolderText(const std::string& t) override {
        page().weatherFolder = folderFromOption(t, m_session.startFolder);
    }
    void setWorkingFolderText(const std::string& t) override {
        m_session.workingFolder = workingFolderFromOption(t, processEnvironment());
    }

private:
    PageState& page() { return m_session.page; }
    EventRowState& rowOf(int row) { return page().rows[static_cast<size_t>(row)]; }

    Session& m_session;
    PageModel m_model;
};

} // namespace

std::string startSession(Session& session, const std::string& folder) {
    session.startFolder = withTrailingSeparator(folder);
    session.workingFolder = documentsFolder(processEnvironment());
    session.page.weatherFolder = session.startFolder;
    try {
        session.substrates =
            readSubstrateList(resolveFileName(session.startFolder + kSubstratesFileName));
        loadDefaults(session);
    } catch (const OrvekError& e) {
        return e.what();
    }
    return std::string();
}

void loadDefaults(Session& session) {
    const std::string path = resolveFileName(session.startFolder + kOptionsFileName);
    if (!fileExists(path)) {
        throw OrvekError("File not found");
    }
    SessionTarget target(session);
    applyOptionsFile(readTextFile(path, size_t{1} << 20), target, path);
}

void retrieveSettings(Session& session, const std::string& path) {
    if (!fileExists(resolveFileName(path))) {
        throw OrvekError("File not found");
    }
    const std::string content = readTextFile(resolveFileName(path), size_t{1} << 20);
    SessionTarget target(session);
    applySettingFile(content, target, folderPart(resolveFileName(path)));
}

void saveSettings(const Session& session, const std::string& path) {
    writeFileAtomically(path, settingFileContent(session.page));
}

} // namespace orvek
