// Drives the stand-in exactly as a client does: CoCreateInstance by ProgID,
// OleRun, GetIDsOfNames and Invoke with positional and named arguments;
// then checks the files it leaves, with an independent decryptor as well.

#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <tlhelp32.h>
#include <ole2.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "classify/EncryptedFileFinder.h"
#include "doccrypt/PptCrypto.h"
#include "testing/ModalDriver.h"
#include "testing/TestPaths.h"
#include "testing/UnixCommand.h"
#include "testing/Waiting.h"

namespace {

using testing_support::runUnix;
using testing_support::unixPath;
using Bytes = std::vector<unsigned char>;

std::wstring wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }
std::string narrow(const std::wstring& s) { return std::string(s.begin(), s.end()); }

// ---- a small late-bound client ----

struct Arg {
    VARIANT v;
    Arg() {
        VariantInit(&v);
        V_VT(&v) = VT_ERROR;
        V_ERROR(&v) = DISP_E_PARAMNOTFOUND;
    }
    Arg(const wchar_t* s) {
        VariantInit(&v);
        V_VT(&v) = VT_BSTR;
        V_BSTR(&v) = SysAllocString(s);
    }
    Arg(const std::wstring& s) : Arg(s.c_str()) {}
    Arg(long n, VARTYPE vt = VT_I4) {
        VariantInit(&v);
        V_VT(&v) = vt;
        if (vt == VT_BOOL) V_BOOL(&v) = n ? VARIANT_TRUE : VARIANT_FALSE;
        else if (vt == VT_INT) V_INT(&v) = int(n);
        else V_I4(&v) = n;
    }
    Arg(int n) : Arg(long(n)) {}
    Arg(const Arg& o) {
        VariantInit(&v);
        VariantCopy(&v, const_cast<VARIANT*>(&o.v));
    }
    Arg& operator=(const Arg& o) {
        if (this != &o) {
            VariantClear(&v);
            VariantCopy(&v, const_cast<VARIANT*>(&o.v));
        }
        return *this;
    }
    ~Arg() { VariantClear(&v); }
};
const Arg omitted;

struct Result {
    HRESULT hr = E_FAIL;
    VARIANT value;
    EXCEPINFO excep{};
    Result() { VariantInit(&value); }
    Result(const Result&) = delete;
    Result(Result&& o) noexcept : hr(o.hr), value(o.value), excep(o.excep) {
        VariantInit(&o.value);
        o.excep = EXCEPINFO{};
    }
    Result& operator=(Result&& o) noexcept {
        std::swap(hr, o.hr);
        std::swap(value, o.value);
        std::swap(excep, o.excep);
        return *this;
    }
    ~Result() {
        VariantClear(&value);
        SysFreeString(excep.bstrSource);
        SysFreeString(excep.bstrDescription);
    }
    IDispatch* object() const { return V_VT(&value) == VT_DISPATCH ? V_DISPATCH(&value) : nullptr; }
    long number() const {
        VARIANT c;
        VariantInit(&c);
        long n = SUCCEEDED(VariantChangeType(&c, const_cast<VARIANT*>(&value), 0, VT_I4)) ? V_I4(&c) : -99999;
        return n;
    }
    std::wstring text() const { return V_VT(&value) == VT_BSTR ? V_BSTR(&value) : L""; }
    std::wstring error() const { return excep.bstrDescription ? excep.bstrDescription : L""; }
};

// Invoke with positional args, then named ones ({name, value}).
Result invoke(IDispatch* target, const wchar_t* member, WORD kind, const std::vector<Arg>& positional,
              const std::vector<std::pair<const wchar_t*, Arg>>& named = {}) {
    Result r;
    std::vector<LPOLESTR> names{const_cast<LPOLESTR>(member)};
    for (auto& n : named) names.push_back(const_cast<LPOLESTR>(n.first));
    std::vector<DISPID> ids(names.size());
    r.hr = target->GetIDsOfNames(IID_NULL, names.data(), UINT(names.size()), LOCALE_USER_DEFAULT, ids.data());
    if (FAILED(r.hr)) return r;
    std::vector<VARIANT> args;
    std::vector<DISPID> namedIds;
    for (std::size_t i = named.size(); i-- > 0;) {
        args.push_back(named[i].second.v);
        namedIds.push_back(ids[i + 1]);
    }
    std::reverse(namedIds.begin(), namedIds.end());
    std::reverse(args.begin(), args.end());
    for (std::size_t i = positional.size(); i-- > 0;) args.push_back(positional[i].v);
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params{args.data(), namedIds.data(), UINT(args.size()), UINT(namedIds.size())};
    if (kind & DISPATCH_PROPERTYPUT) {
        params.rgdispidNamedArgs = &putId;
        params.cNamedArgs = 1;
    }
    r.hr = target->Invoke(ids[0], IID_NULL, LOCALE_USER_DEFAULT, kind, &params, &r.value, &r.excep, nullptr);
    return r;
}

Result get(IDispatch* t, const wchar_t* m) { return invoke(t, m, DISPATCH_PROPERTYGET | DISPATCH_METHOD, {}); }
Result put(IDispatch* t, const wchar_t* m, const Arg& v) { return invoke(t, m, DISPATCH_PROPERTYPUT, {v}); }
Result method(IDispatch* t, const wchar_t* m, const std::vector<Arg>& a,
              const std::vector<std::pair<const wchar_t*, Arg>>& named = {}) {
    return invoke(t, m, DISPATCH_METHOD, a, named);
}

// Starts an application as the product does: all contexts, OleRun, IDispatch.
IDispatch* start(const wchar_t* progId) {
    CLSID clsid;
    if (FAILED(CLSIDFromProgID(progId, &clsid))) return nullptr;
    IUnknown* unknown = nullptr;
    HRESULT hr = CoCreateInstance(clsid, nullptr,
                                  CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER,
                                  IID_IUnknown, reinterpret_cast<void**>(&unknown));
    if (FAILED(hr)) return nullptr;
    OleRun(unknown);
    IDispatch* app = nullptr;
    unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&app));
    unknown->Release();
    return app;
}

// ---- files ----

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const Bytes& b) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

std::string sample(const std::string& name) {
    return testing_support::nativePath(std::string(TARNWICK_SOURCE_DIR) + "/standins/office/tests/data/" + name);
}

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The encrypted-package shape: a compound file with both streams and the
// data-spaces storage.
bool isEncryptedPackage(const std::string& path) {
    IStorage* root = nullptr;
    if (FAILED(StgOpenStorage(wide(path).c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, &root))) return false;
    bool ok = true;
    for (const wchar_t* name : {L"EncryptionInfo", L"EncryptedPackage"}) {
        IStream* s = nullptr;
        ok = ok && SUCCEEDED(root->OpenStream(name, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &s));
        if (s) s->Release();
    }
    IStorage* spaces = nullptr;
    ok = ok && SUCCEEDED(root->OpenStorage(L"\x06" L"DataSpaces", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, &spaces));
    if (spaces) spaces->Release();
    root->Release();
    return ok;
}

// ---- running a Unix program (the independent decryptor) ----

const char kChecker[] = R"PY(
import io, sys, msoffcrypto
out = []
for line in open(sys.argv[1]):
    enc, orig, pw = line.rstrip('\n').split('\t')
    try:
        f = msoffcrypto.OfficeFile(open(enc, 'rb'))
        f.load_key(password=pw, verify_password=True)
        o = io.BytesIO()
        f.decrypt(o, verify_integrity=True)
        out.append(('OK ' if o.getvalue() == open(orig, 'rb').read() else 'DIFFERENT ') + enc)
    except Exception as e:
        out.append('FAIL %s %r' % (enc, e))
    try:
        g = msoffcrypto.OfficeFile(open(enc, 'rb'))
        g.load_key(password=pw + 'x', verify_password=True)
        out.append('WRONG-PASSWORD-ACCEPTED ' + enc)
    except Exception:
        pass
open(sys.argv[2], 'w').write('\n'.join(out) + '\n')
)PY";

std::vector<std::string> runChecker(const std::string& folder, const std::string& name, const char* script,
                                    const std::vector<std::array<std::string, 3>>& files);

// Checks with msoffcrypto-tool that each (encrypted, original, password)
// decrypts, with password and integrity verified, to the original bytes.
std::vector<std::string> independentCheck(const std::string& folder,
                                          const std::vector<std::array<std::string, 3>>& files) {
    return runChecker(folder, "check", kChecker, files);
}

// Checks with msoffcrypto-tool that an encrypted workbook or document takes
// its password (and no other) and decrypts to the records (the streams) of a
// plain one. Stream
// positions and the encryption record (or the blank record a decryptor puts
// in its place) are left out of the comparison.
const char kWorkbookChecker[] = R"PY(
import io, struct, sys, msoffcrypto, olefile
def records(data):
    s = olefile.OleFileIO(data).openstream('Workbook').read()
    out, p = [], 0
    while p + 4 <= len(s):
        t, n = struct.unpack('<HH', s[p:p + 4])
        body = s[p + 4:p + 4 + n]
        p += 4 + n
        if t in (0, 0x2F, 0x20B, 0xFF):  # the decryptor may blank the encryption record
            continue
        out.append((t, body[4:] if t == 0x85 else body))
    return out
def content(data):
    ole = olefile.OleFileIO(data)
    if ole.exists('Workbook'):
        return records(data)
    # A document: its streams, without the encryption flag and header size.
    word = bytearray(ole.openstream('WordDocument').read())
    table = '1Table' if word[11] & 2 else '0Table'
    word[11] &= 0xFE
    word[14:18] = bytes(4)
    tbl = ole.openstream(table).read()
    # Canonical table: what lies before the first thing the FIB points at
    # (an encryption header, kept or not) dropped, the offsets moved to match.
    p = 32
    p += 2 + 2 * struct.unpack('<H', word[p:p + 2])[0]
    p += 2 + 4 * struct.unpack('<H', word[p:p + 2])[0]
    n = struct.unpack('<H', word[p:p + 2])[0]
    p += 2
    pairs = [(p + 8 * i,) + struct.unpack('<II', word[p + 8 * i:p + 8 * i + 8]) for i in range(n)]
    used = [fc for _, fc, lcb in pairs if lcb]
    first = min(used) if used else 0
    for at, fc, lcb in pairs:
        if lcb:
            word[at:at + 4] = struct.pack('<I', fc - first)
    out = [bytes(word), tbl[first:]]
    if ole.exists('Data'):
        out.append(ole.openstream('Data').read())
    return out
out = []
for line in open(sys.argv[1]):
    enc, plain, pw = line.rstrip('\n').split('\t')
    try:
        f = msoffcrypto.OfficeFile(open(enc, 'rb'))
        f.load_key(password=pw)
        o = io.BytesIO()
        f.decrypt(o)
        same = content(o.getvalue()) == content(open(plain, 'rb').read())
        out.append(('OK ' if same else 'DIFFERENT ') + enc)
    except Exception as e:
        out.append('FAIL %s %r' % (enc, e))
    try:
        g = msoffcrypto.OfficeFile(open(enc, 'rb'))
        g.load_key(password=pw + 'x')
        g.decrypt(io.BytesIO())
        out.append('WRONG-PASSWORD-ACCEPTED ' + enc)
    except Exception:
        pass
open(sys.argv[2], 'w').write('\n'.join(out) + '\n')
)PY";

std::vector<std::string> independentWorkbookCheck(const std::string& folder,
                                                  const std::vector<std::array<std::string, 3>>& files) {
    return runChecker(folder, "wbcheck", kWorkbookChecker, files);
}

// Checks with msoffcrypto-tool that an encrypted presentation takes its
// password (and no other) and decrypts to the persist objects of the plain
// one: every object the encrypted file's directory lists (but the encryption
// session) is read from the decrypted stream at the same offset and compared
// with the plain file's object of that persist id. The decryptor leaves
// objects where they were but rewrites the directory in its own way, so the
// directory is taken from the encrypted file, whose edit and directory are
// plain.
const char kPresentationChecker[] = R"PY(
import io, struct, sys, msoffcrypto, olefile
def streams(data):
    ole = olefile.OleFileIO(data)
    return ole.openstream('Current User').read(), ole.openstream('PowerPoint Document').read()
def directory(user, doc):
    found, at = {}, struct.unpack_from('<I', user, 16)[0]
    while True:
        assert struct.unpack_from('<H', doc, at + 2)[0] == 0x0FF5
        length, last, where = struct.unpack_from('<I8xII', doc, at + 4)
        session = struct.unpack_from('<I', doc, at + 36)[0] if length >= 32 else 0
        assert struct.unpack_from('<H', doc, where + 2)[0] == 0x1772
        p, end = where + 8, where + 8 + struct.unpack_from('<I', doc, where + 4)[0]
        while p < end:
            entry = struct.unpack_from('<I', doc, p)[0]
            p += 4
            for i in range(entry >> 20):
                found.setdefault((entry & 0xFFFFF) + i, struct.unpack_from('<I', doc, p)[0])
                p += 4
        if not last:
            return found, session
        at = last
def objects(doc, places, skip):
    return {i: doc[o:o + 8 + struct.unpack_from('<I', doc, o + 4)[0]] for i, o in places.items() if i != skip}
def texts(records):
    out = []
    def walk(b):
        p = 0
        while p + 8 <= len(b):
            ver, kind, n = struct.unpack_from('<HHI', b, p)
            body = b[p + 8:p + 8 + n]
            if ver & 0xF == 0xF:
                walk(body)
            elif kind == 0x0FA0:
                out.append(body.decode('utf-16-le'))
            elif kind == 0x0FA8:
                out.append(body.decode('latin-1'))
            p += 8 + n
    for i in sorted(records):
        walk(records[i])
    return out
out = []
for line in open(sys.argv[1]):
    enc, plain, pw = line.rstrip('\n').split('\t')
    try:
        euser, edoc = streams(open(enc, 'rb').read())
        places, session = directory(euser, edoc)
        assert session in places
        f = msoffcrypto.OfficeFile(open(enc, 'rb'))
        f.load_key(password=pw)
        o = io.BytesIO()
        f.decrypt(o)
        duser, ddoc = streams(o.getvalue())
        puser, pdoc = streams(open(plain, 'rb').read())
        pplaces, _ = directory(puser, pdoc)
        got, want = objects(ddoc, places, session), objects(pdoc, pplaces, 0)
        ok = got == want and struct.unpack_from('<I', duser, 12)[0] == 0xE391C05F and 'Slide one' in texts(got)
        out.append(('OK ' if ok else 'DIFFERENT ') + enc + ' ' + repr(texts(got)))
    except Exception as e:
        out.append('FAIL %s %r' % (enc, e))
    try:
        g = msoffcrypto.OfficeFile(open(enc, 'rb'))
        g.load_key(password=pw + 'x')
        out.append('WRONG-PASSWORD-ACCEPTED ' + enc)
    except Exception:
        pass
open(sys.argv[2], 'w').write('\n'.join(out) + '\n')
)PY";

// Runs one of the checkers above over (encrypted, original, password) rows.
std::vector<std::string> runChecker(const std::string& folder, const std::string& name, const char* script,
                                    const std::vector<std::array<std::string, 3>>& files) {
    std::ofstream(folder + "\\" + name + ".py") << script;
    std::ofstream list(folder + "\\" + name + ".txt");
    for (const auto& f : files) list << unixPath(f[0]) << '\t' << unixPath(f[1]) << '\t' << f[2] << '\n';
    list.close();
    int rc = runUnix(folder, "/usr/bin/python3 '" + unixPath(folder + "\\" + name + ".py") + "' '" +
                                 unixPath(folder + "\\" + name + ".txt") + "' '" + unixPath(folder + "\\" + name + ".out") + "'");
    EXPECT_EQ(rc, 0);
    std::vector<std::string> lines;
    std::ifstream in(folder + "\\" + name + ".out");
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) lines.push_back(line);
    return lines;
}

// A stream of a compound file, empty when there is none.
Bytes workbookStream(const std::string& path, const wchar_t* name = L"Workbook") {
    Bytes out;
    IStorage* root = nullptr;
    if (FAILED(StgOpenStorage(wide(path).c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, &root))) return out;
    IStream* s = nullptr;
    if (SUCCEEDED(root->OpenStream(name, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &s))) {
        STATSTG stat;
        if (SUCCEEDED(s->Stat(&stat, STATFLAG_NONAME))) {
            out.resize(std::size_t(stat.cbSize.QuadPart));
            ULONG got = 0;
            if (FAILED(s->Read(out.data(), ULONG(out.size()), &got)) || got != out.size()) out.clear();
        }
        s->Release();
    }
    root->Release();
    return out;
}

// Writes (or replaces) a stream of a compound file in place.
bool addStream(const std::string& path, const wchar_t* name, const Bytes& data) {
    IStorage* root = nullptr;
    if (FAILED(StgOpenStorage(wide(path).c_str(), nullptr, STGM_READWRITE | STGM_SHARE_EXCLUSIVE, nullptr, 0, &root))) return false;
    IStream* s = nullptr;
    bool ok = SUCCEEDED(root->CreateStream(name, STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &s));
    if (ok) {
        ULONG wrote = 0;
        ok = SUCCEEDED(s->Write(data.data(), ULONG(data.size()), &wrote)) && wrote == data.size();
        s->Release();
    }
    ok = ok && SUCCEEDED(root->Commit(STGC_DEFAULT));
    root->Release();
    return ok;
}

bool hasStream(const std::string& path, const wchar_t* name) {
    IStorage* root = nullptr;
    if (FAILED(StgOpenStorage(wide(path).c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, &root))) return false;
    IStream* s = nullptr;
    bool found = SUCCEEDED(root->OpenStream(name, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &s));
    if (s) s->Release();
    root->Release();
    return found;
}

// ---- registry switches ----

const wchar_t kConfig[] = L"Software\\Tarnwick Stand-ins\\Office";

void setConfig(const std::wstring& sub, const wchar_t* name, const std::wstring& value) {
    HKEY h;
    std::wstring key = std::wstring(kConfig) + (sub.empty() ? L"" : L"\\" + sub);
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr), ERROR_SUCCESS);
    if (value.empty()) RegDeleteValueW(h, name);
    else RegSetValueExW(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), DWORD((value.size() + 1) * 2));
    RegCloseKey(h);
}

// ---- PowerPoint's prompt, found the way the product finds it ----

std::string classOf(HWND h) {
    char buf[130] = "";
    GetClassNameA(h, buf, sizeof buf);
    return buf;
}
bool ownedByPowerPoint(HWND h) {
    HWND parent = GetParent(h);
    std::string t = parent ? testing_support::windowTitle(parent) : "";
    return t.find("Microsoft") != std::string::npos && t.find("PowerPoint") != std::string::npos;
}
bool isButton(HWND h) { return h && _stricmp(classOf(h).c_str(), "Button") == 0; }

HWND findPrompt() {
    for (HWND w = GetWindow(GetDesktopWindow(), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (classOf(w) != "#32770" || !ownedByPowerPoint(w)) continue;
        HWND message = GetDlgItem(w, 4), edit = GetDlgItem(w, 5);
        if (!message || _strnicmp(classOf(message).c_str(), "RichEdit", 8) != 0) continue;
        if (!edit || _stricmp(classOf(edit).c_str(), "Edit") != 0 || !(GetWindowLongA(edit, GWL_STYLE) & ES_PASSWORD)) continue;
        if (isButton(GetDlgItem(w, 1)) && isButton(GetDlgItem(w, 2))) return w;
    }
    return nullptr;
}

HWND findErrorBox() {
    for (HWND w = GetWindow(GetDesktopWindow(), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (classOf(w) == "#32770" && testing_support::windowTitle(w) == "Microsoft Office PowerPoint" && ownedByPowerPoint(w) &&
            isButton(GetDlgItem(w, 2)) && !GetDlgItem(w, 1))
            return w;
    }
    return nullptr;
}

void press(HWND button) {
    SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    SendMessageA(button, WM_LBUTTONUP, MK_LBUTTON, 0);
}

// Answers the prompt on its own thread, as the product's validator does.
class PromptAnswerer {
public:
    // password null: press Cancel.
    explicit PromptAnswerer(const char* password)
        : thread_([this, pw = std::string(password ? password : ""), cancel = password == nullptr] {
              for (int i = 0; i < 300 && !prompt_; ++i) {
                  Sleep(100);
                  prompt_ = findPrompt();
              }
              if (!prompt_) return;
              Sleep(300);  // as a person would (and the product's validator does): not at once
              if (cancel) {
                  press(GetDlgItem(prompt_, 2));
                  return;
              }
              for (char c : pw) SendMessageA(GetDlgItem(prompt_, 5), WM_CHAR, WPARAM(static_cast<unsigned char>(c)), 1);
              press(GetDlgItem(prompt_, 1));
              for (int i = 0; i < 50 && !errorBox_; ++i) {
                  Sleep(100);
                  errorBox_ = findErrorBox();
              }
              if (errorBox_) {
                  Sleep(300);
                  press(GetDlgItem(errorBox_, 2));
              }
          }) {}
    ~PromptAnswerer() {
        if (thread_.joinable()) thread_.join();
    }
    bool sawPrompt() {
        thread_.join();
        return prompt_ != nullptr;
    }
    bool sawErrorBox() const { return errorBox_ != nullptr; }

private:
    std::atomic<HWND> prompt_{nullptr};
    std::atomic<HWND> errorBox_{nullptr};
    std::thread thread_;
};

// ---- fixture: one of each application for the suite ----

class OfficeStandin : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        word = start(L"Word.Application");
        excel = start(L"Excel.Application");
        powerPoint = start(L"PowerPoint.Application");
    }
    static void TearDownTestSuite() {
        for (IDispatch** app : {&word, &excel, &powerPoint}) {
            if (*app) {
                method(*app, L"Quit", {});
                (*app)->Release();
                *app = nullptr;
            }
        }
        CoUninitialize();
    }
    void SetUp() override {
        ASSERT_TRUE(word && excel && powerPoint) << "the stand-in is not registered in this prefix";
    }
    static IDispatch* word;
    static IDispatch* excel;
    static IDispatch* powerPoint;
};
IDispatch* OfficeStandin::word = nullptr;
IDispatch* OfficeStandin::excel = nullptr;
IDispatch* OfficeStandin::powerPoint = nullptr;

enum class App { Word, Excel, PowerPoint };

App appFor(const std::string& ext) {
    if (ext.rfind(".doc", 0) == 0) return App::Word;
    if (ext.rfind(".xls", 0) == 0) return App::Excel;
    return App::PowerPoint;
}

// The product's call sequences, protect and unprotect, for one file.
struct Engine {
    IDispatch* word;
    IDispatch* excel;
    IDispatch* powerPoint;

    // Returns an empty text on success, else what went wrong.
    std::string run(App app, const std::string& path, const std::wstring& password, bool protect) {
        std::wstring file = wide(path);
        if (app == App::Word) {
            std::wstring temp = file + L".{00000000-0000-0000-0000-000000000001}.doc";
            Result docs = get(word, L"Documents");
            std::vector<Arg> open{Arg(file)};
            for (int i = 0; i < 15; ++i) open.push_back(omitted);
            if (!protect) open[4] = Arg(password);
            Result doc = method(docs.object(), L"Open", open);
            if (doc.hr != S_OK || !doc.object()) return "Open failed: " + narrow(doc.error());
            if (get(doc.object(), L"ReadOnlyRecommended").number() != 0) {
                method(doc.object(), L"Close", {omitted, omitted, omitted});
                return "read-only recommended";
            }
            get(doc.object(), L"SaveFormat");
            std::vector<Arg> save{Arg(temp), omitted, omitted, Arg(protect ? password : L"")};
            for (int i = 0; i < 12; ++i) save.push_back(omitted);
            Result saved = method(doc.object(), L"SaveAs", save);
            method(doc.object(), L"Close", {omitted, omitted, omitted});
            if (saved.hr != S_OK) return "SaveAs failed: " + narrow(saved.error());
            DeleteFileW(file.c_str());
            MoveFileW(temp.c_str(), file.c_str());
        } else if (app == App::Excel) {
            std::wstring temp = file + L"{00000000-0000-0000-0000-000000000002}" + file.substr(file.rfind(L'.'));
            Result books = get(excel, L"Workbooks");
            std::vector<Arg> open{Arg(file)};
            for (int i = 0; i < 14; ++i) open.push_back(omitted);
            if (!protect) open[4] = Arg(password);
            Result book = method(books.object(), L"Open", open);
            if (book.hr != S_OK || !book.object()) return "Open failed: " + narrow(book.error());
            if (get(book.object(), L"ReadOnlyRecommended").number() != 0) {
                method(book.object(), L"Close", {omitted, omitted, omitted});
                return "read-only recommended";
            }
            long format = get(book.object(), L"FileFormat").number();
            if (format >= 1 && format <= 43) format = -4143;
            Result saved = method(book.object(), L"SaveAs",
                                  {Arg(temp), Arg(format, VT_INT), Arg(protect ? password : L""), Arg(L""), Arg(0, VT_BOOL),
                                   Arg(0, VT_BOOL), Arg(3), omitted, omitted, omitted, omitted, omitted});
            method(book.object(), L"Close", {omitted, omitted, omitted});
            if (saved.hr != S_OK) return "SaveAs failed: " + narrow(saved.error());
            DeleteFileW(file.c_str());
            MoveFileW(temp.c_str(), file.c_str());
        } else {
            put(powerPoint, L"WindowState", Arg(2));
            put(powerPoint, L"Visible", Arg(-1));
            Result presentations = get(powerPoint, L"Presentations");
            Result pres;
            if (protect) {
                pres = method(presentations.object(), L"Open", {Arg(file), Arg(0), Arg(0), Arg(0)});
            } else {
                PromptAnswerer answer(narrow(password).c_str());
                pres = method(presentations.object(), L"Open", {Arg(file), Arg(0), Arg(0), Arg(-1)});
                if (!answer.sawPrompt()) return "no password prompt";
            }
            if (pres.hr != S_OK || !pres.object()) return "Open failed: " + narrow(pres.error());
            put(pres.object(), L"Password", Arg(protect ? password : L""));
            if (!protect) put(pres.object(), L"WritePassword", Arg(L""));
            Result saved = method(pres.object(), L"SaveAs", {Arg(file), Arg(11), Arg(-1)});
            method(pres.object(), L"Close", {});
            if (saved.hr != S_OK) return "SaveAs failed: " + narrow(saved.error());
        }
        return std::string();
    }
};

}  // namespace

TEST_F(OfficeStandin, EveryOpenXmlKindIsProtectedAndUnprotectedForReal) {
    std::string folder = testing_support::freshFolder("office-standin-roundtrip");
    const char* samples[][2] = {{"memo.docx", ".docx"}, {"memo.docm", ".docm"}, {"sheet.xlsx", ".xlsx"},
                                {"sheet.xlsm", ".xlsm"}, {"sheet.xlsb", ".xlsb"}, {"deck.pptx", ".pptx"},
                                {"deck.pptm", ".pptm"}, {"deck.ppsx", ".ppsx"}, {"deck.ppsm", ".ppsm"}};
    Engine engine{word, excel, powerPoint};
    std::vector<std::array<std::string, 3>> forChecker;
    for (auto& s : samples) {
        std::string path = folder + "\\Report" + s[1];
        std::string original = sample(s[0]);
        ASSERT_TRUE(CopyFileA(original.c_str(), path.c_str(), FALSE));
        App app = appFor(s[1]);
        EXPECT_EQ(engine.run(app, path, L"Pw-" + wide(s[1]), true), "") << s[1];
        EXPECT_TRUE(isEncryptedPackage(path)) << s[1];
        std::string kept = folder + "\\encrypted" + s[1];
        CopyFileA(path.c_str(), kept.c_str(), FALSE);
        forChecker.push_back({kept, original, "Pw-" + std::string(s[1])});

        EXPECT_EQ(engine.run(app, path, L"Pw-" + wide(s[1]), false), "") << s[1];
        EXPECT_EQ(readFile(path), readFile(original)) << s[1] << " does not come back as it was";
    }
    std::vector<std::string> verdicts = independentCheck(folder, forChecker);
    ASSERT_EQ(verdicts.size(), forChecker.size());
    for (const std::string& v : verdicts) EXPECT_EQ(v.substr(0, 3), "OK ") << v;
}

TEST_F(OfficeStandin, FilesEncryptedByOtherProgramsOpenWithTheirPasswordOnly) {
    std::string folder = testing_support::freshFolder("office-standin-foreign");
    struct Case {
        const char* file;
        const char* original;
        App app;
    } cases[] = {{"memo-agile-npm.docx", "memo.docx", App::Word},
                 {"sheet-agile-npm.xlsx", "sheet.xlsx", App::Excel},
                 {"deck-agile-npm.pptx", "deck.pptx", App::PowerPoint},
                 {"memo-standard-npm.docx", "memo.docx", App::Word},
                 {"sheet-standard-npm.xlsx", "sheet.xlsx", App::Excel}};
    Engine engine{word, excel, powerPoint};
    for (const Case& c : cases) {
        std::string path = folder + "\\" + c.file;
        ASSERT_TRUE(CopyFileA(sample(c.file).c_str(), path.c_str(), FALSE));
        EXPECT_NE(engine.run(c.app, path, L"Wrong-1", false), "") << c.file;
        EXPECT_EQ(readFile(path), readFile(sample(c.file))) << c.file << " changed by a failed open";
        EXPECT_EQ(engine.run(c.app, path, L"Secret-1", false), "") << c.file;
        EXPECT_EQ(readFile(path), readFile(sample(c.original))) << c.file;
    }
}

TEST_F(OfficeStandin, DocumentsReportTheirOwnFormatAndFlags) {
    std::string folder = testing_support::freshFolder("office-standin-flags");
    struct Case {
        const char* file;
        App app;
        const wchar_t* formatMember;
        long format;
        bool readOnly;
    } cases[] = {
        {"memo.docx", App::Word, L"SaveFormat", 12, false},   {"memo.docm", App::Word, L"SaveFormat", 13, false},
        {"memo.doc", App::Word, L"SaveFormat", 0, false},     {"readonly.doc", App::Word, L"SaveFormat", 0, true},
        {"readonly.docx", App::Word, L"SaveFormat", 12, true}, {"sheet.xls", App::Excel, L"FileFormat", 56, false},
        {"sheet.xlsx", App::Excel, L"FileFormat", 51, false}, {"sheet.xlsm", App::Excel, L"FileFormat", 52, false},
        {"sheet.xlsb", App::Excel, L"FileFormat", 50, false}, {"readonly.xlsx", App::Excel, L"FileFormat", 51, true},
        {"readonly.xlsb", App::Excel, L"FileFormat", 50, true},
    };
    for (const Case& c : cases) {
        std::string path = folder + "\\" + c.file;
        ASSERT_TRUE(CopyFileA(sample(c.file).c_str(), path.c_str(), FALSE));
        IDispatch* app = c.app == App::Word ? word : excel;
        Result docs = get(app, c.app == App::Word ? L"Documents" : L"Workbooks");
        // Named arguments: only the file name.
        Result doc = method(docs.object(), L"Open", {}, {{c.app == App::Word ? L"FileName" : L"Filename", Arg(wide(path))}});
        ASSERT_EQ(doc.hr, S_OK) << c.file << ": " << narrow(doc.error());
        EXPECT_EQ(get(doc.object(), c.formatMember).number(), c.format) << c.file;
        EXPECT_EQ(get(doc.object(), L"ReadOnlyRecommended").number(), c.readOnly ? -1 : 0) << c.file;
        EXPECT_EQ(narrow(get(doc.object(), L"FullName").text()), path) << c.file;
        EXPECT_EQ(get(docs.object(), L"Count").number(), 1) << c.file;
        method(doc.object(), L"Close", {});
        EXPECT_EQ(get(docs.object(), L"Count").number(), 0) << c.file;
    }
}

TEST_F(OfficeStandin, BinaryDocumentsSavePlainUnchanged) {
    std::string folder = testing_support::freshFolder("office-standin-binary");
    struct Case {
        const char* file;
        App app;
    } cases[] = {{"memo.doc", App::Word}, {"sheet.xls", App::Excel}, {"deck.ppt", App::PowerPoint}};
    for (const Case& c : cases) {
        std::string path = folder + "\\" + c.file;
        ASSERT_TRUE(CopyFileA(sample(c.file).c_str(), path.c_str(), FALSE));
        std::string copy = folder + "\\copy-" + c.file;
        IDispatch* app = c.app == App::Word ? word : c.app == App::Excel ? excel : powerPoint;
        Result docs = get(app, c.app == App::Word ? L"Documents" : c.app == App::Excel ? L"Workbooks" : L"Presentations");
        Result doc = method(docs.object(), L"Open", {Arg(wide(path))});
        ASSERT_EQ(doc.hr, S_OK) << c.file;
        EXPECT_EQ(method(doc.object(), L"SaveAs", {Arg(wide(copy))}).hr, S_OK) << c.file;
        method(doc.object(), L"Close", {});
        EXPECT_EQ(readFile(copy), readFile(sample(c.file))) << c.file;
    }
}

TEST_F(OfficeStandin, PresentationsAreEncryptedWithRc4AndOpenWithTheirPasswordOnly) {
    const wchar_t* const kDocumentSummary = L"\x05" L"DocumentSummaryInformation";
    std::string folder = testing_support::freshFolder("office-standin-ppt-rc4");
    Engine engine{word, excel, powerPoint};
    std::vector<std::array<std::string, 3>> forChecker;
    const std::string original = sample("deck.ppt");
    auto le32 = [](const Bytes& b, std::size_t at) {
        return std::uint32_t(b[at]) | (std::uint32_t(b[at + 1]) << 8) | (std::uint32_t(b[at + 2]) << 16) |
               (std::uint32_t(b[at + 3]) << 24);
    };
    // A slide show is the same file under another name.
    for (const char* name : {"Deck.ppt", "Show.pps"}) {
        std::string path = folder + "\\" + name;
        ASSERT_TRUE(CopyFileA(original.c_str(), path.c_str(), FALSE));
        EXPECT_EQ(engine.run(App::PowerPoint, path, L"Pw-ppt", true), "") << name;
        Bytes user = workbookStream(path, L"Current User");
        ASSERT_GE(user.size(), 20u) << name;
        EXPECT_EQ(le32(user, 12), 0xF3D1C4DFu) << name;
        Bytes document = workbookStream(path, L"PowerPoint Document");
        ASSERT_GE(document.size(), le32(user, 16) + 40u) << name;
        EXPECT_EQ(le32(document, le32(user, 16) + 4), 32u) << name << ": the edit names no encryption session";
        EXPECT_EQ(std::search(document.begin(), document.end(), std::begin("Slide one"), std::end("Slide one") - 1),
                  document.end()) << name << ": the slide text is still readable";
        // The properties are encrypted too, as PowerPoint does it: into the
        // EncryptedSummary stream, with no plain summary and an empty
        // document summary left beside it. That stream is what the file
        // list's classifier looks for.
        EXPECT_TRUE(hasStream(path, L"EncryptedSummary")) << name;
        EXPECT_FALSE(hasStream(path, L"\x05SummaryInformation")) << name;
        EXPECT_EQ(workbookStream(path, kDocumentSummary), doccrypt::emptyDocumentSummary()) << name;
        EncryptedFileFinder finder;
        EXPECT_EQ(finder.checkPowerPointDocument(path.c_str()), EncryptedFileFinder::kEncrypted) << name;
        EncryptionState state = kNotProtected;
        EXPECT_TRUE(finder.isEncrypted(path.c_str(), state)) << name;
        EXPECT_EQ(state, kPasswordEncrypted) << name;
        std::string kept = folder + "\\encrypted-" + name;
        CopyFileA(path.c_str(), kept.c_str(), FALSE);
        forChecker.push_back({kept, original, "Pw-ppt"});

        // The prompt, then the error box for a wrong password; the file stays as it was.
        EXPECT_NE(engine.run(App::PowerPoint, path, L"pw-ppt", false), "") << name;
        EXPECT_EQ(readFile(path), readFile(kept)) << name;
        EXPECT_EQ(engine.run(App::PowerPoint, path, L"Pw-ppt", false), "") << name;
        // Decrypted, the summary streams come back from the EncryptedSummary.
        for (const wchar_t* stream : {L"Current User", L"PowerPoint Document", L"\x05SummaryInformation", kDocumentSummary})
            EXPECT_EQ(workbookStream(path, stream), workbookStream(original, stream)) << name << " " << narrow(stream);
        EXPECT_FALSE(hasStream(path, L"EncryptedSummary")) << name;
        EXPECT_FALSE(finder.isEncrypted(path.c_str(), state)) << name;
    }
    std::vector<std::string> verdicts = runChecker(folder, "pptcheck", kPresentationChecker, forChecker);
    ASSERT_EQ(verdicts.size(), forChecker.size());
    for (const std::string& v : verdicts) EXPECT_EQ(v.substr(0, 3), "OK ") << v;

    // An encrypted summary that cannot be read is dropped on the way in.
    std::string summarised = folder + "\\summarised.ppt";
    ASSERT_TRUE(CopyFileA(forChecker[0][0].c_str(), summarised.c_str(), FALSE));
    ASSERT_TRUE(addStream(summarised, L"EncryptedSummary", Bytes(64, 0x5A)));
    EXPECT_EQ(engine.run(App::PowerPoint, summarised, L"Pw-ppt", false), "");
    EXPECT_EQ(workbookStream(summarised, L"PowerPoint Document"), workbookStream(original, L"PowerPoint Document"));
    EXPECT_FALSE(hasStream(summarised, L"EncryptedSummary"));

    // Pictures are refused: a clear error, the file as it was, nothing left behind.
    std::string pictures = folder + "\\pictures.ppt";
    ASSERT_TRUE(CopyFileA(original.c_str(), pictures.c_str(), FALSE));
    ASSERT_TRUE(addStream(pictures, L"Pictures", Bytes(100, 1)));
    Bytes before = readFile(pictures);
    std::string refused = engine.run(App::PowerPoint, pictures, L"Pw-ppt", true);
    EXPECT_NE(refused.find("pictures"), std::string::npos) << refused;
    EXPECT_EQ(readFile(pictures), before);
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((folder + "\\*.tmp").c_str(), &fd);
    EXPECT_EQ(find, INVALID_HANDLE_VALUE) << "left behind: " << fd.cFileName;
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
}

TEST_F(OfficeStandin, BinaryFilesAreEncryptedWithRc4AndOpenWithTheirPasswordOnly) {
    std::string folder = testing_support::freshFolder("office-standin-xls-rc4");
    Engine engine{word, excel, powerPoint};
    std::vector<std::array<std::string, 3>> forChecker;

    // Ours: protect, check the stream, unprotect back to the same workbook.
    std::string path = folder + "\\Sheet.xls";
    ASSERT_TRUE(CopyFileA(sample("sheet.xls").c_str(), path.c_str(), FALSE));
    Bytes original = workbookStream(sample("sheet.xls"));
    ASSERT_FALSE(original.empty());
    EXPECT_EQ(engine.run(App::Excel, path, L"Pw-xls", true), "");
    Bytes encrypted = workbookStream(path);
    ASSERT_GT(encrypted.size(), original.size());
    EXPECT_EQ(Bytes(encrypted.begin(), encrypted.begin() + 20), Bytes(original.begin(), original.begin() + 20));
    EXPECT_EQ(encrypted[20], 0x2F) << "no encryption record after the first BOF";
    std::string kept = folder + "\\encrypted.xls";
    CopyFileA(path.c_str(), kept.c_str(), FALSE);
    forChecker.push_back({kept, sample("sheet.xls"), "Pw-xls"});
    EXPECT_NE(engine.run(App::Excel, path, L"pw-xls", false), "");
    EXPECT_EQ(engine.run(App::Excel, path, L"Pw-xls", false), "");
    EXPECT_EQ(workbookStream(path), original);

    // The same for a document: the head of the FIB stays plain, the streams
    // come back as they were.
    std::string docPath = folder + "\\Memo.doc";
    ASSERT_TRUE(CopyFileA(sample("memo.doc").c_str(), docPath.c_str(), FALSE));
    EXPECT_EQ(engine.run(App::Word, docPath, L"Pw-doc", true), "");
    Bytes encryptedDoc = readFile(docPath);
    std::string keptDoc = folder + "\\encrypted.doc";
    CopyFileA(docPath.c_str(), keptDoc.c_str(), FALSE);
    forChecker.push_back({keptDoc, sample("memo.doc"), "Pw-doc"});
    EXPECT_NE(engine.run(App::Word, docPath, L"pw-doc", false), "");
    EXPECT_EQ(readFile(docPath), encryptedDoc);
    EXPECT_EQ(engine.run(App::Word, docPath, L"Pw-doc", false), "");
    for (const wchar_t* name : {L"WordDocument", L"1Table"})
        EXPECT_EQ(workbookStream(docPath, name), workbookStream(sample("memo.doc"), name)) << narrow(name);
    std::string plainDoc0 = folder + "\\plain-memo.doc";
    CopyFileA(docPath.c_str(), plainDoc0.c_str(), FALSE);
    forChecker.push_back({keptDoc, plainDoc0, "Pw-doc"});

    // Another program's (plain RC4): its password only, then the same records
    // as the independent decryptor finds.
    std::string foreign = testing_support::nativePath(std::string(TARNWICK_SOURCE_DIR) + "/classify/tests/fixtures/lo-rc4.xls");
    std::string theirs = folder + "\\Theirs.xls";
    ASSERT_TRUE(CopyFileA(foreign.c_str(), theirs.c_str(), FALSE));
    EXPECT_NE(engine.run(App::Excel, theirs, L"Fixture", false), "");
    EXPECT_EQ(readFile(theirs), readFile(foreign));
    EXPECT_EQ(engine.run(App::Excel, theirs, L"fixture", false), "");
    Bytes decrypted = workbookStream(theirs);
    ASSERT_GT(decrypted.size(), 24u);
    EXPECT_NE(decrypted[20], 0x2F);
    forChecker.push_back({foreign, theirs, "fixture"});

    // A document from the same program: Word opens it with its password only.
    std::string foreignDoc = testing_support::nativePath(std::string(TARNWICK_SOURCE_DIR) + "/classify/tests/fixtures/lo-rc4.doc");
    std::string theirDoc = folder + "\\Theirs.doc";
    ASSERT_TRUE(CopyFileA(foreignDoc.c_str(), theirDoc.c_str(), FALSE));
    EXPECT_NE(engine.run(App::Word, theirDoc, L"Fixture", false), "");
    EXPECT_EQ(readFile(theirDoc), readFile(foreignDoc));
    EXPECT_EQ(engine.run(App::Word, theirDoc, L"fixture", false), "");
    Bytes plainDoc = readFile(theirDoc);
    EXPECT_NE(plainDoc, readFile(foreignDoc));
    forChecker.push_back({foreignDoc, theirDoc, "fixture"});

    // No password at all is Excel's error, not a prompt.
    Result books = get(excel, L"Workbooks");
    Result book = method(books.object(), L"Open", {Arg(wide(kept))});
    EXPECT_EQ(book.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(book.excep.scode, HRESULT(0x800A03EC));

    std::vector<std::string> verdicts = independentWorkbookCheck(folder, forChecker);
    ASSERT_EQ(verdicts.size(), forChecker.size());
    for (const std::string& v : verdicts) EXPECT_EQ(v.substr(0, 3), "OK ") << v;
}

TEST_F(OfficeStandin, BadInputFailsCleanlyAndTheServerSurvives) {
    std::string folder = testing_support::freshFolder("office-standin-bad");
    Bytes docx = readFile(sample("memo.docx"));
    Bytes corrupt = docx;
    for (std::size_t i = 60; i < 400; ++i) corrupt[i] ^= 0x5a;
    std::string encrypted = folder + "\\encrypted.docx";
    ASSERT_TRUE(CopyFileA(sample("memo-agile-npm.docx").c_str(), encrypted.c_str(), FALSE));
    {
        // Damage the EncryptionInfo stream in place.
        IStorage* root = nullptr;
        ASSERT_HRESULT_SUCCEEDED(StgOpenStorage(wide(encrypted).c_str(), nullptr, STGM_READWRITE | STGM_SHARE_EXCLUSIVE, nullptr, 0, &root));
        IStream* s = nullptr;
        ASSERT_HRESULT_SUCCEEDED(root->CreateStream(L"EncryptionInfo", STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &s));
        const char junk[] = "\x04\x00\x04\x00\x40\x00\x00\x00<encryption><keyData saltValue=\"!!\"/>";
        s->Write(junk, sizeof junk - 1, nullptr);
        s->Release();
        root->Commit(STGC_DEFAULT);
        root->Release();
    }
    struct Case {
        const char* name;
        Bytes content;
    } cases[] = {{"zero.docx", {}},
                 {"truncated.docx", Bytes(docx.begin(), docx.begin() + long(docx.size() / 2))},
                 {"corrupt.docx", corrupt},
                 {"text.docx", Bytes(3000, 'x')},
                 {"sheet-as-word.docx", readFile(sample("sheet.xlsx"))},
                 {"encrypted.docx", readFile(encrypted)}};
    Result docs = get(word, L"Documents");
    for (const Case& c : cases) {
        std::string path = folder + "\\" + c.name;
        writeFile(path, c.content);
        Result doc = method(docs.object(), L"Open", {Arg(wide(path)), omitted, omitted, omitted, Arg(L"Secret-1")});
        EXPECT_EQ(doc.hr, DISP_E_EXCEPTION) << c.name;
        EXPECT_NE(doc.excep.scode, S_OK) << c.name;
        EXPECT_FALSE(doc.error().empty()) << c.name;
        EXPECT_EQ(readFile(path), c.content) << c.name;
    }
    Result missing = method(docs.object(), L"Open", {Arg(wide(folder + "\\absent.docx"))});
    EXPECT_EQ(missing.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(get(docs.object(), L"Count").number(), 0);

    // A save that cannot complete leaves no target and no temporary file behind.
    std::string good = folder + "\\good.docx";
    writeFile(good, docx);
    Result doc = method(docs.object(), L"Open", {Arg(wide(good))});
    ASSERT_EQ(doc.hr, S_OK);
    std::string target = folder + "\\no-such-folder\\out.docx";
    EXPECT_EQ(method(doc.object(), L"SaveAs", {Arg(wide(target)), omitted, omitted, Arg(L"pw")}).hr, DISP_E_EXCEPTION);
    EXPECT_FALSE(exists(target));
    SetFileAttributesA(good.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(method(doc.object(), L"SaveAs", {Arg(wide(good)), omitted, omitted, Arg(L"pw")}).hr, DISP_E_EXCEPTION);
    SetFileAttributesA(good.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(readFile(good), docx);
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((folder + "\\*.tmp").c_str(), &fd);
    EXPECT_EQ(find, INVALID_HANDLE_VALUE) << "left behind: " << fd.cFileName;
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
    method(doc.object(), L"Close", {});
}

TEST_F(OfficeStandin, PowerPointPromptsForThePasswordAndReportsARefusal) {
    std::string folder = testing_support::freshFolder("office-standin-prompt");
    std::string path = folder + "\\deck.pptx";
    ASSERT_TRUE(CopyFileA(sample("deck-agile-npm.pptx").c_str(), path.c_str(), FALSE));
    Result presentations = get(powerPoint, L"Presentations");
    // The stand-in's dialogs photograph themselves (another process cannot).
    setConfig(L"", L"ScreenshotPrefix", L"OfficeStandin");
    {
        PromptAnswerer answer("Wrong-1");
        Result pres = method(presentations.object(), L"Open", {Arg(wide(path)), Arg(0), Arg(0), Arg(-1)});
        EXPECT_TRUE(answer.sawPrompt());
        EXPECT_TRUE(answer.sawErrorBox());
        EXPECT_EQ(pres.hr, DISP_E_EXCEPTION);
    }
    setConfig(L"", L"ScreenshotPrefix", L"");
    {
        PromptAnswerer cancel(nullptr);
        Result pres = method(presentations.object(), L"Open", {Arg(wide(path)), Arg(0), Arg(0), Arg(-1)});
        EXPECT_TRUE(cancel.sawPrompt());
        EXPECT_EQ(pres.hr, DISP_E_EXCEPTION);
    }
    {
        PromptAnswerer answer("Secret-1");
        Result pres = method(presentations.object(), L"Open", {Arg(wide(path)), Arg(0), Arg(0), Arg(-1)});
        EXPECT_TRUE(answer.sawPrompt());
        EXPECT_FALSE(answer.sawErrorBox());
        ASSERT_EQ(pres.hr, S_OK);
        EXPECT_EQ(narrow(get(pres.object(), L"Password").text()), "Secret-1");
        method(pres.object(), L"Close", {});
    }
    EXPECT_EQ(get(presentations.object(), L"Count").number(), 0);
}

TEST_F(OfficeStandin, ApplicationsHaveTheirWindowsAndProperties) {
    HWND ppt = HWND(LONG_PTR(get(powerPoint, L"HWND").number()));
    ASSERT_TRUE(IsWindow(ppt));
    EXPECT_EQ(classOf(ppt), "PP12FrameClass");
    EXPECT_NE(testing_support::windowTitle(ppt).find("Microsoft"), std::string::npos);
    EXPECT_NE(testing_support::windowTitle(ppt).find("PowerPoint"), std::string::npos);
    EXPECT_EQ(put(powerPoint, L"WindowState", Arg(2)).hr, S_OK);
    EXPECT_EQ(put(powerPoint, L"Visible", Arg(-1)).hr, S_OK);
    EXPECT_EQ(get(powerPoint, L"WindowState").number(), 2);
    EXPECT_EQ(put(powerPoint, L"Visible", Arg(0)).hr, DISP_E_EXCEPTION);
    EXPECT_EQ(put(powerPoint, L"DisplayAlerts", Arg(1)).hr, S_OK);
    EXPECT_EQ(get(powerPoint, L"DisplayAlerts").number(), 1);

    HWND xl = HWND(LONG_PTR(get(excel, L"Hwnd").number()));
    EXPECT_EQ(classOf(xl), "XLMAIN");
    EXPECT_FALSE(IsWindowVisible(xl));
    for (const wchar_t* p : {L"Visible", L"DisplayAlerts", L"EnableEvents", L"Interactive", L"ScreenUpdating"}) {
        EXPECT_EQ(put(excel, p, Arg(0, VT_BOOL)).hr, S_OK) << narrow(p);
        EXPECT_EQ(get(excel, p).number(), 0) << narrow(p);
    }
    for (IDispatch* app : {word, excel, powerPoint}) EXPECT_EQ(put(app, L"AutomationSecurity", Arg(3)).hr, S_OK);
    EXPECT_EQ(get(word, L"AutomationSecurity").number(), 3);
    EXPECT_NE(FindWindowA("OpusApp", nullptr), nullptr);

    // PowerPoint is shared: a second client gets the same application.
    IDispatch* again = start(L"PowerPoint.Application");
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(HWND(LONG_PTR(get(again, L"HWND").number())), ppt);
    again->Release();

    // Unknown members and parameters are refused the standard way.
    LPOLESTR bad[] = {const_cast<LPOLESTR>(L"NoSuchMember")};
    DISPID id;
    EXPECT_EQ(word->GetIDsOfNames(IID_NULL, bad, 1, 0, &id), DISP_E_UNKNOWNNAME);
    Result docs = get(word, L"Documents");
    EXPECT_EQ(method(docs.object(), L"Open", {}, {{L"NoSuchParameter", Arg(1)}}).hr, DISP_E_UNKNOWNNAME);
}

TEST_F(OfficeStandin, EachClientGetsItsOwnWordAndQuitEndsIt) {
    auto countWindows = [] {
        int n = 0;
        for (HWND w = GetWindow(GetDesktopWindow(), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) n += classOf(w) == "OpusApp";
        return n;
    };
    int before = countWindows();
    IDispatch* second = start(L"Word.Application");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(countWindows(), before + 1);
    EXPECT_EQ(method(second, L"Quit", {omitted, omitted, omitted}).hr, S_OK);
    second->Release();
    EXPECT_TRUE(testing_support::pumpUntil([&] { return countWindows() == before; }, 5000)) << countWindows();
}

TEST_F(OfficeStandin, FaultSwitchesAndTheJournal) {
    std::string folder = testing_support::freshFolder("office-standin-journal");
    std::string journal = folder + "\\journal.txt";
    std::string path = folder + "\\memo.docx";
    ASSERT_TRUE(CopyFileA(sample("memo.docx").c_str(), path.c_str(), FALSE));
    setConfig(L"", L"Journal", wide(journal));
    setConfig(L"Faults", L"Word.Documents.Open", L"fail 0x800A1066");
    Result docs = get(word, L"Documents");
    Result failed = method(docs.object(), L"Open", {Arg(wide(path))});
    EXPECT_EQ(failed.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(failed.excep.scode, HRESULT(0x800A1066));
    setConfig(L"Faults", L"Word.Documents.Open", L"nothing");
    Result nothing = method(docs.object(), L"Open", {Arg(wide(path))});
    EXPECT_EQ(nothing.hr, S_OK);
    EXPECT_EQ(nothing.object(), nullptr);
    setConfig(L"Faults", L"Word.Documents.Open", L"");
    setConfig(L"Faults", L"Word.Document.SaveAs", L"return 1");
    Result doc = method(docs.object(), L"Open", {Arg(wide(path))});
    ASSERT_EQ(doc.hr, S_OK);
    std::string out = folder + "\\out.doc";
    EXPECT_EQ(method(doc.object(), L"SaveAs", {Arg(wide(out)), omitted, omitted, Arg(L"pw")}).hr, S_FALSE);
    EXPECT_TRUE(isEncryptedPackage(out));
    setConfig(L"Faults", L"Word.Document.SaveAs", L"hresult 0x80010105");
    EXPECT_EQ(method(doc.object(), L"SaveAs", {Arg(wide(out))}).hr, HRESULT(0x80010105));
    setConfig(L"Faults", L"Word.Document.SaveAs", L"");
    method(doc.object(), L"Close", {omitted, omitted, omitted});
    setConfig(L"", L"Journal", L"");

    std::vector<std::string> lines;
    std::ifstream in(journal);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    const char* expected[] = {
        "\tWord.Application.Documents\tmethod|get\t\t-> 0x00000000",
        "\tWord.Documents.Open\tmethod\tFileName=BSTR:\"" ,
        "\tWord.Documents.Open\tmethod\tFileName=BSTR:\"",
        "\tWord.Documents.Open\tmethod\tFileName=BSTR:\"",
        "\tWord.Document.SaveAs\tmethod\tFileName=BSTR:\"",
        "\tWord.Document.SaveAs\tmethod\tFileName=BSTR:\"",
        "\tWord.Document.Close\tmethod\tSaveChanges=omitted; OriginalFormat=omitted; RouteDocument=omitted\t-> 0x00000000",
    };
    ASSERT_EQ(lines.size(), std::size(expected));
    for (std::size_t i = 0; i < lines.size(); ++i) EXPECT_NE(lines[i].find(expected[i]), std::string::npos) << lines[i];
    EXPECT_NE(lines[1].find("scode 0x800A1066"), std::string::npos) << lines[1];
    EXPECT_NE(lines[4].find("FileFormat=omitted; LockComments=omitted; Password=BSTR:\"pw\"\t-> 0x00000001"), std::string::npos)
        << lines[4];
}

TEST_F(OfficeStandin, VersionKeysAreWrittenForTheChosenVersion) {
    std::string standin = testing_support::nativePath(std::string(TARNWICK_BINARY_DIR) + "/standins/office-standin.exe");
    auto setVersion = [&](const char* v) {
        return static_cast<DWORD>(testing_support::runProgram("\"" + standin + "\" /SetVersion " + v, "", 30000));
    };
    // In the view given; HKCU has only one.
    auto readable = [](HKEY root, const char* key, const char* value, DWORD view = 0) {
        char buf[1024];
        DWORD size = sizeof buf;
        HKEY h;
        if (RegOpenKeyExA(root, key, 0, KEY_READ | view, &h) != ERROR_SUCCESS) return false;
        bool found = RegGetValueA(h, nullptr, value, RRF_RT_REG_SZ, nullptr, buf, &size) == ERROR_SUCCESS;
        RegCloseKey(h);
        return found;
    };
    const char* export12 = "Software\\Microsoft\\Shared Tools\\Text Converters\\Export\\Word12";
    const char* import12 = "Software\\Microsoft\\Shared Tools\\Text Converters\\Import\\Word12";
    const char* root11 = "Software\\Microsoft\\Office\\11.0\\Word\\InstallRoot";
    const char* root12 = "Software\\Microsoft\\Office\\12.0\\Word\\InstallRoot";
    // The machine keys land in the chosen view only; "none" and the next
    // choice clear both views.
    struct Case {
        const char* arguments;
        DWORD view, other;
    } const cases[] = {{"11+converters", KEY_WOW64_32KEY, KEY_WOW64_64KEY},
                       {"11+converters 64", KEY_WOW64_64KEY, KEY_WOW64_32KEY}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        ASSERT_EQ(setVersion(c.arguments), 0u);
        EXPECT_TRUE(readable(HKEY_LOCAL_MACHINE, root11, "Path", c.view));
        EXPECT_FALSE(readable(HKEY_LOCAL_MACHINE, root11, "Path", c.other));
        EXPECT_TRUE(readable(HKEY_CURRENT_USER, "Software\\Microsoft\\Office\\11.0\\Word", "WordName"));
        EXPECT_TRUE(readable(HKEY_LOCAL_MACHINE, export12, "Path", c.view) &&
                    readable(HKEY_LOCAL_MACHINE, import12, "Path", c.view));
        EXPECT_FALSE(readable(HKEY_LOCAL_MACHINE, export12, "Path", c.other));
        ASSERT_EQ(setVersion("none"), 0u);
        EXPECT_FALSE(readable(HKEY_LOCAL_MACHINE, root11, "Path", c.view));
        EXPECT_FALSE(readable(HKEY_LOCAL_MACHINE, export12, "Path", c.view));
    }
    ASSERT_EQ(setVersion("12 64"), 0u);
    ASSERT_EQ(setVersion("12"), 0u);
    EXPECT_TRUE(readable(HKEY_LOCAL_MACHINE, root12, "Path", KEY_WOW64_32KEY));
    EXPECT_FALSE(readable(HKEY_LOCAL_MACHINE, root12, "Path", KEY_WOW64_64KEY));
    EXPECT_FALSE(readable(HKEY_LOCAL_MACHINE, root11, "Path", KEY_WOW64_32KEY));
    EXPECT_NE(setVersion("12 86"), 0u);
}

namespace {

// Live server processes of this stand-in.
int serverProcesses() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        count += lstrcmpiA(entry.szExeFile, "office-standin.exe") == 0;
    CloseHandle(snapshot);
    return count;
}

// Quit is answered before the server ends, every time, and no server
// outlives its client's Quit and release.
TEST(OfficeStandinQuit, RepliesAndTheServerEndsEveryTime) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    for (int round = 0; round < 8; ++round) {
        for (const wchar_t* progId : {L"PowerPoint.Application", L"Word.Application", L"Excel.Application"}) {
            SCOPED_TRACE(narrow(progId) + " round " + std::to_string(round));
            IDispatch* app = start(progId);
            ASSERT_NE(app, nullptr);
            Result docs = get(app, wcscmp(progId, L"Word.Application") == 0    ? L"Documents"
                                   : wcscmp(progId, L"Excel.Application") == 0 ? L"Workbooks"
                                                                               : L"Presentations");
            EXPECT_EQ(docs.hr, S_OK);
            Result quit = wcscmp(progId, L"Word.Application") == 0 ? method(app, L"Quit", {omitted, omitted, omitted})
                                                                   : method(app, L"Quit", {});
            EXPECT_EQ(quit.hr, S_OK);
            docs = Result();
            app->Release();
        }
    }
    CoUninitialize();
    EXPECT_TRUE(testing_support::pumpUntil([] { return serverProcesses() == 0; }, 20000)) << serverProcesses();
}

// /ShowWindow plays a user's open application window: visible, unowned, of
// the application's frame class, until it is closed.
TEST(OfficeStandinWindow, ShowWindowShowsAFrameUntilItIsClosed) {
    const std::string standin =
        testing_support::nativePath(std::string(TARNWICK_BINARY_DIR) + "/standins/office-standin.exe");
    const struct {
        const char* arguments;
        const char* className;
        const char* title;
    } cases[] = {
        {"excel", "XLMAIN", "Book1 - Excel stand-in"},
        {"PP11FrameClass \"Deck.ppt - PowerPoint\"", "PP11FrameClass", "Deck.ppt - PowerPoint"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        testing_support::ChildProcess shown;
        ASSERT_TRUE(shown.start("\"" + standin + "\" /ShowWindow " + c.arguments));
        HWND frame = testing_support::waitForTopLevel({shown.id(), c.className, nullptr}, 30000);
        EXPECT_NE(frame, nullptr);
        if (frame) {
            EXPECT_EQ(testing_support::windowTitle(frame), c.title);
            EXPECT_EQ(GetWindow(frame, GW_OWNER), nullptr);
            PostMessageA(frame, WM_CLOSE, 0, 0);
        }
        DWORD rc = 99;
        EXPECT_TRUE(shown.waitForExit(15000, rc));
        EXPECT_EQ(rc, 0u);
    }
}

}  // namespace
