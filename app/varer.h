// The process-wide settings values of the personnel application and their settings file.
#pragma once

#include <QString>

extern QString FullNameOrg;
extern QString NameOrg;
extern QString Boss;
extern QString BossPos;
extern int TypeSvr; // 0 local database file, 1 database on a server
extern QString NameSvr;
extern QString PathFileSvr;
extern QString FullNameSvr;
extern QString OK_Pos1, OK_Pos2, OK_Pos3, OK_Pos4, OK_Pos5;
extern QString OK_Pib1, OK_Pib2, OK_Pib3, OK_Pib4, OK_Pib5;
extern QString ComndNomUd, ComndNomRoz, ComndDatUd, ComndDatZ, ComndDatPo, ComndPunkt, ComndMeta,
    ComndTerm, ComndVib, ComndCntry, ComndCity, ComndEnt, ComndDozv;

// The settings file, opened by bare name in the system directory.
inline const char* const SettingsFileName = "kadrion.ini";

// OK_Pos1..5 and OK_Pib1..5 by index 1..5 (nullptr outside that range).
QString* OkPos(int i);
QString* OkPib(int i);

// Reads every key of sections Data and Comnd in order; missing keys give empty text and
// TypeSvr 0 (also when its text is not a whole number).
void LoadSettings();
// Writes every key of both sections in order, changed or not.
void SaveSettings();
// Empties every value (TypeSvr 0); for tests and a fresh start.
void ClearSettings();
