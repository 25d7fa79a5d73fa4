#include "BatchRunner.h"

#include <cstdio>
#include <sys/wait.h>

namespace orvek::test {

BatchResult runBatch(const std::string& arguments, const std::string& folder) {
    const std::string command =
        "cd '" + folder + "' && '" + ORVEK_BATCH_EXE + "' " + arguments + " 2>&1";
    BatchResult r;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return r;
    }
    char buf[4096];
    size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) {
        r.output.append(buf, n);
    }
    const int status = ::pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

} // namespace orvek::test
