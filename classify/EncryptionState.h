#pragma once

// A file's protection as the file list shows it; the row's item data.
using EncryptionState = int;

constexpr EncryptionState kNotProtected = 0;
constexpr EncryptionState kRightsManaged = 1;     // shown "IRM"
constexpr EncryptionState kPasswordEncrypted = 2;  // shown "PWD"
