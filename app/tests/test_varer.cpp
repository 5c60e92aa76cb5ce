#include "varer.h"

#include "Classes.h"
#include "IniFiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Points the system directory at a fresh folder for the length of a test.
class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        qputenv("KADRION_CONFIG_DIR", dir.path().toUtf8());
        ClearSettings();
    }
    void TearDown() override {
        qunsetenv("KADRION_CONFIG_DIR");
        ClearSettings();
    }
    QString IniPath() const { return dir.filePath("kadrion.ini"); }
    QTemporaryDir dir;
};

TEST_F(SettingsTest, FirstRunWithoutFileGivesDefaultsAndSaveWritesEveryKey) {
    LoadSettings();
    EXPECT_EQ(TypeSvr, 0);
    EXPECT_TRUE(PathFileSvr.isEmpty());
    EXPECT_TRUE(FullNameSvr.isEmpty());

    SaveSettings();
    ASSERT_TRUE(QFile::exists(IniPath()));
    TMemIniFile ini(IniPath());
    TStringList data, comnd;
    ini.ReadSection("Data", &data);
    ini.ReadSection("Comnd", &comnd);
    EXPECT_EQ(data.GetCount(), 18);
    EXPECT_EQ(comnd.GetCount(), 13);
    EXPECT_EQ(ini.ReadString("Data", "TypeSvr", "x"), "0");
    EXPECT_EQ(ini.ReadString("Data", "FullNameSvr", "x"), "");
}

TEST_F(SettingsTest, EveryValueRoundTrips) {
    FullNameOrg = "Товариство \"Ґудзик\"";
    NameOrg = "ТОВ Ґудзик";
    Boss = "Іваненко Ї.Є.";
    BossPos = "Директор";
    TypeSvr = 1;
    NameSvr = "192.168.0.5";
    PathFileSvr = "/srv/kadr/kadr.fdb";
    FullNameSvr = "192.168.0.5:/srv/kadr/kadr.fdb";
    for (int i = 1; i <= 5; ++i) {
        *OkPos(i) = QString("Посада %1").arg(i);
        *OkPib(i) = QString("О'Коннор %1").arg(i);
    }
    ComndNomUd = "12";
    ComndCity = "Київ";
    ComndDozv = "так";
    SaveSettings();

    ClearSettings();
    LoadSettings();
    EXPECT_EQ(FullNameOrg, "Товариство \"Ґудзик\"");
    EXPECT_EQ(NameOrg, "ТОВ Ґудзик");
    EXPECT_EQ(Boss, "Іваненко Ї.Є.");
    EXPECT_EQ(BossPos, "Директор");
    EXPECT_EQ(TypeSvr, 1);
    EXPECT_EQ(NameSvr, "192.168.0.5");
    EXPECT_EQ(PathFileSvr, "/srv/kadr/kadr.fdb");
    EXPECT_EQ(FullNameSvr, "192.168.0.5:/srv/kadr/kadr.fdb");
    for (int i = 1; i <= 5; ++i) {
        EXPECT_EQ(*OkPos(i), QString("Посада %1").arg(i));
        EXPECT_EQ(*OkPib(i), QString("О'Коннор %1").arg(i));
    }
    EXPECT_EQ(ComndNomUd, "12");
    EXPECT_EQ(ComndCity, "Київ");
    EXPECT_EQ(ComndDozv, "так");
}

TEST_F(SettingsTest, NonNumericServerTypeReadsAsLocalAndTheRestStillLoads) {
    QFile f(IniPath());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Data]\nTypeSvr=abc\nNameOrg=Org\n[Comnd]\nComndCity=Lviv\n");
    f.close();
    TypeSvr = 7;
    LoadSettings();
    EXPECT_EQ(TypeSvr, 0);
    EXPECT_EQ(NameOrg, "Org");
    EXPECT_EQ(ComndCity, "Lviv");
}

TEST_F(SettingsTest, WindowsCodePageFileIsRead) {
    // A settings file left in the old 8-bit code page: "Київ" in Windows-1251.
    QFile f(IniPath());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Comnd]\nComndCity=\xCA\xE8\xBF\xE2\n");
    f.close();
    LoadSettings();
    EXPECT_EQ(ComndCity, "Київ");
}

} // namespace
