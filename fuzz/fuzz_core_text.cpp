// libFuzzer target for the readers of the program's text files: weather files, setting files,
// options files, parameter lines, the events working file and result files. The first byte
// chooses the reader; the rest is the file.

#include "basics/Errors.h"
#include "basics/Text.h"
#include "formats/OptionsFile.h"
#include "formats/ResultFiles.h"
#include "formats/ResultWorkbook.h"
#include "formats/SettingFile.h"
#include "model/Events.h"
#include "model/Parameters.h"
#include "model/RunState.h"
#include "model/Weather.h"
#include "run/PageRules.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

using namespace orvek;

// Applies every line to a page, the way the window's rules would.
class PageTarget : public SettingTarget, public OptionsTarget {
public:
    PageState page;
    PageModel model{page, 6, '.'};
    void setCarbonOnly(bool v) override { model.setCarbonOnly(v); }
    void setStartDate(DateSerial d) override { page.startDate = d; }
    void setSoilCText(const std::string& t) override { model.setSoilText(SoilField::Content, t); }
    void setBulkDensityText(const std::string& t) override {
        model.setSoilText(SoilField::BulkDensity, t);
    }
    void setDepthText(const std::string& t) override { model.setSoilText(SoilField::Depth, t); }
    void setNminText(const std::string& t) override { page.nminText = t; }
    void setTextureIndex(int i) override { page.textureIndex = i; }
    void setTillageIndex(int i) override { page.tillageIndex = i; }
    void setWeather(const std::string& f, const std::string& n) override {
        page.weatherFolder = f;
        page.weatherFileName = n;
    }
    void setDailyWeather(bool v) override { page.dailyWeather = v; }
    void setWeatherKindText(const std::string& t) override { page.weatherKindText = t; }
    void setWeatherPeriodText(const std::string& t) override { page.weatherPeriodText = t; }
    void setEndDate(DateSerial d) override { page.endDate = d; }
    void setEventsOnPanel(bool v) override { model.setEventsOnPanel(v); }
    void setEventsFile(const std::string& p) override { page.eventsFile = p; }
    void setRowChecked(int r, bool v) override { model.setRowChecked(r, v); }
    void setRowType(int r, int i) override { model.setRowType(r, i); }
    void setRowCText(int r, const std::string& t) override { page.rows[size_t(r)].cText = t; }
    void setRowCnText(int r, const std::string& t) override { page.rows[size_t(r)].cnText = t; }
    void setRowDate(int r, DateSerial d) override { page.rows[size_t(r)].date = d; }
    void setStockText(const std::string& t) override { page.stockText = t; }
    void setDailyOutput(bool v) override { page.dailyOutput = v; }
    void setResizable(bool) override {}
    void setWeatherFolderText(const std::string&) override {}
    void setWorkingFolderText(const std::string&) override {}
};

void readWeather(const std::string& text) {
    const WeatherFile w = WeatherFile::parse("fuzz.wth", text);
    scanWeatherFile(w);
    std::string daily;
    if (detectWeatherKind(w) == WeatherKind::Monthly && expandMonthlyWeather(w, daily)) {
        scanWeatherFile(WeatherFile::parse("fuzz.~", daily));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    try {
        switch (data[0] % 6) {
        case 0:
            readWeather(text);
            break;
        case 1: {
            PageTarget t;
            applySettingFile(text, t, "/base/");
            break;
        }
        case 2: {
            PageTarget t;
            applyOptionsFile(text, t);
            break;
        }
        case 3: {
            for (const std::string& line : splitLines(text)) {
                ParameterLine p;
                parseParameterLine(line, p);
            }
            break;
        }
        case 4: {
            RunState run;
            run.carbonOnly = (size & 1) != 0;
            run.startDate = 38353;
            run.endDate = 40000;
            readInputEvents(text, run);
            break;
        }
        case 5: {
            monthlyFromDaily(text, 38353, 1000, false);
            memoFromResult(text, 40000);
            resultWorkbookCells(text, text, (size & 1) != 0, WorkbookStop::AtEndDate, 40000, 100);
            break;
        }
        }
    } catch (const OrvekError&) {
        // A clear message is the expected answer to a bad file.
    }
    return 0;
}
