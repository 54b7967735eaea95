#include "standins/pdftk/PdftkArguments.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "testing/TestPaths.h"

using pdftk_standin::FileArgument;

namespace {

// "i:A=" for an input at i with handle A, "o:" for the output.
std::vector<std::string> describe(const std::vector<FileArgument>& files) {
    std::vector<std::string> texts;
    for (const FileArgument& file : files) {
        texts.push_back(std::to_string(file.index) + (file.output ? "o:" : "i:") + file.prefix + file.path);
    }
    return texts;
}

}  // namespace

TEST(PdftkArguments, FindsTheFilesOfACommandLine) {
    struct Case {
        std::vector<std::string> arguments;
        std::vector<std::string> files;
    } cases[] = {
        // The two command lines the product writes.
        {{"A=C:\\w\\{G}.pdf", "output", "C:\\My Files\\a b.pdf", "user_pw", "0a1b", "allow", "Printing",
          "owner_pw", "ffee", "dont_ask"},
         {"0i:A=C:\\w\\{G}.pdf", "2o:C:\\My Files\\a b.pdf"}},
        {{"A=C:\\w\\{G}.pdf", "input_pw", "A=0a1b", "output", "C:\\x.pdf", "dont_ask"},
         {"0i:A=C:\\w\\{G}.pdf", "4o:C:\\x.pdf"}},
        // Plain inputs, handles of several letters, relative names.
        {{"in.pdf", "BB=..\\two.pdf", "cat", "output", "out.pdf"}, {"0i:in.pdf", "1i:BB=..\\two.pdf", "4o:out.pdf"}},
        // Not a handle: lower case, or the '=' belongs to the file name.
        {{"a=b.pdf", "C:\\x=y.pdf", "output", "o.pdf"}, {"0i:a=b.pdf", "1i:C:\\x=y.pdf", "3o:o.pdf"}},
        // Standard input and output, PROMPT, and a missing output name.
        {{"-", "PROMPT", "output", "-"}, {}},
        {{"in.pdf", "output"}, {"0i:in.pdf"}},
        // A file read by an operation counts as an input.
        {{"in.pdf", "background", "bg.pdf", "output", "o.pdf"}, {"0i:in.pdf", "2i:bg.pdf", "4o:o.pdf"}},
        // Passwords that look like keywords' arguments are never files.
        {{"in.pdf", "input_pw", "output", "o.pdf"}, {"0i:in.pdf", "3o:o.pdf"}},
        {{}, {}},
    };
    for (const Case& c : cases) {
        std::string joined;
        for (const std::string& a : c.arguments) joined += a + " ";
        EXPECT_EQ(describe(pdftk_standin::findFileArguments(c.arguments)), c.files) << joined;
    }
}

TEST(PdftkArguments, ParsesStatusText) {
    struct Case {
        const char* text;
        int status;
    } cases[] = {{"0\n", 0}, {"1\n", 1}, {"127", 127}, {"255\r\n", 255}, {"", -1},
                 {"\n", -1}, {"-1\n", -1}, {"256\n", -1}, {"1 2\n", -1}, {"x\n", -1}};
    for (const Case& c : cases) EXPECT_EQ(pdftk_standin::parseStatus(c.text), c.status) << c.text;
}

#ifndef _WIN32
// The script is run by the real /bin/sh: every argument must arrive byte for
// byte, and the status file must carry the program's exit code.
TEST(PdftkArguments, ScriptPassesArgumentsUnchangedAndLeavesTheStatus) {
    const std::string folder = testing_support::freshFolder("pdftk-script");
    const std::string status = folder + "/status";
    const std::string output = folder + "/out";
    const std::vector<std::string> arguments = {"plain", "two words", "it's", "'", "$HOME", "`id`", "a\\b", "\"q\"",
                                                "", "*", "A=/tmp/x y.pdf", "line\nbreak"};
    const std::string tool = folder + "/tool's dir.sh";
    {
        std::ofstream script(tool);
        script << "for a in \"$@\"; do printf '[%s]' \"$a\"; done\nexit 3\n";
    }
    const std::string scriptFile = folder + "/run.sh";
    std::vector<std::string> withTool = {tool};
    withTool.insert(withTool.end(), arguments.begin(), arguments.end());
    {
        std::ofstream script(scriptFile);
        script << pdftk_standin::buildScript("/bin/sh", withTool, status, output);
    }
    ASSERT_EQ(std::system(("/bin/sh " + pdftk_standin::shellQuote(scriptFile)).c_str()), 0);

    std::stringstream statusText, outputText;
    statusText << std::ifstream(status).rdbuf();
    outputText << std::ifstream(output).rdbuf();
    EXPECT_EQ(pdftk_standin::parseStatus(statusText.str()), 3);
    std::string expected;
    for (const std::string& a : arguments) expected += "[" + a + "]";
    EXPECT_EQ(outputText.str(), expected);
    EXPECT_FALSE(std::ifstream(status + ".tmp").good());
}
#endif
