// The employee card window over generated employees in the embedded database: opening it from
// the main menu, its list with the filters, sort markers and footers, editing a card on its
// tabs, the photo through the clipboard, and the question on close.
#include "AppFormsFixture.h"
#include "CardUnit.h"
#include "Clipbrd.h"
#include "DMUnit.h"
#include "Dates.h"
#include "FillDb.h"
#include "MainUnit.h"
#include "SqlText.h"

#include <QApplication>
#include <QHash>

namespace {

class CardTest : public AppFormsTest {
protected:
    void SetUp() override {
        AppFormsTest::SetUp();
        PrepareSettings();
        Start();
        people = TEmployeeGenerator(3, EncodeDate(2024, 3, 1)).Employees(40);
        FillDatabase(TEmployeeGenerator::Directories(), people);
        ui.Asked.clear();
        MainForm->Show();
    }
    void TearDown() override {
        // a window left open with a change is taken away without questions
        if (CardForm && DM->IBQuery->GetActive()) DM->IBQuery->Cancel();
        AppFormsTest::TearDown();
    }
    TCardForm* Open() {
        MainForm->N2->Click();
        QApplication::processEvents();
        return CardForm;
    }
    // Closes the card window as the user does, answering the save question when one comes.
    void CloseCard(int Answer = 0) {
        if (Answer) ui.Answer(Answer);
        CardForm->Close();
        QApplication::processEvents();
    }
    // The values of one field over the whole list, in its order.
    QStringList Column(const char* Field) {
        QStringList out;
        TDataSet* q = DM->IBQuery;
        TField* f = q->FieldByName(QString::fromLatin1(Field));
        q->DisableControls();
        for (q->First(); !q->GetEof(); q->Next())
            out << f->GetAsString();
        q->EnableControls();
        q->First();
        return out;
    }
    int Employed(TDateTime At) const {
        int n = 0;
        for (const TGenEmployee& e : people)
            if ((e.DismissalDate == 0 || e.DismissalDate >= At) &&
                (e.HireDate == 0 || e.HireDate <= At))
                ++n;
        return n;
    }
    std::vector<TGenEmployee> people;
};

TEST_F(CardTest, OpensOnTodaysEmployeesByNameAndTheFiltersNarrowIt) {
    TCardForm* f = Open();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(MainForm->GetMDIChildCount(), 1);
    EXPECT_EQ(f->GetCaption(), QStringLiteral("Особові картки"));
    EXPECT_EQ(f->PageControl1->GetPageCount(), 12);
    EXPECT_EQ(f->DBGridEh1->GetColumns()->Count(), 73);
    // the documents button stands at the right end of the maximised window's name bar
    const int barWidth = f->Panel1->GetClientWidth();
    EXPECT_LE(f->BitBtn3->GetLeft() + f->BitBtn3->GetWidth(), barWidth);
    EXPECT_GT(f->BitBtn3->GetLeft() + f->BitBtn3->GetWidth(), barWidth - 40);
    const TDateTime today = EncodeDate(2024, 3, 14);
    EXPECT_EQ(f->DateEd->GetText(), QStringLiteral("14.03.2024"));
    // today's staff, sorted by surname, counted in the footer
    const QStringList names = Column("FAMILY");
    EXPECT_EQ(names.size(), Employed(today));
    ASSERT_LT(names.size(), int(people.size())); // the fixture has dismissed people
    // (the database's collation places Є, І, Ї and Ґ its own way: the other letters show it)
    const QString alphabet = QStringLiteral("АБВГДЕЖЗИКЛМНОПРСТУФХЦЧШЩЮЯ");
    int last = -1;
    for (const QString& n : names) {
        const int at = alphabet.indexOf(n.left(1).toUpper());
        if (at < 0) continue;
        EXPECT_GE(at, last) << n.toStdString();
        last = at;
    }
    EXPECT_EQ(DM->QueryLine(1).trimmed(), QStringLiteral("order by FAMILY"));
    EXPECT_EQ(f->DBGridEh1->GetFooterValue(0, f->DBGridEh1->GetColumns()->GetItems(1)).toInt(),
              names.size());

    // everybody, the dismissed too
    f->RadioButton3->SetChecked(true);
    EXPECT_EQ(Column("TAB").size(), int(people.size()));
    EXPECT_FALSE(f->DateEd->GetEnabled());
    EXPECT_EQ(f->DBGridEh1->GetFooterValue(0, f->DBGridEh1->GetColumns()->GetItems(1)).toInt(),
              int(people.size()));

    // "Підрозділ" with nothing chosen changes nothing; a choice narrows to its code
    f->RadioButton2->SetChecked(true);
    EXPECT_TRUE(f->RxDBLookupCombo4->GetEnabled());
    EXPECT_EQ(Column("TAB").size(), int(people.size()));
    const int code = people.front().Appointments.back().Subdivision;
    f->RxDBLookupCombo4->SetValue(QString::number(code));
    const QStringList codes = Column("KODP_2");
    int expected = 0;
    for (const TGenEmployee& e : people)
        expected += e.Appointments.back().Subdivision == code;
    EXPECT_EQ(codes.size(), expected);
    EXPECT_EQ(codes.count(QString::number(code)), expected);
    f->RadioButton1->SetChecked(true);
    EXPECT_EQ(Column("TAB").size(), int(people.size()));

    // the date: typing through an incomplete or impossible date keeps the list as it is
    f->RadioButton4->SetChecked(true);
    const TDateTime earlier = EncodeDate(2010, 1, 1);
    for (const char* typed : {"01.01.20", "31.02.2010", "ab.cd.efgh"}) {
        f->DateEd->SetText(QString::fromLatin1(typed));
        EXPECT_EQ(Column("TAB").size(), Employed(today)) << typed;
    }
    EXPECT_TRUE(ui.Asked.empty());
    f->DateEd->SetText(QStringLiteral("01.01.2010"));
    EXPECT_EQ(Column("TAB").size(), Employed(earlier));

    // the subdivision filter does not outlive the window; the date is today's again
    f->RadioButton2->SetChecked(true);
    f->RxDBLookupCombo4->SetValue(QString::number(code));
    CloseCard();
    EXPECT_EQ(CardForm, nullptr);
    EXPECT_TRUE(DM->QueryLine(2).isEmpty());
    f = Open();
    EXPECT_TRUE(f->RadioButton1->GetChecked());
    EXPECT_EQ(Column("TAB").size(), Employed(today));
}

// The rows read when the window opens show their position names: the positions are there
// before the list is read, so the first employee's documents do not print an empty position.
TEST_F(CardTest, TheFirstRowsReadShowTheirPositionNames) {
    DM->IBprof->Close();
    TCardForm* f = Open();
    ASSERT_NE(f, nullptr);
    ASSERT_FALSE(DM->IBQuery->IsEmpty());
    QHash<QString, QString> names;
    for (const TGenPosition& p : TEmployeeGenerator::Directories().Positions)
        names.insert(p.Code, p.Name);
    const QString code = DM->IBQuery->FieldByName(QStringLiteral("CPROF"))->GetAsString();
    ASSERT_TRUE(names.contains(code)) << code.toStdString();
    EXPECT_EQ(DM->IBQuery->FieldByName(QStringLiteral("L_PROF"))->GetAsString(), names[code]);
}

TEST_F(CardTest, TitleClicksSortByMarkersAndTheSubdivisionByItsCode) {
    TCardForm* f = Open();
    f->RadioButton3->SetChecked(true);
    TDBGridColumnsEh* cols = f->DBGridEh1->GetColumns();
    TColumnEh* family = cols->GetItems(0);
    TColumnEh* look = nullptr;
    for (int i = 0; i < cols->Count(); ++i)
        if (cols->GetItems(i)->GetFieldName() == QLatin1String("LOOK")) look = cols->GetItems(i);
    ASSERT_NE(look, nullptr);
    auto click = [&](TColumnEh* C, bool KeepOthers) {
        C->GetTitle()->ToggleSortMarker(KeepOthers);
        f->DBGridEh1SortMarkingChanged(f->DBGridEh1);
    };
    click(look, false);  // the subdivision ascending
    click(family, true); // then the surname
    EXPECT_EQ(DM->QueryLine(1), QStringLiteral(" ORDER BY KODP_2, FAMILY"));
    QStringList codes = Column("KODP_2");
    QStringList byCode = codes;
    std::stable_sort(byCode.begin(), byCode.end(),
                     [](const QString& a, const QString& b) { return a.toInt() < b.toInt(); });
    EXPECT_EQ(codes, byCode);
    click(look, true); // descending now
    EXPECT_EQ(DM->QueryLine(1), QStringLiteral(" ORDER BY KODP_2 DESC , FAMILY"));
    codes = Column("KODP_2");
    EXPECT_GT(codes.first().toInt(), codes.last().toInt());
    // every marker gone: no ORDER BY at all
    look->GetTitle()->SetSortMarker(smNoneEh);
    family->GetTitle()->SetSortMarker(smNoneEh);
    f->DBGridEh1SortMarkingChanged(f->DBGridEh1);
    EXPECT_TRUE(DM->QueryLine(1).isEmpty());
    EXPECT_EQ(Column("TAB").size(), int(people.size()));
}

// A value typed into the card as a user would: into the edit itself where it is one, else
// chosen into the field.
void Enter(TCardForm* F, const QString& Field, const QString& Value) {
    TControl* c = F->FieldControl(Field);
    ASSERT_NE(c, nullptr) << Field.toStdString();
    if (auto* e = dynamic_cast<TCustomEdit*>(c); e && !dynamic_cast<TDBLookupComboboxEh*>(c))
        e->SetText(Value);
    else
        DM->IBQuery->FieldByName(Field)->SetAsString(Value);
}

// The list's footer count.
int Footer(TCardForm* F) {
    return F->DBGridEh1->GetFooterValue(0, F->DBGridEh1->GetColumns()->GetItems(1)).toInt();
}

TEST_F(CardTest, TheFooterCountsTheListWithoutReadingItAndFollowsFiltersInsertsAndDeletes) {
    TCardForm* f = Open();
    const int today = Employed(EncodeDate(2024, 3, 14));
    const int all = int(people.size());
    // the first screen is all that was read: the server counted the rest
    EXPECT_EQ(Footer(f), today);
    EXPECT_LT(DM->IBQuery->RecordCount(), today);
    f->RadioButton3->SetChecked(true);
    EXPECT_EQ(Footer(f), all);
    EXPECT_LT(DM->IBQuery->RecordCount(), all);
    // a subdivision, then every one again
    const int code = people.front().Appointments.back().Subdivision;
    int inCode = 0;
    for (const TGenEmployee& e : people)
        inCode += e.Appointments.back().Subdivision == code;
    f->RadioButton2->SetChecked(true);
    f->RxDBLookupCombo4->SetValue(QString::number(code));
    EXPECT_EQ(Footer(f), inCode);
    f->RadioButton1->SetChecked(true);
    EXPECT_EQ(Footer(f), all);

    // an insert counts at once, and again when the list is read anew (sorted the same way)
    DM->IBQuery->Insert();
    Enter(f, QStringLiteral("TAB"), QStringLiteral("77777"));
    Enter(f, QStringLiteral("FAMILY"), QStringLiteral("Нововведенська"));
    DM->IBQuery->Post();
    EXPECT_EQ(Footer(f), all + 1);
    f->DBGridEh1SortMarkingChanged(f->DBGridEh1);
    EXPECT_EQ(Footer(f), all + 1);
    // a delete asked and refused changes nothing; agreed, it counts at once and after reading
    for (const int answer : {IDNO, IDYES}) {
        ASSERT_TRUE(DM->IBQuery->Locate(QStringLiteral("TAB"), QStringLiteral("77777"), {}));
        ui.Answer(answer);
        try {
            DM->IBQuery->Delete();
        } catch (EAbort&) {
        }
        EXPECT_EQ(Footer(f), answer == IDYES ? all : all + 1);
    }
    f->DBGridEh1SortMarkingChanged(f->DBGridEh1);
    EXPECT_EQ(Footer(f), all);
    EXPECT_EQ(Column("TAB").size(), all);
}

// A key pressed in a grid with Ctrl.
void CtrlKey(TDBGridEh* Grid, char Key) {
    WORD k = WORD(Key);
    Grid->KeyDown(k, TShiftState{ssCtrl});
}

TEST_F(CardTest, EachGridSelectsAllAndCopiesByItsKeysAndPastesNothing) {
    TCardForm* f = Open();
    f->RadioButton3->SetChecked(true);
    const auto parent = std::find_if(people.begin(), people.end(), [](const TGenEmployee& e) {
        return e.Children.size() > 1 && e.Appointments.size() > 1;
    });
    ASSERT_NE(parent, people.end());
    QStringList employees, children, appointments;
    for (const TGenEmployee& e : people)
        employees << e.Family;
    for (const TGenChild& c : parent->Children)
        children << c.Name;
    for (const TGenAppointment& a : parent->Appointments)
        appointments << DateToStr(a.Date);
    ASSERT_TRUE(DM->IBQuery->Locate(QStringLiteral("TAB"), parent->Tab, {}));
    const struct {
        TDBGridEh* Grid;
        TDataSet* Data;
        QStringList Copied;
    } cases[] = {{f->DBGridEh1, DM->IBQuery, employees},
                 {f->DBGridEh2, DM->IBkids, children},
                 {f->DBGridEh3, DM->IBnazn, appointments}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Grid->GetName().toStdString());
        CtrlKey(c.Grid, 'A');
        EXPECT_EQ(c.Grid->GetSelection()->GetSelectionType(), gskAll);
        Clipboard()->Clear();
        CtrlKey(c.Grid, 'C');
        const QString copied = Clipboard()->GetAsText();
        for (const QString& s : c.Copied)
            EXPECT_TRUE(copied.contains(s)) << s.toStdString();
        // the rows copied are not pasted back in
        CtrlKey(c.Grid, 'V');
        EXPECT_EQ(c.Data->GetState(), dsBrowse);
        EXPECT_EQ(c.Data->RecordCount(), c.Copied.size());
        c.Grid->GetSelection()->Clear();
    }
}

TEST_F(CardTest, AnEmployeeWithEveryTabFilledIsSavedOnCloseAndReadBackAfterReconnecting) {
    TCardForm* f = Open();
    // a pasted photo: a small picture in the clipboard
    TBitmap pic;
    pic.SetWidth(40);
    pic.SetHeight(50);
    pic.GetCanvas()->GetBrush()->SetColor(TColor(0xC87820));
    pic.GetCanvas()->FillRect(TRect(0, 0, 40, 50));
    Clipboard()->Assign(&pic);

    DM->IBQuery->Insert();
    ASSERT_EQ(DM->IBQuery->GetState(), dsInsert);
    EXPECT_EQ(f->PageControl1->GetActivePageIndex(), 0);
    const std::vector<std::pair<QString, QString>> values = {
        {"TAB", "77777"},
        {"FAMILY", "О'Нейл-Коваль"},
        {"NAME", "Мар'яна"},
        {"PATR", "Ігорівна"},
        {"ID", "2934567891"},
        {"SEX", "Ж"},
        {"BDATE", "05.06.1990"},
        {"BPLACE", "м. Кам'янець-Подільський"},
        {"WOWORK", "01.09.2012"},
        {"LPWORK", "ТОВ «Ґрунт»"},
        {"OKLAD", "12500"},
        {"NKAT", "1 КАТ"},
        {"KAT", "Фахівець"},
        {"PENS", "1"},
        {"PENSP", "За віком"},
        {"WWORK", "01.02.2020"},
        {"PRJ_NOM", "15-к"},
        {"PRJ_RAB", "основна"},
        {"NOVO", "1"},
        {"PASP", "КВ 123456"},
        {"WHOOUT", "Подільським РВ УМВС"},
        {"OUTDATE", "12.12.2006"},
        {"ADRHOME", "вул. Зелена, 3, кв. 9"},
        {"EDUC", "Повна вища"},
        {"ENDHDATE", "30.06.2012"},
        {"STATFAM", "Одружена"},
        {"MEMBFAM", "чоловік, син"},
        {"V_ZVAN", "ст. лейтенант"},
        {"V_UCHET", "1"},
        {"V_SLZ", "01.07.2012"},
        {"GRINV", "3"},
        {"CH_KAT", "2"},
        {"CH_DATE", "03.03.2003"},
        {"WIN", "Грамота «Сумлінна праця»"},
        {"DATEWIN", "24.08.2021"},
        {"OTPDATE", "01.07.2024"},
        {"OTPCNT", "24"},
        {"OTPSTR1", "друга частина"},
    };
    for (const auto& [field, value] : values)
        Enter(f, field, value);
    f->N1Click(f->N1);
    EXPECT_TRUE(ui.Asked.empty()) << Texts().join(u'\n').toStdString();

    CloseCard(IDYES);
    ASSERT_EQ(CardForm, nullptr);
    EXPECT_EQ(Texts(), QStringList{QStringLiteral("В базах проводились зміни. Зберегти зміни?")});
    EXPECT_EQ(ui.Last().Caption, QStringLiteral("Повідомлення"));

    DM->Database->SetConnected(false);
    DM->Database->SetConnected(true);
    f = Open();
    f->RadioButton3->SetChecked(true);
    ASSERT_TRUE(DM->IBQuery->Locate(QStringLiteral("TAB"), QStringLiteral("77777"), {}));
    for (const auto& [field, value] : values)
        EXPECT_EQ(DM->IBQuery->FieldByName(field)->GetAsString().trimmed(), value)
            << field.toStdString();
    EXPECT_FALSE(DM->IBQuery->FieldByName(QStringLiteral("FOTO"))->IsNull());
    EXPECT_EQ(f->DBText1->GetCaption(), QStringLiteral("О'Нейл-Коваль"));
}

TEST_F(CardTest, TheCloseQuestionSavesDiscardsOrKeepsTheWindowWhenTheSaveFails) {
    struct Case {
        const char* Name;
        int Answer;
        const char* Tab; // typed over the first employee's number
        bool Closed;
        const char* Stored;   // the first employee's surname in the database afterwards
        QStringList Messages; // after the question
    };
    const QString first = people.front().Family;
    const QString taken = people[1].Tab;
    const Case cases[] = {
        {"yes saves", IDYES, nullptr, true, "Мар'яненко", {}},
        {"no discards", IDNO, nullptr, true, nullptr, {}},
        {"yes with a number taken keeps the window and the edit",
         IDYES,
         "taken",
         false,
         nullptr,
         {QStringLiteral("Такий табельний номер вже існує.")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        ui.Asked.clear();
        TCardForm* f = Open();
        f->RadioButton3->SetChecked(true);
        ASSERT_TRUE(DM->IBQuery->Locate(QStringLiteral("TAB"), people.front().Tab, {}));
        DM->IBQuery->Edit();
        Enter(f, QStringLiteral("FAMILY"), QStringLiteral("Мар'яненко"));
        if (c.Tab) Enter(f, QStringLiteral("TAB"), taken);
        CloseCard(c.Answer);
        QStringList expected{QStringLiteral("В базах проводились зміни. Зберегти зміни?")};
        expected << c.Messages;
        EXPECT_EQ(Texts(), expected);
        EXPECT_EQ(CardForm == nullptr, c.Closed);
        if (!c.Closed) {
            // nothing typed is lost; a No afterwards lets the window go
            EXPECT_EQ(f->DBEdit1->GetText(), QStringLiteral("Мар'яненко"));
            EXPECT_TRUE(DM->IBQuery->GetState() == dsEdit || DM->IBQuery->UpdatesPending());
            CloseCard(IDNO);
            EXPECT_EQ(CardForm, nullptr);
        }
        f = Open();
        f->RadioButton3->SetChecked(true);
        ASSERT_TRUE(DM->IBQuery->Locate(QStringLiteral("TAB"), people.front().Tab, {}));
        EXPECT_EQ(DM->IBQuery->FieldByName(QStringLiteral("FAMILY"))->GetAsString(),
                  c.Stored ? QString::fromUtf8(c.Stored) : first);
        // put back for the next case
        if (c.Stored) {
            DM->IBQuery->Edit();
            DM->IBQuery->FieldByName(QStringLiteral("FAMILY"))->SetAsString(first);
            DM->IBQuery->Post();
        }
        CloseCard();
    }
}

TEST_F(CardTest, ANumberTypedIntoTheCardTakesTheAppointmentsAndChildrenAlong) {
    // an employee with children and appointments
    const auto it = std::find_if(people.begin(), people.end(), [](const TGenEmployee& e) {
        return !e.Children.empty() && e.Appointments.size() > 1;
    });
    ASSERT_NE(it, people.end());
    TCardForm* f = Open();
    f->RadioButton3->SetChecked(true);
    ASSERT_TRUE(DM->IBQuery->Locate(QStringLiteral("TAB"), it->Tab, {}));
    DM->IBnazn->FetchAll();
    ASSERT_EQ(DM->IBnazn->RecordCount(), int(it->Appointments.size()));
    DM->IBQuery->Edit();
    Enter(f, QStringLiteral("TAB"), QStringLiteral("99999"));
    CloseCard(IDYES);
    ASSERT_EQ(CardForm, nullptr);
    EXPECT_EQ(Texts(), QStringList{QStringLiteral("В базах проводились зміни. Зберегти зміни?")});

    f = Open();
    f->RadioButton3->SetChecked(true);
    EXPECT_FALSE(DM->IBQuery->Locate(QStringLiteral("TAB"), it->Tab, {}));
    ASSERT_TRUE(DM->IBQuery->Locate(QStringLiteral("TAB"), QStringLiteral("99999"), {}));
    EXPECT_EQ(DM->IBQuery->FieldByName(QStringLiteral("FAMILY"))->GetAsString(), it->Family);
    DM->IBnazn->FetchAll();
    EXPECT_EQ(DM->IBnazn->RecordCount(), int(it->Appointments.size()));
    EXPECT_EQ(DM->IBkids->RecordCount(), int(it->Children.size()));
}

TEST_F(CardTest, AnImpossibleDateIsReportedAndTheCardStaysWithItsEdits) {
    TCardForm* f = Open();
    DM->IBQuery->Edit();
    Enter(f, QStringLiteral("NAME"), QStringLiteral("Мар'яна"));
    Enter(f, QStringLiteral("BDATE"), QStringLiteral("31.02.1990"));
    CloseCard(IDYES);
    ASSERT_EQ(ui.Asked.size(), 2u);
    EXPECT_NE(CardForm, nullptr);
    EXPECT_TRUE(ui.Asked[1].Text.contains(QStringLiteral("31.02.1990")))
        << ui.Asked[1].Text.toStdString();
    EXPECT_EQ(DM->IBQuery->GetState(), dsEdit);
    EXPECT_EQ(static_cast<TCustomEdit*>(f->FieldControl(QStringLiteral("NAME")))->GetText(),
              QStringLiteral("Мар'яна"));
    // mended, it saves
    Enter(f, QStringLiteral("BDATE"), QStringLiteral("28.02.1990"));
    CloseCard(IDYES);
    EXPECT_EQ(CardForm, nullptr);
}

TEST_F(CardTest, ChangingTheSubdivisionOfAStoredEmployeeClearsTheGroupNotOfANewOne) {
    TCardForm* f = Open();
    f->RadioButton3->SetChecked(true);
    const TGenEmployee* grouped = nullptr;
    for (const TGenEmployee& e : people)
        if (e.Group) grouped = &e;
    ASSERT_NE(grouped, nullptr);
    ASSERT_TRUE(DM->IBQuery->Locate(QStringLiteral("TAB"), grouped->Tab, {}));
    const int other = grouped->Appointments.back().Subdivision == 1 ? 2 : 1;
    DM->IBQuery->Edit();
    ASSERT_FALSE(DM->IBQuery->FieldByName(QStringLiteral("KODG_2"))->IsNull());
    f->DBLookupComboboxEh1->SetKeyValue(other);
    EXPECT_EQ(DM->IBQuery->FieldByName(QStringLiteral("KODP_2"))->GetAsInteger(), other);
    EXPECT_TRUE(DM->IBQuery->FieldByName(QStringLiteral("KODG_2"))->IsNull());
    DM->IBQuery->Cancel();

    DM->IBQuery->Insert();
    DM->IBQuery->FieldByName(QStringLiteral("KODG_2"))->SetAsInteger(grouped->Group);
    f->DBLookupComboboxEh1->SetKeyValue(other);
    EXPECT_EQ(DM->IBQuery->FieldByName(QStringLiteral("KODG_2"))->GetAsInteger(), grouped->Group);
    DM->IBQuery->Cancel();
}

TEST_F(CardTest, APhotoThatIsNoPictureOrTooLargeIsRefusedAndTheOldOneStays) {
    TCardForm* f = Open();
    TBitmap small;
    small.SetWidth(20);
    small.SetHeight(20);
    Clipboard()->Assign(&small);
    DM->IBQuery->Edit();
    f->N1Click(f->N1);
    DM->IBQuery->UpdateRecord(); // the picture goes into the field
    const QByteArray before =
        static_cast<TBlobField*>(DM->IBQuery->FieldByName(QStringLiteral("FOTO")))->GetAsBytes();
    ASSERT_FALSE(before.isEmpty());
    struct Case {
        const char* Name;
        std::function<void()> Fill;
        const char* Message;
    };
    const Case cases[] = {
        {"text", [] { Clipboard()->SetAsText(QStringLiteral("не фото")); },
         "У буфері обміну немає зображення. Фото не змінено."},
        {"too large",
         [] {
             TBitmap big;
             big.SetWidth(MaxPhotoSide + 1);
             big.SetHeight(10);
             Clipboard()->Assign(&big);
         },
         "Зображення завелике: найбільше 2000 на 2000 точок. Фото не змінено."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        ui.Asked.clear();
        c.Fill();
        f->N1Click(f->N1);
        DM->IBQuery->UpdateRecord();
        EXPECT_EQ(Texts(), QStringList{QString::fromUtf8(c.Message)});
        EXPECT_EQ(static_cast<TBlobField*>(DM->IBQuery->FieldByName(QStringLiteral("FOTO")))
                      ->GetAsBytes(),
                  before);
    }
    DM->IBQuery->Cancel();
}

} // namespace
