#include "run/PageRules.h"

#include "basics/Errors.h"
#include "basics/Files.h"
#include "basics/Text.h"
#include "model/Weather.h"
#include "run/StartFolder.h"

#include <algorithm>
#include <iterator>

namespace orvek {

DateSerial defaultRowDate(DateSerial rowAbove, DateSerial endDate) {
    const CalendarDate above = decodeDate(rowAbove);
    const int doy = dayOfYear(rowAbove);
    DateSerial next = 0;
    if (!tryDateFromYearDay(above.year + 1, doy, next) &&
        !tryEncodeDate(above.year + 1, 12, 31, next)) {
        return endDate;
    }
    return next > endDate ? endDate : next;
}

WeatherInfo selectWeatherFile(PageState& page, const std::string& path,
                              const std::function<std::string(DateSerial)>& shortDate) {
    const WeatherInfo info = scanWeatherFile(path);
    page.weatherFolder = folderPart(path);
    page.weatherFileName = fileNamePart(path);
    page.dailyWeather = info.kind == WeatherKind::Daily;
    page.weatherKindText = page.dailyWeather ? kDailyWeatherKindText : kMonthlyWeatherKindText;
    page.weatherPeriodText = shortDate(info.first) + " - " + shortDate(info.last);
    return info;
}

std::string soilStockText(const std::string& soilC, const std::string& bulkDensity,
                          const std::string& depth, char decimalSeparator) {
    double values[3] = {0, 0, 0};
    const std::string* texts[3] = {&soilC, &bulkDensity, &depth};
    for (int k = 0; k < 3; ++k) {
        if (!parseDouble(*texts[k], decimalSeparator, values[k])) {
            throw OrvekError(invalidFloatMessage(*texts[k]));
        }
    }
    return formatGeneral(values[0] * values[1] * values[2] / 10, decimalSeparator);
}

// --- The mode, the source and the rows ---------------------------------------------------------

void PageModel::setCarbonOnly(bool carbonOnly) {
    page().carbonOnly = carbonOnly;
}

void PageModel::setEventsOnPanel(bool onPanel) {
    if (page().eventsOnPanel == onPanel) {
        return;
    }
    page().eventsOnPanel = onPanel;
    if (!onPanel) {
        for (int i = 0; i < kEventRows; ++i) {
            setRowChecked(i, false);
        }
    }
}

void PageModel::setRowChecked(int row, bool checked) {
    EventRowState& r = rowOf(row);
    if (r.checked == checked) {
        return;
    }
    r.checked = checked;
    applyEventRowRule(row);
}

void PageModel::applyEventRowRule(int row) {
    EventRowState& r = rowOf(row);
    if (!r.checked) {
        return; // the fields are disabled; texts, type and date stay
    }
    r.typeIndex = m_session.substrates.empty() ? -1 : 0;
    r.date = row == 0 ? page().startDate : defaultRowDate(rowOf(row - 1).date, page().endDate);
}

void PageModel::setRowType(int row, int index) {
    const int entries = static_cast<int>(m_session.substrates.size());
    rowOf(row).typeIndex = index >= 0 && index < entries ? index : -1;
}

void PageModel::setRowCText(int row, const std::string& text) {
    rowOf(row).cText = text;
}

void PageModel::setRowCnText(int row, const std::string& text) {
    rowOf(row).cnText = text;
}

void PageModel::setRowDate(int row, DateSerial date) {
    rowOf(row).date = acceptedDate(date);
}

void PageModel::setEventsFile(const std::string& path) {
    page().eventsFile = path;
    page().eventsFileName = fileNamePart(path);
}

void PageModel::setWorkingFolderOf(const std::string& path) {
    m_session.workingFolder = folderPart(path);
}

// --- Dates and weather -------------------------------------------------------------------------

DateSerial PageModel::acceptedDate(DateSerial date) const {
    if (date > page().lastDate) {
        throw OrvekError("Date exceeds maximum of " + m_session.shortDate(page().lastDate));
    }
    if (date < page().firstDate) {
        throw OrvekError("Date is less than minimum of " + m_session.shortDate(page().firstDate));
    }
    return date;
}

void PageModel::setStartDate(DateSerial date) {
    page().startDate = acceptedDate(date);
}

void PageModel::setEndDate(DateSerial date) {
    page().endDate = acceptedDate(date);
}

void PageModel::setWeather(const std::string& folder, const std::string& name) {
    page().weatherFolder = folder.empty() ? m_session.startFolder : withTrailingSeparator(folder);
    page().weatherFileName = name;
}

void PageModel::setDailyWeather(bool daily) {
    page().dailyWeather = daily;
}

void PageModel::setWeatherKindText(const std::string& text) {
    page().weatherKindText = text;
}

void PageModel::setWeatherPeriodText(const std::string& text) {
    page().weatherPeriodText = text;
}

void PageModel::selectWeatherFile(const std::string& path) {
    const WeatherInfo info = orvek::selectWeatherFile(page(), path, m_session.shortDate);
    PageState& p = page();
    p.firstDate = info.first;
    p.lastDate = info.last;
    // Each date on its own: one outside the new period moves to the nearer bound, whatever the
    // old range was.
    const auto clamp = [&p](DateSerial& d) { d = std::clamp(d, p.firstDate, p.lastDate); };
    clamp(p.startDate);
    clamp(p.endDate);
    for (EventRowState& r : p.rows) {
        clamp(r.date);
    }
}

// --- Soil ---------------------------------------------------------------------------------------

std::string& PageModel::soilText(SoilField field) {
    return field == SoilField::Content       ? page().soilCText
           : field == SoilField::BulkDensity ? page().bulkDensityText
                                             : page().depthText;
}

void PageModel::setSoilText(SoilField field, const std::string& text) {
    soilText(field) = text;
    PageState& p = page();
    for (std::string* f : {&p.soilCText, &p.bulkDensityText, &p.depthText}) {
        if (f->empty()) {
            f->assign("0");
        }
    }
    p.stockText =
        soilStockText(p.soilCText, p.bulkDensityText, p.depthText, m_session.decimalSeparator);
}

void PageModel::typeSoilText(SoilField field, const std::string& text) {
    soilText(field) = text;
    judgeTypedSoilTexts();
}

void PageModel::leaveSoilField(SoilField field) {
    // A field cleared to type a new value stays empty while it is edited; left empty, it holds
    // "0". Any other text was judged as it was typed; judging it again would only repeat the
    // message that took the focus from the field.
    if (!soilText(field).empty()) {
        return;
    }
    soilText(field) = "0";
    judgeTypedSoilTexts();
}

void PageModel::judgeTypedSoilTexts() {
    PageState& p = page();
    const char separator = m_session.decimalSeparator;
    const std::string* texts[3] = {&p.soilCText, &p.bulkDensityText, &p.depthText};
    for (const std::string* t : texts) {
        if (!canBecomeNumber(*t, separator)) {
            throw OrvekError(invalidFloatMessage(*t));
        }
    }
    for (const std::string* t : texts) {
        double unused = 0;
        if (!parseDouble(*t, separator, unused)) {
            return;
        }
    }
    p.stockText = soilStockText(p.soilCText, p.bulkDensityText, p.depthText, separator);
}

void PageModel::setSoilCText(const std::string& text) {
    setSoilText(SoilField::Content, text);
}

void PageModel::setBulkDensityText(const std::string& text) {
    setSoilText(SoilField::BulkDensity, text);
}

void PageModel::setDepthText(const std::string& text) {
    setSoilText(SoilField::Depth, text);
}

void PageModel::setStockText(const std::string& text) {
    page().stockText = text;
}

void PageModel::setNminText(const std::string& text) {
    page().nminText = text;
}

void PageModel::setTextureIndex(int index) {
    page().textureIndex =
        index >= 0 && index < static_cast<int>(std::size(kTextureNames)) ? index : -1;
}

void PageModel::setTillageIndex(int index) {
    page().tillageIndex =
        index >= 0 && index < static_cast<int>(std::size(kTillageNames)) ? index : -1;
}

void PageModel::setDailyOutput(bool daily) {
    page().dailyOutput = daily;
}

// --- Options -----------------------------------------------------------------------------------

void PageModel::setResizable(bool resizable) {
    m_session.resizable = resizable;
}

void PageModel::setWeatherFolderText(const std::string& text) {
    page().weatherFolder = folderFromOption(text, m_session.startFolder);
}

void PageModel::setWorkingFolderText(const std::string& text) {
    m_session.workingFolder = workingFolderFromOption(text, processEnvironment());
}

// --- Reset -------------------------------------------------------------------------------------

void PageModel::resetPage() {
    PageState& p = page();
    for (EventRowState& r : p.rows) {
        r.typeIndex = -1;
        r.cText.clear();
        r.cnText.clear();
    }
    p.stockText = "0";
    p.weatherPeriodText.clear();
    p.weatherFileName.clear();
    p.weatherKindText.clear();
    for (int i = 0; i < kEventRows; ++i) {
        setRowChecked(i, false);
    }
}

} // namespace orvek
