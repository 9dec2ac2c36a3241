// TAlphaImageList, its collection of PNG items, and the icons it fills the native list
// with.
#include "tray/AlphaImageList.h"

#include <shlwapi.h>

#include <utility>
#include <vector>

namespace tray {

using namespace cl;

// ---------------------------------------------------------------------------------------
// Items

const TClass& TAlphaImageItem::StaticClass()
{
    return DefineClass<TAlphaImageItem, TCollectionItem>("TAlphaImageItem", [](TPublisher<TAlphaImageItem>& p) {
        p.Owned("PngImage", &TAlphaImageItem::PngImage);
        p.String("Name", &TAlphaImageItem::Name, &TAlphaImageItem::SetName);
        p.Int("Background", &TAlphaImageItem::Background, &TAlphaImageItem::SetBackground).Idents(IdentToColor);
    });
}

TAlphaImageItem::TAlphaImageItem(TCollection* collection, bool picture)
    : TCollectionItem(collection), name_("PngImage" + std::to_string(collection ? collection->Count() : 0))
{
    if (!picture) return;
    png_ = std::make_unique<TPngPicture>();
    png_->OnChange = [this](TObject*) { Changed(); };
}

TAlphaImageItem::~TAlphaImageItem() = default;

void TAlphaImageItem::Changed()
{
    if (auto* items = dynamic_cast<TAlphaImageItems*>(Collection())) items->Update(this);
}

void TAlphaImageItem::SetPngImage(const TPngPicture* png)
{
    if (!png) return;
    auto copy = std::make_unique<TPngPicture>();
    copy->Assign(*png);
    copy->OnChange = [this](TObject*) { Changed(); };
    png_ = std::move(copy);
    Changed();
}

void TAlphaImageItem::TakePngImage(std::unique_ptr<TPngPicture> png)
{
    png_ = std::move(png);
    if (png_) png_->OnChange = [this](TObject*) { Changed(); };
}

void TAlphaImageItem::SetBackground(TColor color)
{
    if (color == background_) return;
    background_ = color;
    Changed();
}

AnsiString TAlphaImageItem::DisplayName() const { return name_.empty() ? AnsiString(ClassName()) : name_; }

void TAlphaImageItem::Assign(const TPersistent& source)
{
    const auto* item = dynamic_cast<const TAlphaImageItem*>(&source);
    if (!item) return TCollectionItem::Assign(source);
    if (item == this) return;
    if (item->png_) SetPngImage(item->png_.get());
    else png_.reset();
    SetBackground(item->background_);
    name_ = item->name_;
}

void TAlphaImageItem::Swap(TAlphaImageItem& other)
{
    std::swap(png_, other.png_);
    std::swap(name_, other.name_);
    std::swap(background_, other.background_);
    // Each picture reports to the item that now holds it.
    if (png_) png_->OnChange = [this](TObject*) { Changed(); };
    if (other.png_) other.png_->OnChange = [o = &other](TObject*) { o->Changed(); };
}

// ---------------------------------------------------------------------------------------
// Collection

const TClass& TAlphaImageItems::StaticClass() { return DefineClass<TAlphaImageItems, TCollection>("TAlphaImageItems"); }

TAlphaImageItems::TAlphaImageItems(TAlphaImageList* owner)
    : TCollection([this](TCollection* c) { return new TAlphaImageItem(c, !adding_); }), owner_(owner)
{
}

TAlphaImageItem* TAlphaImageItems::Item(int index) const
{
    return index >= 0 && index < Count() ? static_cast<TAlphaImageItem*>(Items(index)) : nullptr;
}

TAlphaImageItem* TAlphaImageItems::AddItem(bool picture)
{
    adding_ = !picture;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{adding_};
    return static_cast<TAlphaImageItem*>(Add());
}

TAlphaImageItem* TAlphaImageItems::Insert(int index, bool picture)
{
    TAlphaImageItem* item = AddItem(picture);
    const int last = Count() - 1;
    if (index < 0 || index >= last) return item;
    Move(last, index);
    return Item(index);
}

// Items keep their place in the collection; their contents travel instead.
void TAlphaImageItems::Move(int from, int to)
{
    if (!Item(from) || !Item(to) || from == to) return;
    const int step = from < to ? 1 : -1;
    for (int i = from; i != to; i += step) Item(i)->Swap(*Item(i + step));
    Update(nullptr);
}

void TAlphaImageItems::Assign(const TPersistent& source)
{
    TCollection::Assign(source);
    Update(nullptr);
}

void TAlphaImageItems::Update(TCollectionItem* item)
{
    TCollection::Update(item);
    if (owner_) owner_->RebuildNativeList();
}

// ---------------------------------------------------------------------------------------
// Icons

namespace {

// The common controls' version as major << 16 | minor.
DWORD ComCtlVersion()
{
    HMODULE comctl = GetModuleHandleA("comctl32.dll");
    auto get = comctl ? reinterpret_cast<DLLGETVERSIONPROC>(reinterpret_cast<void*>(GetProcAddress(comctl, "DllGetVersion"))) : nullptr;
    DLLVERSIONINFO info{};
    info.cbSize = sizeof info;
    if (!get || FAILED(get(&info))) return 0;
    return info.dwMajorVersion << 16 | info.dwMinorVersion;
}

bool HasAlphaSamples(const TPngPicture& png)
{
    return png.ColorType() == ctGrayscaleAlpha || png.ColorType() == ctRGBAlpha;
}

HICON MakeIcon(HBITMAP mask, HBITMAP color)
{
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmMask = mask;
    info.hbmColor = color;
    return CreateIconIndirect(&info);
}

} // namespace

HICON MakeAlphaIcon(const TPngPicture& png)
{
    const int w = png.Width(), h = png.Height();
    BITMAPV4HEADER header{};
    header.bV4Size = sizeof header;
    header.bV4Width = w;
    header.bV4Height = h; // bottom-up
    header.bV4Planes = 1;
    header.bV4BitCount = 32;
    header.bV4V4Compression = BI_BITFIELDS;
    header.bV4RedMask = 0xFF0000;
    header.bV4GreenMask = 0xFF00;
    header.bV4BlueMask = 0xFF;
    header.bV4AlphaMask = 0xFF000000;
    void* bits = nullptr;
    BitmapHandle dib(CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dib) throw EInvalidGraphicOperation("Out of system resources");
    auto* pixels = static_cast<std::uint8_t*>(bits);
    const bool alpha = HasAlphaSamples(png);
    const bool keyed = !alpha && png.TransparencyMode() == ptmBit;
    const TColor key = png.TransparentColor();
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = pixels + 4 * static_cast<std::size_t>(h - 1 - y) * w;
        const std::uint8_t* a = alpha ? png.AlphaScanline(y) : nullptr;
        for (int x = 0; x < w; ++x) {
            const TColor c = png.Pixel(x, y);
            std::uint8_t* p = row + 4 * x;
            p[0] = static_cast<std::uint8_t>(c >> 16), p[1] = static_cast<std::uint8_t>(c >> 8), p[2] = static_cast<std::uint8_t>(c);
            p[3] = alpha ? a[x] : keyed ? (c == key ? 0 : 255) : 0;
        }
    }
    GdiFlush();
    std::vector<std::uint8_t> zeros(((w + 15) / 16) * 2 * static_cast<std::size_t>(h));
    BitmapHandle mask(CreateBitmap(w, h, 1, 1, zeros.data()));
    if (!mask) throw EInvalidGraphicOperation("Out of system resources");
    return MakeIcon(mask.get(), dib.get());
}

HICON MakeMaskIcon(TPngPicture& png, TColor background)
{
    const int w = png.Width(), h = png.Height();
    TBitmap color;
    color.SetPixelFormat(pf32bit);
    color.SetSize(w, h);
    color.Canvas()->Brush().SetColor(background);
    color.Canvas()->FillRect(RECT{0, 0, w, h});
    png.Draw(*color.Canvas(), RECT{0, 0, w, h});
    // Blending leaves alpha bytes behind; the icon is opaque colour under its mask, and
    // common controls that read alpha would otherwise blend it a second time.
    for (int y = 0; y < h; ++y) {
        auto* row = static_cast<std::uint8_t*>(color.ScanLine(y));
        for (int x = 0; x < w; ++x) row[4 * x + 3] = 0;
    }
    TBitmap mask;
    mask.SetPixelFormat(pf32bit);
    mask.SetSize(w, h); // black
    const bool alpha = HasAlphaSamples(png);
    const bool keyed = !alpha && png.TransparencyMode() == ptmBit;
    const TColor key = png.TransparentColor();
    if (alpha || keyed)
        for (int y = 0; y < h; ++y) {
            auto* row = static_cast<std::uint32_t*>(mask.ScanLine(y));
            const std::uint8_t* a = alpha ? png.AlphaScanline(y) : nullptr;
            for (int x = 0; x < w; ++x) row[x] = (alpha ? a[x] == 0 : png.Pixel(x, y) == key) ? 0xFFFFFF : 0;
        }
    GdiFlush();
    // CreateIconIndirect copies both bitmaps; they are freed with their owners.
    return MakeIcon(mask.Handle(), color.Handle());
}

// ---------------------------------------------------------------------------------------
// The list

const TClass& TAlphaImageList::StaticClass()
{
    return DefineClass<TAlphaImageList, TImageList>("TAlphaImageList", [](TPublisher<TAlphaImageList>& p) {
        p.Bool("EnabledImages", &TAlphaImageList::EnabledImages, &TAlphaImageList::SetEnabledImages);
        p.Owned("PngImages", &TAlphaImageList::PngImages);
        p.Set("PngOptions", PngOptionType, &TAlphaImageList::PngOptions, &TAlphaImageList::SetPngOptions);
    });
}

TAlphaImageList::TAlphaImageList(TComponent* owner) : TImageList(owner), pngImages_(std::make_unique<TAlphaImageItems>(this)) {}

TAlphaImageList::~TAlphaImageList() = default;

void TAlphaImageList::SetEnabledImages(bool enabled)
{
    if (enabled == enabledImages_) return;
    enabledImages_ = enabled;
    RebuildNativeList();
}

void TAlphaImageList::SetPngImages(const TAlphaImageItems* images)
{
    if (!images || images == pngImages_.get()) return;
    pngImages_->Assign(*images);
    Change();
}

void TAlphaImageList::SetPngOptions(TPngOptions options)
{
    if (options == pngOptions_) return;
    pngOptions_ = options;
    RebuildNativeList();
}

// The form resource may give the size after the images; reading it then keeps them.
void TAlphaImageList::SetWidth(int width)
{
    if (width == Width()) return;
    TImageList::SetWidth(width);
    if (!HasState(csLoading)) Clear();
}

void TAlphaImageList::SetHeight(int height)
{
    if (height == Height()) return;
    TImageList::SetHeight(height);
    if (!HasState(csLoading)) Clear();
}

void TAlphaImageList::Loaded()
{
    TImageList::Loaded();
    RebuildNativeList();
}

void TAlphaImageList::AssignTo(TPersistent& dest) const
{
    TImageList::AssignTo(dest);
    if (auto* list = dynamic_cast<TAlphaImageList*>(&dest)) {
        list->SetPngImages(pngImages_.get());
        list->SetEnabledImages(enabledImages_);
    }
}

void TAlphaImageList::RebuildNativeList()
{
    // While the form resource is read, each item's picture and background would rebuild
    // the whole list again; Loaded builds it once from the items read.
    if (HasState(csLoading)) return;
    if (HandleAllocated()) ImageList_Remove(Handle(), -1);
    // The new list becomes the handle, which announces the change, only once it is filled:
    // a listener then sees the images.
    ImageListHandle list(ImageList_Create(Width(), Height(), ILC_COLOR32 | (Masked() ? ILC_MASK : 0), 0, AllocBy()));
    if (list && pngImages_) Fill(list.get());
    SetHandle(list.release());
}

void TAlphaImageList::Fill(HIMAGELIST list) const
{
    const bool effects = !enabledImages_ && pngOptions_ != 0;
    const bool alphaIcons = ComCtlVersion() >= 0x60000;
    TPngPicture scratch;
    for (int i = 0; i < pngImages_->Count(); ++i) {
        TAlphaImageItem* item = pngImages_->Item(i);
        if (!item->PngImage()) continue;
        TPngPicture* png = item->PngImage();
        if (effects) {
            scratch.Assign(*png);
            if (pngOptions_ & (1u << pngBlendOnDisabled)) FadePngAlpha(scratch, 127);
            if (pngOptions_ & (1u << pngGrayscaleOnDisabled)) GreyPngColours(scratch, 255);
            png = &scratch;
        }
        if (png->Empty()) continue;
        // The native list keeps its own copy of the icon.
        IconHandle icon(alphaIcons ? MakeAlphaIcon(*png) : MakeMaskIcon(*png, item->Background()));
        if (icon) ImageList_ReplaceIcon(list, -1, icon.get());
    }
}

void TAlphaImageList::DoDraw(int index, TCanvas& canvas, int x, int y, TDrawingStyle, bool enabled)
{
    TAlphaImageItem* item = pngImages_->Item(index);
    if (!item || !item->PngImage()) return;
    const RECT r{x, y, x + Width(), y + Height()};
    DrawPngWithOptions(*item->PngImage(), canvas, r, enabled ? 0 : pngOptions_);
}

// Pictures made by the operations are installed after their item exists, then the native
// list is rebuilt once more so that it shows them.
int TAlphaImageList::AddPicture(std::unique_ptr<TPngPicture> png)
{
    TAlphaImageItem* item = pngImages_->AddItem(false);
    item->TakePngImage(std::move(png));
    RebuildNativeList();
    return item->Index();
}

void TAlphaImageList::InsertPicture(int index, std::unique_ptr<TPngPicture> png)
{
    TAlphaImageItem* item = pngImages_->Insert(index, false);
    item->TakePngImage(std::move(png));
    RebuildNativeList();
}

void TAlphaImageList::ReplacePicture(int index, std::unique_ptr<TPngPicture> png)
{
    TAlphaImageItem* item = pngImages_->Item(index);
    if (!item) return;
    item->TakePngImage(std::move(png));
    RebuildNativeList();
}

int TAlphaImageList::Add(TBitmap* image, TBitmap* mask)
{
    if (!image) return -1;
    return AddPicture(BitmapMaskToPng(*image, mask, false));
}

int TAlphaImageList::AddIcon(TIcon* icon)
{
    if (!icon) return -1;
    return AddPicture(GraphicToPng(*icon));
}

int TAlphaImageList::AddImage(TCustomImageList* list, int index)
{
    auto png = std::make_unique<TPngPicture>();
    if (list) ImageListEntryToPng(*png, *list, index);
    return AddPicture(std::move(png));
}

void TAlphaImageList::AddImages(TCustomImageList* list)
{
    if (!list) return;
    // A PNG list counts its items; its native list may skip items without a picture.
    auto* alphaList = dynamic_cast<TAlphaImageList*>(list);
    const int n = alphaList ? alphaList->PngImages()->Count() : list->Count();
    for (int i = 0; i < n; ++i) AddImage(list, i);
}

int TAlphaImageList::AddMasked(TBitmap* image, TColor maskColor)
{
    if (!image) return -1;
    return AddPicture(BitmapColourKeyToPng(*image, maskColor));
}

void TAlphaImageList::Clear()
{
    pngImages_->Clear();
    if (HandleAllocated()) ImageList_Remove(Handle(), -1);
    Change();
}

// Deleting the item rebuilds the native list without it; removing its image from the
// native list as well would take a second image away.
void TAlphaImageList::Delete(int index)
{
    if (index < 0 || index >= Count() || !pngImages_->Item(index)) return;
    pngImages_->Delete(index);
    Change();
}

void TAlphaImageList::Insert(int index, TBitmap* image, TBitmap* mask)
{
    if (image) InsertPicture(index, BitmapMaskToPng(*image, mask, false));
}

void TAlphaImageList::InsertIcon(int index, TIcon* icon)
{
    if (icon) InsertPicture(index, GraphicToPng(*icon));
}

void TAlphaImageList::InsertMasked(int index, TBitmap* image, TColor maskColor)
{
    if (image) InsertPicture(index, BitmapColourKeyToPng(*image, maskColor));
}

void TAlphaImageList::Move(int currentIndex, int newIndex)
{
    if (!pngImages_->Item(currentIndex) || !pngImages_->Item(newIndex)) return;
    pngImages_->Move(currentIndex, newIndex);
    RebuildNativeList();
}

void TAlphaImageList::Replace(int index, TBitmap* image, TBitmap* mask)
{
    if (image && pngImages_->Item(index)) ReplacePicture(index, BitmapMaskToPng(*image, mask, false));
}

void TAlphaImageList::ReplaceIcon(int index, TIcon* icon)
{
    if (icon && pngImages_->Item(index)) ReplacePicture(index, GraphicToPng(*icon));
}

void TAlphaImageList::ReplaceMasked(int index, TBitmap* image, TColor maskColor)
{
    if (image && pngImages_->Item(index)) ReplacePicture(index, BitmapColourKeyToPng(*image, maskColor));
}

} // namespace tray
