// Tables written by the engine read by independent readers (python3-dbfread, Perl XBase),
// and a table written by Perl XBase read by the engine.
#include "CodePages.h"
#include "DbfTestSupport.h"
#include "Dbf_DbfFile.h"

#include "Dates.h"

namespace {

struct Row {
    QString name;
    double salary; // N(8,2)
    int count;     // N(5,0) through integer
    bool active;
    TDateTime hired; // 0 = null
    QString note;    // memo, empty = none
};

const Row kRows[] = {
    {"Іваненко Ґанна", 1234.5, 12, true, 45000, "перша\r\nнотатка"},
    {"Smith", -0.25, -7, false, 0, ""},
    {"Їжак Єва", 0, 0, true, 36526, QString(700, 'm')},
};

void writeTable(const QString& path, TXBaseVersion level) {
    TDbfFile f(path);
    f.SetMode(pfExclusiveCreate);
    f.SetDbfVersion(level);
    f.Open();
    TDbfFieldDefs defs;
    defs.DbfVersion = level;
    defs.Add("NAME", ftString, 20);
    defs.Add("SALARY", ftFloat, 8, 2);
    defs.Add("CNT", ftInteger, 5);
    defs.Add("ACTIVE", ftBoolean);
    defs.Add("HIRED", ftDate);
    defs.Add("NOTE", ftMemo);
    f.FinishCreate(defs, ".dbt", 512);
    for (const Row& r : kRows) {
        QByteArray rec(f.RecordSize(), ' ');
        f.InitRecord(rec.data());
        QByteArray name = ToCodePage(r.name, 1251);
        f.SetFieldData(0, ftString, &name, rec.data());
        f.SetFieldData(1, ftFloat, &r.salary, rec.data());
        int32_t cnt = r.count;
        f.SetFieldData(2, ftInteger, &cnt, rec.data());
        f.SetFieldData(3, ftBoolean, &r.active, rec.data());
        f.SetFieldData(4, ftDate, r.hired ? &r.hired : nullptr, rec.data());
        int block = 0;
        f.MemoFile()->WriteMemo(block, 0, ToCodePage(r.note, 1251));
        int32_t b = block;
        f.SetFieldData(5, ftInteger, block ? &b : nullptr, rec.data());
        f.InsertRecord(rec.data());
    }
}

QString expectedDump() {
    QString out;
    for (const Row& r : kRows) {
        int y = 0, m = 0, d = 0;
        if (r.hired) DecodeDate(r.hired, y, m, d);
        out += QString("%1|%2|%3|%4|%5|%6\n")
                   .arg(r.name)
                   .arg(QString::number(r.salary, 'f', 2))
                   .arg(r.count)
                   .arg(r.active ? "T" : "F")
                   .arg(r.hired ? QString::asprintf("%04d-%02d-%02d", y, m, d) : "None")
                   .arg(r.note.isEmpty() ? QString("None") : QString(r.note).replace("\r\n", "~"));
    }
    return out;
}

const char* kPythonDump = R"(
import sys
from dbfread import DBF
t = DBF(sys.argv[1], encoding='cp1251', char_decode_errors='strict')
for r in t:
    def f(v):
        if v is None: return 'None'
        if isinstance(v, bool): return 'T' if v else 'F'
        if isinstance(v, float): return '%.2f' % v
        return str(v)
    note = r['NOTE']
    # dbfread takes the dBase IV memo length as the data length (it counts the 8 header
    # bytes too), so it hands back up to 8 padding spaces: strip them
    note = 'None' if not note else note.rstrip(' ').replace('\r\n', '~')
    print('|'.join([r['NAME'], '%.2f' % r['SALARY'], f(r['CNT']), f(r['ACTIVE']), f(r['HIRED']), note]))
)";

const char* kPerlDump = R"(
use XBase;
my $t = XBase->new($ARGV[0]) or die XBase->errstr;
for my $i (0 .. $t->last_record) {
    my ($del, @f) = $t->get_record($i);
    print join('|', map { my $v = defined $_ ? $_ : ''; $v =~ s/\r\n/~/g; $v } @f), "\n";
}
)";

} // namespace

TEST(DbfCrossRead, DbfreadReadsLevelsIIIAndIVWithMemos) {
    for (TXBaseVersion level : {xBaseIII, xBaseIV}) {
        QTemporaryDir dir;
        QString path = dir.filePath("cross.dbf");
        writeTable(path, level);
        QString out = RunPython(kPythonDump, {path});
        EXPECT_EQ(out.toStdString(), expectedDump().toStdString()) << "level " << level;
    }
}

TEST(DbfCrossRead, PerlXBaseReadsTheSameRows) {
    for (TXBaseVersion level : {xBaseIII, xBaseIV}) {
        QTemporaryDir dir;
        QString path = dir.filePath("cross.dbf");
        writeTable(path, level);
        QString dump = RunPerl(kPerlDump, {path});
        QStringList lines = dump.split('\n', Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 3) << dump.toStdString();
        // Perl hands back the raw bytes; compare through the code page
        QStringList first = lines[0].split('|');
        ASSERT_EQ(first.size(), 6);
        EXPECT_EQ(first[2].trimmed().toInt(), 12);
        EXPECT_EQ(first[3], "1");
        EXPECT_EQ(first[4], "20230315");
        QStringList second = lines[1].split('|');
        EXPECT_EQ(second[0], "Smith");
        EXPECT_DOUBLE_EQ(second[1].toDouble(), -0.25);
        EXPECT_EQ(second[2].toInt(), -7);
        EXPECT_EQ(second[3], "0");
        EXPECT_EQ(lines[2].split('|')[5], QString(700, 'm'));
    }
}

TEST(DbfCrossRead, EngineReadsATableWrittenByPerlXBase) {
    QTemporaryDir dir;
    QString path = dir.filePath("perl.dbf");
    const char* script = R"(
use XBase;
my $t = XBase->create(name => $ARGV[0], version => 0x0B,
    field_names => ['ID', 'NAME', 'BORN', 'OK', 'MEMO', 'AMOUNT'],
    field_types => ['N', 'C', 'D', 'L', 'M', 'N'],
    field_lengths => [5, 12, 8, 1, 10, 9],
    field_decimals => [0, 0, 0, 0, 0, 3]) or die XBase->errstr;
$t->set_record(0, 1, 'first', '19991231', 1, 'memo text one', 12.5) or die $t->errstr;
$t->set_record(1, 2, 'second', '20240229', 0, 'x' x 1000, -3.125) or die $t->errstr;
$t->close;
)";
    RunPerl(script, {path});
    TDbfFile f(path);
    f.SetMode(pfReadOnly);
    f.Open();
    ASSERT_EQ(f.DbfVersion(), xBaseIV);
    ASSERT_EQ(f.GetRecordCount(), 2);
    ASSERT_NE(f.MemoFile(), nullptr);
    QByteArray rec(f.RecordSize(), ' ');
    struct Expect {
        int id;
        const char* name;
        TDateTime born;
        bool ok;
        QByteArray memo;
        double amount;
    };
    const Expect expect[] = {
        {1, "first", EncodeDate(1999, 12, 31), true, "memo text one", 12.5},
        {2, "second", EncodeDate(2024, 2, 29), false, QByteArray(1000, 'x'), -3.125}};
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(f.ReadRecord(i + 1, rec.data()), f.RecordSize());
        int32_t id = 0;
        ASSERT_TRUE(f.GetFieldData(0, ftInteger, &id, rec.constData()));
        EXPECT_EQ(id, expect[i].id);
        QByteArray name;
        ASSERT_TRUE(f.GetFieldData(1, ftString, &name, rec.constData()));
        EXPECT_EQ(name, QByteArray(expect[i].name));
        double born = 0;
        ASSERT_TRUE(f.GetFieldData(2, ftDate, &born, rec.constData()));
        EXPECT_EQ(born, expect[i].born);
        bool ok = !expect[i].ok;
        ASSERT_TRUE(f.GetFieldData(3, ftBoolean, &ok, rec.constData()));
        EXPECT_EQ(ok, expect[i].ok);
        int32_t block = 0;
        ASSERT_TRUE(f.GetFieldData(4, ftInteger, &block, rec.constData()));
        EXPECT_EQ(f.MemoFile()->ReadMemo(block), expect[i].memo);
        double amount = 0;
        ASSERT_TRUE(f.GetFieldData(5, ftFloat, &amount, rec.constData()));
        EXPECT_DOUBLE_EQ(amount, expect[i].amount);
    }
}
