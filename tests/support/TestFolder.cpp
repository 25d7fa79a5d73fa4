#include "TestFolder.h"

#include "basics/DateSerial.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace orvek::test {

namespace fs = std::filesystem;

TestFolder::TestFolder() {
    std::string pattern = (fs::temp_directory_path() / "orvek-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    m_path = pattern + "/";
}

TestFolder::~TestFolder() {
    std::error_code ec;
    // Read-only files are removed too: the folder belongs to the test.
    for (auto it = fs::recursive_directory_iterator(m_path, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(m_path, ec);
}

void TestFolder::write(std::string_view name, std::string_view content) const {
    writeFile(file(name), content);
}

void TestFolder::writeFile(const std::string& path, std::string_view content) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

std::string TestFolder::read(std::string_view name) const {
    return readFile(file(name));
}

bool TestFolder::exists(std::string_view name) const {
    std::error_code ec;
    return fs::exists(file(name), ec);
}

void TestFolder::copyData(std::string_view name) const {
    write(name, readFile(dataDir() + std::string(name)));
}

void TestFolder::copyStandardFiles() const {
    for (const char* name :
         {"Parameter.Orvek", "Parameter, default.orvek", "Option.Orvek", "Substrates.Orvek"}) {
        copyData(name);
    }
}

std::string dataDir() {
    return std::string(ORVEK_DATA_DIR) + "/";
}

std::string testDataDir() {
    return std::string(ORVEK_TEST_DATA_DIR) + "/";
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string constantDailyWeather(int year, int firstDay, int days, double tmax, double tmin) {
    std::string s = "Test site\r\nConstant weather\r\nColumns: year, day, Tmax, Tmin, rain\r\n"
                    "YEAR\tDAY\tTMAX\tTMIN\tPRCP\r\n";
    int y = year;
    int d = firstDay;
    char buf[96];
    for (int k = 0; k < days; ++k) {
        std::snprintf(buf, sizeof buf, "%d\t%d\t%.1f\t%.1f\t0.0\r\n", y, d, tmax, tmin);
        s += buf;
        if (++d > daysInYear(y)) {
            d = 1;
            ++y;
        }
    }
    return s;
}

ScopedVariable::ScopedVariable(const char* name, const char* value) : m_name(name) {
    if (const char* previous = std::getenv(name)) {
        m_wasSet = true;
        m_previous = previous;
    }
    if (value) {
        ::setenv(name, value, 1);
    } else {
        ::unsetenv(name);
    }
}

ScopedVariable::~ScopedVariable() {
    if (m_wasSet) {
        ::setenv(m_name.c_str(), m_previous.c_str(), 1);
    } else {
        ::unsetenv(m_name.c_str());
    }
}

} // namespace orvek::test
