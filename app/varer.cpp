#include "varer.h"

#include "IniFiles.h"
#include "SysUtils.h"

#include <utility>
#include <vector>

QString FullNameOrg;
QString NameOrg;
QString Boss;
QString BossPos;
int TypeSvr = 0;
QString NameSvr;
QString PathFileSvr;
QString FullNameSvr;
QString OK_Pos1, OK_Pos2, OK_Pos3, OK_Pos4, OK_Pos5;
QString OK_Pib1, OK_Pib2, OK_Pib3, OK_Pib4, OK_Pib5;
QString ComndNomUd, ComndNomRoz, ComndDatUd, ComndDatZ, ComndDatPo, ComndPunkt, ComndMeta,
    ComndTerm, ComndVib, ComndCntry, ComndCity, ComndEnt, ComndDozv;

namespace {

struct TextKey {
    const char* section;
    const char* key;
    QString* value;
};

// Every text key in file order; TypeSvr sits between BossPos and NameSvr.
const std::vector<TextKey>& DataKeysBeforeType() {
    static const std::vector<TextKey> keys = {{"Data", "FullNameOrg", &FullNameOrg},
                                              {"Data", "NameOrg", &NameOrg},
                                              {"Data", "Boss", &Boss},
                                              {"Data", "BossPos", &BossPos}};
    return keys;
}

const std::vector<TextKey>& KeysAfterType() {
    static const std::vector<TextKey> keys = {
        {"Data", "NameSvr", &NameSvr},          {"Data", "PathFileSvr", &PathFileSvr},
        {"Data", "FullNameSvr", &FullNameSvr},  {"Data", "OK_Pos1", &OK_Pos1},
        {"Data", "OK_Pos2", &OK_Pos2},          {"Data", "OK_Pos3", &OK_Pos3},
        {"Data", "OK_Pos4", &OK_Pos4},          {"Data", "OK_Pos5", &OK_Pos5},
        {"Data", "OK_Pib1", &OK_Pib1},          {"Data", "OK_Pib2", &OK_Pib2},
        {"Data", "OK_Pib3", &OK_Pib3},          {"Data", "OK_Pib4", &OK_Pib4},
        {"Data", "OK_Pib5", &OK_Pib5},          {"Comnd", "ComndNomUd", &ComndNomUd},
        {"Comnd", "ComndNomRoz", &ComndNomRoz}, {"Comnd", "ComndDatUd", &ComndDatUd},
        {"Comnd", "ComndDatZ", &ComndDatZ},     {"Comnd", "ComndDatPo", &ComndDatPo},
        {"Comnd", "ComndPunkt", &ComndPunkt},   {"Comnd", "ComndMeta", &ComndMeta},
        {"Comnd", "ComndTerm", &ComndTerm},     {"Comnd", "ComndVib", &ComndVib},
        {"Comnd", "ComndCntry", &ComndCntry},   {"Comnd", "ComndCity", &ComndCity},
        {"Comnd", "ComndEnt", &ComndEnt},       {"Comnd", "ComndDozv", &ComndDozv}};
    return keys;
}

} // namespace

QString* OkPos(int i) {
    static QString* const v[] = {&OK_Pos1, &OK_Pos2, &OK_Pos3, &OK_Pos4, &OK_Pos5};
    return i >= 1 && i <= 5 ? v[i - 1] : nullptr;
}

QString* OkPib(int i) {
    static QString* const v[] = {&OK_Pib1, &OK_Pib2, &OK_Pib3, &OK_Pib4, &OK_Pib5};
    return i >= 1 && i <= 5 ? v[i - 1] : nullptr;
}

void LoadSettings() {
    TMemIniFile ini(SettingsFileName);
    for (const auto& k : DataKeysBeforeType())
        *k.value = ini.ReadString(k.section, k.key, QString());
    // Only "0" and "1" are ever written; anything else reads as a local database.
    TypeSvr = StrToIntDef(ini.ReadString("Data", "TypeSvr", "0"), 0);
    for (const auto& k : KeysAfterType())
        *k.value = ini.ReadString(k.section, k.key, QString());
}

void SaveSettings() {
    TMemIniFile ini(SettingsFileName);
    for (const auto& k : DataKeysBeforeType())
        ini.WriteString(k.section, k.key, *k.value);
    ini.WriteString("Data", "TypeSvr", IntToStr(TypeSvr));
    for (const auto& k : KeysAfterType())
        ini.WriteString(k.section, k.key, *k.value);
    ini.UpdateFile();
}

void ClearSettings() {
    for (const auto& k : DataKeysBeforeType())
        k.value->clear();
    for (const auto& k : KeysAfterType())
        k.value->clear();
    TypeSvr = 0;
}
