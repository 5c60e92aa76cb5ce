// Feeds arbitrary text to the expression parser and the script compiler: conversion, evaluation
// and compilation may refuse the text with an exception, never crash or hang.
#include "FR_Class.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool started = (frStartEngine(), true);
    (void)started;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    TfrParser parser;
    int depth = 0;
    parser.OnGetValue = [](const QString&, Variant& v) { v = Variant(1); };
    parser.OnFunction = [&](const QString&, const Variant& p1, const Variant&, const Variant&,
                            Variant& v) {
        // arguments are evaluated as the report's functions do, with a bound on nesting
        if (depth < 8) {
            ++depth;
            try {
                v = parser.Calc(VarToStr(p1));
            } catch (const Exception&) {
            }
            --depth;
        }
    };
    try {
        parser.Calc(text);
    } catch (const Exception&) {
    }
    TfrInterpretator interp;
    TStringList source, compiled, errors;
    source.SetTextStr(text);
    interp.PrepareScript(&source, &compiled, &errors);
    return 0;
}
