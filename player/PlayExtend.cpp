#include "player/PlayExtend.h"

#include "classlib/Controls.h"
#include "classlib/Forms.h"
#include "player/PFrm.h"

cl::TAutoObjectFactory<TPlayExtend>& PlayExtendFactory()
{
    static cl::TAutoObjectFactory<TPlayExtend> factory(cl::ModuleInstance(), CLSID_PlayExtend, IID_IPlayExtend);
    return factory;
}

TPlayExtend::~TPlayExtend()
{
    if (PlayForm) PlayForm->ForgetExternal(*this);
}

HRESULT TPlayExtend::Test()
{
    return cl::SafeCall(IID_IPlayExtend, [] { cl::Application->MessageBox("Tessel 游戏播放器", "提示"); });
}

HRESULT TPlayExtend::Refresh()
{
    if (!PlayForm) return S_OK;
    return cl::SafeCall(IID_IPlayExtend, [&] { PlayForm->Refresh(); });
}

HRESULT TPlayExtend::AddFav()
{
    if (!PlayForm) return S_OK;
    return cl::SafeCall(IID_IPlayExtend, [&] { PlayForm->AddFav(); });
}

HRESULT TPlayExtend::GetSwf(BSTR sUrl)
{
    if (!PlayForm) return S_OK;
    return cl::SafeCall(IID_IPlayExtend, [&] {
        PlayForm->GetSwf(sUrl ? std::wstring_view(sUrl, SysStringLen(sUrl)) : std::wstring_view());
    });
}
