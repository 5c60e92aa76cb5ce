#include "ReportTestSupport.h"

#include "FR_DBSet.h"
#include "MemDS.h"

using namespace Qt::Literals::StringLiterals;

namespace {

class DataSetTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        owner = std::make_unique<TComponent>(nullptr);
        table = new TMemDataSet(owner.get());
        table->SetName(u"Table"_s);
        table->GetFieldDefs()->Add(u"N"_s, ftInteger);
        table->Open();
        for (int i = 1; i <= 5; ++i)
            table->AppendRecord({i});
        rds = new TfrDBDataSet(owner.get());
        rds->SetName(u"frDBDataSet1"_s);
        rds->SetDataSet(table);
    }
    void TearDown() override {
        owner.reset();
        EngineTest::TearDown();
    }
    // The records a band would walk, as their N values.
    QList<int> walk(TfrDataset* d) {
        QList<int> seen;
        d->Init();
        d->First();
        while (!d->Eof() && seen.size() < 100) {
            seen << table->FieldByName(u"N"_s)->GetAsInteger();
            d->Next();
        }
        d->Exit();
        return seen;
    }
    void goTo(int n) {
        table->First();
        table->MoveBy(n - 1);
    }
    std::unique_ptr<TComponent> owner;
    TMemDataSet* table = nullptr;
    TfrDBDataSet* rds = nullptr;
};

} // namespace

TEST_F(DataSetTest, Ranges) {
    struct Case {
        TRangeBegin begin;
        TRangeEnd end;
        int count;
        QList<int> seen;
    } cases[] = {
        {rbFirst, reLast, 0, {1, 2, 3, 4, 5}}, {rbCurrent, reLast, 0, {3, 4, 5}},
        {rbCurrent, reCurrent, 0, {3}},        {rbFirst, reCurrent, 0, {1, 2, 3}},
        {rbFirst, reCount, 2, {1, 2}},         {rbCurrent, reCount, 9, {3, 4, 5}},
    };
    for (const Case& c : cases) {
        goTo(3);
        rds->RangeBegin = c.begin;
        rds->RangeEnd = c.end;
        rds->RangeEndCount = c.count;
        EXPECT_EQ(walk(rds), c.seen) << c.begin << " " << c.end;
        if (c.begin == rbCurrent || c.end == reCurrent) { // back on the record of before
            EXPECT_EQ(table->FieldByName(u"N"_s)->GetAsInteger(), 3);
        }
    }
}

TEST_F(DataSetTest, OpenAndCloseRules) {
    table->Close();
    int opened = 0, closed = 0;
    rds->OnOpen = [&](TObject*) { ++opened; };
    rds->OnClose = [&](TObject*) { ++closed; };
    EXPECT_EQ(walk(rds).size(), 5);  // opened by the walk
    EXPECT_TRUE(table->GetActive()); // and left open
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(closed, 1);
    rds->CloseDataSource = true;
    walk(rds);
    EXPECT_FALSE(table->GetActive());
    rds->OpenDataSource = false;
    rds->Init();
    EXPECT_FALSE(table->GetActive()); // a closed dataset is not opened for it
    rds->Exit();
}

TEST_F(DataSetTest, DataSetAndDataSourceExcludeEachOther) {
    auto* src = new TDataSource(owner.get());
    auto* other = new TMemDataSet(owner.get());
    src->SetDataSet(other);
    rds->SetDataSource(src);
    EXPECT_EQ(rds->GetDataSetProp(), nullptr);
    EXPECT_EQ(rds->GetDataSet(), other);
    rds->SetDataSet(table);
    EXPECT_EQ(rds->GetDataSource(), nullptr);
    rds->SetDataSource(nullptr);
    EXPECT_EQ(rds->GetDataSetProp(), table); // an empty data source keeps the dataset
    delete table;                            // a deleted dataset is forgotten
    table = nullptr;
    EXPECT_EQ(rds->GetDataSetProp(), nullptr);
    try {
        rds->GetDataSet();
        FAIL();
    } catch (const EDSError& e) {
        EXPECT_EQ(e.Message, u"Unable to open dataset frDBDataSet1"_s);
    }
    EXPECT_THROW(rds->Init(), EDSError);
    EXPECT_THROW(rds->First(), EDSError);
}

TEST_F(DataSetTest, UserDataSet) {
    TfrUserDataset u(nullptr);
    u.RangeEnd = reCount;
    u.RangeEndCount = 3;
    int firsts = 0, nexts = 0;
    u.OnFirst = [&](TObject*) { ++firsts; };
    u.OnNext = [&](TObject*) { ++nexts; };
    u.First();
    int steps = 0;
    while (!u.Eof()) {
        u.Next();
        ++steps;
    }
    EXPECT_EQ(steps, 3);
    EXPECT_EQ(u.RecNo, 3);
    EXPECT_EQ(firsts, 1);
    EXPECT_EQ(nexts, 2); // the step that reaches the count does not fire OnNext

    TfrUserDataset open(nullptr); // ends only when told
    open.OnCheckEOF = [](TObject* s, bool& eof) { eof = static_cast<TfrDataset*>(s)->RecNo >= 7; };
    open.First();
    while (!open.Eof())
        open.Next();
    EXPECT_EQ(open.RecNo, 7);
}

TEST_F(DataSetTest, BandDataSourceNames) {
    TfrReport report(owner.get());
    report.MakeCurrent();
    std::unique_ptr<TfrDataset> five(frGetDataset(u"5"_s));
    ASSERT_TRUE(five);
    int n = 0;
    five->Init();
    for (five->First(); !five->Eof(); five->Next())
        ++n;
    EXPECT_EQ(n, 5);
    EXPECT_EQ(frGetDataset(u"frDBDataSet1"_s), rds);
    EXPECT_EQ(frGetDataset(u"Table"_s), nullptr); // not a report dataset
    EXPECT_EQ(frGetDataset(QString()), nullptr);
}
