// The object each pane of the program hands its page as window.external: page script
// switches the panes, plays games, deletes catalogue entries, saves settings and closes
// the feedback window through it.
#pragma once

#include "classlib/AutoObj.h"

#include "ludora_tlb_h.h"

#include <vector>

class TMainForm;
class TFeedBackForm;
class TPlayForm;

class TExternalLinks;

class TIEExternal : public cl::TAutoObject<IIEExternal> {
public:
    using TAutoObject::TAutoObject;
    ~TIEExternal() override;

    // Plain references to the windows it serves; an empty one makes its methods do nothing.
    // A window that keeps its objects in a TExternalLinks empties them when it goes.
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

private:
    friend class TExternalLinks;
    TExternalLinks* links_ = nullptr;
};

// The scriptable objects a window handed out, which a page may keep past the window. Clear
// (also when the links go) empties their references to their windows, so that they answer
// as without a window instead of reaching a freed one.
class TExternalLinks {
public:
    TExternalLinks() = default;
    ~TExternalLinks() { Clear(); }
    TExternalLinks(const TExternalLinks&) = delete;
    TExternalLinks& operator=(const TExternalLinks&) = delete;

    void Add(TIEExternal& external);
    void Remove(TIEExternal& external);
    void Clear();

private:
    std::vector<TIEExternal*> externals_;
};

// The class factory, made when the program starts (internal instancing: never registered).
cl::TAutoObjectFactory<TIEExternal>& IEExternalFactory();
