// Animated cursor files (RIFF form "ACON"): their frames as icons with display times and hot
// spots, handed on to an icon, an icon list or a bitmap strip. Reading only.
#pragma once

#include "Classes.h"
#include "Graphics.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

// The "anih" chunk, nine 32-bit little-endian fields.
struct TANINAME {
    uint32_t cbSizeOf = 0;
    uint32_t cFrames = 0;
    uint32_t cSteps = 0;
    uint32_t cx = 0;
    uint32_t cy = 0;
    uint32_t cBitCount = 0;
    uint32_t cPlanes = 0;
    uint32_t jifRate = 0; // default display time, 1/60 s
    uint32_t flags = 0;   // bit 0: the frames are icon resources
};
constexpr uint32_t AF_ICON = 1;

// One step of the animation: its icon, display time and hot spot.
class TIconFrame : public TPersistent {
    KADRION_CLASS(TIconFrame)
    TIconFrame(int Index, int Jiffies);
    ~TIconFrame() override;
    void Assign(TPersistent* Source) override;

    TIcon* GetIcon() const { return icon.get(); }
    bool GetIsIcon() const { return isIcon; }
    TPoint GetHotSpot() const { return hotSpot; }
    int GetJiffies() const { return jiffies; }
    int GetIndex() const { return index; }
    // The header of the "icon" chunk the frame came from.
    const std::array<uint8_t, 8>& GetTagInfo() const { return tag; }

private:
    friend class TAnimatedCursorImage;
    std::unique_ptr<TIcon> icon;
    bool isIcon = false;
    std::array<uint8_t, 8> tag{};
    TPoint hotSpot;
    int jiffies = 0;
    int index = 0;
};

class TAnimatedCursorImage : public TPersistent {
    KADRION_CLASS(TAnimatedCursorImage)
    TAnimatedCursorImage();
    ~TAnimatedCursorImage() override;
    void Assign(TPersistent* Source) override;
    void Clear();

    // Reads from the current position to the end. A stream that is not an animated cursor,
    // whose "anih" lacks the icon flag or steps, or that yields no frame raises EReadError
    // "Stream read error"; damaged chunks inside are skipped or end the reading.
    virtual void LoadFromStream(TStream* Stream);
    // Writing is not implemented: stops with StopNotImplemented.
    virtual void SaveToStream(TStream* Stream);
    virtual void LoadFromFile(const QString& FileName);

    int GetIconCount() const { return int(frames.size()); }
    TIcon* GetIcons(int Index) const;
    TIconFrame* GetFrames(int Index) const;
    const TANINAME& GetHeader() const { return header; }
    QString GetTitle() const { return title; }
    QString GetCreator() const { return creator; }
    // The largest colour count (2, 16 or 256) of the icons' images; 0 for deeper ones.
    int GetOriginalColors() const { return originalColors; }

protected:
    // A TIcon gets the first frame's icon; a TBitmap the strip of every frame on its canvas's
    // brush colour, reduced to the icons' colours (16 at least); a TIconList every icon.
    void AssignTo(TPersistent* Dest) override;

private:
    void readIcon(const QByteArray& Data, const std::array<uint8_t, 8>& Tag, int& IconsRead);
    TANINAME header;
    QString title;
    QString creator;
    std::vector<std::unique_ptr<TIconFrame>> frames;
    int originalColors = 0;
};
