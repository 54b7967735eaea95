// A stand-in for the directory service's WinNT provider, for test prefixes
// that have none. Only what the product uses works: opening "WinNT://..."
// through ADsGetObject and reading the GUID property of the object, which is
// the prefix's machine GUID in braces. Never shipped.

#include <windows.h>
#include <ole2.h>
#include <iads.h>
#include <adserr.h>
#include <olectl.h>

#include <atomic>
#include <cwchar>
#include <string>

namespace {

// {7F2B6C1E-3A54-4D8B-9E61-2C0F4A8D5B13}
const CLSID kClsid = {0x7f2b6c1e, 0x3a54, 0x4d8b, {0x9e, 0x61, 0x2c, 0x0f, 0x4a, 0x8d, 0x5b, 0x13}};
const wchar_t kClsidText[] = L"{7F2B6C1E-3A54-4D8B-9E61-2C0F4A8D5B13}";
const wchar_t kProgId[] = L"TarnwickStandIn.WinNTNamespace";
const wchar_t kProvidersKey[] = L"Software\\Microsoft\\ADs\\Providers\\WinNT";

HMODULE g_module = nullptr;
std::atomic<long> g_objects{0};
std::atomic<long> g_locks{0};

std::wstring machineGuid() {
    wchar_t value[128] = {};
    DWORD size = sizeof value - sizeof(wchar_t);
    HKEY key = nullptr;
    std::wstring guid;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Cryptography", 0,
                      KEY_READ | KEY_WOW64_64KEY, &key) == ERROR_SUCCESS) {
        DWORD type = 0;
        if (RegQueryValueExW(key, L"MachineGuid", nullptr, &type, reinterpret_cast<BYTE*>(value), &size) ==
                ERROR_SUCCESS &&
            type == REG_SZ) {
            guid = value;
        }
        RegCloseKey(key);
    }
    if (guid.empty()) return guid;
    if (guid.front() != L'{') guid = L"{" + guid + L"}";
    return guid;
}

// Reference counting and IDispatch without a type library, shared by both
// objects.
template <typename Interface>
class DispatchObject : public Interface {
public:
    DispatchObject() { ++g_objects; }
    virtual ~DispatchObject() { --g_objects; }

    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count == nullptr) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    std::atomic<ULONG> refs_{1};
};

// The computer object. It answers both IADs and IADsComputer (the same
// object: IADsComputer extends IADs), so callers asking for either get the
// same GUID.
class Computer : public DispatchObject<IADsComputer> {
public:
    explicit Computer(const wchar_t* path) : path_(path != nullptr ? path : L"") {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IADs || iid == IID_IADsComputer) {
            *out = static_cast<IADsComputer*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }

    HRESULT STDMETHODCALLTYPE get_Name(BSTR* out) override { return text(L".", out); }
    HRESULT STDMETHODCALLTYPE get_Class(BSTR* out) override { return text(L"Computer", out); }
    HRESULT STDMETHODCALLTYPE get_GUID(BSTR* out) override {
        std::wstring guid = machineGuid();
        if (guid.empty()) return E_FAIL;
        return text(guid.c_str(), out);
    }
    HRESULT STDMETHODCALLTYPE get_ADsPath(BSTR* out) override { return text(path_.c_str(), out); }
    HRESULT STDMETHODCALLTYPE get_Parent(BSTR* out) override { return text(L"WinNT:", out); }
    HRESULT STDMETHODCALLTYPE get_Schema(BSTR* out) override { return text(L"WinNT://./Schema/Computer", out); }
    HRESULT STDMETHODCALLTYPE GetInfo() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetInfo() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Get(BSTR, VARIANT*) override { return E_ADS_PROPERTY_NOT_FOUND; }
    HRESULT STDMETHODCALLTYPE Put(BSTR, VARIANT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetEx(BSTR, VARIANT*) override { return E_ADS_PROPERTY_NOT_FOUND; }
    HRESULT STDMETHODCALLTYPE PutEx(LONG, BSTR, VARIANT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetInfoEx(VARIANT, LONG) override { return S_OK; }

    // The computer's own properties: none is kept by this stand-in.
    HRESULT STDMETHODCALLTYPE get_ComputerID(BSTR* out) override { return absent(out); }
    HRESULT STDMETHODCALLTYPE get_Site(BSTR* out) override { return absent(out); }
    HRESULT STDMETHODCALLTYPE get_Description(BSTR* out) override { return absent(out); }
    HRESULT STDMETHODCALLTYPE put_Description(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Location(BSTR* out) override { return absent(out); }
    HRESULT STDMETHODCALLTYPE put_Location(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_PrimaryUser(BSTR* out) override { return absent(out); }
    HRESULT STDMETHODCALLTYPE put_PrimaryUser(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Owner(BSTR* out) override { return absent(out); }
    HRESULT STDMETHODCALLTYPE put_Owner(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Division(BSTR* out) override { return absent(out); }
    HRESULT STDMETHODCALLTYPE put_Division(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Department(BSTR* out) override { return absent(out); }
    HRESULT STDMETHODCALLTYPE put_Department(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Role(BSTR* out) override { return absent(out); }
    HRESULT STDMETHODCALLTYPE put_Role(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_OperatingSystem(BSTR* out) override { return absent(out); }
    HRESULT STDMETHODCALLTYPE put_OperatingSystem(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_OperatingSystemVersion(BSTR* out) override { return absent(out); }
    HRESULT STDMETHODCALLTYPE put_OperatingSystemVersion(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Model(BSTR* out) override { return absent(out); }
    HRESULT STDMETHODCALLTYPE put_Model(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Processor(BSTR* out) override { return absent(out); }
    HRESULT STDMETHODCALLTYPE put_Processor(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ProcessorCount(BSTR* out) override { return absent(out); }
    HRESULT STDMETHODCALLTYPE put_ProcessorCount(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_MemorySize(BSTR* out) override { return absent(out); }
    HRESULT STDMETHODCALLTYPE put_MemorySize(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_StorageCapacity(BSTR* out) override { return absent(out); }
    HRESULT STDMETHODCALLTYPE put_StorageCapacity(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_NetAddresses(VARIANT* out) override {
        if (out == nullptr) return E_POINTER;
        VariantInit(out);
        return E_ADS_PROPERTY_NOT_FOUND;
    }
    HRESULT STDMETHODCALLTYPE put_NetAddresses(VARIANT) override { return E_NOTIMPL; }

private:
    static HRESULT absent(BSTR* out) {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        return E_ADS_PROPERTY_NOT_FOUND;
    }
    static HRESULT text(const wchar_t* value, BSTR* out) {
        if (out == nullptr) return E_POINTER;
        *out = SysAllocString(value);
        return *out != nullptr ? S_OK : E_OUTOFMEMORY;
    }

    std::wstring path_;
};

class Namespace : public DispatchObject<IADsOpenDSObject> {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IADsOpenDSObject) {
            *out = static_cast<IADsOpenDSObject*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }

    HRESULT STDMETHODCALLTYPE OpenDSObject(BSTR path, BSTR, BSTR, LONG, IDispatch** out) override {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        if (path == nullptr || _wcsnicmp(path, L"WinNT:", 6) != 0) return E_ADS_BAD_PATHNAME;
        *out = new Computer(path);
        return S_OK;
    }
};

class Factory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *out = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        if (outer != nullptr) return CLASS_E_NOAGGREGATION;
        Namespace* created = new Namespace();
        HRESULT hr = created->QueryInterface(iid, out);
        created->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock) {
            ++g_locks;
        } else {
            --g_locks;
        }
        return S_OK;
    }
};

Factory g_factory;

bool setValue(HKEY root, const std::wstring& keyPath, const wchar_t* name, const std::wstring& value) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(root, keyPath.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    LONG result = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (clsid != kClsid) return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(iid, out);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return (g_objects == 0 && g_locks == 0) ? S_OK : S_FALSE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
    wchar_t module[MAX_PATH];
    DWORD length = GetModuleFileNameW(g_module, module, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return SELFREG_E_CLASS;
    std::wstring clsidKey = std::wstring(L"CLSID\\") + kClsidText;
    bool ok = setValue(HKEY_CLASSES_ROOT, clsidKey, nullptr, L"Tarnwick test WinNT provider") &&
              setValue(HKEY_CLASSES_ROOT, clsidKey + L"\\InprocServer32", nullptr, module) &&
              setValue(HKEY_CLASSES_ROOT, clsidKey + L"\\InprocServer32", L"ThreadingModel", L"Both") &&
              setValue(HKEY_CLASSES_ROOT, clsidKey + L"\\ProgID", nullptr, kProgId) &&
              setValue(HKEY_CLASSES_ROOT, std::wstring(kProgId) + L"\\CLSID", nullptr, kClsidText) &&
              setValue(HKEY_LOCAL_MACHINE, kProvidersKey, nullptr, kProgId);
    return ok ? S_OK : SELFREG_E_CLASS;
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kProvidersKey);
    RegDeleteTreeW(HKEY_CLASSES_ROOT, kProgId);
    RegDeleteTreeW(HKEY_CLASSES_ROOT, (std::wstring(L"CLSID\\") + kClsidText).c_str());
    return S_OK;
}
