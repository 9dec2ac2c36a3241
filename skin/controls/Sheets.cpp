// The smaller control skins and the disabled glyph.
#include "skin/controls/Sheets.h"

#include "skin/SkinDraw.h"
#include "skin/controls/ControlDraw.h"
#include "skin/controls/PropAccess.h"
#include "skin/controls/Ranges.h"
#include "skin/engine/SkinData.h"
#include "skin/engine/SkinnedForm.h"

#include "classlib/WinHandle.h"

#include <commctrl.h>

namespace skin {

namespace {

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

cl::TBitmap* BitmapProp(cl::TObject* object, std::string_view name)
{
    return static_cast<cl::TBitmap*>(GetPropObject(object, name, cl::TBitmap::StaticClass()));
}

// An item's icon and caption centred in r.
void DrawTabItem(const TSkinControl& companion, HDC dc, const RECT& r, const std::wstring& text, int image,
                 HIMAGELIST images)
{
    int iconW = 0, iconH = 0;
    if (images && image != -1) {
        ImageList_GetIconSize(images, &iconW, &iconH);
        if (iconW >= Width(r)) iconW = iconH = 0;
    }
    const UINT flags = DT_END_ELLIPSIS | DT_WORDBREAK | DT_EXPANDTABS;
    RECT t = r;
    if (images && image != -1) t.right += iconW + 2;
    if (text.empty()) t.right = t.left, t.bottom = t.top;
    else SkinDrawText(dc, text, t, flags | DT_CALCRECT | DT_NOCLIP);
    int x = (Width(r) - iconW - Width(t)) / 2;
    if (x < 2) x = 1;
    if (iconW > 0) ImageList_Draw(images, image, dc, r.left + x, r.top + (Height(r) - iconH) / 2, ILD_TRANSPARENT);
    if (text.empty()) return;
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    COLORREF oldColour = 0;
    if (!companion.Enabled) oldColour = SetTextColor(dc, static_cast<COLORREF>(cl::ColorToRGB(cl::clBtnShadow)));
    RECT at{r.left + x + iconW, r.top + (Height(r) - Height(t)) / 2, 0, 0};
    at.right = at.left + Width(t);
    at.bottom = at.top + Height(t);
    at.left = std::max(at.left, r.left);
    at.right = std::min(at.right, r.right);
    SkinDrawText(dc, text, at, ReadingOrder(companion, flags));
    if (!companion.Enabled) SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
}

} // namespace

// ---------------------------------------------------------------------------------------

const cl::TClass& TSkinSizer::StaticClass() { return cl::DefineClass<TSkinSizer, TSkinControl>("TSkinSizer"); }

void TSkinSizer::Paint(HDC dc, const RECT& rect) { FillFace(dc, rect); }

// ---------------------------------------------------------------------------------------

const cl::TClass& TSkinTabSheet::StaticClass()
{
    return cl::DefineClass<TSkinTabSheet, TSkinControl>("TSkinTabSheet");
}

bool TSkinTabSheet::BeforeProc(cl::TMessage& m)
{
    const bool result = TSkinControl::BeforeProc(m);
    if (!result) return false;
    switch (m.Msg) {
    case WM_PAINT:
    case WM_PRINTCLIENT:
        if (Variant != 0) return result;
        PaintMessage(*this, m);
        return false;
    case WM_ERASEBKGND: {
        if (Variant != 0) return result;
        RECT r{};
        GetClientRect(Handle, &r);
        if (SkinData && SkinData->FormBrush) FillRect(reinterpret_cast<HDC>(m.WParam), &r, SkinData->FormBrush.get());
        m.Result = 1;
        return false;
    }
    default: return result;
    }
}

void TSkinTabSheet::Paint(HDC dc, const RECT& rect)
{
    FillFace(dc, rect);
    if (Control) Control->PaintControls(dc);
}

// ---------------------------------------------------------------------------------------

const cl::TClass& TSkinBoxH::StaticClass() { return cl::DefineClass<TSkinBoxH, TSkinControl>("TSkinBoxH"); }

bool TSkinBoxH::BeforeProc(cl::TMessage& m)
{
    switch (m.Msg) {
    case WM_ERASEBKGND: {
        RECT r{};
        GetWindowRect(Handle, &r);
        OffsetRect(&r, -r.left, -r.top);
        FillFace(reinterpret_cast<HDC>(m.WParam), r);
        m.Result = 0;
        return false;
    }
    case WM_CTLCOLORSTATIC:
        CallPrevProc(m);
        if (SkinData && SkinData->FormBrush) m.Result = reinterpret_cast<LRESULT>(SkinData->FormBrush.get());
        return false;
    default: return TSkinControl::BeforeProc(m);
    }
}

// ---------------------------------------------------------------------------------------

const cl::TClass& TSkinObjImage::StaticClass()
{
    return cl::DefineClass<TSkinObjImage, TSkinControl>("TSkinObjImage");
}

void TSkinObjImage::InitControl(TSkinnedForm* form, TSkinData* data, bool, cl::TCanvas* canvas)
{
    if (Attached) return;
    auto* control = dynamic_cast<cl::TWinControl*>(Owner());
    if (!control) return;
    SkinData = data;
    Form = form;
    Canvas = canvas;
    Control = control;
    Handle = control->Handle();
    if (form) form->AddControlSkin(*this);
    BuildSheet();
    Attached = true;
    State = cssAttached;
}

void TSkinObjImage::SkinChange() { BuildSheet(); }

void TSkinObjImage::Unsubclass() { SetPropValue(Control, "UseCustomGlyphs", "false"); }

void TSkinObjImage::BuildSheet()
{
    const TDataSkinButton* buttons = SkinData ? SkinData->Buttons.get() : nullptr;
    if (!buttons || !Control) return;
    const bool radio = GlyphKind == 2;
    if (!radio && GlyphKind != 1) return;
    cl::TBitmap* strip = radio ? buttons->RadioBitmap.get() : buttons->CheckBitmap.get();
    const int frames = radio ? buttons->RadioFrames : buttons->CheckFrames;
    if (!strip || strip->Empty() || frames <= 0) return;
    const int w = strip->Width() / frames, h = strip->Height();
    if (w <= 0) return;
    // Sheet cell: strip frame.
    std::vector<std::pair<int, int>> cells;
    if (radio) cells = {{0, 1}, {1, 2}, {2, 1}, {3, 2}, {4, 3}, {5, 4}};
    else {
        cells = {{0, 1}, {1, 2}, {3, 1}, {4, 2}, {6, 3}, {7, 4}};
        if (frames == 5) cells.insert(cells.end(), {{2, 5}, {5, 5}, {8, 5}});
    }
    cl::TBitmap sheet;
    sheet.SetPixelFormat(cl::pf24bit);
    sheet.SetSize((radio ? 6 : 9) * w, h);
    const HDC s = sheet.Canvas()->Handle(), f = strip->Canvas()->Handle();
    for (const auto& [cell, frame] : cells)
        if (frame <= frames) BitBlt(s, cell * w, 0, w, h, f, (frame - 1) * w, 0, SRCCOPY);
    cl::TBitmap* glyphs = BitmapProp(Control, "CustomGlyphs");
    if (!glyphs) return;
    glyphs->Assign(sheet);
    SetPropValue(Control, "transparentcolor", "16711935");
    SetPropValue(Control, "UseCustomGlyphs", "false");
    SetPropValue(Control, "UseCustomGlyphs", "true");
}

// ---------------------------------------------------------------------------------------

const cl::TClass& TSkinAdvPage::StaticClass() { return cl::DefineClass<TSkinAdvPage, TSkinControl>("TSkinAdvPage"); }

TSkinAdvPage::~TSkinAdvPage()
{
    if (UpDown) UpDown->RemoveFreeNotification(*this);
}

void TSkinAdvPage::Notification(cl::TComponent& component, cl::TOperation operation)
{
    TSkinControl::Notification(component, operation);
    if (operation == cl::TOperation::opRemove && &component == UpDown) UpDown = nullptr;
}

void TSkinAdvPage::InitControl(TSkinnedForm* form, TSkinData* data, bool colourControl, cl::TCanvas* canvas)
{
    if (Attached) return;
    TSkinControl::InitControl(form, data, colourControl, canvas);
    if (PageKind == 4) HandOverTabs();
    Attached = true;
    State = cssAttached;
}

void TSkinAdvPage::SkinChange() { HandOverTabs(); }

void TSkinAdvPage::HandOverTabs()
{
    const TDataSkinBorder* tabs = SkinData ? SkinData->Tabs.get() : nullptr;
    if (!tabs || !tabs->HasImage() || tabs->Frame <= 0 || !Control) return;
    const RECT r{0, 0, 100, 21};
    const char* const names[2] = {"TabBackGround", "TabBackGroundActive"};
    for (int k = 1; k <= 2; ++k) {
        auto built = MakeNinePartBitmap(r, *tabs->Bitmap, tabs->Margins(), false, tabs->Tile == 1, tabs->Frame, k);
        cl::TBitmap* target = BitmapProp(Control, names[k - 1]);
        if (built && target) target->Assign(*built);
    }
}

void TSkinAdvPage::Unsubclass()
{
    // The base's detaching does not run: the companion stays in the message path.
    const cl::TBitmap nothing;
    for (const char* name : {"TabBackGround", "TabBackGroundActive"})
        if (cl::TBitmap* target = BitmapProp(Control, name)) target->Assign(nothing);
}

void TSkinAdvPage::Paint(HDC, const RECT&)
{
    if (UpDown || !Handle) return;
    const HWND spin = FindWindowExA(Handle, nullptr, "msctls_updown32", nullptr);
    if (!spin) return;
    UpDown = new TSkinUpDown(Owner());
    UpDown->FreeNotification(*this);
    UpDown->InitHwnd(spin, SkinData, Form, Canvas);
}

// ---------------------------------------------------------------------------------------

const cl::TClass& TSkinTabBtn::StaticClass() { return cl::DefineClass<TSkinTabBtn, TSkinControl>("TSkinTabBtn"); }

bool TSkinTabBtn::BeforeProc(cl::TMessage& m)
{
    if (m.Msg == WM_PAINT) {
        PaintMessage(*this, m);
        return false;
    }
    return TSkinControl::BeforeProc(m);
}

void TSkinTabBtn::Paint(HDC dc, const RECT& rect)
{
    const TDataSkinButton* buttons = SkinData ? SkinData->Buttons.get() : nullptr;
    if (!buttons || !buttons->HasImage() || buttons->Frame <= 0) return;
    Enabled = Control ? Control->Enabled() : !(GetWindowLongX(Handle, GWL_STYLE) & WS_DISABLED);
    RECT display = rect;
    SendMessageW(Handle, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
    InflateRect(&display, 4, 4);
    const RECT S{rect.left, rect.top, rect.right, display.top + 1};
    const int w = Width(S), h = Height(S);
    if (w <= 0 || h <= 0) return;
    const int n = static_cast<int>(SendMessageW(Handle, TCM_GETITEMCOUNT, 0, 0));
    const int focused = static_cast<int>(SendMessageW(Handle, TCM_GETCURFOCUS, 0, 0));
    const auto images = reinterpret_cast<HIMAGELIST>(SendMessageW(Handle, TCM_GETIMAGELIST, 0, 0));

    cl::TBitmap strip;
    strip.SetPixelFormat(cl::pf24bit);
    strip.SetSize(w, h);
    const HDC b = strip.Canvas()->Handle();
    FillFace(b, RECT{0, 0, w, h});
    const cl::SelectGuard font(b, reinterpret_cast<HGDIOBJ>(SendMessageW(Handle, WM_GETFONT, 0, 0)));
    SetTextColor(b, RGB(0, 0, 0));
    for (int i = 0; i < n; ++i) {
        wchar_t text[80] = {};
        std::wstring caption;
        int image = -1;
        if (UnicodeWindow) {
            TCITEMW item{};
            item.mask = 19; // TCIF_TEXT | TCIF_IMAGE | TCIF_PARAM
            item.pszText = text;
            item.cchTextMax = 80;
            SendMessageW(Handle, TCM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
            caption = text;
            image = item.iImage;
        } else {
            char narrow[80] = {};
            TCITEMA item{};
            item.mask = 19;
            item.pszText = narrow;
            item.cchTextMax = 80;
            SendMessageA(Handle, TCM_GETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
            caption = AnsiToWide(narrow);
            image = item.iImage;
        }
        RECT r{};
        if (!SendMessageW(Handle, TCM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r))) continue;
        OffsetRect(&r, -S.left, 1 - S.top);
        const int state = i == focused ? 2 : 1;
        DrawSkinPart(b, r, *buttons->Bitmap, false, buttons->Tile != 0, buttons->Trans != 0, buttons->Frame, state,
                     buttons->Margins());
        if (state == 1 && buttons->HasNormalColour2)
            SetTextColor(b, static_cast<COLORREF>(cl::ColorToRGB(buttons->NormalColour2)));
        if (state == 2 && buttons->HasPressedColour2)
            SetTextColor(b, static_cast<COLORREF>(cl::ColorToRGB(buttons->PressedColour2)));
        DrawTabItem(*this, b, r, caption, image, images);
    }
    BitBlt(dc, S.left, S.top, w, h, b, 0, 0, SRCCOPY);
}

// ---------------------------------------------------------------------------------------

std::unique_ptr<cl::TBitmap> CreateDisabledGlyph(cl::TBitmap& source)
{
    const int w = source.Width(), h = source.Height();
    auto result = std::make_unique<cl::TBitmap>();
    // Our bitmaps are 24-bit here: no palette to carry over.
    result->SetPixelFormat(cl::pf24bit);
    result->SetSize(w, h);
    if (w <= 0 || h <= 0) return result;
    const HDC r = result->Canvas()->Handle();
    FillColorRect(r, RECT{0, 0, w, h}, cl::clBtnFace);

    // The mask: white where the glyph is white, black elsewhere.
    cl::MemoryDc maskDc(CreateCompatibleDC(r));
    cl::BitmapHandle mask(CreateBitmap(w, h, 1, 1, nullptr));
    if (!maskDc.get() || !mask.get()) return result;
    {
        const cl::SelectGuard in(maskDc.get(), mask.get());
        const HDC s = source.Canvas()->Handle();
        const COLORREF oldBk = SetBkColor(s, RGB(255, 255, 255));
        BitBlt(maskDc.get(), 0, 0, w, h, s, 0, 0, SRCCOPY);
        SetBkColor(s, oldBk);

        // The raster operation paints the brush where its source is white: the mask's black
        // (the glyph) is mapped to white on the way in.
        const COLORREF oldText = SetTextColor(r, RGB(255, 255, 255));
        const COLORREF oldBack = SetBkColor(r, RGB(0, 0, 0));
        constexpr DWORD BrushWhereBlack = 0xE20746;
        for (const auto& [colour, offset] : {std::pair{cl::clBtnHighlight, 1}, std::pair{cl::clBtnShadow, 0}}) {
            cl::BrushHandle brush(CreateSolidBrush(static_cast<COLORREF>(cl::ColorToRGB(colour))));
            const cl::SelectGuard selected(r, brush.get());
            BitBlt(r, offset, offset, w, h, maskDc.get(), 0, 0, BrushWhereBlack);
        }
        SetTextColor(r, oldText);
        SetBkColor(r, oldBack);
    }
    return result;
}

} // namespace skin
