#pragma once

#include <windows.h>
#include <oleidl.h>
#include <shellapi.h>

#include <string>

#include "browser/CommandRules.h"

class LinkedList;

// Files between the file list and the rest of the desktop: the shell's data
// object when giving (Copy, a drag from the list), CF_HDROP file lists when
// taking (Paste, a drop on the list). Everything runs on the user-interface
// thread.

// True when path names an existing file, not a folder.
bool isPlainFile(const std::string& path);

// Copy: the selected files as the shell's data object on the clipboard,
// flushed so that they outlive the program.
void XListView_CopyToClipboard(HWND list);
// The number of plain files (not folders) in the clipboard's file list; 0
// without one.
int XListView_QueryCliboard(HWND list);
// Paste: copies the clipboard's files into the current folder.
void XListView_PastFromClipboard(HWND list);
// The shell's data object for the items (ListItem names) of folder; the
// caller releases it. False, with nothing handed out, when none can be made.
bool XListView_GetFilesDataObject(const char* folder, LinkedList* items, IDataObject** dataObject);
// Starts a drag of the selected files (the list's LVN_BEGINDRAG).
void XListView_OnBegindrag(HWND list);
// Copies the plain files of a CF_HDROP list into the current folder. An
// existing file is replaced only when the user agrees, and comes back when
// its replacement cannot be copied.
void XListView_DoPaste(HWND list, HDROP files);
// Moves (or copies) the listable files of a CF_HDROP list into the current
// folder, overwriting as Paste does; what it was offered and what it took.
listcmd::DropTally XListView_DragDropFiles(HWND list, HDROP files, bool move);

// The list's single drop target: takes file lists dropped on the list.
class CDropTarget : public IDropTarget {
public:
    CDropTarget();
    virtual ~CDropTarget();
    CDropTarget(const CDropTarget&) = delete;
    CDropTarget& operator=(const CDropTarget&) = delete;

    void bind(HWND list) { window_ = list; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keyState, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) override;

private:
    volatile LONG references_;
    HWND window_;
    bool accept_;
};

// The drop source of one drag from the list.
class CDropSource : public IDropSource {
public:
    CDropSource();
    virtual ~CDropSource() = default;
    CDropSource(const CDropSource&) = delete;
    CDropSource& operator=(const CDropSource&) = delete;

    bool wasDropped() const { return dropped_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escapePressed, DWORD keyState) override;
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD effect) override;

private:
    ULONG references_;
    bool dropped_;
};

// The process's drop target, bound to the list and registered for it by
// XListView_Create.
CDropTarget* XListView_DropTarget();
