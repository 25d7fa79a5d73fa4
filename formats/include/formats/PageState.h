#pragma once

#include "basics/DateSerial.h"

#include <array>
#include <string>

namespace orvek {

inline constexpr int kEventRows = 10;
inline constexpr DateSerial kInitialPickerDate = 38353; // 1 January 2005

// One event row of the input page.
struct EventRowState {
    bool checked = false;                 // CheckBox2..CheckBox11
    int typeIndex = -1;                   // ComboBox1..ComboBox10, -1 when nothing is selected
    std::string cText;                    // adpEdit4..adpEdit13, Mg C/ha
    std::string cnText;                   // adpEdit14..adpEdit23
    DateSerial date = kInitialPickerDate; // DateTimePicker3..DateTimePicker12
};

// A plain snapshot of everything the input page holds. Which fields are enabled follows from it:
// a row's fields exactly when the row is checked, its C:N field also needs C & N mode; the Nmin
// field needs C & N mode; the events file name needs workbook mode; the row check boxes need
// panel mode.
struct PageState {
    bool carbonOnly = true; // RadioButton3 "C only" / RadioButton4 "C && N"

    DateSerial startDate = kInitialPickerDate; // DateTimePicker1
    DateSerial endDate = kInitialPickerDate;   // DateTimePicker2
    // The range every date field accepts: any date until a weather file is chosen, then its
    // period. Setting files neither save nor restore it.
    DateSerial firstDate = kFirstFieldDate;
    DateSerial lastDate = kLastFieldDate;

    std::string weatherFolder;     // WeatherFolder, ends with a separator
    std::string weatherFileName;   // StaticText3
    std::string weatherKindText;   // StaticText5
    std::string weatherPeriodText; // StaticText2
    bool dailyWeather = false;     // DailyWeather

    bool eventsOnPanel =
        true;               // RadioButton5 "Set on this panel" / RadioButton6 "Set in Excel file"
    std::string eventsFile; // EventsFile, full path
    std::string eventsFileName; // StaticText1

    std::array<EventRowState, kEventRows> rows;

    std::string soilCText;       // adpEdit24, g/kg
    std::string bulkDensityText; // adpEdit25, g/cm^3
    std::string depthText;       // adpEdit26, cm
    std::string stockText;       // StaticText4, Mg/ha
    std::string nminText;        // adpEdit27, kg/ha
    int textureIndex = 0;        // ComboBox11: 0 Sand, 1 Loam, 2 Clay, -1 none
    int tillageIndex = 0;        // ComboBox12: 0 Conventional, -1 none

    bool dailyOutput = true; // RadioButton1 "Daily" / RadioButton2 "Monthly"

    bool rowFieldsEnabled(int row) const { return rows[static_cast<size_t>(row)].checked; }
    bool rowCnEnabled(int row) const { return rowFieldsEnabled(row) && !carbonOnly; }
    bool nminEnabled() const { return !carbonOnly; }
    bool eventsFileEnabled() const { return !eventsOnPanel; }
    bool rowCheckBoxesEnabled() const { return eventsOnPanel; }
};

inline constexpr const char* kTextureNames[3] = {"Sand", "Loam", "Clay"};
inline constexpr const char* kTillageNames[1] = {"Conventional"};

} // namespace orvek
