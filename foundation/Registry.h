#pragma once

#include <windows.h>

#include <string>

#include "Object.h"
#include "String.h"

// Which view of HKEY_LOCAL_MACHINE\Software a key is opened in. On 64-bit
// Windows a 32-bit program's keys live in the 32-bit view, which a 64-bit
// program sees only when it asks for it; on 32-bit Windows both are the one
// view. HKEY_CURRENT_USER\Software is one view for both.
enum class RegistryView {
    Own,     // the view of the running program
    Bits32,  // KEY_WOW64_32KEY
    Bits64,  // KEY_WOW64_64KEY
};

// Registry access below one predefined root key. Every operation opens its
// key for the one call and closes it again; none throws: failures (missing
// key or value, access denied, value too large) return false and leave the
// caller's value alone.
class Registry : public Object {
public:
    explicit Registry(HKEY root, RegistryView view = RegistryView::Own) : root_(root), view_(view) {}
    ~Registry() override = default;

    // Reads a value of at most 1023 characters, removes leading and trailing
    // blanks, tabs, carriage returns and line feeds and, when text remains,
    // assigns it. An empty or null valueName reads the key's default value.
    bool getString(const char* subKey, const char* valueName, String& value);
    // Reads the value untrimmed into buffer; it must fit in size bytes with
    // its terminator. The buffer is always terminated on success.
    bool getString(const char* subKey, const char* valueName, char* buffer, int size);
    // Reads four bytes into value; the stored type is not checked.
    bool getInteger(const char* subKey, const char* valueName, int& value);
    // Reads a number stored as text: an optional sign and the leading digits
    // (text that does not start with a number gives 0). Returns whether the
    // text could be read.
    bool getNumber(const char* subKey, const char* valueName, int& value);
    // Creates or opens subKey and writes value as REG_DWORD.
    bool setInteger(const char* subKey, const char* valueName, int value);
    // Creates or opens subKey and writes value as REG_SZ with its terminator.
    bool setString(const char* subKey, const char* valueName, const char* value);
    // True when subKey exists or could be created.
    bool createKey(const char* subKey);

    HKEY getRoot() const { return root_; }

private:
    // The access rights with the view's flag.
    REGSAM access(REGSAM rights) const;

    HKEY root_;
    RegistryView view_;
};

class CurrentUserRegistry : public Registry {
public:
    CurrentUserRegistry() : Registry(HKEY_CURRENT_USER) {}
};

class LocalMachineRegistry : public Registry {
public:
    explicit LocalMachineRegistry(RegistryView view = RegistryView::Own) : Registry(HKEY_LOCAL_MACHINE, view) {}

    // Reads, untrimmed, a value that another program writes below
    // HKEY_LOCAL_MACHINE\Software: in the 32-bit view first, where a 32-bit
    // program (most Office installations) writes it, then in the 64-bit view.
    static bool getInstalledString(const char* subKey, const char* valueName, char* buffer, int size);
};

class ClassesRootRegistry : public Registry {
public:
    ClassesRootRegistry() : Registry(HKEY_CLASSES_ROOT) {}
};

// A program's own key "Software\Merrowind\Application\<name>" below the
// current user, with the main window's geometry in its sub-key "Windows",
// value "Geometry" ("left top width height").
class Profile : public CurrentUserRegistry {
public:
    // name null means the module name. Creates the key when it is missing.
    explicit Profile(const char* name);

    // Sets all four to CW_USEDEFAULT, then fills what the stored geometry
    // gives. False when no geometry could be read.
    bool getGeometry(int& left, int& top, int& width, int& height);
    bool setGeometry(const RECT& rect);

    const char* getKey() const { return key_.getContents(); }

private:
    std::string windowsKey() const;

    String key_;
};

// The source of unique names.
class Guid : public Object {
public:
    // A new GUID as 38 characters in braces, upper-case hexadecimal groups
    // 8-4-4-4-12. False when no GUID could be made.
    bool toString(String& text);
};
