#include "Applications.h"

#include <cstring>
#include <map>
#include <vector>

#include "Dispatch.h"
#include "Documents.h"
#include "Windows.h"

namespace office_standin {

namespace {

AppKind g_kind = AppKind::Word;
HWND g_frame = nullptr;
bool g_quit = false;
IDispatch* g_application = nullptr;  // not owned: the object clears it when it dies

// How long PowerPoint's prompt and error box wait for an answer.
constexpr UINT kPromptTimeoutMs = 120000;

const char* appName() { return g_kind == AppKind::Word ? "Word" : g_kind == AppKind::Excel ? "Excel" : "PowerPoint"; }

const wchar_t* sourceName() {
    return g_kind == AppKind::Word ? L"Microsoft Word" : g_kind == AppKind::Excel ? L"Microsoft Excel" : L"Microsoft PowerPoint";
}

// The codes the applications raise.
HRESULT openErrorCode() { return g_kind == AppKind::Word ? HRESULT(0x800A1436) : g_kind == AppKind::Excel ? HRESULT(0x800A03EC) : E_FAIL; }
HRESULT passwordErrorCode() { return g_kind == AppKind::Word ? HRESULT(0x800A1520) : openErrorCode(); }
HRESULT generalErrorCode() { return g_kind == AppKind::Word ? HRESULT(0x800A1066) : openErrorCode(); }

bool isPut(WORD flags) { return (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0; }

[[noreturn]] void readOnlyProperty() { throw AppError{generalErrorCode(), L"The property is read-only."}; }

class Collection;

// Every object of the process raises errors in the application's name.
class AppObject : public DispatchObject {
public:
    using DispatchObject::DispatchObject;

protected:
    const wchar_t* errorSource() const override { return sourceName(); }
};

// ---- documents ----

class DocumentObject : public AppObject {
public:
    DocumentObject(LoadedDocument doc, Collection* owner);
    void detach() { owner_ = nullptr; }
    void closeQuietly() { closed_ = true; }
    const std::wstring& fullName() const { return doc_.fullName; }

protected:
    void call(std::size_t index, WORD flags, const Args& args, VARIANT* result) override;

private:
    void saveAs(const Args& args);
    LoadedDocument doc_;
    Collection* owner_;
    bool closed_ = false;
    std::u16string pendingPassword_;
    bool passwordSet_ = false;
    std::u16string writePassword_;
    bool readOnlyRecommended_;
};

// Every document object has the same members in the same order (DocMember);
// only the format property and the parameters differ between applications.
std::vector<MemberInfo> documentTable(const wchar_t* format, std::vector<const wchar_t*> saveAs,
                                      std::vector<const wchar_t*> close) {
    return {{L"ReadOnlyRecommended", {}}, {format, {}},          {L"SaveAs", std::move(saveAs)},
            {L"Close", std::move(close)}, {L"FullName", {}},     {L"Name", {}},
            {L"HasPassword", {}},         {L"Password", {}},     {L"WritePassword", {}}};
}

const std::vector<MemberInfo>& documentMembers(AppKind kind) {
    static const std::vector<MemberInfo> word = documentTable(
        L"SaveFormat",
        {L"FileName", L"FileFormat", L"LockComments", L"Password", L"AddToRecentFiles", L"WritePassword",
         L"ReadOnlyRecommended", L"EmbedTrueTypeFonts", L"SaveNativePictureFormat", L"SaveFormsData",
         L"SaveAsAOCELetter", L"Encoding", L"InsertLineBreaks", L"AllowSubstitutions", L"LineEnding", L"AddBiDiMarks"},
        {L"SaveChanges", L"OriginalFormat", L"RouteDocument"});
    static const std::vector<MemberInfo> excel = documentTable(
        L"FileFormat",
        {L"Filename", L"FileFormat", L"Password", L"WriteResPassword", L"ReadOnlyRecommended", L"CreateBackup",
         L"AccessMode", L"ConflictResolution", L"AddToMru", L"TextCodepage", L"TextVisualLayout", L"Local"},
        {L"SaveChanges", L"Filename", L"RouteWorkbook"});
    static const std::vector<MemberInfo> powerPoint =
        documentTable(L"SaveFormat", {L"FileName", L"FileFormat", L"EmbedTrueTypeFonts"}, {});
    return kind == AppKind::Word ? word : kind == AppKind::Excel ? excel : powerPoint;
}

enum DocMember { dReadOnlyRecommended, dFormat, dSaveAs, dClose, dFullName, dName, dHasPassword, dPassword, dWritePassword };

// ---- collections ----

class Collection : public AppObject {
public:
    Collection()
        : AppObject(appName(), g_kind == AppKind::Word ? "Documents" : g_kind == AppKind::Excel ? "Workbooks" : "Presentations",
                         members()) {}
    ~Collection() override {
        for (DocumentObject* d : docs_) {
            d->detach();
            d->Release();
        }
    }
    void remove(DocumentObject* doc) {
        for (auto it = docs_.begin(); it != docs_.end(); ++it) {
            if (*it == doc) {
                docs_.erase(it);
                doc->Release();
                return;
            }
        }
    }
    void closeAll() {
        for (DocumentObject* d : docs_) {
            d->detach();
            d->closeQuietly();
            d->Release();
        }
        docs_.clear();
    }

protected:
    void call(std::size_t index, WORD flags, const Args& args, VARIANT* result) override;

private:
    static const std::vector<MemberInfo>& members() {
        static const std::vector<MemberInfo> word = {
            {L"Count", {}},
            {L"Open", {L"FileName", L"ConfirmConversions", L"ReadOnly", L"AddToRecentFiles", L"PasswordDocument",
                       L"PasswordTemplate", L"Revert", L"WritePasswordDocument", L"WritePasswordTemplate", L"Format",
                       L"Encoding", L"Visible", L"OpenAndRepair", L"DocumentDirection", L"NoEncodingDialog",
                       L"XMLTransform"}},
            {L"Item", {L"Index"}},
        };
        static const std::vector<MemberInfo> excel = {
            {L"Count", {}},
            {L"Open", {L"Filename", L"UpdateLinks", L"ReadOnly", L"Format", L"Password", L"WriteResPassword",
                       L"IgnoreReadOnlyRecommended", L"Origin", L"Delimiter", L"Editable", L"Notify", L"Converter",
                       L"AddToMru", L"Local", L"CorruptLoad"}},
            {L"Item", {L"Index"}},
        };
        static const std::vector<MemberInfo> powerPoint = {
            {L"Count", {}},
            {L"Open", {L"FileName", L"ReadOnly", L"Untitled", L"WithWindow"}},
            {L"Item", {L"Index"}},
        };
        return g_kind == AppKind::Word ? word : g_kind == AppKind::Excel ? excel : powerPoint;
    }
    IDispatch* open(const Args& args);
    std::vector<DocumentObject*> docs_;  // one reference each
};

IDispatch* Collection::open(const Args& args) {
    std::wstring path = args.text(0);
    if (!args.present(0)) throw AppError{openErrorCode(), L"Argument not optional: FileName"};
    OpenOutcome outcome;
    if (g_kind == AppKind::PowerPoint) {
        // PowerPoint takes no password: it asks for one with its own prompt.
        outcome = loadDocument(path, g_kind, nullptr);
        if (outcome.failure == OpenFailure::NeedPassword) {
            std::wstring typed;
            if (askPassword(g_frame, fileNameOf(fullPathOf(path)), typed, kPromptTimeoutMs) == PromptAnswer::Cancel)
                throw AppError{openErrorCode(), L"PowerPoint could not open the file: the password prompt was cancelled."};
            std::u16string pw(typed.begin(), typed.end());
            outcome = loadDocument(path, g_kind, &pw);
            if (outcome.failure == OpenFailure::WrongPassword) {
                showPowerPointError(g_frame, L"The password is incorrect. PowerPoint can't open the file.", kPromptTimeoutMs);
                throw AppError{openErrorCode(), outcome.message};
            }
        }
    } else {
        std::size_t passwordSlot = 4;  // PasswordDocument / Password
        std::u16string pw;
        bool given = args.present(passwordSlot);
        if (given) {
            std::wstring w = args.text(passwordSlot);
            pw.assign(w.begin(), w.end());
        }
        outcome = loadDocument(path, g_kind, given ? &pw : nullptr);
    }
    if (outcome.failure == OpenFailure::NeedPassword || outcome.failure == OpenFailure::WrongPassword)
        throw AppError{passwordErrorCode(), outcome.message};
    if (outcome.failure != OpenFailure::None) throw AppError{openErrorCode(), outcome.message};
    auto* doc = new DocumentObject(std::move(outcome.document), this);
    docs_.push_back(doc);  // the collection keeps the creation reference
    return doc;
}

void Collection::call(std::size_t index, WORD flags, const Args& args, VARIANT* result) {
    switch (index) {
    case 0:
        if (isPut(flags)) readOnlyProperty();
        setLong(result, long(docs_.size()));
        return;
    case 1: {
        if (g_quit) throw AppError{generalErrorCode(), L"The application has quit."};
        setObject(result, open(args));
        return;
    }
    case 2: {
        long i = args.number(0);
        if (i < 1 || std::size_t(i) > docs_.size()) throw AppError{DISP_E_BADINDEX, L"The requested member of the collection does not exist."};
        setObject(result, docs_[std::size_t(i - 1)]);
        return;
    }
    }
}

Collection* g_collection = nullptr;  // owned by the Application object

// ---- document members ----

DocumentObject::DocumentObject(LoadedDocument doc, Collection* owner)
    : AppObject(appName(), g_kind == AppKind::Word ? "Document" : g_kind == AppKind::Excel ? "Workbook" : "Presentation",
                     documentMembers(g_kind)),
      doc_(std::move(doc)),
      owner_(owner),
      readOnlyRecommended_(doc_.readOnlyRecommended) {}


// Documents stay in their own format: a FileFormat that names another one
// is refused rather than half-converted.
void checkFormat(const Args& args, DocFormat own) {
    if (!args.present(1)) return;
    long asked = args.number(1);
    int code = formatCode(own);
    bool ok = asked == code;
    if (g_kind == AppKind::Word) ok = ok || (asked == 16 && isOpenXml(own));  // wdFormatDocumentDefault
    if (g_kind == AppKind::Excel) ok = ok || (!isOpenXml(own) && (asked == -4143 || asked == 56 || asked == 39));
    if (g_kind == AppKind::PowerPoint) ok = ok || asked == 11;  // ppSaveAsDefault
    if (!ok)
        throw AppError{generalErrorCode(), L"The document can only be saved in its own format (" +
                                               std::wstring(formatName(own), formatName(own) + strlen(formatName(own))) +
                                               L"); format " + std::to_wstring(asked) + L" was asked for."};
}

void DocumentObject::saveAs(const Args& args) {
    std::wstring target = args.present(0) ? args.text(0) : doc_.fullName;
    checkFormat(args, doc_.format);
    std::u16string password = doc_.password;
    if (passwordSet_) password = pendingPassword_;
    std::size_t passwordSlot = g_kind == AppKind::Word ? 3 : g_kind == AppKind::Excel ? 2 : SIZE_MAX;
    if (passwordSlot != SIZE_MAX && args.present(passwordSlot)) {
        std::wstring w = args.text(passwordSlot);
        password.assign(w.begin(), w.end());
    }
    saveDocument(doc_, target, password, generalErrorCode());
    doc_.fullName = fullPathOf(target);
    doc_.password = password;
    doc_.wasEncrypted = !password.empty();
    passwordSet_ = false;
}

void DocumentObject::call(std::size_t index, WORD flags, const Args& args, VARIANT* result) {
    if (closed_) throw AppError{generalErrorCode(), L"The object has been deleted."};
    switch (index) {
    case dReadOnlyRecommended:
        if (isPut(flags)) {
            readOnlyRecommended_ = args.putNumber() != 0;
            return;
        }
        setBool(result, readOnlyRecommended_);
        return;
    case dFormat:
        if (isPut(flags)) readOnlyProperty();
        setLong(result, formatCode(doc_.format));
        return;
    case dSaveAs:
        saveAs(args);
        return;
    case dClose:
        closed_ = true;
        if (owner_) owner_->remove(this);  // may drop the collection's reference; the caller still holds one
        return;
    case dFullName:
        setText(result, doc_.fullName);
        return;
    case dName:
        setText(result, fileNameOf(doc_.fullName));
        return;
    case dHasPassword:
        setBool(result, passwordSet_ ? !pendingPassword_.empty() : !doc_.password.empty());
        return;
    case dPassword:
        if (isPut(flags)) {
            std::wstring w = args.putText();
            pendingPassword_.assign(w.begin(), w.end());
            passwordSet_ = true;
            return;
        }
        if (g_kind != AppKind::PowerPoint) throw AppError{generalErrorCode(), L"The property is write-only."};
        {
            const std::u16string& pw = passwordSet_ ? pendingPassword_ : doc_.password;
            setText(result, std::wstring(pw.begin(), pw.end()));
        }
        return;
    case dWritePassword:
        if (isPut(flags)) {
            std::wstring w = args.putText();
            writePassword_.assign(w.begin(), w.end());
            return;
        }
        setText(result, std::wstring(writePassword_.begin(), writePassword_.end()));
        return;
    }
}

// ---- application ----

struct Property {
    const wchar_t* name;
    bool boolean;  // VT_BOOL rather than a number
    long value;
};

class ApplicationObject : public AppObject {
public:
    ApplicationObject() : AppObject(appName(), "Application", members()) {
        g_application = this;
        if (g_kind == AppKind::Word)
            props_ = {{L"Visible", true, 0}, {L"ScreenUpdating", true, -1}, {L"DisplayAlerts", false, -1},
                      {L"AutomationSecurity", false, 1}};
        else if (g_kind == AppKind::Excel)
            props_ = {{L"Visible", true, 0}, {L"DisplayAlerts", true, -1}, {L"Interactive", true, -1},
                      {L"ScreenUpdating", true, -1}, {L"EnableEvents", true, -1}, {L"DisplayInfoWindow", true, 0},
                      {L"AutomationSecurity", false, 1}};
        else
            props_ = {{L"DisplayAlerts", false, 2}, {L"AutomationSecurity", false, 1}};
    }
    ~ApplicationObject() override {
        g_application = nullptr;
        if (collection_) collection_->Release();
        g_collection = nullptr;
    }

protected:
    void call(std::size_t index, WORD flags, const Args& args, VARIANT* result) override;

private:
    static const std::vector<MemberInfo>& members() {
        static const std::vector<MemberInfo> word = {
            {L"Documents", {}}, {L"Quit", {L"SaveChanges", L"OriginalFormat", L"RouteDocument"}}, {L"Name", {}},
            {L"Version", {}},   {L"Visible", {}},  {L"ScreenUpdating", {}}, {L"DisplayAlerts", {}},
            {L"AutomationSecurity", {}},
        };
        static const std::vector<MemberInfo> excel = {
            {L"Workbooks", {}},      {L"Quit", {}},          {L"Name", {}},           {L"Version", {}},
            {L"Visible", {}},        {L"DisplayAlerts", {}}, {L"Interactive", {}},    {L"ScreenUpdating", {}},
            {L"EnableEvents", {}},   {L"DisplayInfoWindow", {}}, {L"AutomationSecurity", {}}, {L"Hwnd", {}},
        };
        static const std::vector<MemberInfo> powerPoint = {
            {L"Presentations", {}}, {L"Quit", {}},          {L"Name", {}},       {L"Version", {}},
            {L"DisplayAlerts", {}}, {L"AutomationSecurity", {}}, {L"HWND", {}}, {L"Visible", {}},
            {L"WindowState", {}},   {L"Caption", {}},
        };
        return g_kind == AppKind::Word ? word : g_kind == AppKind::Excel ? excel : powerPoint;
    }
    Collection* collection() {
        if (!collection_) {
            collection_ = new Collection();
            g_collection = collection_;
        }
        return collection_;
    }
    void setVisible(long value);
    void setWindowState(long value);
    long windowState() const;

    std::vector<Property> props_;
    Collection* collection_ = nullptr;
    long pendingWindowState_ = 1;  // ppWindowNormal
};

void ApplicationObject::setVisible(long value) {
    if (g_kind == AppKind::PowerPoint && value == 0)
        throw AppError{E_FAIL, L"Application.Visible : Invalid request.  Hiding the application window is not allowed."};
    if (!g_frame) return;
    if (value == 0) {
        ShowWindow(g_frame, SW_HIDE);
    } else if (!IsWindowVisible(g_frame)) {
        int show = SW_SHOWNOACTIVATE;
        if (g_kind == AppKind::PowerPoint && pendingWindowState_ == 2) show = SW_SHOWMINNOACTIVE;
        if (g_kind == AppKind::PowerPoint && pendingWindowState_ == 3) show = SW_SHOWMAXIMIZED;
        ShowWindow(g_frame, show);
    }
}

void ApplicationObject::setWindowState(long value) {
    if (value < 1 || value > 3) throw AppError{E_INVALIDARG, L"The window state is out of range."};
    pendingWindowState_ = value;
    if (g_frame && IsWindowVisible(g_frame))
        ShowWindow(g_frame, value == 2 ? SW_SHOWMINNOACTIVE : value == 3 ? SW_SHOWMAXIMIZED : SW_SHOWNOACTIVATE);
}

long ApplicationObject::windowState() const {
    if (!g_frame || !IsWindowVisible(g_frame)) return pendingWindowState_;
    return IsIconic(g_frame) ? 2 : IsZoomed(g_frame) ? 3 : 1;
}

void ApplicationObject::call(std::size_t index, WORD flags, const Args& args, VARIANT* result) {
    const MemberInfo& member = members()[index];
    std::wstring name = member.name;
    if (g_quit && name != L"Quit") throw AppError{generalErrorCode(), L"The application has quit."};
    if (index == 0) {
        setObject(result, collection());
        return;
    }
    if (name == L"Quit") {
        if (!g_quit) {
            g_quit = true;
            if (collection_) collection_->closeAll();
            if (g_frame) DestroyWindow(g_frame);
            g_frame = nullptr;
            PostMessageW(nullptr, WM_APP_QUIT, 0, 0);
        }
        return;
    }
    if (name == L"Name") {
        setText(result, sourceName());
        return;
    }
    if (name == L"Version") {
        setText(result, L"12.0");
        return;
    }
    if (name == L"HWND" || name == L"Hwnd") {
        if (isPut(flags)) readOnlyProperty();
        setLong(result, long(reinterpret_cast<LONG_PTR>(g_frame)));
        return;
    }
    if (name == L"Caption") {
        wchar_t title[256] = L"";
        if (g_frame) GetWindowTextW(g_frame, title, 256);
        setText(result, title);
        return;
    }
    if (name == L"WindowState") {
        if (isPut(flags)) setWindowState(args.putNumber());
        else setLong(result, windowState());
        return;
    }
    if (name == L"Visible" && g_kind == AppKind::PowerPoint) {
        if (isPut(flags)) setVisible(args.putNumber());
        else setLong(result, g_frame && IsWindowVisible(g_frame) ? -1 : 0);
        return;
    }
    for (Property& p : props_) {
        if (name != p.name) continue;
        if (isPut(flags)) {
            long value = args.putNumber();
            if (p.boolean) value = value ? -1 : 0;
            if (name == L"Visible") setVisible(value);
            p.value = value;
        } else if (p.boolean) {
            setBool(result, p.value != 0);
        } else {
            setLong(result, p.value);
        }
        return;
    }
    throw AppError{generalErrorCode(), L"The member is not available."};
}

}  // namespace

void initApplication(AppKind kind, HWND frame) {
    g_kind = kind;
    g_frame = frame;
}

bool applicationHasQuit() { return g_quit; }

IDispatch* createApplication() {
    if (g_quit) return nullptr;
    if (g_application) {
        g_application->AddRef();
        return g_application;
    }
    return new ApplicationObject();
}

}  // namespace office_standin
