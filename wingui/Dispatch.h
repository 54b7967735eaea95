#pragma once

#include <windows.h>
#include <oaidl.h>
#include <wrl/client.h>

#include <initializer_list>
#include <utility>

// Late-bound automation through IDispatch: members are found by name
// (GetIDsOfNames), arguments are given first parameter first (Invoke wants
// them reversed; this layer does that), an optional parameter that is not
// supplied is DispatchValue::omitted(), and a failed call throws ComError
// with the server's exception text when it gave one.

// One owned VARIANT argument or result; copies are deep.
class DispatchValue {
public:
    DispatchValue() { VariantInit(&value_); }
    DispatchValue(const DispatchValue& other);
    DispatchValue& operator=(const DispatchValue& other);
    ~DispatchValue() { VariantClear(&value_); }

    // VT_ERROR / DISP_E_PARAMNOTFOUND: "this optional parameter is omitted".
    static DispatchValue omitted();
    // VT_BSTR from ANSI text (null gives the empty string).
    static DispatchValue text(const char* ansi);
    static DispatchValue i4(long number);
    static DispatchValue integer(int number);  // VT_INT
    static DispatchValue boolean(bool flag);   // VT_BOOL, VARIANT_TRUE / VARIANT_FALSE

    const VARIANT& get() const { return value_; }
    // For results: clears the value first.
    VARIANT* put() {
        VariantClear(&value_);
        return &value_;
    }
    VARTYPE type() const { return V_VT(&value_); }
    // The value as a 32-bit number (VariantChangeType); throws ComError when
    // it cannot be converted.
    long toLong() const;
    // True for any non-zero number (VARIANT_TRUE is -1).
    bool toBool() const { return toLong() != 0; }

private:
    VARIANT value_;
};

// A reference on an automation object together with the locale that every
// call on it passes to Invoke.
class DispatchObject {
public:
    DispatchObject() = default;
    DispatchObject(Microsoft::WRL::ComPtr<IDispatch> object, LCID locale)
        : object_(std::move(object)), locale_(locale) {}

    explicit operator bool() const { return object_ != nullptr; }
    IDispatch* get() const { return object_.Get(); }
    LCID locale() const { return locale_; }
    void reset() { object_.Reset(); }

    // Each returns the call's own success code (S_OK, or another success
    // code the server chose) and throws ComError for a failure.
    HRESULT call(const wchar_t* member, std::initializer_list<DispatchValue> arguments = {},
                 DispatchValue* result = nullptr) const;
    HRESULT getProperty(const wchar_t* member, DispatchValue& result) const;
    HRESULT putProperty(const wchar_t* member, const DispatchValue& value) const;

    // Conveniences over the above. An object result that is empty or a null
    // dispatch pointer gives an empty DispatchObject (same locale).
    DispatchObject getObject(const wchar_t* member) const;
    DispatchObject callObject(const wchar_t* member, std::initializer_list<DispatchValue> arguments,
                              HRESULT* code = nullptr) const;
    long getLong(const wchar_t* member) const;
    bool getBool(const wchar_t* member) const { return getLong(member) != 0; }

private:
    HRESULT invoke(const wchar_t* member, WORD kind, const VARIANT* arguments, UINT count,
                   DispatchValue* result) const;

    Microsoft::WRL::ComPtr<IDispatch> object_;
    LCID locale_ = LOCALE_USER_DEFAULT;
};

// The object in value when it holds one (VT_DISPATCH, or VT_UNKNOWN that
// answers IDispatch); otherwise null.
Microsoft::WRL::ComPtr<IDispatch> dispatchOf(const DispatchValue& value);
