#pragma once

#include <windows.h>

// Joins the calling thread to a COM apartment for the guard's lifetime. A
// thread that is already in an apartment of another kind keeps it; only a
// successful initialisation here (S_OK or S_FALSE) is undone by the
// destructor, on the same thread.
class ComApartment {
public:
    enum class Kind {
        Com,  // CoInitialize: single-threaded apartment
        Ole,  // OleInitialize: single-threaded apartment with OLE (clipboard, drag-and-drop)
        Multithreaded,  // CoInitializeEx with COINIT_MULTITHREADED
    };

    explicit ComApartment(Kind kind = Kind::Com);
    ~ComApartment();
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    bool isInitialised() const { return SUCCEEDED(result_); }
    // The initialisation's own result.
    HRESULT result() const { return result_; }
    // Leaves the apartment now, if this guard joined it.
    void leave();

private:
    Kind kind_;
    HRESULT result_;
};
