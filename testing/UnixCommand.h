#pragma once

#include <string>

namespace testing_support {

// The Unix name of a Windows path under Wine ("" outside Wine).
std::string unixPath(const std::string& windowsPath);

// Runs a shell script from Linux through Wine and waits for it (up to three
// minutes); its exit status, or -1. A Unix program started from Wine gives no
// usable process handle, so the script writes its status to a file in
// folder, which is polled.
int runUnix(const std::string& folder, const std::string& script);

}  // namespace testing_support
