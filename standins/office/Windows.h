#pragma once

// The applications' frame windows and PowerPoint's own password prompt and
// error box.

#include <windows.h>

#include <string>

#include "doccrypt/Formats.h"

namespace office_standin {

// The documents' formats and their encryption are the product's (doccrypt/).
using namespace doccrypt;

// The hidden top-level frame of the application, of its usual class and
// with a title that names it.
HWND createFrame(AppKind app);

// A visible top-level window of the class and title (at (300, 200), 480 x
// 300), as an application's open document window: runs until the window is
// closed, then returns 0; 1 when it cannot be created.
int showWindowUntilClosed(const std::wstring& className, const std::wstring& title);

enum class PromptAnswer { Ok, Cancel };

// Modal password prompt owned by frame: a dialog with the message in a
// RichEdit (id 4), a password edit (id 5), OK (1) and Cancel (2). Gives up
// by itself after timeoutMs without an answer.
PromptAnswer askPassword(HWND frame, const std::wstring& documentName, std::wstring& password, UINT timeoutMs);

// Modal error box owned by frame, titled "Microsoft Office PowerPoint", with
// one button (id 2) and no control of id 1.
void showPowerPointError(HWND frame, const std::wstring& text, UINT timeoutMs);

}  // namespace office_standin
