// Language drivers: ids, names and code pages, and the id a new table gets.
#include "DbfTestSupport.h"
#include "Dbf.h"
#include "Dbf_Lang.h"

TEST(DbfLang, IdsNamesAndCodePages) {
    EXPECT_EQ(GetLangId_From_LangName("DBWINUS0"), 0x57);
    EXPECT_EQ(GetLangId_From_LangName("DB866RU0"), 0x26);
    EXPECT_EQ(GetLangId_From_LangName("FOXDE437"), 0x5E);
    EXPECT_EQ(GetLangId_From_LangName("DBXYZ"), 0);
    EXPECT_EQ(ConstructLangName(866, 0x0419, false), "DB866RU0");
    EXPECT_EQ(ConstructLangName(1252, 0x0809, false), "DBWINWE0");
    EXPECT_EQ(ConstructLangName(437, 0x0407, true), "FOXDE437");
    EXPECT_EQ(ConstructLangName(868, 0x0402, false), "BGDB868");
    EXPECT_EQ(ConstructLangName(1251, 0x0809, false), "");
    EXPECT_EQ(ConstructLangName(1250, 0x0405, false), "") << "a row without a name";
    EXPECT_EQ(GetLangId_From_Codepage(1252, 0x0809, false), 0x58);
    EXPECT_EQ(GetLangId_From_Codepage(1251, 0x0809, false), 0);
    EXPECT_EQ(GetLangId_From_Codepage(850, 0x0414, true), 0x60);
    struct Case {
        const char* name;
        int codePage;
    };
    for (const Case& c :
         {Case{"DBWINWE0", 1252}, Case{"DB866RU0", 866}, Case{"FOXNOWIN", 1252},
          Case{"FOXDE437", 437}, Case{"DBHEBREW", 1255}, Case{"XYZ", 0}, Case{"DBabc", 0}})
        EXPECT_EQ(CodePageFromLangName(c.name), c.codePage) << c.name;
    EXPECT_EQ(LangDriver(0).CodePage, 0);
    EXPECT_EQ(LangDriver(0x26).Locale, 0x0419u);
}

TEST(DbfLang, ANewTableNamesTheAnsiCodePage) {
    TDbfGlobals* g = DbfGlobals();
    int saved = g->AnsiCodePage;
    g->AnsiCodePage = 1252;
    QTemporaryDir dir;
    for (int level : {4, 7}) {
        TDbfTable t(nullptr);
        t.SetFilePath(dir.path());
        t.SetTableName(QString("l%1.dbf").arg(level));
        t.SetTableLevel(level);
        t.GetFieldDefs()->Add("A", ftString, 3);
        t.CreateTable();
        QByteArray b = ReadAll(dir.filePath(t.GetTableName()));
        if (level == 4)
            EXPECT_EQ(uint8_t(b[29]), 0x58);
        else
            EXPECT_EQ(b.mid(32, 9), QByteArray("DBWINWE0\0", 9));
        t.Open();
        EXPECT_EQ(t.GetTranslationMode(), tmNone) << "the table's code page is the ANSI one";
        EXPECT_EQ(t.GetDbfFile()->GetCodePage(), 1252);
        t.Close();
    }
    g->AnsiCodePage = saved;
}
