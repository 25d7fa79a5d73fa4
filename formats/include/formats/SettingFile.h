#pragma once

#include "basics/DateSerial.h"
#include "formats/PageState.h"

#include <string>
#include <string_view>

namespace orvek {

inline constexpr int kSettingFileLines = 67;
inline constexpr const char* kInvalidNumericInput = "Invalid numeric input";

// The 67 lines of a setting file for the page, CR LF ended.
std::string settingFileContent(const PageState& page);

// Receives the lines of a setting file in their order, each applied before the next is read, so
// that the page's rules run in the file's order and the saved values win.
class SettingTarget {
public:
    virtual ~SettingTarget() = default;
    virtual void setCarbonOnly(bool carbonOnly) = 0;                                 // line 1
    virtual void setWeather(const std::string& folder, const std::string& name) = 0; // 2
    virtual void setDailyWeather(bool daily) = 0;                                    // 3
    virtual void setWeatherKindText(const std::string& text) = 0;                    // 4
    virtual void setWeatherPeriodText(const std::string& text) = 0;                  // 5
    virtual void setStartDate(DateSerial date) = 0;                                  // 6
    virtual void setEndDate(DateSerial date) = 0;                                    // 7
    virtual void setEventsOnPanel(bool onPanel) = 0;                                 // 8
    virtual void setEventsFile(const std::string& path) = 0;                         // 9 after "F"
    virtual void setRowChecked(int row, bool checked) = 0;                           // 10-19
    virtual void setRowType(int row, int index) = 0;                                 // 20-29
    virtual void setRowCText(int row, const std::string& text) = 0;                  // 30-39
    virtual void setRowCnText(int row, const std::string& text) = 0;                 // 40-49
    virtual void setRowDate(int row, DateSerial date) = 0;                           // 50-59
    virtual void setSoilCText(const std::string& text) = 0;                          // 60
    virtual void setBulkDensityText(const std::string& text) = 0;                    // 61
    virtual void setDepthText(const std::string& text) = 0;                          // 62
    virtual void setStockText(const std::string& text) = 0;                          // 63
    virtual void setNminText(const std::string& text) = 0;                           // 64
    virtual void setTextureIndex(int index) = 0;                                     // 65
    virtual void setTillageIndex(int index) = 0;                                     // 66
    virtual void setDailyOutput(bool daily) = 0;                                     // 67
};

// Applies a setting file's text line by line. Missing lines read as empty. A line that is not
// the whole number or date it should hold stops with OrvekError "Invalid numeric input", the
// lines before it applied. With "F" on line 8 the rows stay unchecked whatever lines 10-19 say.
// Relative paths of the weather file and the events workbook are taken from baseFolder (the
// setting file's own folder), so that a setting file can travel with its weather file.
void applySettingFile(std::string_view content, SettingTarget& target,
                      const std::string& baseFolder = std::string());

// A date line: a day number (any decimal number; its fraction is a time of day and dropped) that
// a date field can hold.
bool parseDateLine(const std::string& line, DateSerial& out);

} // namespace orvek
