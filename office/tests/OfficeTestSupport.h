#pragma once

// What the Office tests share: the stand-in's journal and fault switches,
// sample documents, files, the stand-in's processes and the independent
// decryptor run from Linux.

#include <windows.h>

#include <atomic>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "testing/UnixCommand.h"

namespace office_test {

using testing_support::runUnix;
using testing_support::unixPath;
using Bytes = std::vector<unsigned char>;

// One journal line: "pid TAB App.Object.Member TAB kind TAB args TAB -> result TAB lcid".
struct Call {
    std::string member;  // "Word.Documents.Open"
    std::string kind;    // "method", "get", "put", ...
    std::string args;    // "FileName=BSTR:\"...\"; ConfirmConversions=omitted; ..."
    std::string result;  // "-> 0x00000000 ..."
    std::string locale;  // "0x0000"
};

// Journal and faults of the stand-in (HKCU "Software\Tarnwick Stand-ins\Office").
void setJournal(const std::string& path);  // "" stops it
// PowerPoint's prompt and error box photograph themselves as
// <prefix>PasswordPrompt.png / <prefix>PasswordError.png ("" stops it).
void setScreenshotPrefix(const std::string& prefix);
std::vector<Call> readJournal(const std::string& path);
void setFault(const std::string& member, const std::string& value);  // "" removes it
void clearFaults();

// A stand-in sample document (standins/office/tests/data).
std::string sample(const std::string& name);
Bytes readFile(const std::string& path);
bool exists(const std::string& path);
// The names in a folder (without "." and "..").
std::vector<std::string> listFolder(const std::string& folder);

// Live office-standin.exe processes.
int standinProcessCount();
// Waits up to timeoutMs for no stand-in process to be left; true when none is.
bool waitForNoStandins(DWORD timeoutMs);


// Writes the installed-Office version keys through the stand-in
// ("12", "11", "11+converters", "11+export", "14", "none", ...), the machine
// keys in the registry view of a 32-bit Office ("32") or a 64-bit one ("64").
bool setOfficeVersion(const std::string& choice, const std::string& view = "32");
// Runs the stand-in's program with these arguments ("/RegServer", ...).
bool runStandin(const std::string& arguments);

// The most stand-in processes seen at once while it lives, looked at every
// 50 ms from a thread of its own.
class OfficeWatch {
public:
    OfficeWatch();
    ~OfficeWatch();
    OfficeWatch(const OfficeWatch&) = delete;
    OfficeWatch& operator=(const OfficeWatch&) = delete;
    int seen() const { return seen_; }

private:
    std::atomic<bool> watching_{true};
    std::atomic<int> seen_{0};
    std::thread thread_;
};

// The Office stand-in unregistered for one scope, registered again after it.
struct NoOfficeRegistered {
    NoOfficeRegistered() { registered = runStandin("/UnregServer"); }
    ~NoOfficeRegistered() { runStandin("/RegServer"); }
    bool registered = false;
};

// Every stream of a compound file, by its path of storage names ("a/b");
// empty when it cannot be opened.
std::map<std::wstring, std::string> streamsOf(const std::string& path);

// Password-encrypted as the file list judges it; for a binary presentation
// by its Current User header token (the stand-in keeps the summary plain, so
// there is no EncryptedSummary stream to find).
bool isProtected(const std::string& path);

// The password the product derives for a path.
std::string officePassword(const std::string& path);

// Checks with msoffcrypto-tool, run from Linux, that each Office file opens
// with its derived password (verified, and with the package's integrity for
// Open XML) and not with a wrong one. The report has one line per file:
// "OK <unix path>", "FAIL <unix path> <why>" or
// "WRONG-PASSWORD-ACCEPTED <unix path>"; with the original of a package
// (originals[i], "" for none) also "DIFFERENT <unix path>" when what it
// decrypts to is not that file byte for byte. Works in folder.
std::string checkOfficePasswords(const std::string& folder, const std::vector<std::string>& paths,
                                 const std::vector<std::string>& originals = {});

// Checks with LibreOffice (headless, run from Linux) that each document
// opens with its derived password, not with a wrong one, and shows the text
// of its original (originals[i]). One line per file: "LO-OK <unix path>",
// "LO-FAIL ...", "LO-DIFFERENT ..." or "LO-WRONG-PASSWORD-ACCEPTED ...";
// "LO-MISSING" when LibreOffice is not installed (office/tests/check-libreoffice.py).
std::string checkWithLibreOffice(const std::string& folder, const std::vector<std::string>& paths,
                                 const std::vector<std::string>& originals);

}  // namespace office_test

#include <gtest/gtest.h>

namespace office_test {

// One expected journal entry; args and locale are compared when not null.
struct Expected {
    const char* member;
    const char* kind;
    const char* args;
    const char* locale = nullptr;
};

// Compares the journal with the expected calls, in order, one by one.
void expectCalls(const std::vector<Call>& calls, const std::vector<Expected>& expected);
// The calls whose member starts with prefix.
std::vector<Call> callsOf(const std::vector<Call>& calls, const std::string& prefix);

// Base of the tests that drive the stand-in: a fresh folder and journal per
// test, the user32 module set as start-up sets it, faults cleared, and at
// the end the check that no stand-in process outlives the test.
class OfficeFixture : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::vector<Call> journal() const { return readJournal(journalPath); }
    // Copies a sample into the test's folder under another name.
    std::string copySample(const std::string& sampleName, const std::string& as);

    std::string folder;
    std::string journalPath;
};

}  // namespace office_test

#include <initializer_list>
#include <utility>

#include "office/OfficeApplication.h"

namespace office_test {

// A session whose GUIDs are predictable: "{00000000-0000-0000-0000-00000000000N}"
// with N counting up from 1 (the backup takes one, the engine the next).
class PredictableSession : public OfficeApplication {
public:
    PredictableSession(int doc, int ppt, int xls) : OfficeApplication(doc, ppt, xls) {}
    explicit PredictableSession(BuiltIn engine) : OfficeApplication(engine) {}
    static std::string guidText(int n);
    int guidsGiven = 0;
    bool failGuids = false;

protected:
    bool newGuidText(String& text) override;
};

// "Name=value; Name=omitted; ..." for a member's parameters, the given
// ones by position.
std::string describeArgs(std::initializer_list<const char*> names,
                         std::initializer_list<std::pair<int, std::string>> given);
std::string bstr(const std::string& text);  // BSTR:"text"

}  // namespace office_test
