#pragma once

#include "foundation/Object.h"

// The installed Office version as the registry shows it. Office's keys under
// HKEY_LOCAL_MACHINE are read in the 32-bit view first (a 32-bit Office on
// 64-bit Windows writes them there), then in the 64-bit view. The results of
// isOfficeWord12Convertible are cached for the process: a probe that found
// an installation is kept, one that found none is repeated at the next call,
// and the convertible flag is only ever set. The first call happens on the
// user-interface thread at start-up, before any job thread runs.
class OfficeVersion : public Object {
public:
    // The highest N (30 down to 8) with both HKLM
    // "Software\Microsoft\Office\N.0\Word\InstallRoot" "Path" and HKCU
    // "Software\Microsoft\Office\N.0\Word" "WordName"; -1 when none. Probes
    // again at every call.
    static int getWordVersion();
    // Version 12 or later, or 11 with the Word 12 converters installed.
    static bool isOfficeWord12Convertible();
    // Both Word 12 text converters (export and import) are registered under
    // an "\Microsoft Office\Office12\" path.
    static bool isOfficeWord12ConverterInstalled();

    // Forgets the cache (tests only).
    static void resetCacheForTesting();
};
