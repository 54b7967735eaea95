#pragma once

// Late-bound automation objects without a type library: each object names
// its members and their parameters; GetIDsOfNames maps names to ids (member
// index + 1, parameters by position), Invoke maps positional and named
// arguments onto parameter slots, journals the call, applies fault switches
// and turns AppError into DISP_E_EXCEPTION with an EXCEPINFO.

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

namespace office_standin {

// The error an application raises: its code (EXCEPINFO scode) and text.
struct AppError {
    HRESULT code;
    std::wstring text;
};

struct MemberInfo {
    const wchar_t* name;
    std::vector<const wchar_t*> params;
};

class Args {
public:
    Args(const MemberInfo& member, DISPPARAMS* params);  // throws HRESULT on bad arguments
    std::size_t size() const { return slots_.size(); }
    bool present(std::size_t i) const;
    std::wstring text(std::size_t i) const;  // throws AppError if not convertible
    long number(std::size_t i) const;
    bool flag(std::size_t i) const;
    // The value of a property put.
    const VARIANT* putValue() const { return put_; }
    std::wstring putText() const;
    long putNumber() const;
    std::string describe() const;

private:
    const MemberInfo& member_;
    std::vector<const VARIANT*> slots_;
    const VARIANT* put_ = nullptr;
};

class DispatchObject : public IDispatch {
public:
    DispatchObject(const char* app, const char* object, const std::vector<MemberInfo>& members);
    virtual ~DispatchObject();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* excep, UINT* argErr) override;

protected:
    // Runs member `index`; flags are the DISPATCH_* kind. Throws AppError.
    virtual void call(std::size_t index, WORD flags, const Args& args, VARIANT* result) = 0;
    virtual const wchar_t* errorSource() const = 0;
    const char* app_;
    const char* object_;

private:
    const std::vector<MemberInfo>& members_;
    LONG refs_ = 1;
};

// Result helpers.
void setBool(VARIANT* v, bool value);
void setLong(VARIANT* v, long value);
void setText(VARIANT* v, const std::wstring& value);
void setObject(VARIANT* v, IDispatch* object);  // AddRefs

std::string narrow(const std::wstring& w);

}  // namespace office_standin
