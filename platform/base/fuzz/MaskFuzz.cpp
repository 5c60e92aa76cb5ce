// Feeds arbitrary masks and values to the edit-mask logic: parsing a mask, laying a value into it
// and reading it back must never crash or index past the text. The input is the mask, a NUL byte,
// then the value (UTF-8).
#include "MaskUtils.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype split = bytes.indexOf('\0');
    const QString mask = QString::fromUtf8(split < 0 ? bytes : bytes.left(split));
    const QString value = split < 0 ? QString() : QString::fromUtf8(bytes.mid(split + 1));
    TEditMaskInfo info(mask);
    const QString edit = info.ApplyText(value);
    (void)info.TextOf(edit);
    (void)info.FirstMissing(edit);
    (void)info.AllBlank(edit);
    (void)info.EmptyText();
    (void)info.TextOf(value);
    (void)info.FirstMissing(value);
    for (int i = 0; i < info.Length(); ++i) {
        QChar c = value.isEmpty() ? QChar(u'5') : value[i % value.size()];
        (void)info.Accepts(i, c);
        (void)info.Required(i);
    }
    (void)FormatMaskText(mask, value);
    return 0;
}
