#include "skin/engine/MenuItems.h"

#include "skin/SkinDraw.h"

#include <algorithm>

namespace skin {

namespace {

constexpr int MenuItemFrames = 5, NormalFrame = 1, SeparatorFrame = 2, SelectedFrame = 4;
constexpr int GlyphSize = 16;

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

// The glyph, caption and shortcut of an item whose background is drawn (left-to-right).
void DrawContent(TSkinData* Data, cl::TMenuItem& Item, HDC dc, const RECT& rect, bool selected, HFONT font)
{
    RECT glyph{};
    if (!Item.IsLine()) {
        glyph.left = rect.left + 1 + LeftMargin(Data);
        glyph.top = rect.top + 1;
        glyph.right = glyph.left + GlyphSize;
        glyph.bottom = glyph.top + GlyphSize;
    }
    if (Item.Checked() && !Item.IsLine()) {
        RECT box = glyph;
        OffsetRect(&box, 1, 1);
        DrawCheckMark(dc, box, cl::ColorToRGB(cl::clBtnText));
    }
    RECT text{glyph.right + 3, rect.top, rect.right - 1, rect.bottom};
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
    DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &measured, 0x560);
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
    DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &measured, 0x60);
    if (Item.ShortCut()) {
        const std::string keys = cl::ShortCutToText(Item.ShortCut());
        RECT right{measured.right, measured.top, rect.right - 11, measured.bottom};
        DrawTextA(dc, keys.c_str(), static_cast<int>(keys.size()), &right, DT_RIGHT | DT_SINGLELINE | DT_EXPANDTABS);
    }
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
    SelectObject(dc, oldFont);
}

// The item into a scratch bitmap of its size, then onto dc at rect. Handle items draw the
// MenuItem image under a separator too; the engine's own items put frame 2 over it.
void DrawItemAt(TSkinData* Data, cl::TMenuItem& Item, HDC dc, const RECT& rect, bool selected, bool handleItem)
{
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return;
    cl::TBitmap scratch;
    scratch.SetPixelFormat(cl::pf24bit);
    scratch.SetSize(width, height);
    HDC target = scratch.Canvas()->Handle();
    const RECT local{0, 0, width, height};
    TMenuFont font;
    // Not built yet: the background copied from the skinned popup window's background
    // bitmap; the Menu colour stands in for it.
    if (HasItemImage(Data)) {
        cl::BrushHandle back(CreateSolidBrush(static_cast<COLORREF>(SkinColour(Data, scMenu, cl::clMenu))));
        FillRect(target, &local, back.get());
        TDataSkinObject& image = *Data->MenuItem;
        if (!Item.IsLine() || handleItem)
            DrawSkinPart(target, local, *image.Bitmap, false, image.Tile != 0, image.Trans != 0, MenuItemFrames,
                         selected && !Item.IsLine() ? SelectedFrame : NormalFrame, image.Margins());
        if (!Item.IsLine() || handleItem) DrawContent(Data, Item, target, local, selected, font.Handle());
    } else {
        const TColor fill = selected ? SkinColour(Data, scHilight, cl::clHighlight) : SkinColour(Data, scMenu, cl::clMenu);
        cl::BrushHandle back(CreateSolidBrush(static_cast<COLORREF>(fill)));
        FillRect(target, &local, back.get());
        DrawContent(Data, Item, target, local, selected, font.Handle());
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
}

void DrawMenuHandleItem(TSkinData* Data, const DRAWITEMSTRUCT& Item)
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
    DrawItemAt(Data, temporary, Item.hDC, Item.rcItem, (Item.itemState & ODS_SELECTED) != 0, true);
}

void MeasureSkinMenuItem(TSkinData* Data, cl::TMenuItem& Item, cl::TCanvas& Canvas, int& Width, int& Height)
{
    // The class library's own measuring, with this event detached for the call.
    cl::TMenuMeasureItemEvent event = std::move(Item.OnMeasureItem);
    Item.OnMeasureItem = nullptr;
    Item.MeasureItem(Canvas, Width, Height);
    Item.OnMeasureItem = std::move(event);
    // The engine's menus carry no image list.
    Width += LeftMargin(Data) + 35;
}

void DrawSkinMenuItem(TSkinData* Data, cl::TMenuItem& Item, cl::TCanvas& Canvas, const RECT& Rect, bool Selected)
{
    DrawItemAt(Data, Item, Canvas.Handle(), Rect, Selected, false);
}

} // namespace skin
