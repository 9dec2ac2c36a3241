// The skin of the owner-drawn menu-item tests: borders for frame skinning, the menu colours
// and, when asked for, the item image; and colour comparisons that allow for smoothed text.
#pragma once

#include "skin/engine/SkinData.h"

#include <cstdlib>
#include <memory>

namespace skin::test {

const TColor Frame1 = MakeRGB(200, 0, 0), Frame2 = MakeRGB(0, 200, 0), Frame4 = MakeRGB(0, 0, 200);
const TColor MenuColour = MakeRGB(250, 250, 210), HilightColour = MakeRGB(255, 200, 0);
const TColor MenuTextColour = MakeRGB(0, 0, 0), HilightTextColour = MakeRGB(255, 255, 255),
             ShadowColour = MakeRGB(0, 160, 160);
const TColor Magenta = MakeRGB(255, 0, 255);
constexpr int ItemLeftMargin = 2;

inline void Fill(cl::TBitmap& b, const RECT& r, TColor c)
{
    b.Canvas()->Brush().SetColor(c);
    b.Canvas()->FillRect(r);
}

// With withImage, an item image of five 10 x 12 frames side by side; with transparentTop
// their top 4 rows are magenta (transparent), so the item's background shows above the
// frame's colour.
inline std::unique_ptr<TSkinData> MenuItemSkin(bool withImage, bool transparentTop)
{
    auto d = std::make_unique<TSkinData>(nullptr);
    for (TDataSkinBorder* b : {d->LeftBorder.get(), d->RightBorder.get(), d->TopBorder.get(), d->BottomBorder.get()}) {
        b->Bitmap->SetPixelFormat(cl::pf24bit);
        b->Bitmap->SetSize(20, 20);
        Fill(*b->Bitmap, RECT{0, 0, 20, 20}, MakeRGB(0, 0, 120));
        b->Frame = b->Tile = 1;
    }
    if (withImage) {
        d->MenuItem = std::make_unique<TDataSkinObject>("MenuItem");
        cl::TBitmap& image = *d->MenuItem->Bitmap;
        image.SetPixelFormat(cl::pf24bit);
        image.SetSize(50, 12);
        const TColor frames[] = {Frame1, Frame2, MakeRGB(90, 90, 90), Frame4, MakeRGB(90, 90, 90)};
        const int top = transparentTop ? 4 : 0;
        for (int i = 0; i < 5; ++i) {
            if (top) Fill(image, RECT{i * 10, 0, i * 10 + 10, top}, Magenta);
            Fill(image, RECT{i * 10, top, i * 10 + 10, 12}, frames[i]);
        }
        d->MenuItem->LeftWidth = ItemLeftMargin;
        if (transparentTop) d->MenuItem->Trans = 1;
    }
    d->Colors[scMenu] = MenuColour;
    d->Colors[scHilight] = HilightColour;
    d->Colors[scMenuText] = MenuTextColour;
    d->Colors[scHilightText] = HilightTextColour;
    d->Colors[scButtonShadow] = ShadowColour;
    d->Colors[scButtonFace] = MakeRGB(240, 240, 240);
    d->Empty = false;
    return d;
}

// Each channel within 40 of the other's.
inline bool Near(TColor a, TColor b)
{
    return std::abs(int(a & 0xFF) - int(b & 0xFF)) <= 40 && std::abs(int((a >> 8) & 0xFF) - int((b >> 8) & 0xFF)) <= 40 &&
           std::abs(int((a >> 16) & 0xFF) - int((b >> 16) & 0xFF)) <= 40;
}

inline bool AnyNear(cl::TBitmap& b, const RECT& r, TColor c)
{
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            if (Near(b.Canvas()->Pixel(x, y), c)) return true;
    return false;
}

} // namespace skin::test
