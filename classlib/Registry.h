// The registry: one open key at a time under a root, 8-bit names and values.
#pragma once

#include "classlib/SysUtils.h"
#include "classlib/WinHandle.h"

namespace cl {

class ERegistryException : public Exception { using Exception::Exception; };

class TRegistry {
public:
    explicit TRegistry(REGSAM access = KEY_ALL_ACCESS) : access_(access) {}

    HKEY RootKey() const { return root_; }
    void SetRootKey(HKEY root);
    REGSAM Access() const { return access_; }
    void SetAccess(REGSAM access) { access_ = access; }
    HKEY CurrentKey() const { return current_.get(); }
    const AnsiString& CurrentPath() const { return path_; }

    // A leading "\" starts at the root, otherwise at the open key; false when it cannot
    // be opened (or made, with canCreate).
    bool OpenKey(const AnsiString& key, bool canCreate);
    bool OpenKeyReadOnly(const AnsiString& key);
    void CloseKey();
    bool KeyExists(const AnsiString& key);
    bool DeleteKey(const AnsiString& key);

    bool ValueExists(const AnsiString& name) const;
    bool DeleteValue(const AnsiString& name);
    // Reads fail with ERegistryException when the value is absent or of another type.
    AnsiString ReadString(const AnsiString& name) const;
    void WriteString(const AnsiString& name, const AnsiString& value);
    std::int32_t ReadInteger(const AnsiString& name) const;
    void WriteInteger(const AnsiString& name, std::int32_t value);

private:
    HKEY Base(const AnsiString& key, AnsiString& rest) const;
    bool Open(const AnsiString& key, bool canCreate, REGSAM access);

    HKEY root_ = HKEY_CURRENT_USER;
    REGSAM access_;
    KeyHandle current_;
    AnsiString path_;
};

} // namespace cl
