// The dataset component: the seniority table as the application writes it, browsing,
// editing and deleting, every field type at the three levels, memos, code pages.
#include "BlobChangeCheck.h"
#include "CodePages.h"
#include "DbfTestSupport.h"
#include "Dbf.h"
#include "Dbf_Lang.h"

#include "Dates.h"

#include <memory>

namespace {

// The application's sequence: clear the definitions, two text fields, create, open,
// append one record per employee, close.
void writeSeniority(TDbfTable& t, const QList<QPair<QString, QString>>& rows) {
    t.Close();
    t.SetTableName("staj.dbf");
    t.GetFieldDefs()->Clear();
    t.GetFieldDefs()->Add("TABNOM", ftString, 5, false);
    t.GetFieldDefs()->Add("STAJ", ftString, 3, false);
    t.CreateTable();
    t.Open();
    for (const auto& r : rows) {
        t.Append();
        t.FieldByName("TABNOM")->SetAsString(r.first);
        t.FieldByName("STAJ")->SetAsString(r.second);
        t.Post();
    }
    t.Close();
}

QStringList readAll(TDbfTable& t, const QString& field) {
    QStringList out;
    t.First();
    while (!t.Eof()) {
        out << t.FieldByName(field)->GetAsString();
        t.Next();
    }
    return out;
}

} // namespace

TEST(DbfTable, SeniorityTableThroughTheDataset) {
    QTemporaryDir dir;
    TDbfTable t(nullptr);
    t.SetFilePath(dir.path());
    writeSeniority(t, {});
    QByteArray empty = ReadAll(dir.filePath("staj.dbf"));
    ASSERT_EQ(empty.size(), 98);
    EXPECT_EQ(empty[0], 0x03);
    EXPECT_EQ(GetU16LE(empty.constData() + 8), 97);
    EXPECT_EQ(GetU16LE(empty.constData() + 10), 9);
    EXPECT_EQ(empty.mid(32, 11), QByteArray("TABNOM\0\0\0\0\0", 11));
    EXPECT_EQ(empty[97], 0x1A);

    writeSeniority(t, {{"00012", "123"}, {"7", "5"}, {"12345", "0"}});
    QByteArray b = ReadAll(dir.filePath("staj.dbf"));
    ASSERT_EQ(b.size(), 97 + 3 * 9 + 1);
    EXPECT_EQ(GetU32LE(b.constData() + 4), 3u);
    EXPECT_EQ(b.mid(97, 27), QByteArray(" 00012123 7    5   123450  "));
    EXPECT_EQ(b.back(), 0x1A);

    QString out = RunPython(R"(
import sys
from dbfread import DBF
for r in DBF(sys.argv[1], encoding='cp866'):
    print(r['TABNOM'] + '|' + r['STAJ'])
)",
                            {dir.filePath("staj.dbf")});
    EXPECT_EQ(out, "00012|123\n7|5\n12345|0\n");

    t.Open();
    EXPECT_EQ(t.GetRecordCount(), 3);
    EXPECT_EQ(readAll(t, "TABNOM"), QStringList({"00012", "7", "12345"}));
    EXPECT_EQ(t.GetVersion(), "6.14");
    t.SetVersion("1.0");
    EXPECT_EQ(t.GetVersion(), "6.14");
}

TEST(DbfTable, EmptyFilePathMeansTheProgramDirectory) {
    QString path = ProgramDirectory() + "staj.dbf";
    WriteAll(path, "not a table at all");
    {
        TDbfTable t(nullptr);
        writeSeniority(t, {{"1", "2"}});
        EXPECT_EQ(t.GetAbsolutePath(), ProgramDirectory());
    }
    QByteArray b = ReadAll(path);
    DeleteFile(path);
    ASSERT_EQ(b.size(), 107);
    EXPECT_EQ(b.mid(97, 9), QByteArray(" 1    2  "));

    TDbfTable t(nullptr);
    t.SetTableName("/tmp/sub/x.dbf");
    EXPECT_EQ(t.GetTableName(), "x.dbf");
    EXPECT_EQ(t.GetFilePath(), "/tmp/sub/");
}

TEST(DbfTable, BrowseEditDeleteAndShowDeleted) {
    QTemporaryDir dir;
    TDbfTable t(nullptr);
    t.SetFilePath(dir.path());
    writeSeniority(t, {{"1", "10"}, {"2", "20"}, {"3", "30"}});
    t.Open();
    t.First();
    t.Next();
    EXPECT_EQ(t.RecNo(), 2);
    t.Edit();
    t.FieldByName("STAJ")->SetAsString("22");
    t.Post();
    EXPECT_EQ(t.FieldByName("STAJ")->GetAsString(), "22");
    t.Delete();
    EXPECT_EQ(readAll(t, "TABNOM"), QStringList({"1", "3"}));
    t.SetShowDeleted(true);
    EXPECT_EQ(readAll(t, "TABNOM"), QStringList({"1", "2", "3"}));
    t.Close();

    QByteArray b = ReadAll(dir.filePath("staj.dbf"));
    ASSERT_EQ(b.size(), 97 + 27 + 1);
    EXPECT_EQ(b.mid(106, 9), QByteArray("*2    22 ")) << "deleted in place, not removed";
    EXPECT_EQ(GetU32LE(b.constData() + 4), 3u);

    // a cancelled edit writes nothing and frees the record
    t.SetShowDeleted(false);
    t.Open();
    t.Edit();
    t.FieldByName("STAJ")->SetAsString("99");
    t.Cancel();
    EXPECT_EQ(t.FieldByName("STAJ")->GetAsString(), "10");
    t.Close();
    EXPECT_EQ(ReadAll(dir.filePath("staj.dbf")), b);
}

TEST(DbfTable, MissingTableAndAutoCreate) {
    QTemporaryDir dir;
    TDbfTable t(nullptr);
    t.SetFilePath(dir.path());
    t.SetTableName("none.dbf");
    try {
        t.Open();
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "Open: file not found: \"" + dir.filePath("none.dbf") + "\".");
    }
    t.GetFieldDefs()->Add("A", ftString, 4);
    t.SetOpenMode(omAutoCreate);
    t.Open();
    EXPECT_TRUE(t.GetActive());
    EXPECT_TRUE(FileExists(dir.filePath("none.dbf")));
    t.Close();

    // an empty file is abandoned silently
    WriteAll(dir.filePath("empty.dbf"), {});
    TDbfTable e(nullptr);
    e.SetFilePath(dir.path());
    e.SetTableName("empty.dbf");
    EXPECT_THROW(e.Open(), EAbort);
    EXPECT_FALSE(e.GetActive());
}

TEST(DbfTable, EveryFieldTypeAtEachLevelReadsBack) {
    for (int level : {3, 4, 7}) {
        QTemporaryDir dir;
        TDbfTable t(nullptr);
        t.SetFilePath(dir.path());
        t.SetTableName("types.dbf");
        t.SetTableLevel(level);
        TFieldDefs* d = t.GetFieldDefs();
        d->Add("NAME", ftString, 12);
        d->Add("SMALL", ftSmallint);
        d->Add("INT", ftInteger);
        d->Add("AMOUNT", ftFloat);
        d->Add("OK", ftBoolean);
        d->Add("BORN", ftDate);
        d->Add("NOTE", ftMemo);
        if (level == 7) {
            d->Add("ID", ftAutoInc);
            d->Add("STAMP", ftDateTime);
            d->Add("DATA", ftBlob);
        }
        t.CreateTable();
        t.Open();
        TDateTime stamp = EncodeDateTime(2026, 12, 9, 21, 30, 15, 0);
        for (int i = 1; i <= 3; ++i) {
            t.Append();
            t.FieldByName("NAME")->SetAsString(QString("Запис %1").arg(i));
            t.FieldByName("SMALL")->SetAsInteger(-i);
            t.FieldByName("INT")->SetAsInteger(100000 * i);
            t.FieldByName("AMOUNT")->SetAsFloat(i * 1.25);
            t.FieldByName("OK")->SetAsBoolean(i % 2);
            t.FieldByName("BORN")->SetAsDateTime(EncodeDate(1990 + i, i, 10 + i));
            t.FieldByName("NOTE")->SetAsString(i == 2 ? QString() : QString("нотатка %1").arg(i));
            if (level == 7) {
                t.FieldByName("STAMP")->SetAsDateTime(stamp + i);
                static_cast<TBlobField*>(t.FieldByName("DATA"))
                    ->SetAsBytes(QByteArray("\x00\x1A\x1A\xFF", 4).repeated(i * 50));
            }
            t.Post();
        }
        t.Close();
        t.Open();
        EXPECT_EQ(t.GetTableLevel(), level) << "0x8B is level IV whatever byte 29 says";
        int i = 0;
        t.First();
        while (!t.Eof()) {
            ++i;
            EXPECT_EQ(t.FieldByName("NAME")->GetAsString(), QString("Запис %1").arg(i));
            EXPECT_EQ(t.FieldByName("SMALL")->GetAsInteger(), -i);
            EXPECT_EQ(t.FieldByName("INT")->GetAsInteger(), 100000 * i);
            EXPECT_DOUBLE_EQ(t.FieldByName("AMOUNT")->GetAsFloat(), i * 1.25);
            EXPECT_EQ(t.FieldByName("OK")->GetAsBoolean(), bool(i % 2));
            EXPECT_EQ(t.FieldByName("BORN")->GetAsDateTime(), EncodeDate(1990 + i, i, 10 + i));
            EXPECT_EQ(t.FieldByName("NOTE")->GetAsString(),
                      i == 2 ? QString() : QString("нотатка %1").arg(i));
            EXPECT_EQ(t.FieldByName("NOTE")->IsNull(), i == 2);
            if (level == 7) {
                EXPECT_EQ(t.FieldByName("ID")->GetAsInteger(), i);
                EXPECT_NEAR(t.FieldByName("STAMP")->GetAsDateTime(), stamp + i, 1e-8);
                EXPECT_EQ(static_cast<TBlobField*>(t.FieldByName("DATA"))->GetAsBytes(),
                          QByteArray("\x00\x1A\x1A\xFF", 4).repeated(i * 50))
                    << "binary bytes pass untouched";
            }
            t.Next();
        }
        EXPECT_EQ(i, 3) << "level " << level;
        // editing a memo with a longer value moves it; the others keep theirs
        t.First();
        t.Edit();
        t.FieldByName("NOTE")->SetAsString(QString(800, u'ж'));
        t.Post();
        t.Close();
        t.Open();
        EXPECT_EQ(t.FieldByName("NOTE")->GetAsString(), QString(800, u'ж'));
        t.Next();
        t.Next();
        EXPECT_EQ(t.FieldByName("NOTE")->GetAsString(), "нотатка 3");
    }
}

TEST(DbfTable, TypesNotAllowedBelowLevelSevenAreRefused) {
    QTemporaryDir dir;
    TDbfTable t(nullptr);
    t.SetFilePath(dir.path());
    t.SetTableName("bad.dbf");
    t.GetFieldDefs()->Add("STAMP", ftDateTime);
    try {
        t.CreateTable();
        ADD_FAILURE();
    } catch (const EDbfError& e) {
        EXPECT_EQ(e.Message, "Invalid field type '@' for field 'STAMP'.");
    }
}

// Plain ASCII text skips the code-page tables; whatever path a value takes, the stored bytes
// are those of the whole value converted and then cut to the field.
TEST(DbfTable, StoredTextIsTheConvertedValueCutToTheField) {
    struct Case {
        QString value;
        QByteArray stored; // the five bytes of TABNOM
        QString readBack;
    };
    const QList<Case> cases = {
        {"12", "12   ", "12"},
        {"1234567", "12345", "12345"},
        {u"abcdeЄ"_qs, "abcde", "abcde"}, // the letter past the field is dropped
        {u"abЄ"_qs, "ab" + ToCodePage("Є", 866) + "  ", u"abЄ"_qs},
        {QString::fromUtf16(u"ab\0cd", 5), "ab   ", "ab"}, // the text ends at a zero
        {"", "     ", ""},
    };
    QTemporaryDir dir;
    TDbfTable t(nullptr);
    t.SetFilePath(dir.path());
    writeSeniority(t, {});
    t.Open();
    ASSERT_EQ(t.GetTranslationMode(), tmOem);
    for (const Case& c : cases) {
        t.Append();
        t.FieldByName("TABNOM")->SetAsString(c.value);
        t.Post();
        EXPECT_EQ(t.FieldByName("TABNOM")->GetAsString(), c.readBack) << c.value;
    }
    // a translation handler is asked even for plain ASCII
    int asked = 0;
    t.OnTranslate = [&](TDbfTable*, const char* src, char* dest, bool) {
        ++asked;
        int n = int(strlen(src));
        for (int i = 0; i < n; ++i)
            dest[i] = src[i] == '1' ? '7' : src[i];
        dest[n] = 0;
        return n;
    };
    t.Append();
    t.FieldByName("TABNOM")->SetAsString("111");
    t.Post();
    EXPECT_EQ(t.FieldByName("TABNOM")->GetAsString(), "777");
    EXPECT_EQ(asked, 2); // written, read back
    t.OnTranslate = nullptr;
    t.Close();
    QByteArray b = ReadAll(dir.filePath("staj.dbf"));
    for (int i = 0; i < cases.size(); ++i)
        EXPECT_EQ(b.mid(98 + 9 * i, 5), cases[i].stored) << cases[i].value;
    EXPECT_EQ(b.mid(98 + 9 * cases.size(), 5), "777  ");
}

TEST(DbfTable, TextGoesThroughTheTablesCodePage) {
    QTemporaryDir dir;
    TDbfTable t(nullptr);
    t.SetFilePath(dir.path());
    writeSeniority(t, {});
    t.Open();
    // language driver 0: the OEM code page
    EXPECT_EQ(t.GetTranslationMode(), tmOem);
    t.Append();
    t.FieldByName("TABNOM")->SetAsString("ЄїІґ");
    t.Post();
    EXPECT_EQ(t.FieldByName("TABNOM")->GetAsString(), "ЄїIг");
    t.Close();
    QByteArray b = ReadAll(dir.filePath("staj.dbf"));
    EXPECT_EQ(b.mid(98, 4), ToCodePage("ЄїIг", 866));

    // a language driver whose code page is not installed: read-only unless the handler decides
    b[29] = 0x13; // code page 932
    WriteAll(dir.filePath("staj.dbf"), b);
    std::vector<int> saved = DbfGlobals()->CodePages;
    std::erase(DbfGlobals()->CodePages, 932);
    t.Open();
    EXPECT_EQ(t.GetTranslationMode(), tmReadOnly);
    EXPECT_FALSE(t.CanModify());
    t.Close();
    t.OnLanguageWarning = [](TDbfTable*, TDbfLanguageAction& a) { a = laForceANSI; };
    t.Open();
    EXPECT_EQ(t.GetTranslationMode(), tmNone);
    EXPECT_TRUE(t.CanModify());
    t.Close();
    DbfGlobals()->CodePages = saved;
}

TEST(DbfTable, LevelSevenFieldPropertiesGiveRequiredAndDefaults) {
    QTemporaryDir dir;
    {
        TDbfTable t(nullptr);
        t.SetFilePath(dir.path());
        t.SetTableName("props.dbf");
        t.SetTableLevel(7);
        t.GetFieldDefs()->Add("NAME", ftString, 10);
        t.GetFieldDefs()->Add("QTY", ftSmallint);
        t.CreateTable();
    }
    QString path = dir.filePath("props.dbf");
    QByteArray b = ReadAll(path);
    int hs = GetU16LE(b.constData() + 8);
    ASSERT_EQ(hs, 68 + 2 * 48 + 1);
    QByteArray block(16 + 2 * 15 + 4, '\0');
    PutU16LE(block.data(), 2);
    PutU16LE(block.data() + 2, 16);
    char* e1 = block.data() + 16;
    PutU16LE(e1 + 2, 1);
    e1[4] = 1; // NAME is required
    char* e2 = block.data() + 31;
    PutU16LE(e2 + 2, 2);
    e2[4] = 4; // QTY has a default
    PutU16LE(e2 + 11, 46);
    PutU16LE(e2 + 13, 4);
    memcpy(block.data() + 46, "  42", 4);
    QByteArray patched = b.left(hs) + block + b.mid(hs);
    PutU16LE(patched.data() + 8, uint16_t(hs + block.size()));
    WriteAll(path, patched);

    TDbfTable t(nullptr);
    t.SetFilePath(dir.path());
    t.SetTableName("props.dbf");
    t.Open();
    EXPECT_TRUE(t.GetFieldDefs()->Find("NAME")->GetRequired());
    EXPECT_FALSE(t.GetFieldDefs()->Find("QTY")->GetRequired());
    t.Append();
    EXPECT_EQ(t.FieldByName("QTY")->GetAsInteger(), 42) << "a new record takes the default";
    t.FieldByName("NAME")->SetAsString("x");
    t.Post();
    EXPECT_EQ(t.GetDbfFile()->GetRecordCount(), 1);
}

TEST(DbfTable, ARefusedMemoChangeReachesTheCallerAndKeepsTheFormerValue) {
    QTemporaryDir dir;
    TDbfTable t(nullptr);
    t.SetFilePath(dir.path());
    t.SetTableName("notes.dbf");
    t.GetFieldDefs()->Add("TAB", ftString, 5);
    t.GetFieldDefs()->Add("NOTE", ftMemo);
    t.CreateTable();
    t.Open();
    t.AppendRecord({"00001", "Стара нотатка"});
    const QString memoPath = dir.filePath("notes.dbt");
    ASSERT_TRUE(QFile::exists(memoPath));
    // A full disk: the new value needs blocks at the end of the memo file.
    std::unique_ptr<TFullDisk> full;
    auto failWrites = [&](bool Fail) {
        if (Fail)
            full = std::make_unique<TFullDisk>(memoPath);
        else
            full.reset();
    };
    TBlobChangeFixture f{&t, t.FieldByName("NOTE"), QStringLiteral("Стара нотатка"), failWrites,
                         [&t] {
                             t.Refresh();
                             return t.FieldByName("NOTE")->GetAsString();
                         }};
    CheckRefusedBlobChanges(f);
    t.Close();
    t.Open();
    EXPECT_EQ(t.FieldByName("NOTE")->GetAsString(), QStringLiteral("Прийнята нотатка"));
}
