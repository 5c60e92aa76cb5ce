// The sum list producer: totals that follow inserts, edits, deletes, filters and a master's
// scrolls without rescanning, fixed-point totals that never drift, the handlers it chains in
// front of, and record numbers emulated from bookmarks.
#include "DBSumLst.h"
#include "GridTestSupport.h"

namespace {

// A producer over a small table of payments: NAME (string), PAY (currency), DAYS (integer).
class SumListTest : public ::testing::Test {
protected:
    void SetUp() override {
        TFieldDefs* d = ds.GetFieldDefs();
        d->Add("NAME", ftString, 20);
        d->Add("PAY", ftCurrency);
        d->Add("DAYS", ftInteger);
        ds.Open();
        ds.AppendRecord({"Іваненко", 1.25, 10});
        ds.AppendRecord({"Петренко", 2.5, Null()});
        ds.AppendRecord({"Коваль", Null(), 20});
        ds.First();
        sums.OnRecalcAll = [this](TObject*) { ++recalcs; };
        sums.SumListChanged = [this](TObject*) { ++changes; };
        sum = add(goSum, "PAY");
        avg = add(goAvg, "DAYS");
        count = add(goCount, "");
        sums.SetDataSet(&ds);
        recalcs = 0;
    }
    TDBSum* add(TGroupOperation Op, const QString& Field) {
        TDBSum* s = sums.GetSumCollection()->Add();
        s->SetGroupOperation(Op);
        s->SetFieldName(Field);
        return s;
    }
    // "sum avg(count) count", all as fixed-point values.
    std::string totals() {
        return std::to_string(sum->GetSumValue()) + " " + std::to_string(avg->GetSumValue()) + "(" +
               std::to_string(avg->GetAvgCount()) + ") " + std::to_string(count->GetSumValue());
    }
    void goTo(const QString& Name) { ASSERT_TRUE(ds.Locate("NAME", Name, {})); }

    TMemDataSet ds{nullptr};
    TDBSumListProducer sums{nullptr};
    TDBSum* sum = nullptr;
    TDBSum* avg = nullptr;
    TDBSum* count = nullptr;
    int recalcs = 0, changes = 0;
};

TEST_F(SumListTest, TotalsFollowEveryChangeWithoutARescan) {
    EXPECT_EQ(totals(), "37500 150000(2) 30000");
    struct Step {
        const char* what;
        std::function<void()> act;
        std::string totals;
    };
    const std::vector<Step> steps = {
        {"an edit to null",
         [&] {
             goTo("Петренко");
             ds.Edit();
             ds.FieldByName("PAY")->Clear();
             ds.Post();
         },
         "12500 150000(2) 30000"},
        {"a null edited to a value",
         [&] {
             ds.Edit();
             ds.FieldByName("DAYS")->SetAsInteger(30);
             ds.Post();
         },
         "12500 200000(3) 30000"},
        {"an insert",
         [&] {
             ds.InsertRecord({"Ґудзь", 0.75, Null()});
         },
         "20000 200000(3) 40000"},
        {"an insert cancelled",
         [&] {
             ds.Insert();
             ds.FieldByName("PAY")->SetAsFloat(100);
             ds.Cancel();
         },
         "20000 200000(3) 40000"},
        {"an edit cancelled",
         [&] {
             goTo("Іваненко");
             ds.Edit();
             ds.FieldByName("PAY")->SetAsFloat(100);
             ds.Cancel();
         },
         "20000 200000(3) 40000"},
        {"a delete",
         [&] {
             goTo("Іваненко");
             ds.Delete();
         },
         "7500 250000(2) 30000"},
        {"scrolling", [&] { ds.Last(), ds.First(), ds.MoveBy(2); }, "7500 250000(2) 30000"},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        s.act();
        EXPECT_EQ(totals(), s.totals);
    }
    EXPECT_EQ(recalcs, 0);
    // deleting the last values of an average leaves a count of 0 and a value of 0
    for (const char* n : {"Петренко", "Коваль"}) {
        goTo(n);
        ds.Delete();
    }
    EXPECT_EQ(totals(), "7500 0(0) 10000");
    // a fresh scan agrees with what the events made
    sums.RecalcAll();
    EXPECT_EQ(totals(), "7500 0(0) 10000");
}

TEST_F(SumListTest, FixedPointTotalsNeverDrift) {
    // tenths do not add up exactly in binary floating point; in fixed point they do
    for (int i = 0; i < 1000; ++i)
        ds.AppendRecord({"x", 0.1, 1});
    EXPECT_EQ(sum->GetSumValue(), 37500 + 1000 * 1000);
    for (int i = 0; i < 1000; ++i) {
        goTo("x");
        ds.Delete();
    }
    EXPECT_EQ(sum->GetSumValue(), 37500);
    // an average of 10, 20 and 20 is 16.6666...: rounded to the nearest unit
    ds.AppendRecord({"c", Null(), 20});
    EXPECT_EQ(avg->GetSumValue(), 166667);
    // halves round to even: the averages of 1 and 4 units (2.5) and of 1 and 2 units (1.5)
    // are both 2
    ds.EmptyTable();
    ds.Close();
    ds.Open();
    TDBSum* avgPay = add(goAvg, "PAY");
    ds.AppendRecord({"1", 0.0001, Null()});
    ds.AppendRecord({"4", 0.0004, Null()});
    EXPECT_EQ(avgPay->GetSumValue(), 2);
    goTo("4");
    ds.Delete();
    ds.AppendRecord({"2", 0.0002, Null()});
    EXPECT_EQ(avgPay->GetSumValue(), 2);
}

TEST_F(SumListTest, ItemsThatNameNoNumberAreSkipped) {
    TDBSum* none = add(goSum, "");
    TDBSum* unknown = add(goAvg, "NO_SUCH_FIELD");
    TDBSum* text = add(goSum, "NAME");
    ds.InsertRecord({"Ґудзь", 1.0, 5});
    goTo("Коваль");
    ds.Delete();
    EXPECT_EQ(none->GetSumValue(), 0);
    EXPECT_EQ(unknown->GetSumValue(), 0);
    EXPECT_EQ(text->GetSumValue(), 0);
    EXPECT_EQ(totals(), "47500 75000(2) 30000");
    // a count over an empty dataset is 0; one record inserted and posted counts 1
    ds.Close();
    EXPECT_EQ(count->GetSumValue(), 0);
    TMemDataSet empty(nullptr);
    empty.GetFieldDefs()->Add("PAY", ftCurrency);
    empty.Open();
    sums.SetDataSet(&empty);
    EXPECT_EQ(count->GetSumValue(), 0);
    empty.Append();
    empty.Post();
    EXPECT_EQ(count->GetSumValue(), 10000);
    sums.SetDataSet(nullptr); // the dataset goes before the producer
}

TEST_F(SumListTest, TheChainedHandlersRunInTheirPlaceEvenWhenTheTotalsFail) {
    std::vector<std::string> order;
    sums.SetDataSet(nullptr);
    ds.AfterEdit = [&](TDataSet*) {
        order.push_back("edit:" + std::to_string(sum->GetSumValue()));
    };
    ds.AfterPost = [&](TDataSet*) {
        order.push_back("post:" + std::to_string(sum->GetSumValue()));
    };
    sums.SetDataSet(&ds);
    goTo("Іваненко");
    ds.Edit();
    ds.FieldByName("PAY")->SetAsFloat(2.25);
    ds.Post();
    // the application's after-edit runs before the producer's work, its after-post after it
    EXPECT_EQ(order, (std::vector<std::string>{"edit:37500", "post:47500"}));

    // the producer's own work fails (here its change notification): the application's
    // after-post, its save, still runs
    sums.SumListChanged = [](TObject*) { throw Exception("збій"); };
    order.clear();
    ds.Edit();
    ds.FieldByName("PAY")->SetAsFloat(3);
    EXPECT_THROW(ds.Post(), Exception);
    sums.SumListChanged = nullptr;
    ASSERT_EQ(order.size(), 2u);
    EXPECT_EQ(order[1].substr(0, 5), "post:");
    // unhooked, the dataset has its own handlers back
    sums.SetActive(false);
    order.clear();
    ds.Edit();
    ds.Post();
    EXPECT_EQ(order, (std::vector<std::string>{"edit:0", "post:0"}));
}

TEST_F(SumListTest, AFilterChangeIsNoticedAtTheNextScroll) {
    ds.MoveBy(1);
    EXPECT_EQ(recalcs, 0);
    ds.SetFilter("DAYS > 15");
    ds.SetFiltered(true);
    ds.First();
    EXPECT_GE(recalcs, 1);
    EXPECT_EQ(totals(), "0 200000(1) 10000");
    recalcs = 0;
    ds.Last();
    EXPECT_EQ(recalcs, 0);
    ds.SetFilter("DAYS < 15");
    ds.First();
    EXPECT_EQ(totals(), "12500 100000(1) 10000");
    ds.SetFiltered(false);
    ds.First();
    EXPECT_EQ(totals(), "37500 150000(2) 30000");
}

TEST_F(SumListTest, ARecalculationComesBackToTheRecordTheUserWasOn) {
    goTo("Петренко");
    sums.RecalcAll();
    EXPECT_EQ(ds.FieldByName("NAME")->GetAsString(), "Петренко");
    // with ExternalRecalc nothing is scanned: the handler computes
    sums.OnRecalcAll = [this](TObject*) { count->SetSumValue(770000); };
    sums.SetExternalRecalc(true);
    EXPECT_EQ(totals(), "0 0(0) 770000");
}

TEST_F(SumListTest, AMasterScrollRecalculates) {
    TMemDataSet master(nullptr);
    master.GetFieldDefs()->Add("NAME", ftString, 20);
    master.Open();
    master.AppendRecord({"Іваненко"});
    master.AppendRecord({"Коваль"});
    master.First();
    TDataSource ms(nullptr);
    ms.SetDataSet(&master);
    sums.SetDataSet(nullptr);
    ds.SetMasterSource(&ms);
    ds.SetMasterFields("NAME");
    sums.SetDataSet(&ds);
    EXPECT_EQ(sums.GetMasterDataSet(), &master);
    EXPECT_EQ(totals(), "12500 100000(1) 10000");
    master.Next();
    EXPECT_EQ(totals(), "0 200000(1) 10000");
    sums.SetDataSet(nullptr);
    EXPECT_FALSE(bool(master.AfterScroll));
}

TEST_F(SumListTest, RecordNumbersAreEmulatedForADatasetWithoutThem) {
    ds.SetSequenced(false);
    EXPECT_FALSE(sums.IsSequenced());
    sums.SetVirtualRecords(true);
    EXPECT_TRUE(sums.IsSequenced());
    EXPECT_EQ(sums.GetRecordCount(), 3);
    goTo("Петренко");
    EXPECT_EQ(sums.GetRecNo(), 2);
    sums.SetRecNo(3);
    EXPECT_EQ(ds.FieldByName("NAME")->GetAsString(), "Коваль");
    EXPECT_THROW(sums.SetRecNo(4), EListError);
    // an inserted record takes its place in dataset order
    goTo("Петренко");
    ds.InsertRecord({"Ґудзь", 1.0, 1});
    EXPECT_EQ(sums.GetRecordCount(), 4);
    std::vector<int> numbers;
    for (ds.First(); !ds.Eof(); ds.Next())
        numbers.push_back(sums.GetRecNo());
    EXPECT_EQ(numbers, (std::vector<int>{1, 2, 3, 4}));
    goTo("Ґудзь");
    EXPECT_EQ(sums.GetRecNo(), 2);
    ds.Delete();
    EXPECT_EQ(sums.GetRecordCount(), 3);
    goTo("Коваль");
    EXPECT_EQ(sums.GetRecNo(), 3);
    // an empty dataset counts as numbered; the numbers go with VirtualRecords off
    sums.SetVirtualRecords(false);
    EXPECT_FALSE(sums.IsSequenced());
}

} // namespace
