#include "classify/Guid.h"

#include <windows.h>
#include <objbase.h>

#include <memory>

#include "foundation/StringConverter.h"

bool newGuidText(String& text) {
    GUID guid;
    if (FAILED(CoCreateGuid(&guid))) return false;
    wchar_t wide[40] = {};
    if (StringFromGUID2(guid, wide, 40) == 0) return false;
    std::unique_ptr<char[]> narrow(StringConverter::toMultiByte(wide));
    if (!narrow) return false;
    text = narrow.get();
    return true;
}
