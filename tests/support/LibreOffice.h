#pragma once

#include <string>
#include <vector>

namespace orvek::test {

// Whether LibreOffice's soffice is installed (scripts/setup-deps installs it).
bool haveLibreOffice();

// Converts the files of a folder with one headless LibreOffice start, in a profile of its own
// inside the folder and with a time limit; the converted files land in outFolder. Returns an
// empty text, or LibreOffice's output when the conversion failed.
std::string convertWithLibreOffice(const std::string& folder, const std::string& target,
                                   const std::vector<std::string>& files,
                                   const std::string& outFolder);

} // namespace orvek::test
