// Feeds arbitrary bytes to the BMP and ICO/CUR readers (the first byte chooses which): reading,
// writing back and reading again must never crash, read out of bounds or allocate without
// bound; a damaged image may only raise EInvalidGraphic.
#include "Graphics.h"

#include <cstddef>
#include <cstdint>

namespace {

template <class Graphic> void roundTrip(const QByteArray& bytes) {
    Graphic g;
    try {
        TMemoryStream in;
        in.SetBytes(bytes);
        g.LoadFromStream(&in);
    } catch (const EInvalidGraphic&) {
        return;
    }
    TMemoryStream out;
    g.SaveToStream(&out);
    out.SetPosition(0);
    Graphic again;
    again.LoadFromStream(&out);
    (void)again.ToImage();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    if (data[0] & 1)
        roundTrip<TIcon>(bytes);
    else
        roundTrip<TBitmap>(bytes);
    return 0;
}
