// The query builder window in the running program, offscreen: columns moved between the two
// lists by buttons, drag and keys; a build over a few employees into the result and the report
// page laid out in code.
#include "AppFormsFixture.h"
#include "BoxProcs.h"
#include "DMUnit.h"
#include "EmployeeGen.h"
#include "FillDb.h"
#include "PdfTools.h"
#include "Printers.h"
#include "MainUnit.h"
#include "SelUnit.h"
#include "SqlText.h"
#include "Startup.h"
#include "varer.h"

namespace {

class SelFormTest : public AppFormsTest {
protected:
    void SetUp() override {
        AppFormsTest::SetUp();
        PrepareSettings();
        Start();
        NameOrg = QStringLiteral("Зоря");
        for (const char* row :
             {"('00001', 'Коваль', 'Мар''яна', 'Ж', 'Інженер', '1 КАТ', '2', '1')",
              "('00002', 'Д''яченко', 'Петро', 'Ч', 'Майстер дільниці', '', '', '')",
              "('00003', 'Бондар', 'Ірина', 'Ж', 'Інженер', 'ПРОВ', '', '')"})
            Exec(QStringLiteral("insert into KADR (TAB, FAMILY, NAME, SEX, PATR, NKAT, ROZRAD, "
                                "KLAS) values %1")
                     .arg(QString::fromUtf8(row)));
        MainForm->N34->Click();
        ASSERT_NE(SelForm, nullptr);
        F = SelForm;
        // The preview is not opened: the prepared pages are read and printed from here.
        F->ShowPreview = [this](TfrReport* R) {
            ++Previews;
            Printed.clear();
            for (int i = 0; i < R->EMFPages.Count(); ++i) {
                R->EMFPages.ObjectsToPage(i);
                TfrPage* p = R->EMFPages[i]->Page.get();
                for (int k = 0; k < p->Objects.Count(); ++k)
                    Printed << p->GetObject(k)->Memo.GetText().remove(QChar(1)).trimmed();
            }
            if (!PdfFile.isEmpty()) {
                Printer()->SetFileName(PdfFile);
                R->PrintPreparedReport(QString(), 1, 0, true);
                Printer()->SetFileName(QString());
            }
        };
    }
    void TearDown() override {
        delete SelForm;
        AppFormsTest::TearDown();
    }
    QStringList Items(TTextListBox* L) {
        QStringList out;
        for (int i = 0; i < L->GetItems()->Count(); ++i)
            out.append(L->GetItems()->GetStrings(i));
        return out;
    }
    // A user's choice: the captions selected alone, then ">".
    void Choose(const QStringList& Captions) {
        for (int i = 0; i < F->SrcList->GetItems()->Count(); ++i)
            F->SrcList->SetSelected(i, false);
        for (const QString& c : Captions) {
            const int i = F->SrcList->GetItems()->IndexOf(c);
            ASSERT_GE(i, 0) << c.toStdString();
            F->SrcList->SetSelected(i, true);
        }
        F->IncBtn->Click();
    }
    std::vector<bool> Buttons() {
        return {F->IncBtn->GetEnabled(), F->IncAllBtn->GetEnabled(), F->ExclBtn->GetEnabled(),
                F->ExclAllBtn->GetEnabled()};
    }
    // The memo texts of the page after the row number, left to right, with their widths.
    std::vector<std::pair<QString, int>> Columns() {
        std::vector<std::pair<QString, int>> out;
        TfrPage* p = F->frReport1->Pages.GetPages(0);
        for (int i = 0; i < p->Objects.Count(); ++i) {
            TfrView* v = p->GetObject(i);
            if (v->Typ == gtMemo && v->Left >= 50 && v->Top == 20)
                out.emplace_back(v->Memo.GetStrings(0), v->Width);
        }
        return out;
    }
    TSelForm* F = nullptr;
    int Previews = 0;
    QStringList Printed; // the texts of the prepared pages' views, in print order
    QString PdfFile;     // printed there from the preview when set
};

TEST_F(SelFormTest, ButtonsMoveSelectedAndAllItemsKeepingTheirOrder) {
    EXPECT_EQ(F->GetCaption(), QStringLiteral("Формування простих звітів"));
    EXPECT_EQ(F->SrcList->GetItems()->Count(), 86);
    EXPECT_TRUE(F->SrcList->GetItems()->IndexOf(QStringLiteral("Дата прийому у Зоря")) >= 0);
    EXPECT_EQ(Buttons(), (std::vector<bool>{false, true, false, false}));
    // Three selected items go to the end in their order; the one after them takes the place
    // of the first and is selected.
    TStrings* src = F->SrcList->GetItems();
    const QString after = src->GetStrings(src->IndexOf(QStringLiteral("Ім'я")) + 1);
    Choose({"Таб. номер", "Прізвище", "Ім'я"});
    EXPECT_EQ(Items(F->DstList), QStringList({"Ім'я", "Прізвище", "Таб. номер"}));
    EXPECT_EQ(src->Count(), 83);
    EXPECT_EQ(F->SrcList->GetSelCount(), 1);
    EXPECT_EQ(src->GetStrings(BoxGetFirstSelection(F->SrcList)), after);
    EXPECT_EQ(Buttons(), (std::vector<bool>{true, true, false, true}));
    // Double click moves the selection back; "<<" everything; ">>" everything again.
    F->DstList->SetSelected(0, true);
    F->DstList->OnDblClick(F->DstList);
    EXPECT_EQ(Items(F->DstList), QStringList({"Прізвище", "Таб. номер"}));
    F->ExclAllBtn->Click();
    EXPECT_TRUE(Items(F->DstList).isEmpty());
    EXPECT_EQ(src->Count(), 86);
    EXPECT_EQ(Buttons(), (std::vector<bool>{true, true, false, false}));
    F->IncAllBtn->Click();
    EXPECT_EQ(F->DstList->GetItems()->Count(), 86);
    EXPECT_EQ(Buttons(), (std::vector<bool>{false, false, false, true}));
}

TEST_F(SelFormTest, CtrlArrowsAndDragReorderTheChosenColumnsOnly) {
    Choose({"Таб. номер", "Прізвище", "Ім'я"});
    TTextListBox* dst = F->DstList;
    auto key = [&](WORD K) {
        WORD k = K;
        dst->OnKeyDown(dst, k, TShiftState{ssCtrl});
        return k;
    };
    auto current = [&](int i) {
        for (int j = 0; j < dst->GetItems()->Count(); ++j)
            dst->SetSelected(j, false);
        dst->SetItemIndex(i);
        dst->SetSelected(i, true);
    };
    current(0);
    EXPECT_EQ(key(VK_UP), 0); // consumed, nothing moves at the top
    EXPECT_EQ(Items(dst), QStringList({"Ім'я", "Прізвище", "Таб. номер"}));
    EXPECT_EQ(key(VK_DOWN), 0);
    EXPECT_EQ(Items(dst), QStringList({"Прізвище", "Ім'я", "Таб. номер"}));
    current(2);
    key(VK_DOWN);
    EXPECT_EQ(Items(dst), QStringList({"Прізвище", "Ім'я", "Таб. номер"}));

    // Dragging the current item onto another one of the same list moves it there.
    const TRect last = dst->ItemRect(2);
    current(0);
    bool accept = false;
    dst->DragOver(dst, last.Left + 4, last.Top + 2, dsDragMove, accept);
    EXPECT_TRUE(accept);
    dst->DragDrop(dst, last.Left + 4, last.Top + 2);
    EXPECT_EQ(Items(dst), QStringList({"Ім'я", "Таб. номер", "Прізвище"}));
    EXPECT_EQ(dst->GetItemIndex(), 2);
    // Over the current item itself, or with two selected, no drop.
    dst->DragOver(dst, last.Left + 4, last.Top + 2, dsDragMove, accept);
    EXPECT_FALSE(accept);
    dst->SetSelected(0, true);
    const TRect first = dst->ItemRect(0);
    dst->DragOver(dst, first.Left + 4, first.Top + 2, dsDragMove, accept);
    EXPECT_FALSE(accept);
    // The sorted source refuses a drag inside itself but takes the other list's items.
    TTextListBox* src = F->SrcList;
    src->SetItemIndex(0);
    const TRect r = src->ItemRect(3);
    src->DragOver(src, r.Left + 4, r.Top + 2, dsDragMove, accept);
    EXPECT_FALSE(accept);
    src->DragOver(dst, r.Left + 4, r.Top + 2, dsDragMove, accept);
    EXPECT_TRUE(accept);
    src->DragDrop(dst, r.Left + 4, r.Top + 2);
    EXPECT_EQ(Items(dst), QStringList({"Таб. номер"}));
}

TEST_F(SelFormTest, BuildShowsTheRowsAndLaysOutOneMemoPerColumn) {
    // No column: refused with a message, nothing runs.
    F->BitBtn1->Click();
    EXPECT_EQ(Texts(), QStringList({"Не вибрано жодної колонки документу."}));
    EXPECT_FALSE(DM->Select->GetActive());

    Choose({"Категорія, розряд, клас"});
    Choose({"Прізвище, ім'я та по батькові (скорочене)"});
    Choose({"Посада (скорочена)"});
    F->Edit3->SetText(QStringLiteral("Мар'яна"));
    F->Edit1->SetText(QStringLiteral("Список інженерів"));
    EXPECT_EQ(F->DateEdit2->GetText()[0], u' ');
    F->BitBtn1->Click();
    ASSERT_TRUE(DM->Select->GetActive());
    EXPECT_EQ(DM->Select->GetRecordCount(), 1);
    EXPECT_EQ(DM->Select->FieldByName("FAMILY")->GetAsString(), QStringLiteral("Коваль"));
    EXPECT_EQ(F->PageControl1->GetActivePage(), F->TabSheet4);
    EXPECT_EQ(DM->Select->FieldByName("ROZRAD")->GetDisplayLabel(),
              QStringLiteral("Категорія, розряд, клас"));
    EXPECT_EQ(DM->Select->FieldByName("PROFSHT")->GetDisplayLabel(),
              QStringLiteral("Посада (скорочена)"));

    const auto cols = Columns();
    ASSERT_EQ(cols.size(), 3u);
    EXPECT_EQ(cols[0].first, QStringLiteral("[Select.\"NKAT\"+Select.\"ROZRAD\"+Select.\"KLAS\"]"));
    EXPECT_EQ(cols[1].first,
              QStringLiteral("[Select.\"FAMILY\"+' '+COPY(Select.\"NAME\",1,1)+'.'+' '+"
                             "COPY(Select.\"PATR\",1,1)+'.']"));
    EXPECT_EQ(cols[1].second, F->GetCanvas()->TextWidth(QStringLiteral("Коваль")) + 15 + 40);
    EXPECT_EQ(cols[2].first, QStringLiteral("[IF(POS(' ',Select.\"PROFSHT\")>0,COPY(Select."
                                            "\"PROFSHT\",1,POS(' ',Select.\"PROFSHT\")),Select."
                                            "\"PROFSHT\")]"));
    EXPECT_EQ(cols[2].second, 150);
    TfrPage* page = F->frReport1->Pages.GetPages(0);
    EXPECT_EQ(page->pgOr, poPortrait);
    EXPECT_EQ(page->pgMargins[1], 0);
    TfrView* title = page->GetObject(2);
    EXPECT_EQ(title->Memo.GetStrings(0), QStringLiteral("Список інженерів"));
    EXPECT_EQ(static_cast<TfrBandView*>(page->GetObject(4))->GetDataSet(),
              QStringLiteral("frDBDataSet1"));

    // Landscape asked: a top margin of 10.
    F->Radio2->SetChecked(true);
    F->BitBtn1->Click();
    page = F->frReport1->Pages.GetPages(0);
    EXPECT_EQ(page->pgOr, poLandscape);
    EXPECT_EQ(page->pgMargins[1], 10);
}

TEST_F(SelFormTest, TooManyColumnsTurnThePageAndThenTellTheUser) {
    Exec("insert into KIDS (KID_TAB, KID_NAME, KID_SEX) values ('00001', 'Оксана', 'Ж')");
    F->Edit3->SetText(QStringLiteral("Мар'яна"));
    // Forty columns of the sorted list are too wide for a portrait page, not for a landscape one.
    QStringList forty;
    for (int i = 0; i < 40; ++i)
        forty.append(F->SrcList->GetItems()->GetStrings(i));
    Choose(forty);
    F->BitBtn1->Click();
    EXPECT_TRUE(F->LastPage.Landscape) << F->LastPage.Right;
    EXPECT_TRUE(F->LastPage.Fits) << F->LastPage.Right;
    EXPECT_EQ(F->frReport1->Pages.GetPages(0)->pgMargins[1], 10);
    EXPECT_TRUE(Texts().isEmpty());
    // All of them fit nowhere: the user is told.
    F->IncAllBtn->Click();
    F->BitBtn1->Click();
    EXPECT_EQ(DM->Select->GetRecordCount(), 1);
    EXPECT_FALSE(F->LastPage.Fits);
    EXPECT_TRUE(F->LastPage.Landscape);
    EXPECT_EQ(Texts(), QStringList({"Вибрані колонки не вміщуються на сторінці навіть в "
                                    "альбомній орієнтації."}));
}

// The build prepares the list over the result and hands it to the preview: a title, then one
// line per employee in the result's order with the chosen columns' values; it prints to PDF.
TEST_F(SelFormTest, TheBuiltListIsPreviewedAndPrinted) {
    const std::vector<TGenEmployee> people =
        TEmployeeGenerator(5, EncodeDate(2024, 3, 1)).Employees(12);
    FillDatabase(TEmployeeGenerator::Directories(), people);
    QTemporaryDir dir;
    PdfFile = dir.filePath(QStringLiteral("list.pdf"));
    Choose({"Прізвище"});
    Choose({"Ім'я"});
    Choose({"Таб. номер"});
    F->Edit1->SetText(QStringLiteral("Список працівників «Зорі»"));
    F->BitBtn1->Click();
    ASSERT_EQ(Previews, 1) << Texts().join(u'\n').toStdString();
    ASSERT_TRUE(DM->Select->GetActive());
    // The generated numbers 00001-00003 are the fixture's, kept as they were.
    ASSERT_EQ(DM->Select->GetRecordCount(), int(people.size()));
    QStringList expected{QStringLiteral("Список працівників «Зорі»")};
    int line = 0;
    for (DM->Select->First(); !DM->Select->GetEof(); DM->Select->Next())
        expected << QString::number(++line) << DM->Select->Fields(0)->GetAsString()
                 << DM->Select->Fields(1)->GetAsString() << DM->Select->Fields(2)->GetAsString();
    EXPECT_TRUE(expected.contains(QStringLiteral("Мар'яна")));
    EXPECT_TRUE(expected.contains(QStringLiteral("Д'яченко")));
    EXPECT_TRUE(expected.contains(people.back().Family));
    qsizetype at = 0;
    for (const QString& t : expected) {
        const qsizetype found = Printed.indexOf(t, at);
        ASSERT_GE(found, 0) << t.toStdString() << " after " << at;
        at = found + 1;
    }
    const QString pdf = pdftools::text(PdfFile);
    for (const QString& t : {expected[0], QStringLiteral("Мар'яна"), people.back().Family})
        EXPECT_TRUE(pdf.contains(t)) << t.toStdString();
}

} // namespace
