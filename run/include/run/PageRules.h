#pragma once

#include "formats/OptionsFile.h"
#include "formats/PageState.h"
#include "formats/SettingFile.h"
#include "model/Weather.h"
#include "run/Session.h"

#include <functional>
#include <string>

namespace orvek {

// The default date of a newly checked row below the first: the same day number of the year one
// year after the row above, or the end date when that is earlier. Day 366 of a leap year has no
// counterpart in the next year and becomes its 31 December.
DateSerial defaultRowDate(DateSerial rowAbove, DateSerial endDate);

// The soil carbon stock shown on the page, C x BD x D / 10 in Mg/ha, in the shortest general
// form. Raises OrvekError with the conversion message for a text that is not a number.
std::string soilStockText(const std::string& soilC, const std::string& bulkDensity,
                          const std::string& depth, char decimalSeparator);

// Selects a weather file on the page as choosing it in the window does: the whole file is read
// and checked first (OrvekError on the first fault, the page unchanged), then its folder, name,
// kind and period (dates written by shortDate) are taken. Returns what the scan found.
WeatherInfo selectWeatherFile(PageState& page, const std::string& path,
                              const std::function<std::string(DateSerial)>& shortDate);

enum class SoilField { Content, BulkDensity, Depth };

// The input page of a session and its rules: the one place where they are kept. The window's
// page shows this state and hands the user's edits to it; setting files, the options file and
// the defaults reach it line by line; orvek-batch and the Python package use it without a
// window. Each rule runs when its state changes, whoever changed it, so that files restore
// values in an order that lets the saved values win; setting a state the page already has runs
// nothing. Which fields are enabled follows from the state (PageState).
class PageModel : public SettingTarget, public OptionsTarget {
public:
    explicit PageModel(Session& session) : m_session(session) {}

    PageState& page() { return m_session.page; }
    const PageState& page() const { return m_session.page; }

    // Lines of setting and options files, and the same edits made by the user. Dates outside the
    // range the date fields accept are refused with "Date exceeds maximum of %s" or "Date is
    // less than minimum of %s"; the three soil texts raise the conversion message for a text
    // that is not a number.
    void setCarbonOnly(bool carbonOnly) override;
    // An empty folder is the start folder, where weather files are looked for by default.
    void setWeather(const std::string& folder, const std::string& name) override;
    void setDailyWeather(bool daily) override;
    void setWeatherKindText(const std::string& text) override;
    void setWeatherPeriodText(const std::string& text) override;
    void setStartDate(DateSerial date) override;
    void setEndDate(DateSerial date) override;
    void setEventsOnPanel(bool onPanel) override;
    void setEventsFile(const std::string& path) override;
    void setRowChecked(int row, bool checked) override;
    void setRowType(int row, int index) override;
    void setRowCText(int row, const std::string& text) override;
    void setRowCnText(int row, const std::string& text) override;
    void setRowDate(int row, DateSerial date) override;
    void setSoilCText(const std::string& text) override;
    void setBulkDensityText(const std::string& text) override;
    void setDepthText(const std::string& text) override;
    void setStockText(const std::string& text) override;
    void setNminText(const std::string& text) override;
    void setTextureIndex(int index) override;
    void setTillageIndex(int index) override;
    void setDailyOutput(bool daily) override;
    void setResizable(bool resizable) override;
    void setWeatherFolderText(const std::string& text) override;
    void setWorkingFolderText(const std::string& text) override;

    // A soil text set by the program: an empty field becomes "0", then the stock is recomputed.
    void setSoilText(SoilField field, const std::string& text);
    // A soil text as the user types it: a text that typing on can no longer turn into a number
    // raises the conversion message (the text is kept, as the field keeps it); one still on its
    // way ("", "-", "1e-") waits, the stock unchanged; once all three are numbers the stock
    // follows. Leaving a field empty puts "0" into it.
    void typeSoilText(SoilField field, const std::string& text);
    void leaveSoilField(SoilField field);

    // "Weather file...": the file is read and checked first (the page unchanged on a fault),
    // then taken, and every date field accepts its period only; a date outside it moves to the
    // nearer bound.
    void selectWeatherFile(const std::string& path);
    // An events workbook chosen in a file dialog: the working folder becomes its folder.
    void setWorkingFolderOf(const std::string& path);

    // The page's part of "Reset all settings": rows cleared and unchecked, weather boxes
    // emptied, stock "0". The defaults follow from the options file.
    void resetPage();

private:
    EventRowState& rowOf(int row) { return page().rows[static_cast<size_t>(row)]; }
    std::string& soilText(SoilField field);
    void applyEventRowRule(int row);
    void judgeTypedSoilTexts();
    DateSerial acceptedDate(DateSerial date) const;

    Session& m_session;
};

} // namespace orvek
