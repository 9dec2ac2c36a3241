// TCustomImageList: the native common-control list behind a component.
#include "classlib/ImgList.h"

#include "classlib/Forms.h"

#include <algorithm>
#include <string>

namespace cl {

const TClass& TCustomImageList::StaticClass()
{
    return DefineClass<TCustomImageList, TComponent>("TCustomImageList", [](TPublisher<TCustomImageList>& p) {
        p.Int("AllocBy", &TCustomImageList::AllocBy, &TCustomImageList::SetAllocBy);
        p.Int("Height", &TCustomImageList::Height, &TCustomImageList::SetHeight);
        p.Bool("Masked", &TCustomImageList::Masked, &TCustomImageList::SetMasked);
        p.Int("Width", &TCustomImageList::Width, &TCustomImageList::SetWidth);
    });
}

const TClass& TImageList::StaticClass() { return DefineClass<TImageList, TCustomImageList>("TImageList"); }

TCustomImageList::TCustomImageList(TComponent* owner) : TComponent(owner) {}

TCustomImageList::~TCustomImageList()
{
    for (TChangeLink* link : links_) link->sender_ = nullptr;
}

TChangeLink::~TChangeLink()
{
    if (sender_) sender_->UnRegisterChanges(this);
}

void TCustomImageList::RegisterChanges(TChangeLink* link)
{
    if (!link || link->sender_ == this) return;
    if (link->sender_) link->sender_->UnRegisterChanges(link);
    link->sender_ = this;
    links_.push_back(link);
}

void TCustomImageList::UnRegisterChanges(TChangeLink* link)
{
    if (!link || link->sender_ != this) return;
    link->sender_ = nullptr;
    links_.erase(std::find(links_.begin(), links_.end(), link));
}

HIMAGELIST TCustomImageList::Handle() const
{
    if (!handle_) handle_.reset(ImageList_Create(width_, height_, ILC_COLOR32 | (masked_ ? ILC_MASK : 0), 0, allocBy_));
    return handle_.get();
}

HIMAGELIST TCustomImageList::Native() const
{
    HIMAGELIST list = Handle();
    if (!list) throw EInvalidOperation("Image list could not be created");
    return list;
}

void TCustomImageList::SetHandle(HIMAGELIST list)
{
    handle_.reset(list);
    if (list) {
        int w = 0, h = 0;
        if (ImageList_GetIconSize(list, &w, &h)) width_ = w, height_ = h;
    }
    Change();
}

int TCustomImageList::Count() const { return handle_ ? ImageList_GetImageCount(handle_.get()) : 0; }

void TCustomImageList::Recreate()
{
    handle_.reset();
    Change();
}

void TCustomImageList::SetWidth(int width)
{
    if (width == width_) return;
    if (width <= 0) throw EInvalidOperation("Invalid image size");
    width_ = width;
    Recreate();
}

void TCustomImageList::SetHeight(int height)
{
    if (height == height_) return;
    if (height <= 0) throw EInvalidOperation("Invalid image size");
    height_ = height;
    Recreate();
}

void TCustomImageList::SetMasked(bool masked)
{
    if (masked == masked_) return;
    masked_ = masked;
    Recreate();
}

void TCustomImageList::Change()
{
    if (OnChange) OnChange(this);
    // A listener may unregister (or free) itself or another one while it is told: each
    // link is looked up again before it is called.
    const std::vector<TChangeLink*> links = links_;
    for (TChangeLink* link : links)
        if (std::find(links_.begin(), links_.end(), link) != links_.end() && link->OnChange) link->OnChange(this);
}

void TCustomImageList::AssignTo(TPersistent& dest) const
{
    auto* list = dynamic_cast<TCustomImageList*>(&dest);
    if (!list) return TComponent::AssignTo(dest);
    list->width_ = width_;
    list->height_ = height_;
    list->masked_ = masked_;
    list->allocBy_ = allocBy_;
    list->handle_.reset(handle_ ? ImageList_Duplicate(handle_.get()) : nullptr);
    list->Change();
}

void TCustomImageList::Draw(TCanvas& canvas, int x, int y, int index, bool enabled)
{
    DoDraw(index, canvas, x, y, dsNormal, enabled);
}

void TCustomImageList::DoDraw(int index, TCanvas& canvas, int x, int y, TDrawingStyle style, bool enabled)
{
    if (!handle_ || index < 0 || index >= Count()) return;
    UINT flags = style == dsTransparent ? ILD_TRANSPARENT : style == dsSelected ? ILD_SELECTED : style == dsFocus ? ILD_FOCUS : ILD_NORMAL;
    if (!enabled) flags |= ILD_BLEND50;
    ImageList_DrawEx(handle_.get(), index, canvas.Handle(), x, y, 0, 0, CLR_DEFAULT, CLR_DEFAULT, flags);
}

HICON TCustomImageList::GetIcon(int index) const
{
    if (!handle_ || index < 0 || index >= Count()) return nullptr;
    return ImageList_GetIcon(handle_.get(), index, ILD_NORMAL);
}

int TCustomImageList::Add(TBitmap* image, TBitmap* mask)
{
    if (!image) return -1;
    const TBitmapRelease freeImage(image), freeMask(mask);
    const int index = ImageList_Add(Native(), image->Handle(), mask ? mask->Handle() : nullptr);
    Change();
    return index;
}

int TCustomImageList::AddIcon(TIcon* icon)
{
    if (!icon) return -1;
    const int index = ImageList_ReplaceIcon(Native(), -1, icon->Handle());
    Change();
    return index;
}

int TCustomImageList::AddImage(TCustomImageList* list, int index)
{
    if (!list) return -1;
    IconHandle icon(list->GetIcon(index));
    if (!icon) return -1;
    const int at = ImageList_ReplaceIcon(Native(), -1, icon.get());
    Change();
    return at;
}

void TCustomImageList::AddImages(TCustomImageList* list)
{
    if (!list) return;
    const int n = list->Count();
    for (int i = 0; i < n; ++i) AddImage(list, i);
}

int TCustomImageList::AddMasked(TBitmap* image, TColor maskColor)
{
    if (!image) return -1;
    const TBitmapRelease freeImage(image);
    const int index = ImageList_AddMasked(Native(), image->Handle(), static_cast<COLORREF>(ColorToRGB(maskColor)));
    Change();
    return index;
}

void TCustomImageList::Clear()
{
    if (handle_) ImageList_Remove(handle_.get(), -1);
    Change();
}

void TCustomImageList::Delete(int index)
{
    if (index < 0 || index >= Count()) throw EListError("Image index out of range (" + std::to_string(index) + ")");
    ImageList_Remove(handle_.get(), index);
    Change();
}

// Puts the image at from into place to, the ones between moving up or down by one. Only
// plain copies through a spare slot: Wine's ILCF_SWAP loses the image it copies into the
// source's place.
void TCustomImageList::Rotate(int from, int to)
{
    if (from == to) return;
    HIMAGELIST list = handle_.get();
    const int n = ImageList_GetImageCount(list);
    if (!ImageList_SetImageCount(list, static_cast<UINT>(n + 1))) return;
    ImageList_Copy(list, n, list, from, ILCF_MOVE);
    for (int i = from; i < to; ++i) ImageList_Copy(list, i, list, i + 1, ILCF_MOVE);
    for (int i = from; i > to; --i) ImageList_Copy(list, i, list, i - 1, ILCF_MOVE);
    ImageList_Copy(list, to, list, n, ILCF_MOVE);
    ImageList_SetImageCount(list, static_cast<UINT>(n));
}

// Version 5.81 of the common controls has no insertion: the image is appended, then
// moved into its place.
void TCustomImageList::MoveLastTo(int index) { Rotate(Count() - 1, index); }

void TCustomImageList::Insert(int index, TBitmap* image, TBitmap* mask)
{
    if (!image) return;
    if (index < 0 || index > Count()) throw EListError("Image index out of range (" + std::to_string(index) + ")");
    const TBitmapRelease freeImage(image), freeMask(mask);
    if (ImageList_Add(Native(), image->Handle(), mask ? mask->Handle() : nullptr) >= 0) MoveLastTo(index);
    Change();
}

void TCustomImageList::InsertIcon(int index, TIcon* icon)
{
    if (!icon) return;
    if (index < 0 || index > Count()) throw EListError("Image index out of range (" + std::to_string(index) + ")");
    if (ImageList_ReplaceIcon(Native(), -1, icon->Handle()) >= 0) MoveLastTo(index);
    Change();
}

void TCustomImageList::InsertMasked(int index, TBitmap* image, TColor maskColor)
{
    if (!image) return;
    if (index < 0 || index > Count()) throw EListError("Image index out of range (" + std::to_string(index) + ")");
    const TBitmapRelease freeImage(image);
    if (ImageList_AddMasked(Native(), image->Handle(), static_cast<COLORREF>(ColorToRGB(maskColor))) >= 0) MoveLastTo(index);
    Change();
}

void TCustomImageList::Move(int currentIndex, int newIndex)
{
    const int n = Count();
    if (currentIndex < 0 || currentIndex >= n || newIndex < 0 || newIndex >= n)
        throw EListError("Image index out of range (" + std::to_string(currentIndex) + ")");
    Rotate(currentIndex, newIndex);
    Change();
}

void TCustomImageList::Replace(int index, TBitmap* image, TBitmap* mask)
{
    if (!image) return;
    if (index < 0 || index >= Count()) throw EListError("Image index out of range (" + std::to_string(index) + ")");
    const TBitmapRelease freeImage(image), freeMask(mask);
    ImageList_Replace(handle_.get(), index, image->Handle(), mask ? mask->Handle() : nullptr);
    Change();
}

void TCustomImageList::ReplaceIcon(int index, TIcon* icon)
{
    if (!icon) return;
    if (index < 0 || index >= Count()) throw EListError("Image index out of range (" + std::to_string(index) + ")");
    ImageList_ReplaceIcon(handle_.get(), index, icon->Handle());
    Change();
}

// The common controls have no masked replacement: the masked image is appended, copied
// over the old one, and removed from the end.
void TCustomImageList::ReplaceMasked(int index, TBitmap* image, TColor maskColor)
{
    if (!image) return;
    if (index < 0 || index >= Count()) throw EListError("Image index out of range (" + std::to_string(index) + ")");
    const TBitmapRelease freeImage(image);
    const int added = ImageList_AddMasked(handle_.get(), image->Handle(), static_cast<COLORREF>(ColorToRGB(maskColor)));
    if (added >= 0) {
        ImageList_Copy(handle_.get(), index, handle_.get(), added, ILCF_MOVE);
        ImageList_Remove(handle_.get(), added);
    }
    Change();
}

} // namespace cl
