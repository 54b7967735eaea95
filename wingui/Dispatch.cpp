#include "Dispatch.h"

#include <memory>
#include <string>
#include <vector>

#include "foundation/ComError.h"
#include "foundation/StringConverter.h"
#include "foundation/WinHandles.h"

using Microsoft::WRL::ComPtr;

namespace {

// BSTR (UTF-16) to ANSI text for the log and ComError.
std::string narrowText(BSTR text) {
    std::unique_ptr<char[]> narrow = ansiFromWide(text);
    return narrow ? std::string(narrow.get()) : std::string();
}

// Throws the ComError for a failed Invoke: for DISP_E_EXCEPTION the
// server's own code and text, as a typed binding would report them.
[[noreturn]] void throwInvokeFailure(HRESULT result, const EXCEPINFO& exception) {
    if (result != DISP_E_EXCEPTION) throw ComError(result);
    HRESULT code = exception.scode != 0 ? exception.scode
                   : exception.wCode != 0 ? MAKE_HRESULT(SEVERITY_ERROR, FACILITY_DISPATCH, exception.wCode)
                                          : result;
    std::string text = narrowText(exception.bstrDescription);
    throw ComError(code, text.c_str());
}

}  // namespace

DispatchValue::DispatchValue(const DispatchValue& other) {
    VariantInit(&value_);
    throwIfFailed(VariantCopy(&value_, const_cast<VARIANT*>(&other.value_)));
}

DispatchValue& DispatchValue::operator=(const DispatchValue& other) {
    if (this != &other) {
        VARIANT copy;
        VariantInit(&copy);
        throwIfFailed(VariantCopy(&copy, const_cast<VARIANT*>(&other.value_)));
        VariantClear(&value_);
        value_ = copy;
    }
    return *this;
}

DispatchValue DispatchValue::omitted() {
    DispatchValue v;
    V_VT(&v.value_) = VT_ERROR;
    V_ERROR(&v.value_) = DISP_E_PARAMNOTFOUND;
    return v;
}

DispatchValue DispatchValue::text(const char* ansi) {
    std::unique_ptr<wchar_t[]> wide = wideFromAnsi(ansi != nullptr ? ansi : "");
    if (!wide) throw ComError(E_INVALIDARG);
    BSTR text = SysAllocString(wide.get());
    if (text == nullptr) throw ComError(E_OUTOFMEMORY);
    DispatchValue v;
    V_VT(&v.value_) = VT_BSTR;
    V_BSTR(&v.value_) = text;
    return v;
}

DispatchValue DispatchValue::i4(long number) {
    DispatchValue v;
    V_VT(&v.value_) = VT_I4;
    V_I4(&v.value_) = number;
    return v;
}

DispatchValue DispatchValue::integer(int number) {
    DispatchValue v;
    V_VT(&v.value_) = VT_INT;
    V_INT(&v.value_) = number;
    return v;
}

DispatchValue DispatchValue::boolean(bool flag) {
    DispatchValue v;
    V_VT(&v.value_) = VT_BOOL;
    V_BOOL(&v.value_) = flag ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

long DispatchValue::toLong() const {
    unique_variant converted;
    throwIfFailed(VariantChangeType(&converted, const_cast<VARIANT*>(&value_), 0, VT_I4));
    return V_I4(&converted);
}

ComPtr<IDispatch> dispatchOf(const DispatchValue& value) {
    ComPtr<IDispatch> object;
    const VARIANT& v = value.get();
    if (V_VT(&v) == VT_DISPATCH) {
        object = V_DISPATCH(&v);
    } else if (V_VT(&v) == VT_UNKNOWN && V_UNKNOWN(&v) != nullptr) {
        V_UNKNOWN(&v)->QueryInterface(IID_PPV_ARGS(&object));
    }
    return object;
}

HRESULT DispatchObject::invoke(const wchar_t* member, WORD kind, const VARIANT* arguments, UINT count,
                               DispatchValue* result) const {
    if (!object_) throw ComError(E_POINTER);
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR name = const_cast<LPOLESTR>(member);
    HRESULT hr = object_->GetIDsOfNames(IID_NULL, &name, 1, locale_, &id);
    if (FAILED(hr)) throw ComError(hr);

    // Invoke takes the arguments last parameter first. The copies are
    // shallow: the callee must not change its in-arguments, and the owners
    // (the caller's DispatchValues) free them.
    std::vector<VARIANT> reversed(arguments, arguments + count);
    for (size_t i = 0, j = reversed.size(); i + 1 < j; ++i, --j) std::swap(reversed[i], reversed[j - 1]);
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS parameters{reversed.empty() ? nullptr : reversed.data(), nullptr, count, 0};
    if (kind & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        parameters.rgdispidNamedArgs = &putId;
        parameters.cNamedArgs = 1;
    }
    DispatchValue scratch;
    DispatchValue& out = result != nullptr ? *result : scratch;
    EXCEPINFO exception{};
    UINT argumentError = 0;
    hr = object_->Invoke(id, IID_NULL, locale_, kind, &parameters, out.put(), &exception, &argumentError);
    if (hr == DISP_E_EXCEPTION && exception.pfnDeferredFillIn != nullptr) exception.pfnDeferredFillIn(&exception);
    // The exception texts are the caller's to free, also after a success.
    const unique_bstr source(exception.bstrSource);
    const unique_bstr description(exception.bstrDescription);
    const unique_bstr helpFile(exception.bstrHelpFile);
    if (FAILED(hr)) {
        out.put();
        throwInvokeFailure(hr, exception);
    }
    return hr;
}

HRESULT DispatchObject::call(const wchar_t* member, std::initializer_list<DispatchValue> arguments,
                             DispatchValue* result) const {
    std::vector<VARIANT> values;
    values.reserve(arguments.size());
    for (const DispatchValue& a : arguments) values.push_back(a.get());
    return invoke(member, DISPATCH_METHOD, values.data(), static_cast<UINT>(values.size()), result);
}

HRESULT DispatchObject::getProperty(const wchar_t* member, DispatchValue& result) const {
    return invoke(member, DISPATCH_PROPERTYGET, nullptr, 0, &result);
}

HRESULT DispatchObject::putProperty(const wchar_t* member, const DispatchValue& value) const {
    return invoke(member, DISPATCH_PROPERTYPUT, &value.get(), 1, nullptr);
}

DispatchObject DispatchObject::getObject(const wchar_t* member) const {
    DispatchValue value;
    getProperty(member, value);
    return DispatchObject(dispatchOf(value), locale_);
}

DispatchObject DispatchObject::callObject(const wchar_t* member, std::initializer_list<DispatchValue> arguments,
                                          HRESULT* code) const {
    DispatchValue value;
    HRESULT hr = call(member, arguments, &value);
    if (code != nullptr) *code = hr;
    return DispatchObject(dispatchOf(value), locale_);
}

long DispatchObject::getLong(const wchar_t* member) const {
    DispatchValue value;
    getProperty(member, value);
    return value.toLong();
}
