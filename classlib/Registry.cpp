#include "classlib/Registry.h"

#include <algorithm>

namespace cl {

void TRegistry::SetRootKey(HKEY root)
{
    if (root == root_) return;
    CloseKey();
    root_ = root;
}

HKEY TRegistry::Base(const AnsiString& key, AnsiString& rest) const
{
    bool absolute = !key.empty() && key[0] == '\\';
    rest = absolute ? key.substr(1) : key;
    return absolute || !current_ ? root_ : current_.get();
}

bool TRegistry::Open(const AnsiString& key, bool canCreate, REGSAM access)
{
    AnsiString rest;
    HKEY base = Base(key, rest);
    HKEY opened = nullptr;
    LONG rc = canCreate
        ? RegCreateKeyExA(base, rest.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &opened, nullptr)
        : RegOpenKeyExA(base, rest.c_str(), 0, access, &opened);
    if (rc != ERROR_SUCCESS) return false;
    AnsiString path = (key.empty() || key[0] != '\\') && current_ ? path_ + (path_.empty() ? "" : "\\") + rest : rest;
    current_.reset(opened);
    path_ = path;
    return true;
}

bool TRegistry::OpenKey(const AnsiString& key, bool canCreate) { return Open(key, canCreate, access_); }

bool TRegistry::OpenKeyReadOnly(const AnsiString& key)
{
    if (!Open(key, false, KEY_READ)) return false;
    access_ = KEY_READ;
    return true;
}

void TRegistry::CloseKey()
{
    current_.reset();
    path_.clear();
}

bool TRegistry::KeyExists(const AnsiString& key)
{
    AnsiString rest;
    HKEY base = Base(key, rest); // before rest is read
    HKEY opened = nullptr;
    if (RegOpenKeyExA(base, rest.c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) return false;
    RegCloseKey(opened);
    return true;
}

bool TRegistry::DeleteKey(const AnsiString& key)
{
    AnsiString rest;
    HKEY base = Base(key, rest);
    return RegDeleteKeyA(base, rest.c_str()) == ERROR_SUCCESS;
}

bool TRegistry::ValueExists(const AnsiString& name) const
{
    return current_ && RegQueryValueExA(current_.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool TRegistry::DeleteValue(const AnsiString& name)
{
    return current_ && RegDeleteValueA(current_.get(), name.c_str()) == ERROR_SUCCESS;
}

AnsiString TRegistry::ReadString(const AnsiString& name) const
{
    DWORD type = 0, size = 0;
    HKEY key = current_.get();
    if (!key || RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        throw ERegistryException("Invalid data type for '" + name + "'");
    std::string data(size, '\0');
    if (size && RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
        throw ERegistryException("Failed to get data for '" + name + "'");
    data.resize(std::min<size_t>(size, data.size()));
    while (!data.empty() && data.back() == '\0') data.pop_back();
    return data;
}

void TRegistry::WriteString(const AnsiString& name, const AnsiString& value)
{
    if (!current_ || RegSetValueExA(current_.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                    static_cast<DWORD>(value.size() + 1)) != ERROR_SUCCESS)
        throw ERegistryException("Failed to set data for '" + name + "'");
}

std::int32_t TRegistry::ReadInteger(const AnsiString& name) const
{
    DWORD type = 0, value = 0, size = sizeof value;
    if (!current_ || RegQueryValueExA(current_.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD)
        throw ERegistryException("Invalid data type for '" + name + "'");
    return static_cast<std::int32_t>(value);
}

void TRegistry::WriteInteger(const AnsiString& name, std::int32_t value)
{
    DWORD v = static_cast<DWORD>(value);
    if (!current_ || RegSetValueExA(current_.get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v) != ERROR_SUCCESS)
        throw ERegistryException("Failed to set data for '" + name + "'");
}

} // namespace cl
