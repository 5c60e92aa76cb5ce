// Feeds arbitrary bytes to the GIF and animated-cursor readers (the first byte chooses which):
// reading, decoding every frame, writing back and reading again must never crash, read out of
// bounds or allocate without bound; a damaged file may only raise the readers' exceptions.
#include "AniFile.h"
#include "RxGIF.h"
#include "Streams.h"

#include <cstddef>
#include <cstdint>

namespace {

void gif(const QByteArray& Bytes, bool Tolerant) {
    GIFLoadCorrupted = Tolerant;
    TGIFImage g;
    try {
        TMemoryStream in;
        in.SetBytes(Bytes);
        g.LoadFromStream(&in);
        for (int i = 0; i < g.GetCount(); ++i)
            (void)g.GetFrames(i)->GetBitmap();
    } catch (const Exception&) {
        return;
    }
    if (g.GetCount() == 0) return;
    TMemoryStream out;
    g.SaveToStream(&out);
    out.SetPosition(0);
    TGIFImage again;
    again.LoadFromStream(&out);
    (void)again.ToImage();
}

void ani(const QByteArray& Bytes) {
    TAnimatedCursorImage a;
    try {
        TMemoryStream in;
        in.SetBytes(Bytes);
        a.LoadFromStream(&in);
    } catch (const EReadError&) {
        return;
    }
    TIcon icon;
    icon.Assign(&a);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    switch (data[0] % 3) {
    case 0:
        gif(bytes, true);
        break;
    case 1:
        gif(bytes, false);
        break;
    default:
        ani(bytes);
        break;
    }
    return 0;
}
