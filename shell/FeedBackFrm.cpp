#include "shell/FeedBackFrm.h"

#include "shell/IEExternal.h"
#include "shell/Portal.h"

const cl::TClass& TFeedBackForm::StaticClass()
{
    return cl::DefineClass<TFeedBackForm, cl::TForm>("TFeedBackForm", [](cl::TPublisher<TFeedBackForm>& p) {
        p.Field("webFeedBack", &TFeedBackForm::webFeedBack);
        p.Handler("FormShow", &TFeedBackForm::FormShow);
        p.Handler("FormClose", &TFeedBackForm::FormClose);
        p.Handler("webFeedBackGetExternal", &TFeedBackForm::webFeedBackGetExternal);
    });
}

void TFeedBackForm::FormShow(cl::TObject*) { webFeedBack->NavigateUrl(PortalUrl("/box/feedback.html")); }

// Freed after closing; whoever showed the window only asks for the same release again.
void TFeedBackForm::FormClose(cl::TObject*, cl::TCloseAction& action) { action = cl::caFree; }

HRESULT TFeedBackForm::webFeedBackGetExternal(cl::TComPtr<IDispatch>& dispatch)
{
    TIEExternal* ext = IEExternalFactory().Create();
    ext->FeedBackForm = this;
    externals_.Add(*ext);
    dispatch = cl::TComPtr<IDispatch>::Attach(ext);
    return S_OK;
}

void TFeedBackForm::CloseWindow() { Close(); }
