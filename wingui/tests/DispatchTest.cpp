// The late-binding helper against a small recording IDispatch of the test's
// own: argument order and types, omitted arguments, property puts, locale,
// results, and failures turned into ComError with the server's text.

#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <cwchar>
#include <iterator>
#include <string>
#include <vector>

#include "foundation/ComError.h"
#include "wingui/Dispatch.h"

using Microsoft::WRL::ComPtr;

namespace {

struct Recorded {
    std::wstring member;
    WORD kind = 0;
    LCID locale = 0;
    std::vector<std::string> arguments;  // as Invoke received them, last parameter first
    std::vector<DISPID> named;
};

std::string describe(const VARIANT& v) {
    switch (V_VT(&v)) {
        case VT_ERROR: return V_ERROR(&v) == DISP_E_PARAMNOTFOUND ? "omitted" : "error";
        case VT_BSTR: {
            std::wstring w(V_BSTR(&v), SysStringLen(V_BSTR(&v)));
            return "BSTR:" + std::string(w.begin(), w.end());
        }
        case VT_I4: return "I4:" + std::to_string(V_I4(&v));
        case VT_INT: return "INT:" + std::to_string(V_INT(&v));
        case VT_BOOL: return std::string("BOOL:") + (V_BOOL(&v) == VARIANT_TRUE ? "true" : V_BOOL(&v) == 0 ? "false" : "?");
        default: return "VT" + std::to_string(V_VT(&v));
    }
}

// Members: "Echo" (returns its argument count as I4), "Child" (returns
// another recorder, or nothing when empty_ is set), "Fail" (raises an
// exception with a description), "Plain" (Invoke fails with E_ACCESSDENIED),
// "Deferred" (an exception filled in later), "Partly" (S_FALSE).
class Recorder final : public IDispatch {
public:
    std::vector<Recorded> calls;
    bool emptyChild = false;
    LONG refs = 1;
    virtual ~Recorder() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == IID_IDispatch) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(InterlockedIncrement(&refs)); }
    ULONG STDMETHODCALLTYPE Release() override {
        LONG left = InterlockedDecrement(&refs);
        if (left == 0) delete this;
        return ULONG(left);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        static const wchar_t* const known[] = {L"Echo", L"Child", L"Fail", L"Plain", L"Deferred", L"Partly"};
        for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
        for (DISPID id = 0; id < DISPID(std::size(known)); ++id) {
            if (_wcsicmp(names[0], known[id]) == 0) {
                ids[0] = id + 1;
                return S_OK;
            }
        }
        return DISP_E_UNKNOWNNAME;
    }
    static HRESULT STDMETHODCALLTYPE fillIn(EXCEPINFO* e) {
        e->bstrDescription = SysAllocString(L"filled in late");
        e->scode = HRESULT(0x800A0002);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID locale, WORD kind, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* excep, UINT*) override {
        static const wchar_t* const known[] = {L"Echo", L"Child", L"Fail", L"Plain", L"Deferred", L"Partly"};
        Recorded r;
        r.member = known[id - 1];
        r.kind = kind;
        r.locale = locale;
        for (UINT i = 0; i < params->cArgs; ++i) r.arguments.push_back(describe(params->rgvarg[i]));
        for (UINT i = 0; i < params->cNamedArgs; ++i) r.named.push_back(params->rgdispidNamedArgs[i]);
        calls.push_back(r);
        switch (id) {
            case 1:
                if (result) {
                    V_VT(result) = VT_I4;
                    V_I4(result) = LONG(params->cArgs);
                }
                return S_OK;
            case 2:
                if (result) {
                    V_VT(result) = VT_DISPATCH;
                    V_DISPATCH(result) = emptyChild ? nullptr : new Recorder();
                }
                return S_OK;
            case 3:
                excep->bstrSource = SysAllocString(L"Recorder");
                excep->bstrDescription = SysAllocString(L"The document is locked.");
                excep->scode = HRESULT(0x800A1066);
                return DISP_E_EXCEPTION;
            case 4: return E_ACCESSDENIED;
            case 5:
                excep->pfnDeferredFillIn = fillIn;
                return DISP_E_EXCEPTION;
            default: return S_FALSE;
        }
    }
};

class DispatchHelper : public testing::Test {
protected:
    void SetUp() override {
        recorder = new Recorder();
        object = DispatchObject(ComPtr<IDispatch>(recorder), 0x0411);
        recorder->Release();  // the DispatchObject holds the only reference
    }
    Recorder* recorder = nullptr;
    DispatchObject object;
};

TEST_F(DispatchHelper, ArgumentsReachInvokeReversedWithTheirTypes) {
    const DispatchValue m = DispatchValue::omitted();
    DispatchValue result;
    object.call(L"Echo",
                {DispatchValue::text("C:\\a b\\r.docx"), m, DispatchValue::i4(-1), DispatchValue::integer(-4143),
                 DispatchValue::boolean(true), DispatchValue::boolean(false), DispatchValue::text("")},
                &result);
    ASSERT_EQ(recorder->calls.size(), 1u);
    const Recorded& r = recorder->calls[0];
    EXPECT_EQ(r.kind, DISPATCH_METHOD);
    EXPECT_EQ(r.locale, LCID(0x0411));
    EXPECT_TRUE(r.named.empty());
    std::vector<std::string> expected = {"BSTR:",      "BOOL:false", "BOOL:true", "INT:-4143",
                                         "I4:-1",      "omitted",    "BSTR:C:\\a b\\r.docx"};
    EXPECT_EQ(r.arguments, expected);
    EXPECT_EQ(result.type(), VT_I4);
    EXPECT_EQ(result.toLong(), 7);
}

TEST_F(DispatchHelper, PropertyPutAndGetKinds) {
    object.putProperty(L"Echo", DispatchValue::boolean(false));
    EXPECT_EQ(object.getLong(L"Echo"), 0);
    ASSERT_EQ(recorder->calls.size(), 2u);
    EXPECT_EQ(recorder->calls[0].kind, DISPATCH_PROPERTYPUT);
    EXPECT_EQ(recorder->calls[0].named, std::vector<DISPID>{DISPID_PROPERTYPUT});
    EXPECT_EQ(recorder->calls[0].arguments, std::vector<std::string>{"BOOL:false"});
    EXPECT_EQ(recorder->calls[1].kind, DISPATCH_PROPERTYGET);
    EXPECT_TRUE(recorder->calls[1].arguments.empty());
}

TEST_F(DispatchHelper, ObjectResultsKeepTheLocaleAndANullObjectIsEmpty) {
    DispatchObject child = object.getObject(L"Child");
    ASSERT_TRUE(child);
    EXPECT_EQ(child.locale(), LCID(0x0411));
    recorder->emptyChild = true;
    EXPECT_FALSE(object.callObject(L"Child", {}));
    HRESULT code = E_FAIL;
    recorder->emptyChild = false;
    EXPECT_TRUE(object.callObject(L"Child", {DispatchValue::omitted()}, &code));
    EXPECT_EQ(code, S_OK);
}

TEST_F(DispatchHelper, SuccessCodesAreReturnedAndFailuresThrown) {
    EXPECT_EQ(object.call(L"Partly"), S_FALSE);
    struct Case {
        const wchar_t* member;
        HRESULT code;
        const char* message;  // null: the system's text
    };
    const Case cases[] = {
        {L"Fail", HRESULT(0x800A1066), "The document is locked."},
        {L"Deferred", HRESULT(0x800A0002), "filled in late"},
        {L"Plain", E_ACCESSDENIED, nullptr},
        {L"Missing", DISP_E_UNKNOWNNAME, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.member, c.member + wcslen(c.member)));
        try {
            object.call(c.member, {DispatchValue::i4(1)});
            ADD_FAILURE() << "no exception";
        } catch (const ComError& e) {
            EXPECT_EQ(e.getError(), c.code);
            if (c.message != nullptr) {
                EXPECT_STREQ(e.getErrorMessage(), c.message);
            } else {
                EXPECT_STRNE(e.getErrorMessage(), "");
            }
        }
    }
    EXPECT_THROW(DispatchObject().call(L"Echo"), ComError);
}

TEST(DispatchValueTest, CopiesAreDeepAndTextIsConverted) {
    DispatchValue original = DispatchValue::text("caf\xe9");
    DispatchValue copy = original;
    original = DispatchValue::i4(5);
    ASSERT_EQ(copy.type(), VT_BSTR);
    EXPECT_STREQ(V_BSTR(&copy.get()), L"caf\u00e9");
    EXPECT_EQ(DispatchValue::text(nullptr).type(), VT_BSTR);
    EXPECT_EQ(SysStringLen(V_BSTR(&DispatchValue::text(nullptr).get())), 0u);
    EXPECT_TRUE(DispatchValue::boolean(true).toBool());
    EXPECT_EQ(V_BOOL(&DispatchValue::boolean(true).get()), VARIANT_TRUE);
    EXPECT_THROW(DispatchValue::text("x").toLong(), ComError);
    DispatchValue omitted = DispatchValue::omitted();
    EXPECT_EQ(omitted.type(), VT_ERROR);
    EXPECT_EQ(V_ERROR(&omitted.get()), DISP_E_PARAMNOTFOUND);
}

}  // namespace
