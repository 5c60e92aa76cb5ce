// The leave schedules, the certificates and the card documents in the running program,
// offscreen, over generated employees and one with known facts: each command runs from its
// menu (the dialogs answered as a user would) into the preview, whose report prints to PDF,
// and the PDF's text holds the organisation and the known values.
#include "AppFormsFixture.h"
#include "CardUnit.h"
#include "DMUnit.h"
#include "FillDb.h"
#include "MainUnit.h"
#include "PdfTools.h"
#include "PreviewUnit.h"
#include "ReportDlgs.h"
#include "ReportPages.h"
#include "ReportPrint.h"
#include "varer.h"

#include <QApplication>
#include <QDir>

namespace {

class ListReportsGuiTest : public AppFormsTest {
protected:
    void SetUp() override {
        AppFormsTest::SetUp();
        PrepareSettings();
        Start();
        NameOrg = QStringLiteral("ТОВ «Зоряна Гавань»");
        Boss = QStringLiteral("Петренко О. І.");
        BossPos = QStringLiteral("Генеральний директор");
        OK_Pib2 = QStringLiteral("Олена Гнатюк");
        OK_Pos2 = QStringLiteral("Начальник відділу кадрів");
        OK_Pib4 = QStringLiteral("Ігор Д'яків");
        OK_Pos4 = QStringLiteral("Інспектор з кадрів");
        FillDatabase(TEmployeeGenerator::Directories(),
                     TEmployeeGenerator(11, EncodeDate(2024, 3, 1)).Employees(30));
        // a few generated employees go on leave, some twice; one has a certificate
        Exec("update KADR set OTPDATE='01.06.2024', OTPSTR='основна' where TAB<='00008'");
        Exec("update KADR set OTPDATE1='15.09.2024', OTPCNT1=2 where TAB<='00004'");
        Exec("update KADR set UDOST='77' where TAB='00003'");
        // the employee of known facts: no subdivision in the directory, two leaves, a
        // certificate, orders and appointments in two categories
        Exec("insert into PROF (CODPROF, NAMPROF) values ('Z901', 'Провідний економіст')");
        Exec("insert into KADR (TAB, FAMILY, NAME, PATR, SEX, BDATE, CPROF, KODP_2, NKAT, "
             "WWORK, WOWORK, WOWORK1, UDOST, OTPDATE, OTPSTR, OTPCNT, OTPDATE1, OTPSTR1, OKLAD, "
             "PRJ_NOM, PRJ_DNAK, UVL_NOM, UVL_DNAK, EDUC) values ('00901', 'Ґудзь', 'Мар''яна', "
             "'Іванівна', 'Ж', '12.04.1980', 'Z901', 9901, '1 КАТ', '01.02.2015', "
             "'01.09.2005', '01.09.2005', '901', '07.07.2024', 'частина 1', 4, '02.12.2024', "
             "'частина 2', 12345.67, 'К-17', '30.01.2015', 'У-5', '14.03.2024', 'Повна вища')");
        for (const char* a : {"'01.02.2015', '2 КАТ', 9000", "'01.02.2019', '1 КАТ', 11000",
                              "'01.02.2022', '1 КАТ', 12345.67"})
            Exec(QStringLiteral("insert into NAZN (TAB2, CPROF_3, NAZ_DATE, KAT, OKLAD) values "
                                "('00901', 'Z901', %1)")
                     .arg(QString::fromUtf8(a)));
        previous = QDir::currentPath();
        QDir::setCurrent(QStringLiteral(KADRION_RUN_DIR));
        ui.Asked.clear();
        MainForm->Show();
    }
    void TearDown() override {
        QDir::setCurrent(previous);
        AppFormsTest::TearDown();
    }
    // Runs a command whose preview is closed by its close button; what the preview showed is
    // printed to a PDF whose text is kept (the pages go back to the report with the window).
    void Print(TMenuItem* Command) {
        const int before = previews;
        modal.Push([this](TCustomForm* F) {
            auto* p = dynamic_cast<TPreviewForm*>(F);
            ASSERT_NE(p, nullptr);
            ++previews;
            p->frSpeedButton11->Click();
        });
        Command->Click();
        EXPECT_EQ(modal.Pending(), 0);
        texts.clear();
        pdf.clear();
        if (previews == before) return;
        texts = PreparedTexts(DM->frReport1);
        const QString file = dir.filePath(QStringLiteral("report%1.pdf").arg(previews));
        PrintToPdf(DM->frReport1, file);
        pdf = pdftools::text(file);
    }
    // Opens the card window on an employee.
    TCardForm* Card(const char* Tab) {
        MainForm->N2->Click();
        QApplication::processEvents();
        EXPECT_NE(CardForm, nullptr);
        CardForm->RadioButton3->SetChecked(true);
        EXPECT_TRUE(DM->IBQuery->Locate("TAB", Variant(Tab), {}));
        return CardForm;
    }
    int Count(const QString& Where) {
        TIBQuery q(nullptr);
        q.SetDatabase(DM->Database);
        q.GetSQL()->SetText(QStringLiteral("select count(*) from KADR where ") + Where);
        q.Open();
        return q.Fields(0)->GetAsInteger();
    }
    void ExpectPrinted(const QStringList& Values) {
        EXPECT_TRUE(pdf.contains(NameOrg)) << pdf.toStdString();
        for (const QString& v : Values)
            EXPECT_TRUE(pdf.contains(v))
                << v.toStdString() << "\n"
                << pdf.toStdString() << "\nprepared: " << texts.join(u'|').toStdString();
    }
    QString previous;
    int previews = 0;
    QStringList texts;
    QString pdf;
};

// Both schedules from the main menu: the employee without a subdivision in the directory is
// listed with each of her leaves; the open card window is closed first.
TEST_F(ListReportsGuiTest, LeaveSchedulesPrint) {
    Card("00001");
    for (TMenuItem* m : {MainForm->N31, MainForm->N50}) {
        SCOPED_TRACE(m->GetCaption().toStdString());
        Print(m);
        EXPECT_EQ(MainForm->GetMDIChildCount(), 0);
        ExpectPrinted({QStringLiteral("Ґудзь Мар'яна Іванівна"), QStringLiteral("07.07.2024"),
                       QStringLiteral("02.12.2024"), QStringLiteral("частина 2"), Boss});
        EXPECT_FALSE(DM->Select->GetActive());
        EXPECT_TRUE(ui.Asked.empty()) << Texts().join(u'\n').toStdString();
    }
    EXPECT_TRUE(pdf.contains(QStringLiteral("12345,67"))) << "the salary, once";
    EXPECT_EQ(previews, 2);
}

// The dated reports ask for the date (today's offered) and their templates select their own
// rows on it: ages and service per employee, the average age and the education by category,
// the long-service bonus list.
TEST_F(ListReportsGuiTest, DatedReportsPrintOnTheDateAsked) {
    const int working = Count(QStringLiteral("(ENDEND IS NULL OR ENDEND>='14.03.2024') AND "
                                             "(WWORK IS NULL OR WWORK<='14.03.2024')"));
    ASSERT_GT(working, 20);
    const QString all = QString::number(working);
    const struct {
        TMenuItem* item;
        QStringList values; // in the PDF
        QStringList row;    // printed one after another
    } cases[] = {
        {MainForm->N36,
         {"ВІК ТА СТАЖ ПРАЦІВНИКІВ", "станом на 14.03.2024"},
         {"Ґудзь Мар'яна Іванівна", "00901", "Провідний економіст", "", "12.04.1980", "43",
          "18 р. 6 міс.", "18 р. 6 міс."}},
        {MainForm->N37, {"СЕРЕДНІЙ ВІК ПРАЦІВНИКІВ"}, {"Всього", all}},
        {MainForm->N48, {"ЯКІСНИЙ СКЛАД ПРАЦІВНИКІВ (ОСВІТА)"}, {"Всього", all}},
        {MainForm->N49,
         {"СПИСОК НА ВИПЛАТУ НАДБАВКИ"},
         {"Ґудзь Мар'яна Іванівна", "00901", "Провідний економіст", "", "01.09.2005",
          "18 р. 6 міс.", "25"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.item->GetCaption().toStdString());
        modal.Push([](TCustomForm* F) {
            auto* t = static_cast<TTimeForm*>(F);
            EXPECT_EQ(t->DateEdit1->GetText(), QStringLiteral("14.03.2024"));
            t->BitBtn1->Click();
        });
        Print(c.item);
        ExpectPrinted(c.values + QStringList{Boss, BossPos});
        const qsizetype at = texts.lastIndexOf(c.row[0]);
        ASSERT_GE(at, 0) << texts.join(u'|').toStdString();
        EXPECT_EQ(texts.mid(at, c.row.size()), c.row) << texts.join(u'|').toStdString();
    }
    EXPECT_EQ(previews, 4);
    EXPECT_TRUE(ui.Asked.empty()) << Texts().join(u'\n').toStdString();
    // cancelled: nothing is built
    modal.Push([](TCustomForm* F) { static_cast<TTimeForm*>(F)->BitBtn2->Click(); });
    MainForm->N36->Click();
    EXPECT_EQ(previews, 4);
}

// Certificates by the numbers of the dialog: found ones print with the photo's frame and the
// head's position, missing ones are named; nothing printed when none is found or none given.
TEST_F(ListReportsGuiTest, CertificatesPrintOrSayWhatIsMissing) {
    Card("00001");
    const auto ask = [this](QStringList Numbers) {
        modal.Push([Numbers](TCustomForm* F) {
            auto* u = static_cast<TUdostForm*>(F);
            TEdit* edits[] = {u->Edit1, u->Edit2, u->Edit3, u->Edit4};
            for (int i = 0; i < 4; ++i)
                edits[i]->SetText(Numbers[i]);
            u->BitBtn1->Click();
        });
    };
    ask({"", "901", "", "12345"});
    Print(MainForm->N40);
    EXPECT_EQ(MainForm->GetMDIChildCount(), 1) << "the open windows stay";
    ASSERT_EQ(previews, 1);
    ExpectPrinted({QStringLiteral("ПОСВІДЧЕННЯ № 901"), QStringLiteral("Ґудзь"),
                   QStringLiteral("Провідний економіст"), BossPos});
    EXPECT_EQ(Texts(), QStringList{QStringLiteral(
                           "Посвідчення з номером 12345 не знайдено, інші будуть надруковані.")});
    ui.Asked.clear();
    ask({"5", "", "", ""});
    MainForm->N40->Click();
    ask({"", " ", "", ""});
    MainForm->N40->Click();
    EXPECT_EQ(previews, 1);
    EXPECT_EQ(Texts(), QStringList({QStringLiteral("Посвідчення з номером 5 не знайдено."),
                                    QStringLiteral("Введіть номера посвідчень.")}));
    EXPECT_FALSE(DM->Select->GetActive());
}

// The card's documents from its menu: each prints the current employee.
TEST_F(ListReportsGuiTest, CardDocumentsPrintTheCurrentEmployee) {
    TCardForm* f = Card("00901");
    ASSERT_NE(f, nullptr);
    const struct {
        TMenuItem* item;
        QStringList values;
    } cases[] = {
        {f->N6, {"ОСОБОВА КАРТКА", "Ґудзь Мар'яна Іванівна", "01.02.2019", "Провідний економіст"}},
        {f->N7, {"ПОСВІДЧЕННЯ № 901", "Ґудзь", BossPos}},
        {f->N10, {"НАКАЗ № У-5", "Ґудзь Мар'яна Іванівна", "14.03.2024", Boss}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.item->GetCaption().toStdString());
        Print(c.item);
        ExpectPrinted(c.values);
    }
    EXPECT_EQ(previews, 3);
    EXPECT_TRUE(ui.Asked.empty()) << Texts().join(u'\n').toStdString();
}

// The hiring order offers the HR names that are set; the one chosen signs with the position
// of its pair, and a name typed that is no HR name leaves no signatory of an earlier order.
TEST_F(ListReportsGuiTest, HiringOrderIsSignedByTheChosenHrStaff) {
    TCardForm* f = Card("00901");
    const auto choose = [this](std::function<void(TWrkForm*)> Act) {
        modal.Push([Act](TCustomForm* F) {
            auto* w = static_cast<TWrkForm*>(F);
            Act(w);
            w->BitBtn1->Click();
        });
    };
    choose([](TWrkForm* W) { W->CmbBox->SetItemIndex(1); });
    Print(f->N9);
    ExpectPrinted({QStringLiteral("НАКАЗ № К-17"), QStringLiteral("Про прийняття на роботу"),
                   QStringLiteral("Провідний економіст"), OK_Pib4, OK_Pos4, Boss});
    EXPECT_FALSE(pdf.contains(OK_Pib2));
    choose([](TWrkForm* W) { W->CmbBox->SetText(QStringLiteral("Хтось інший")); });
    Print(f->N9);
    EXPECT_EQ(previews, 2);
    EXPECT_FALSE(pdf.contains(OK_Pib4));
    EXPECT_FALSE(pdf.contains(OK_Pos4));
    EXPECT_FALSE(pdf.contains(QStringLiteral("Хтось інший")));
}

// The attestation sheet: the post held since the first appointment in the latest one's
// position and category; with the category, or the position name alone.
TEST_F(ListReportsGuiTest, AttestationSheetTellsSinceWhenThePostIsHeld) {
    TCardForm* f = Card("00901");
    Print(f->N4);
    ExpectPrinted({QStringLiteral("АТЕСТАЦІЙНИЙ ЛИСТ"), QStringLiteral("01.02.2019"),
                   QStringLiteral("Провідний економіст, категорія 1 КАТ")});
    EXPECT_FALSE(DM->IBnaz_sel->GetActive());
    Print(f->N5);
    EXPECT_EQ(previews, 2);
    ExpectPrinted({QStringLiteral("01.02.2019"), QStringLiteral("Провідний економіст")});
    EXPECT_FALSE(pdf.contains(QStringLiteral("категорія")));
    // an employee without appointments: the start of continuous service
    ASSERT_TRUE(DM->IBQuery->Locate("TAB", Variant("00901"), {}));
    Exec("delete from NAZN where TAB2='00901'");
    DM->IBnazn->Close();
    DM->IBnazn->Open();
    Print(f->N4);
    ExpectPrinted({QStringLiteral("01.09.2005")});
    EXPECT_FALSE(pdf.contains(QStringLiteral("01.02.2019")));
}

// A sheet whose template lacks Memo7 is told by name and nothing is shown.
TEST_F(ListReportsGuiTest, AnAttestationTemplateWithoutItsMemoIsNamed) {
    TCardForm* f = Card("00901");
    TfrReport r(nullptr);
    ASSERT_TRUE(r.LoadFromFile(QStringLiteral("atestat.frf")));
    TfrView* memo = r.FindObject(QStringLiteral("Memo7"));
    ASSERT_NE(memo, nullptr);
    memo->Name = QStringLiteral("Memo70");
    QDir::setCurrent(dir.path());
    r.SaveToFile(QStringLiteral("atestat.frf"));
    for (TMenuItem* m : {f->N4, f->N5}) {
        try {
            m->Click();
            ADD_FAILURE() << "no error";
        } catch (const EReportTemplate& e) {
            EXPECT_TRUE(e.Message.contains(QStringLiteral("Memo7"))) << e.Message.toStdString();
            EXPECT_TRUE(e.Message.contains(QStringLiteral("atestat.frf")));
        }
    }
    EXPECT_EQ(previews, 0);
    EXPECT_EQ(PreviewForm, nullptr);
    EXPECT_FALSE(DM->IBnaz_sel->GetActive());
}

} // namespace
