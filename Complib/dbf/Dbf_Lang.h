// Language drivers: the table of ids with their code pages, locales and name suffixes, and the
// process-wide settings of the engine.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

struct TLangDriverRow {
    uint16_t CodePage;  // 0 = none
    uint32_t Locale;    // LCID
    const char* Suffix; // nullptr = no name; "BGDB868" is the special name
};

// The 256 rows, indexed by the language driver id.
const TLangDriverRow& LangDriver(int id);

enum TLangColumn { lcLocale, lcSuffix };

// First id (dBase ranges 0-93 and 99-154, FoxPro 94-98) whose code page is the given one and
// whose locale or suffix equals the given value; 0 when none.
int FindLangId(int codePage, uint32_t locale, const QString& suffix, TLangColumn column,
               bool foxPro);
int GetLangId_From_Codepage(int codePage, uint32_t locale, bool foxPro);
QString ConstructLangName(int codePage, uint32_t locale, bool foxPro);
int GetLangId_From_LangName(const QString& name);
// Code page of a dBase VII language driver name (0 when unknown).
int CodePageFromLangName(const QString& name);

class TDbfGlobals {
public:
    TDbfGlobals();
    bool CodePageInstalled(int codePage) const;
    const QString& ComputerName() const { return computerName; }

    std::vector<int> CodePages;
    int OemCodePage = 866;
    int AnsiCodePage = 1251;
    uint32_t DefaultLocale = 0x0809;
    bool UseFoxProNames = false;

private:
    QString computerName;
};

// The process-wide instance, made on first use.
TDbfGlobals* DbfGlobals();

// The installed locales, consulted by the index files.
class TLCIDList {
public:
    TLCIDList();
    bool Contains(uint32_t lcid) const;
    std::vector<uint32_t> Items;
};
const TLCIDList& DbfLocales();
