#include "Screenshot.h"

#include <wincodec.h>

#include "TestPaths.h"

namespace testing_support {

namespace {

template <typename T>
void release(T*& p) {
    if (p != nullptr) {
        p->Release();
        p = nullptr;
    }
}

bool writePng(const std::wstring& path, const void* pixels, UINT width, UINT height) {
    IWICImagingFactory* factory = nullptr;
    IWICStream* stream = nullptr;
    IWICBitmapEncoder* encoder = nullptr;
    IWICBitmapFrameEncode* frame = nullptr;
    bool ok = false;
    HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                  reinterpret_cast<void**>(&factory));
    if (SUCCEEDED(hr)) hr = factory->CreateStream(&stream);
    if (SUCCEEDED(hr)) hr = stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE);
    if (SUCCEEDED(hr)) hr = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder);
    if (SUCCEEDED(hr)) hr = encoder->Initialize(stream, WICBitmapEncoderNoCache);
    if (SUCCEEDED(hr)) hr = encoder->CreateNewFrame(&frame, nullptr);
    if (SUCCEEDED(hr)) hr = frame->Initialize(nullptr);
    if (SUCCEEDED(hr)) hr = frame->SetSize(width, height);
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGR;
    if (SUCCEEDED(hr)) hr = frame->SetPixelFormat(&format);
    if (SUCCEEDED(hr)) {
        hr = frame->WritePixels(height, width * 4, width * height * 4,
                                static_cast<BYTE*>(const_cast<void*>(pixels)));
    }
    if (SUCCEEDED(hr)) hr = frame->Commit();
    if (SUCCEEDED(hr)) hr = encoder->Commit();
    ok = SUCCEEDED(hr);
    release(frame);
    release(encoder);
    release(stream);
    release(factory);
    return ok;
}

}  // namespace

std::string saveScreenshot(HWND window, const std::string& name) {
    RECT bounds;
    if (window == nullptr || !GetWindowRect(window, &bounds)) return {};
    int width = bounds.right - bounds.left;
    int height = bounds.bottom - bounds.top;
    if (width <= 0 || height <= 0) return {};

    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    std::string path;
    if (bitmap != nullptr) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        // A visible window is copied from the screen: that works for other
        // processes' windows too. A hidden one can only paint itself.
        bool copied = false;
        if (IsWindowVisible(window)) {
            SetForegroundWindow(window);
            GdiFlush();
            copied = BitBlt(memory, 0, 0, width, height, screen, bounds.left, bounds.top, SRCCOPY) != FALSE;
        }
        if (!copied && PrintWindow(window, memory, 0)) {
            // Wine's PrintWindow leaves the child controls out: print each
            // visible child over its place (Windows has drawn them already,
            // so this repeats the same pixels there).
            struct Target {
                HDC dc;
                RECT bounds;
            } target{memory, bounds};
            EnumChildWindows(
                window,
                [](HWND child, LPARAM param) -> BOOL {
                    auto* t = reinterpret_cast<Target*>(param);
                    RECT r;
                    if (!IsWindowVisible(child) || !GetWindowRect(child, &r)) return TRUE;
                    POINT origin;
                    SetViewportOrgEx(t->dc, r.left - t->bounds.left, r.top - t->bounds.top, &origin);
                    PrintWindow(child, t->dc, 0);
                    SetViewportOrgEx(t->dc, origin.x, origin.y, nullptr);
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&target));
        }
        GdiFlush();
        path = screenshotFolder() + "\\" + name + ".png";
        std::wstring widePath(path.begin(), path.end());
        bool initialised = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        if (!writePng(widePath, pixels, static_cast<UINT>(width), static_cast<UINT>(height))) path.clear();
        if (initialised) CoUninitialize();
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return path;
}

namespace {

const char kDesktopKey[] = "Control Panel\\Desktop";
const char kLogPixels[] = "LogPixels";

}  // namespace

ScreenDpi::ScreenDpi(DWORD dpi) {
    DWORD size = sizeof previous_;
    hadValue_ = RegGetValueA(HKEY_CURRENT_USER, kDesktopKey, kLogPixels, RRF_RT_REG_DWORD, nullptr, &previous_,
                             &size) == ERROR_SUCCESS;
    RegSetKeyValueA(HKEY_CURRENT_USER, kDesktopKey, kLogPixels, REG_DWORD, &dpi, sizeof dpi);
}

ScreenDpi::~ScreenDpi() {
    if (hadValue_) {
        RegSetKeyValueA(HKEY_CURRENT_USER, kDesktopKey, kLogPixels, REG_DWORD, &previous_, sizeof previous_);
    } else {
        RegDeleteKeyValueA(HKEY_CURRENT_USER, kDesktopKey, kLogPixels);
    }
}

}  // namespace testing_support
