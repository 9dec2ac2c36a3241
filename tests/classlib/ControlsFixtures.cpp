#include "ControlsFixtures.h"

#include "classlib/FormReader.h"

namespace fixture {

namespace {
const char* const kLoginForm = u8R"(
TLoginForm LoginForm {
  BorderStyle = bsDialog
  Caption = "请输入密码"
  ClientWidth = 297
  ClientHeight = 141
  TLabel Label1 { Left = 45 Top = 5 Width = 246 WordWrap = True
                  Caption = "远端的文档被密码保护，请输入您的帐号及密码来继续进行升级操作。" }
  TPanel BottomPanel {
    Align = alBottom
    Height = 98
    BevelOuter = bvNone
    TLabel UsernameLab { Left = 45 Top = 14 Caption = "帐号" }
    TLabel PasswordLab { Left = 45 Top = 38 Caption = "密码" }
    TEdit UsernameEdit { Left = 122 Top = 10 Width = 157 Text = "guest" }
    TEdit PasswordEdit { Left = 122 Top = 34 Width = 157 PasswordChar = "*" }
    TButton OKBtn { Left = 114 Top = 68 Width = 75 Height = 23 Caption = "[&O]确定"
                    Default = True ModalResult = mrOk OnClick = OKBtnClick }
    TButton CancelBtn { Left = 204 Top = 68 Width = 75 Height = 23 Caption = "[&C]取消"
                        Cancel = True ModalResult = 2 OnClick = CancelBtnClick }
  }
}
)";
} // namespace

const cl::TClass& TLoginForm::StaticClass()
{
    return cl::DefineClass<TLoginForm, cl::TForm>("TLoginForm", [](cl::TPublisher<TLoginForm>& p) {
        p.Field("Label1", &TLoginForm::Label1);
        p.Field("BottomPanel", &TLoginForm::BottomPanel);
        p.Field("UsernameEdit", &TLoginForm::UsernameEdit);
        p.Field("PasswordEdit", &TLoginForm::PasswordEdit);
        p.Field("OKBtn", &TLoginForm::OKBtn);
        p.Field("CancelBtn", &TLoginForm::CancelBtn);
        p.Handler("OKBtnClick", &TLoginForm::OKBtnClick);
        p.Handler("CancelBtnClick", &TLoginForm::CancelBtnClick);
    });
}

TLoginForm::TLoginForm(cl::TComponent* owner) : TForm(owner) { cl::ReadComponentText(kLoginForm, *this); }

ModalWatchdog::ModalWatchdog(cl::TCustomForm& form, UINT timeout)
{
    form_ = &form;
    timer_ = SetTimer(nullptr, 0, timeout, &ModalWatchdog::Fire);
}

ModalWatchdog::~ModalWatchdog()
{
    KillTimer(nullptr, timer_);
    form_ = nullptr;
}

void CALLBACK ModalWatchdog::Fire(HWND, UINT, UINT_PTR, DWORD)
{
    if (form_) form_->SetModalResult(kTimedOut);
}

Painted::Painted(cl::TControl& control)
{
    bitmap_.SetPixelFormat(cl::pf24bit);
    cl::TWinControl* parent = control.Parent();
    if (auto* windowed = dynamic_cast<cl::TWinControl*>(&control)) {
        bitmap_.SetSize(control.Width(), control.Height());
        windowed->Perform(WM_PAINT, reinterpret_cast<WPARAM>(bitmap_.Canvas()->Handle()));
    } else {
        bitmap_.SetSize(parent->ClientWidth(), parent->ClientHeight());
        bitmap_.Canvas()->Brush().SetColor(parent->Color());
        bitmap_.Canvas()->FillRect(RECT{0, 0, bitmap_.Width(), bitmap_.Height()});
        parent->PaintControls(bitmap_.Canvas()->Handle());
    }
}

COLORREF Painted::At(int x, int y) const { return static_cast<COLORREF>(bitmap_.Canvas()->Pixel(x, y)); }

COLORREF Rgb(cl::TColor color) { return static_cast<COLORREF>(cl::ColorToRGB(color)); }

} // namespace fixture
