// The print sequence every report goes through, in the running program offscreen: a template
// loaded by bare name from the current folder, the common variables and the report's own,
// the modal preview window, and what is left behind when the template is missing or damaged,
// when the build fails and when a report does not set a variable an earlier one did.
#include "AppFormsFixture.h"
#include "DMUnit.h"
#include "PreviewUnit.h"
#include "ReportPages.h"
#include "ReportPrint.h"
#include "varer.h"

#include <QDir>
#include <QFile>

namespace {

class ReportPrintTest : public AppFormsTest {
protected:
    void SetUp() override {
        AppFormsTest::SetUp();
        PrepareSettings();
        Start();
        NameOrg = QStringLiteral("ТОВ «Зоря»");
        Boss = QStringLiteral("Петренко О. І.");
        BossPos = QStringLiteral("Директор");
        previous = QDir::currentPath();
        QDir::setCurrent(dir.path());
    }
    void TearDown() override {
        QDir::setCurrent(previous);
        AppFormsTest::TearDown();
    }
    // A template of one title band whose memo prints Text, saved as File in the current folder.
    static void WriteTemplate(const QString& File, const QString& Text) {
        TfrReport r(nullptr);
        r.Pages.Add();
        TfrPage* page = r.Pages[0];
        auto* band = static_cast<TfrBandView*>(frCreateObject(gtBand, QString()));
        band->SetBandType(btReportTitle);
        band->SetBounds(0, 40, 0, 40);
        page->Objects.Add(band);
        TfrView* memo = frCreateObject(gtMemo, QString());
        memo->Name = QStringLiteral("Memo1");
        memo->SetBounds(40, 44, 600, 20);
        memo->Memo.SetText(Text);
        page->Objects.Add(memo);
        r.SaveToFile(File);
    }
    // Answers the next preview: what it showed is kept, then it is closed by its close button.
    void ClosePreview() {
        modal.Push([this](TCustomForm* F) {
            auto* p = dynamic_cast<TPreviewForm*>(F);
            ASSERT_NE(p, nullptr);
            EXPECT_EQ(p, PreviewForm);
            shownPages = p->frPreview1->AllPages();
            p->frSpeedButton11->Click();
        });
    }
    QString previous;
    int shownPages = -1;
};

TEST_F(ReportPrintTest, ShowsTheBuiltPagesWithTheCommonAndOwnVariablesAndFreesTheWindow) {
    WriteTemplate(QStringLiteral("t.frf"), QStringLiteral("[Org] | [Pos] [Boss] | [NDate] | [X]"));
    ClosePreview();
    EXPECT_TRUE(PrintReport(QStringLiteral("t.frf"),
                            {{QStringLiteral("NDate"), Variant(QStringLiteral("14.03.2024"))},
                             {QStringLiteral("X"), Variant(42)}}));
    EXPECT_EQ(modal.Pending(), 0);
    EXPECT_EQ(shownPages, 1);
    EXPECT_EQ(PreviewForm, nullptr);
    EXPECT_TRUE(ui.Asked.empty());
    EXPECT_TRUE(PreparedTexts(DM->frReport1)
                    .contains(QStringLiteral("ТОВ «Зоря» | Директор Петренко О. І. | "
                                             "14.03.2024 | 42")));
}

TEST_F(ReportPrintTest, AVariableAnEarlierReportSetPrintsEmpty) {
    WriteTemplate(QStringLiteral("t.frf"), QStringLiteral("<[X]><[NDate]><[Times]>"));
    ClosePreview();
    ASSERT_TRUE(PrintReport(QStringLiteral("t.frf"),
                            {{QStringLiteral("X"), Variant(7)},
                             {QStringLiteral("NDate"), Variant(QStringLiteral("01.01.2024"))},
                             {QStringLiteral("Times"), Variant(QStringLiteral("з 1 до 2"))}}));
    EXPECT_TRUE(PreparedTexts(DM->frReport1).contains(QStringLiteral("<7><01.01.2024><з 1 до 2>")));
    ClosePreview();
    ASSERT_TRUE(PrintReport(QStringLiteral("t.frf"), {}));
    EXPECT_TRUE(PreparedTexts(DM->frReport1).contains(QStringLiteral("<><><>")));
}

TEST_F(ReportPrintTest, AMissingOrDamagedTemplateIsToldByNameAndNothingIsBuilt) {
    // a good template first, so that a failed load cannot fall back on it unseen
    WriteTemplate(QStringLiteral("good.frf"), QStringLiteral("GOOD"));
    ClosePreview();
    ASSERT_TRUE(PrintReport(QStringLiteral("good.frf"), {}));
    QFile empty(QStringLiteral("empty.frf"));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    QFile bad(QStringLiteral("bad.frf"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write(QByteArray("\x18\x01\x00\x00\xFF\xFF garbage that is no template", 34));
    bad.close();
    const struct {
        const char* file;
        const char* said;
    } cases[] = {{"absent.frf", "Не знайдено файл шаблону звіту \"absent.frf\""},
                 {"empty.frf", "Файл шаблону звіту \"empty.frf\" пошкоджено"},
                 {"bad.frf", "Файл шаблону звіту \"bad.frf\" пошкоджено"}};
    for (const auto& c : cases) {
        ui.Asked.clear();
        DM->frReport1->EMFPages.Clear();
        EXPECT_FALSE(PrintReport(QString::fromUtf8(c.file), {})) << c.file;
        ASSERT_EQ(ui.Asked.size(), 1u) << c.file;
        EXPECT_TRUE(ui.Asked[0].Text.startsWith(QString::fromUtf8(c.said))) << c.file;
        EXPECT_TRUE(ui.Asked[0].Text.contains(dir.path())) << c.file;
        EXPECT_EQ(DM->frReport1->EMFPages.Count(), 0) << c.file;
        EXPECT_EQ(PreviewForm, nullptr) << c.file;
    }
}

TEST_F(ReportPrintTest, TheWindowIsFreedAndSelectClosedWhenTheBuildFails) {
    WriteTemplate(QStringLiteral("t.frf"), QStringLiteral("[Org]"));
    // the command's own preparation fails: its error goes on to the caller
    EXPECT_THROW(PrintReport(QStringLiteral("t.frf"), {},
                             [](TfrReport*) {
                                 DM->Select->Open();
                                 TemplateMemo(QStringLiteral("Memo7"));
                             }),
                 EReportTemplate);
    EXPECT_EQ(PreviewForm, nullptr);
    EXPECT_FALSE(DM->Select->GetActive());
    // a template whose expression cannot be computed: the engine says why, nothing is shown
    WriteTemplate(QStringLiteral("t.frf"), QStringLiteral("[1/]"));
    ui.Asked.clear();
    EXPECT_FALSE(PrintReport(QStringLiteral("t.frf"), {}, [](TfrReport*) { DM->Select->Open(); }));
    EXPECT_EQ(ui.Asked.size(), 1u);
    EXPECT_EQ(PreviewForm, nullptr);
    EXPECT_FALSE(DM->Select->GetActive());
    EXPECT_EQ(modal.Pending(), 0);
}

TEST_F(ReportPrintTest, AMissingMemoIsNamedWithItsTemplate) {
    WriteTemplate(QStringLiteral("card.frf"), QStringLiteral("x"));
    ASSERT_TRUE(DM->frReport1->LoadFromFile(QStringLiteral("card.frf")));
    EXPECT_NE(TemplateMemo(QStringLiteral("Memo1")), nullptr);
    try {
        TemplateMemo(QStringLiteral("Memo4"));
        FAIL();
    } catch (const EReportTemplate& e) {
        EXPECT_TRUE(e.Message.contains(QStringLiteral("card.frf"))) << e.Message.toStdString();
        EXPECT_TRUE(e.Message.contains(QStringLiteral("Memo4")));
    }
}

TEST_F(ReportPrintTest, ThePreviewWindowHasItsButtonsInOrderAndStartsAtFullSize) {
    WriteTemplate(QStringLiteral("t.frf"), QStringLiteral("[Org]"));
    QStringList hints;
    bool zoomDown = false;
    modal.Push([&](TCustomForm* F) {
        auto* p = static_cast<TPreviewForm*>(F);
        for (TfrSpeedButton* b : p->Buttons())
            hints << b->GetHint();
        EXPECT_EQ(p->GetCaption(), QStringLiteral("Попередній перегляд"));
        p->frSpeedButton3->Click(); // page width
        p->frSpeedButton3->SetDown(true);
        p->FormActivate(p);
        zoomDown = p->frSpeedButton2->GetDown() && !p->frSpeedButton3->GetDown();
        EXPECT_DOUBLE_EQ(p->frPreview1->Window()->Zoom, 1.0);
        WORD key = VK_ESCAPE;
        p->FormKeyDown(p, key, {});
    });
    EXPECT_TRUE(PrintReport(QStringLiteral("t.frf"), {}));
    EXPECT_EQ(hints, (QStringList{"100%", "Сторінка цілком", "По ширині сторінки", "Перша сторінка",
                                  "Попередня сторінка", "Наступна сторінка", "Остання сторінка",
                                  "Відкрити звіт", "Зберегти звіт", "Друкувати звіт",
                                  "Закрити попередній перегляд"}));
    EXPECT_TRUE(zoomDown);
    EXPECT_EQ(PreviewForm, nullptr);
}

} // namespace
