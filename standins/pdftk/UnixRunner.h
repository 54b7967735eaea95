#pragma once

#include <string>
#include <vector>

// Running Unix programs from a Windows program under Wine, which cannot hand
// a Unix program's exit code back: the program runs inside a /bin/sh script
// that leaves its status in a file, and the caller waits for that file.
// Used by the pdftk stand-in and by tests that check files with Unix tools.
namespace unix_runner {

// The Unix name of a Windows path (made absolute first), in the Unix
// file-name encoding; empty when there is none (not under Wine).
std::string unixName(const std::wstring& path);

// Runs program (a Unix path) with arguments (Unix text, passed unchanged)
// and returns its exit status, or -1 when it could not be run. When output
// is given, it receives the program's standard output and error.
int run(const std::string& program, const std::vector<std::string>& arguments, std::string* output = nullptr);

std::string toUtf8(const std::wstring& text);
std::wstring fromUtf8(const std::string& text);

}  // namespace unix_runner
