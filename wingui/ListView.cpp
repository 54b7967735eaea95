#include "wingui/ListView.h"

#include <shellapi.h>

#include "wingui/Dpi.h"

void listAddColumns(HWND list, const ListColumn* columns, int count) {
    const int dpi = static_cast<int>(dpiOfWindow(list));
    for (int i = 0; i < count; ++i) {
        LVCOLUMNA column = {};
        column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH;
        column.fmt = columns[i].format;
        column.cx = scaleForDpi(columns[i].width, dpi);
        column.pszText = const_cast<char*>(columns[i].title);
        SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
    }
}

int listInsertRow(HWND list, int index, const char* text, int image, LPARAM data) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    if (image >= 0) item.mask |= LVIF_IMAGE;
    item.iItem = index;
    item.pszText = const_cast<char*>(text != nullptr ? text : "");
    item.iImage = image;
    item.lParam = data;
    return static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

void listSetCell(HWND list, int row, int column, const char* text) {
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text != nullptr ? text : "");
    SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

std::string listGetCell(HWND list, int row, int column) {
    char text[1024] = {};
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text;
}

LPARAM listGetData(HWND list, int row) {
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return 0;
    return item.lParam;
}

void listUseSystemImages(HWND list) {
    SHFILEINFOA info = {};
    const auto images =
        reinterpret_cast<HIMAGELIST>(SHGetFileInfoA("C:\\", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    if (images == nullptr) return;
    SendMessageA(list, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(images));
    SendMessageA(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));
}

int listRowCount(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }

void listRescaleColumns(HWND list, int fromDpi, int toDpi) {
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    const int count = header != nullptr ? static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
    for (int i = 0; i < count; ++i) {
        const int width = static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(i), 0));
        SendMessageA(list, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(i), rescaleForDpi(width, fromDpi, toDpi));
    }
}

OwnedImageList::OwnedImageList(int width, int height, int initial, int grow)
    : images_(ImageList_Create(width, height, ILC_COLOR32 | ILC_MASK, initial, grow)), width_(width), height_(height) {}

int OwnedImageList::addIcon(HINSTANCE instance, int id) {
    if (!images_) return -1;
    HICON icon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_ICON, width_, height_, 0));
    if (icon == nullptr) return -1;
    int index = ImageList_AddIcon(images_.get(), icon);
    DestroyIcon(icon);
    return index;
}

void OwnedImageList::attachSmall(HWND list) const {
    SendMessageA(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images_.get()));
}
