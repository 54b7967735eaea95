// A small program for the clipboard tests: it lists FOLDER in a file list,
// selects the rows NAME..., runs the list's Copy command and ends, so that
// the test can look at what the clipboard keeps once the program that
// copied is gone. FOLDER comes without its trailing backslash, which would
// escape the closing quote of the argument.
//   list_copy_and_exit FOLDER NAME...
// Exit codes: 0 copied, 2 usage, 3 no list, 4 a name without a row.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "browser/tests/ListHost.h"
#include "resources/TarnwickIds.h"
#include "wingui/ComApartment.h"
#include "wingui/ListView.h"

namespace {

int copyRows(int count, char** names) {
    browser_test::ListHost host("Copy and exit", 900, 600);
    if (host.list == nullptr) return 3;
    const std::string folder = std::string(names[0]) + "\\";
    XListView_ListFolder(host.list, folder.c_str());
    for (int i = 1; i < count; ++i) {
        LVFINDINFOA find = {};
        find.flags = LVFI_STRING;
        find.psz = names[i];
        const int row =
            static_cast<int>(SendMessageA(host.list, LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
        if (row < 0) return 4;
        LVITEMA item = {};
        item.stateMask = item.state = LVIS_SELECTED;
        SendMessageA(host.list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    }
    SendMessageA(host.list, WM_COMMAND, IDM_LIST_COPY, 0);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    ComApartment ole(ComApartment::Kind::Ole);
    return copyRows(argc - 1, argv + 1);
}
