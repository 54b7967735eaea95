#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "testing/ModalDriver.h"
#include "testing/Screenshot.h"
#include "testing/TestPaths.h"
#include "testing/Waiting.h"

// The log reads its configuration once per process, so every case runs the
// small program logprobe.exe, configured through its own key, and checks the
// file it leaves.
namespace {

const char kLogKey[] = "SOFTWARE\\Merrowind\\Application\\logprobe\\Log";

struct Config {
    const char* dir = nullptr;
    const char* filename = nullptr;
    int level = -1;  // -1: no value
    int console = -1;
};

void configure(const Config& config) {
    RegDeleteTreeA(HKEY_CURRENT_USER, kLogKey);
    auto text = [](const char* name, const char* value) {
        if (value != nullptr) {
            RegSetKeyValueA(HKEY_CURRENT_USER, kLogKey, name, REG_SZ, value, static_cast<DWORD>(std::strlen(value) + 1));
        }
    };
    auto number = [](const char* name, int value) {
        DWORD data = static_cast<DWORD>(value);
        if (value >= 0) RegSetKeyValueA(HKEY_CURRENT_USER, kLogKey, name, REG_DWORD, &data, sizeof data);
    };
    text("dir", config.dir);
    text("filename", config.filename);
    number("level", config.level);
    number("console", config.console);
}

// Runs logprobe.exe with arguments in folder and waits for it, handling this
// thread's messages meanwhile (the probe may send to a window of ours).
int runProbe(const std::string& arguments, const std::string& folder) {
    std::string program = testing_support::nativePath(TARNWICK_BINARY_DIR "/foundation/logprobe.exe");
    return testing_support::runProgram("\"" + program + "\" " + arguments, folder);
}

bool fileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<std::string> readLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

const std::regex& timePrefix() {
    static const std::regex pattern(
        "(Sun|Mon|Tue|Wed|Thu|Fri|Sat) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
        "[ 123][0-9] [0-2][0-9]:[0-5][0-9]:[0-5][0-9] [0-9]{4}  ");
    return pattern;
}

// The line without its 24-character time text and the two spaces after it;
// "(bad time)" when the line does not start with them.
std::string withoutTime(const std::string& line) {
    if (line.size() < 26 || !std::regex_match(line.substr(0, 26), timePrefix())) return "(bad time) " + line;
    return line.substr(26);
}

std::vector<std::string> messagesOf(const std::string& path) {
    std::vector<std::string> messages;
    for (const std::string& line : readLines(path)) messages.push_back(line.empty() ? "" : withoutTime(line));
    return messages;
}

using Lines = std::vector<std::string>;

class LogTest : public testing::Test {
protected:
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, kLogKey); }
};

}  // namespace

TEST_F(LogTest, NothingWithoutConfiguration) {
    std::string folder = testing_support::freshFolder("LogNoKey");
    RegDeleteTreeA(HKEY_CURRENT_USER, kLogKey);
    EXPECT_EQ(runProbe("lines", folder), 0);
    EXPECT_FALSE(fileExists(folder + "\\logprobe.log"));

    Config level0;
    level0.level = 0;
    configure(level0);
    EXPECT_EQ(runProbe("lines", folder), 0);
    EXPECT_FALSE(fileExists(folder + "\\logprobe.log"));
}

TEST_F(LogTest, LevelsFilterAndLineFormat) {
    const Lines errors = {"Error: error line 1"};
    const Lines debug = {"Error: error line 1", "Debug: debug line 2", "Debug: ends in a line feed", ""};
    const Lines trace = {"Error: error line 1", "Debug: debug line 2", "Trace: trace line 3",
                         "Debug: ends in a line feed", ""};
    struct Case {
        int level;
        int console;
        Lines expected;
    } cases[] = {{1, -1, errors}, {2, -1, debug}, {3, -1, trace}, {7, -1, trace}, {2, 1, debug}};
    // With "console" set but no window published, only the file is written.
    RemovePropA(GetDesktopWindow(), "SCROLLED_TEXT");
    int run = 0;
    for (const Case& c : cases) {
        std::string folder = testing_support::freshFolder("LogLevel" + std::to_string(run++));
        Config config;
        config.level = c.level;
        config.console = c.console;
        configure(config);
        EXPECT_EQ(runProbe("lines", folder), 0);
        EXPECT_EQ(messagesOf(folder + "\\logprobe.log"), c.expected) << "level " << c.level;
    }
}

TEST_F(LogTest, AppendsAndCutsLongMessages) {
    std::string folder = testing_support::freshFolder("LogLong");
    Config config;
    config.level = 1;
    config.filename = "  long.txt\r\n";
    configure(config);
    EXPECT_EQ(runProbe("long", folder), 0);
    EXPECT_EQ(runProbe("long", folder), 0);
    Lines messages = messagesOf(folder + "\\long.txt");
    ASSERT_EQ(messages.size(), 2u);
    for (const std::string& message : messages) EXPECT_EQ(message, "Error: " + std::string(30718, 'x'));
}

TEST_F(LogTest, Folders) {
    std::string root = testing_support::freshFolder("LogFolders");
    std::string blocker = root + "\\blocker";
    std::ofstream(blocker) << "a file where a folder should be";
    std::string nested = root + "\\made\\on\\demand";
    std::string longFolder = root + "\\" + std::string(120, 'd') + "\\" + std::string(235 - root.size() - 122, 'e');
    struct Case {
        const char* name;
        std::string dir;
        const char* filename;
        std::string expectedFile;
    } cases[] = {
        {"spaces", "   ", nullptr, "logprobe.log"},
        {"nested", nested, nullptr, nested + "\\logprobe.log"},
        {"uncreatable", blocker + "\\sub", nullptr, "logprobe.log"},
        // Folder and name together exceed the 259-character path: the log
        // goes to the current folder.
        {"too long", longFolder, "a-log-file-with-a-long-name.log", "a-log-file-with-a-long-name.log"},
    };
    int run = 0;
    for (const Case& c : cases) {
        std::string current = testing_support::freshFolder("LogFoldersCwd" + std::to_string(run++));
        Config config;
        config.level = 2;
        config.dir = c.dir.c_str();
        config.filename = c.filename;
        configure(config);
        EXPECT_EQ(runProbe("lines", current), 0) << c.name;
        std::string expected = c.expectedFile.find('\\') == std::string::npos ? current + "\\" + c.expectedFile
                                                                               : c.expectedFile;
        EXPECT_EQ(readLines(expected).size(), 4u) << c.name << ": " << expected;
    }
    EXPECT_GE(longFolder.size() + 1 + std::strlen("a-log-file-with-a-long-name.log"), 260u);
}

TEST_F(LogTest, ConcurrentLinesStayWhole) {
    std::string folder = testing_support::freshFolder("LogThreads");
    Config config;
    config.level = 2;
    configure(config);
    const int threads = 8, lines = 1000;
    EXPECT_EQ(runProbe("threads 8 1000", folder), 0);
    std::vector<std::vector<bool>> seen(threads, std::vector<bool>(lines, false));
    const std::regex whole("Debug: thread=([0-7]) line=([0-9]+) ([a-h]{300}) end");
    int count = 0, bad = 0;
    for (const std::string& message : messagesOf(folder + "\\logprobe.log")) {
        std::smatch match;
        ++count;
        if (!std::regex_match(message, match, whole)) {
            if (++bad < 5) ADD_FAILURE() << "torn line: " << message.substr(0, 120);
            continue;
        }
        int t = std::stoi(match[1]), i = std::stoi(match[2]);
        if (i < lines && match[3].str() == std::string(300, static_cast<char>('a' + t))) seen[t][i] = true;
    }
    EXPECT_EQ(count, threads * lines);
    EXPECT_EQ(bad, 0);
    for (int t = 0; t < threads; ++t) {
        for (int i = 0; i < lines; ++i) EXPECT_TRUE(seen[t][i]) << t << "/" << i;
    }
}

TEST_F(LogTest, ConsoleMirrorKeepsTheVisibleLines) {
    std::string folder = testing_support::freshFolder("LogConsole");
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = "TarnwickLogConsoleTest";
    RegisterClassA(&windowClass);
    HWND frame = CreateWindowExA(0, windowClass.lpszClassName, "Log console", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 360, 200,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(frame, nullptr);
    HWND edit = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                                WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY, 0,
                                0, 340, 160, frame, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(edit, nullptr);
    SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
    const int limit = 300;
    SendMessageA(edit, EM_SETLIMITTEXT, limit, 0);
    ASSERT_TRUE(SetPropA(GetDesktopWindow(), "SCROLLED_TEXT", edit));

    Config config;
    config.level = 2;
    config.console = 1;
    configure(config);
    const int count = 40;
    EXPECT_EQ(runProbe("console " + std::to_string(count), folder), 0);
    RemovePropA(GetDesktopWindow(), "SCROLLED_TEXT");

    const std::string shown = testing_support::windowText(edit);
    EXPECT_LT(static_cast<int>(shown.size()), limit);
    // What is left are whole lines, the last ones written, in order.
    std::vector<std::string> lines;
    std::istringstream in(shown);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    ASSERT_GE(lines.size(), 2u) << shown;
    ASSERT_LT(lines.size(), static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        char expected[32];
        snprintf(expected, sizeof expected, "console line %02d", count - static_cast<int>(lines.size()) + static_cast<int>(i));
        EXPECT_EQ(lines[i], expected) << shown;
    }
    EXPECT_EQ(messagesOf(folder + "\\logprobe.log").size(), static_cast<std::size_t>(count));
    EXPECT_FALSE(testing_support::saveScreenshot(edit, "LogConsole").empty());
    DestroyWindow(frame);
}
