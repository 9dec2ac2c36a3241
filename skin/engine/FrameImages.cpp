// Frame images kept between paints.
#include "skin/engine/FrameImages.h"

#include "skin/SkinDraw.h"
#include "skin/SkinRules.h"

namespace skin {

cl::TBitmap* TBorderImages::Get(int index, const TDataSkinBorder& border, int w, int h, int k)
{
    if (index < 1 || index > 4 || w <= 0 || h <= 0 || !border.HasImage()) return nullptr;
    Part& part = parts_[index - 1];
    if (!part.image || part.border != &border || part.w != w || part.h != h || part.k != k) {
        part.image.reset();
        const int frames = AtLeastOneFrame(border.Frame);
        part.image = MakeNinePartBitmap(RECT{0, 0, w, h}, *border.Bitmap, border.Margins(), index > 2,
                                        border.Tile != 1, frames, k);
        part.border = &border;
        part.w = w;
        part.h = h;
        part.k = k;
    }
    return part.image.get();
}

void TBorderImages::Clear()
{
    for (Part& part : parts_) part = Part{};
}

} // namespace skin
