// GIF pictures (87a and 89a): every image of an animated GIF as a frame with its position,
// delay, disposal and transparent colour; comments and the looping count; LZW decoding into
// bitmaps and encoding from them. Registered with the picture class for ".gif" and as the
// clipboard format "GIF Image".
//
// Every file read is untrusted: reads are bounds-checked, a damaged frame is marked corrupted
// (and raises when GIFLoadCorrupted is off), and no frame is larger than its data can fill.
#pragma once

#include "Graphics.h"
#include "VCLUtils.h"

#include <QStringList>
#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class TGIFImage;
class TAnimatedCursorImage;

// Tolerate damaged data (true at start): corrupted frames load as far as they go.
extern bool GIFLoadCorrupted;

enum TGIFVersion { gvUnknown, gv87a, gv89a };
enum TGIFExtensionKind { ekGraphicControl, ekPlainText, ekApplication, ekComment };

// A colour table: Count entries (0: none) of red, green, blue.
struct TGIFColorTable {
    int Count = 0;
    std::array<uint8_t, 768> Colors{};
    TColor Color(int Index) const;
    // The index of the entry with the colour's RGB value; -1 when none.
    int IndexOf(TColor Color) const;
};

// An extension block kept with a frame: graphic control or comment (plain text and
// application blocks are written, not kept when reading).
class TExtension : public TPersistent {
    KADRION_CLASS(TExtension)
    void Assign(TPersistent* Source) override;
    TGIFExtensionKind Kind = ekGraphicControl;
    // One entry per data sub-block.
    std::vector<QByteArray> Data;
    // The fixed block: for a graphic control the size 4, flags, delay in hundredths (16-bit),
    // transparent index and terminator; 12 bytes for plain text, 11 for an application.
    QByteArray Block;
};

// The LZW stream of a frame as read or written (code-size byte, sub-blocks, terminator), with
// the sizes and colour table it decodes with; shared by assigned copies.
struct TGIFItem {
    QByteArray Data;
    int Width = 0;
    int Height = 0;
    uint8_t Packed = 0;
    int BitsPerPixel = 8;
    TGIFColorTable ColorTable;
};

class TGIFFrame : public TPersistent {
    KADRION_CLASS(TGIFFrame)
    explicit TGIFFrame(TGIFImage* AOwner);
    ~TGIFFrame() override;
    void Assign(TPersistent* Source) override;

    // The picture, decoded on first use.
    TBitmap* GetBitmap();
    TGIFImage* GetImage() const { return owner; }
    int GetWidth();
    int GetHeight();
    TPoint GetOrigin() const { return origin; }
    void SetOrigin(const TPoint& Value) { origin = Value; }
    bool GetInterlaced() const { return interlaced; }
    bool GetCorrupted() const { return corrupted; }
    bool GetGrayScale() const { return grayScale; }
    void SetGrayScale(bool Value) { grayScale = Value; }
    TColor GetTransparentColor() const { return transparentColor; }
    void SetTransparentColor(TColor Value) { transparentColor = Value; }
    // Milliseconds.
    int GetAnimateInterval() const { return interval; }
    void SetAnimateInterval(int Value) { interval = uint16_t(std::clamp(Value, 0, 65535)); }
    int GetDisposalMethod() const { return disposal; }
    void SetDisposalMethod(int Value) { disposal = Value & 7; }
    bool GetHasLocalTable() const { return localTable; }
    const TGIFItem* GetItem() const { return item.get(); }
    const std::vector<std::unique_ptr<TExtension>>& GetExtensions() const { return extensions; }
    // The frame's comment: the texts of its comment extensions.
    QStringList GetComment() const;
    void SetComment(const QStringList& Lines);

protected:
    void AssignTo(TPersistent* Dest) override;

private:
    friend class TGIFImage;
    bool readFrom(const QByteArray& Stream, qsizetype& Pos);
    void decode();
    void encode();
    void updateExtensions();
    void write(QByteArray& Out) const;
    void assignGraphic(TGraphic* Graphic);
    TGIFImage* owner;
    std::unique_ptr<TBitmap> bitmap;
    std::shared_ptr<TGIFItem> item;
    std::vector<std::unique_ptr<TExtension>> extensions;
    TPoint origin;
    bool interlaced = false;
    bool corrupted = false;
    bool grayScale = false;
    TColor transparentColor = clNone;
    uint16_t interval = 0;
    int disposal = 0;
    bool localTable = false;
};

class TGIFImage : public TGraphic {
    KADRION_CLASS(TGIFImage)
    TGIFImage();
    ~TGIFImage() override;
    void Assign(TPersistent* Source) override;
    std::unique_ptr<TGraphic> Clone() const override;
    void Clear();

    bool GetEmpty() const override;
    int GetWidth() const override;
    int GetHeight() const override;
    // GIF images cannot be resized: raise EInvalidGraphicOperation.
    void SetWidth(int Value) override;
    void SetHeight(int Value) override;
    bool GetTransparent() const override;
    TPalette GetPalette() const;
    bool Equals(TGraphic* Graphic) const;

    // Reads from the current position to the end of the stream; the first frame is decoded.
    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;
    // Form streaming: a 32-bit size, then the GIF.
    void ReadData(TStream* Stream);
    void WriteData(TStream* Stream);
    // The "GIF Image" format holds a 32-bit size, then the GIF; any other is a bitmap's.
    void LoadFromClipboardFormat(uint16_t Format, const QByteArray& Data) override;
    void SaveToClipboardFormat(uint16_t& Format, QByteArray& Data) override;
    QImage ToImage() const override;

    // A new frame made from Graphic, made current; returns its index.
    virtual int AddFrame(TGraphic* Graphic);
    void DeleteFrame(int Index);
    int GetCount() const { return int(frames.size()); }
    TGIFFrame* GetFrames(int Index) const;
    int GetFrameIndex() const { return frameIndex; }
    void SetFrameIndex(int Value);

    TGIFVersion GetVersion() const { return version; }
    QStringList& Comment() { return data->Comment; }
    TColor GetBackgroundColor() const { return backgroundColor; }
    void SetBackgroundColor(TColor Value) { backgroundColor = Value; }
    bool GetLooping() const { return looping; }
    void SetLooping(bool Value) { looping = Value; }
    int GetRepeatCount() const { return repeatCount; }
    void SetRepeatCount(int Value) { repeatCount = uint16_t(std::clamp(Value, 0, 65535)); }
    int GetScreenWidth() const { return screenWidth; }
    int GetScreenHeight() const { return screenHeight; }
    const TGIFColorTable& GetGlobalColorTable() const { return data->ColorTable; }
    int GetBitsPerPixel() const { return data->BitsPerPixel; }

    // The clipboard format "GIF Image".
    static uint16_t ClipboardFormat();

protected:
    void AssignTo(TPersistent* Dest) override;
    void Draw(TCanvas* ACanvas, const TRect& Rect) override;

private:
    friend class TGIFFrame;
    struct TGIFData {
        QStringList Comment;
        uint8_t AspectRatio = 0;
        int BitsPerPixel = 8;
        int ColorResolution = 8;
        TGIFColorTable ColorTable;
    };
    void readStream(const QByteArray& Bytes, bool DecodeFirst);
    QByteArray writeStream();
    void assignCursor(TAnimatedCursorImage* Cursor);
    void updateScreenSize();
    TGIFData& ownData();
    std::shared_ptr<TGIFData> data;
    TGIFVersion version = gvUnknown;
    std::vector<std::unique_ptr<TGIFFrame>> frames;
    int frameIndex = -1;
    uint16_t screenWidth = 0;
    uint16_t screenHeight = 0;
    TColor backgroundColor = clNone;
    bool looping = false;
    bool spare = false;
    uint16_t repeatCount = 1;
};
