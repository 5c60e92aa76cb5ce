// Drawing of picture and line views, and pictures taken from blob fields.
#include "FR_Class.h"

#include "DB.h"

#include <QImage>
#include <algorithm>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {

// A JPEG or other image Qt reads, as the bytes of a bitmap (empty when it cannot be read).
QByteArray imageAsBitmap(const QByteArray& Data, const char* Format) {
    QImage image = QImage::fromData(Data, Format);
    if (image.isNull()) return QByteArray();
    TBitmap bitmap;
    bitmap.SetImage(image.convertToFormat(QImage::Format_RGB32));
    TMemoryStream m;
    bitmap.SaveToStream(&m);
    return m.GetBytes();
}

// Draws an image stretched into Dest, only the part that the canvas can show.
void drawClipped(TCanvas* c, const TRect& Dest, const QImage& Image) {
    if (Image.isNull() || Dest.Width() <= 0 || Dest.Height() <= 0) return;
    const TRect box = c->GetClipRect();
    const TRect part{std::max(Dest.Left, box.Left), std::max(Dest.Top, box.Top),
                     std::min(Dest.Right, box.Right), std::min(Dest.Bottom, box.Bottom)};
    if (part.Width() <= 0 || part.Height() <= 0) return;
    if (part == Dest) {
        c->DrawImage(Dest, Image);
        return;
    }
    // The source pixels under the visible part.
    const double kx = double(Image.width()) / Dest.Width();
    const double ky = double(Image.height()) / Dest.Height();
    const int sx0 = int(std::floor((part.Left - Dest.Left) * kx));
    const int sy0 = int(std::floor((part.Top - Dest.Top) * ky));
    const int sx1 = std::min(Image.width(), int(std::ceil((part.Right - Dest.Left) * kx)));
    const int sy1 = std::min(Image.height(), int(std::ceil((part.Bottom - Dest.Top) * ky)));
    if (sx1 <= sx0 || sy1 <= sy0) return;
    // The whole source pixels cover a little more than the visible part.
    const TRect covered{frClampCoord(Dest.Left + int64_t(std::floor(sx0 / kx))),
                        frClampCoord(Dest.Top + int64_t(std::floor(sy0 / ky))),
                        frClampCoord(Dest.Left + int64_t(std::ceil(sx1 / kx))),
                        frClampCoord(Dest.Top + int64_t(std::ceil(sy1 / ky)))};
    c->DrawImage(covered, Image.copy(sx0, sy0, sx1 - sx0, sy1 - sy0));
}

} // namespace

// ---- picture ---------------------------------------------------------------------------

void TfrPictureView::SetPicture(uint8_t Kind, const QByteArray& Data) {
    if (Kind == pkNone || Kind > pkIcon || Data.isEmpty()) {
        PictureKind = pkNone;
        PictureData.clear();
    } else {
        PictureKind = Kind;
        PictureData = Data;
    }
}

TGraphic* TfrPictureView::GetGraphic() {
    if (PictureKind != pkBitmap && PictureKind != pkIcon) return nullptr;
    if (PictureData.isEmpty()) return nullptr;
    // The bytes are shared with the decoded copy until they change.
    if (decodedKind == PictureKind && decodedFrom.constData() == PictureData.constData() &&
        decodedFrom.size() == PictureData.size())
        return decoded.get();
    decoded.reset();
    decodedKind = PictureKind;
    decodedFrom = PictureData;
    try {
        std::unique_ptr<TGraphic> g;
        if (PictureKind == pkBitmap)
            g = std::make_unique<TBitmap>();
        else
            g = std::make_unique<TIcon>();
        TMemoryStream m;
        m.SetBytes(PictureData);
        g->LoadFromStream(&m);
        if (!g->GetEmpty() && g->GetWidth() > 0 && g->GetHeight() > 0) decoded = std::move(g);
    } catch (const std::exception&) {
        // A picture that cannot be read shows as an empty one.
    }
    return decoded.get();
}

void TfrPictureView::Draw(TCanvas* ACanvas) {
    if (!ACanvas) return;
    BeginDraw(ACanvas);
    ComputeDrawRect();
    DrawFill();
    TGraphic* graphic = GetGraphic();
    if (graphic && !frGlobals().FirstPassRunning) {
        const double sx = frGlobals().ReportRunning && std::isfinite(ScaleX) ? ScaleX : 1;
        const double sy = frGlobals().ReportRunning && std::isfinite(ScaleY) ? ScaleY : 1;
        const int pw = graphic->GetWidth(), ph = graphic->GetHeight();
        const int dw = DrawRect.Width(), dh = DrawRect.Height();
        TRect r = DrawRect;
        if (!(Flags & flStretched)) {
            const int rw = frRoundCoord(pw * sx), rh = frRoundCoord(ph * sy);
            r = TRect{DrawRect.Left, DrawRect.Top, frClampCoord(int64_t(DrawRect.Left) + rw),
                      frClampCoord(int64_t(DrawRect.Top) + rh)};
            if (Flags & flPictCenter) {
                const int mx = frClampCoord((int64_t(dw) - rw) / 2);
                const int my = frClampCoord((int64_t(dh) - rh) / 2);
                r = TRect{r.Left + mx, r.Top + my, r.Right + mx, r.Bottom + my};
            }
        } else if (Flags & flPictRatio) {
            const double kx = double(Width) / pw, ky = double(Height) / ph;
            if (kx >= ky)
                r.Right = frClampCoord(int64_t(r.Left) + frRoundCoord(pw * ky));
            else
                r.Bottom = frClampCoord(int64_t(r.Top) + frRoundCoord(ph * kx));
            if (Flags & flPictCenter) {
                const int mx = frClampCoord((int64_t(dw) - r.Width()) / 2);
                const int my = frClampCoord((int64_t(dh) - r.Height()) / 2);
                r = TRect{r.Left + mx, r.Top + my, r.Right + mx, r.Bottom + my};
            }
        }
        drawClipped(Canvas, r, graphic->ToImage());
    }
    DrawFrame();
    RestoreGeometry();
}

void TfrPictureView::GetBlob(TField* Field) {
    if (!Field || Field->IsNull()) {
        SetPicture(pkNone, QByteArray());
        return;
    }
    auto* blob = dynamic_cast<TBlobField*>(Field);
    auto* binary = dynamic_cast<TBinaryField*>(Field);
    const QByteArray data = blob     ? blob->GetAsBytes()
                            : binary ? binary->GetAsBytes()
                                     : Field->GetAsString().toLatin1();
    switch (BlobType) {
    case btBMP:
        SetPicture(pkBitmap, data);
        break;
    case btJPG:
        // Decoded here: a prepared page keeps pictures as bitmaps.
        SetPicture(pkBitmap, imageAsBitmap(data, "JPG"));
        break;
    case btICO:
        SetPicture(pkIcon, data);
        break;
    case btWMF:
        SetPicture(pkMetafile, data);
        break;
    default:
        SetPicture(pkNone, QByteArray());
        break;
    }
}

void TfrPictureView::Print(TStream* Stream) {
    TfrView::Print(Stream);
    if (Visible && PictureKind == pkMetafile)
        frAddWarning(Name + u": "_s + frLoadStr(SMetafilePicture));
}

bool frPictureFromFile(const QString& FileName, uint8_t& Kind, QByteArray& Data) {
    Kind = pkNone;
    Data.clear();
    if (!FileExists(FileName)) return false;
    TMemoryStream m;
    m.LoadFromFile(FileName);
    const QString ext = ExtractFileExt(FileName).toLower();
    if (ext == ".bmp"_L1) {
        Kind = pkBitmap;
        Data = m.GetBytes();
    } else if (ext == ".ico"_L1) {
        Kind = pkIcon;
        Data = m.GetBytes();
    } else if (ext == ".wmf"_L1 || ext == ".emf"_L1) {
        Kind = pkMetafile;
        Data = m.GetBytes();
    } else if (ext == ".jpg"_L1 || ext == ".jpeg"_L1 || ext == ".png"_L1 || ext == ".gif"_L1) {
        Data = imageAsBitmap(m.GetBytes(), nullptr);
        if (!Data.isEmpty()) Kind = pkBitmap;
    }
    return Kind != pkNone;
}

// ---- line ------------------------------------------------------------------------------

void TfrLineView::Draw(TCanvas* ACanvas) {
    if (!ACanvas) return;
    BeginDraw(ACanvas);
    if (Width <= Height) {
        Width = 0;
        FrameTyp = frftLeft;
    } else {
        Height = 0;
        FrameTyp = frftTop;
    }
    ComputeDrawRect();
    DrawFrame();
    RestoreGeometry();
}

TRect TfrLineView::ClipRegion(bool Extended) const {
    const double w = std::isfinite(FrameWidth) ? FrameWidth : 0;
    const bool dbl = FrameStyle == 5;
    const int lead = frRoundCoord(dbl ? 1.5 * w : w / 2);
    const int trail = frRoundCoord(w / 2);
    TRect r{Left, Top, frClampCoord(int64_t(Left) + Width + 1),
            frClampCoord(int64_t(Top) + Height + 1)};
    if (Width <= Height) {
        r.Left = frClampCoord(int64_t(r.Left) - lead);
        r.Right = frClampCoord(int64_t(r.Right) + trail);
    } else {
        r.Top = frClampCoord(int64_t(r.Top) - lead);
        r.Bottom = frClampCoord(int64_t(r.Bottom) + trail);
    }
    if (Extended) r = TRect{r.Left - 10, r.Top - 10, r.Right + 10, r.Bottom + 10};
    return r;
}
