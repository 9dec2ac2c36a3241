// Image lists: a common-control image list of equally sized images, drawn on a canvas.
// Its adding, inserting, replacing, deleting, moving and clearing operations are virtual,
// so a descendant that keeps its images another way does its own work however they are
// called.
#pragma once

#include "classlib/Graphics.h"

#include <commctrl.h>

#include <vector>

namespace cl {

namespace traits {
struct ImageList {
    using Handle = HIMAGELIST;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ImageList_Destroy(h); }
};
} // namespace traits
using ImageListHandle = UniqueHandle<traits::ImageList>;

enum TDrawingStyle { dsFocus, dsSelected, dsNormal, dsTransparent };

class TCustomImageList;

// A listener of one image list's changes, registered with RegisterChanges. Either side
// may go first: the link unregisters itself, and a list that goes clears its links' Sender.
class TChangeLink {
public:
    TChangeLink() = default;
    ~TChangeLink();
    TChangeLink(const TChangeLink&) = delete;
    TChangeLink& operator=(const TChangeLink&) = delete;

    TCustomImageList* Sender() const { return sender_; }
    TNotifyEvent OnChange;

private:
    friend class TCustomImageList;
    TCustomImageList* sender_ = nullptr;
};

class TCustomImageList : public TComponent {
    CL_CLASS(TCustomImageList)
public:
    explicit TCustomImageList(TComponent* owner);
    ~TCustomImageList() override;

    TNotifyEvent OnChange;
    // Links hear every change after OnChange; a link belongs to one list at a time.
    void RegisterChanges(TChangeLink* link);
    void UnRegisterChanges(TChangeLink* link);

    // The native list, made (empty) at the list's size when first needed.
    HIMAGELIST Handle() const;
    bool HandleAllocated() const { return static_cast<bool>(handle_); }
    // Takes ownership of list; null drops the current one.
    void SetHandle(HIMAGELIST list);
    int Count() const; // images in the native list

    int Width() const { return width_; }
    int Height() const { return height_; }
    // A new size empties the native list.
    virtual void SetWidth(int width);
    virtual void SetHeight(int height);
    bool Masked() const { return masked_; }
    void SetMasked(bool masked);
    int AllocBy() const { return allocBy_; }
    void SetAllocBy(int allocBy) { allocBy_ = allocBy; }

    // The image at index drawn at (x, y); disabled images are drawn greyed.
    void Draw(TCanvas& canvas, int x, int y, int index, bool enabled = true);
    // The native list's image at index as a new icon (owned by the caller); null when
    // there is none.
    HICON GetIcon(int index) const;

    virtual int Add(TBitmap* image, TBitmap* mask);
    virtual int AddIcon(TIcon* icon);
    virtual int AddImage(TCustomImageList* list, int index);
    virtual void AddImages(TCustomImageList* list);
    virtual int AddMasked(TBitmap* image, TColor maskColor);
    virtual void Clear();
    virtual void Delete(int index);
    virtual void Insert(int index, TBitmap* image, TBitmap* mask);
    virtual void InsertIcon(int index, TIcon* icon);
    virtual void InsertMasked(int index, TBitmap* image, TColor maskColor);
    virtual void Move(int currentIndex, int newIndex);
    virtual void Replace(int index, TBitmap* image, TBitmap* mask);
    virtual void ReplaceIcon(int index, TIcon* icon);
    virtual void ReplaceMasked(int index, TBitmap* image, TColor maskColor);

protected:
    // An image list destination gets the size, flags and a copy of the native list.
    void AssignTo(TPersistent& dest) const override;
    virtual void DoDraw(int index, TCanvas& canvas, int x, int y, TDrawingStyle style, bool enabled);
    virtual void Change();

private:
    HIMAGELIST Native() const; // Handle(), or EInvalidOperation when it cannot be made
    void Recreate();
    // Puts the image at from into place to; the last image into place index.
    void Rotate(int from, int to);
    void MoveLastTo(int index);

    mutable ImageListHandle handle_;
    std::vector<TChangeLink*> links_;
    int width_ = 16, height_ = 16, allocBy_ = 4;
    bool masked_ = true;
};

class TImageList : public TCustomImageList {
    CL_CLASS(TImageList)
public:
    using TCustomImageList::TCustomImageList;
};

} // namespace cl
