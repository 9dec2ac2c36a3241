#include "shell/AboutFrm.h"

#include "classlib/Seams.h"
#include "shell/Portal.h"

const cl::TClass& TAboutForm::StaticClass()
{
    return cl::DefineClass<TAboutForm, cl::TForm>("TAboutForm", [](cl::TPublisher<TAboutForm>& p) {
        p.Field("imgAbout", &TAboutForm::imgAbout);
        p.Field("btnOk", &TAboutForm::btnOk);
        p.Handler("btnOkClick", &TAboutForm::btnOkClick);
        p.Handler("imgAboutClick", &TAboutForm::imgAboutClick);
    });
}

void TAboutForm::btnOkClick(cl::TObject*) { Close(); }

void TAboutForm::imgAboutClick(cl::TObject*) { cl::ShellExecuteOpen(Handle(), "", PortalUrl("/")); }
