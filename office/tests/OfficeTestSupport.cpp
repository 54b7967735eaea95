#include "OfficeTestSupport.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "classify/EncryptedFileFinder.h"
#include "foundation/String.h"
#include "settings/PasswordGenerator.h"
#include "testing/TestPaths.h"
#include "testing/UnixCommand.h"
#include "testing/Waiting.h"

namespace office_test {

namespace {

const char kConfigKey[] = "Software\\Tarnwick Stand-ins\\Office";

void writeValue(const std::string& key, const std::string& name, const std::string& value) {
    HKEY h;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr) != ERROR_SUCCESS)
        return;
    if (value.empty()) {
        RegDeleteValueA(h, name.c_str());
    } else {
        RegSetValueExA(h, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       DWORD(value.size() + 1));
    }
    RegCloseKey(h);
}

std::vector<std::string> split(const std::string& line, char separator) {
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    for (;;) {
        std::string::size_type at = line.find(separator, start);
        parts.push_back(line.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos) return parts;
        start = at + 1;
    }
}

}  // namespace

void setJournal(const std::string& path) { writeValue(kConfigKey, "Journal", path); }

void setScreenshotPrefix(const std::string& prefix) { writeValue(kConfigKey, "ScreenshotPrefix", prefix); }

std::vector<Call> readJournal(const std::string& path) {
    std::vector<Call> calls;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> f = split(line, '\t');
        if (f.size() < 6) continue;
        Call c;
        c.member = f[1];
        c.kind = f[2];
        c.args = f[3];
        c.result = f[4];
        c.locale = f.back().rfind("lcid ", 0) == 0 ? f.back().substr(5) : "";
        calls.push_back(c);
    }
    return calls;
}

void setFault(const std::string& member, const std::string& value) {
    writeValue(std::string(kConfigKey) + "\\Faults", member, value);
}

void clearFaults() { RegDeleteTreeA(HKEY_CURRENT_USER, (std::string(kConfigKey) + "\\Faults").c_str()); }

std::string sample(const std::string& name) {
    return testing_support::nativePath(std::string(TARNWICK_SOURCE_DIR) + "/standins/office/tests/data/" + name);
}

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<std::string> listFolder(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name = data.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return names;
}

int standinProcessCount() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    int count = 0;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        if (lstrcmpiA(entry.szExeFile, "office-standin.exe") == 0) ++count;
    }
    CloseHandle(snapshot);
    return count;
}

bool waitForNoStandins(DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (standinProcessCount() > 0) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(100);
    }
    return true;
}

OfficeWatch::OfficeWatch()
    : thread_([this] {
          while (watching_) {
              seen_ = std::max(seen_.load(), standinProcessCount());
              Sleep(50);
          }
      }) {}

OfficeWatch::~OfficeWatch() {
    watching_ = false;
    thread_.join();
}

namespace {

void collectStreams(IStorage* storage, const std::wstring& prefix, std::map<std::wstring, std::string>& out) {
    IEnumSTATSTG* entries = nullptr;
    if (FAILED(storage->EnumElements(0, nullptr, 0, &entries))) return;
    STATSTG stat;
    while (entries->Next(1, &stat, nullptr) == S_OK) {
        std::wstring name = prefix + stat.pwcsName;
        if (stat.type == STGTY_STORAGE) {
            IStorage* child = nullptr;
            if (SUCCEEDED(storage->OpenStorage(stat.pwcsName, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0,
                                               &child))) {
                collectStreams(child, name + L"/", out);
                child->Release();
            }
        } else if (stat.type == STGTY_STREAM) {
            IStream* stream = nullptr;
            std::string data(static_cast<std::size_t>(stat.cbSize.QuadPart), '\0');
            ULONG got = 0;
            if (SUCCEEDED(storage->OpenStream(stat.pwcsName, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream))) {
                stream->Read(&data[0], static_cast<ULONG>(data.size()), &got);
                stream->Release();
            }
            out[name] = data.substr(0, got);
        }
        CoTaskMemFree(stat.pwcsName);
    }
    entries->Release();
}

}  // namespace

std::map<std::wstring, std::string> streamsOf(const std::string& path) {
    std::map<std::wstring, std::string> out;
    std::wstring wide(path.begin(), path.end());
    IStorage* root = nullptr;
    if (SUCCEEDED(StgOpenStorage(wide.c_str(), nullptr, STGM_READ | STGM_SHARE_DENY_WRITE, nullptr, 0, &root))) {
        collectStreams(root, L"", out);
        root->Release();
    }
    return out;
}

bool setOfficeVersion(const std::string& choice, const std::string& view) {
    return runStandin("/SetVersion " + choice + " " + view);
}

bool runStandin(const std::string& arguments) {
    std::string standin = testing_support::nativePath(std::string(TARNWICK_BINARY_DIR) + "/standins/office-standin.exe");
    return testing_support::runProgram("\"" + standin + "\" " + arguments, "", 30000) == 0;
}

bool isProtected(const std::string& path) {
    if (!endsWithIgnoreCase(path.c_str(), ".ppt") && !endsWithIgnoreCase(path.c_str(), ".pps")) {
        return EncryptedFileFinder().isPasswordEncrypted(path.c_str());
    }
    std::wstring wide(path.begin(), path.end());
    IStorage* root = nullptr;
    if (FAILED(StgOpenStorage(wide.c_str(), nullptr, STGM_READ | STGM_SHARE_DENY_WRITE, nullptr, 0, &root))) return false;
    IStream* stream = nullptr;
    unsigned char head[16] = {};
    ULONG read = 0;
    if (SUCCEEDED(root->OpenStream(L"Current User", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream))) {
        stream->Read(head, sizeof head, &read);
        stream->Release();
    }
    root->Release();
    unsigned token = head[12] | (head[13] << 8) | (head[14] << 16) | (unsigned(head[15]) << 24);
    return read == sizeof head && token == 0xF3D1C4DFu;
}

std::string officePassword(const std::string& path) {
    char password[33] = "";
    if (!PasswordGenerator::getOfficePasswordForPath(path.c_str(), password)) return std::string();
    return password;
}

namespace {

const char kPasswordChecker[] = R"PY(
import io, sys, msoffcrypto
def opens(path, pw):
    f = msoffcrypto.OfficeFile(open(path, 'rb'))
    xml = f.format == 'ooxml'
    f.load_key(password=pw, verify_password=True) if xml else f.load_key(password=pw)
    out = io.BytesIO()
    f.decrypt(out, verify_integrity=True) if xml else f.decrypt(out)
    return xml, out.getvalue()
for line in open(sys.argv[1]):
    path, pw, original = (line.rstrip('\n').split('\t') + [''])[:3]
    try:
        xml, plain = opens(path, pw)
        result = 'OK ' + path
        if xml and original and plain != open(original, 'rb').read():
            result = 'DIFFERENT ' + path
    except Exception as e:
        result = 'FAIL %s %r' % (path, e)
    try:
        opens(path, pw + 'x')
        result = 'WRONG-PASSWORD-ACCEPTED ' + path
    except Exception:
        pass
    print(result)
)PY";

}  // namespace

namespace {

// Runs a checker script from Linux over a listing of "path TAB derived
// password [TAB original]" lines; its report.
std::string runChecker(const std::string& folder, const std::string& script, const std::string& name,
                       const std::vector<std::string>& paths, const std::vector<std::string>& originals) {
    const std::string listing = folder + "\\" + name + ".txt";
    const std::string report = folder + "\\" + name + "-report.txt";
    {
        std::ofstream out(listing);
        for (std::size_t i = 0; i < paths.size(); ++i) {
            out << unixPath(paths[i]) << '\t' << officePassword(paths[i]);
            if (i < originals.size() && !originals[i].empty()) out << '\t' << unixPath(originals[i]);
            out << '\n';
        }
    }
    runUnix(folder, "/usr/bin/python3 '" + unixPath(script) + "' '" + unixPath(listing) + "' > '" +
                        unixPath(report) + "' 2>&1");
    std::ifstream in(report, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

std::string checkOfficePasswords(const std::string& folder, const std::vector<std::string>& paths,
                                 const std::vector<std::string>& originals) {
    const std::string script = folder + "\\check-office.py";
    std::ofstream(script) << kPasswordChecker;
    return runChecker(folder, script, "check-office", paths, originals);
}

std::string checkWithLibreOffice(const std::string& folder, const std::vector<std::string>& paths,
                                 const std::vector<std::string>& originals) {
    return runChecker(folder, testing_support::nativePath(TARNWICK_SOURCE_DIR "/office/tests/check-libreoffice.py"),
                      "check-libreoffice", paths, originals);
}

}  // namespace office_test

#include "office/OfficeVersion.h"
#include "wingui/ProcessWindows.h"

namespace office_test {

void expectCalls(const std::vector<Call>& calls, const std::vector<Expected>& expected) {
    std::string all;
    for (const Call& c : calls) all += c.member + " " + c.kind + " [" + c.args + "] " + c.result + " " + c.locale + "\n";
    ASSERT_EQ(calls.size(), expected.size()) << all;
    for (size_t i = 0; i < calls.size(); ++i) {
        SCOPED_TRACE("call " + std::to_string(i) + ": " + calls[i].member);
        EXPECT_EQ(calls[i].member, expected[i].member);
        EXPECT_EQ(calls[i].kind, expected[i].kind);
        if (expected[i].args != nullptr) {
            EXPECT_EQ(calls[i].args, expected[i].args);
        }
        if (expected[i].locale != nullptr) {
            EXPECT_EQ(calls[i].locale, expected[i].locale);
        }
    }
}

std::vector<Call> callsOf(const std::vector<Call>& calls, const std::string& prefix) {
    std::vector<Call> out;
    for (const Call& c : calls)
        if (c.member.rfind(prefix, 0) == 0) out.push_back(c);
    return out;
}

void OfficeFixture::SetUp() {
    static HMODULE user32 = LoadLibraryA("user32.dll");
    User32_SetModule(user32);
    OfficeVersion::resetCacheForTesting();
    clearFaults();
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string("office-") + info->test_suite_name() + "-" + info->name();
    for (char& c : name)
        if (c == '/') c = '-';
    folder = testing_support::freshFolder(name);
    journalPath = folder + "\\journal.txt";
    setJournal(journalPath);
}

void OfficeFixture::TearDown() {
    setJournal("");
    clearFaults();
    EXPECT_TRUE(waitForNoStandins(20000)) << standinProcessCount() << " stand-in processes outlived the test";
}

std::string OfficeFixture::copySample(const std::string& sampleName, const std::string& as) {
    std::string path = folder + "\\" + as;
    EXPECT_TRUE(CopyFileA(sample(sampleName).c_str(), path.c_str(), FALSE)) << sampleName;
    return path;
}

}  // namespace office_test

namespace office_test {

std::string PredictableSession::guidText(int n) {
    char text[64];
    snprintf(text, sizeof text, "{00000000-0000-0000-0000-%012d}", n);
    return text;
}

bool PredictableSession::newGuidText(String& text) {
    if (failGuids) return false;
    text = guidText(++guidsGiven).c_str();
    return true;
}

std::string describeArgs(std::initializer_list<const char*> names,
                         std::initializer_list<std::pair<int, std::string>> given) {
    std::string out;
    int index = 0;
    for (const char* name : names) {
        std::string value = "omitted";
        for (const auto& g : given)
            if (g.first == index) value = g.second;
        if (!out.empty()) out += "; ";
        out += std::string(name) + "=" + value;
        ++index;
    }
    return out;
}

std::string bstr(const std::string& text) { return "BSTR:\"" + text + "\""; }

}  // namespace office_test
