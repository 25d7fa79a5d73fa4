#include "LibreOffice.h"

#include "TestFolder.h"

#include "basics/Files.h"

#include <cstdlib>

namespace orvek::test {

bool haveLibreOffice() {
    return std::system("command -v soffice > /dev/null 2>&1") == 0;
}

std::string convertWithLibreOffice(const std::string& folder, const std::string& target,
                                   const std::vector<std::string>& files,
                                   const std::string& outFolder) {
    const std::string base = withTrailingSeparator(folder);
    std::string command = "cd '" + base + "' && timeout 180 soffice -env:UserInstallation=file://" +
                          base + "lo-profile --headless --norestore --convert-to " + target +
                          " --outdir '" + outFolder + "'";
    for (const std::string& f : files) {
        command += " '" + f + "'";
    }
    command += " > '" + base + "soffice.log' 2>&1";
    if (std::system(command.c_str()) == 0) {
        return std::string();
    }
    const std::string log = readFile(base + "soffice.log");
    return log.empty() ? std::string("soffice failed") : log;
}

} // namespace orvek::test
