#include "Dispatch.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>

#include "Journal.h"

namespace office_standin {

std::string narrow(const std::wstring& w) {
    if (w.empty()) return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), int(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(std::size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), int(w.size()), &s[0], n, nullptr, nullptr);
    return s;
}

namespace {

bool isOmitted(const VARIANT* v) {
    return v == nullptr || (V_VT(v) == VT_ERROR && V_ERROR(v) == DISP_E_PARAMNOTFOUND);
}

std::string typeName(VARTYPE vt) {
    std::string prefix = (vt & VT_BYREF) ? "BYREF " : "";
    switch (vt & VT_TYPEMASK) {
    case VT_EMPTY: return prefix + "EMPTY";
    case VT_NULL: return prefix + "NULL";
    case VT_I2: return prefix + "I2";
    case VT_I4: return prefix + "I4";
    case VT_INT: return prefix + "INT";
    case VT_UI4: return prefix + "UI4";
    case VT_BOOL: return prefix + "BOOL";
    case VT_BSTR: return prefix + "BSTR";
    case VT_ERROR: return prefix + "ERROR";
    case VT_DISPATCH: return prefix + "DISPATCH";
    case VT_UNKNOWN: return prefix + "UNKNOWN";
    case VT_VARIANT: return prefix + "VARIANT";
    default: return prefix + "VT" + std::to_string(vt & VT_TYPEMASK);
    }
}

std::string describeValue(const VARIANT* v) {
    if (isOmitted(v)) return "omitted";
    VARIANT copy;
    VariantInit(&copy);
    std::string out = typeName(V_VT(v));
    if (SUCCEEDED(VariantCopyInd(&copy, const_cast<VARIANT*>(v)))) {
        if (V_VT(&copy) == VT_BSTR) {
            out += ":\"" + narrow(V_BSTR(&copy) ? V_BSTR(&copy) : L"") + "\"";
        } else if (V_VT(&copy) == VT_ERROR) {
            char buf[16];
            std::snprintf(buf, sizeof buf, ":0x%08lX", static_cast<unsigned long>(V_ERROR(&copy)));
            out += buf;
        } else if (V_VT(&copy) != VT_EMPTY && V_VT(&copy) != VT_DISPATCH && V_VT(&copy) != VT_UNKNOWN &&
                   SUCCEEDED(VariantChangeType(&copy, &copy, 0, VT_BSTR))) {
            out += ":" + narrow(V_BSTR(&copy));
        }
    }
    VariantClear(&copy);
    return out;
}

const char* kindName(WORD flags) {
    if (flags & DISPATCH_PROPERTYPUTREF) return "putref";
    if (flags & DISPATCH_PROPERTYPUT) return "put";
    if ((flags & DISPATCH_METHOD) && (flags & DISPATCH_PROPERTYGET)) return "method|get";
    if (flags & DISPATCH_METHOD) return "method";
    return "get";
}

}  // namespace

Args::Args(const MemberInfo& member, DISPPARAMS* params) : member_(member) {
    if (!params) return;
    UINT named = params->cNamedArgs;
    UINT total = params->cArgs;
    if (named > total) throw HRESULT(DISP_E_BADPARAMCOUNT);
    std::size_t positional = total - named;
    std::size_t limit = member.params.size();
    std::size_t namedSlots = 0;
    for (UINT i = 0; i < named; ++i) {
        DISPID id = params->rgdispidNamedArgs[i];
        if (id == DISPID_PROPERTYPUT) {
            put_ = &params->rgvarg[i];
        } else if (id < 0 || std::size_t(id) >= limit) {
            throw HRESULT(DISP_E_PARAMNOTFOUND);
        } else {
            namedSlots = std::max(namedSlots, std::size_t(id) + 1);
        }
    }
    if (positional > limit) throw HRESULT(DISP_E_BADPARAMCOUNT);
    slots_.assign(std::max(positional, namedSlots), nullptr);
    // Positional arguments come last-first in rgvarg, after the named ones.
    for (std::size_t p = 0; p < positional; ++p) slots_[p] = &params->rgvarg[total - 1 - p];
    for (UINT i = 0; i < named; ++i) {
        DISPID id = params->rgdispidNamedArgs[i];
        if (id != DISPID_PROPERTYPUT) slots_[std::size_t(id)] = &params->rgvarg[i];
    }
}

bool Args::present(std::size_t i) const { return i < slots_.size() && !isOmitted(slots_[i]); }

namespace {

template <typename T>
T convert(const VARIANT* v, VARTYPE vt, T (*get)(const VARIANT&)) {
    VARIANT out;
    VariantInit(&out);
    VARIANT in;
    VariantInit(&in);
    if (FAILED(VariantCopyInd(&in, const_cast<VARIANT*>(v))) || FAILED(VariantChangeType(&out, &in, 0, vt))) {
        VariantClear(&in);
        throw AppError{DISP_E_TYPEMISMATCH, L"Type mismatch"};
    }
    T value = get(out);
    VariantClear(&in);
    VariantClear(&out);
    return value;
}

std::wstring bstrOf(const VARIANT& v) { return V_BSTR(&v) ? std::wstring(V_BSTR(&v), SysStringLen(V_BSTR(&v))) : std::wstring(); }
long longOf(const VARIANT& v) { return V_I4(&v); }
bool boolOf(const VARIANT& v) { return V_BOOL(&v) != VARIANT_FALSE; }

}  // namespace

std::wstring Args::text(std::size_t i) const { return present(i) ? convert(slots_[i], VT_BSTR, bstrOf) : std::wstring(); }
long Args::number(std::size_t i) const { return present(i) ? convert(slots_[i], VT_I4, longOf) : 0; }
bool Args::flag(std::size_t i) const { return present(i) && convert(slots_[i], VT_BOOL, boolOf); }

std::wstring Args::putText() const {
    if (!put_) throw AppError{DISP_E_PARAMNOTFOUND, L"Argument not optional"};
    return convert(put_, VT_BSTR, bstrOf);
}

long Args::putNumber() const {
    if (!put_) throw AppError{DISP_E_PARAMNOTFOUND, L"Argument not optional"};
    VARIANT in;
    VariantInit(&in);
    VariantCopyInd(&in, const_cast<VARIANT*>(put_));
    // A Boolean true is -1, as the object models store it.
    long value = V_VT(&in) == VT_BOOL ? (V_BOOL(&in) ? -1 : 0) : convert(&in, VT_I4, longOf);
    VariantClear(&in);
    return value;
}

std::string Args::describe() const {
    std::string out;
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        if (!out.empty()) out += "; ";
        out += narrow(member_.params[i]) + "=" + describeValue(slots_[i]);
    }
    if (put_) out += std::string(out.empty() ? "" : "; ") + "value=" + describeValue(put_);
    return out;
}

DispatchObject::DispatchObject(const char* app, const char* object, const std::vector<MemberInfo>& members)
    : app_(app), object_(object), members_(members) {
    CoAddRefServerProcess();
}

DispatchObject::~DispatchObject() {
    if (CoReleaseServerProcess() == 0) PostQuitMessage(0);
}

HRESULT DispatchObject::QueryInterface(REFIID riid, void** out) {
    if (!out) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch) {
        *out = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG DispatchObject::AddRef() { return ULONG(InterlockedIncrement(&refs_)); }

ULONG DispatchObject::Release() {
    LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return ULONG(left);
}

HRESULT DispatchObject::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT DispatchObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return DISP_E_BADINDEX;
}

HRESULT DispatchObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!names || !ids || count == 0) return E_INVALIDARG;
    HRESULT hr = S_OK;
    const MemberInfo* member = nullptr;
    ids[0] = DISPID_UNKNOWN;
    for (std::size_t m = 0; m < members_.size(); ++m) {
        if (_wcsicmp(members_[m].name, names[0]) == 0) {
            member = &members_[m];
            ids[0] = DISPID(m + 1);
        }
    }
    if (!member) hr = DISP_E_UNKNOWNNAME;
    for (UINT n = 1; n < count; ++n) {
        ids[n] = DISPID_UNKNOWN;
        if (member) {
            for (std::size_t p = 0; p < member->params.size(); ++p)
                if (_wcsicmp(member->params[p], names[n]) == 0) ids[n] = DISPID(p);
        }
        if (ids[n] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

HRESULT DispatchObject::Invoke(DISPID id, REFIID, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                               EXCEPINFO* excep, UINT* argErr) {
    if (argErr) *argErr = 0;
    if (id < 1 || std::size_t(id) > members_.size()) return DISP_E_MEMBERNOTFOUND;
    const MemberInfo& member = members_[std::size_t(id - 1)];
    std::string qualified = std::string(app_) + "." + object_ + "." + narrow(member.name);
    char pid[32];
    std::snprintf(pid, sizeof pid, "%lu", static_cast<unsigned long>(GetCurrentProcessId()));
    std::string line = std::string(pid) + "\t" + qualified + "\t" + kindName(flags) + "\t";

    VARIANT scratch;
    VariantInit(&scratch);
    VARIANT* out = result ? result : &scratch;
    VariantInit(out);
    HRESULT hr = S_OK;
    std::wstring errorText;
    HRESULT errorCode = S_OK;
    try {
        Args args(member, params);
        line += args.describe();
        Fault fault = faultFor(qualified);
        if (fault.kind == Fault::Hresult) {
            hr = fault.code;
        } else if (fault.kind == Fault::Fail) {
            throw AppError{fault.code, L"The call failed (fault switch " + std::wstring(qualified.begin(), qualified.end()) + L")."};
        } else if (fault.kind == Fault::Nothing) {
            V_VT(out) = VT_DISPATCH;
            V_DISPATCH(out) = nullptr;
        } else {
            call(std::size_t(id - 1), flags, args, out);
            if (fault.kind == Fault::Return) hr = fault.code;
            if (fault.kind == Fault::Hold && args.size() > 0 && args.present(0)) holdFile(args.text(0), DWORD(fault.code));
        }
    } catch (HRESULT bad) {
        hr = bad;
    } catch (const AppError& e) {
        errorCode = e.code;
        errorText = e.text;
        hr = DISP_E_EXCEPTION;
    } catch (const std::exception& e) {
        errorCode = E_UNEXPECTED;
        errorText = L"Internal error: " + std::wstring(e.what(), e.what() + std::strlen(e.what()));
        hr = DISP_E_EXCEPTION;
    } catch (...) {
        errorCode = E_UNEXPECTED;
        errorText = L"Internal error";
        hr = DISP_E_EXCEPTION;
    }
    if (hr == DISP_E_EXCEPTION) {
        VariantClear(out);
        if (excep) {
            ZeroMemory(excep, sizeof *excep);
            excep->bstrSource = SysAllocString(errorSource());
            excep->bstrDescription = SysAllocString(errorText.c_str());
            excep->scode = errorCode;
        }
    }
    VariantClear(&scratch);
    char code[64];
    std::snprintf(code, sizeof code, "\t-> 0x%08lX", static_cast<unsigned long>(hr));
    line += code;
    if (hr == DISP_E_EXCEPTION) {
        std::snprintf(code, sizeof code, " scode 0x%08lX ", static_cast<unsigned long>(errorCode));
        line += code + narrow(errorText);
    }
    std::snprintf(code, sizeof code, "\tlcid 0x%04lX", static_cast<unsigned long>(locale));
    line += code;
    journal(line);
    return hr;
}

void setBool(VARIANT* v, bool value) {
    V_VT(v) = VT_BOOL;
    V_BOOL(v) = value ? VARIANT_TRUE : VARIANT_FALSE;
}

void setLong(VARIANT* v, long value) {
    V_VT(v) = VT_I4;
    V_I4(v) = value;
}

void setText(VARIANT* v, const std::wstring& value) {
    V_VT(v) = VT_BSTR;
    V_BSTR(v) = SysAllocStringLen(value.data(), UINT(value.size()));
}

void setObject(VARIANT* v, IDispatch* object) {
    V_VT(v) = VT_DISPATCH;
    V_DISPATCH(v) = object;
    if (object) object->AddRef();
}

}  // namespace office_standin
