// The grid's in-place editor: the edit style each column gets, the pick list with its key list
// (the children's "Стать": "Чоловіча"/"Жіноча" stored as "Ч"/"Ж"), completion of typed text, the
// lookup list that writes the key, and the calendar of a date column.
#include "DBLookupEh.h"
#include "Dates.h"
#include "GridTestSupport.h"
#include "ToolEdit.h"
#include "UiTestSupport.h"

namespace {

// Children: NAME, SEX ("Ч"/"Ж"), BORN (a date), POS (a position code) and POSNAME, the
// position's name looked up in a small table.
class EditorTest : public GridTest {
protected:
    void SetUp() override {
        GridTest::SetUp();
        positions.GetFieldDefs()->Add("KOD", ftString, 10);
        positions.GetFieldDefs()->Add("NAME", ftString, 30);
        positions.Open();
        positions.AppendRecord({"01", "Інженер"});
        positions.AppendRecord({"02", "Бухгалтер"});
        positions.AppendRecord({"03", "Водій"});
        auto field = [&](TField* F, const char* Name, int Size) {
            F->SetFieldName(Name);
            if (Size) F->SetSize(Size);
            F->SetDataSet(&ds);
            return F;
        };
        field(new TStringField(form), "NAME", 30);
        field(new TStringField(form), "SEX", 1);
        field(new TDateField(form), "BORN", 0);
        field(new TStringField(form), "POS", 10);
        auto* name = new TStringField(form);
        name->SetFieldKind(fkLookup);
        name->SetKeyFields("POS");
        name->SetLookupDataSet(&positions);
        name->SetLookupKeyFields("KOD");
        name->SetLookupResultField("NAME");
        field(name, "POSNAME", 30);
        ds.Open();
        ds.AppendRecord({"Олена", "Ж", EncodeDate(2010, 5, 14), "01"});
        ds.AppendRecord({"Тарас", "Ч", EncodeDate(2012, 9, 1), "02"});
        ds.First();
        AddColumns({"NAME", "SEX", "BORN", "POSNAME"});
        Column(1)->GetPickList()->SetText("Чоловіча\nЖіноча");
        Column(1)->GetKeyList()->SetText("Ч\nЖ");
        Show(&ds);
        grid->SetFocus();
        QApplication::processEvents();
    }
    void TearDown() override {
        GridTest::TearDown();
        ds.Close();
    }
    // Opens the editor on a data column of the current record.
    TDBGridInplaceEdit* Edit(int DataCol) {
        grid->SetSelectedIndex(DataCol);
        grid->ShowEditor();
        auto* ed = dynamic_cast<TDBGridInplaceEdit*>(grid->GetInplaceEditor());
        EXPECT_TRUE(ed && ed->GetVisible());
        return ed;
    }
    void Key(TDBGridInplaceEdit* Ed, WORD K, TShiftState S = {}) { Ed->KeyDown(K, S); }
    QString F(const char* Name) { return ds.FieldByName(Name)->GetAsString(); }
    TMemDataSet positions{nullptr};
    TMemDataSet ds{nullptr};
};

TEST_F(EditorTest, EachColumnGetsItsEditStyle) {
    struct Case {
        const char* what;
        int col;
        std::function<void()> setUp;
        TEditStyleEh style;
    };
    const Case cases[] = {
        {"plain text", 0, [] {}, esSimpleEh},
        {"a pick list", 1, [] {}, esPickListEh},
        {"a date", 2, [] {}, esDateCalendarEh},
        {"a lookup", 3, [] {}, esDataListEh},
        {"an ellipsis", 0, [&] { Column(0)->SetButtonStyle(cbsEllipsis); }, esEllipsisEh},
        {"up and down", 0, [&] { Column(0)->SetButtonStyle(cbsUpDown); }, esUpDownEh},
        {"a read-only pick list", 1, [&] { Column(1)->SetReadOnly(true); }, esSimpleEh},
        {"no button asked", 2, [&] { Column(2)->SetButtonStyle(cbsNone); }, esSimpleEh},
        {"a lookup whose key cannot change", 3, [&] { ds.FieldByName("POS")->SetReadOnly(true); },
         esSimpleEh},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.setUp();
        TDBGridInplaceEdit* ed = Edit(c.col);
        ASSERT_TRUE(ed);
        EXPECT_EQ(ed->GetEditStyle(), c.style);
        grid->HideEditor();
        Column(0)->SetButtonStyle(cbsAuto);
        Column(1)->SetReadOnly(false);
        Column(2)->SetButtonStyle(cbsAuto);
        ds.FieldByName("POS")->SetReadOnly(false);
    }
}

TEST_F(EditorTest, APickListWithKeysShowsNamesAndStoresKeys) {
    TDBGridInplaceEdit* ed = Edit(1);
    ASSERT_TRUE(ed);
    EXPECT_EQ(ed->GetText(), "Жіноча");

    // a typed letter completes the name; Enter stores the key
    ed->SelectAll();
    ed->TypeChar(QChar(u'ч'));
    EXPECT_EQ(ed->GetText(), "Чоловіча");
    EXPECT_EQ(ed->GetSelStart(), 1);
    grid->Perform(WM_CHAR, 13, 0);
    EXPECT_EQ(F("SEX"), "Ч");

    // the drop-down: Down chooses, Esc puts back the stored one, Enter takes the chosen one
    grid->ShowEditor();
    Key(ed, VK_DOWN, {ssAlt});
    ASSERT_TRUE(ed->GetListVisible());
    EXPECT_EQ(ed->GetPickList()->GetItems()->Count(), 2);
    EXPECT_EQ(ed->GetPickList()->GetItemIndex(), 0);
    Key(ed, VK_DOWN);
    EXPECT_EQ(ed->GetText(), "Жіноча");
    Key(ed, VK_ESCAPE);
    EXPECT_FALSE(ed->GetListVisible());
    EXPECT_EQ(ed->GetText(), "Чоловіча");
    EXPECT_EQ(F("SEX"), "Ч");
    Key(ed, VK_DOWN, {ssAlt});
    Key(ed, VK_DOWN);
    Key(ed, VK_RETURN);
    EXPECT_FALSE(ed->GetListVisible());
    EXPECT_EQ(ed->GetText(), "Жіноча");
    EXPECT_EQ(F("SEX"), "Ж");

    // a letter no name begins with is not taken
    ed->SelectAll();
    ed->TypeChar(QChar(u'х'));
    EXPECT_EQ(F("SEX"), "Ж");
    EXPECT_EQ(ed->GetText(), "Жіноча");
}

TEST_F(EditorTest, ThePickListShowsAsManyRowsAsItHasUpToDropDownRows) {
    Column(0)->GetPickList()->SetText("Олена\nТарас\nМарія");
    Column(0)->SetDropDownRows(7);
    TDBGridInplaceEdit* ed = Edit(0);
    ASSERT_TRUE(ed);
    ed->DropDown();
    const int ih = ed->GetPickList()->GetItemHeight();
    EXPECT_EQ(ed->GetPickList()->GetHeight(), 3 * ih + 4);
    ed->CloseUp(false);
    QStringList many;
    for (int i = 0; i < 20; ++i)
        many << QString::number(i);
    Column(0)->GetPickList()->SetText(many.join('\n'));
    ed->DropDown();
    EXPECT_EQ(ed->GetPickList()->GetHeight(), 7 * ih + 4);
    ed->CloseUp(false);
    // a key list longer than the pick list shows only the named entries
    Column(1)->GetKeyList()->SetText("Ч\nЖ\nН");
    ed = Edit(1);
    ed->DropDown();
    EXPECT_EQ(ed->GetPickList()->GetItems()->Count(), 2);
    ed->CloseUp(false);
}

// The pick list's grip resizes it; the size given is the column's rows and width, whether the
// choice is taken or not; a list that was not resized leaves them.
TEST_F(EditorTest, ThePickListsGripSizeIsKeptInTheColumn) {
    QStringList many;
    for (int i = 0; i < 20; ++i)
        many << QString::number(i);
    Column(0)->GetPickList()->SetText(many.join('\n'));
    Column(0)->SetDropDownRows(7);
    Column(0)->SetDropDownSizing(true);
    TDBGridInplaceEdit* ed = Edit(0);
    ASSERT_TRUE(ed);
    for (bool accept : {false, true}) {
        SCOPED_TRACE(accept);
        ed->DropDown();
        TPopupListbox* list = ed->GetPickList();
        TSizeGripEh* grip = list->GetSizeGrip();
        ASSERT_TRUE(grip->GetVisible());
        const int ih = list->GetItemHeight();
        const int w = list->GetWidth();
        // the grip sits in the lower right corner of a list that opened below
        EXPECT_EQ(grip->GetLeft() + grip->GetWidth(), list->GetClientWidth());
        EXPECT_EQ(grip->GetTop() + grip->GetHeight(), list->GetClientHeight());
        const TPoint p{grip->GetWidth() / 2, grip->GetHeight() / 2};
        SendMouse(grip, QEvent::MouseButtonPress, p.X, p.Y);
        QWidget* gw = grip->GetHandle();
        const QPoint to = WidgetPoint(grip, p.X + 30, p.Y + 2 * ih);
        QMouseEvent move(QEvent::MouseMove, QPointF(to), QPointF(gw->mapToGlobal(to)), Qt::NoButton,
                         Qt::LeftButton, {});
        QCoreApplication::sendEvent(gw, &move);
        SendMouse(grip, QEvent::MouseButtonRelease, p.X + 30, p.Y + 2 * ih);
        EXPECT_TRUE(list->GetResizedByUser());
        EXPECT_EQ(list->GetWidth(), w + 30);
        ed->CloseUp(accept);
        EXPECT_EQ(Column(0)->GetDropDownRows(), 9u);
        EXPECT_EQ(Column(0)->GetDropDownWidth(), w + 30);
        // opened again it has that size, and without a drag nothing changes
        ed->DropDown();
        EXPECT_EQ(list->GetHeight(), 9 * ih + 4);
        EXPECT_EQ(list->GetWidth(), w + 30);
        EXPECT_FALSE(list->GetResizedByUser());
        ed->CloseUp(false);
        EXPECT_EQ(Column(0)->GetDropDownRows(), 9u);
        Column(0)->SetDropDownRows(7);
        Column(0)->SetDropDownWidth(0);
    }
}

TEST_F(EditorTest, TheLookupListWritesTheChosenKey) {
    TDBGridInplaceEdit* ed = Edit(3);
    ASSERT_TRUE(ed);
    EXPECT_EQ(ed->GetText(), "Інженер");
    Key(ed, VK_DOWN, {ssAlt});
    ASSERT_TRUE(ed->GetListVisible());
    ASSERT_TRUE(ed->GetDataList());
    EXPECT_TRUE(ed->GetDataList()->GetVisible());
    Key(ed, VK_DOWN);
    EXPECT_EQ(ed->GetText(), "Бухгалтер");
    Key(ed, VK_RETURN);
    EXPECT_FALSE(ed->GetListVisible());
    EXPECT_EQ(F("POS"), "02");
    EXPECT_EQ(F("POSNAME"), "Бухгалтер");

    // typing completes from the lookup table; Enter posts the key
    ed->SelectAll();
    ed->TypeChar(QChar(u'в'));
    EXPECT_EQ(ed->GetText(), "Водій");
    grid->Perform(WM_CHAR, 13, 0);
    EXPECT_EQ(F("POS"), "03");

    // Delete on the whole text clears the key and the name
    grid->ShowEditor();
    ed->SelectAll();
    Key(ed, VK_DELETE);
    EXPECT_TRUE(ds.FieldByName("POS")->IsNull());
    EXPECT_EQ(ed->GetText(), "");
    EXPECT_EQ(F("POSNAME"), "");
}

TEST_F(EditorTest, TheCalendarGivesTheDateOfAColumn) {
    TDBGridInplaceEdit* ed = Edit(2);
    ASSERT_TRUE(ed);
    EXPECT_EQ(ed->GetText(), "14.05.2010");
    Key(ed, VK_DOWN, {ssAlt});
    ASSERT_TRUE(ed->GetListVisible());
    TPopupWindow* cal = ed->GetCalendar();
    ASSERT_TRUE(cal && cal->GetVisible());
    EXPECT_EQ(cal->GetValue().AsDate(), EncodeDate(2010, 5, 14));
    // a week on with the arrow keys; Esc leaves the date, Enter takes it
    for (int i = 0; i < 7; ++i)
        Key(ed, VK_RIGHT);
    EXPECT_EQ(cal->GetValue().AsDate(), EncodeDate(2010, 5, 21));
    Key(ed, VK_ESCAPE);
    EXPECT_EQ(ds.FieldByName("BORN")->GetAsDateTime(), EncodeDate(2010, 5, 14));
    Key(ed, VK_DOWN, {ssAlt});
    ASSERT_TRUE(ed->GetListVisible());
    Key(ed, VK_NEXT); // a month on
    EXPECT_EQ(cal->GetValue().AsDate(), EncodeDate(2010, 6, 14));
    Key(ed, VK_RETURN);
    EXPECT_FALSE(cal->GetVisible());
    EXPECT_EQ(ds.FieldByName("BORN")->GetAsDateTime(), EncodeDate(2010, 6, 14));
    EXPECT_EQ(ed->GetText(), "14.06.2010");
}

// An up-down button held down steps at once, again after half a second, then every tenth; the
// repeat pauses while the mouse is off the button and ends with the release.
TEST_F(StaffColumnsTest, AHeldUpDownHalfRepeatsItsStep) {
    ManualTimers timers;
    grid->SetFocus();
    QApplication::processEvents();
    Column(2)->SetButtonStyle(cbsUpDown);
    grid->SetSelectedIndex(2);
    grid->ShowEditor();
    auto* ed = dynamic_cast<TDBGridInplaceEdit*>(grid->GetInplaceEditor());
    ASSERT_TRUE(ed && ed->GetVisible());
    TWinControl* button = ed->GetButtonControl();
    ASSERT_TRUE(button && button->GetVisible());
    auto age = [&] { return ds.FieldByName("AGE")->GetAsInteger(); };
    ASSERT_EQ(age(), 45);
    const int x = button->GetWidth() / 2;
    const TPoint upper{x, 2}, lower{x, button->GetHeight() - 3};
    auto mouse = [&](QEvent::Type T, TPoint P) {
        QWidget* w = button->GetHandle();
        const QPoint p = WidgetPoint(button, P.X, P.Y);
        const Qt::MouseButtons held =
            T == QEvent::MouseButtonRelease ? Qt::MouseButtons() : Qt::LeftButton;
        QMouseEvent e(T, QPointF(p), QPointF(w->mapToGlobal(p)),
                      T == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held, {});
        QCoreApplication::sendEvent(w, &e);
    };
    struct Step {
        const char* what;
        std::function<void()> act;
        int age;
    };
    const Step steps[] = {
        {"the press steps up at once", [&] { mouse(QEvent::MouseButtonPress, upper); }, 46},
        {"nothing before half a second", [&] { timers.Source.Advance(499); }, 46},
        {"the first repeat", [&] { timers.Source.Advance(1); }, 47},
        {"then every tenth of a second", [&] { timers.Source.Advance(300); }, 50},
        {"off the button it waits",
         [&] {
             mouse(QEvent::MouseMove, TPoint{x, -30});
             timers.Source.Advance(500);
         },
         50},
        {"back over it, it goes on",
         [&] {
             mouse(QEvent::MouseMove, upper);
             timers.Source.Advance(200);
         },
         52},
        {"the release ends it",
         [&] {
             mouse(QEvent::MouseButtonRelease, upper);
             timers.Source.Advance(1000);
         },
         52},
        {"the lower half steps down",
         [&] {
             mouse(QEvent::MouseButtonPress, lower);
             timers.Source.Advance(550);
             mouse(QEvent::MouseButtonRelease, lower);
             timers.Source.Advance(1000);
         },
         50},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        s.act();
        EXPECT_EQ(age(), s.age);
    }
    EXPECT_EQ(timers.Source.ActiveCount(), 0);
    EXPECT_EQ(ed->GetText(), "50");
}

} // namespace
