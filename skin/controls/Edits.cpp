// The edit box skin.
#include "skin/controls/Edits.h"

#include "skin/controls/ControlDraw.h"
#include "skin/controls/Ranges.h"
#include "skin/engine/SkinData.h"
#include "skin/engine/SkinMessages.h"

#include "classlib/SysUtils.h"
#include "classlib/WinHandle.h"

namespace skin {

const cl::TClass& TSkinEdit::StaticClass() { return cl::DefineClass<TSkinEdit, TSkinControl>("TSkinEdit"); }

void TSkinEdit::AfterProc(cl::TMessage& m)
{
    switch (m.Msg) {
    case WM_PAINT: PaintControl(reinterpret_cast<HDC>(m.WParam)); break;
    case WM_PRINTCLIENT:
        if (m.WParam) {
            PrintFrame(reinterpret_cast<HDC>(m.WParam));
        } else {
            cl::WindowDc whole(Handle, true);
            if (whole.get()) PrintFrame(whole.get());
        }
        break;
    case WM_SKIN_PAINT_EDIT_DC:
        if (m.LParam == SKIN_MAGIC) {
            if (m.WParam) {
                cl::TMessage paint{WM_PAINT, m.WParam, 0, 0};
                CallPrevProc(paint);
            }
            m.Result = SKIN_MAGIC;
        }
        break;
    default: TSkinControl::AfterProc(m); break;
    }
}

void TSkinEdit::Paint(HDC dc, const RECT& R)
{
    if (SkinData && SkinData->Has(xcSpin) && !upDownSkinned_) {
        for (HWND child = GetTopWindow(Handle); child; child = GetWindow(child, GW_HWNDNEXT)) {
            char name[100] = {};
            GetClassNameA(child, name, sizeof name);
            const cl::AnsiString lower = cl::LowerCase(name);
            if (lower == "msctls_updown32" || lower.find("spin") != cl::AnsiString::npos ||
                lower.find("updown") != cl::AnsiString::npos) {
                auto* upDown = new TSkinUpDown(Owner());
                upDown->EditAttached = true;
                upDown->InitHwnd(child, SkinData, Form, Canvas);
                upDownSkinned_ = true;
                break;
            }
        }
    }
    RECT client{};
    GetClientRect(Handle, &client);
    if (client.right >= R.right - R.left || client.bottom >= R.bottom - R.top) return;
    cl::BrushHandle shadow(CreateSolidBrush(static_cast<COLORREF>(SkinColor(scButtonShadow))));
    FrameRect(dc, &R, shadow.get());
    RECT inner = R;
    for (int i = 0; i < 2; ++i) {
        InflateRect(&inner, -1, -1);
        FrameRect(dc, &inner, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
}

void TSkinEdit::PrintFrame(HDC dc)
{
    RECT w{}, client{};
    if (!GetWindowRect(Handle, &w)) return;
    GetClientRect(Handle, &client);
    const RECT R{0, 0, w.right - w.left, w.bottom - w.top};
    if (client.right + 2 >= R.right || client.bottom + 2 >= R.bottom) return;
    RECT inner = R;
    InflateRect(&inner, -1, -1);
    FrameRect(dc, &inner, static_cast<HBRUSH>(GetCurrentObject(dc, OBJ_BRUSH)));
    cl::BrushHandle shadow(CreateSolidBrush(static_cast<COLORREF>(SkinColor(scButtonShadow))));
    FrameRect(dc, &R, shadow.get());
}

} // namespace skin
