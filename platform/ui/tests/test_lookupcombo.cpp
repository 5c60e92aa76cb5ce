// The drop-down list of the lookup combo: it opens under the combo with the current key's row
// chosen, the keyboard moves its row, Enter or a click on a row takes it (writing the data
// field), Esc and a click elsewhere change nothing, typing searches in it.
#include "DBCtrls.h"
#include "MemDS.h"
#include "StdTestSupport.h"

namespace {

class LookupComboTest : public FormTest {
protected:
    void SetUp() override {
        FormTest::SetUp();
        data = new TMemDataSet(form);
        data->GetFieldDefs()->Add(QStringLiteral("NAME"), ftString, 20);
        data->GetFieldDefs()->Add(QStringLiteral("POST"), ftInteger);
        data->Open();
        data->AppendRecord({QStringLiteral("Петренко"), 2});
        src = new TDataSource(form);
        src->SetDataSet(data);

        list = new TMemDataSet(form);
        list->GetFieldDefs()->Add(QStringLiteral("ID"), ftInteger);
        list->GetFieldDefs()->Add(QStringLiteral("TITLE"), ftString, 20);
        list->GetFieldDefs()->Add(QStringLiteral("CODE"), ftString, 5);
        list->Open();
        const char* titles[] = {"Бухгалтер", "Інженер", "Інспектор", "Кадровик", "Юрист"};
        for (int i = 0; i < 5; ++i)
            list->AppendRecord(
                {i + 1, QString::fromUtf8(titles[i]), QStringLiteral("K%1").arg(i + 1)});
        list->First();
        listSrc = new TDataSource(form);
        listSrc->SetDataSet(list);

        combo = form->Add<TDBLookupComboBox>(10, 10, 180, 22);
        combo->SetListSource(listSrc);
        combo->SetKeyField(QStringLiteral("ID"));
        combo->SetListField(QStringLiteral("TITLE;CODE"));
        combo->SetDropDownRows(3);
        combo->SetDataSource(src);
        combo->SetDataField(QStringLiteral("POST"));
        combo->OnDropDown = [this](TObject*) { ++dropDowns; };
        combo->OnCloseUp = [this](TObject*) { ++closeUps; };
        combo->OnClick = [this](TObject*) { ++clicks; };
        combo->SetFocus();
    }
    int post() { return data->FieldByName(QStringLiteral("POST"))->GetAsInteger(); }
    bool listShown() {
        TDBLookupListBox* l = combo->GetDropDownList();
        return l && l->HandleAllocated() && l->GetHandle()->isVisible();
    }
    TMemDataSet* data = nullptr;
    TMemDataSet* list = nullptr;
    TDataSource* src = nullptr;
    TDataSource* listSrc = nullptr;
    TDBLookupComboBox* combo = nullptr;
    int dropDowns = 0, closeUps = 0, clicks = 0;
};

TEST_F(LookupComboTest, DropDownShowsTheRowsUnderTheComboWithTheKeyChosen) {
    ASSERT_EQ(combo->GetText(), QStringLiteral("Інженер"));
    PressKey(combo, Qt::Key_F4);
    ASSERT_TRUE(combo->GetListVisible());
    EXPECT_TRUE(listShown());
    EXPECT_EQ(dropDowns, 1);
    TDBLookupListBox* l = combo->GetDropDownList();
    EXPECT_EQ(l->GetRowCount(), 3); // DropDownRows, fewer than the five rows
    EXPECT_EQ(l->GetClientHeight(), 3 * l->RowHeight() + 2); // and the 1 px frame
    EXPECT_EQ(l->GetKeyValue().AsInt(), 2);
    EXPECT_EQ(l->Rows()[2].Texts, (QStringList{QStringLiteral("Інспектор"), QStringLiteral("K3")}));
    // a top-level window right under the combo, as wide as it
    QWidget* w = l->GetHandle();
    EXPECT_TRUE(w->isWindow());
    QRect comboRect(combo->GetHandle()->mapToGlobal(QPoint(0, 0)), combo->GetHandle()->size());
    EXPECT_EQ(w->geometry().top(), comboRect.bottom() + 1);
    EXPECT_EQ(w->geometry().left(), comboRect.left());
    EXPECT_EQ(w->width(), combo->GetWidth());
    // the keyboard stays with the combo
    EXPECT_TRUE(combo->Focused());
    PressKey(combo, Qt::Key_F4);
    EXPECT_FALSE(combo->GetListVisible());
    EXPECT_FALSE(listShown());
    EXPECT_EQ(closeUps, 1);
}

TEST_F(LookupComboTest, KeysMoveTheListRowAndEnterOrEscDecide) {
    struct Key {
        int Code;
        Qt::KeyboardModifiers Mods;
    };
    const Key f4{Qt::Key_F4, {}}, altDown{Qt::Key_Down, Qt::AltModifier},
        altUp{Qt::Key_Up, Qt::AltModifier}, down{Qt::Key_Down, {}}, up{Qt::Key_Up, {}},
        end{Qt::Key_End, {}}, enter{Qt::Key_Return, {}}, esc{Qt::Key_Escape, {}};
    struct Case {
        const char* What;
        std::vector<Key> Keys;
        int Post;
        int Clicks;
        bool Editing;
    };
    const Case cases[] = {
        {"Down then Enter takes the next row", {f4, down, enter}, 3, 1, true},
        {"Esc puts nothing back and writes nothing", {f4, down, down, esc}, 2, 0, false},
        {"Alt+Down opens, Alt+Up closes taking the row", {altDown, up, altUp}, 1, 1, true},
        {"End goes to the last row, past the shown ones", {f4, end, enter}, 5, 1, true},
        {"closing on the same row changes nothing", {f4, down, up, enter}, 2, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        data->Cancel();
        clicks = closeUps = 0;
        for (const Key& k : c.Keys)
            PressKey(combo, k.Code, k.Mods);
        EXPECT_FALSE(combo->GetListVisible());
        EXPECT_FALSE(listShown());
        EXPECT_EQ(closeUps, 1);
        EXPECT_EQ(post(), c.Post);
        EXPECT_EQ(combo->GetKeyValue().AsInt(), c.Post);
        EXPECT_EQ(clicks, c.Clicks);
        EXPECT_EQ(data->GetState() == dsEdit, c.Editing);
    }
    // without the list the arrows keep choosing the neighbouring row at once
    data->Cancel();
    PressKey(combo, Qt::Key_Down);
    EXPECT_EQ(post(), 3);
}

TEST_F(LookupComboTest, ClickOnARowTakesItAndAClickElsewhereCloses) {
    combo->DropDown();
    TDBLookupListBox* l = combo->GetDropDownList();
    SendMouse(l, QEvent::MouseMove, 5, 3); // hovering moves the row
    EXPECT_EQ(combo->GetListValue().AsInt(), 1);
    EXPECT_EQ(post(), 2);
    Click(l, 5, l->RowHeight() * 2 + 2);
    EXPECT_FALSE(combo->GetListVisible());
    EXPECT_FALSE(listShown());
    EXPECT_EQ(post(), 3);
    EXPECT_EQ(combo->GetText(), QStringLiteral("Інспектор"));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(closeUps, 1);
    // a click on the form outside the list closes it with no change
    data->Cancel();
    combo->DropDown();
    PressKey(combo, Qt::Key_Down);
    Click(form, 300, 250);
    EXPECT_FALSE(combo->GetListVisible());
    EXPECT_FALSE(listShown());
    EXPECT_EQ(post(), 2);
    EXPECT_EQ(closeUps, 2);
    // a click on the combo's own button toggles it
    Click(combo, combo->GetClientWidth() - 3, 5);
    EXPECT_TRUE(combo->GetListVisible());
    Click(combo, combo->GetClientWidth() - 3, 5);
    EXPECT_FALSE(combo->GetListVisible());
    // an unbound combo takes the clicked row as its key value
    auto* unbound = form->Add<TDBLookupComboBox>(10, 60, 180, 22);
    unbound->SetListSource(listSrc);
    unbound->SetKeyField(QStringLiteral("ID"));
    unbound->SetListField(QStringLiteral("TITLE"));
    unbound->DropDown();
    EXPECT_TRUE(unbound->GetDropDownList()->GetKeyValue().IsEmpty()); // no row chosen yet
    Click(unbound->GetDropDownList(), 5, unbound->GetDropDownList()->RowHeight() * 2 + 2);
    EXPECT_EQ(unbound->GetKeyValue().AsInt(), 3);
    EXPECT_EQ(unbound->GetText(), QStringLiteral("Інспектор"));
}

TEST_F(LookupComboTest, TypingWhileDroppedChoosesTheMatchingRow) {
    PressKey(combo, Qt::Key_F4);
    TypeText(combo, QStringLiteral("інс"));
    EXPECT_TRUE(combo->GetListVisible());
    EXPECT_EQ(combo->GetSearchText(), QStringLiteral("інс"));
    EXPECT_EQ(combo->GetListValue().AsInt(), 3);
    EXPECT_EQ(post(), 2); // not written before the list closes
    EXPECT_EQ(clicks, 0);
    TypeText(combo, QStringLiteral("ж")); // no row begins so: the search stays
    EXPECT_EQ(combo->GetSearchText(), QStringLiteral("інс"));
    EXPECT_EQ(combo->GetListValue().AsInt(), 3);
    PressKey(combo, Qt::Key_Return);
    EXPECT_FALSE(combo->GetListVisible());
    EXPECT_EQ(post(), 3);
    EXPECT_EQ(combo->GetText(), QStringLiteral("Інспектор"));
}

} // namespace
