#include "shell/IEExternal.h"

#include "classlib/Encoding.h"
#include "classlib/OleErrors.h"
#include "shell/FeedBackFrm.h"
#include "shell/MainFrm.h"
#include "shell/MovieCopy.h"
#include "shell/PlayFrm.h"
#include "shell/Portal.h"
#include "shell/SettingFrm.h"

#include <algorithm>

namespace {
// Text arguments arrive as UTF-16 and go on as 8-bit text of the ANSI code page.
cl::AnsiString Text(BSTR s) { return cl::WideToAnsi(s ? std::wstring_view(s, SysStringLen(s)) : std::wstring_view()); }
} // namespace

cl::TAutoObjectFactory<TIEExternal>& IEExternalFactory()
{
    static cl::TAutoObjectFactory<TIEExternal> factory(GetModuleHandleA(nullptr), CLSID_IEExternal, IID_IIEExternal);
    return factory;
}

TIEExternal::~TIEExternal()
{
    if (links_) links_->Remove(*this);
}

void TExternalLinks::Add(TIEExternal& external)
{
    if (external.links_) external.links_->Remove(external);
    external.links_ = this;
    externals_.push_back(&external);
}

void TExternalLinks::Remove(TIEExternal& external)
{
    externals_.erase(std::remove(externals_.begin(), externals_.end(), &external), externals_.end());
    external.links_ = nullptr;
}

void TExternalLinks::Clear()
{
    for (TIEExternal* external : externals_) {
        external->MainForm = nullptr;
        external->FeedBackForm = nullptr;
        external->PlayForm = nullptr;
        external->links_ = nullptr;
    }
    externals_.clear();
}

HRESULT TIEExternal::Test()
{
    return cl::SafeCall(IID_IIEExternal, [] { cl::Application->MessageBox(PortalHost(), "Orvane游戏盒"); });
}

HRESULT TIEExternal::Navigate(BSTR TypeStr)
{
    if (!MainForm) return S_OK;
    return cl::SafeCall(IID_IIEExternal, [&] { MainForm->Navigate(Text(TypeStr)); });
}

HRESULT TIEExternal::Quick_Invoke(BSTR paramStr)
{
    return cl::SafeCall(IID_IIEExternal, [&] {
        if (SettingForm) SettingForm->Quick_Invoke(Text(paramStr));
    });
}

HRESULT TIEExternal::AddFav()
{
    if (!PlayForm) return S_OK; // no object of the program has a player window
    return cl::SafeCall(IID_IIEExternal, [&] { PlayForm->AddFav(); });
}

HRESULT TIEExternal::Refresh() { return S_OK; }

HRESULT TIEExternal::Down() { return AddFav(); }

HRESULT TIEExternal::Play(BSTR sUrl)
{
    if (!MainForm) return S_OK;
    return cl::SafeCall(IID_IIEExternal, [&] { MainForm->Play(Text(sUrl)); });
}

HRESULT TIEExternal::GetSwf(BSTR strUrl)
{
    return cl::SafeCall(IID_IIEExternal, [&] {
        StartMovieCopy(strUrl ? std::wstring_view(strUrl, SysStringLen(strUrl)) : std::wstring_view());
    });
}

HRESULT TIEExternal::DelGame(BSTR sType, BSTR sName, LONG* re)
{
    if (!re) return E_POINTER;
    *re = 0; // always defined, also when nothing is deleted
    if (!MainForm) return S_OK;
    return cl::SafeCall(IID_IIEExternal, [&] { *re = MainForm->GameDel(Text(sType), Text(sName)); });
}

HRESULT TIEExternal::CloseWindow()
{
    if (!FeedBackForm) return S_OK;
    return cl::SafeCall(IID_IIEExternal, [&] { FeedBackForm->CloseWindow(); });
}
