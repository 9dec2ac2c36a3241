// The object each pane of the program hands its page as window.external: page script
// switches the panes, plays games, deletes catalogue entries, saves settings and closes
// the feedback window through it.
#pragma once

#include "classlib/AutoObj.h"

#include "ludora_tlb_h.h"

class TMainForm;
class TFeedBackForm;
class TPlayForm;

class TIEExternal : public cl::TAutoObject<IIEExternal> {
public:
    using TAutoObject::TAutoObject;

    // Plain references to the windows it serves; an empty one makes its methods do nothing.
    TPlayForm* PlayForm = nullptr;
    TFeedBackForm* FeedBackForm = nullptr;
    TMainForm* MainForm = nullptr;

    HRESULT STDMETHODCALLTYPE Test() override;
    HRESULT STDMETHODCALLTYPE Navigate(BSTR TypeStr) override;
    HRESULT STDMETHODCALLTYPE Quick_Invoke(BSTR paramStr) override;
    HRESULT STDMETHODCALLTYPE AddFav() override;
    HRESULT STDMETHODCALLTYPE Refresh() override;
    HRESULT STDMETHODCALLTYPE Down() override;
    HRESULT STDMETHODCALLTYPE Play(BSTR sUrl) override;
    HRESULT STDMETHODCALLTYPE GetSwf(BSTR strUrl) override;
    HRESULT STDMETHODCALLTYPE DelGame(BSTR sType, BSTR sName, LONG* re) override;
    HRESULT STDMETHODCALLTYPE CloseWindow() override;
};

// The class factory, made when the program starts (internal instancing: never registered).
cl::TAutoObjectFactory<TIEExternal>& IEExternalFactory();
