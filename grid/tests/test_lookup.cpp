// The lookup combo box of the card (KODP_2 shown as NAIPODR of the subdivisions) and its
// drop-down list: the text of the record's code, the list left on the chosen record, searching
// while typing, opening and choosing with the keys, the rows of the list, the size grip; the
// lookup list box's geometry, scroll bar and auto-scroll.
#include "CardListGrid.h"
#include "DBLookupEh.h"
#include "GridTestSupport.h"
#include "UiTestSupport.h"

namespace {

// Subdivisions KODP/NAIPODR from the generator's directory, and employees with KODP_2.
class LookupTest : public ::testing::Test {
protected:
    void SetUp() override {
        // the third employee has a code no subdivision has, the fourth none
        card = std::make_unique<TSubdivisionCard>(std::initializer_list<Variant>{2, 5, 999, Null()},
                                                  TRect{100, 100, 500, 400});
        form = card->Form;
        combo = card->Combo;
        kadrSource = card->KadrSource;
        podrSource = card->PodrSource;
        other = new TEdit(form);
        other->SetParent(form);
        other->SetBounds(10, 60, 100, 21);
        form->Show();
        combo->SetFocus();
        QApplication::processEvents();
    }
    void TearDown() override {
        card.reset();
        QApplication::processEvents();
    }
    QString NameOf(int Code) {
        for (const TGenSubdivision& s : TEmployeeGenerator::Directories().Subdivisions)
            if (s.Code == Code) return s.Name;
        return QString();
    }
    void Type(const QString& Text) {
        for (QChar ch : Text)
            SendKey(combo, 0, QString(ch));
    }
    std::unique_ptr<TSubdivisionCard> card;
    TMemDataSet& podr() { return card->Podr; }
    TMemDataSet& kadr() { return card->Kadr; }
    TForm* form = nullptr;
    TDataSource* kadrSource = nullptr;
    TDataSource* podrSource = nullptr;
    TDBLookupComboboxEh* combo = nullptr;
    TEdit* other = nullptr;
};

TEST_F(LookupTest, TheRecordsCodeShowsAsItsNameWithTheListLeftOnIt) {
    int changes = 0;
    combo->OnChange = [&](TObject*) { ++changes; };
    struct Case {
        int rec;
        QString text;
        Variant key;
    };
    for (Case c : {Case{1, NameOf(2), 2}, Case{2, NameOf(5), 5}, Case{3, "", 999},
                   Case{4, "", Null()}, Case{1, NameOf(2), 2}}) {
        SCOPED_TRACE(c.rec);
        kadr().SetRecNo(c.rec);
        EXPECT_EQ(combo->GetText(), c.text);
        EXPECT_TRUE(VarSameValue(combo->GetKeyValue(), c.key));
        // the list dataset stands on the subdivision shown (the card's change handler reads it)
        if (!c.text.isEmpty()) {
            EXPECT_EQ(podr().FieldByName("KODP")->GetAsInteger(), c.key.AsInteger());
        }
    }
    EXPECT_GE(changes, 3);
    EXPECT_EQ(combo->GetMasterField(), kadr().FieldByName("KODP_2"));
    EXPECT_EQ(combo->GetListFieldObject(), podr().FieldByName("NAIPODR"));
}

TEST_F(LookupTest, TypingFindsTheFirstNameByItsBeginningWithTheRestSelected) {
    const QString target = NameOf(3);
    const QString typed = target.left(2).toLower();
    // the first subdivision whose name begins so, whatever the case
    QString expected;
    for (const TGenSubdivision& s : TEmployeeGenerator::Directories().Subdivisions)
        if (expected.isEmpty() && AnsiUpperCase(s.Name).startsWith(AnsiUpperCase(typed)))
            expected = s.Name;
    Type(typed);
    EXPECT_EQ(combo->GetText(), expected);
    EXPECT_EQ(combo->GetSelStart(), 2);
    EXPECT_EQ(combo->GetSelLength(), int(expected.size()) - 2);
    EXPECT_EQ(podr().FieldByName("NAIPODR")->GetAsString(), expected);
    // Backspace widens the selection by one character
    SendKey(combo, Qt::Key_Backspace, QString(QChar(8)));
    EXPECT_EQ(combo->GetSelStart(), 1);
    EXPECT_EQ(combo->GetSelLength(), int(expected.size()) - 1);
    EXPECT_EQ(combo->GetText(), expected);
    // the record is in edit state; the key goes into it when it is written
    EXPECT_EQ(kadr().GetState(), dsEdit);
    kadr().Post();
    EXPECT_EQ(kadr().FieldByName("KODP_2")->GetAsInteger(),
              podr().FieldByName("KODP")->GetAsInteger());
}

TEST_F(LookupTest, AltDownOpensTheListEnterTakesItsRowEscLeavesItAlone) {
    SendKey(combo, Qt::Key_Down, QString(), Qt::AltModifier);
    ASSERT_TRUE(combo->GetListVisible());
    TPopupDataListEh* list = combo->GetDropDownList();
    EXPECT_TRUE(list->GetVisible());
    EXPECT_EQ(list->GetRowCount(), 7); // more subdivisions than rows
    EXPECT_TRUE(VarSameValue(list->GetKeyValue(), 2));
    // below the combo box, as wide as it at least
    const TPoint under = combo->ClientToScreen(TPoint{0, combo->GetClientHeight()});
    EXPECT_NEAR(list->GetTop(), under.Y, 3);
    EXPECT_GE(list->GetWidth(), combo->GetWidth());
    SendKey(combo, Qt::Key_Down, QString());
    SendKey(combo, Qt::Key_Down, QString());
    EXPECT_TRUE(VarSameValue(list->GetKeyValue(), 4));
    EXPECT_TRUE(VarSameValue(combo->GetKeyValue(), 2)); // not yet taken
    SendKey(combo, Qt::Key_Escape, QString(QChar(27)));
    EXPECT_FALSE(combo->GetListVisible());
    EXPECT_TRUE(VarSameValue(combo->GetKeyValue(), 2));
    EXPECT_EQ(kadr().FieldByName("KODP_2")->GetAsInteger(), 2);

    SendKey(combo, Qt::Key_Down, QString(), Qt::AltModifier);
    SendKey(combo, Qt::Key_Down, QString());
    SendKey(combo, Qt::Key_Return, QString(QChar(13)));
    EXPECT_FALSE(combo->GetListVisible());
    EXPECT_TRUE(VarSameValue(combo->GetKeyValue(), 3));
    EXPECT_EQ(combo->GetText(), NameOf(3));
    EXPECT_EQ(podr().FieldByName("KODP")->GetAsInteger(), 3);
    // written into the card when the record is posted
    kadr().Post();
    EXPECT_EQ(kadr().FieldByName("KODP_2")->GetAsInteger(), 3);
}

TEST_F(LookupTest, TheListHasAsManyRowsAsRecordsUpToItsRows) {
    struct Case {
        int records, rows;
    };
    for (Case c : {Case{3, 3}, Case{50, 7}}) {
        SCOPED_TRACE(c.records);
        combo->CloseUp(false);
        podr().EmptyTable();
        podr().Close();
        podr().Open();
        for (int i = 1; i <= c.records; ++i)
            podr().AppendRecord({i, QString("Відділ %1").arg(i)});
        combo->DropDown();
        EXPECT_EQ(combo->GetDropDownList()->GetRowCount(), c.rows);
    }
}

TEST_F(LookupTest, DeleteWithAllTextSelectedClearsTheKeyUnlessRequired) {
    combo->SelectAll();
    SendKey(combo, Qt::Key_Delete, QString());
    EXPECT_TRUE(kadr().FieldByName("KODP_2")->IsNull());
    EXPECT_EQ(combo->GetText(), "");
    kadr().Cancel();
    kadr().FieldByName("KODP_2")->SetRequired(true);
    kadr().First();
    combo->SelectAll();
    SendKey(combo, Qt::Key_Delete, QString());
    EXPECT_EQ(kadr().FieldByName("KODP_2")->GetAsInteger(), 2);
    EXPECT_EQ(combo->GetText(), NameOf(2));
}

TEST_F(LookupTest, AListResizedWithItsGripKeepsItsRowsAndWidth) {
    combo->GetDropDownBox()->Sizable = true;
    combo->GetDropDownBox()->ShowTitles = true;
    combo->DropDown();
    TPopupDataListEh* list = combo->GetDropDownList();
    TSizeGripEh* grip = list->GetSizeGrip();
    EXPECT_TRUE(grip->GetVisible());
    EXPECT_EQ(grip->GetPosition(), 2); // below the combo box: bottom right
    EXPECT_GT(list->GetTitleHeight(), 0);
    const int rowH = list->RowHeight(), w = list->GetWidth();
    // drag the grip three rows down and 40 pixels right
    grip->MouseDown(mbLeft, TShiftState{ssLeft}, 2, 2);
    grip->MouseMove(TShiftState{ssLeft}, 42, 2 + 3 * rowH);
    grip->MouseUp(mbLeft, TShiftState{}, 42, 2 + 3 * rowH);
    EXPECT_EQ(list->GetRowCount(), 10);
    EXPECT_EQ(list->GetWidth(), w + 40);
    EXPECT_TRUE(list->GetResizedByUser());
    combo->CloseUp(false);
    EXPECT_EQ(combo->GetDropDownBox()->Rows, 10);
    EXPECT_EQ(combo->GetDropDownBox()->Width, w + 40);
    // assigning the box copies all but AutoDrop
    TDropDownBoxEh other;
    other.AutoDrop = true;
    other.Assign(combo->GetDropDownBox());
    EXPECT_EQ(other.Rows, 10);
    EXPECT_TRUE(other.AutoDrop);
}

TEST_F(LookupTest, WithoutDataOrListItIsAPlainEdit) {
    auto* plain = new TDBLookupComboboxEh(form);
    plain->SetParent(form);
    plain->SetBounds(10, 100, 150, 21);
    plain->SetFocus();
    QApplication::processEvents();
    EXPECT_TRUE(plain->GetUnbound());
    for (QChar ch : QString("Цех"))
        SendKey(plain, 0, QString(ch));
    EXPECT_EQ(plain->GetText(), "Цех");
    plain->DropDown(); // no list: nothing opens
    EXPECT_FALSE(plain->GetListVisible());
}

TEST_F(LookupTest, BadBindingsAreRefusedWithTheirMessages) {
    try {
        combo->SetListField("NAIPODR;NOPE");
        FAIL() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_TRUE(e.Message.contains("Field 'NOPE' not found")) << e.Message.toStdString();
    }
    combo->SetListField("NAIPODR");
    // a list hanging on the edited record
    TMemDataSet detail(nullptr);
    detail.GetFieldDefs()->Add("KODP", ftInteger);
    detail.GetFieldDefs()->Add("TAB", ftString, 5);
    detail.Open();
    detail.SetMasterSource(kadrSource);
    detail.SetMasterFields("TAB");
    TDataSource ds(nullptr);
    ds.SetDataSet(&detail);
    EXPECT_THROW(combo->SetListSource(&ds), EDatabaseError);
    combo->SetListSource(podrSource);
}

// ---- the lookup list box ------------------------------------------------------------------------

TEST_F(LookupTest, AListBoxKeepsWholeRowsAndAFiveStepBarWithoutRecordNumbers) {
    auto* box = new TDBLookupListBoxEh(form);
    box->SetParent(form);
    box->SetBounds(220, 10, 150, 100);
    box->SetListSource(podrSource);
    box->SetKeyField("KODP");
    box->SetListField("NAIPODR");
    const int rowH = box->RowHeight();
    struct Rows {
        int asked, rows;
    };
    for (Rows r : {Rows{0, 1}, Rows{500, 100}, Rows{3, 3}}) {
        box->SetRowCount(r.asked);
        EXPECT_EQ(box->GetRowCount(), r.rows);
    }
    const int border = box->GetHeight() - 3 * rowH;
    for (int h : {3 * rowH + border + rowH / 2, 5 * rowH + border - 1, 2}) {
        box->SetHeight(h);
        EXPECT_EQ((box->GetHeight() - border) % rowH, 0) << h;
    }
    EXPECT_EQ(box->GetListDataLink()->GetBufferCount(), box->GetRowCount());
    // a list without record numbers: the thumb at the top, in the middle or at the bottom
    podr().SetSequenced(false);
    box->SetRowCount(3);
    QApplication::processEvents();
    TScrollInfo si;
    si.fMask = SIF_RANGE | SIF_POS;
    podr().First();
    GetScrollInfo(box->GetHandle(), SB_VERT, si);
    EXPECT_EQ(si.nMax, 4);
    EXPECT_EQ(si.nPos, 0);
    podr().MoveBy(5);
    GetScrollInfo(box->GetHandle(), SB_VERT, si);
    EXPECT_EQ(si.nPos, 2);
    podr().Last();
    GetScrollInfo(box->GetHandle(), SB_VERT, si);
    EXPECT_EQ(si.nPos, 4);
    // dragging below the list scrolls, faster the further out
    podr().First();
    const int bottom = box->GetClientHeight();
    struct Step {
        int distance, interval;
    };
    for (Step s : {Step{10, 50}, Step{14, 0}, Step{30, 0}}) {
        box->AutoScrollStep(bottom + s.distance - 1);
        EXPECT_EQ(box->GetScrollTimerInterval(), s.interval) << s.distance;
    }
}

} // namespace
