// The object the player window's top pane hands its page as window.external: the page
// adds the game to the favourites, reloads it or starts a movie copy through it.
#pragma once

#include "classlib/AutoObj.h"

#include "tessel_tlb_h.h"

class TPlayForm;

class TPlayExtend : public cl::TAutoObject<IPlayExtend> {
public:
    using TAutoObject::TAutoObject;
    ~TPlayExtend() override;

    // A plain reference to the window it serves; empty, its methods do nothing. The window
    // that handed the object out empties it when it goes.
    TPlayForm* PlayForm = nullptr;

    HRESULT STDMETHODCALLTYPE Test() override;
    HRESULT STDMETHODCALLTYPE Refresh() override;
    HRESULT STDMETHODCALLTYPE AddFav() override;
    HRESULT STDMETHODCALLTYPE GetSwf(BSTR sUrl) override;
};

// The class factory, made on first use (internal instancing: never registered).
cl::TAutoObjectFactory<TPlayExtend>& PlayExtendFactory();
