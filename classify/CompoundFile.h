#pragma once

#include <windows.h>
#include <objbase.h>

#include <wrl/client.h>

#include "foundation/Object.h"
#include "foundation/String.h"

class IssuanceLicense;

// A compound file opened for reading. When the document is held open by
// another program, a temporary copy (ending ".~veldtcopy") is opened instead
// and deleted again by close().
class CompoundFile : public Object {
public:
    static constexpr int kMaxCopyPath = 1023;

    CompoundFile() = default;
    ~CompoundFile() override;
    CompoundFile(const CompoundFile&) = delete;
    CompoundFile& operator=(const CompoundFile&) = delete;

    bool open(const char* path);
    // True when the licence text was found in the rights-management storages
    // and handed to licence.load (whether or not it parsed).
    bool getIssuanceLicense(IssuanceLicense& licence);
    // Releases the storage and deletes the temporary copy, if one was made.
    void close();

    // The temporary copy's path, empty when none was made.
    const char* copyPath() const { return copyPath_; }

private:
    bool openRoot(const char* path);
    bool copyNextTo(const char* guid, const char* extension);
    bool copyToProfile(const char* guid, const char* extension);
    void deleteCopy();

    Microsoft::WRL::ComPtr<IStorage> root_;
    String path_;
    char copyPath_[kMaxCopyPath + 1] = {};
};

// UTF-8 to code page 932 through the system's character-set converter; when
// the converter reports that it is not implemented, through the code-page
// functions. Returns a new[] text, or null on any failure.
char* convertUtf8ToCodePage932(const char* utf8);
