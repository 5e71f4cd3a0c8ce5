#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/OwnFolders.h"

namespace ostrel::platform {

// The per-user settings store, in the registry's terms: keys hold named, typed values.
//
// On this platform key "Software\A\B\C" of the current user's hive is the file
// $XDG_CONFIG_HOME/A/B/C.reg (folders A and B are its parent keys), in the registry-export
// syntax. Reading accepts the "REGEDIT4" and the "Windows Registry Editor Version 5.00"
// header, CRLF or LF line ends, blank and ";" comment lines, and one section line
// "[HKEY_CURRENT_USER\Software\A\B\C]" (compared without regard to case) before the values.
// Below "Software" (any case) key names are folder and file names, so they compare with regard
// to case; "", ".", ".." and names holding "/" are refused. Value names compare without regard
// to (ASCII) case; "@" is the value with the empty name.
//
// A value is a type and exact bytes. Its file form:
//   REG_SZ without NUL, CR or LF bytes   "Name"="text"   (\ and " escaped as \\ and \";
//                                                         other bytes as they are)
//   any other REG_SZ                     "Name"=hex(1):61,00,62   (the exact bytes)
//   REG_DWORD of 4 bytes                 "Name"=dword:0000002a    (little-endian value)
//   REG_BINARY, anything else            "Name"=hex:... or hex(N):...
// so a text written with its character count (no terminating NUL) is stored without a NUL,
// and text holding NULs comes back byte for byte. The bytes of a hex(N) value are taken as
// they stand under either header.
//
// Queries report a REG_SZ or REG_EXPAND_SZ value the way the registry's query reports text
// that was written without its terminator: the stored bytes followed by one NUL, unless they
// already end in a NUL. So a value set to "abc" reads back as "abc\0" (4 bytes), "" as "\0",
// and "a\0b" as "a\0b\0"; a caller that wants the text cuts at the first NUL.
//
// Every change rewrites the key's file atomically under a lock (an exclusive flock on the
// sidecar file "C.reg.lock"): the file is read again under the lock, changed, written to
// "C.reg.tmp", flushed to disk and renamed over "C.reg". So concurrent writers never lose
// each other's values, and a writer killed at any moment leaves the old file or the new one.
// A file that cannot be parsed reads as absent; the next change first renames it aside to
// "C.reg.corrupt" ("C.reg.N.corrupt" when that name is taken), never destroying it.

// Value types, numbered as the registry numbers them.
enum RegType : std::uint32_t {
    kRegNone = 0,
    kRegSz = 1,
    kRegExpandSz = 2,
    kRegBinary = 3,
    kRegDword = 4,
};

// Hives. The store serves the current user's hive only.
constexpr std::uint32_t kHkeyCurrentUser = 0x80000001u;

// Status codes, numbered as the registry's calls number them.
enum RegStatus : long {
    kRegOk = 0,
    kRegNotFound = 2,           // no such key or value
    kRegInvalidHandle = 6,      // a hive the store does not serve
    kRegInvalidParameter = 87,  // a value name that cannot be stored
    kRegBadPathName = 161,      // a malformed key path
    kRegCantWrite = 1013,       // the change could not be stored; the old file is unchanged
};

struct RegValue {
    std::uint32_t type = kRegNone;
    std::string data;
};

// An open key: a snapshot of its values taken when it was opened, refreshed by every change
// made through it. Move-only; closes when it dies.
class RegKey {
  public:
    RegKey();
    ~RegKey();
    RegKey(RegKey&&) noexcept;
    RegKey& operator=(RegKey&&) noexcept;
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    bool IsOpen() const;

    // The type and data of value `name`, as a query reports them (see above): kRegOk, or
    // kRegNotFound when the key has no such value or is not open.
    long QueryValue(const std::string& name, RegValue& value) const;

    // Stores `data` with `type` as value `name`, replacing a value of that name in any case
    // (which keeps its spelling). kRegOk, or the reason nothing was stored.
    long SetValue(const std::string& name, std::uint32_t type, const std::string& data);

    struct State;

  private:
    friend long RegOpenKey(std::uint32_t, const std::string&, RegKey&);
    friend long RegCreateKey(std::uint32_t, const std::string&, RegKey&);
    std::unique_ptr<State> m_state;
};

// Checks that nobody but this user can change the file of key `path` of `hive`, its lock file
// or the folders that lead to them, from the configuration folder down (see CheckOwnFolder and
// CheckOwnFile); missing folders are not created. A path the store cannot serve is no problem
// here: nothing is ever read from or written to it.
OwnPathCheck CheckKeyStorage(std::uint32_t hive, const std::string& path);

// Opens existing key `path` of `hive` into `key`. kRegOk, kRegNotFound (no such key, or a file
// that cannot be read or parsed), or a status for a hive or path the store cannot serve.
long RegOpenKey(std::uint32_t hive, const std::string& path, RegKey& key);

// Opens key `path` of `hive`, creating it and its parent keys when missing. An unparsable file
// is renamed aside and replaced by an empty key.
long RegCreateKey(std::uint32_t hive, const std::string& path, RegKey& key);

}  // namespace ostrel::platform
