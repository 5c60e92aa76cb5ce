// Reading animated cursor files. Every size and offset in the file is checked against the
// bytes there: a damaged file loses what cannot be read, never more.
#include "AniFile.h"

#include "CodePages.h"
#include "IcoList.h"
#include "ScopeGuard.h"
#include "Streams.h"
#include "VCLUtils.h"

#include <QFile>
#include <algorithm>

namespace {

uint32_t le32(const QByteArray& B, qsizetype At) {
    auto* p = reinterpret_cast<const uint8_t*>(B.constData()) + At;
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

uint16_t le16(const QByteArray& B, qsizetype At) {
    auto* p = reinterpret_cast<const uint8_t*>(B.constData()) + At;
    return uint16_t(p[0] | (p[1] << 8));
}

[[noreturn]] void readError() {
    throw EReadError(QStringLiteral("Stream read error"));
}

// A chunk's data occupies an even number of bytes.
int64_t padded(uint32_t Size) {
    return int64_t(Size) + (Size & 1);
}

// Text of an "INAM" or "IART" chunk: at most 255 bytes, up to the first zero byte.
QString infoText(const QByteArray& Data, qsizetype At, uint32_t Size) {
    QByteArray b = Data.mid(At, std::min<qsizetype>(qsizetype(Size), 255));
    qsizetype zero = b.indexOf('\0');
    if (zero >= 0) b.truncate(zero);
    return FromCodePage(b);
}

} // namespace

// ---- TIconFrame ----

TIconFrame::TIconFrame(int Index, int Jiffies) : jiffies(Jiffies), index(Index) {}

TIconFrame::~TIconFrame() = default;

void TIconFrame::Assign(TPersistent* Source) {
    auto* f = dynamic_cast<TIconFrame*>(Source);
    if (!f) {
        TPersistent::Assign(Source);
        return;
    }
    if (f->icon) {
        if (!icon) icon = std::make_unique<TIcon>();
        icon->Assign(f->icon.get());
    } else {
        icon.reset();
    }
    isIcon = f->isIcon;
    tag = f->tag;
    hotSpot = f->hotSpot;
    jiffies = f->jiffies;
    index = f->index;
}

// ---- TAnimatedCursorImage ----

TAnimatedCursorImage::TAnimatedCursorImage() = default;

TAnimatedCursorImage::~TAnimatedCursorImage() = default;

void TAnimatedCursorImage::Clear() {
    frames.clear();
    header = TANINAME();
    title.clear();
    creator.clear();
    originalColors = 0;
}

void TAnimatedCursorImage::Assign(TPersistent* Source) {
    if (!Source) {
        Clear();
        return;
    }
    auto* a = dynamic_cast<TAnimatedCursorImage*>(Source);
    if (!a) {
        TPersistent::Assign(Source);
        return;
    }
    if (a == this) return;
    Clear();
    header = a->header;
    title = a->title;
    creator = a->creator;
    originalColors = a->originalColors;
    for (const auto& f : a->frames) {
        auto copy = std::make_unique<TIconFrame>(-1, int(header.jifRate));
        copy->Assign(f.get());
        frames.push_back(std::move(copy));
    }
}

TIcon* TAnimatedCursorImage::GetIcons(int Index) const {
    return GetFrames(Index)->GetIcon();
}

TIconFrame* TAnimatedCursorImage::GetFrames(int Index) const {
    if (Index < 0 || Index >= int(frames.size()))
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
    return frames[size_t(Index)].get();
}

void TAnimatedCursorImage::SaveToStream(TStream*) {
    StopNotImplemented();
}

void TAnimatedCursorImage::LoadFromFile(const QString& FileName) {
    TFileStream f(FileName, fmOpenRead | fmShareDenyNone);
    LoadFromStream(&f);
}

// One "icon" chunk: an icon or cursor file. Its colour depths and hot spot come from its
// directory; a cursor is loaded as an icon. A damaged one raises EInvalidGraphic.
void TAnimatedCursorImage::readIcon(const QByteArray& Data, const std::array<uint8_t, 8>& Tag,
                                    int& IconsRead) {
    if (Data.size() < 6) throw EInvalidGraphic(QStringLiteral("Icon image is not valid"));
    QByteArray bytes = Data;
    const bool isIcon = le16(bytes, 2) == 1;
    if (le16(bytes, 2) == 2) bytes[2] = 1;
    const int count = std::min<int>(le16(bytes, 4), int((bytes.size() - 6) / 16));
    TPoint hot;
    for (int i = 0; i < count; ++i) {
        const qsizetype entry = 6 + 16 * qsizetype(i);
        const uint32_t offset = le32(bytes, entry + 12);
        if (int64_t(offset) + 16 <= bytes.size()) {
            int colors = 0;
            switch (le16(bytes, qsizetype(offset) + 14)) {
            case 1:
                colors = 2;
                break;
            case 4:
                colors = 16;
                break;
            case 8:
                colors = 256;
                break;
            }
            originalColors = std::max(originalColors, colors);
        }
        hot = TPoint{le16(bytes, entry + 4), le16(bytes, entry + 6)};
    }
    auto icon = std::make_unique<TIcon>();
    TMemoryStream s;
    s.SetBytes(bytes);
    icon->LoadFromStream(&s);
    if (isIcon) hot = TPoint{icon->GetWidth() / 2, icon->GetHeight() / 2};
    bool given = false;
    for (auto& f : frames) {
        if (f->index != IconsRead) continue;
        f->icon = std::make_unique<TIcon>();
        f->icon->Assign(icon.get());
        f->isIcon = isIcon;
        f->tag = Tag;
        f->hotSpot = hot;
        given = true;
    }
    if (!given) {
        auto f = std::make_unique<TIconFrame>(-1, int(header.jifRate));
        f->icon = std::move(icon);
        f->isIcon = isIcon;
        f->tag = Tag;
        f->hotSpot = hot;
        frames.push_back(std::move(f));
    }
    ++IconsRead;
}

void TAnimatedCursorImage::LoadFromStream(TStream* Stream) {
    const QByteArray data = ReadRestOfStream(Stream);
    const qsizetype size = data.size();
    if (size < 12 || data.left(4) != "RIFF" || data.mid(8, 4) != "ACON") readError();
    Clear();
    int iconsRead = 0;
    qsizetype pos = 12;
    while (size - pos >= 8) {
        const QByteArray id = data.mid(pos, 4);
        const uint32_t chunkSize = le32(data, pos + 4);
        std::array<uint8_t, 8> tag{};
        std::copy_n(reinterpret_cast<const uint8_t*>(data.constData()) + pos, 8, tag.begin());
        pos += 8;
        const qsizetype avail = size - pos;
        const qsizetype inFile = std::min<qsizetype>(qsizetype(chunkSize), avail);
        if (id == "anih") {
            uint32_t fields[9] = {};
            for (qsizetype i = 0; i < 9 && 4 * i + 4 <= std::min<qsizetype>(inFile, 36); ++i)
                fields[i] = le32(data, pos + 4 * i);
            header = TANINAME{fields[0], fields[1], fields[2], fields[3], fields[4],
                              fields[5], fields[6], fields[7], fields[8]};
            if (!(header.flags & AF_ICON) || header.cSteps == 0) readError();
            // One frame per step; every frame needs at least a 4-byte entry in the file, so
            // no count beyond what the file can hold is believed.
            const int64_t wanted = std::max(header.cFrames, header.cSteps);
            const int count = int(std::min<int64_t>(wanted, size / 4));
            frames.clear();
            for (int i = 0; i < count; ++i)
                frames.push_back(std::make_unique<TIconFrame>(i, int(header.jifRate)));
        } else if (id == "rate" || id == "seq ") {
            // One 32-bit entry per step.
            const qsizetype entries = std::min<qsizetype>(inFile / 4, qsizetype(frames.size()));
            for (qsizetype i = 0; i < entries; ++i) {
                const int v = int(std::min<uint32_t>(le32(data, pos + 4 * i), 0x7FFFFFFF));
                if (id == "rate")
                    frames[size_t(i)]->jiffies = v;
                else
                    frames[size_t(i)]->index = v;
            }
        } else if (id == "LIST") {
            if (avail < 4) break;
            const QByteArray type = data.mid(pos, 4);
            const qsizetype end = pos + std::min<int64_t>(padded(chunkSize), avail);
            qsizetype p = pos + 4;
            if (type == "fram") {
                while (end - p >= 8) {
                    const QByteArray sub = data.mid(p, 4);
                    const uint32_t subSize = le32(data, p + 4);
                    std::array<uint8_t, 8> subTag{};
                    std::copy_n(reinterpret_cast<const uint8_t*>(data.constData()) + p, 8,
                                subTag.begin());
                    p += 8;
                    if (sub == "icon") {
                        try {
                            readIcon(data.mid(p, std::min<qsizetype>(qsizetype(subSize), end - p)),
                                     subTag, iconsRead);
                        } catch (const EInvalidGraphic&) {
                            break;
                        }
                    }
                    if (padded(subSize) > end - p) break;
                    p += qsizetype(padded(subSize));
                }
            } else if (type == "INFO") {
                while (end - p >= 8) {
                    const QByteArray sub = data.mid(p, 4);
                    const uint32_t subSize = le32(data, p + 4);
                    p += 8;
                    const bool text = sub == "INAM" || sub == "IART";
                    if (text && int64_t(subSize) > end - p) break;
                    if (sub == "INAM") title = infoText(data, p, subSize);
                    if (sub == "IART") creator = infoText(data, p, subSize);
                    if (padded(subSize) > end - p) break;
                    p += qsizetype(padded(subSize));
                }
            }
        }
        if (padded(chunkSize) > avail) break;
        pos += qsizetype(padded(chunkSize));
    }
    std::erase_if(frames, [](const std::unique_ptr<TIconFrame>& f) { return !f->icon; });
    header.cSteps = uint32_t(frames.size());
    if (frames.empty()) readError();
}

void TAnimatedCursorImage::AssignTo(TPersistent* Dest) {
    if (auto* icon = dynamic_cast<TIcon*>(Dest)) {
        icon->Assign(frames.empty() ? nullptr : frames[0]->GetIcon());
        return;
    }
    if (auto* list = dynamic_cast<TIconList*>(Dest)) {
        TUpdateBracket<TIconList> update(*list);
        list->Clear();
        for (const auto& f : frames)
            list->Add(f->GetIcon());
        update.End();
        return;
    }
    if (auto* bitmap = dynamic_cast<TBitmap*>(Dest)) {
        if (frames.empty()) {
            bitmap->Assign(nullptr);
            return;
        }
        TIcon* first = frames[0]->GetIcon();
        const int w = first->GetWidth(), h = first->GetHeight();
        TBitmap strip(w * int(frames.size()), h);
        TCanvas* c = strip.GetCanvas();
        c->GetBrush()->SetColor(bitmap->GetCanvas()->GetBrush()->GetColor());
        c->FillRect(TRect{0, 0, strip.GetWidth(), h});
        for (size_t i = 0; i < frames.size(); ++i)
            c->Draw(int(i) * w, 0, frames[i]->GetIcon());
        auto reduced = BitmapToColorCount(&strip, std::max(originalColors, 16));
        strip.LoadFromStream(reduced.get());
        bitmap->Assign(&strip);
        return;
    }
    TPersistent::AssignTo(Dest);
}
