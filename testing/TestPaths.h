#pragma once

#include <string>

namespace testing_support {

// A fresh, empty folder for one test's files inside the build tree
// (<build>/test-output/<name>), in the platform's own path form. Under Wine
// it is a Z: path. Ends without a separator.
std::string freshFolder(const std::string& name);

// The folder where GUI tests leave their screenshots
// (<build>/screenshots), created on demand.
std::string screenshotFolder();

// A build-tree path (given as the build tree sees it) in the running
// program's own form.
std::string nativePath(const std::string& buildPath);

// The whole content of a file ("" when it cannot be read).
std::string readBytes(const std::string& path);

}  // namespace testing_support
