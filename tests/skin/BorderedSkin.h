// The skin of the raw-window frame tests: four borders of one colour, one tiled frame each.
#pragma once

#include "skin/engine/SkinData.h"

#include <memory>

namespace skin::test {

const TColor Edge = MakeRGB(0, 0, 120);
constexpr int L = 4, T = 30, R = 5, B = 6; // left, top (caption), right and bottom

inline void Solid(cl::TBitmap& b, int w, int h, TColor c)
{
    b.SetPixelFormat(cl::pf24bit);
    b.SetSize(w, h);
    b.Canvas()->Brush().SetColor(c);
    b.Canvas()->FillRect(RECT{0, 0, w, h});
}

inline std::unique_ptr<TSkinData> BorderedSkin()
{
    auto d = std::make_unique<TSkinData>(nullptr);
    Solid(*d->LeftBorder->Bitmap, L, 40, Edge);
    Solid(*d->RightBorder->Bitmap, R, 40, Edge);
    Solid(*d->TopBorder->Bitmap, 40, T, Edge);
    Solid(*d->BottomBorder->Bitmap, 40, B, Edge);
    for (TDataSkinBorder* b : {d->LeftBorder.get(), d->RightBorder.get(), d->TopBorder.get(), d->BottomBorder.get()})
        b->Frame = b->Tile = 1;
    return d;
}

} // namespace skin::test
