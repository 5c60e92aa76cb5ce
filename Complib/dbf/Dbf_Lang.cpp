#include "Dbf_Lang.h"

#include "CodePages.h"

#include <algorithm>
#include <array>
#include <unistd.h>

namespace {
struct Row {
    int id;
    TLangDriverRow row;
};

const Row kRows[] = {
    {0x08, {865, 0x0406, "DA0"}},
    {0x09, {437, 0x0413, "NL0"}},
    {0x0A, {850, 0x0413, "NL0"}},
    {0x0B, {437, 0x040B, "FI0"}},
    {0x0C, {850, 0x040B, "FI0"}},
    {0x0D, {437, 0x040C, "FR0"}},
    {0x0E, {850, 0x040C, "FR0"}},
    {0x0F, {437, 0x0407, "DE0"}},
    {0x10, {850, 0x0407, "DE0"}},
    {0x11, {437, 0x0410, "IT0"}},
    {0x12, {850, 0x0410, "IT1"}},
    {0x13, {932, 0x0411, "JP0"}},
    {0x14, {850, 0x040A, "ES0"}},
    {0x15, {437, 0x041D, "SV0"}},
    {0x16, {850, 0x041D, "SV1"}},
    {0x17, {865, 0x0414, "NO0"}},
    {0x18, {437, 0x040A, "ES1"}},
    {0x19, {437, 0x0809, "UK0"}},
    {0x1A, {850, 0x0809, "UK0"}},
    {0x1B, {437, 0x0409, "US0"}},
    {0x1C, {863, 0x0C0C, "CF1"}},
    {0x1D, {850, 0x0C0C, "CF1"}},
    {0x1F, {852, 0x0405, "CZ0"}},
    {0x20, {867, 0x0405, "CZ0"}},
    {0x22, {852, 0x040E, "HDC"}},
    {0x23, {852, 0x0415, "PO0"}},
    {0x24, {860, 0x0416, "PT0"}},
    {0x25, {850, 0x0416, "PT0"}},
    {0x26, {866, 0x0419, "RU0"}},
    {0x37, {850, 0x0409, "US0"}},
    {0x4D, {936, 0x0804, "CN0"}},
    {0x4E, {949, 0x0412, "KO0"}},
    {0x4F, {950, 0x0404, "TW0"}},
    {0x50, {874, 0x041E, "TH0"}},
    {0x56, {932, 0x0411, "JP1"}},
    {0x57, {1252, 0, "US0"}},
    {0x58, {1252, 0x0809, "WE0"}},
    {0x59, {1252, 0x040A, "ES0"}},
    {0x5E, {437, 0x0407, "DE"}},
    {0x5F, {437, 0x0414, "NO"}},
    {0x60, {850, 0x0414, "NO"}},
    {0x61, {1252, 0x0407, "DE"}},
    {0x62, {1252, 0x0414, "NO"}},
    {0x69, {620, 0x0415, "PO1"}},
    {0x85, {862, 0x040D, "REW"}},
    {0x86, {437, 0x0408, "GR0"}},
    {0x87, {852, 0x041B, "SL0"}},
    {0x88, {857, 0x041F, "TR0"}},
    {0x8E, {868, 0x0402, "BGDB868"}},
    {0x9B, {1250, 0x0405, nullptr}},
    {0x9C, {850, 0x0405, nullptr}},
    // The ids other writers commonly give, by code page only (no locale, no name: they are
    // read and written in their code page, and a new table is never given one).
    {0x01, {437, 0, nullptr}},
    {0x02, {850, 0, nullptr}},
    {0x03, {1252, 0, nullptr}},
    {0x64, {852, 0, nullptr}},
    {0x65, {866, 0, nullptr}},
    {0x66, {865, 0, nullptr}},
    {0x67, {861, 0, nullptr}},
    {0x68, {895, 0, nullptr}},
    {0x6A, {737, 0, nullptr}},
    {0x6B, {857, 0, nullptr}},
    {0x6C, {863, 0, nullptr}},
    {0x78, {950, 0, nullptr}},
    {0x79, {949, 0, nullptr}},
    {0x7A, {936, 0, nullptr}},
    {0x7B, {932, 0, nullptr}},
    {0x7C, {874, 0, nullptr}},
    {0x7D, {1255, 0, nullptr}},
    {0x7E, {1256, 0, nullptr}},
    {0xC8, {1250, 0, nullptr}},
    {0xC9, {1251, 0, nullptr}},
    {0xCA, {1254, 0, nullptr}},
    {0xCB, {1253, 0, nullptr}},
    {0xCC, {1257, 0, nullptr}},
};

const std::array<TLangDriverRow, 256>& table() {
    static const std::array<TLangDriverRow, 256> t = [] {
        std::array<TLangDriverRow, 256> a;
        a.fill(TLangDriverRow{0, 0, nullptr});
        for (const Row& r : kRows)
            a[r.id] = r.row;
        return a;
    }();
    return t;
}

int readCodePage(const QString& text) {
    if (text == QLatin1String("WIN")) return 1252;
    if (text == QLatin1String("REW")) return 1255;
    bool ok = false;
    int v = text.toInt(&ok);
    return ok ? v : 0;
}
} // namespace

const TLangDriverRow& LangDriver(int id) {
    return table()[size_t(id & 0xFF)];
}

int FindLangId(int codePage, uint32_t locale, const QString& suffix, TLangColumn column,
               bool foxPro) {
    auto match = [&](int id) {
        const TLangDriverRow& r = LangDriver(id);
        if (r.CodePage == 0 || r.CodePage != codePage) return false;
        if (column == lcLocale) return r.Locale == locale;
        return r.Suffix && suffix == QLatin1String(r.Suffix);
    };
    if (foxPro) {
        for (int id = 94; id <= 98; ++id)
            if (match(id)) return id;
        return 0;
    }
    for (int id = 0; id <= 93; ++id)
        if (match(id)) return id;
    for (int id = 99; id <= 154; ++id)
        if (match(id)) return id;
    return 0;
}

int GetLangId_From_Codepage(int codePage, uint32_t locale, bool foxPro) {
    return FindLangId(codePage, locale, QString(), lcLocale, foxPro);
}

QString ConstructLangName(int codePage, uint32_t locale, bool foxPro) {
    int id = GetLangId_From_Codepage(codePage, locale, foxPro);
    const TLangDriverRow& r = LangDriver(id);
    if (id == 0 || !r.Suffix) return QString();
    QString cp = codePage == 1252 ? QStringLiteral("WIN") : QString::number(codePage);
    if (foxPro) return QStringLiteral("FOX") + QLatin1String(r.Suffix) + cp;
    if (QLatin1String(r.Suffix) == QLatin1String("BGDB868")) return QStringLiteral("BGDB868");
    return QStringLiteral("DB") + cp + QLatin1String(r.Suffix);
}

int GetLangId_From_LangName(const QString& name) {
    bool fox = name.startsWith(QLatin1String("FOX"));
    QString cpText = fox ? name.mid(5, 3) : name.mid(2, 3);
    QString suffix = fox ? name.mid(3, 2) : name.mid(5, 3);
    return FindLangId(readCodePage(cpText), 0, suffix, lcSuffix, fox);
}

int CodePageFromLangName(const QString& name) {
    if (name.startsWith(QLatin1String("DB"))) {
        if (name.mid(2, 3) == QLatin1String("WIN")) return 1252;
        if (name.mid(2, 6) == QLatin1String("HEBREW")) return 1255;
        bool ok = false;
        int v = name.mid(2, 3).toInt(&ok);
        return ok ? v : 0;
    }
    if (name.startsWith(QLatin1String("FOX"))) {
        if (name.mid(5, 3) == QLatin1String("WIN")) return 1252;
        bool ok = false;
        int v = name.mid(5, 3).toInt(&ok);
        return ok ? v : 0;
    }
    return 0;
}

TDbfGlobals::TDbfGlobals() {
    // The code pages the platform converts.
    for (int cp : SupportedCodePages())
        CodePages.push_back(cp);
    AnsiCodePage = DefaultCodePage();
    OemCodePage = ::OemCodePage();
    char host[262] = {0};
    if (gethostname(host, sizeof host - 1) != 0) host[0] = 0;
    computerName = QString::fromLocal8Bit(host).left(261);
}

bool TDbfGlobals::CodePageInstalled(int codePage) const {
    return std::find(CodePages.begin(), CodePages.end(), codePage) != CodePages.end();
}

TDbfGlobals* DbfGlobals() {
    static TDbfGlobals globals;
    return &globals;
}

TLCIDList::TLCIDList() {
    for (const Row& r : kRows)
        if (r.row.Locale && !Contains(r.row.Locale)) Items.push_back(r.row.Locale);
}

bool TLCIDList::Contains(uint32_t lcid) const {
    return std::find(Items.begin(), Items.end(), lcid) != Items.end();
}

const TLCIDList& DbfLocales() {
    static TLCIDList list;
    return list;
}
