#include "shell/PlayFrm.h"

#include "classlib/Encoding.h"

const cl::TClass& TPlayForm::StaticClass()
{
    return cl::DefineClass<TPlayForm, cl::TForm>("TPlayForm", [](cl::TPublisher<TPlayForm>& p) {
        p.Field("webTop", &TPlayForm::webTop);
        p.Field("webPlay", &TPlayForm::webPlay);
        p.Handler("webPlayTitleChange", &TPlayForm::webPlayTitleChange);
    });
}

void TPlayForm::webPlayTitleChange(cl::TObject*, const std::wstring& text) { SetCaption(cl::WideToAnsi(text)); }
