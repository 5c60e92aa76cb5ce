// Footers: the text of each kind of footer cell, the sum items the footers keep in the grid's
// sum list, totals that follow the dataset, and the scroll bar fed by emulated record numbers.
#include "GridTestSupport.h"

namespace {

class FooterTest : public GridTest {
protected:
    void SetUp() override {
        GridTest::SetUp();
        FillStaff(&ds);
        AddColumns({"TAB", "FAMILY", "AGE", "SEX", "OKLAD"});
        grid->SetFooterRowCount(1);
        grid->GetSumList()->SetActive(true);
        Show(&ds);
    }
    TColumnFooterEh* Footer(int Col) { return Column(Col)->GetFooter(); }
    void Set(int Col, TFooterValueType Type, const QString& Field = QString(),
             const QString& Value = QString()) {
        Footer(Col)->SetValueType(Type);
        Footer(Col)->SetFieldName(Field);
        Footer(Col)->SetValue(Value);
    }
    QString Text(int Col, int Row = 0) { return grid->GetFooterValue(Row, Column(Col)); }
    int SumItems() { return grid->GetSumList()->GetSumCollection()->Count(); }
    TMemDataSet ds{nullptr};
};

TEST_F(FooterTest, EachKindOfFooterShowsItsText) {
    auto* oklad = static_cast<TFloatField*>(ds.FieldByName("OKLAD"));
    struct Case {
        const char* what;
        int col;
        TFooterValueType type;
        QString field, value;
        std::function<void()> prepare;
        QString text;
    };
    const std::vector<Case> cases = {
        {"a sum of integers", 2, fvtSum, "", "", nullptr, "176"},
        {"a sum in the field's display format", 2, fvtSum, "", "",
         [&] { static_cast<TNumericField*>(ds.FieldByName("AGE"))->SetDisplayFormat("0.0"); },
         "176,0"},
        {"a sum of floats", 4, fvtSum, "", "", nullptr, "35850,5"},
        {"a sum of money", 4, fvtSum, "", "", [&] { oklad->SetCurrency(true); },
         FloatToStrF(35850.5, ffCurrency, 15, 2)},
        {"an average", 4, fvtAvg, "", "", [&] { oklad->SetCurrency(false); }, "7170,1"},
        {"a sum of another column's field", 0, fvtSum, "AGE", "", nullptr, "176,0"},
        {"a footer field spelt in other letters", 0, fvtSum, "age", "", nullptr, "176,0"},
        {"a sum of a field the dataset lacks", 0, fvtSum, "NOPE", "", nullptr, ""},
        {"an average of text", 1, fvtAvg, "", "", nullptr, "0"},
        {"a count", 1, fvtCount, "", "", nullptr, "5"},
        {"the current record's value", 3, fvtFieldValue, "FAMILY", "", nullptr, "Іваненко"},
        {"a value of a field the dataset lacks", 3, fvtFieldValue, "NOPE", "", nullptr, ""},
        {"a static text", 0, fvtStaticText, "", "Всього", nullptr, "Всього"},
        {"nothing", 0, fvtNon, "", "Всього", nullptr, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.prepare) c.prepare();
        Set(c.col, c.type, c.field, c.value);
        EXPECT_EQ(Text(c.col), c.text);
    }
    // two footer rows with one item in Footers: row 0 shows the item, row 1 the Footer
    grid->SetFooterRowCount(2);
    Set(1, fvtCount);
    TColumnFooterEh* first = Column(1)->GetFooters()->Add();
    first->SetValueType(fvtStaticText);
    first->SetValue("Разом");
    EXPECT_EQ(Text(1, 0), "Разом");
    EXPECT_EQ(Text(1, 1), "5");
    // an integer sum over an empty dataset is 0
    ds.EmptyTable();
    ds.Close();
    ds.Open();
    static_cast<TNumericField*>(ds.FieldByName("AGE"))->SetDisplayFormat("");
    Set(2, fvtSum);
    EXPECT_EQ(Text(2), "0");
}

TEST_F(FooterTest, SumItemsLiveWhileTheirFootersNeedThem) {
    EXPECT_EQ(SumItems(), 0);
    Set(2, fvtSum);
    ASSERT_EQ(SumItems(), 1);
    EXPECT_EQ(Footer(2)->GetSumItem()->GetFieldName(), "AGE");
    // switched to a count it still counts the records
    Set(2, fvtCount);
    ASSERT_EQ(SumItems(), 1);
    EXPECT_EQ(Footer(2)->GetSumItem()->GetGroupOperation(), goCount);
    EXPECT_EQ(Text(2), "5");
    Set(2, fvtStaticText, "", "Всього");
    EXPECT_EQ(SumItems(), 0);
    EXPECT_EQ(Footer(2)->GetSumItem(), nullptr);
    // a footer takes its column's field; a column bound to another field takes its sums along
    Set(4, fvtAvg);
    Column(4)->SetFieldName("AGE");
    EXPECT_EQ(Footer(4)->GetSumItem()->GetFieldName(), "AGE");
    EXPECT_EQ(Text(4), "35"); // an integer field shows a whole number
    // items of the Footers collection too, and they go with their column
    Column(1)->GetFooters()->Add()->SetValueType(fvtCount);
    EXPECT_EQ(SumItems(), 2);
    delete Column(1);
    EXPECT_EQ(SumItems(), 1);
}

TEST_F(FooterTest, TotalsFollowTheDatasetAndRepaintTheFooters) {
    Set(1, fvtCount);
    Set(4, fvtSum);
    int recalcs = 0;
    TObject* sender = nullptr;
    grid->OnSumListRecalcAll = [&](TObject* S) {
        ++recalcs;
        sender = S;
    };
    ds.Last();
    ds.AppendRecord({"00006", "Шевчук", 40, "Ж", 1000.0});
    ds.First();
    ds.Edit();
    ds.FieldByName("OKLAD")->SetAsFloat(100.5);
    ds.Post();
    EXPECT_EQ(Text(1), "6");
    EXPECT_EQ(Text(4), "28850,5");
    EXPECT_EQ(recalcs, 0);
    // reopening recalculates, telling the application through the grid
    ds.Close();
    EXPECT_EQ(Text(1), "0");
    ds.Open();
    EXPECT_EQ(recalcs, 1);
    EXPECT_EQ(sender, grid);
    EXPECT_EQ(Text(1), "6");
    // inactive, the totals are cleared and stay so
    grid->GetSumList()->SetActive(false);
    ds.Delete();
    EXPECT_EQ(Text(1), "0");
}

TEST_F(FooterTest, EmulatedRecordNumbersDriveTheScrollBar) {
    TMemDataSet big(nullptr);
    FillNumbers(&big, 60);
    big.SetSequenced(false);
    source->SetDataSet(&big);
    auto bar = [this] { return VertScrollBar(grid); };
    EXPECT_EQ(bar(), (std::vector<int>{0, 4, 0, 0})); // top, middle or bottom only
    grid->GetSumList()->SetVirtualRecords(true);
    big.MoveBy(20);
    const int page = grid->VisibleDataRowCount();
    EXPECT_EQ(bar(), (std::vector<int>{1, 60 + page - 1, page, 21}));
    grid->Perform(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 45), 0);
    EXPECT_EQ(big.FieldByName("V")->GetAsInteger(), 45);
    source->SetDataSet(&ds);
}

TEST_F(FooterTest, ADatasetFreedUnderTheGridLeavesNoHandlerBehind) {
    auto* other = new TMemDataSet(nullptr);
    FillNumbers(other, 3);
    Set(1, fvtCount);
    source->SetDataSet(other);
    EXPECT_EQ(Text(1), "3");
    EXPECT_TRUE(bool(other->AfterPost));
    delete other;
    EXPECT_EQ(grid->GetSumList()->GetDataSet(), nullptr);
    source->SetDataSet(&ds);
    EXPECT_EQ(Text(1), "5");
    // and a grid freed first gives the dataset its own handlers back
    int posts = 0;
    grid->GetSumList()->SetActive(false);
    ds.AfterPost = [&](TDataSet*) { ++posts; };
    grid->GetSumList()->SetActive(true);
    delete form;
    form = nullptr;
    ds.Edit();
    ds.Post();
    EXPECT_EQ(posts, 1);
    form = CreateNewForm<TForm>(nullptr);
}

} // namespace
