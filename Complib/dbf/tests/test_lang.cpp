// Language drivers: ids, names and code pages, and the id a new table gets.
#include "DbfTestSupport.h"
#include "Dbf.h"
#include "Dbf_Lang.h"

#include "CodePages.h"

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

TEST(DbfLang, TablesOfTheCommonWindowsAndDosIdsAreReadAndWrittenInTheirCodePage) {
    // Text goes through the program's Windows-1251, so Cyrillic text shows a table's code page
    // at work; the others are checked for the code page they are given.
    struct Case {
        int Id;
        int CodePage;
        const char* Text;
    } cases[] = {
        {0xC9, 1251, "Іваненко Ґалина, Їжакевич Євген"},
        {0x65, 866, "Москва, Київ"},
        {0xC8, 1250, nullptr},
        {0xCA, 1254, nullptr},
        {0xCB, 1253, nullptr},
        {0xCC, 1257, nullptr},
        {0x03, 1252, nullptr},
        {0x64, 852, nullptr},
        {0x7D, 1255, nullptr},
        {0x7E, 1256, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Id);
        const QString text = c.Text ? QString::fromUtf8(c.Text) : QStringLiteral("Kyiv 2024");
        QTemporaryDir dir;
        const QString path = dir.filePath("lang.dbf");
        {
            TDbfTable t(nullptr);
            t.SetFilePath(dir.path());
            t.SetTableName("lang.dbf");
            t.GetFieldDefs()->Add("NAME", ftString, 40);
            t.CreateTable();
        }
        QByteArray raw = ReadAll(path);
        raw[29] = char(c.Id); // as another program wrote it
        WriteAll(path, raw);
        {
            TDbfTable t(nullptr);
            t.SetFilePath(dir.path());
            t.SetTableName("lang.dbf");
            t.Open();
            EXPECT_EQ(t.GetDbfFile()->GetCodePage(), c.CodePage);
            EXPECT_EQ(t.GetTranslationMode(), c.CodePage == 1251  ? tmNone
                                              : c.CodePage == 866 ? tmOem
                                                                  : tmCodePage);
            EXPECT_TRUE(t.CanModify());
            t.AppendRecord({text});
            t.Close();
            t.Open();
            EXPECT_EQ(t.FieldByName("NAME")->GetAsString(), text);
        }
        EXPECT_TRUE(ReadAll(path).contains(ToCodePage(text, c.CodePage)));
        // an independent reader, which takes the code page from the same byte
        if (c.Text) {
            EXPECT_EQ(RunPython("import dbfread,sys\n"
                                "for r in dbfread.DBF(sys.argv[1]): sys.stdout.write(r['NAME'])",
                                {path}),
                      text);
        }
    }
}
