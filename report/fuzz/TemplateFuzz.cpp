// Feeds arbitrary bytes to the template reader, then writes and rereads what it kept: neither
// may crash, hang or leak, whatever the input.
#include "FR_Class.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool started = (frStartEngine(), true);
    (void)started;
    {
        TfrReport report(nullptr);
        TMemoryStream in;
        in.SetBytes(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
        report.LoadFromStream(&in);
        TMemoryStream out;
        report.SaveToStream(&out);
        out.SetPosition(0);
        report.LoadFromStream(&out);
    }
    return 0;
}
