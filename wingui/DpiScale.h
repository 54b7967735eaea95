#pragma once

// Pixel sizes for a screen resolution. Sizes in the code are given for the
// standard 96 DPI (100 %); a window at another DPI multiplies them by
// dpi / 96. No Win32 here, so the layout arithmetic above it stays native.
// A dpi of 0 or less counts as 96.

constexpr int kStandardDpi = 96;

// value at fromDpi, at toDpi, rounded to the nearest pixel (halves away
// from zero).
constexpr int rescaleForDpi(int value, int fromDpi, int toDpi) {
    if (fromDpi <= 0) fromDpi = kStandardDpi;
    if (toDpi <= 0) toDpi = kStandardDpi;
    const long long product = static_cast<long long>(value) * toDpi;
    const long long half = fromDpi / 2;
    return static_cast<int>(product >= 0 ? (product + half) / fromDpi : -((-product + half) / fromDpi));
}

// value (at 96 DPI) at dpi.
constexpr int scaleForDpi(int value, int dpi) { return rescaleForDpi(value, kStandardDpi, dpi); }

// value (at dpi) at 96 DPI.
constexpr int unscaleForDpi(int value, int dpi) { return rescaleForDpi(value, dpi, kStandardDpi); }
