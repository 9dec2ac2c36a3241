#include "classlib/ComServ.h"

#include "classlib/ModuleFile.h"

#include <oleauto.h>

namespace cl {

namespace {

struct TypeLib {
    ITypeLib* lib = nullptr;
    ~TypeLib()
    {
        if (lib) lib->Release();
    }
};

[[noreturn]] void Fail(const char* what, HRESULT hr)
{
    throw EOleRegistrationError(Format("%s failed (%.8X)", {what, static_cast<unsigned>(hr)}), hr);
}

void Load(HMODULE module, TypeLib& tl)
{
    HRESULT hr = LoadTypeLibEx(ModuleFileNameW(module).c_str(), REGKIND_NONE, &tl.lib);
    if (FAILED(hr)) Fail("Loading the type library", hr);
}

} // namespace

bool FindCmdLineSwitch(const std::vector<AnsiString>& args, const char* name)
{
    for (const AnsiString& a : args)
        if (a.size() > 1 && (a[0] == '/' || a[0] == '-') && SameText(std::string_view(a).substr(1), name)) return true;
    return false;
}

bool TComServer::Initialize(const std::vector<AnsiString>& args)
{
    if (FindCmdLineSwitch(args, "REGSERVER")) mode_ = TStartMode::smRegServer;
    else if (FindCmdLineSwitch(args, "UNREGSERVER")) mode_ = TStartMode::smUnregServer;
    else if (FindCmdLineSwitch(args, "AUTOMATION") || FindCmdLineSwitch(args, "EMBEDDING")) mode_ = TStartMode::smAutomation;

    try {
        if (mode_ == TStartMode::smUnregServer) UnregisterTypeLibrary();
        else RegisterTypeLibrary();
    } catch (const EOleRegistrationError& e) {
        if (e.ErrorCode() != TYPE_E_REGISTRYACCESS || mode_ == TStartMode::smRegServer) throw;
    }
    return mode_ != TStartMode::smRegServer && mode_ != TStartMode::smUnregServer;
}

void TComServer::RegisterTypeLibrary() const
{
    TypeLib tl;
    Load(module_, tl);
    std::wstring path = ModuleFileNameW(module_);
    HRESULT hr = RegisterTypeLib(tl.lib, path.data(), nullptr);
    if (FAILED(hr)) Fail("Registering the type library", hr);
}

void TComServer::UnregisterTypeLibrary() const
{
    TypeLib tl;
    Load(module_, tl);
    TLIBATTR* attr = nullptr;
    HRESULT hr = tl.lib->GetLibAttr(&attr);
    if (FAILED(hr)) Fail("Reading the type library", hr);
    TLIBATTR a = *attr;
    tl.lib->ReleaseTLibAttr(attr);
    hr = UnRegisterTypeLib(a.guid, a.wMajorVerNum, a.wMinorVerNum, a.lcid, a.syskind);
    // Unregistering what is not registered is no failure.
    if (FAILED(hr) && hr != TYPE_E_LIBNOTREGISTERED) Fail("Unregistering the type library", hr);
}

} // namespace cl
