// Image lists: equal-sized images with masks, drawn normally or disabled (embossed grey).
#pragma once

#include "Classes.h"
#include "Graphics.h"

#include <QImage>
#include <vector>

enum TDrawingStyle { dsFocus, dsSelected, dsNormal, dsTransparent };
enum TImageType { itImage, itMask };

class TCustomImageList;

// Lets a control hear about changes of an image list it shows.
class TChangeLink : public TObject {
    KADRION_CLASS(TChangeLink)
    ~TChangeLink() override;
    TCustomImageList* Sender = nullptr;
    TNotifyEvent OnChange;
    // Calls OnChange with the image list as the sender.
    void Change();
};

// Images are kept with their transparency as alpha. Adding an image wider than Width adds
// one image per Width-wide slice. Index errors raise EInvalidOperation
// "Invalid ImageList Index" (EInvalidOperation "Invalid image size" for a mismatched height).
class TCustomImageList : public TComponent {
    KADRION_CLASS(TCustomImageList)
    explicit TCustomImageList(TComponent* AOwner = nullptr);
    TCustomImageList(int AWidth, int AHeight, TComponent* AOwner = nullptr);
    ~TCustomImageList() override;
    void Assign(TPersistent* Source) override;

    int GetWidth() const { return width; }
    // Changing the size clears the list.
    void SetWidth(int Value);
    int GetHeight() const { return height; }
    void SetHeight(int Value);
    void SetSize(int AWidth, int AHeight);
    int GetCount() const { return int(images.size()); }
    int Count() const { return GetCount(); }
    bool GetMasked() const { return masked; }
    void SetMasked(bool Value) { masked = Value; }
    TColor GetBkColor() const { return bkColor; }
    void SetBkColor(TColor Value) { bkColor = Value; }
    TColor GetBlendColor() const { return blendColor; }
    void SetBlendColor(TColor Value) { blendColor = Value; }
    TDrawingStyle GetDrawingStyle() const { return drawingStyle; }
    void SetDrawingStyle(TDrawingStyle Value) { drawingStyle = Value; }
    TImageType GetImageType() const { return imageType; }
    void SetImageType(TImageType Value) { imageType = Value; }
    int GetAllocBy() const { return allocBy; }
    void SetAllocBy(int Value) { allocBy = Value; }

    // Mask: white = transparent, black = opaque (null: fully opaque). Returns the index of the
    // first image added.
    int Add(TBitmap* Image, TBitmap* Mask);
    // Pixels of MaskColor are transparent (clDefault: the bottom-left pixel's colour).
    int AddMasked(TBitmap* Image, TColor MaskColor);
    int AddIcon(TIcon* Image);
    // Adds an image (ARGB) of the list's size, scaling when it differs.
    int AddImage(const QImage& Image);
    // Appends every image of another list.
    void AddImages(TCustomImageList* Value);
    void Insert(int Index, TBitmap* Image, TBitmap* Mask);
    void InsertMasked(int Index, TBitmap* Image, TColor MaskColor);
    void Replace(int Index, TBitmap* Image, TBitmap* Mask);
    void ReplaceMasked(int Index, TBitmap* NewImage, TColor MaskColor);
    void ReplaceIcon(int Index, TIcon* Image);
    void Delete(int Index);
    void Move(int CurIndex, int NewIndex);
    void Clear();

    void Draw(TCanvas* Canvas, int X, int Y, int Index, bool Enabled = true);
    void DrawingStyled(TCanvas* Canvas, int X, int Y, int Index, TDrawingStyle Style,
                       bool Enabled = true);
    // Sizes Image to the list and draws the image on it (on BkColor unless that is clNone).
    void GetBitmap(int Index, TBitmap* Image);
    void GetIcon(int Index, TIcon* Image);
    // The stored image with transparency as alpha.
    QImage GetImage(int Index) const;

    void BeginUpdate();
    void EndUpdate();
    void RegisterChanges(TChangeLink* Value);
    void UnRegisterChanges(TChangeLink* Value);
    TNotifyEvent OnChange;

protected:
    virtual void Change();

private:
    void checkIndex(int Index) const;
    std::vector<QImage> slices(const QImage& Image) const;
    static QImage withMask(const QImage& Image, const QImage* Mask);
    static QImage withMaskColor(const QImage& Image, TColor Color);
    int width = 16;
    int height = 16;
    bool masked = true;
    TColor bkColor = clNone;
    TColor blendColor = clNone;
    TDrawingStyle drawingStyle = dsNormal;
    TImageType imageType = itImage;
    int allocBy = 4;
    int updateCount = 0;
    bool changedInUpdate = false;
    std::vector<QImage> images;
    std::vector<TChangeLink*> links;
};

class TImageList : public TCustomImageList {
    KADRION_CLASS(TImageList)
    using TCustomImageList::TCustomImageList;
};
