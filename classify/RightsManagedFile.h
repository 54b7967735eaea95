#pragma once

#include "classify/IssuanceLicense.h"

// The issuance licence of one rights-managed document, read when the object
// is made.
class RightsManagedFile : public IssuanceLicense {
public:
    explicit RightsManagedFile(const char* path);
    // The licence issuer's name (the document's owner); false, with an empty
    // owner, when no licence was loaded or it names no issuer.
    bool getOwner(String& owner);

private:
    bool loaded_ = false;
};

// True when the current user's rights-management store holds a client
// licensor certificate of owner ("CLC-<owner>-*.drm", each '-' of the owner
// written ";k").
bool hasClientLicensorCertificate(const char* owner);
