// TAlphaImageList: an image list that keeps its images as PNG pictures with alpha in a
// collection (stored in the form resource), draws straight from them, and rebuilds the
// native list from them whenever they change.
#pragma once

#include "classlib/ImgList.h"
#include "classlib/PngImage.h"
#include "tray/PngFunctions.h"

#include <memory>

namespace tray {

class TAlphaImageList;

class TAlphaImageItem : public cl::TCollectionItem {
    CL_CLASS(TAlphaImageItem)
public:
    // With picture false the item starts without a picture (the adding operation that
    // makes it supplies one); Name is "PngImage" and the index at creation.
    explicit TAlphaImageItem(cl::TCollection* collection, bool picture = true);
    ~TAlphaImageItem() override;
    void Assign(const cl::TPersistent& source) override; // picture, background and name

    cl::TPngPicture* PngImage() const { return png_.get(); }
    void SetPngImage(const cl::TPngPicture* png); // a copy; null leaves no picture
    // Installs png without a change notification.
    void TakePngImage(std::unique_ptr<cl::TPngPicture> png);
    const cl::AnsiString& Name() const { return name_; }
    void SetName(const cl::AnsiString& name) { name_ = name; }
    cl::TColor Background() const { return background_; }
    void SetBackground(cl::TColor color);
    cl::AnsiString DisplayName() const; // Name, else the class name

    // Exchanges the contents (picture, name, background) of two items.
    void Swap(TAlphaImageItem& other);

private:
    void Changed();

    std::unique_ptr<cl::TPngPicture> png_;
    cl::AnsiString name_;
    cl::TColor background_ = cl::clBtnFace;
};

class TAlphaImageItems : public cl::TCollection {
    CL_CLASS(TAlphaImageItems)
public:
    explicit TAlphaImageItems(TAlphaImageList* owner);
    void Assign(const cl::TPersistent& source) override; // ends with one notification

    TAlphaImageList* Owner() const { return owner_; }
    TAlphaImageItem* Item(int index) const; // null outside 0..Count-1
    TAlphaImageItem* AddItem(bool picture = true);
    // A new item at index (clamped to the end).
    TAlphaImageItem* Insert(int index, bool picture = true);
    // The item at from takes index to; the others close up.
    void Move(int from, int to);

protected:
    void Update(cl::TCollectionItem* item) override;

private:
    friend class TAlphaImageItem;
    TAlphaImageList* owner_;
    bool adding_ = false; // the item being made has no picture yet
};

class TAlphaImageList : public cl::TImageList {
    CL_CLASS(TAlphaImageList)
public:
    explicit TAlphaImageList(cl::TComponent* owner);
    ~TAlphaImageList() override;

    bool EnabledImages() const { return enabledImages_; }
    virtual void SetEnabledImages(bool enabled);
    TAlphaImageItems* PngImages() const { return pngImages_.get(); }
    virtual void SetPngImages(const TAlphaImageItems* images);
    TPngOptions PngOptions() const { return pngOptions_; }
    void SetPngOptions(TPngOptions options);
    // A new size drops every PNG item, except while the form resource is read.
    void SetWidth(int width) override;
    void SetHeight(int height) override;

    // Remakes the native list from the items, with the disabled effects when EnabledImages
    // is off.
    virtual void RebuildNativeList();

    int Add(cl::TBitmap* image, cl::TBitmap* mask) override;
    int AddIcon(cl::TIcon* icon) override;
    int AddImage(cl::TCustomImageList* list, int index) override;
    void AddImages(cl::TCustomImageList* list) override;
    int AddMasked(cl::TBitmap* image, cl::TColor maskColor) override;
    void Clear() override;
    void Delete(int index) override;
    void Insert(int index, cl::TBitmap* image, cl::TBitmap* mask) override;
    void InsertIcon(int index, cl::TIcon* icon) override;
    void InsertMasked(int index, cl::TBitmap* image, cl::TColor maskColor) override;
    void Move(int currentIndex, int newIndex) override;
    void Replace(int index, cl::TBitmap* image, cl::TBitmap* mask) override;
    void ReplaceIcon(int index, cl::TIcon* icon) override;
    void ReplaceMasked(int index, cl::TBitmap* image, cl::TColor maskColor) override;

protected:
    void Loaded() override; // the native list at the size read
    void AssignTo(cl::TPersistent& dest) const override;
    void DoDraw(int index, cl::TCanvas& canvas, int x, int y, cl::TDrawingStyle style, bool enabled) override;

private:
    int AddPicture(std::unique_ptr<cl::TPngPicture> png);
    void InsertPicture(int index, std::unique_ptr<cl::TPngPicture> png);
    void ReplacePicture(int index, std::unique_ptr<cl::TPngPicture> png);
    // Appends an icon of every item with a picture to list, in collection order.
    void Fill(HIMAGELIST list) const;

    bool enabledImages_ = true;
    TPngOptions pngOptions_ = 1u << pngBlendOnDisabled;
    std::unique_ptr<TAlphaImageItems> pngImages_;
};

// Icons for the native list. Version 6 of the common controls: a 32-bit icon carrying the
// picture's alpha (colour types 4 and 6), or 255 off its single transparent colour, else
// 0. Earlier versions: the picture over background, masked by its alpha or transparent
// colour. The caller owns the icon.
HICON MakeAlphaIcon(const cl::TPngPicture& png);
HICON MakeMaskIcon(cl::TPngPicture& png, cl::TColor background);

} // namespace tray
