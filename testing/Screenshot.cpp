#include "Screenshot.h"

#include <wincodec.h>

#include <algorithm>

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

// A 32-bit top-down bitmap selected into a memory DC, released with the
// object; image() copies its pixels.
class Canvas {
public:
    Canvas(int width, int height) : width_(width), height_(height) {
        screen_ = GetDC(nullptr);
        dc_ = CreateCompatibleDC(screen_);
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        bitmap_ = CreateDIBSection(screen_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&pixels_), nullptr, 0);
        if (bitmap_ != nullptr) old_ = SelectObject(dc_, bitmap_);
    }
    ~Canvas() {
        if (bitmap_ != nullptr) {
            SelectObject(dc_, old_);
            DeleteObject(bitmap_);
        }
        DeleteDC(dc_);
        ReleaseDC(nullptr, screen_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    bool ready() const { return bitmap_ != nullptr; }
    HDC dc() const { return dc_; }
    HDC screen() const { return screen_; }
    void fill(std::uint32_t colour) { std::fill(pixels_, pixels_ + width_ * height_, colour); }
    WindowImage image() const {
        GdiFlush();
        WindowImage result;
        result.width = width_;
        result.height = height_;
        result.pixels.assign(pixels_, pixels_ + width_ * height_);
        for (std::uint32_t& pixel : result.pixels) pixel &= 0x00FFFFFF;
        return result;
    }

private:
    int width_;
    int height_;
    HDC screen_ = nullptr;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    std::uint32_t* pixels_ = nullptr;
};

}  // namespace

WindowImage captureWindow(HWND window) {
    RECT bounds;
    if (window == nullptr || !GetWindowRect(window, &bounds)) return {};
    const int width = bounds.right - bounds.left;
    const int height = bounds.bottom - bounds.top;
    if (width <= 0 || height <= 0) return {};
    Canvas canvas(width, height);
    if (!canvas.ready()) return {};
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    // A visible window is copied from the screen: that works for other
    // processes' windows too. A hidden one can only paint itself.
    bool copied = false;
    if (IsWindowVisible(window)) {
        SetForegroundWindow(window);
        GdiFlush();
        copied = BitBlt(canvas.dc(), 0, 0, width, height, canvas.screen(), bounds.left, bounds.top, SRCCOPY) != FALSE;
    }
    if (!copied && PrintWindow(window, canvas.dc(), 0)) {
        // Wine's PrintWindow leaves the child controls out: print each
        // visible child over its place (Windows has drawn them already, so
        // this repeats the same pixels there).
        struct Target {
            HDC dc;
            RECT bounds;
        } target{canvas.dc(), bounds};
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
    return canvas.image();
}

std::string saveScreenshot(HWND window, const std::string& name) {
    const WindowImage image = captureWindow(window);
    if (image.pixels.empty()) return {};
    std::string path = screenshotFolder() + "\\" + name + ".png";
    std::wstring widePath(path.begin(), path.end());
    bool initialised = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    if (!writePng(widePath, image.pixels.data(), static_cast<UINT>(image.width), static_cast<UINT>(image.height))) {
        path.clear();
    }
    if (initialised) CoUninitialize();
    return path;
}

WindowImage drawIcon(HICON icon, int size, std::uint32_t background) {
    if (icon == nullptr) return {};
    Canvas canvas(size, size);
    if (!canvas.ready()) return {};
    canvas.fill(background);
    DrawIconEx(canvas.dc(), 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    return canvas.image();
}

WindowImage drawIconResource(HMODULE module, int id, int size, std::uint32_t background) {
    HICON icon = static_cast<HICON>(LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0));
    WindowImage image = drawIcon(icon, size, background);
    if (icon != nullptr) DestroyIcon(icon);
    return image;
}

double matchShare(const WindowImage& picture, int x, int y, const WindowImage& part, int tolerance) {
    if (part.pixels.empty() || x < 0 || y < 0 || x + part.width > picture.width || y + part.height > picture.height) {
        return 0;
    }
    int matching = 0;
    for (int row = 0; row < part.height; ++row) {
        for (int column = 0; column < part.width; ++column) {
            const std::uint32_t a = picture.at(x + column, y + row);
            const std::uint32_t b = part.at(column, row);
            bool close = true;
            for (int shift = 0; shift < 24; shift += 8) {
                const int difference = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
                if (difference > tolerance || difference < -tolerance) close = false;
            }
            if (close) ++matching;
        }
    }
    return static_cast<double>(matching) / static_cast<double>(part.pixels.size());
}

double bestMatchShare(const WindowImage& picture, const RECT& corners, const WindowImage& part, int tolerance) {
    double best = 0;
    for (int y = corners.top; y <= corners.bottom; ++y) {
        for (int x = corners.left; x <= corners.right; ++x) best = std::max(best, matchShare(picture, x, y, part, tolerance));
    }
    return best;
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
