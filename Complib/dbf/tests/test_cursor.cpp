// The record-order cursor, the lock field and a table kept in memory.
#include "DbfTestSupport.h"
#include "Dbf.h"
#include "Dbf_Cursor.h"
#include "Dbf_Lang.h"

namespace {
void addRecord(TDbfFile& f, const char* text) {
    QByteArray rec(f.RecordSize(), ' ');
    f.InitRecord(rec.data());
    QByteArray v(text);
    f.SetFieldData(0, ftString, &v, rec.data());
    f.InsertRecord(rec.data());
}

void createTable(TDbfFile& f) {
    f.Open();
    TDbfFieldDefs defs;
    defs.Add("A", ftString, 4);
    f.FinishCreate(defs, ".dbt", 512);
}
} // namespace

TEST(DbfCursor, RecordOrderAtTheEndsAndWhileTheTableGrows) {
    QTemporaryDir dir;
    QString path = dir.filePath("c.dbf");
    {
        TDbfFile f(path);
        f.SetMode(pfExclusiveCreate);
        createTable(f);
    }
    TDbfFile reader(path), writer(path);
    reader.SetMode(pfReadWriteOpen);
    writer.SetMode(pfReadWriteOpen);
    reader.Open();
    writer.Open();
    TDbfCursor c(&reader);
    c.Last();
    EXPECT_EQ(c.GetPhysicalRecNo(), 0) << "an empty table: Last leaves 0";
    EXPECT_FALSE(c.Next());
    addRecord(writer, "one");
    addRecord(writer, "two");
    c.First();
    EXPECT_TRUE(c.Next());
    EXPECT_TRUE(c.Next());
    EXPECT_FALSE(c.Next());
    EXPECT_EQ(c.GetPhysicalRecNo(), 3) << "one after the last record";
    EXPECT_FALSE(c.Next());
    EXPECT_EQ(c.GetPhysicalRecNo(), 3);
    EXPECT_TRUE(c.Prev());
    EXPECT_EQ(c.GetPhysicalRecNo(), 2);
    addRecord(writer, "new"); // another appender: the count follows the file
    EXPECT_TRUE(c.Next());
    EXPECT_EQ(c.GetPhysicalRecNo(), 3);
    EXPECT_EQ(c.GetSequentialRecordCount(), 3);
    c.First();
    EXPECT_FALSE(c.Prev());
    EXPECT_EQ(c.GetPhysicalRecNo(), 0);
}

TEST(DbfCursor, TheLockFieldIsStampedOnEdit) {
    QTemporaryDir dir;
    TDbfTable t(nullptr);
    t.SetFilePath(dir.path());
    t.SetTableName("lock.dbf");
    t.GetFieldDefs()->Add("NAME", ftString, 4);
    t.GetFieldDefs()->Add("_DBASELOCK", ftString, 16);
    t.CreateTable();
    t.Open();
    EXPECT_TRUE(t.GetFieldDefs()->Find("_DBASELOCK")->GetAttributes().Contains(faHiddenCol));
    t.Append();
    t.FieldByName("NAME")->SetAsString("a");
    t.Post();
    t.Edit();
    t.FieldByName("NAME")->SetAsString("b");
    t.Post();
    t.Close();
    QByteArray b = ReadAll(dir.filePath("lock.dbf"));
    QByteArray lock = b.mid(GetU16LE(b.constData() + 8) + 1 + 4, 16);
    EXPECT_EQ(GetU16LE(lock.constData()), 2) << "stamped at append and at edit";
    QByteArray host = DbfGlobals()->ComputerName().toLatin1().left(8);
    EXPECT_EQ(lock.mid(8, host.size()), host);
}

TEST(DbfCursor, ATableInMemoryKeepsNoFile) {
    QTemporaryDir dir;
    QString path = dir.filePath("mem.dbf");
    TDbfFile f(path);
    f.SetMode(pfMemory);
    createTable(f);
    addRecord(f, "abc");
    addRecord(f, "def");
    EXPECT_EQ(f.GetRecordCount(), 2);
    QByteArray rec(f.RecordSize(), ' ');
    ASSERT_EQ(f.ReadRecord(2, rec.data()), f.RecordSize());
    EXPECT_EQ(rec, QByteArray(" def "));
    f.Close();
    EXPECT_FALSE(FileExists(path));
}
