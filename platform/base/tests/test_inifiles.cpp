#include "Classes.h"
#include "IniFiles.h"
#include "Registry.h"
#include "TestSupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <functional>

namespace {

// Points the system directory at a fresh temporary folder for the length of a test.
class ConfigDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        hadOld = qEnvironmentVariableIsSet("KADRION_CONFIG_DIR");
        old = qgetenv("KADRION_CONFIG_DIR");
        qputenv("KADRION_CONFIG_DIR", QFile::encodeName(dir.path()));
    }
    void TearDown() override {
        if (hadOld)
            qputenv("KADRION_CONFIG_DIR", old);
        else
            qunsetenv("KADRION_CONFIG_DIR");
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    void writeBytes(const QString& name, const QByteArray& bytes) const {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray readBytes(const QString& name) const {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QTemporaryDir dir;
    QByteArray old;
    bool hadOld = false;
};

using IniFileTest = ConfigDirTest;
using RegistryTest = ConfigDirTest;

QStringList sectionOf(TCustomIniFile& ini, const QString& section) {
    TStringList list;
    ini.ReadSection(section, &list);
    return list.ToStringList();
}

} // namespace

TEST_F(IniFileTest, ReadStringStripsOnePairOfQuotes) {
    struct Case {
        const char* line;
        QString value;
    } cases[] = {
        {"k=plain", "plain"},
        {"k=  padded  ", "padded"},
        {"k=\"quoted\"", "quoted"},
        {"k='single'", "single"},
        {"k=\"  kept blanks  \"", "  kept blanks  "},
        {"k=\"\"twice\"\"", "\"twice\""},
        {"k=\"open", "\"open"},
        {"k='mixed\"", "'mixed\""},
        {"k=\"", "\""},
        {"k=\"\"", ""},
        {"k=", ""},
        {"k=a=b", "a=b"},
    };
    for (const auto& c : cases) {
        writeBytes("q.ini", QByteArray("[S]\n") + c.line + "\n");
        TIniFile ini("q.ini");
        EXPECT_EQ(ini.ReadString("S", "k", "default"), c.value) << c.line;
    }
    // A value quoted for storage (wrapped in one more pair) reads back as it was.
    TIniFile ini("q.ini");
    ini.WriteString("S", "k", "\"\"x\"\"");
    EXPECT_EQ(ini.ReadString("S", "k", ""), "\"x\"");
}

TEST_F(IniFileTest, BareNameLivesInTheSystemDirectory) {
    TIniFile ini("kadrion.ini");
    EXPECT_EQ(ini.GetFileName(), path("kadrion.ini"));
    // Reading a missing file gives defaults and creates nothing.
    EXPECT_EQ(ini.ReadString("Data", "Org", "none"), "none");
    EXPECT_EQ(ini.ReadInteger("Data", "ServerType", 7), 7);
    EXPECT_FALSE(QFile::exists(path("kadrion.ini")));
    ini.WriteString("Data", "Org", "Київ");
    EXPECT_TRUE(QFile::exists(path("kadrion.ini")));

    // A name differing only in case finds the same file.
    TIniFile upper("KADRION.INI");
    EXPECT_EQ(upper.GetFileName(), path("kadrion.ini"));
    EXPECT_EQ(upper.ReadString("data", "ORG", ""), "Київ");

    // A name with a folder stays where it says.
    TIniFile other(path("sub.ini"));
    EXPECT_EQ(other.GetFileName(), path("sub.ini"));
}

TEST_F(IniFileTest, Utf8WrittenAnd1251Read) {
    // A Windows-1251 file (not valid UTF-8) is read as such.
    writeBytes(
        "old.ini",
        "[Data]\r\nOrg=\xCA\xE8\xBF\xE2\xF1\xFC\xEA\xE0\r\nBoss=\xB2\xE2\xE0\xED\xEE\xE2\r\n");
    TIniFile ini("old.ini");
    EXPECT_EQ(ini.ReadString("Data", "Org", ""), "Київська");
    EXPECT_EQ(ini.ReadString("Data", "Boss", ""), "Іванов");
    // Writing turns the whole file into UTF-8 and keeps its CR LF line ends.
    ini.WriteString("Data", "Pos", "Директор");
    EXPECT_EQ(readBytes("old.ini"),
              QString("[Data]\r\nOrg=Київська\r\nBoss=Іванов\r\nPos=Директор\r\n").toUtf8());
    EXPECT_EQ(ini.ReadString("Data", "Boss", ""), "Іванов");

    // A UTF-8 file with a byte-order mark.
    writeBytes("bom.ini", "\xEF\xBB\xBF[Ф]\nКлюч=Значення\n");
    TIniFile bom("bom.ini");
    EXPECT_EQ(bom.ReadString("ф", "КЛЮЧ", ""), "Значення");
}

TEST_F(IniFileTest, TypedValuesSectionsAndKeys) {
    writeBytes("t.ini", "; settings\n"
                        "[Data]\n"
                        "Num=42\n"
                        "Hex=0x10\n"
                        "Bad=abc\n"
                        "Flag=1\n"
                        "Num=99\n"
                        "\n"
                        "[Comnd]\n"
                        "; who signs\n"
                        "Sign1=Петренко\n"
                        "[Empty]\n");
    TIniFile ini("t.ini");
    EXPECT_EQ(ini.ReadInteger("Data", "Num", 0), 42); // the first of two wins
    EXPECT_EQ(ini.ReadInteger("Data", "Hex", 0), 16);
    EXPECT_EQ(ini.ReadInteger("Data", "Bad", -1), -1);
    EXPECT_TRUE(ini.ReadBool("Data", "Flag", false));
    EXPECT_TRUE(ini.ReadBool("Data", "Missing", true));
    EXPECT_EQ(sectionOf(ini, "data"), (QStringList{"Num", "Hex", "Bad", "Flag"}));
    TStringList sections;
    ini.ReadSections(&sections);
    EXPECT_EQ(sections.ToStringList(), (QStringList{"Data", "Comnd", "Empty"}));
    TStringList values;
    ini.ReadSectionValues("COMND", &values);
    EXPECT_EQ(values.ToStringList(), QStringList{"Sign1=Петренко"});
    EXPECT_TRUE(ini.SectionExists("Comnd"));
    EXPECT_FALSE(ini.SectionExists("Empty")); // no keys
    EXPECT_TRUE(ini.ValueExists("Data", "flag"));
    EXPECT_FALSE(ini.ValueExists("Data", "nope"));

    ini.WriteBool("Data", "Flag", false);
    ini.WriteInteger("Comnd", "Count", -5);
    ini.DeleteKey("Data", "Bad");
    ini.EraseSection("Empty");
    ini.WriteFloat("Data", "Rate", 1.5);
    EXPECT_EQ(ini.ReadFloat("Data", "Rate", 0), 1.5);
    EXPECT_EQ(ini.ReadFloat("Data", "Num", 0), 42.0);
    EXPECT_EQ(ini.ReadFloat("Comnd", "Sign1", 2.5), 2.5);
    ini.WriteString("New", "Line", "a\r\nb"); // line breaks cannot live in a value
    EXPECT_EQ(readBytes("t.ini"), QString("; settings\n"
                                          "[Data]\n"
                                          "Num=42\n"
                                          "Hex=0x10\n"
                                          "Flag=0\n"
                                          "Num=99\n"
                                          "Rate=1,5\n"
                                          "\n"
                                          "[Comnd]\n"
                                          "; who signs\n"
                                          "Sign1=Петренко\n"
                                          "Count=-5\n"
                                          "[New]\n"
                                          "Line=a b\n")
                                      .toUtf8());
}

TEST_F(IniFileTest, WriteFailureAndMemIniFile) {
    TIniFile bad(path("no/such/dir/x.ini"));
    EXPECT_EQ(bad.ReadString("S", "K", "d"), "d");
    EXPECT_EQ(MessageOf<EIniFileException>([&] { bad.WriteString("S", "K", "v"); }),
              "Unable to write to " + path("no/such/dir/x.ini"));

    {
        TMemIniFile mem("mem.ini");
        mem.WriteString("S", "K", "'v'");
        mem.WriteInteger("S", "N", 3);
        EXPECT_EQ(mem.ReadString("S", "K", ""), "v");
        EXPECT_FALSE(QFile::exists(path("mem.ini")));
        mem.UpdateFile();
    }
    TIniFile check("mem.ini");
    EXPECT_EQ(check.ReadInteger("S", "N", 0), 3);
    EXPECT_EQ(readBytes("mem.ini"), QByteArray("[S]\nK='v'\nN=3\n"));
}

TEST_F(RegistryTest, RegIniFileRoundTrip) {
    {
        TRegIniFile reg("Software\\Rapportel");
        reg.WriteInteger("Form\\TfrPreviewForm", "XPosition", 120);
        reg.WriteInteger("Form\\TfrPreviewForm", "Width", 640);
        reg.WriteBool("Form\\TfrPreviewForm", "Maximized", false);
        reg.WriteString("Form\\TfrDesignerForm", "Title", "Звіт \"Кадри\" C:\\x");
    }
    const QString text = QString::fromUtf8(readBytes("registry.ini"));
    EXPECT_TRUE(text.contains("[Software\\Rapportel\\Form\\TfrPreviewForm]\nXPosition=\"120\"\n"))
        << text.toStdString();

    TRegIniFile reg("Software\\Rapportel", KEY_READ);
    EXPECT_EQ(reg.ReadInteger("Form\\TfrPreviewForm", "XPosition", 0), 120);
    EXPECT_EQ(reg.ReadInteger("Form\\TfrPreviewForm", "Height", 480), 480);
    EXPECT_FALSE(reg.ReadBool("form\\tfrpreviewform", "Maximized", true));
    EXPECT_TRUE(reg.ReadBool("Form\\TfrPreviewForm", "Missing", true));
    EXPECT_EQ(reg.ReadString("Form\\TfrDesignerForm", "Title", ""), "Звіт \"Кадри\" C:\\x");
    TStringList names;
    reg.ReadSection("Form\\TfrPreviewForm", &names);
    EXPECT_EQ(names.ToStringList(), (QStringList{"XPosition", "Width", "Maximized"}));
    TStringList sections;
    reg.ReadSections(&sections);
    EXPECT_EQ(sections.ToStringList(), QStringList{"Form"});
    EXPECT_THROW(reg.WriteInteger("Form", "X", 1), ERegistryException);

    TRegIniFile writable("Software\\Rapportel");
    writable.EraseSection("Form\\TfrDesignerForm");
    writable.DeleteKey("Form\\TfrPreviewForm", "Width");
    EXPECT_EQ(reg.ReadString("Form\\TfrDesignerForm", "Title", "gone"), "gone");
    EXPECT_EQ(reg.ReadInteger("Form\\TfrPreviewForm", "Width", -1), -1);

    // A read-only store on a key nobody wrote reads defaults and creates nothing.
    TRegIniFile none("Software\\Nobody", KEY_READ);
    EXPECT_EQ(none.ReadString("S", "I", "dflt"), "dflt");
    TStringList noSections;
    none.ReadSections(&noSections);
    EXPECT_EQ(noSections.GetCount(), 0);
    EXPECT_FALSE(QString::fromUtf8(readBytes("registry.ini")).contains("Nobody"));
}

TEST_F(RegistryTest, TypedValuesKeysAndErrors) {
    TRegistry reg;
    EXPECT_EQ(reg.GetRootKey(), HKEY_CURRENT_USER);
    EXPECT_FALSE(reg.OpenKey("Software\\Kadrion\\Grid", false));
    ASSERT_TRUE(reg.OpenKey("Software\\Kadrion\\Grid", true));
    EXPECT_EQ(reg.GetCurrentPath(), "Software\\Kadrion\\Grid");
    reg.WriteString("Name", "Таблиця\r\n\t\"x\"");
    reg.WriteInteger("Count", -3);
    reg.WriteBool("On", true);
    reg.WriteFloat("Rate", 0.25);
    const char blob[] = {1, 2, '\xFF'};
    reg.WriteBinaryData("Blob", blob, 3);
    reg.WriteExpandString("Path", "%HOME%/x");

    EXPECT_EQ(reg.ReadString("Name"), "Таблиця\r\n\t\"x\"");
    EXPECT_EQ(reg.ReadInteger("Count"), -3);
    EXPECT_TRUE(reg.ReadBool("On"));
    EXPECT_EQ(reg.ReadFloat("Rate"), 0.25);
    char buf[8] = {};
    EXPECT_EQ(reg.ReadBinaryData("Blob", buf, 8), 3);
    EXPECT_EQ(QByteArray(buf, 3), QByteArray(blob, 3));
    EXPECT_EQ(reg.ReadString("Path"), "%HOME%/x");
    EXPECT_EQ(reg.GetDataType("Path"), rdExpandString);
    EXPECT_EQ(reg.GetDataType("Count"), rdInteger);
    EXPECT_EQ(reg.GetDataSize("Blob"), 3);
    EXPECT_EQ(reg.GetDataSize("Missing"), -1);

    // Missing values: a string reads as empty, other types raise.
    EXPECT_EQ(reg.ReadString("Missing"), "");
    EXPECT_EQ(reg.ReadBinaryData("Missing", buf, 8), 0);
    EXPECT_EQ(MessageOf<ERegistryException>([&] { reg.ReadInteger("Missing"); }),
              "Failed to get data for 'Missing'");
    EXPECT_EQ(MessageOf<ERegistryException>([&] { reg.ReadInteger("Name"); }),
              "Invalid data type for 'Name'");
    EXPECT_EQ(MessageOf<ERegistryException>([&] { reg.ReadString("Count"); }),
              "Invalid data type for 'Count'");
    EXPECT_EQ(MessageOf<ERegistryException>([&] { reg.ReadBinaryData("Blob", buf, 2); }),
              "Invalid data type for 'Blob'");

    TStringList names;
    reg.GetValueNames(&names);
    EXPECT_EQ(names.ToStringList(), (QStringList{"Name", "Count", "On", "Rate", "Blob", "Path"}));
    EXPECT_TRUE(reg.DeleteValue("On"));
    EXPECT_FALSE(reg.ValueExists("On"));
    EXPECT_FALSE(reg.DeleteValue("On"));

    // Keys: relative and absolute opening, subkey names, recursive delete.
    ASSERT_TRUE(reg.OpenKey("Columns\\First", true));
    EXPECT_EQ(reg.GetCurrentPath(), "Software\\Kadrion\\Grid\\Columns\\First");
    ASSERT_TRUE(reg.OpenKey("\\Software\\Kadrion", false));
    EXPECT_TRUE(reg.KeyExists("Grid\\Columns"));
    EXPECT_TRUE(reg.KeyExists("\\SOFTWARE\\kadrion\\grid"));
    EXPECT_FALSE(reg.KeyExists("Grid\\Nope"));
    TStringList keys;
    reg.GetKeyNames(&keys);
    EXPECT_EQ(keys.ToStringList(), QStringList{"Grid"});
    EXPECT_TRUE(reg.HasSubKeys());
    EXPECT_TRUE(reg.DeleteKey("Grid"));
    EXPECT_FALSE(reg.KeyExists("Grid\\Columns\\First"));
    EXPECT_FALSE(reg.HasSubKeys());
    reg.CloseKey();

    // Another root keeps its keys apart.
    TRegistry machine;
    machine.SetRootKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(machine.OpenKey("Software\\Kadrion", true));
    machine.WriteInteger("Shared", 1);
    EXPECT_TRUE(reg.OpenKey("Software\\Kadrion", false));
    EXPECT_FALSE(reg.ValueExists("Shared"));
    EXPECT_TRUE(QString::fromUtf8(readBytes("registry.ini"))
                    .contains("[HKEY_LOCAL_MACHINE\\Software\\Kadrion]"));

    // Read-only access refuses to write.
    TRegistry ro(KEY_READ);
    ASSERT_TRUE(ro.OpenKey("Software\\Kadrion", false));
    EXPECT_EQ(MessageOf<ERegistryException>([&] { ro.WriteInteger("X", 1); }),
              "Failed to set data for 'X'");
    EXPECT_FALSE(ro.OpenKey("Software\\New", true));
}
