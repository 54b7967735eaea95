#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "foundation/UniqueAny.h"

// Helpers for the report-style list views of the programs (the notifier's
// results, the file list, the Office monitor's windows). Every call is a
// message to the control, so they work on any thread's list as long as
// the caller owns it.

struct ListColumn {
    const char* title;
    int width;  // at 96 DPI
    int format = LVCFMT_LEFT;  // LVCFMT_LEFT, LVCFMT_RIGHT or LVCFMT_CENTER
};

// Appends the columns in order, their widths scaled to the list's DPI.
void listAddColumns(HWND list, const ListColumn* columns, int count);
template <int N>
void listAddColumns(HWND list, const ListColumn (&columns)[N]) {
    listAddColumns(list, columns, N);
}

// One new row: its first column's text, its image (-1 for none) and its item
// data. index is where it goes (a sorted list places it by itself); returns
// the row's index, or -1 when it could not be inserted.
int listInsertRow(HWND list, int index, const char* text, int image, LPARAM data);
// Sets the text of a row's column (0 is the first).
void listSetCell(HWND list, int row, int column, const char* text);
// The text of a row's column, at most 1023 characters; empty for no row.
std::string listGetCell(HWND list, int row, int column);
// Shows the shell's system image list of small icons as the list's normal
// and small images. The list only borrows it (LVS_SHAREIMAGELISTS): the
// shell owns it and other controls show it too.
void listUseSystemImages(HWND list);
// The item data of a row; 0 for no row.
LPARAM listGetData(HWND list, int row);
int listRowCount(HWND list);
// Scales the width of every column from one DPI to another (after
// WM_DPICHANGED).
void listRescaleColumns(HWND list, int fromDpi, int toDpi);

namespace handles {
struct ImageListTraits {
    static HIMAGELIST invalid() { return nullptr; }
    static bool isValid(HIMAGELIST value) { return value != nullptr; }
    static void close(HIMAGELIST value) { ImageList_Destroy(value); }
};
}  // namespace handles
using unique_himagelist = unique_any<HIMAGELIST, handles::ImageListTraits>;

// An image list that the list view does not destroy (create the list with
// LVS_SHAREIMAGELISTS): it lives as long as this object.
class OwnedImageList {
public:
    // Small icons (width x height) with a mask, in 32-bit colour.
    OwnedImageList(int width, int height, int initial = 4, int grow = 4);

    HIMAGELIST get() const { return images_.get(); }
    // Adds the icon resource id of instance at the list's size; returns its
    // index, or -1 when the icon cannot be loaded.
    int addIcon(HINSTANCE instance, int id);
    // Makes this the list's small-image list.
    void attachSmall(HWND list) const;

private:
    unique_himagelist images_;
    int width_;
    int height_;
};
