// The lookup controls over two in-memory datasets (employees with a subdivision code, and the
// subdivisions): the incremental search on the injected clock, the key written to the field,
// lookup-field mode, refused links, and the list and the combo box driven by keys, the mouse
// and the wheel.
#include "ControlsTestSupport.h"
#include "MemDS.h"
#include "RxLookup.h"

#include <QWheelEvent>

namespace {

void Wheel(TWinControl* C, int X, int Y, int Clicks) {
    QWidget* w = C->GetHandle();
    const QPoint p = WidgetPoint(C, X, Y);
    QWheelEvent e(QPointF(p), QPointF(w->mapToGlobal(p)), QPoint(), QPoint(0, -120 * Clicks),
                  Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(w, &e);
}

void TypeChar(TWinControl* C, QChar Ch) {
    SendKey(C, QtKeyOfChar(Ch), QString(Ch));
}

class LookupTest : public ControlsFormTest {
protected:
    void SetUp() override {
        ControlsFormTest::SetUp();
        podr = new TMemDataSet(form);
        podr->GetFieldDefs()->Add(QStringLiteral("CODE"), ftInteger);
        podr->GetFieldDefs()->Add(QStringLiteral("NAME"), ftString, 40);
        podr->Open();
        int code = 10;
        for (const char* n :
             {"Бухгалтерія", "Бюро пропусків", "Відділ кадрів", "Гараж", "Дирекція", "Канцелярія",
              "Лабораторія", "Склад", "Цех №1", "Цех №2", "Юридичний відділ"})
            podr->AppendRecord({code++, QString::fromUtf8(n)});
        podr->First();
        podrSrc = new TDataSource(form);
        podrSrc->SetDataSet(podr);

        emp = new TMemDataSet(form);
        emp->GetFieldDefs()->Add(QStringLiteral("FAMILY"), ftString, 30);
        emp->GetFieldDefs()->Add(QStringLiteral("PODR"), ftInteger);
        emp->Open();
        emp->AppendRecord({QStringLiteral("Коваленко"), 12});
        emp->AppendRecord({QStringLiteral("Мельник"), Null()});
        emp->First();
        empSrc = new TDataSource(form);
        empSrc->SetDataSet(emp);
    }
    template <typename T> T* make(int L, int Tp, int W, int H) {
        T* c = form->Add<T>(L, Tp, W, H);
        c->SetLookupSource(podrSrc);
        c->SetLookupField(QStringLiteral("CODE"));
        c->SetLookupDisplay(QStringLiteral("NAME"));
        c->OnChange = [this](TObject*) { ++changes; };
        return c;
    }
    QString podrName() { return podr->FieldByName(QStringLiteral("NAME"))->GetAsString(); }
    TField* empPodr() { return emp->FieldByName(QStringLiteral("PODR")); }
    TMemDataSet* podr = nullptr;
    TMemDataSet* emp = nullptr;
    TDataSource* podrSrc = nullptr;
    TDataSource* empSrc = nullptr;
    int changes = 0;
};

TEST_F(LookupTest, TypedLettersSearchWithinTwoSeconds) {
    auto* list = make<TRxDBLookupList>(10, 10, 200, 120);
    list->SetFocus();
    struct Step {
        const char* Key; // "\b" Backspace, "\t" Tab
        int WaitMs;
        const char* Typed;
        const char* Value;
    };
    // lower case finds the record and takes its letters; a letter that finds nothing is refused
    const Step steps[] = {
        {"б", 0, "Б", "10"},     {"ю", 500, "Бю", "11"}, {"я", 500, "Бю", "11"},
        {"\b", 300, "Б", "11"},  {"\b", 300, "", "11"},  {"ц", 100, "Ц", "18"},
        {"е", 1999, "Це", "18"}, {"г", 2001, "Г", "13"}, {"\t", 0, "", "13"},
        {"л", 100, "Л", "16"},   {"\x1b", 0, "", "16"},  {"ю", 0, "Ю", "20"},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.Key);
        clock.Advance(s.WaitMs);
        const QString k = QString::fromUtf8(s.Key);
        if (k == QStringLiteral("\b"))
            PressKey(list, Qt::Key_Backspace);
        else if (k == QStringLiteral("\t"))
            list->Perform(WM_CHAR, 9, 0);
        else if (k == QStringLiteral("\x1b"))
            PressKey(list, Qt::Key_Escape);
        else
            TypeChar(list, k[0]);
        EXPECT_EQ(list->GetTypedText(), QString::fromUtf8(s.Typed));
        EXPECT_EQ(list->GetValue(), QString::fromLatin1(s.Value));
    }
    EXPECT_EQ(list->GetShownText(), QStringLiteral("Юридичний відділ"));
    // the typed text holds 32 letters at most: the 33rd is refused
    podr->AppendRecord({99, QString(40, u'Я')});
    clock.Advance(2500);
    for (int i = 0; i < 32; ++i)
        TypeChar(list, u'я');
    EXPECT_EQ(list->GetTypedText(), QString(32, u'Я'));
    EXPECT_EQ(list->GetValue(), QStringLiteral("99"));
    TypeChar(list, u'я');
    EXPECT_EQ(list->GetTypedText(), QString(32, u'Я'));
    // read-only: no search
    list->SetReadOnly(true);
    clock.Advance(3000);
    TypeChar(list, u'б');
    EXPECT_EQ(list->GetValue(), QStringLiteral("99"));
}

TEST_F(LookupTest, TheKeyReachesTheFieldAndSetValueTellsOnce) {
    auto* list = make<TRxDBLookupList>(10, 10, 200, 120);
    list->SetDataSource(empSrc);
    list->SetDataField(QStringLiteral("PODR"));
    EXPECT_EQ(list->GetValue(), QStringLiteral("12"));
    EXPECT_EQ(list->GetShownText(), QStringLiteral("Відділ кадрів"));
    list->SetValue(QStringLiteral("12"));
    EXPECT_EQ(changes, 0);
    list->SetValue(QStringLiteral("15"));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(empPodr()->GetAsString(), QStringLiteral("15"));
    EXPECT_EQ(emp->GetState(), dsEdit);
    // moving the main dataset shows the other record's key; a null field is no value
    emp->Post();
    emp->Next();
    EXPECT_EQ(list->GetValue(), QString());
    // the empty value clears the field (EmptyStrIsNull), otherwise it is stored as it is
    emp->Prior();
    list->SetValue(QString());
    EXPECT_TRUE(empPodr()->IsNull());
    list->SetEmptyValue(QStringLiteral("0"));
    list->SetValue(QStringLiteral("13"));
    list->SetValue(QStringLiteral("0"));
    EXPECT_EQ(empPodr()->GetAsString(), QStringLiteral("0"));
    // without a data source the key is only kept
    auto* loose = make<TRxDBLookupList>(220, 10, 150, 120);
    loose->SetValue(QStringLiteral("13"));
    EXPECT_EQ(loose->GetValue(), QStringLiteral("13"));
    EXPECT_EQ(podrName(), QStringLiteral("Гараж"));
}

TEST_F(LookupTest, LookupFieldModeAndRefusedLinks) {
    // a lookup field of the employees names the lookup dataset, its key and result
    emp->Close();
    emp->GetFieldDefs()->Clear();
    for (const auto& [name, type, size] :
         {std::tuple{"FAMILY", ftString, 30}, std::tuple{"PODR", ftInteger, 0}}) {
        TField* f = type == ftString ? static_cast<TField*>(new TStringField(emp))
                                     : static_cast<TField*>(new TIntegerField(emp));
        f->SetFieldName(QString::fromLatin1(name));
        if (size) f->SetSize(size);
        f->SetDataSet(emp);
    }
    auto* lf = new TStringField(emp);
    lf->SetFieldName(QStringLiteral("PODR_NAME"));
    lf->SetFieldKind(fkLookup);
    lf->SetSize(40);
    lf->SetKeyFields(QStringLiteral("PODR"));
    lf->SetLookupDataSet(podr);
    lf->SetLookupKeyFields(QStringLiteral("CODE"));
    lf->SetLookupResultField(QStringLiteral("NAME"));
    lf->SetDataSet(emp);
    emp->Open();
    emp->AppendRecord({QStringLiteral("Бойко"), 14});
    auto* combo = form->Add<TRxDBLookupCombo>(10, 10, 200, 21);
    combo->SetDataSource(empSrc);
    combo->SetDataField(QStringLiteral("PODR_NAME"));
    EXPECT_TRUE(combo->GetLookupMode());
    EXPECT_EQ(combo->GetLookupSource(), nullptr);
    EXPECT_EQ(combo->GetLookupField(), QString());
    EXPECT_EQ(combo->GetValue(), QStringLiteral("14"));
    EXPECT_EQ(combo->GetText(), QStringLiteral("Дирекція"));
    EXPECT_EQ(combo->GetDisplayField()->GetFieldName(), QStringLiteral("NAME"));
    // the key goes into the key field, and the lookup field follows
    combo->SetFocus();
    PressKey(combo, Qt::Key_Down);
    EXPECT_EQ(empPodr()->GetAsString(), QStringLiteral("15"));
    EXPECT_EQ(combo->GetText(), QStringLiteral("Канцелярія"));
    try {
        combo->SetLookupField(QStringLiteral("CODE"));
        ADD_FAILURE() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message, QStringLiteral("Property already defined by lookup field"));
    }

    // the key and the records shown cannot come from one dataset
    auto* list = make<TRxDBLookupList>(10, 60, 200, 120);
    try {
        list->SetDataSource(podrSrc);
        list->SetDataField(QStringLiteral("CODE"));
        ADD_FAILURE() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message, QStringLiteral("Circular datalinks are not allowed"));
    }
}

TEST_F(LookupTest, ASearchThatFailsOtherwiseReachesTheApplication) {
    struct TBrokenLocate : TLocateObject {
        bool LocateByDataSet() override {
            throw EDatabaseError(QStringLiteral("з'єднання втрачено"));
        }
        bool CanUseDataSetLocate() override { return true; }
    };
    std::function<TLocateObject*()> before = CreateLocateObject;
    CreateLocateObject = [] { return new TBrokenLocate; };
    auto* list = make<TRxDBLookupList>(10, 10, 200, 120);
    CreateLocateObject = before;
    list->SetFocus();
    TypeChar(list, u'ц'); // the current record does not start with it: the search runs
    EXPECT_EQ(list->GetTypedText(), QString());
    ASSERT_EQ(Messages().size(), 1);
    EXPECT_TRUE(Messages()[0].contains(QStringLiteral("з'єднання втрачено")));
}

TEST_F(LookupTest, TheListMovesByKeysMouseWheelAndScrollBar) {
    auto* list = make<TRxDBLookupList>(10, 10, 200, 100);
    list->SetRowCount(4);
    EXPECT_EQ(list->GetRowCount(), 4);
    list->SetFocus();
    QApplication::processEvents();
    const int ih = list->GetItemHeight();
    EXPECT_EQ(list->GetClientHeight(), 4 * ih);
    struct Move {
        int Key;
        const char* Value;
    };
    for (Move m : {Move{Qt::Key_Down, "10"},
                   {Qt::Key_Down, "11"},
                   {Qt::Key_PageDown, "14"},
                   {Qt::Key_End, "20"},
                   {Qt::Key_PageUp, "17"},
                   {Qt::Key_Up, "16"},
                   {Qt::Key_Home, "10"},
                   {Qt::Key_Up, "10"}}) {
        PressKey(list, m.Key);
        EXPECT_EQ(list->GetValue(), QString::fromLatin1(m.Value)) << m.Key;
    }
    // a click chooses the row under it
    Click(list, 20, 2 * ih + 2);
    EXPECT_EQ(list->GetValue(), QStringLiteral("12"));
    // the wheel scrolls the rows by one (the current record goes just past the last row); the
    // scroll bar is in the middle then
    Wheel(list, 20, 20, 1);
    EXPECT_EQ(list->GetRecordIndex(), 3);
    EXPECT_EQ(podrName(), QStringLiteral("Дирекція"));
    EXPECT_EQ(GetScrollPos(list->GetHandle(), SB_VERT), 2);
    Wheel(list, 20, 20, 1);
    Wheel(list, 20, 20, 1);
    EXPECT_EQ(podrName(), QStringLiteral("Лабораторія"));
    Wheel(list, 20, 20, -1);
    EXPECT_EQ(list->GetRecordIndex(), 0);
    EXPECT_EQ(podrName(), QStringLiteral("Відділ кадрів"));
    list->Perform(WM_VSCROLL, SB_BOTTOM, 0);
    EXPECT_EQ(GetScrollPos(list->GetHandle(), SB_VERT), 4);
    list->Perform(WM_VSCROLL, SB_TOP, 0);
    EXPECT_EQ(GetScrollPos(list->GetHandle(), SB_VERT), 0);
    // the chosen key never moved
    EXPECT_EQ(list->GetValue(), QStringLiteral("12"));
    // row counts are kept within 1..50
    list->SetRowCount(0);
    EXPECT_EQ(list->GetRowCount(), 1);
    list->SetRowCount(60);
    EXPECT_EQ(list->GetRowCount(), 50);
}

TEST_F(LookupTest, TheNoValueRowAndDelimitedRows) {
    auto* list = make<TRxDBLookupList>(10, 10, 300, 100);
    list->SetLookupDisplay(QStringLiteral("NAME;CODE"));
    list->SetDisplayEmpty(QStringLiteral("(немає)"));
    list->SetRowCount(4);
    list->SetFocus();
    PressKey(list, Qt::Key_Down);
    EXPECT_EQ(list->GetValue(), QStringLiteral("10"));
    PressKey(list, Qt::Key_Up); // above the first record: the no-value row
    EXPECT_EQ(list->GetValue(), QString());
    EXPECT_EQ(changes, 0); // the list has no OnChange of its own to fire
    PressKey(list, Qt::Key_Down);
    list->SetListStyle(lsDelimited);
    list->SetFieldsDelimiter(u';');
    TTextRecorder texts;
    list->GetCanvas()->SetRecorder(&texts);
    list->Repaint();
    list->GetCanvas()->SetRecorder(nullptr);
    TBitmap b(300, 100);
    list->PaintTo(b.GetCanvas(), 0, 0);
    QStringList seen;
    for (const TTextRecord& r : texts.Items)
        seen << r.Text;
    EXPECT_TRUE(seen.contains(QStringLiteral("(немає)"))) << seen.join(u'|').toStdString();
    EXPECT_TRUE(seen.contains(QStringLiteral("Бухгалтерія; 10"))) << seen.join(u'|').toStdString();
    // the selected row has the highlight
    const int ih = list->GetItemHeight();
    EXPECT_EQ(ColorToRGB(b.GetCanvas()->GetPixels(250, ih + ih / 2)), ColorToRGB(clHighlight));
}

// ---- the combo box ----------------------------------------------------------------------------

class LookupComboTest : public LookupTest {
protected:
    void SetUp() override {
        LookupTest::SetUp();
        combo = make<TRxDBLookupCombo>(10, 10, 160, 21);
        combo->SetDisplayEmpty(QStringLiteral(" "));
        combo->SetFocus();
        QApplication::processEvents();
    }
    TRxDBLookupCombo* combo = nullptr;
};

TEST_F(LookupComboTest, TheListDropsWhereTheScreenHasRoom) {
    EXPECT_EQ(combo->GetDropDownCount(), TRxDBLookupCombo::DefaultDropDownCount);
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    struct Case {
        int FormLeft, FormTop;
        TDropDownAlign Align;
        int Width;
        bool Above;
    };
    for (Case c : {Case{20, 20, daLeft, 0, false},
                   {20, sh - 120, daLeft, 0, true},
                   {sw - 100, 20, daLeft, 0, false},
                   {0, 20, daRight, 300, false},
                   {20, 20, daCenter, -1, false}}) {
        form->SetBounds(c.FormLeft, c.FormTop, 420, 100);
        QApplication::processEvents();
        combo->SetDropDownAlign(c.Align);
        combo->SetDropDownWidth(c.Width);
        combo->DropDown();
        ASSERT_TRUE(combo->GetListVisible());
        TRxPopupDataList* l = combo->GetDataList();
        const TPoint at = combo->ClientToScreen(TPoint{0, 0});
        const TRect r = l->GetBoundsRect();
        SCOPED_TRACE(c.FormLeft);
        if (c.Above)
            EXPECT_EQ(r.Bottom, at.Y - (combo->GetHeight() - combo->GetClientHeight()) / 2);
        else
            EXPECT_GE(r.Top, at.Y + combo->GetClientHeight());
        EXPECT_GE(r.Left, 0);
        EXPECT_LE(r.Right, sw);
        const int want = c.Width > 0 ? c.Width : c.Width == 0 ? combo->GetWidth() : 0;
        if (want > 0) {
            EXPECT_EQ(r.Width(), want);
        } else {
            EXPECT_GE(r.Width(), std::max(combo->GetWidth(), combo->LookupListWidth()));
        }
        // the no-value row and seven of eleven records: the scroll bar is there
        EXPECT_EQ(l->GetRowCount(), 8);
        EXPECT_TRUE(ScrollBarVisible(l->GetHandle(), SB_VERT));
        PressKey(combo, Qt::Key_Escape);
        EXPECT_FALSE(combo->GetListVisible());
    }
}

TEST_F(LookupComboTest, KeysAndTypingDriveTheOpenList) {
    // a click opens and closes the list, and is no choice
    Click(combo, combo->GetClientWidth() - 5, 5);
    EXPECT_TRUE(combo->GetListVisible());
    Click(combo, 5, 5);
    EXPECT_FALSE(combo->GetListVisible());
    EXPECT_EQ(changes, 0);
    // typing opens the list and searches; Enter takes the found record
    TypeChar(combo, u'г');
    ASSERT_TRUE(combo->GetListVisible());
    TRxPopupDataList* l = combo->GetDataList();
    EXPECT_EQ(l->GetValue(), QStringLiteral("13"));
    EXPECT_EQ(l->GetTypedText(), QStringLiteral("Г"));
    EXPECT_EQ(changes, 0);
    PressKey(combo, Qt::Key_Return);
    EXPECT_FALSE(combo->GetListVisible());
    EXPECT_EQ(combo->GetValue(), QStringLiteral("13"));
    EXPECT_EQ(combo->GetText(), QStringLiteral("Гараж"));
    EXPECT_EQ(changes, 1);
    // Alt+Down opens it again; the search text was forgotten; Page Down and the wheel move
    PressKey(combo, Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(combo->GetListVisible());
    EXPECT_EQ(l->GetTypedText(), QString());
    PressKey(combo, Qt::Key_PageDown); // a page is the rows but one, less the no-value row
    EXPECT_EQ(l->GetValue(), QStringLiteral("19"));
    PressKey(combo, Qt::Key_PageUp);
    EXPECT_EQ(l->GetValue(), QStringLiteral("13"));
    for (int i = 0; i < 3; ++i)
        Wheel(l, 10, 10, 1);
    EXPECT_EQ(l->GetRecordIndex(), 6);
    EXPECT_EQ(l->GetValue(), QStringLiteral("13"));
    // Escape closes without taking it
    PressKey(combo, Qt::Key_Escape);
    EXPECT_EQ(combo->GetValue(), QStringLiteral("13"));
    EXPECT_EQ(changes, 1);
    // choosing the record that is the value already fires nothing
    combo->DropDown();
    PressKey(combo, Qt::Key_Return);
    EXPECT_EQ(changes, 1);
    // a click on a row of the open list takes it
    combo->DropDown();
    const int ih = l->GetItemHeight();
    Click(l, 10, 2 * ih + ih / 2);
    EXPECT_FALSE(combo->GetListVisible());
    EXPECT_EQ(combo->GetValue(), QStringLiteral("11"));
    EXPECT_EQ(changes, 2);
    // Down on the closed combo takes the next record
    PressKey(combo, Qt::Key_Down);
    EXPECT_EQ(combo->GetValue(), QStringLiteral("12"));
}

TEST_F(LookupComboTest, EscapeClearsFirstAndThenReachesTheForm) {
    auto* cancel = form->Add<TButton>(200, 10, 80, 25);
    cancel->SetCancel(true);
    int cancelled = 0;
    cancel->OnClick = [&](TObject*) { ++cancelled; };
    combo->SetValue(QStringLiteral("14"));
    EXPECT_EQ(changes, 1);
    PressKey(combo, Qt::Key_Escape);
    EXPECT_EQ(combo->GetValue(), QString());
    EXPECT_EQ(combo->GetText(), QStringLiteral(" "));
    EXPECT_EQ(cancelled, 0);
    EXPECT_EQ(changes, 2);
    PressKey(combo, Qt::Key_Escape);
    EXPECT_EQ(cancelled, 1);
}

TEST_F(LookupComboTest, AnUnknownKeyStaysTheValue) {
    combo->SetDataSource(empSrc);
    combo->SetDataField(QStringLiteral("PODR"));
    EXPECT_EQ(combo->GetText(), QStringLiteral("Відділ кадрів"));
    combo->SetValue(QStringLiteral("77"));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(combo->GetValue(), QStringLiteral("77"));
    EXPECT_EQ(empPodr()->GetAsString(), QStringLiteral("77"));
    EXPECT_EQ(combo->GetText(), QStringLiteral("77"));
    // all the fields in the text, in columns
    combo->SetValue(QStringLiteral("10"));
    combo->SetLookupDisplay(QStringLiteral("NAME;CODE"));
    combo->SetListStyle(lsDelimited);
    combo->SetDisplayAllFields(true);
    EXPECT_EQ(combo->GetText(), QStringLiteral("Бухгалтерія, 10"));
}

} // namespace
