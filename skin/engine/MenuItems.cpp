#include "skin/engine/MenuItems.h"

#include "skin/SkinDraw.h"
#include "skin/engine/SkinManage.h"
#include "skin/engine/SkinnedForm.h"

#include "classlib/Forms.h"

#include <algorithm>

namespace skin {

namespace {

constexpr int MenuItemFrames = 5, NormalFrame = 1, SeparatorFrame = 2, SelectedFrame = 4;
constexpr int DefaultGlyphSize = 16;

bool HasItemImage(const TSkinData* Data) { return Data && Data->MenuItem && Data->MenuItem->HasImage(); }
int LeftMargin(const TSkinData* Data) { return HasItemImage(Data) ? Data->MenuItem->LeftWidth : 0; }

TColor SkinColour(const TSkinData* Data, TSkinColor index, TColor fallback)
{
    return cl::ColorToRGB(Data ? Data->Colors[index] : fallback);
}

// The screen's menu font, selected into a canvas for as long as the object lives.
class TMenuFont {
public:
    TMenuFont()
    {
        NONCLIENTMETRICSA metrics{};
        metrics.cbSize = sizeof metrics;
        if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
            font_.reset(CreateFontIndirectA(&metrics.lfMenuFont));
    }
    HFONT Handle() const { return font_.get(); }

private:
    cl::FontHandle font_;
};

// The platform's check mark in colour, its white pixels left undrawn.
void DrawCheckMark(HDC dc, const RECT& box, TColor colour)
{
    cl::BitmapHandle check(LoadBitmapA(nullptr, MAKEINTRESOURCEA(32760)));
    BITMAP info{};
    if (!check || !GetObjectA(check.get(), sizeof info, &info)) return;
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ oldBitmap = SelectObject(source, check.get());
    cl::BrushHandle brush(CreateSolidBrush(static_cast<COLORREF>(colour)));
    HGDIOBJ oldBrush = SelectObject(dc, brush.get());
    const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
    const COLORREF oldBack = SetBkColor(dc, RGB(255, 255, 255));
    const int x = box.left + (box.right - box.left - info.bmWidth) / 2;
    const int y = box.top + (box.bottom - box.top - info.bmHeight) / 2;
    // Where the source is white the destination stays, elsewhere the brush.
    BitBlt(dc, x, y, info.bmWidth, info.bmHeight, source, 0, 0, 0x00B8074A);
    SetBkColor(dc, oldBack);
    SetTextColor(dc, oldText);
    SelectObject(dc, oldBrush);
    SelectObject(source, oldBitmap);
    DeleteDC(source);
}

// The glyph, caption and shortcut of an item whose background is drawn; a right-to-left
// item mirrored.
void DrawContent(TSkinData* Data, cl::TMenuItem& Item, HDC dc, const RECT& rect, bool selected, HFONT font,
                 bool rtl)
{
    cl::TMenu* menu = Item.GetParentMenu();
    cl::TCustomImageList* images = menu ? menu->Images() : nullptr;
    int size = images ? images->Width() : DefaultGlyphSize;
    if (Item.Checked()) size = std::max(size, DefaultGlyphSize);
    RECT glyph{};
    if (!Item.IsLine()) {
        if (rtl) {
            glyph.right = rect.right - 1 - LeftMargin(Data);
            glyph.left = glyph.right - size;
        } else {
            glyph.left = rect.left + 1 + LeftMargin(Data);
            glyph.right = glyph.left + size;
        }
        glyph.top = rect.top + 1;
        glyph.bottom = glyph.top + size;
    }
    const bool hasImage =
        !Item.IsLine() && images && Item.ImageIndex() >= 0 && Item.ImageIndex() < images->Count();
    if (hasImage) {
        // The box is centred in the item's height: for 16 pixels when checked, for the
        // list's height otherwise; it keeps its size.
        const int centreFor = Item.Checked() ? DefaultGlyphSize : images->Height();
        OffsetRect(&glyph, 0, rect.top + (rect.bottom - rect.top - centreFor) / 2 - glyph.top);
        if (Item.Checked()) {
            cl::BrushHandle pattern = cl::CreateCheckedPatternBrush(cl::clBtnFace, cl::clBtnHighlight);
            FillRect(dc, &glyph, pattern.get());
            RECT edge = glyph;
            DrawEdge(dc, &edge, BDR_SUNKENOUTER, BF_RECT);
        }
        cl::TCanvas canvas;
        canvas.SetHandle(dc);
        images->Draw(canvas, glyph.left, glyph.top, Item.ImageIndex(), Item.Enabled());
        canvas.SetHandle(nullptr);
    } else if (Item.Checked() && !Item.IsLine()) {
        RECT box = glyph;
        OffsetRect(&box, 1, 1);
        DrawCheckMark(dc, box, cl::ColorToRGB(cl::clBtnText));
    }
    // A separator has no glyph box: its line runs from the item's edge.
    RECT text = rtl ? RECT{rect.left + 1, rect.top, (Item.IsLine() ? rect.right : glyph.left) - 3, rect.bottom}
                    : RECT{glyph.right + 3, rect.top, rect.right - 1, rect.bottom};
    if (Item.IsLine()) {
        RECT line = text;
        line.top += 4;
        DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
        return;
    }
    LOGFONTA look{};
    cl::FontHandle bold;
    if (Item.Default() && font && GetObjectA(font, sizeof look, &look)) {
        look.lfWeight = FW_BOLD;
        bold.reset(CreateFontIndirectA(&look));
    }
    HGDIOBJ oldFont = SelectObject(dc, bold ? bold.get() : font ? font : GetStockObject(DEFAULT_GUI_FONT));
    std::string caption = Item.Caption();
    if (caption.empty() || caption == "&") caption += ' ';
    RECT measured = text;
    DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &measured, rtl ? 0x20562 : 0x560);
    // Right-to-left, the caption ends at the text box's right edge.
    if (rtl) OffsetRect(&measured, text.right - measured.right, 0);
    OffsetRect(&measured, 0, ((text.bottom - text.top) - (measured.bottom - measured.top)) / 2);
    TColor colour;
    if (!Item.Enabled()) {
        colour = SkinColour(Data, scButtonShadow, cl::clBtnShadow);
        if (colour == SkinColour(Data, scMenuText, cl::clMenuText)) colour = cl::ColorToRGB(cl::clBtnShadow);
    } else {
        colour = selected ? SkinColour(Data, scHilightText, cl::clHighlightText)
                          : SkinColour(Data, scMenuText, cl::clMenuText);
    }
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = SetTextColor(dc, static_cast<COLORREF>(colour));
    DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &measured, rtl ? 0x20062 : 0x60);
    if (Item.ShortCut()) {
        const std::string keys = cl::ShortCutToText(Item.ShortCut());
        RECT box = rtl ? RECT{rect.left + 11, measured.top, measured.left, measured.bottom}
                       : RECT{measured.right, measured.top, rect.right - 11, measured.bottom};
        DrawTextA(dc, keys.c_str(), static_cast<int>(keys.size()), &box,
                  (rtl ? DT_LEFT : DT_RIGHT) | DT_SINGLELINE | DT_EXPANDTABS);
    }
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
    SelectObject(dc, oldFont);
}

// The background of an item at rect in its popup window: the window's menu background at
// the item's place (the items start 3 pixels inside the window), the Menu colour elsewhere.
void DrawBackground(TSkinData* Data, HDC target, const RECT& rect, const cl::TBitmap* background)
{
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    const RECT local{0, 0, width, height};
    cl::BrushHandle back(CreateSolidBrush(static_cast<COLORREF>(SkinColour(Data, scMenu, cl::clMenu))));
    FillRect(target, &local, back.get());
    if (!background) return;
    const int x = rect.left + 3, y = rect.top + 3;
    const int w = std::min(width, background->Width() - x), h = std::min(height, background->Height() - y);
    if (x < 0 || y < 0 || w <= 0 || h <= 0) return;
    BitBlt(target, 0, 0, w, h, background->Canvas()->Handle(), x, y, SRCCOPY);
}

// The item into a scratch bitmap of its size, then onto dc at rect. Handle items draw the
// MenuItem image under a separator too; class-library items put frame 2 over it.
void DrawItemAt(TSkinData* Data, cl::TMenuItem& Item, HDC dc, const RECT& rect, bool selected, bool handleItem,
                const cl::TBitmap* background, bool rtl)
{
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return;
    cl::TBitmap scratch;
    scratch.SetPixelFormat(cl::pf24bit);
    scratch.SetSize(width, height);
    HDC target = scratch.Canvas()->Handle();
    const RECT local{0, 0, width, height};
    TMenuFont font;
    if (HasItemImage(Data)) {
        DrawBackground(Data, target, rect, background);
        TDataSkinObject& image = *Data->MenuItem;
        if (!Item.IsLine() || handleItem) {
            DrawSkinPart(target, local, *image.Bitmap, false, image.Tile != 0, image.Trans != 0, MenuItemFrames,
                         selected && !Item.IsLine() ? SelectedFrame : NormalFrame, image.Margins());
            DrawContent(Data, Item, target, local, selected, font.Handle(), rtl);
        }
    } else {
        const TColor fill = selected ? SkinColour(Data, scHilight, cl::clHighlight) : SkinColour(Data, scMenu, cl::clMenu);
        cl::BrushHandle back(CreateSolidBrush(static_cast<COLORREF>(fill)));
        FillRect(target, &local, back.get());
        DrawContent(Data, Item, target, local, selected, font.Handle(), rtl);
    }
    BitBlt(dc, rect.left, rect.top, width, height, target, 0, 0, SRCCOPY);
    if (HasItemImage(Data) && Item.IsLine() && !handleItem) {
        // The separator image on top: frame 2 in three parts, its bottom part when the
        // item is lower than the image.
        TDataSkinObject& image = *Data->MenuItem;
        const int frameHeight = image.Bitmap->Height();
        RECT at = rect;
        if (height < frameHeight) at.top = rect.bottom - frameHeight;
        const int saved = SaveDC(dc);
        IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
        DrawHorzStrip(dc, at, *image.Bitmap, false, true, MenuItemFrames, SeparatorFrame, image.Margins());
        RestoreDC(dc, saved);
    }
}

// The background of the popup window showing Menu; the manager learns first that an item
// of Menu is being drawn, which tells it the newest window's menu.
const cl::TBitmap* PopupBackground(HMENU Menu)
{
    if (!SkinManager || !Menu) return nullptr;
    SkinManager->AssignPopupMenu(Menu);
    return SkinManager->FindPopupBitmap(Menu);
}

// The menu an item is an entry of, or none.
HMENU MenuOf(cl::TMenuItem& Item) { return Item.Parent() ? Item.Parent()->Handle() : nullptr; }

// True while Data is registered with the skin manager: item events made for a form's menus
// must not reach a skin component that is gone.
bool Registered(const TSkinData* Data)
{
    if (!SkinManager || !Data) return false;
    const auto& list = SkinManager->SkinDatas();
    return std::find(list.begin(), list.end(), Data) != list.end();
}

// Measuring and drawing in the screen's menu font, as the class library's own dispatch.
void MenuCanvas(cl::TCanvas& canvas, const cl::TMenuItem& Item)
{
    if (cl::Screen) canvas.Font().Assign(*cl::Screen->MenuFont());
    if (Item.Default()) canvas.Font().SetStyle(canvas.Font().Style() | (1u << cl::fsBold));
}

// Every item below Item at every depth (depth 1: Item's own children).
template <class F> void ForEachItem(cl::TMenuItem& Item, int depth, F&& f)
{
    for (int i = 0; i < Item.Count(); ++i) {
        cl::TMenuItem& child = *Item.Items(i);
        f(child, depth);
        ForEachItem(child, depth + 1, f);
    }
}

} // namespace

void SetMenuOwnerDraw(HMENU Menu, TOwnerDrawSwitches& Switched)
{
    const int count = GetMenuItemCount(Menu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_TYPE | MIIM_SUBMENU;
        if (!GetMenuItemInfoA(Menu, static_cast<UINT>(i), TRUE, &info)) continue;
        if (info.hSubMenu) SetMenuOwnerDraw(info.hSubMenu, Switched);
        if (info.fType & MFT_OWNERDRAW) continue;
        MENUITEMINFOA type{};
        type.cbSize = sizeof type;
        type.fMask = MIIM_TYPE;
        type.fType = info.fType | MFT_OWNERDRAW;
        if (SetMenuItemInfoA(Menu, static_cast<UINT>(i), TRUE, &type)) Switched.emplace_back(Menu, i);
    }
}

void ClearMenuOwnerDraw(const TOwnerDrawSwitches& Switched)
{
    for (const auto& [menu, position] : Switched) {
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE;
        if (!GetMenuItemInfoA(menu, position, TRUE, &info)) continue;
        info.fType &= ~static_cast<UINT>(MFT_OWNERDRAW);
        SetMenuItemInfoA(menu, position, TRUE, &info);
    }
}

void MeasureMenuHandleItem(TSkinData* Data, HMENU Menu, MEASUREITEMSTRUCT& Item)
{
    char text[81] = {};
    const int length = Menu ? GetMenuStringA(Menu, Item.itemID, text, 81, MF_BYCOMMAND) : 0;
    TMenuFont font;
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font.Handle() ? font.Handle() : GetStockObject(DEFAULT_GUI_FONT));
    SIZE size{};
    GetTextExtentPoint32A(dc, text, std::max(length, 0), &size);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    Item.itemWidth = static_cast<UINT>(size.cx + 26 + LeftMargin(Data));
    if (length > 0) Item.itemHeight += 4;
    else Item.itemHeight = 8;
    if (!SkinIsNT()) Item.itemHeight += 4;
}

void DrawMenuHandleItem(TSkinData* Data, const DRAWITEMSTRUCT& Item, bool RightToLeft)
{
    const auto menu = reinterpret_cast<HMENU>(Item.hwndItem);
    char text[81] = {};
    GetMenuStringA(menu, Item.itemID, text, 81, MF_BYCOMMAND);
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STATE;
    GetMenuItemInfoA(menu, Item.itemID, FALSE, &info);
    cl::TMenuItem temporary(nullptr);
    temporary.SetCaption(text[0] ? cl::AnsiString(text) : cl::AnsiString("-"));
    temporary.SetEnabled(!(info.fState & (MFS_GRAYED | MFS_DISABLED)));
    temporary.SetChecked((info.fState & MFS_CHECKED) != 0);
    DrawItemAt(Data, temporary, Item.hDC, Item.rcItem, (Item.itemState & ODS_SELECTED) != 0, true,
               PopupBackground(menu), RightToLeft);
}

void MeasureMenuItem(TSkinData* Data, cl::TMenuItem& Item, MEASUREITEMSTRUCT& Measure)
{
    cl::WindowDc screen(nullptr);
    cl::TCanvas canvas;
    MenuCanvas(canvas, Item);
    canvas.SetHandle(screen.get());
    int width = static_cast<int>(Measure.itemWidth), height = static_cast<int>(Measure.itemHeight);
    MeasureSkinMenuItem(Data, Item, canvas, width, height, false);
    canvas.SetHandle(nullptr);
    Measure.itemWidth = static_cast<UINT>(std::max(width, 0));
    Measure.itemHeight = static_cast<UINT>(std::max(height, 0));
}

void DrawMenuItem(TSkinData* Data, cl::TMenuItem& Item, const DRAWITEMSTRUCT& Draw, bool RightToLeft)
{
    DrawItemAt(Data, Item, Draw.hDC, Draw.rcItem, (Draw.itemState & ODS_SELECTED) != 0, false,
               PopupBackground(reinterpret_cast<HMENU>(Draw.hwndItem)), RightToLeft);
}

void MeasureSkinMenuItem(TSkinData* Data, cl::TMenuItem& Item, cl::TCanvas& Canvas, int& Width, int& Height,
                         bool SystemMenu)
{
    // The class library's own measuring, with this event detached for the call.
    cl::TMenuMeasureItemEvent event = std::move(Item.OnMeasureItem);
    Item.OnMeasureItem = nullptr;
    Item.MeasureItem(Canvas, Width, Height);
    Item.OnMeasureItem = std::move(event);
    const cl::TMenu* menu = Item.GetParentMenu();
    Width += LeftMargin(Data) + (menu && menu->Images() ? (SystemMenu ? 12 : 10) : 35);
}

void DrawSkinMenuItem(TSkinData* Data, cl::TMenuItem& Item, cl::TCanvas& Canvas, const RECT& Rect, bool Selected,
                      bool RightToLeft)
{
    DrawItemAt(Data, Item, Canvas.Handle(), Rect, Selected, false, PopupBackground(MenuOf(Item)), RightToLeft);
}

void SetSkinItemEvents(cl::TMenuItem& Item, TSkinData* Data, bool RightToLeft, bool Measure)
{
    Item.OnDrawItem = [Data, RightToLeft](cl::TObject* sender, cl::TCanvas& canvas, const RECT& rect, bool selected) {
        auto* item = dynamic_cast<cl::TMenuItem*>(sender);
        if (!item) return;
        if (Registered(Data)) {
            DrawSkinMenuItem(Data, *item, canvas, rect, selected, RightToLeft);
            return;
        }
        cl::TMenuDrawItemEvent event = std::move(item->OnDrawItem);
        item->OnDrawItem = nullptr;
        item->DrawItem(canvas, rect, selected);
        item->OnDrawItem = std::move(event);
    };
    if (!Measure) return;
    Item.OnMeasureItem = [Data](cl::TObject* sender, cl::TCanvas& canvas, int& width, int& height) {
        auto* item = dynamic_cast<cl::TMenuItem*>(sender);
        if (!item) return;
        if (Registered(Data)) {
            MeasureSkinMenuItem(Data, *item, canvas, width, height, false);
            return;
        }
        cl::TMenuMeasureItemEvent event = std::move(item->OnMeasureItem);
        item->OnMeasureItem = nullptr;
        item->MeasureItem(canvas, width, height);
        item->OnMeasureItem = std::move(event);
    };
}

// ---------------------------------------------------------------------------------------
// The window's side

void TSkinnedForm::SetMenusOwnerDraw(cl::TComponent& Owner, bool On)
{
    if (!SkinData || (FormControl && FormControl->ClassType().Name() == "TwwRichEditForm")) return;
    for (int i = 0; i < Owner.ComponentCount(); ++i) {
        cl::TComponent* component = Owner.Components(i);
        if (auto* form = dynamic_cast<cl::TCustomForm*>(component)) {
            SetMenusOwnerDraw(*form, On);
            continue;
        }
        auto* menu = dynamic_cast<cl::TPopupMenu*>(component);
        if (!menu || menu->Tag() == SkinData->DisableTag || !SkinData->Has(xcPopupMenu)) continue;
        menu->SetOwnerDraw(On);
        ForEachItem(*menu->Items(), 1, [&](cl::TMenuItem& item, int) {
            if (On) {
                SetSkinItemEvents(item, SkinData, RightToLeft, !item.OnMeasureItem);
            } else {
                item.OnDrawItem = nullptr;
                item.OnMeasureItem = nullptr;
            }
        });
    }
}

void TSkinnedForm::SetMainMenusOwnerDraw(cl::TComponent& Owner, bool On)
{
    if (!SkinData) return;
    for (int i = 0; i < Owner.ComponentCount(); ++i) {
        auto* menu = dynamic_cast<cl::TMainMenu*>(Owner.Components(i));
        if (!menu) continue;
        menu->SetOwnerDraw(On);
        // The top-level items stay with the skinned menu bar.
        ForEachItem(*menu->Items(), 1, [&](cl::TMenuItem& item, int depth) {
            if (!On) {
                item.OnDrawItem = nullptr;
                item.OnMeasureItem = nullptr;
            } else if (depth >= 2 && !item.OnDrawItem) {
                SetSkinItemEvents(item, SkinData, RightToLeft, true);
            }
        });
    }
}

// Items of the menus the skinned menu bar drops down. A form's own items are found by
// command in its menu; identifiers of the class library's range that it does not know are
// left to the window; everything else is an entry of the window's menu handle.
bool TSkinnedForm::OnMenuItemMessage(cl::TMessage& m)
{
    if (m.WParam != 0 || !menuBar_ || !menuBar_->WindowMenu) return false;
    auto formItem = [this](UINT id) { return menuBar_->Menu ? menuBar_->Menu->FindItem(id, cl::fkCommand) : nullptr; };
    if (m.Msg == WM_MEASUREITEM) {
        auto& item = *reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam);
        if (item.CtlType != ODT_MENU) return false;
        if (FormControl) {
            if (cl::TMenuItem* found = formItem(item.itemID)) {
                MeasureMenuItem(SkinData, *found, item);
                m.Result = 1;
                return true;
            }
            if (item.itemID >= 1 && item.itemID <= 4095) return false;
        }
        MeasureMenuHandleItem(SkinData, menuBar_->WindowMenu, item);
    } else {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(m.LParam);
        if (item.CtlType != ODT_MENU) return false;
        const DWORD version = SkinVersion();
        if (WindowKind == wkMDIFrame && SkinIsNT() && LOBYTE(LOWORD(version)) == 4 && HIBYTE(LOWORD(version)) == 0)
            return false;
        if (SkinManager) SkinManager->AssignPopupMenu(reinterpret_cast<HMENU>(item.hwndItem));
        if (FormControl) {
            if (cl::TMenuItem* found = formItem(item.itemID)) {
                DrawMenuItem(SkinData, *found, item, RightToLeft);
                m.Result = 1;
                return true;
            }
            if (item.itemID >= 1 && item.itemID <= 4095) return false;
        }
        DrawMenuHandleItem(SkinData, item, RightToLeft);
    }
    m.Result = 1;
    return true;
}

} // namespace skin
