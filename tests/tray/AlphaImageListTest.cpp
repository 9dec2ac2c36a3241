// TAlphaImageList: the image-list operations called through the base class on a PNG list
// and on a plain list, the native list's pixels on both icon paths, drawing, and loading
// from a form resource.
#include "tray/AlphaImageList.h"

#include "classlib/FormReader.h"
#include "PngFixtures.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

using namespace cl;
using namespace tray;
using namespace pngtest;

// A one-colour bitmap of the list's size.
std::unique_ptr<TBitmap> Solid(TColor c, int w = 16, int h = 16)
{
    return Bitmap24(std::vector<std::vector<TColor>>(h, std::vector<TColor>(w, c)));
}

// The colour bitmap of an icon as 0xAARRGGBB values, rows from the top.
std::vector<std::uint32_t> IconColors(HICON icon, int w, int h)
{
    ICONINFO info{};
    if (!GetIconInfo(icon, &info)) {
        ADD_FAILURE() << "GetIconInfo failed";
        return {};
    }
    BitmapHandle color(info.hbmColor), mask(info.hbmMask);
    return Read32(color.get(), w, h);
}

std::vector<std::uint32_t> IconMask(HICON icon, int w, int h)
{
    ICONINFO info{};
    if (!GetIconInfo(icon, &info)) {
        ADD_FAILURE() << "GetIconInfo failed";
        return {};
    }
    BitmapHandle color(info.hbmColor), mask(info.hbmMask);
    return Read32(mask.get(), w, h);
}

// The colour of the native list's image at index, at (x, y).
TColor NativeColor(const TCustomImageList& list, int index, int x, int y)
{
    IconHandle icon(list.GetIcon(index));
    if (!icon) {
        ADD_FAILURE() << "no image " << index;
        return clNone;
    }
    const std::uint32_t p = IconColors(icon.get(), list.Width(), list.Height())[static_cast<std::size_t>(y) * list.Width() + x];
    return static_cast<TColor>((p >> 16 & 0xFF) | (p & 0xFF00) | (p & 0xFF) << 16);
}

TColor ItemColor(const TAlphaImageList& list, int index)
{
    const TAlphaImageItem* item = list.PngImages()->Item(index);
    if (!item || !item->PngImage() || item->PngImage()->Empty()) return clNone;
    return item->PngImage()->Pixel(0, 0);
}

TEST(AlphaImageList, OperationsThroughTheBaseClassWorkOnThePngItems)
{
    TAlphaImageList list(nullptr);
    TCustomImageList& base = list;
    auto red = Solid(clRed), lime = Solid(clLime), blue = Solid(clBlue), white = Solid(clWhite), black = Solid(clBlack);

    EXPECT_EQ(base.Add(red.get(), white.get()), 0);
    EXPECT_EQ(base.AddMasked(lime.get(), clFuchsia), 1);
    TIcon icon;
    icon.SetHandle(Icon32(std::vector<std::uint32_t>(1, 0xFF0000FFu), {0})); // blue, 1 by 1
    EXPECT_EQ(base.AddIcon(&icon), 2);
    EXPECT_EQ(list.PngImages()->Count(), 3);
    EXPECT_EQ(base.Count(), 3);
    EXPECT_EQ(ItemColor(list, 0), clRed);
    EXPECT_EQ(ItemColor(list, 2), clBlue);
    // The white mask makes Add's picture opaque.
    EXPECT_EQ(Alphas(*list.PngImages()->Item(0)->PngImage())[0], 255);

    // Nothing to add: -1 and nothing added.
    EXPECT_EQ(base.Add(nullptr, nullptr), -1);
    EXPECT_EQ(base.AddIcon(nullptr), -1);
    EXPECT_EQ(base.AddMasked(nullptr, clRed), -1);
    EXPECT_EQ(list.PngImages()->Count(), 3);

    base.Insert(0, blue.get(), nullptr); // blue, red, lime, blue
    base.InsertMasked(4, black.get(), clFuchsia); // at the end
    EXPECT_EQ(list.PngImages()->Count(), 5);
    EXPECT_EQ(base.Count(), 5);
    EXPECT_EQ(ItemColor(list, 0), clBlue);
    EXPECT_EQ(ItemColor(list, 1), clRed);
    EXPECT_EQ(ItemColor(list, 4), clBlack);

    base.Move(1, 3); // blue, lime, blue, red, black
    EXPECT_EQ(ItemColor(list, 1), clLime);
    EXPECT_EQ(ItemColor(list, 3), clRed);
    base.Replace(0, white.get(), nullptr);
    base.ReplaceMasked(2, lime.get(), clLime); // every pixel clear
    EXPECT_EQ(ItemColor(list, 0), clWhite);
    EXPECT_EQ(Alphas(*list.PngImages()->Item(2)->PngImage())[0], 0);

    base.Delete(0);
    EXPECT_EQ(list.PngImages()->Count(), 4);
    EXPECT_EQ(base.Count(), 4);
    EXPECT_EQ(ItemColor(list, 0), clLime);
    base.Delete(4); // outside the native list: nothing
    base.Delete(-1);
    base.Move(0, 9);
    base.Replace(9, red.get(), nullptr);
    EXPECT_EQ(list.PngImages()->Count(), 4);
    EXPECT_EQ(ItemColor(list, 0), clLime); // lime, clear lime, red, black

    base.ReplaceIcon(0, &icon);
    base.InsertIcon(1, &icon); // blue, blue, clear lime, red, black
    EXPECT_EQ(list.PngImages()->Count(), 5);
    EXPECT_EQ(base.Count(), 5);
    EXPECT_EQ(ItemColor(list, 0), clBlue);
    EXPECT_EQ(ItemColor(list, 1), clBlue);
    EXPECT_EQ(ItemColor(list, 3), clRed);

    // Another PNG list takes an item's picture as it is.
    TAlphaImageList other(nullptr);
    TCustomImageList& otherBase = other;
    EXPECT_EQ(otherBase.AddImage(&list, 3), 0);
    EXPECT_EQ(otherBase.AddImage(&list, 2), 1);
    EXPECT_EQ(ItemColor(other, 0), clRed);
    EXPECT_EQ(Alphas(*other.PngImages()->Item(1)->PngImage())[0], 0);

    base.Clear();
    EXPECT_EQ(list.PngImages()->Count(), 0);
    EXPECT_EQ(base.Count(), 0);
}

TEST(AlphaImageList, PlainListsKeepTheirOwnBehaviour)
{
    TImageList plain(nullptr);
    TCustomImageList& base = plain;
    auto red = Solid(clRed), lime = Solid(clLime), blue = Solid(clBlue);
    EXPECT_EQ(base.Add(red.get(), nullptr), 0);
    EXPECT_EQ(base.AddMasked(lime.get(), clFuchsia), 1);
    base.Insert(0, blue.get(), nullptr); // blue, red, lime
    ASSERT_EQ(base.Count(), 3);
    EXPECT_EQ(NativeColor(plain, 0, 5, 5), clBlue);
    EXPECT_EQ(NativeColor(plain, 2, 5, 5), clLime);
    base.Move(0, 2); // red, lime, blue
    EXPECT_EQ(NativeColor(plain, 0, 5, 5), clRed);
    EXPECT_EQ(NativeColor(plain, 2, 5, 5), clBlue);
    base.Delete(1);
    EXPECT_EQ(base.Count(), 2);
    EXPECT_EQ(NativeColor(plain, 1, 5, 5), clBlue);
    EXPECT_EQ(base.Add(nullptr, nullptr), -1);

    // A PNG list takes a plain list's entries with their mask as alpha.
    TAlphaImageList list(nullptr);
    list.AddImages(&plain);
    ASSERT_EQ(list.PngImages()->Count(), 2);
    EXPECT_EQ(ItemColor(list, 0), clRed);
    EXPECT_EQ(ItemColor(list, 1), clBlue);
    EXPECT_EQ(Alphas(*list.PngImages()->Item(1)->PngImage())[0], 255);

    base.Clear();
    EXPECT_EQ(base.Count(), 0);
}

TEST(AlphaImageList, NativeListShowsTheItemsAndTheDisabledEffects)
{
    // Without a version-6 manifest the common controls are older than 6.0: mask icons
    // over the item's background.
    TAlphaImageList list(nullptr);
    auto png = Rgba(std::vector<std::pair<TColor, int>>(256, {clRed, 255}), 16);
    png->AlphaScanline(0)[0] = 0; // the corner is clear
    auto* item = static_cast<TAlphaImageItem*>(list.PngImages()->Add());
    item->SetBackground(clWhite);
    item->SetPngImage(png.get());
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(NativeColor(list, 0, 5, 5), clRed);

    // Disabled with both effects: red greyed to 76, at alpha 128 over white:
    // 76 * 128/255 + 255 * 127/255 = 165.
    list.SetPngOptions((1u << pngBlendOnDisabled) | (1u << pngGrayscaleOnDisabled));
    EXPECT_EQ(NativeColor(list, 0, 5, 5), clRed); // EnabledImages: the options are not applied
    list.SetEnabledImages(false);
    ASSERT_EQ(list.Count(), 1);
    ExpectNear(NativeColor(list, 0, 5, 5), 0xA5A5A5, 1);
    // The item's own picture is not changed.
    EXPECT_EQ(ItemColor(list, 0), clRed);
}

// A listener (the tray icon takes its frames this way) hears of a rebuild once the new
// native list holds the images.
TEST(AlphaImageList, ListenersHearOfARebuildOnceTheListIsFilled)
{
    TAlphaImageList list(nullptr);
    for (TColor c : {clRed, clLime}) {
        auto png = Rgba(std::vector<std::pair<TColor, int>>(256, {c, 255}), 16);
        static_cast<TAlphaImageItem*>(list.PngImages()->Add())->SetPngImage(png.get());
    }
    ASSERT_EQ(list.Count(), 2);
    // The native list's count and its first image's colour at each notification.
    std::vector<std::pair<int, TColor>> heard;
    TChangeLink link;
    link.OnChange = [&](TObject*) {
        heard.emplace_back(list.Count(), list.Count() > 0 ? NativeColor(list, 0, 5, 5) : clNone);
    };
    list.RegisterChanges(&link);
    list.SetPngOptions(1u << pngGrayscaleOnDisabled); // a rebuild; enabled, so still red
    EXPECT_EQ(heard, (std::vector<std::pair<int, TColor>>{{2, clRed}}));
    heard.clear();
    list.Move(1, 0); // the collection's change and the move's own rebuild
    ASSERT_FALSE(heard.empty());
    for (const auto& h : heard) EXPECT_EQ(h.first, 2);
    EXPECT_EQ(heard.back().second, clLime);
    list.UnRegisterChanges(&link);
}

TEST(AlphaImageList, AlphaIconsAreUprightWithThePicturesAlpha)
{
    // 24 by 16: red at the top-left, blue at the bottom-right with alpha 100.
    std::vector<std::pair<TColor, int>> pixels(24 * 16, {clLime, 255});
    pixels.front() = {clRed, 255};
    pixels.back() = {clBlue, 100};
    auto png = Rgba(pixels, 24);
    IconHandle icon(MakeAlphaIcon(*png));
    ASSERT_TRUE(icon);
    const auto colors = IconColors(icon.get(), 24, 16);
    ASSERT_EQ(colors.size(), 24u * 16u);
    EXPECT_EQ(colors.front(), 0xFFFF0000u);
    EXPECT_EQ(colors.back(), 0x640000FFu);
    EXPECT_EQ(colors[23], 0xFF00FF00u); // top-right

    // No alpha channel and no transparent colour: alpha 0 everywhere.
    TPngPicture rgb;
    rgb.Assign(*Solid(clRed, 2, 2));
    IconHandle opaque(MakeAlphaIcon(rgb));
    EXPECT_EQ(IconColors(opaque.get(), 2, 2), std::vector<std::uint32_t>(4, 0x00FF0000u));
    // A transparent colour: 0 on it, 255 elsewhere.
    TPngPicture keyed;
    keyed.Assign(*Bitmap24({{clRed, clLime}}));
    keyed.SetTransparentColor(clLime);
    IconHandle keyedIcon(MakeAlphaIcon(keyed));
    EXPECT_EQ(IconColors(keyedIcon.get(), 2, 1), (std::vector<std::uint32_t>{0xFFFF0000u, 0x0000FF00u}));
}

TEST(AlphaImageList, MaskIconsDrawOverTheBackground)
{
    struct Case {
        const char* name;
        std::unique_ptr<TPngPicture> png;
        std::vector<std::uint32_t> colors, mask; // 0x00RRGGBB
    };
    Case cases[2];
    cases[0] = {"alpha", Rgba({{clRed, 255}, {clLime, 0}}), {0xFF0000, 0xFFFFFF}, {0, 0xFFFFFF}};
    auto keyed = std::make_unique<TPngPicture>();
    keyed->Assign(*Bitmap24({{clRed, clLime}}));
    keyed->SetTransparentColor(clLime);
    cases[1] = {"transparent colour", std::move(keyed), {0xFF0000, 0xFFFFFF}, {0, 0xFFFFFF}};
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        IconHandle icon(MakeMaskIcon(*c.png, clWhite));
        ASSERT_TRUE(icon);
        auto colors = IconColors(icon.get(), 2, 1), mask = IconMask(icon.get(), 2, 1);
        for (auto& p : colors) p &= 0xFFFFFF;
        for (auto& p : mask) p &= 0xFFFFFF;
        EXPECT_EQ(colors, c.colors);
        EXPECT_EQ(mask, c.mask);
    }
}

TEST(AlphaImageList, DrawsStraightFromThePictures)
{
    TAlphaImageList list(nullptr);
    list.SetWidth(2);
    list.SetHeight(1);
    list.PngImages()->Add();
    list.PngImages()->Item(0)->SetPngImage(Rgba({{clRed, 255}, {clRed, 0}}).get());
    TBitmap target;
    target.SetPixelFormat(pf32bit);
    target.SetSize(6, 1);
    target.Canvas()->Brush().SetColor(clWhite);
    target.Canvas()->FillRect(RECT{0, 0, 6, 1});
    list.Draw(*target.Canvas(), 0, 0, 0);        // enabled: unchanged
    list.Draw(*target.Canvas(), 2, 0, 0, false); // disabled: blended (the default option)
    list.Draw(*target.Canvas(), 4, 0, 7);        // no item: nothing
    ExpectNear(Pixel32(target, 0, 0), clRed, 1);
    ExpectNear(Pixel32(target, 1, 0), clWhite, 1);
    ExpectNear(Pixel32(target, 2, 0), 0x7F7FFF, 1);
    ExpectNear(Pixel32(target, 4, 0), clWhite, 1);
}

TEST(AlphaImageList, NewSizeDropsTheItemsButNotWhileLoading)
{
    TAlphaImageList list(nullptr);
    list.Add(Solid(clRed).get(), nullptr);
    list.SetWidth(24);
    EXPECT_EQ(list.PngImages()->Count(), 0);

    // The size after the images in a form resource.
    TAlphaImageList::StaticClass();
    std::string hex;
    for (std::uint8_t b : Encode({1, 1, 8, 2, {{9, 8, 7}}})) {
        char two[3];
        std::snprintf(two, sizeof two, "%02X", b);
        hex += two;
    }
    TComponent root(nullptr);
    ReadComponentText("TComponent Root {\n  TAlphaImageList il {\n    PngImages = <\n      { PngImage.Data = {" + hex +
                          "} Name = \"PngImage1\" Background = clWindow }\n"
                          "      { PngImage.Data = {" + hex + "} }\n    >\n    Width = 24\n    Height = 20\n  }\n}",
                      root);
    auto* loaded = dynamic_cast<TAlphaImageList*>(root.FindComponent("il"));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->Width(), 24);
    EXPECT_EQ(loaded->Height(), 20);
    ASSERT_EQ(loaded->PngImages()->Count(), 2);
    EXPECT_EQ(loaded->PngImages()->Item(0)->Name(), "PngImage1");
    EXPECT_EQ(loaded->PngImages()->Item(0)->Background(), clWindow);
    EXPECT_EQ(loaded->PngImages()->Item(1)->Name(), "PngImage1"); // index 1 at creation
    EXPECT_EQ(loaded->PngImages()->Item(1)->Background(), clBtnFace);
    EXPECT_EQ(ItemColor(*loaded, 1), 0x070809);
    EXPECT_EQ(loaded->Count(), 2);
}

TEST(AlphaImageList, CopyingAListCopiesItsItems)
{
    TAlphaImageList from(nullptr), to(nullptr);
    from.Add(Solid(clRed).get(), nullptr);
    from.SetEnabledImages(false);
    to.Assign(from);
    ASSERT_EQ(to.PngImages()->Count(), 1);
    EXPECT_EQ(ItemColor(to, 0), clRed);
    EXPECT_FALSE(to.EnabledImages());
    EXPECT_EQ(to.Count(), 1);
}

} // namespace
