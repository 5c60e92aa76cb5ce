// Feeds arbitrary text to the conversions that take what users type or files hold: numbers,
// dates and times, format strings with numbers, dates and texts, variants converted between
// types. None may crash or run into undefined behaviour; bad text may only raise the
// conversion errors or give false.
//
// The input's first byte picks a number that some conversions format; the rest is the text
// (UTF-8), which also serves as a format string, and as bytes of the code pages with tables of
// our own. Text written to a code page and read back must not change on a second round trip.
#include "CodePages.h"
#include "Dates.h"
#include "SysUtils.h"
#include "Variant.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

const double Numbers[] = {0.0,          -0.5,          1.0 / 3.0, 123456789.125,
                          -1e300,       1e-300,        HUGE_VAL,  -HUGE_VAL,
                          std::nan(""), 2958465.99999, -693594.0, 693593.5,
                          4.0e6,        1e15,          -1e15,     9.2233720368547758e18};

template <class Step> void guarded(Step step) {
    try {
        step();
    } catch (const Exception&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const double number = Numbers[data[0] % (sizeof Numbers / sizeof Numbers[0])];
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    int i = 0;
    double d = 0;
    TDateTime dt = 0;
    (void)TryStrToInt(text, i);
    (void)TryStrToFloat(text, d);
    (void)TryStrToDate(text, dt);
    (void)TryStrToTime(text, dt);
    (void)TryStrToDateTime(text, dt);
    guarded([&] { (void)FormatFloat(text, number); });
    guarded([&] { (void)FormatDateTime(text, number); });
    guarded([&] { (void)Format(text, {number, i, text}); });
    guarded([&] { (void)Format(text, {}); });
    guarded([&] { (void)FloatToStr(number); });
    guarded([&] { (void)DateTimeToStr(number); });
    for (TVarType type : {varInteger, varDouble, varCurrency, varDate, varBoolean, varString}) {
        guarded([&] { (void)VarToStr(VarAsType(Variant(text), type)); });
        guarded([&] { (void)VarToStr(VarAsType(Variant(number), type)); });
    }
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    for (int page : {1251, 866, 1252, 437, 850, 620, 867, 895}) {
        const QString once = FromCodePage(ToCodePage(text, page), page);
        if (FromCodePage(ToCodePage(once, page), page) != once) std::abort();
        (void)ConvertCodePage(bytes, page, 866);
        (void)FromCodePage(bytes, page);
    }
    return 0;
}
