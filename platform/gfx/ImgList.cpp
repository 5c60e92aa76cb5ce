// Image lists.
#include "ImgList.h"

#include "GfxInternal.h"

#include <QPainter>
#include <algorithm>

void TChangeLink::Change() {
    if (OnChange) OnChange(Sender);
}

TChangeLink::~TChangeLink() {
    if (Sender) Sender->UnRegisterChanges(this);
}

TCustomImageList::TCustomImageList(TComponent* AOwner) : TComponent(AOwner) {}

TCustomImageList::TCustomImageList(int AWidth, int AHeight, TComponent* AOwner)
    : TComponent(AOwner), width(std::max(1, AWidth)), height(std::max(1, AHeight)) {}

TCustomImageList::~TCustomImageList() {
    for (TChangeLink* l : links)
        l->Sender = nullptr;
}

void TCustomImageList::Assign(TPersistent* Source) {
    if (auto* il = dynamic_cast<TCustomImageList*>(Source)) {
        if (il == this) return;
        width = il->width;
        height = il->height;
        masked = il->masked;
        bkColor = il->bkColor;
        blendColor = il->blendColor;
        drawingStyle = il->drawingStyle;
        imageType = il->imageType;
        allocBy = il->allocBy;
        images = il->images;
        Change();
        return;
    }
    TComponent::Assign(Source);
}

void TCustomImageList::SetWidth(int Value) {
    SetSize(Value, height);
}

void TCustomImageList::SetHeight(int Value) {
    SetSize(width, Value);
}

void TCustomImageList::SetSize(int AWidth, int AHeight) {
    AWidth = std::max(1, AWidth);
    AHeight = std::max(1, AHeight);
    if (AWidth == width && AHeight == height) return;
    width = AWidth;
    height = AHeight;
    images.clear();
    Change();
}

void TCustomImageList::checkIndex(int Index) const {
    if (Index < 0 || Index >= int(images.size()))
        throw EInvalidOperation(QStringLiteral("Invalid ImageList Index"));
}

// Image with Mask applied: nonblack mask pixels are transparent.
QImage TCustomImageList::withMask(const QImage& Image, const QImage* Mask) {
    QImage img = Image.convertToFormat(QImage::Format_ARGB32);
    if (!Mask || Mask->isNull()) return img;
    QImage m = Mask->convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < img.height() && y < m.height(); ++y) {
        auto* p = reinterpret_cast<uint32_t*>(img.scanLine(y));
        auto* q = reinterpret_cast<const uint32_t*>(m.constScanLine(y));
        for (int x = 0; x < img.width() && x < m.width(); ++x)
            if (q[x] & 0xFFFFFFu) p[x] = 0;
    }
    return img;
}

QImage TCustomImageList::withMaskColor(const QImage& Image, TColor Color) {
    QImage img = Image.convertToFormat(QImage::Format_ARGB32);
    const uint32_t key = gfx::colorToPixel(Color) & 0xFFFFFFu;
    for (int y = 0; y < img.height(); ++y) {
        auto* p = reinterpret_cast<uint32_t*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x)
            if ((p[x] & 0xFFFFFFu) == key) p[x] = 0;
    }
    return img;
}

// Width-wide slices of an image (one when it is narrower), each on a transparent cell.
std::vector<QImage> TCustomImageList::slices(const QImage& Image) const {
    std::vector<QImage> out;
    int n = std::max(1, Image.width() / width);
    for (int i = 0; i < n; ++i) {
        QImage cell(width, height, QImage::Format_ARGB32);
        cell.fill(0);
        QImage part = Image.copy(i * width, 0, width, std::min(height, Image.height()));
        for (int y = 0; y < part.height(); ++y)
            std::copy_n(reinterpret_cast<const uint32_t*>(part.constScanLine(y)),
                        std::min(width, part.width()),
                        reinterpret_cast<uint32_t*>(cell.scanLine(y)));
        out.push_back(cell);
    }
    return out;
}

int TCustomImageList::AddImage(const QImage& Image) {
    QImage img = Image.convertToFormat(QImage::Format_ARGB32);
    if (img.width() != width || img.height() != height)
        img = img.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    images.push_back(img);
    Change();
    return int(images.size()) - 1;
}

int TCustomImageList::Add(TBitmap* Image, TBitmap* Mask) {
    if (!Image || Image->GetEmpty()) return -1;
    QImage m = Mask && !Mask->GetEmpty() ? Mask->GetImage() : QImage();
    std::vector<QImage> parts = slices(withMask(Image->GetImage(), m.isNull() ? nullptr : &m));
    int first = int(images.size());
    images.insert(images.end(), parts.begin(), parts.end());
    Change();
    return first;
}

int TCustomImageList::AddMasked(TBitmap* Image, TColor MaskColor) {
    if (!Image || Image->GetEmpty()) return -1;
    if (MaskColor == clDefault) MaskColor = Image->GetTransparentColor();
    std::vector<QImage> parts = slices(withMaskColor(Image->GetImage(), MaskColor));
    int first = int(images.size());
    images.insert(images.end(), parts.begin(), parts.end());
    Change();
    return first;
}

int TCustomImageList::AddIcon(TIcon* Image) {
    if (!Image || Image->GetEmpty()) return -1;
    TIcon copy;
    copy.Assign(Image);
    copy.SetSize(width, height);
    return AddImage(copy.ToImage());
}

void TCustomImageList::AddImages(TCustomImageList* Value) {
    if (!Value) return;
    for (const QImage& i : Value->images)
        images.push_back(
            i.width() == width && i.height() == height
                ? i
                : i.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    Change();
}

void TCustomImageList::Insert(int Index, TBitmap* Image, TBitmap* Mask) {
    if (Index < 0 || Index > int(images.size()))
        throw EInvalidOperation(QStringLiteral("Invalid ImageList Index"));
    if (!Image || Image->GetEmpty()) return;
    QImage m = Mask && !Mask->GetEmpty() ? Mask->GetImage() : QImage();
    std::vector<QImage> parts = slices(withMask(Image->GetImage(), m.isNull() ? nullptr : &m));
    images.insert(images.begin() + Index, parts.begin(), parts.end());
    Change();
}

void TCustomImageList::InsertMasked(int Index, TBitmap* Image, TColor MaskColor) {
    if (Index < 0 || Index > int(images.size()))
        throw EInvalidOperation(QStringLiteral("Invalid ImageList Index"));
    if (!Image || Image->GetEmpty()) return;
    std::vector<QImage> parts = slices(withMaskColor(Image->GetImage(), MaskColor));
    images.insert(images.begin() + Index, parts.begin(), parts.end());
    Change();
}

void TCustomImageList::Replace(int Index, TBitmap* Image, TBitmap* Mask) {
    checkIndex(Index);
    if (!Image || Image->GetEmpty()) return;
    QImage m = Mask && !Mask->GetEmpty() ? Mask->GetImage() : QImage();
    images[size_t(Index)] = slices(withMask(Image->GetImage(), m.isNull() ? nullptr : &m)).front();
    Change();
}

void TCustomImageList::ReplaceMasked(int Index, TBitmap* NewImage, TColor MaskColor) {
    checkIndex(Index);
    if (!NewImage || NewImage->GetEmpty()) return;
    images[size_t(Index)] = slices(withMaskColor(NewImage->GetImage(), MaskColor)).front();
    Change();
}

void TCustomImageList::ReplaceIcon(int Index, TIcon* Image) {
    checkIndex(Index);
    if (!Image || Image->GetEmpty()) return;
    TIcon copy;
    copy.Assign(Image);
    copy.SetSize(width, height);
    images[size_t(Index)] =
        copy.ToImage().scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    Change();
}

void TCustomImageList::Delete(int Index) {
    checkIndex(Index);
    images.erase(images.begin() + Index);
    Change();
}

void TCustomImageList::Move(int CurIndex, int NewIndex) {
    if (CurIndex == NewIndex) return;
    checkIndex(CurIndex);
    checkIndex(NewIndex);
    QImage img = images[size_t(CurIndex)];
    images.erase(images.begin() + CurIndex);
    images.insert(images.begin() + NewIndex, img);
    Change();
}

void TCustomImageList::Clear() {
    if (images.empty()) return;
    images.clear();
    Change();
}

QImage TCustomImageList::GetImage(int Index) const {
    checkIndex(Index);
    return images[size_t(Index)];
}

void TCustomImageList::Draw(TCanvas* Canvas, int X, int Y, int Index, bool Enabled) {
    DrawingStyled(Canvas, X, Y, Index, drawingStyle, Enabled);
}

void TCustomImageList::DrawingStyled(TCanvas* Canvas, int X, int Y, int Index, TDrawingStyle Style,
                                     bool Enabled) {
    if (!Canvas || Index < 0 || Index >= int(images.size())) return;
    const QImage& img = images[size_t(Index)];
    // Everything is composed into one image (one pixel larger for the embossed highlight)
    // and put on the canvas in one go.
    QImage out(img.width() + 1, img.height() + 1, QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);
    QPainter p(&out);
    if (bkColor != clNone && Style != dsTransparent && Enabled)
        p.fillRect(QRect(0, 0, width, height), ColorToQColor(bkColor));
    if (Enabled) {
        if (imageType == itMask) {
            // The mask: black where the image is, white elsewhere.
            QImage m(img.size(), QImage::Format_RGB32);
            for (int y = 0; y < img.height(); ++y) {
                auto* s = reinterpret_cast<const uint32_t*>(img.constScanLine(y));
                auto* d = reinterpret_cast<uint32_t*>(m.scanLine(y));
                for (int x = 0; x < img.width(); ++x)
                    d[x] = (s[x] >> 24) >= 128 ? 0xFF000000u : 0xFFFFFFFFu;
            }
            p.drawImage(0, 0, m);
        } else {
            p.drawImage(0, 0, img);
            if (Style == dsFocus || Style == dsSelected) {
                // Blend the image with the blend (or highlight) colour.
                QColor c = ColorToQColor(blendColor == clNone ? clHighlight : blendColor);
                c.setAlpha(Style == dsSelected ? 128 : 64);
                QImage tint = img;
                QPainter tp(&tint);
                tp.setCompositionMode(QPainter::CompositionMode_SourceAtop);
                tp.fillRect(tint.rect(), c);
                tp.end();
                p.drawImage(0, 0, tint);
            }
        }
    } else {
        // Disabled: the image's dark shape embossed, highlight one pixel down-right and
        // shadow on top.
        QImage shape(img.size(), QImage::Format_ARGB32);
        QImage light(img.size(), QImage::Format_ARGB32);
        const uint32_t shadowPx = gfx::colorToPixel(clBtnShadow);
        const uint32_t lightPx = gfx::colorToPixel(clBtnHighlight);
        for (int y = 0; y < img.height(); ++y) {
            auto* s = reinterpret_cast<const uint32_t*>(img.constScanLine(y));
            auto* d = reinterpret_cast<uint32_t*>(shape.scanLine(y));
            auto* l = reinterpret_cast<uint32_t*>(light.scanLine(y));
            for (int x = 0; x < img.width(); ++x) {
                uint32_t v = s[x];
                int lum =
                    (int((v >> 16) & 0xFF) * 30 + int((v >> 8) & 0xFF) * 59 + int(v & 0xFF) * 11) /
                    100;
                bool on = (v >> 24) >= 128 && lum < 200;
                d[x] = on ? shadowPx : 0;
                l[x] = on ? lightPx : 0;
            }
        }
        p.drawImage(1, 1, light);
        p.drawImage(0, 0, shape);
    }
    p.end();
    Canvas->DrawImage(X, Y, out);
}

void TCustomImageList::GetBitmap(int Index, TBitmap* Image) {
    if (!Image) return;
    checkIndex(Index);
    Image->SetSize(width, height);
    if (bkColor != clNone) {
        Image->GetCanvas()->GetBrush()->SetColor(bkColor);
        Image->GetCanvas()->FillRect(TRect{0, 0, width, height});
    }
    DrawingStyled(Image->GetCanvas(), 0, 0, Index, dsNormal, true);
}

void TCustomImageList::GetIcon(int Index, TIcon* Image) {
    if (!Image) return;
    checkIndex(Index);
    Image->Clear();
    Image->AddImage(images[size_t(Index)], 32);
}

void TCustomImageList::BeginUpdate() {
    ++updateCount;
}

void TCustomImageList::EndUpdate() {
    if (updateCount > 0 && --updateCount == 0 && changedInUpdate) {
        changedInUpdate = false;
        Change();
    }
}

void TCustomImageList::RegisterChanges(TChangeLink* Value) {
    if (!Value || std::find(links.begin(), links.end(), Value) != links.end()) return;
    Value->Sender = this;
    links.push_back(Value);
}

void TCustomImageList::UnRegisterChanges(TChangeLink* Value) {
    links.erase(std::remove(links.begin(), links.end(), Value), links.end());
    if (Value && Value->Sender == this) Value->Sender = nullptr;
}

void TCustomImageList::Change() {
    if (updateCount > 0) {
        changedInUpdate = true;
        return;
    }
    for (TChangeLink* l : std::vector<TChangeLink*>(links))
        l->Change();
    if (OnChange) OnChange(this);
}
