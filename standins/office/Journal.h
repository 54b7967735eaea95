#pragma once

// The stand-in's inspection and fault switches, both configured in the
// prefix's registry under HKCU "Software\Tarnwick Stand-ins\Office":
//  - value "Journal": a file to which every call is appended as one line;
//  - subkey "Faults": values named "<App>.<Object>.<Member>" (for instance
//    "Word.Documents.Open") whose text is one of
//      "fail 0x800A1066"    the call raises the application error with this code
//      "hresult 0x80004005" Invoke itself returns this code
//      "return 1"           the call does its work, then returns this success code
//      "nothing"            the call does nothing and returns no object.

#include <windows.h>

#include <string>

namespace office_standin {

extern const wchar_t kConfigKey[];

struct Fault {
    enum Kind { None, Fail, Hresult, Return, Nothing } kind = None;
    HRESULT code = S_OK;
};

Fault faultFor(const std::string& qualifiedMember);
void journal(const std::string& line);

}  // namespace office_standin
