#pragma once

#include <string>
#include <vector>

// The Windows-independent half of the pdftk stand-in: which arguments of a
// pdftk command line name files, and how the translated command becomes a
// /bin/sh script.
namespace pdftk_standin {

// One argument that names a file, split into what pdftk reads before the
// file name (an input handle such as "A=", or nothing) and the file name.
struct FileArgument {
    size_t index = 0;       // position in the argument list
    std::string prefix;     // "A=" for a handle, otherwise empty
    std::string path;       // the file name as given
    bool output = false;    // the file pdftk writes
};

// The arguments (program name excluded) that name files: the input files
// before the first keyword, the single file after "output" and after the
// operations that read one more file (background, stamp, fill_form, ...).
// "-" (standard input or output) and "PROMPT" are not files. Passwords,
// including handle passwords after "input_pw", are never taken for files.
std::vector<FileArgument> findFileArguments(const std::vector<std::string>& arguments);

// The text in single quotes for /bin/sh: every byte kept as it is, a single
// quote written as '\''.
std::string shellQuote(const std::string& text);

// The script that runs program with arguments and leaves its exit status as
// decimal text in statusFile, written under a temporary name first so that
// the file appears complete or not at all. With an outputFile the program's
// standard output and error go there.
std::string buildScript(const std::string& program, const std::vector<std::string>& arguments,
                        const std::string& statusFile, const std::string& outputFile = std::string());

// The exit status written by such a script, or -1 when text is not one.
int parseStatus(const std::string& text);

}  // namespace pdftk_standin
