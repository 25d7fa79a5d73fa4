#pragma once

#include <string>

namespace orvek::test {

// What orvek-batch printed (standard output and error together) and its exit status.
struct BatchResult {
    int status = -1;
    std::string output;
};

// Runs orvek-batch with the arguments (as a shell would split them) in the folder, as a user
// at a terminal would.
BatchResult runBatch(const std::string& arguments, const std::string& folder);

} // namespace orvek::test
