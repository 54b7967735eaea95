#pragma once

#include <windows.h>
#include <msxml2.h>

#include <wrl/client.h>

#include "foundation/Object.h"
#include "foundation/String.h"
#include "wingui/ComApartment.h"

// An XrML licence in an MSXML 3.0 DOM document queried with XPath. The
// constructor initialises COM on the calling thread and the destructor
// uninitialises it again.
class IssuanceLicense : public Object {
public:
    // Throws Exception (code 0) when no DOM document can be created.
    IssuanceLicense();
    ~IssuanceLicense() override;
    IssuanceLicense(const IssuanceLicense&) = delete;
    IssuanceLicense& operator=(const IssuanceLicense&) = delete;

    // Parses xml (ANSI text) synchronously; false on a parse or COM error.
    bool load(const char* xml);
    // The text of the first node matching xpath; false when none matches.
    // Throws Exception when there is no document.
    bool getTextByPath(const char* xpath, String& text);

private:
    // Declared first: the document is released before COM is left.
    ComApartment apartment_;
    Microsoft::WRL::ComPtr<IXMLDOMDocument2> document_;
};
