#pragma once

#include "basics/DateSerial.h"

#include <string>
#include <string_view>
#include <vector>

namespace orvek {

inline constexpr const char* kOptionsFileName = "Option.Orvek";
inline constexpr const char* kSubstratesFileName = "Substrates.Orvek";

// The eleven lines of "Option.Orvek" as the Options dialog writes them.
struct OptionsValues {
    bool carbonOnly = true;
    DateSerial startDate = 38353;
    std::string soilC;
    std::string bulkDensity;
    std::string depth;
    std::string nmin;
    int textureIndex = 0;
    int tillageIndex = 0;
    bool resizable = false;
    std::string weatherFolder;
    std::string workingFolder;
};

std::string optionsFileContent(const OptionsValues& v);

// Receives the options file line by line (loadDefaults and the Options dialog).
class OptionsTarget {
public:
    virtual ~OptionsTarget() = default;
    virtual void setCarbonOnly(bool carbonOnly) = 0;           // line 1
    virtual void setStartDate(DateSerial date) = 0;            // 2
    virtual void setSoilCText(const std::string&) = 0;         // 3
    virtual void setBulkDensityText(const std::string&) = 0;   // 4
    virtual void setDepthText(const std::string&) = 0;         // 5
    virtual void setNminText(const std::string&) = 0;          // 6
    virtual void setTextureIndex(int index) = 0;               // 7
    virtual void setTillageIndex(int index) = 0;               // 8
    virtual void setResizable(bool resizable) = 0;             // 9
    virtual void setWeatherFolderText(const std::string&) = 0; // 10
    virtual void setWorkingFolderText(const std::string&) = 0; // 11
};

// Applies the options text line by line; missing lines read as empty, and a missing or
// unreadable whole number or date stops with OrvekError "Invalid numeric input" naming the file
// and the line, the lines before it applied.
void applyOptionsFile(std::string_view content, OptionsTarget& target,
                      const std::string& fileName = kOptionsFileName);

// The folder an options line names, with a trailing separator, or StartFolder when that folder
// does not exist (an empty or blank text names none).
std::string folderFromOption(const std::string& line, const std::string& startFolder);

// The entries of the substrate lists: the lines of "Substrates.Orvek", without trailing empty
// lines. Raises OrvekError when the file cannot be read.
std::vector<std::string> readSubstrateList(const std::string& path);

// Deletes the working files "~*.xls" and "*.~" from the folder (ordinary files only; hidden
// files are left alone, and a file that cannot be deleted is skipped).
void deleteTempFiles(const std::string& folder);

} // namespace orvek
