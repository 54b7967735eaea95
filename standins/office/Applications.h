#pragma once

// The three applications' object models: Application, its document
// collection (Documents, Workbooks, Presentations) and the documents.

#include <windows.h>
#include <oaidl.h>

#include "doccrypt/Formats.h"

namespace office_standin {

// The documents' formats and their encryption are the product's (doccrypt/).
using namespace doccrypt;

// Sets the process's application kind and frame window; call once before
// any object is created.
void initApplication(AppKind kind, HWND frame);

// A new reference on the process's Application object (PowerPoint shares
// one; Word and Excel get one per process). Null once the application quit.
IDispatch* createApplication();

// True once the application's Quit has been called.
bool applicationHasQuit();

// Posted to the main thread when the application quits (it wakes the loop;
// applicationHasQuit is what counts, since a modal loop may drop it).
constexpr UINT WM_APP_QUIT = WM_APP + 1;

}  // namespace office_standin
