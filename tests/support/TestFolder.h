#pragma once

#include <string>
#include <string_view>

namespace orvek::test {

// A fresh temporary folder for one test, removed with everything in it when the test ends.
class TestFolder {
public:
    TestFolder();
    ~TestFolder();
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    // The folder with a trailing separator.
    const std::string& path() const { return m_path; }
    std::string file(std::string_view name) const { return m_path + std::string(name); }

    void write(std::string_view name, std::string_view content) const;
    static void writeFile(const std::string& path, std::string_view content);
    std::string read(std::string_view name) const;
    bool exists(std::string_view name) const;
    // Copies a file of the bundled data/ folder into this folder.
    void copyData(std::string_view name) const;
    // The bundled parameter, option and substrate files.
    void copyStandardFiles() const;

private:
    std::string m_path;
};

// Sets an environment variable (or unsets it, for nullptr) for the object's lifetime.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value);
    ~ScopedVariable();
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    std::string m_name;
    std::string m_previous;
    bool m_wasSet = false;
};

// The bundled data/ folder and the test fixtures folder, with trailing separators.
std::string dataDir();
std::string testDataDir();

// Reads a whole file; an empty text when it does not exist.
std::string readFile(const std::string& path);

// A daily weather file: four header lines, then one line per day from the given date with the
// same Tmax and Tmin every day.
std::string constantDailyWeather(int year, int firstDay, int days, double tmax, double tmin);

} // namespace orvek::test
