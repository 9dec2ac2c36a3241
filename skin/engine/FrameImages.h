// Images of a skinned window's frame kept between paints: each border part made from the
// skin once per size and frame, and what the caption buffer was composed from, so that
// repainting an unchanged frame copies kept pixels instead of making them again.
#pragma once

#include "skin/SkinObjects.h"

#include "classlib/Graphics.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace skin {

// The border parts of one window, by index (1 left, 2 right, 3 top, 4 bottom).
class TBorderImages {
public:
    // The nine-part image of the border at w x h, frame k of its image; made again when the
    // size or the frame differs from the kept one. Null without an image or with no area.
    cl::TBitmap* Get(int index, const TDataSkinBorder& border, int w, int h, int k);
    // Forgets every image (the skin changed).
    void Clear();

private:
    struct Part {
        std::unique_ptr<cl::TBitmap> image;
        const TDataSkinBorder* border = nullptr;
        int w = 0, h = 0, k = 0;
    };
    Part parts_[4];
};

// A caption button as it was drawn into the caption buffer.
struct TCaptionButtonKey {
    bool visible = false, enabled = false;
    RECT rect{};
    friend bool operator==(const TCaptionButtonKey& a, const TCaptionButtonKey& b)
    {
        return a.visible == b.visible && a.enabled == b.enabled && EqualRect(&a.rect, &b.rect);
    }
};

// Everything the composed caption buffer depends on besides the skin: equal keys give
// equal pixels. The buttons are compared after they are placed, which needs the title.
struct TCaptionKey {
    bool valid = false;
    int width = 0, height = 0, captionHeight = 0;
    bool active = false, minimized = false;
    COLORREF textColour = 0, faceColour = 0;
    std::wstring text;
    HICON icon = nullptr;
    unsigned iconVersion = 0;
    std::vector<TCaptionButtonKey> buttons;

    // The same title and window, buttons aside.
    bool SameTitle(const TCaptionKey& o) const
    {
        return valid && o.valid && width == o.width && height == o.height && captionHeight == o.captionHeight &&
               active == o.active && minimized == o.minimized && textColour == o.textColour &&
               faceColour == o.faceColour && text == o.text && icon == o.icon && iconVersion == o.iconVersion;
    }
};

} // namespace skin
