#include "classlib/AutoObj.h"

#include "classlib/ModuleFile.h"

#include <string>

namespace cl {

TAutoTypeInfo::~TAutoTypeInfo()
{
    if (info_) info_->Release();
}

ITypeInfo* TAutoTypeInfo::Get()
{
    if (tried_) return info_;
    tried_ = true;
    std::wstring path = ModuleFileNameW(module_);
    ITypeLib* lib = nullptr;
    if (FAILED(LoadTypeLibEx(path.c_str(), REGKIND_NONE, &lib))) return nullptr;
    if (FAILED(lib->GetTypeInfoOfGuid(iid_, &info_))) info_ = nullptr;
    lib->Release();
    return info_;
}

} // namespace cl
