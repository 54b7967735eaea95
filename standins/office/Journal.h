#pragma once

// The stand-in's inspection and fault switches, both configured in the
// prefix's registry under HKCU "Software\Tarnwick Stand-ins\Office":
//  - value "Journal": a file to which every call is appended as one line;
//  - subkey "Faults": values named "<App>.<Object>.<Member>" (for instance
//    "Word.Documents.Open") whose text is one of
//      "fail 0x800A1066"    the call raises the application error with this code
//      "hresult 0x80004005" Invoke itself returns this code
//      "return 1"           the call does its work, then returns this success code
//      "nothing"            the call does nothing and returns no object;
//      "hold 3000"          the call does its work, then the file its first
//                           argument names is held open (no delete sharing)
//                           for that many milliseconds, as another program
//                           would hold it;
//    any of them followed by " once" answers one call, then removes itself;
//    "A | B" answers one call with A, then becomes B.
// Each journal line ends with the call's locale ("lcid 0x0409").

#include <windows.h>

#include <string>

namespace office_standin {

extern const wchar_t kConfigKey[];

struct Fault {
    enum Kind { None, Fail, Hresult, Return, Nothing, Hold } kind = None;
    HRESULT code = S_OK;
};

Fault faultFor(const std::string& qualifiedMember);
void journal(const std::string& line);
// Holds the file open without delete sharing for ms milliseconds.
void holdFile(const std::wstring& path, DWORD ms);

}  // namespace office_standin
