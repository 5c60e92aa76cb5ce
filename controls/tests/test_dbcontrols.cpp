// The data-aware date edit and combo box over the in-memory dataset: what they show, what
// they write back (the time of day kept, codes from Values), Esc, bad input and read-only
// records.
#include "ControlsTestSupport.h"
#include "MemDS.h"
#include "RXDBCtrl.h"
#include "RxDBComb.h"

#include <QComboBox>

namespace {

class DBControlsTest : public ControlsFormTest {
protected:
    void SetUp() override {
        ControlsFormTest::SetUp();
        ds = new TMemDataSet(form);
        ds->GetFieldDefs()->Add(QStringLiteral("NAME"), ftString, 30);
        ds->GetFieldDefs()->Add(QStringLiteral("BORN"), ftDateTime);
        ds->GetFieldDefs()->Add(QStringLiteral("SEX"), ftString, 1);
        ds->GetFieldDefs()->Add(QStringLiteral("CAT"), ftString, 20);
        ds->Open();
        ds->AppendRecord({QStringLiteral("Коваленко Олена"), Variant::FromDate(born),
                          QStringLiteral("Ж"), QStringLiteral("Фахівець")});
        ds->AppendRecord({QStringLiteral("Мельник Петро"), Null(), QStringLiteral("Ч"),
                          QStringLiteral("Керівник")});
        ds->AppendRecord({QStringLiteral("Гнатюк Ірина"), Null(), QStringLiteral("X"), Null()});
        ds->First();
        src = new TDataSource(form);
        src->SetDataSet(ds);

        date = form->Add<TDBDateEdit>(10, 10, 120, 21);
        date->SetYearDigits(dyFour);
        date->SetCalendarStyle(csPopup);
        date->SetDataSource(src);
        date->SetDataField(QStringLiteral("BORN"));
        sex = form->Add<TRxDBComboBox>(10, 40, 120, 21);
        for (const char* s : {"Чоловік", "Жінка"})
            sex->GetItems()->Add(QString::fromUtf8(s));
        for (const char* s : {"Ч", "Ж"})
            sex->GetValues()->Add(QString::fromUtf8(s));
        sex->SetDataSource(src);
        sex->SetDataField(QStringLiteral("SEX"));
        name = form->Add<TDBEdit>(10, 70, 120, 21);
        name->SetDataSource(src);
        name->SetDataField(QStringLiteral("NAME"));
        QApplication::processEvents();
    }
    TField* field(const char* Name) { return ds->FieldByName(QString::fromLatin1(Name)); }
    // A choice in the open list of a combo box, as a click on its row gives it.
    void choose(TCustomComboBox* C, int Index) {
        C->ComboBox()->setCurrentIndex(Index);
        emit C->ComboBox()->activated(Index);
    }
    const TDateTime born = EncodeDateTime(2020, 5, 10, 14, 30, 0, 0);
    TMemDataSet* ds = nullptr;
    TDataSource* src = nullptr;
    TDBDateEdit* date = nullptr;
    TRxDBComboBox* sex = nullptr;
    TDBEdit* name = nullptr;
};

TEST_F(DBControlsTest, ADateTypedOverKeepsTheTimeOfDay) {
    EXPECT_EQ(date->GetText(), QStringLiteral("10.05.2020"));
    date->SetFocus();
    EXPECT_EQ(ds->GetState(), dsBrowse);
    date->SelectAll();
    TypeText(date, QStringLiteral("11052020"));
    EXPECT_EQ(ds->GetState(), dsEdit);
    PressKey(date, Qt::Key_Tab);
    EXPECT_EQ(form->GetActiveControl(), static_cast<TWinControl*>(sex));
    ds->Post();
    EXPECT_EQ(field("BORN")->GetAsDateTime(), EncodeDateTime(2020, 5, 11, 14, 30, 0, 0));
    // a null field shows nothing; scrolling back shows the date
    ds->Next();
    EXPECT_EQ(date->GetText(), QStringLiteral("  .  .    "));
    ds->Prior();
    EXPECT_EQ(date->GetText(), QStringLiteral("11.05.2020"));
    EXPECT_TRUE(Messages().isEmpty());
}

TEST_F(DBControlsTest, TheCalendarWritesTheFieldAndEscRestores) {
    date->SetFocus();
    SendKey(date, Qt::Key_Down, QString(), Qt::AltModifier);
    ASSERT_TRUE(date->GetPopupVisible());
    PressKey(date, Qt::Key_Right);
    PressKey(date, Qt::Key_Return);
    EXPECT_EQ(ds->GetState(), dsEdit);
    EXPECT_EQ(field("BORN")->GetAsDateTime(), EncodeDateTime(2020, 5, 11, 14, 30, 0, 0));
    EXPECT_EQ(date->GetText(), QStringLiteral("11.05.2020"));
    ds->Cancel();
    EXPECT_EQ(date->GetText(), QStringLiteral("10.05.2020"));

    // Esc puts the field's value back after typing
    date->SelectAll();
    TypeText(date, QStringLiteral("0101"));
    EXPECT_EQ(date->GetText(), QStringLiteral("01.01.    "));
    PressKey(date, Qt::Key_Escape);
    EXPECT_EQ(date->GetText(), QStringLiteral("10.05.2020"));
    PressKey(date, Qt::Key_Tab);
    ds->CheckBrowseMode();
    EXPECT_EQ(field("BORN")->GetAsDateTime(), born);
    EXPECT_TRUE(Messages().isEmpty());
}

TEST_F(DBControlsTest, ABadDateKeepsTheFocusAndTheField) {
    date->SetFocus();
    date->SelectAll();
    TypeText(date, QStringLiteral("31022020"));
    PressKey(date, Qt::Key_Tab);
    EXPECT_EQ(Messages(), QStringList{QStringLiteral("''31.02.2020'' is not a valid date.")});
    EXPECT_EQ(form->GetActiveControl(), static_cast<TWinControl*>(date));
    EXPECT_EQ(date->GetSelLength(), 10);
    EXPECT_EQ(field("BORN")->GetAsDateTime(), born);
    // letters beep and stay out; the date separator moves on
    date->SetSelStart(0);
    TypeText(date, QStringLiteral("жz"));
    EXPECT_EQ(date->GetText(), QStringLiteral("31.02.2020"));
    // bounds without clamping: the range message, the field keeps its value
    date->SetDateAutoBetween(false);
    date->SetMinDate(EncodeDate(2020, 1, 1));
    date->SelectAll();
    TypeText(date, QStringLiteral("15062019"));
    PressKey(date, Qt::Key_Tab);
    EXPECT_EQ(
        Messages().back(),
        QStringLiteral(
            "\"15.06.2019\" - неверная дата. Значение должно быть не меньше \"01.01.2020\"."));
    EXPECT_EQ(form->GetActiveControl(), static_cast<TWinControl*>(date));
    EXPECT_EQ(field("BORN")->GetAsDateTime(), born);
}

TEST_F(DBControlsTest, EmptyingStoresNullOrTodayWithDefaultToday) {
    date->SetFocus();
    date->SelectAll();
    PressKey(date, Qt::Key_Delete);
    EXPECT_EQ(date->GetText(), QStringLiteral("  .  .    "));
    ds->Post();
    EXPECT_TRUE(field("BORN")->IsNull());

    // with DefaultToday a null date shows today but stays null until this control is edited
    date->SetDefaultToday(true);
    EXPECT_EQ(date->GetText(), QStringLiteral("15.06.2026"));
    name->SetFocus();
    TypeText(name, QStringLiteral("а"));
    EXPECT_EQ(ds->GetState(), dsEdit);
    EXPECT_TRUE(field("BORN")->IsNull());
    ds->Post();
    EXPECT_TRUE(field("BORN")->IsNull());
    date->SetFocus();
    PressPad(date, u'+');
    EXPECT_EQ(date->GetText(), QStringLiteral("16.06.2026"));
    ds->Post();
    EXPECT_EQ(field("BORN")->GetAsDateTime(), EncodeDateTime(2026, 6, 16, 10, 30, 0, 0));
    // emptied with DefaultToday: today is stored
    date->SelectAll();
    PressKey(date, Qt::Key_Delete);
    ds->Post();
    EXPECT_EQ(DateOf(field("BORN")->GetAsDateTime()), EncodeDate(2026, 6, 15));
}

TEST_F(DBControlsTest, ARecordThatCannotChangeKeepsItsDate) {
    ds->SetReadOnly(true);
    date->SetFocus();
    date->SelectAll();
    TypeText(date, QStringLiteral("1"));
    PressPad(date, u'+');
    EXPECT_EQ(date->GetText(), QStringLiteral("10.05.2020"));
    SendKey(date, Qt::Key_Down, QString(), Qt::AltModifier);
    ASSERT_TRUE(date->GetPopupVisible());
    PressKey(date, Qt::Key_Right);
    PressKey(date, Qt::Key_Return);
    EXPECT_EQ(ds->GetState(), dsBrowse);
    EXPECT_EQ(date->GetText(), QStringLiteral("10.05.2020"));
    EXPECT_EQ(field("BORN")->GetAsDateTime(), born);
}

TEST_F(DBControlsTest, CodesFromValuesShowAsTheirItems) {
    EXPECT_EQ(sex->GetText(), QStringLiteral("Жінка"));
    EXPECT_EQ(sex->GetPaintText(), QStringLiteral("Жінка"));
    ds->Next();
    EXPECT_EQ(sex->GetText(), QStringLiteral("Чоловік"));
    ds->Next(); // a code not in Values shows nothing
    EXPECT_EQ(sex->GetItemIndex(), -1);
    EXPECT_EQ(sex->GetText(), QString());
    EXPECT_EQ(sex->GetPaintText(), QString());
    ds->First();
    sex->SetFocus();
    PressKey(sex, Qt::Key_Up);
    EXPECT_EQ(sex->GetText(), QStringLiteral("Чоловік"));
    EXPECT_EQ(ds->GetState(), dsEdit);
    ds->Post();
    EXPECT_EQ(field("SEX")->GetAsString(), QStringLiteral("Ч"));
    choose(sex, 1);
    PressKey(sex, Qt::Key_Tab);
    ds->Post();
    EXPECT_EQ(field("SEX")->GetAsString(), QStringLiteral("Ж"));
    // a typed Cyrillic letter picks the item it begins and starts the edit
    ds->Cancel();
    TypeText(sex, QStringLiteral("ч"));
    EXPECT_EQ(sex->GetText(), QStringLiteral("Чоловік"));
    EXPECT_EQ(ds->GetState(), dsEdit);
    ds->Post();
    EXPECT_EQ(field("SEX")->GetAsString(), QStringLiteral("Ч"));
    choose(sex, 1);
    ds->Post();
    // Esc puts the stored choice back
    choose(sex, 0);
    PressKey(sex, Qt::Key_Escape);
    EXPECT_EQ(sex->GetText(), QStringLiteral("Жінка"));
    ds->Cancel();
    EXPECT_TRUE(Messages().isEmpty());
}

TEST_F(DBControlsTest, AnItemWithoutACodeIsRefused) {
    sex->GetItems()->Add(QStringLiteral("Невідомо"));
    sex->SetFocus();
    // chosen with the mouse or reached with the keyboard: refused, never stored empty
    const std::function<void()> ways[] = {[this] { choose(sex, 2); },
                                          [this] { PressKey(sex, Qt::Key_End); }};
    for (const auto& way : ways) {
        dialogs.Script.Asked.clear();
        way();
        EXPECT_EQ(Messages(),
                  QStringList{QStringLiteral("Для елемента \"Невідомо\" не задано значення.")});
        EXPECT_EQ(sex->GetText(), QStringLiteral("Жінка"));
        ds->CheckBrowseMode();
        EXPECT_EQ(field("SEX")->GetAsString(), QStringLiteral("Ж"));
    }
}

TEST_F(DBControlsTest, PaintedAsACopyTheyDrawTheField) {
    // a grid or panel that paints a replica of a control gets the field's text
    auto texts = [](TWinControl* C) {
        TBitmap b(C->GetWidth(), C->GetHeight());
        TTextRecorder rec;
        b.GetCanvas()->SetRecorder(&rec);
        C->PaintTo(b.GetCanvas(), 0, 0);
        QStringList l;
        for (const TTextRecord& r : rec.Items)
            l << r.Text;
        return l;
    };
    EXPECT_EQ(texts(date), QStringList{QStringLiteral("10.05.2020")});
    EXPECT_EQ(texts(sex), QStringList{QStringLiteral("Жінка")});
    ds->Next();
    EXPECT_EQ(texts(date), QStringList{QStringLiteral("  .  .    ")});
    EXPECT_EQ(texts(sex), QStringList{QStringLiteral("Чоловік")});
}

TEST_F(DBControlsTest, EditableStylesStoreTheText) {
    auto* cat = form->Add<TRxDBComboBox>(150, 40, 150, 21);
    for (const char* s : {"Керівник", "Професіонал", "Фахівець"})
        cat->GetItems()->Add(QString::fromUtf8(s));
    // an editable style turns the codes off; turning them on makes the list fixed again
    cat->SetStyle(csDropDown);
    EXPECT_FALSE(cat->GetEnableValues());
    cat->SetEnableValues(true);
    EXPECT_EQ(cat->GetStyle(), csDropDownList);
    cat->SetStyle(csDropDown);
    EXPECT_FALSE(cat->GetEnableValues());
    cat->SetDataSource(src);
    cat->SetDataField(QStringLiteral("CAT"));
    EXPECT_EQ(cat->GetText(), QStringLiteral("Фахівець"));
    ds->Edit();
    field("CAT")->SetAsString(QStringLiteral("Робітник"));
    EXPECT_EQ(cat->GetText(), QStringLiteral("Робітник")); // not an item: shown as typed text
    ds->Cancel();
    cat->SetFocus();
    choose(cat, 0);
    ds->Post();
    EXPECT_EQ(field("CAT")->GetAsString(), QStringLiteral("Керівник"));
    cat->SetFocus();
    cat->SelectAll();
    TypeText(cat, QStringLiteral("Тех.службовець"));
    PressKey(cat, Qt::Key_Tab);
    ds->Post();
    EXPECT_EQ(field("CAT")->GetAsString(), QStringLiteral("Тех.службовець"));
}

TEST_F(DBControlsTest, AComboOnARecordThatCannotChangeKeepsItsValue) {
    ds->SetReadOnly(true);
    sex->SetFocus();
    PressKey(sex, Qt::Key_Up);
    EXPECT_EQ(sex->GetText(), QStringLiteral("Жінка"));
    choose(sex, 0);
    EXPECT_EQ(sex->GetText(), QStringLiteral("Жінка"));
    EXPECT_EQ(ds->GetState(), dsBrowse);
    // the simple style is refused inside a record-replicating panel
    sex->GetDataLink()->SetDataSourceFixed(true);
    try {
        sex->SetStyle(csSimple);
        ADD_FAILURE() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message, QStringLiteral("Control cannot be used in a DBCtrlGrid"));
    }
    EXPECT_TRUE(Messages().isEmpty());
}

} // namespace
