// Code-page tables and conversions; see CodePages.h for the rules.
#include "CodePages.h"
#include "SysUtils.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace {

// Bytes 0x80-0xFF of the pages we carry ourselves; 0xFFFF marks an undefined byte.
const char16_t Windows1251[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039,
    0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0xFFFF, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408,
    0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB,
    0x0458, 0x0405, 0x0455, 0x0457, 0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423,
    0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B,
    0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};
const char16_t Cp866[128] = {
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B,
    0x041C, 0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F, 0x0430, 0x0431, 0x0432, 0x0433,
    0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557,
    0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
    0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B,
    0x044C, 0x044D, 0x044E, 0x044F, 0x0401, 0x0451, 0x0404, 0x0454, 0x0407, 0x0457, 0x040E, 0x045E,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x2116, 0x00A4, 0x25A0, 0x00A0,
};
const char16_t Windows1252[128] = {
    0x20AC, 0xFFFF, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039,
    0x0152, 0xFFFF, 0x017D, 0xFFFF, 0xFFFF, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFF, 0x017E, 0x0178, 0x00A0, 0x00A1, 0x00A2, 0x00A3,
    0x00A4, 0x00A5, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x00B9, 0x00BA, 0x00BB,
    0x00BC, 0x00BD, 0x00BE, 0x00BF, 0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7,
    0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF, 0x00D0, 0x00D1, 0x00D2, 0x00D3,
    0x00D4, 0x00D5, 0x00D6, 0x00D7, 0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF,
    0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7, 0x00E8, 0x00E9, 0x00EA, 0x00EB,
    0x00EC, 0x00ED, 0x00EE, 0x00EF, 0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7,
    0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF,
};
const char16_t Cp437[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557,
    0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
    0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4,
    0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};
const char16_t Cp850[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0, 0x00A9, 0x2563, 0x2551, 0x2557,
    0x255D, 0x00A2, 0x00A5, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4, 0x00F0, 0x00D0, 0x00CA, 0x00CB,
    0x00C8, 0x0131, 0x00CD, 0x00CE, 0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580,
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE, 0x00DE, 0x00DA, 0x00DB, 0x00D9,
    0x00FD, 0x00DD, 0x00AF, 0x00B4, 0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8,
    0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0,
};
const char16_t Kamenicky[48] = {
    0x010C, 0x00FC, 0x00E9, 0x010F, 0x00E4, 0x010E, 0x0164, 0x010D, 0x011B, 0x011A, 0x0139, 0x00CD,
    0x013E, 0x013A, 0x00C4, 0x00C1, 0x00C9, 0x017E, 0x017D, 0x00F4, 0x00F6, 0x00D3, 0x016F, 0x00DA,
    0x00FD, 0x00D6, 0x00DC, 0x0160, 0x013D, 0x00DD, 0x0158, 0x0165, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x0148, 0x0147, 0x016E, 0x00D4, 0x0161, 0x0159, 0x0155, 0x0154, 0x00BC, 0x00A7, 0x00AB, 0x00BB,
};
const char16_t Mazovia[48] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x0105, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x0107, 0x00C4, 0x0104, 0x0118, 0x0119, 0x0142, 0x00F4, 0x00F6, 0x0106, 0x00FB, 0x00F9,
    0x015A, 0x00D6, 0x00DC, 0x00A2, 0x0141, 0x00A5, 0x015B, 0x0192, 0x0179, 0x017B, 0x00F3, 0x00D3,
    0x0144, 0x0143, 0x017A, 0x017C, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
};

constexpr char16_t Undefined = 0xFFFF;
constexpr char16_t Replacement = 0xFFFD;

struct TCodePageInfo {
    int Number = 0;
    bool DoubleByte = false;
    QByteArray QtName; // the converter name for pages Qt converts
    char16_t ToUnicode[256] = {};
    std::unordered_map<char16_t, unsigned char> FromUnicode; // characters from U+0080 on
    // The same as a table indexed by the character up to the highest one the page has (0 for
    // none), so that a text of the page's characters encodes without a lookup each.
    std::vector<unsigned char> Direct;
};

void FillSingleByte(TCodePageInfo& info, const char16_t* high) {
    for (int b = 0; b < 256; ++b) {
        char16_t u = b < 0x80 ? char16_t(b) : high[b - 0x80];
        if (u == Undefined) u = b < 0xA0 ? char16_t(b) : Replacement;
        info.ToUnicode[b] = u;
        if (b >= 0x80 && u != Replacement)
            info.FromUnicode.emplace(u, static_cast<unsigned char>(b));
    }
    char16_t highest = 0;
    for (const auto& [u, b] : info.FromUnicode)
        highest = std::max(highest, u);
    info.Direct.assign(size_t(highest) + 1, 0);
    for (const auto& [u, b] : info.FromUnicode)
        info.Direct[u] = b;
}

// The 437 page with its first 48 high bytes replaced (the Polish and Czech DOS pages).
std::vector<char16_t> PatchedCp437(const char16_t* first48) {
    std::vector<char16_t> t(Cp437, Cp437 + 128);
    std::copy(first48, first48 + 48, t.begin());
    return t;
}

std::unique_ptr<TCodePageInfo> MakeOwnTable(int number, const char16_t* high) {
    auto info = std::make_unique<TCodePageInfo>();
    info->Number = number;
    FillSingleByte(*info, high);
    return info;
}

bool IsDoubleByte(int number) {
    return number == 932 || number == 936 || number == 949 || number == 950;
}

QList<QByteArray> QtNameCandidates(int number) {
    const QByteArray n = QByteArray::number(number);
    if (number == 874 || IsDoubleByte(number) || (number >= 1250 && number <= 1258))
        return {"windows-" + n};
    return {"IBM" + n, "cp" + n, "ibm-" + n};
}

// A page Qt converts, as a table when it is single-byte; null when Qt cannot convert it.
std::unique_ptr<TCodePageInfo> MakeQtPage(int number) {
    for (const QByteArray& name : QtNameCandidates(number)) {
        QStringDecoder probe(name.constData());
        QStringEncoder probeEnc(name.constData());
        if (!probe.isValid() || !probeEnc.isValid()) continue;
        auto info = std::make_unique<TCodePageInfo>();
        info->Number = number;
        info->QtName = name;
        info->DoubleByte = IsDoubleByte(number);
        if (info->DoubleByte) return info;
        char16_t high[128];
        for (int b = 0x80; b < 0x100; ++b) {
            QStringDecoder dec(name.constData(), QStringConverter::Flag::Stateless);
            const QString s = dec.decode(QByteArray(1, char(b)));
            char16_t u = Undefined;
            if (s.size() == 1 && !dec.hasError() && s[0] != QChar(Replacement) &&
                s[0] != QChar(0x1A) && !s[0].isSurrogate())
                u = s[0].unicode();
            high[b - 0x80] = u;
        }
        FillSingleByte(*info, high);
        return info;
    }
    return nullptr;
}

// The page's description, or null when the page cannot be converted.
const TCodePageInfo* FindPage(int number) {
    static const std::map<int, std::unique_ptr<TCodePageInfo>> own = [] {
        std::map<int, std::unique_ptr<TCodePageInfo>> m;
        m[1251] = MakeOwnTable(1251, Windows1251);
        m[866] = MakeOwnTable(866, Cp866);
        m[1252] = MakeOwnTable(1252, Windows1252);
        m[437] = MakeOwnTable(437, Cp437);
        m[850] = MakeOwnTable(850, Cp850);
        const std::vector<char16_t> kamenicky = PatchedCp437(Kamenicky);
        m[895] = MakeOwnTable(895, kamenicky.data());
        m[867] = MakeOwnTable(867, kamenicky.data());
        m[620] = MakeOwnTable(620, PatchedCp437(Mazovia).data());
        return m;
    }();
    // the database's and the default page, asked for with every text value
    static const TCodePageInfo* const win1251 = own.at(1251).get();
    if (number == 1251) return win1251;
    if (auto it = own.find(number); it != own.end()) return it->second.get();
    if (number <= 0 || number > 65535) return nullptr;

    static std::mutex lock;
    static std::map<int, std::unique_ptr<TCodePageInfo>> others;
    std::lock_guard<std::mutex> guard(lock);
    auto it = others.find(number);
    if (it == others.end()) it = others.emplace(number, MakeQtPage(number)).first;
    return it->second.get();
}

const TCodePageInfo& PageOrDefault(int number) {
    const TCodePageInfo* p = FindPage(number);
    return p ? *p : *FindPage(1251);
}

// Own substitutes for characters a page lacks, before accents are dropped.
char16_t OwnSubstitute(char32_t c) {
    switch (c) {
    case 0x0406: // І
        return u'I';
    case 0x0456: // і
        return u'i';
    case 0x0490: // Ґ
        return 0x0413;
    case 0x0491: // ґ
        return 0x0433;
    case 0x0141: // Ł
        return u'L';
    case 0x0142: // ł
        return u'l';
    case 0x0110: // Đ
        return u'D';
    case 0x0111: // đ
        return u'd';
    case 0x00D8: // Ø
        return u'O';
    case 0x00F8: // ø
        return u'o';
    case 0x0131: // ı
        return u'i';
    case 0x2018:
    case 0x2019:
    case 0x201A:
    case 0x201B:
    case 0x02BC:
    case 0x2032:
        return u'\'';
    case 0x201C:
    case 0x201D:
    case 0x201E:
    case 0x201F:
    case 0x00AB:
    case 0x00BB:
    case 0x2033:
        return u'"';
    case 0x2010:
    case 0x2011:
    case 0x2012:
    case 0x2013:
    case 0x2014:
    case 0x2015:
    case 0x2212:
    case 0x00AD:
        return u'-';
    case 0x00A0:
    case 0x2007:
    case 0x2009:
    case 0x202F:
        return u' ';
    default:
        return 0;
    }
}

// The letter without its accents (Ї -> І, é -> e), or 0 when there is none.
char32_t WithoutAccents(char32_t c) {
    if (c > 0xFFFF) return 0;
    const QChar ch{char16_t(c)};
    const QString d = ch.decomposition();
    if (d.isEmpty() || d[0].isSurrogate()) return 0;
    for (qsizetype i = 1; i < d.size(); ++i)
        if (!d[i].isMark()) return 0;
    return d[0].unicode() == c ? 0 : d[0].unicode();
}

// Tries the character, then its substitutes in turn; false when none can be written.
template <typename TryChar>
bool WriteWithFallback(char32_t c, const TryChar& tryChar, int depth = 0) {
    if (tryChar(c)) return true;
    if (depth > 4) return false;
    if (const char16_t s = OwnSubstitute(c))
        if (WriteWithFallback(s, tryChar, depth + 1)) return true;
    if (const char32_t base = WithoutAccents(c)) return WriteWithFallback(base, tryChar, depth + 1);
    return false;
}

// Calls f for each code point of the text from `from` on (an unpaired surrogate counts as
// itself).
template <typename F> void ForEachCodePoint(const QString& text, const F& f, qsizetype from = 0) {
    const qsizetype n = text.size();
    for (qsizetype i = from; i < n; ++i) {
        char32_t c = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < n && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        f(c);
    }
}

int SingleByteOf(const TCodePageInfo& page, char32_t c) {
    if (c < 0x80) return int(c);
    if (c > 0xFFFF) return -1;
    const auto it = page.FromUnicode.find(char16_t(c));
    return it == page.FromUnicode.end() ? -1 : it->second;
}

// Appends the text's bytes to out.
void EncodeSingleByte(const TCodePageInfo& page, const QString& text, QByteArray& out) {
    // The characters the page has, a byte each, as far as they go.
    const qsizetype n = text.size();
    const qsizetype start = out.size();
    out.resize(start + n);
    char* d = out.data() + start;
    const char16_t* s = reinterpret_cast<const char16_t*>(text.constData());
    const unsigned char* direct = page.Direct.data();
    const size_t directSize = page.Direct.size();
    qsizetype i = 0;
    for (; i < n; ++i) {
        const char16_t c = s[i];
        if (c < 0x80)
            d[i] = char(c);
        else if (c < directSize && direct[c] != 0)
            d[i] = char(direct[c]);
        else
            break;
    }
    if (i == n) return;
    // The rest with the substitutes of characters the page lacks.
    out.truncate(start + i);
    ForEachCodePoint(
        text,
        [&](char32_t c) {
            const bool ok = WriteWithFallback(c, [&](char32_t x) {
                const int b = SingleByteOf(page, x);
                if (b < 0) return false;
                out += char(b);
                return true;
            });
            if (!ok) out += '?';
        },
        i);
}

QByteArray EncodeSingleByte(const TCodePageInfo& page, const QString& text) {
    QByteArray out;
    EncodeSingleByte(page, text, out);
    return out;
}

QByteArray EncodeDoubleByte(const TCodePageInfo& page, const QString& text) {
    const char* name = page.QtName.constData();
    QStringEncoder enc(name, QStringConverter::Flag::Stateless);
    QStringDecoder dec(name, QStringConverter::Flag::Stateless);
    // Most texts convert whole; only when the round trip differs is each character checked.
    QByteArray whole = enc.encode(text);
    if (!enc.hasError() && QString(dec.decode(whole)) == text) return whole;

    QByteArray out;
    ForEachCodePoint(text, [&](char32_t c) {
        const bool ok = WriteWithFallback(c, [&](char32_t x) {
            if (x < 0x80) {
                out += char(x);
                return true;
            }
            const QString s = QString::fromUcs4(&x, 1);
            QStringEncoder e(name, QStringConverter::Flag::Stateless);
            QStringDecoder d(name, QStringConverter::Flag::Stateless);
            const QByteArray b = e.encode(s);
            if (e.hasError() || b.isEmpty() || QString(d.decode(b)) != s || d.hasError())
                return false;
            out += b;
            return true;
        });
        if (!ok) out += '?';
    });
    return out;
}

} // namespace

int DefaultCodePage() {
    return 1251;
}

int OemCodePage() {
    return 866;
}

bool CodePageSupported(int codePage) {
    return FindPage(codePage) != nullptr;
}

bool IsDoubleByteCodePage(int codePage) {
    return IsDoubleByte(codePage);
}

QList<int> SupportedCodePages() {
    static const int candidates[] = {437,  620,  708,  720,  737,  775,  850,  852,  855,
                                     857,  858,  860,  861,  862,  863,  864,  865,  866,
                                     867,  868,  869,  874,  895,  932,  936,  949,  950,
                                     1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258};
    QList<int> out;
    for (int cp : candidates)
        if (CodePageSupported(cp)) out << cp;
    return out;
}

QByteArray ToCodePage(const QString& text, int codePage) {
    const TCodePageInfo& page = PageOrDefault(codePage);
    return page.DoubleByte ? EncodeDoubleByte(page, text) : EncodeSingleByte(page, text);
}

void AppendToCodePage(QByteArray& bytes, const QString& text, int codePage) {
    const TCodePageInfo& page = PageOrDefault(codePage);
    if (page.DoubleByte)
        bytes += EncodeDoubleByte(page, text);
    else
        EncodeSingleByte(page, text, bytes);
}

QString FromCodePage(const char* bytes, qsizetype length, int codePage) {
    // the database's code page comes with every text value
    static const TCodePageInfo& win1251 = *FindPage(1251);
    const TCodePageInfo& page = codePage == 1251 ? win1251 : PageOrDefault(codePage);
    if (page.DoubleByte) {
        QStringDecoder dec(page.QtName.constData(), QStringConverter::Flag::Stateless);
        return dec.decode(QByteArrayView(bytes, length));
    }
    QString out(length, Qt::Uninitialized);
    QChar* d = out.data();
    for (qsizetype i = 0; i < length; ++i)
        d[i] = QChar(page.ToUnicode[static_cast<unsigned char>(bytes[i])]);
    return out;
}

void FromCodePageInto(QString& Text, const char* bytes, qsizetype length, int codePage) {
    static const TCodePageInfo& win1251 = *FindPage(1251);
    const TCodePageInfo& page = codePage == 1251 ? win1251 : PageOrDefault(codePage);
    // an empty text is an empty string of its own, as FromCodePage gives it
    if (page.DoubleByte || length <= 0) {
        Text = FromCodePage(bytes, length, codePage);
        return;
    }
    char16_t* d = ReuseString(Text, length);
    for (qsizetype i = 0; i < length; ++i)
        d[i] = page.ToUnicode[static_cast<unsigned char>(bytes[i])];
}

QString FromCodePage(const QByteArray& bytes, int codePage) {
    return FromCodePage(bytes.constData(), bytes.size(), codePage);
}

QByteArray ConvertCodePage(const QByteArray& bytes, int fromCodePage, int toCodePage) {
    return ToCodePage(FromCodePage(bytes, fromCodePage), toCodePage);
}

QByteArray AnsiToOem(const QByteArray& bytes) {
    return ConvertCodePage(bytes, DefaultCodePage(), OemCodePage());
}

QByteArray OemToAnsi(const QByteArray& bytes) {
    return ConvertCodePage(bytes, OemCodePage(), DefaultCodePage());
}

char CharToCodePage(QChar c, int codePage) {
    const TCodePageInfo& page = PageOrDefault(codePage);
    if (page.DoubleByte) {
        if (c.unicode() < 0x80) return char(c.unicode());
        const QByteArray b = EncodeDoubleByte(page, QString(c));
        return b.size() == 1 ? b[0] : '?';
    }
    return EncodeSingleByte(page, QString(c)).at(0);
}

QChar CharFromCodePage(unsigned char b, int codePage) {
    const TCodePageInfo& page = PageOrDefault(codePage);
    if (!page.DoubleByte) return QChar(page.ToUnicode[b]);
    if (b < 0x80) return QChar(char16_t(b));
    const QString s = FromCodePage(reinterpret_cast<const char*>(&b), 1, codePage);
    return s.size() == 1 ? s[0] : QChar(Replacement);
}

bool CodePageHasChar(int codePage, QChar c) {
    const TCodePageInfo& page = PageOrDefault(codePage);
    if (!page.DoubleByte) return SingleByteOf(page, c.unicode()) >= 0;
    if (c.unicode() < 0x80) return true;
    QStringEncoder e(page.QtName.constData(), QStringConverter::Flag::Stateless);
    QStringDecoder d(page.QtName.constData(), QStringConverter::Flag::Stateless);
    const QByteArray b = e.encode(QString(c));
    return !e.hasError() && !b.isEmpty() && QString(d.decode(b)) == QString(c);
}
