#include "WindowingFixtures.h"

namespace fixture {

const cl::TClass& TBox::StaticClass() { return cl::DefineClass<TBox, cl::TCustomControl>("TBox"); }

TBox::TBox(cl::TComponent* owner) : TCustomControl(owner)
{
    SetControlStyle(ControlStyle() | cl::csAcceptsControls);
    SetBounds(0, 0, 30, 30);
    SetTabStop(true);
}

void TBox::Paint()
{
    Canvas()->Brush().SetColor(Color());
    Canvas()->FillRect(ClientRect());
}

void TBox::WndProc(cl::TMessage& message)
{
    seen.push_back(message.Msg);
    if (message.Msg >= cl::CN_KEYDOWN && message.Msg <= cl::CN_DEADCHAR && keyAnswer) {
        message.Result = keyAnswer;
        return;
    }
    TCustomControl::WndProc(message);
}

const cl::TClass& TMark::StaticClass() { return cl::DefineClass<TMark, cl::TGraphicControl>("TMark"); }

void TMark::Paint()
{
    Canvas()->Brush().SetColor(Color());
    Canvas()->FillRect(ClientRect());
}

void TMark::WndProc(cl::TMessage& message)
{
    seen.push_back(message.Msg);
    TGraphicControl::WndProc(message);
}

const cl::TClass& TPushButton::StaticClass() { return cl::DefineClass<TPushButton, cl::TWinControl>("TPushButton"); }

TPushButton::TPushButton(cl::TComponent* owner) : TWinControl(owner)
{
    SetBounds(0, 0, 75, 25);
    SetControlStyle(0); // the system button clicks by itself
}

void TPushButton::CreateParams(cl::TCreateParams& params)
{
    TWinControl::CreateParams(params);
    CreateSubClass(params, "BUTTON");
    params.Style |= BS_PUSHBUTTON;
}

const cl::TClass& TAlignForm::StaticClass()
{
    return cl::DefineClass<TAlignForm, cl::TForm>("TAlignForm", [](cl::TPublisher<TAlignForm>& p) {
        p.Field("Top", &TAlignForm::Top);
        p.Field("Bottom", &TAlignForm::Bottom);
        p.Field("Left", &TAlignForm::Left);
        p.Field("Right", &TAlignForm::Right);
        p.Field("Client", &TAlignForm::Client);
        p.Field("Inner", &TAlignForm::Inner);
        p.Field("Mark", &TAlignForm::Mark);
        p.Handler("FormCreate", &TAlignForm::FormCreate);
    });
}

int TCountedForm::destroyed = 0;
const cl::TClass& TCountedForm::StaticClass() { return cl::DefineClass<TCountedForm, cl::TForm>("TCountedForm"); }

} // namespace fixture
