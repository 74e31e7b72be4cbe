#include "OutputCheck.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

namespace {

int FirstError = 0; // errno of the first failed write seen, 0 while none

bool Failed() {
    return std::ferror(stdout) != 0 || std::cout.fail();
}

} // namespace

bool StandardOutputFailed() {
    if (!Failed()) return false;
    if (FirstError == 0) FirstError = errno != 0 ? errno : EIO;
    return true;
}

int FinishStandardOutput(const std::string& prefix, int exitCode) {
    StandardOutputFailed(); // a failure of the last write still has its errno
    errno = 0;
    std::cout.flush();
    const bool flushed = std::fflush(stdout) == 0;
    if (FirstError == 0 && (!flushed || Failed())) FirstError = errno != 0 ? errno : EIO;
    if (FirstError == 0 || exitCode != 0) return exitCode;
    std::cerr << prefix << ": cannot write standard output: " << std::strerror(FirstError) << "\n";
    return 1;
}
