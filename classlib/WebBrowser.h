// The platform's web-browser control as a windowed control: navigation, the browser's
// dispatch properties and its navigation events.
#pragma once

#include "classlib/OleCtrls.h"

#include <exdisp.h>

#include <string>

namespace cl {

// Dispatch identifiers of the browser's properties read by number.
enum : DISPID {
    DISPID_WB_APPLICATION = 200,
    DISPID_WB_DOCUMENT = 203,
    DISPID_WB_BUSY = 212,
    DISPID_WB_READYSTATE = -525,
};

// Event types: the sender first, then the browser event's arguments.
using TWebBeforeNavigate2Event =
    std::function<void(TObject* sender, IDispatch* disp, const VARIANT& url, const VARIANT& flags,
                       const VARIANT& targetFrameName, const VARIANT& postData, const VARIANT& headers, bool& cancel)>;
using TWebNewWindow2Event = std::function<void(TObject* sender, TComPtr<IDispatch>& disp, bool& cancel)>;
using TWebTitleChangeEvent = std::function<void(TObject* sender, const std::wstring& text)>;
using TWebDocumentCompleteEvent = std::function<void(TObject* sender, IDispatch* disp, const VARIANT& url)>;
using TWebNavigateComplete2Event = std::function<void(TObject* sender, IDispatch* disp, const VARIANT& url)>;
using TWebNavigateErrorEvent = std::function<void(TObject* sender, IDispatch* disp, const VARIANT& url,
                                                  const VARIANT& frame, const VARIANT& statusCode, bool& cancel)>;
using TWebStatusTextChangeEvent = std::function<void(TObject* sender, const std::wstring& text)>;
using TWebProgressChangeEvent = std::function<void(TObject* sender, int progress, int progressMax)>;

class TWebBrowser : public TOleControl {
    CL_CLASS(TWebBrowser)
public:
    explicit TWebBrowser(TComponent* owner);
    ~TWebBrowser() override;

    // The browser's interface; null until the control exists.
    IWebBrowser2* ControlInterface() const { return browser_.get(); }

    // Navigation; a failing result of the browser raises EOleSysError.
    void Navigate(const std::wstring& url);
    void Navigate2(const TOleVariant& url, const TOleVariant& flags, const TOleVariant& targetFrameName,
                   const TOleVariant& postData, const TOleVariant& headers);
    void Refresh();
    void Stop();

    // Dispatch properties.
    TComPtr<IDispatch> Application() { return GetDispatchProperty(DISPID_WB_APPLICATION); }
    TComPtr<IDispatch> Document() { return GetDispatchProperty(DISPID_WB_DOCUMENT); }
    bool Busy();
    int ReadyState();
    std::wstring LocationURL();

    TWebBeforeNavigate2Event OnBeforeNavigate2;
    TWebNewWindow2Event OnNewWindow2;
    TWebTitleChangeEvent OnTitleChange;
    TWebDocumentCompleteEvent OnDocumentComplete;
    TWebNavigateComplete2Event OnNavigateComplete2;
    TWebNavigateErrorEvent OnNavigateError;
    TWebStatusTextChangeEvent OnStatusTextChange;
    TWebProgressChangeEvent OnProgressChange;
    TNotifyEvent OnDownloadBegin;
    TNotifyEvent OnDownloadComplete;

protected:
    void InitControlInterface(IUnknown* control) override;

    // One event of the browser's event interface, as the browser delivers it. A handler's
    // exception ends the event here: it goes to the application's exception handling and
    // the browser carries on (by-reference arguments keep their values).
    HRESULT BrowserEvent(DISPID id, DISPPARAMS* params);

private:
    TComPtr<IWebBrowser2> browser_;
    TComPtr<TEventSink> sink_;
};

} // namespace cl
