#pragma once

#include <string>

namespace testing_support {

// Has the running test program write its log at the debug level into a
// fresh folder of the build tree and returns the log file's path. The
// settings are written by the first call, which must come before the
// program's first log line: the log reads them once.
std::string debugLog();

}  // namespace testing_support
