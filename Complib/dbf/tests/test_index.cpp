// Index files: keys in order through inserts, edits and page splits, unique, primary and
// descending tags, numeric keys, regeneration, damaged pages and the key-order cursor.
#include "DbfTestSupport.h"
#include "Dbf.h"
#include "Dbf_IdxCur.h"
#include "MemDS.h"

#include <QRandomGenerator>
#include <algorithm>
#include <map>

namespace {

std::unique_ptr<TDbfTable> makeTable(const QString& dir, std::initializer_list<const char*> tags,
                                     TIndexOptions options = {}) {
    auto t = std::make_unique<TDbfTable>(nullptr);
    t->SetFilePath(dir);
    t->SetTableName("idx.dbf");
    t->GetFieldDefs()->Add("NAME", ftString, 8);
    t->GetFieldDefs()->Add("NUM", ftFloat, 12)->SetPrecision(3);
    for (const char* expr : tags) {
        TDbfIndexDef* d = t->GetIndexes()->Add();
        d->SetIndexFile(QString(expr).left(10).remove('(').remove(')'));
        d->SetSortField(expr);
        d->SetOptions(options);
    }
    t->CreateTable();
    t->Open();
    return t;
}

void append(TDbfTable& t, const QString& name, double num) {
    t.Append();
    t.FieldByName("NAME")->SetAsString(name);
    t.FieldByName("NUM")->SetAsFloat(num);
    t.Post();
}

// Keys of a tag as text, in tag order, with their record numbers.
std::vector<std::pair<QString, int>> entries(TIndexFile* f, int slot) {
    std::vector<std::pair<QString, int>> out;
    for (const auto& [k, r] : f->AllEntries(slot))
        out.emplace_back(QString::fromLatin1(k), r);
    return out;
}

} // namespace

TEST(DbfIndex, KeysStayInOrderThroughInsertsEditsAndSplits) {
    QTemporaryDir dir;
    auto t = makeTable(dir.path(), {"NAME"});
    TIndexFile* mdx = t->GetDbfFile()->MdxFile();
    ASSERT_NE(mdx, nullptr);
    QRandomGenerator rnd(42);
    std::map<int, QString> expected; // record -> key
    const int n = 3000;
    for (int i = 1; i <= n; ++i) {
        QString key = QString::number(rnd.bounded(100000)).rightJustified(6, '0');
        append(*t, key, i);
        expected[i] = key;
    }
    // edits move keys: every third record gets a new one
    t->First();
    int rec = 0;
    while (!t->Eof()) {
        ++rec;
        if (rec % 3 == 0) {
            QString key = "X" + QString::number(rnd.bounded(1000)).rightJustified(4, '0');
            t->Edit();
            t->FieldByName("NAME")->SetAsString(key);
            t->Post();
            expected[rec] = key;
        }
        t->Next();
    }
    auto got = entries(mdx, 0);
    ASSERT_EQ(int(got.size()), n);
    EXPECT_TRUE(std::is_sorted(got.begin(), got.end(),
                               [](const auto& a, const auto& b) { return a.first < b.first; }));
    std::map<int, QString> seen;
    for (const auto& [k, r] : got)
        seen[r] = k.trimmed();
    EXPECT_EQ(seen, expected);

    // a regenerated tag holds the same keys
    t->Close();
    t->Open();
    mdx = t->GetDbfFile()->MdxFile();
    t->GetDbfFile()->RegenerateIndex(mdx, "NAME");
    auto regenerated = entries(mdx, 0);
    auto sortedKeys = [](std::vector<std::pair<QString, int>> v) {
        std::sort(v.begin(), v.end());
        return v;
    };
    EXPECT_EQ(sortedKeys(regenerated), sortedKeys(got));

    // the dataset walks in key order
    t->SetIndexName("NAME");
    QStringList walked;
    t->First();
    while (!t->Eof()) {
        walked << t->FieldByName("NAME")->GetAsString();
        t->Next();
    }
    ASSERT_EQ(walked.size(), n);
    EXPECT_TRUE(std::is_sorted(walked.begin(), walked.end()));
    t->Last();
    EXPECT_EQ(t->FieldByName("NAME")->GetAsString(), walked.back());
    t->Prior();
    EXPECT_EQ(t->FieldByName("NAME")->GetAsString(), walked[n - 2]);
}

TEST(DbfIndex, UniqueAndPrimaryTagsRefuseDuplicates) {
    for (TIndexOption option : {ixUnique, ixPrimary}) {
        QTemporaryDir dir;
        auto t = makeTable(dir.path(), {"NAME"}, {option});
        append(*t, "A", 1);
        append(*t, "B", 2);
        t->Append();
        t->FieldByName("NAME")->SetAsString("A");
        try {
            t->Post();
            ADD_FAILURE() << "duplicate accepted";
        } catch (const EDbfError& e) {
            EXPECT_EQ(e.Message, "Key violation. (Key already present in file).\r\n"
                                 "Index: NAME\r\nRecord=3 Key='A'.");
        }
        EXPECT_EQ(t->GetState(), dsInsert) << "the dataset stays in insert state";
        t->Cancel();
        EXPECT_EQ(t->GetDbfFile()->GetRecordCount(), 2) << "the record was not appended";

        // an edit to a present key is refused and leaves the tag as it was
        t->SetIndexName("NAME");
        t->Last();
        t->Edit();
        t->FieldByName("NAME")->SetAsString("A");
        EXPECT_THROW(t->Post(), EDbfError);
        EXPECT_EQ(t->GetState(), dsEdit);
        t->Cancel();
        auto got = entries(t->GetDbfFile()->MdxFile(), 0);
        ASSERT_EQ(got.size(), 2u);
        EXPECT_EQ(got[0].first.trimmed(), "A");
        EXPECT_EQ(got[1].first.trimmed(), "B");
        EXPECT_EQ(got[1].second, 2);

        // deleting a record takes its key out of a primary tag only
        t->First();
        t->Delete();
        EXPECT_EQ(entries(t->GetDbfFile()->MdxFile(), 0).size(), option == ixPrimary ? 1u : 2u);
    }
}

TEST(DbfIndex, DescendingAndNumericTags) {
    QTemporaryDir dir;
    auto t = makeTable(dir.path(), {"NUM"});
    const double values[] = {5, -3.25, 0, 0.05, 0.5, 1234567.125, -1000, 12, 0.001, -0.5, 99999};
    for (double v : values)
        append(*t, "x", v);
    t->SetIndexName("NUM");
    std::vector<double> walked;
    t->First();
    while (!t->Eof()) {
        walked.push_back(t->FieldByName("NUM")->GetAsFloat());
        t->Next();
    }
    std::vector<double> sorted(std::begin(values), std::end(values));
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(walked, sorted);
    TIndexFile* mdx = t->GetDbfFile()->MdxFile();
    EXPECT_EQ(mdx->TagKeyLength(0), 12);

    QTemporaryDir dir2;
    auto d = makeTable(dir2.path(), {"NAME"}, {ixDescending});
    for (const char* s : {"b", "d", "a", "c"})
        append(*d, s, 0);
    d->SetIndexName("NAME");
    QStringList names;
    d->First();
    while (!d->Eof()) {
        names << d->FieldByName("NAME")->GetAsString();
        d->Next();
    }
    EXPECT_EQ(names, QStringList({"d", "c", "b", "a"}));
}

TEST(DbfIndex, LocateAndRangesThroughTheIndex) {
    QTemporaryDir dir;
    auto t = makeTable(dir.path(), {"NAME"});
    for (const char* s : {"ivanov", "petrov", "ivanenko", "sydor", "petrenko", "ivan"})
        append(*t, s, 0);
    t->SetIndexName("NAME");
    EXPECT_TRUE(t->Locate("NAME", "petrov", {}));
    EXPECT_EQ(t->FieldByName("NAME")->GetAsString(), "petrov");
    EXPECT_FALSE(t->Locate("NAME", "petr", {}));
    EXPECT_EQ(t->FieldByName("NAME")->GetAsString(), "petrov") << "stays put";
    EXPECT_TRUE(t->Locate("NAME", "petr", {loPartialKey}));
    EXPECT_EQ(t->FieldByName("NAME")->GetAsString(), "petrenko");
    EXPECT_TRUE(t->Locate("NAME", "SYD", {loPartialKey, loCaseInsensitive}));
    EXPECT_EQ(t->FieldByName("NAME")->GetAsString(), "sydor");

    t->SetRange("ivan", "ivanov");
    QStringList names;
    t->First();
    while (!t->Eof()) {
        names << t->FieldByName("NAME")->GetAsString();
        t->Next();
    }
    EXPECT_EQ(names, QStringList({"ivan", "ivanenko", "ivanov"}));
    t->Last();
    EXPECT_EQ(t->FieldByName("NAME")->GetAsString(), "ivanov");
    t->CancelRange();
    t->Last();
    EXPECT_EQ(t->FieldByName("NAME")->GetAsString(), "sydor");
}

TEST(DbfIndex, SingleKeyFileAndTooManyTags) {
    QTemporaryDir dir;
    auto t = makeTable(dir.path(), {});
    for (int i = 0; i < 500; ++i)
        append(*t, QString::number(499 - i).rightJustified(4, '0'), i);
    TDbfFile* f = t->GetDbfFile();
    t->Close();
    t->SetExclusive(true);
    t->Open();
    f = t->GetDbfFile();
    TIndexFile* ndx = f->OpenIndex("name.ndx", "NAME", {}, true);
    ASSERT_NE(ndx, nullptr);
    EXPECT_FALSE(ndx->IsMdx());
    auto got = entries(ndx, 0);
    ASSERT_EQ(got.size(), 500u);
    EXPECT_EQ(got.front().first, "0000    ");
    EXPECT_EQ(got.front().second, 500);
    EXPECT_TRUE(std::is_sorted(got.begin(), got.end()));
    QByteArray raw = ReadAll(dir.filePath("name.ndx"));
    t->Close();
    raw = ReadAll(dir.filePath("name.ndx"));
    EXPECT_EQ(GetU16LE(raw.constData() + 10), 0x5800);
    EXPECT_EQ(GetU16LE(raw.constData() + 12), 8);
    EXPECT_EQ(QByteArray(raw.constData() + 24), QByteArray("NAME"));

    t->Open();
    f = t->GetDbfFile();
    for (int i = 0; i < 47; ++i)
        f->OpenIndex(QString("T%1").arg(i), "NAME", {}, true);
    try {
        f->OpenIndex("T47", "NAME", {}, true);
        ADD_FAILURE();
    } catch (const EDbfError& e) {
        EXPECT_EQ(e.Message, "Can not create index: too many indexes in file.");
    }
    try {
        f->OpenIndex("BADTYPE", "DTOS(NAME)", {}, true);
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "Argument type mismatch");
    }
}

TEST(DbfIndex, SharedTableCannotCreateAnIndexWhileAnotherOpenHoldsIt) {
    QTemporaryDir dir;
    auto t = makeTable(dir.path(), {});
    append(*t, "a", 1);
    TDbfTable other(nullptr);
    other.SetFilePath(dir.path());
    other.SetTableName("idx.dbf");
    other.Open();
    try {
        t->GetDbfFile()->OpenIndex("NEWTAG", "NAME", {}, true);
        ADD_FAILURE();
    } catch (const EDbfError& e) {
        EXPECT_EQ(e.Message, "Exclusive access is required for this operation.");
    }
    other.Close();
    EXPECT_NE(t->GetDbfFile()->OpenIndex("NEWTAG", "NAME", {}, true), nullptr);
}

TEST(DbfIndex, DamagedPageIsRefused) {
    QTemporaryDir dir;
    {
        auto t = makeTable(dir.path(), {"NAME"});
        for (int i = 0; i < 200; ++i)
            append(*t, QString::number(i), i);
    }
    QString path = dir.filePath("idx.mdx");
    QByteArray raw = ReadAll(path);
    // the tag header names the root; give the root page an impossible entry count
    uint32_t tagHeader = GetU32LE(raw.constData() + 544);
    uint32_t root = GetU32LE(raw.constData() + tagHeader * 512);
    PutU32LE(raw.data() + root * 512, 100000);
    WriteAll(path, raw);
    TDbfTable t(nullptr);
    t.SetFilePath(dir.path());
    t.SetTableName("idx.dbf");
    t.Open();
    try {
        t.SetIndexName("NAME");
        t.First();
        ADD_FAILURE() << "walked a damaged page";
    } catch (const EDbfError& e) {
        EXPECT_EQ(e.Message, "Invalid index file: \"" + path + "\".");
    }
}

TEST(DbfIndex, ATagHeaderWithImpossibleSizesIsRefused) {
    QTemporaryDir dir;
    makeTable(dir.path(), {"NAME"});
    QString path = dir.filePath("idx.mdx");
    QByteArray raw = ReadAll(path);
    // key length, keys per page and entry size that agree with each other, but whose product
    // is far beyond a page (and beyond an int)
    char* tag = raw.data() + GetU32LE(raw.constData() + 544) * 512;
    PutU16LE(tag + 12, 50368);
    PutU16LE(tag + 14, 50372);
    PutU16LE(tag + 18, 50372);
    WriteAll(path, raw);
    TDbfTable t(nullptr);
    t.SetFilePath(dir.path());
    t.SetTableName("idx.dbf");
    QString reason;
    t.OnIndexDropped = [&](TDbfTable*, const QString&, const QString& Reason) { reason = Reason; };
    t.Open();
    EXPECT_EQ(reason, "Invalid index file: \"" + path + "\".");
    EXPECT_EQ(t.GetDbfFile()->MdxFile(), nullptr) << "used a tag with impossible sizes";
}

TEST(DbfIndex, ATagNameFillingItsWholeFieldIsUsable) {
    QTemporaryDir dir;
    {
        auto t = makeTable(dir.path(), {"NAME"});
        for (const char* name : {"b", "c", "a"})
            append(*t, name, 0);
    }
    // eleven letters and no terminator, as another writer may leave them
    QString path = dir.filePath("idx.mdx");
    QByteArray raw = ReadAll(path);
    memcpy(raw.data() + 544 + 4, "NAMEXXXXXXX", 11);
    WriteAll(path, raw);
    TDbfTable t(nullptr);
    t.SetFilePath(dir.path());
    t.SetTableName("idx.dbf");
    t.Open();
    ASSERT_NE(t.GetIndexes()->GetIndexByName("NAMEXXXXXXX"), nullptr);
    t.SetIndexName("NAMEXXXXXXX");
    QString order;
    for (t.First(); !t.Eof(); t.Next())
        order += t.FieldByName("NAME")->GetAsString().trimmed();
    EXPECT_EQ(order, "abc");
}

TEST(DbfIndex, PerlXBaseReadsTheIndexFiles) {
    QTemporaryDir dir;
    auto t = makeTable(dir.path(), {"NAME"});
    QRandomGenerator rnd(7);
    for (int i = 0; i < 600; ++i)
        append(*t, QString::number(rnd.bounded(100000)).rightJustified(6, '0'), i);
    t->Close();
    t->SetExclusive(true);
    t->Open();
    TIndexFile* ndx = t->GetDbfFile()->OpenIndex("name.ndx", "NAME", {}, true);
    auto expected = entries(ndx, 0);
    t->Close();
    const char* script = R"(
use XBase::Index;
my $idx = XBase::Index->new($ARGV[0], ($ARGV[1] ? (tag => $ARGV[1]) : ())) or die XBase::Index->errstr;
$idx->prepare_select;
while (my ($key, $val) = $idx->fetch) { print "$key|$val\n"; }
)";
    QString want;
    for (const auto& [k, r] : expected)
        want += k.trimmed() + "|" + QString::number(r) + "\n";
    for (QStringList args :
         {QStringList{dir.filePath("name.ndx")}, QStringList{dir.filePath("idx.mdx"), "NAME"}}) {
        QString got;
        for (const QString& line : RunPerl(script, args).split('\n', Qt::SkipEmptyParts)) {
            QStringList parts = line.split('|');
            got += parts[0].trimmed() + "|" + parts.value(1) + "\n";
        }
        EXPECT_EQ(got.toStdString(), want.toStdString()) << args[0].toStdString();
    }
}

TEST(DbfIndex, MasterDetailThroughTheIndex) {
    QTemporaryDir dir;
    TDbfTable master(nullptr);
    master.SetFilePath(dir.path());
    master.SetTableName("master.dbf");
    master.GetFieldDefs()->Add("ID", ftString, 4);
    master.CreateTable();
    master.Open();
    for (const char* id : {"1", "2", "3"}) {
        master.Append();
        master.FieldByName("ID")->SetAsString(id);
        master.Post();
    }
    TDbfTable detail(nullptr);
    detail.SetFilePath(dir.path());
    detail.SetTableName("detail.dbf");
    detail.GetFieldDefs()->Add("MID", ftString, 4);
    detail.GetFieldDefs()->Add("WHAT", ftString, 8);
    TDbfIndexDef* d = detail.GetIndexes()->Add();
    d->SetIndexFile("MID");
    d->SetSortField("MID");
    detail.CreateTable();
    detail.Open();
    for (auto [mid, what] : {std::pair{"2", "b1"}, {"1", "a1"}, {"2", "b2"}, {"3", "c1"}}) {
        detail.Append();
        detail.FieldByName("MID")->SetAsString(mid);
        detail.FieldByName("WHAT")->SetAsString(what);
        detail.Post();
    }
    TDataSource source(nullptr);
    source.SetDataSet(&master);
    detail.SetIndexName("MID");
    detail.SetMasterFields("ID");
    detail.SetMasterSource(&source);
    auto rows = [&] {
        QStringList out;
        detail.First();
        while (!detail.Eof()) {
            out << detail.FieldByName("WHAT")->GetAsString();
            detail.Next();
        }
        return out;
    };
    master.First();
    EXPECT_EQ(rows(), QStringList({"a1"}));
    master.Next();
    EXPECT_EQ(rows(), QStringList({"b1", "b2"}));
    master.Last();
    EXPECT_EQ(rows(), QStringList({"c1"}));
    source.SetEnabled(false);
    EXPECT_EQ(rows().size(), 4) << "a disabled master cancels the range";

    // the link works only with a dBase table as master
    TMemDataSet mem(nullptr);
    mem.GetFieldDefs()->Add("ID", ftString, 4);
    mem.Open();
    mem.AppendRecord({"2"});
    TDataSource memSource(nullptr);
    memSource.SetDataSet(&mem);
    detail.SetMasterSource(&memSource);
    EXPECT_EQ(rows().size(), 4);
    detail.SetMasterSource(nullptr);

    TDataSource own(nullptr);
    own.SetDataSet(&detail);
    try {
        detail.SetMasterSource(&own);
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_TRUE(e.Message.endsWith("Circular datalinks are not allowed"));
    }
    detail.SetMasterSource(nullptr);
}

TEST(DbfIndex, DeletesEmptyPagesAndKeepTheRestInOrder) {
    QTemporaryDir dir;
    auto t = makeTable(dir.path(), {"NAME"}, {ixPrimary});
    const int n = 2500;
    for (int i = 0; i < n; ++i)
        append(*t, QString::number((i * 7919) % 100000).rightJustified(6, '0'), i);
    TIndexFile* mdx = t->GetDbfFile()->MdxFile();
    auto before = entries(mdx, 0);
    ASSERT_EQ(int(before.size()), n);
    // delete a long run in key order (whole pages empty out) and every third of the rest
    t->SetIndexName("NAME");
    t->First();
    int deleted = 0;
    for (int i = 0; !t->Eof(); ++i) {
        if (i < 1200 || i % 3 == 0) {
            t->Delete();
            ++deleted;
        } else {
            t->Next();
        }
    }
    auto after = entries(mdx, 0);
    EXPECT_EQ(int(after.size()), n - deleted);
    EXPECT_TRUE(std::is_sorted(after.begin(), after.end()));
    std::vector<std::pair<QString, int>> expected;
    // the survivors are exactly the keys still live in the table
    QByteArray rec(t->GetDbfFile()->RecordSize(), ' ');
    for (int r = 1; r <= n; ++r) {
        t->GetDbfFile()->ReadRecord(r, rec.data());
        if (rec[0] != '*') expected.emplace_back(QString::fromLatin1(rec.mid(1, 8)), r);
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(after, expected);
    // the tree still takes new keys, and the walk from both ends agrees
    append(*t, "000000", 1);
    append(*t, "999999", 1);
    t->First();
    EXPECT_EQ(t->FieldByName("NAME")->GetAsString(), "000000");
    t->Last();
    EXPECT_EQ(t->FieldByName("NAME")->GetAsString(), "999999");
    int walked = 0;
    while (!t->Bof()) {
        ++walked;
        t->Prior();
    }
    EXPECT_EQ(walked, n - deleted + 2);
}

TEST(DbfIndex, ProductionIndexAtOpenMissingAndLocaleProblems) {
    QTemporaryDir dir;
    makeTable(dir.path(), {"NAME"}, {ixUnique});
    auto reopen = [&](TDbfTable& t) {
        t.SetFilePath(dir.path());
        t.SetTableName("idx.dbf");
        t.Open();
    };
    {
        TDbfTable t(nullptr);
        reopen(t);
        ASSERT_EQ(t.GetIndexes()->Count(), 1) << "the production index's tags join Indexes";
        TDbfIndexDef* d = t.GetIndexes()->GetItems(0);
        EXPECT_EQ(d->GetIndexFile(), "NAME");
        EXPECT_EQ(d->GetSortField(), "NAME");
        EXPECT_TRUE(d->GetOptions().Contains(ixExpression));
        EXPECT_TRUE(d->GetOptions().Contains(ixUnique));
    }
    QString mdx = dir.filePath("idx.mdx");
    QByteArray raw = ReadAll(mdx);
    // an index made under another language driver: the handler decides
    QByteArray other = raw;
    other[31] = 0x26;
    WriteAll(mdx, other);
    for (uint32_t answer : {0u, 1u}) {
        TDbfTable t(nullptr);
        int seen = 0;
        t.OnLocaleError = [&](int& error, uint32_t& solution) {
            seen = error;
            solution = answer;
        };
        reopen(t);
        EXPECT_EQ(seen, 2);
        TIndexFile* f = t.GetDbfFile()->MdxFile();
        if (answer == 0)
            EXPECT_EQ(f, nullptr) << "dropped";
        else
            ASSERT_TRUE(f && !f->Maintained()) << "kept without maintenance";
    }
    // a missing production index: unlinked by default, or the open is abandoned
    DeleteFile(mdx);
    {
        TDbfTable t(nullptr);
        reopen(t);
        EXPECT_EQ(t.GetDbfFile()->MdxFile(), nullptr);
    }
    TDbfTable t(nullptr);
    t.OnIndexMissing = [](bool& deleteLink) { deleteLink = false; };
    EXPECT_THROW(reopen(t), EAbort);
}

TEST(DbfIndex, TheKeyOrderCursorFollowsEditsAndOtherWriters) {
    QTemporaryDir dir;
    auto t = makeTable(dir.path(), {"NAME"}, {ixPrimary});
    for (const char* s : {"b", "d", "f", "h"})
        append(*t, s, 0);
    t->SetIndexName("NAME");
    t->First();
    t->Next(); // "d"
    t->Edit();
    t->FieldByName("NAME")->SetAsString("z");
    t->Post();
    EXPECT_EQ(t->FieldByName("NAME")->GetAsString(), "z") << "the edited record stays current";
    t->Next();
    EXPECT_TRUE(t->Eof());
    t->First();
    t->Next(); // "f"
    t->Delete();
    EXPECT_EQ(t->FieldByName("NAME")->GetAsString(), "h") << "the one after the deleted record";

    // another open of the table adds keys while this one walks (shared files)
    TDbfTable other(nullptr);
    other.SetFilePath(dir.path());
    other.SetTableName("idx.dbf");
    other.Open();
    t->First(); // "b"
    append(other, "c", 0);
    append(other, "a", 0);
    QStringList rest;
    while (!t->Eof()) {
        rest << t->FieldByName("NAME")->GetAsString();
        t->Next();
    }
    EXPECT_EQ(rest, QStringList({"b", "c", "h", "z"}));
}

namespace {
// The names in the order a walk of the table meets them (at most Limit, so that a walk that
// never ends fails instead of hanging).
QStringList walk(TDbfTable& t, bool Backwards, int Limit = 100) {
    QStringList seen;
    if (Backwards) {
        t.Last();
        while (!t.Bof() && seen.size() < Limit) {
            seen << t.FieldByName("NAME")->GetAsString();
            t.Prior();
        }
    } else {
        t.First();
        while (!t.Eof() && seen.size() < Limit) {
            seen << t.FieldByName("NAME")->GetAsString();
            t.Next();
        }
    }
    return seen;
}

std::vector<int> recordsOf(TIndexFile* f, int slot) {
    std::vector<int> out;
    for (const auto& e : entries(f, slot))
        out.push_back(e.second);
    return out;
}
} // namespace

TEST(DbfIndex, AWalkEndsWhenATagHoldsAnEntryTwice) {
    QTemporaryDir dir;
    {
        auto t = makeTable(dir.path(), {"NAME"});
        for (const char* name : {"Дуб", "Клен", "Бук", "Ясен", "Липа"})
            append(*t, QString::fromUtf8(name), 1);
        // the entry of record 2 ("Клен") twice, as a failed append used to leave it
        TDbfFile* file = t->GetDbfFile();
        QByteArray rec(file->RecordSize(), ' ');
        ASSERT_EQ(file->ReadRecord(2, rec.data()), file->RecordSize());
        file->MdxFile()->Insert(2, rec.constData());
        ASSERT_EQ(recordsOf(file->MdxFile(), 0), (std::vector<int>{3, 1, 2, 2, 5, 4}));
    }
    for (bool exclusive : {false, true}) {
        SCOPED_TRACE(exclusive ? "exclusive" : "shared");
        TDbfTable t(nullptr);
        t.SetFilePath(dir.path());
        t.SetTableName("idx.dbf");
        t.SetExclusive(exclusive);
        t.Open();
        t.SetIndexName("NAME");
        const QStringList inOrder = QString::fromUtf8("Бук Дуб Клен Липа Ясен").split(' ');
        QStringList backwards = inOrder;
        std::reverse(backwards.begin(), backwards.end());
        EXPECT_EQ(walk(t, false), inOrder);
        EXPECT_EQ(walk(t, true), backwards);
        // an edit elsewhere makes the cursor find its place again: still no loop
        t.First();
        t.Edit();
        t.FieldByName("NUM")->SetAsFloat(7);
        t.Post();
        EXPECT_EQ(walk(t, false), inOrder);
    }
}

TEST(DbfIndex, AnAppendThatFailsInItsSecondTagTakesBackTheKeysOfTheFirst) {
    QTemporaryDir dir;
    {
        auto t = makeTable(dir.path(), {"NAME", "NUM"});
        for (int i = 1; i <= 200; ++i)
            append(*t, QString::number(i).rightJustified(4, '0'), i);
    }
    // The damage to fail on: the last leaf of the second tag (NUM), where the largest number
    // goes, gets an impossible entry count.
    const QString path = dir.filePath("idx.mdx");
    QByteArray raw = ReadAll(path);
    const char* tagEntry = raw.constData() + 544 + 32; // the second entry of the tag table
    const char* tag = raw.constData() + GetU32LE(tagEntry) * 512;
    const uint32_t root = GetU32LE(tag);
    const int entrySize = GetU16LE(tag + 18);
    const char* rootPage = raw.constData() + root * 512;
    const uint32_t keys = GetU32LE(rootPage);
    ASSERT_GT(keys, 0u) << "the tag has more than one level";
    const uint32_t lastLeaf = GetU32LE(rootPage + 8 + keys * entrySize);
    PutU32LE(raw.data() + lastLeaf * 512, 100000);
    WriteAll(path, raw);

    TDbfTable t(nullptr);
    t.SetFilePath(dir.path());
    t.SetTableName("idx.dbf");
    t.Open();
    TIndexFile* mdx = t.GetDbfFile()->MdxFile();
    ASSERT_NE(mdx, nullptr);
    ASSERT_EQ(mdx->IndexOf("NAME"), 0);
    t.Append();
    t.FieldByName("NAME")->SetAsString("9999");
    t.FieldByName("NUM")->SetAsFloat(9999);
    EXPECT_THROW(t.Post(), EDbfError);
    t.Cancel();
    EXPECT_EQ(t.GetRecordCount(), 200);
    const std::vector<int> first = recordsOf(mdx, 0);
    EXPECT_EQ(first.size(), 200u);
    EXPECT_EQ(std::count(first.begin(), first.end(), 201), 0)
        << "the first tag names a record that was never written";
    // the next append in record order, whose number the failed one had, is the only 201
    t.SetIndexName("NAME");
    t.GetDbfFile()->MdxFile()->UpdateAll = false; // only NAME: the damaged tag stays out
    append(t, "0000", 5);
    const std::vector<int> after = recordsOf(mdx, 0);
    EXPECT_EQ(std::count(after.begin(), after.end(), 201), 1);
    EXPECT_EQ(walk(t, false, 1000).size(), 201u);
}

TEST(DbfIndex, ATableWithADamagedIndexHeaderOpensWithoutThatIndex) {
    QTemporaryDir dir;
    {
        auto t = makeTable(dir.path(), {"NAME"});
        for (const char* name : {"Дуб", "Клен", "Бук"})
            append(*t, QString::fromUtf8(name), 1);
    }
    const QString path = dir.filePath("idx.mdx");
    QByteArray raw = ReadAll(path);
    raw[26] = 3; // the size of a tag-table entry: no entry fits in 3 bytes
    WriteAll(path, raw);
    for (bool readOnly : {true, false}) {
        SCOPED_TRACE(readOnly ? "read-only" : "read-write");
        TDbfTable t(nullptr);
        t.SetFilePath(dir.path());
        t.SetTableName("idx.dbf");
        t.SetReadOnly(readOnly);
        QStringList told;
        t.OnIndexDropped = [&](TDbfTable* Sender, const QString& File, const QString& Reason) {
            EXPECT_EQ(Sender, &t);
            told << File << Reason;
        };
        t.Open();
        EXPECT_EQ(told, (QStringList{path, "Invalid index file: \"" + path + "\"."}));
        EXPECT_EQ(t.GetDbfFile()->MdxFile(), nullptr);
        EXPECT_EQ(walk(t, false), QString::fromUtf8("Дуб Клен Бук").split(' '));
        if (!readOnly) append(t, QString::fromUtf8("Ясен"), 2);
        t.Close();
        EXPECT_EQ(ReadAll(path), raw) << "the index file is left as it was";
    }
}

TEST(DbfIndex, AnAppendWhoseRecordCannotBeWrittenLeavesNoKeyBehind) {
    QTemporaryDir dir;
    {
        // records wider than their keys, so that the table file is the larger one
        TDbfTable t(nullptr);
        t.SetFilePath(dir.path());
        t.SetTableName("wide.dbf");
        t.GetFieldDefs()->Add("NAME", ftString, 8);
        t.GetFieldDefs()->Add("NOTE", ftString, 250);
        TDbfIndexDef* d = t.GetIndexes()->Add();
        d->SetIndexFile("NAME");
        d->SetSortField("NAME");
        t.CreateTable();
        t.Open();
        for (int i = 1; i <= 40; ++i)
            t.AppendRecord({QString::number(i).rightJustified(4, '0'), "примітка"});
    }
    ASSERT_GT(QFileInfo(dir.filePath("wide.dbf")).size(),
              QFileInfo(dir.filePath("wide.mdx")).size());
    TDbfTable t(nullptr); // shared: each record is written as it is posted
    t.SetFilePath(dir.path());
    t.SetTableName("wide.dbf");
    t.Open();
    bool refused = false;
    try {
        TFullDisk full(dir.filePath("wide.dbf")); // the new record cannot be written
        t.AppendRecord({"0000", "не записано"});
    } catch (const Exception&) {
        refused = true;
    }
    EXPECT_TRUE(refused);
    t.Cancel();
    EXPECT_EQ(t.GetRecordCount(), 40);
    TIndexFile* mdx = t.GetDbfFile()->MdxFile();
    std::vector<int> keys = recordsOf(mdx, 0);
    EXPECT_EQ(std::count(keys.begin(), keys.end(), 41), 0) << "a key names an unwritten record";
    t.AppendRecord({"0000", "записано"}); // record 41, written this time
    keys = recordsOf(mdx, 0);
    EXPECT_EQ(std::count(keys.begin(), keys.end(), 41), 1);
    EXPECT_EQ(keys.front(), 41);
}
