// A dialog page shown modally before the build (answered by a timer): OK builds with what was
// entered, Cancel leaves no pages; a lookup control lists a dataset's rows.
#include "DBCtrls.h"
#include "FR_DCtrl.h"
#include "Forms.h"
#include "MemDS.h"
#include "ReportDbFixture.h"
#include "StdCtrls.h"

#include <QTimer>

using namespace Qt::Literals::StringLiterals;

namespace {

class DialogTest : public ReportDbTest {
protected:
    void SetUp() override {
        ReportDbTest::SetUp();
        // A data module with a directory of towns, as the application keeps its directories.
        module = std::make_unique<TDataModule>(nullptr);
        module->SetName(u"Dovidnyk"_s);
        auto* towns = new TMemDataSet(module.get());
        towns->SetName(u"Towns"_s);
        towns->GetFieldDefs()->Add(u"ID"_s, ftInteger);
        towns->GetFieldDefs()->Add(u"NAME"_s, ftString, 30);
        towns->Open();
        towns->AppendRecord({Variant(1), Variant(u"Київ"_s)});
        towns->AppendRecord({Variant(2), Variant(u"Львів"_s)});
        towns->AppendRecord({Variant(3), Variant(u"Ужгород"_s)});
        auto* source = new TDataSource(module.get());
        source->SetName(u"TownsSource"_s);
        source->SetDataSet(towns);

        report->Pages.Add();
        TfrPage* dialog = report->Pages[0];
        dialog->PageType = ptDialog;
        dialog->Caption = u"Параметри звіту"_s;
        auto* edit = add<TfrEditControl>(u"Edit1"_s);
        edit->SetBounds(10, 10, 150, 21);
        auto* combo = add<TfrComboBoxControl>(u"Combo1"_s);
        combo->SetBounds(10, 40, 150, 21);
        combo->DoMethod(u"Items.Add"_s, Variant(u"'Чоловіки;1'"_s), Null(), Null());
        combo->DoMethod(u"Items.Add"_s, Variant(u"'Жінки;2'"_s), Null(), Null());
        combo->SetPropValue(u"Style"_s, Variant(frcsLookup));
        auto* lookup = add<TfrDBLookupControl>(u"Town1"_s);
        lookup->SetBounds(10, 70, 150, 21);
        lookup->SetPropValue(u"ListSource"_s, Variant(u"Dovidnyk.Towns"_s));
        lookup->SetPropValue(u"KeyField"_s, Variant(u"ID"_s));
        lookup->SetPropValue(u"ListField"_s, Variant(u"NAME"_s));
        auto* ok = add<TfrButtonControl>(u"BtnOk"_s);
        ok->SetPropValue(u"ModalResult"_s, Variant(1));
        auto* cancel = add<TfrButtonControl>(u"BtnCancel"_s);
        cancel->SetPropValue(u"ModalResult"_s, Variant(2));

        band(btReportTitle, 10, 20, QString(), 1);
        memo(10, u"[Edit1.Text] [Combo1.Text] [Town1.Text]"_s, 1);
    }
    void TearDown() override {
        ReportDbTest::TearDown();
        module.reset();
    }
    template <typename T> T* view(const QString& Name) {
        return static_cast<T*>(report->FindObject(Name));
    }
    // Builds while a timer answers the dialog.
    bool buildAnswering(const std::function<void()>& Answer) {
        bool shown = false;
        QTimer::singleShot(0, [&] {
            shown = view<TfrEditControl>(u"Edit1"_s)->GetEdit()->IsShowing();
            Answer();
        });
        const bool built = report->PrepareReport();
        EXPECT_TRUE(shown) << "the dialog was on the screen when the timer answered";
        return built;
    }

    std::unique_ptr<TDataModule> module;
};

TEST_F(DialogTest, OkBuildsWithWhatWasEnteredAndCancelGivesNoPages) {
    size_t listed = 0;
    Variant before;
    EXPECT_TRUE(buildAnswering([&] {
        view<TfrEditControl>(u"Edit1"_s)->GetEdit()->SetText(u"Петренко"_s);
        view<TfrComboBoxControl>(u"Combo1"_s)->SetPropValue(u"ItemIndex"_s, Variant(1));
        TDBLookupComboBox* town = view<TfrDBLookupControl>(u"Town1"_s)->GetLookup();
        listed = town->Rows().size();
        before = view<TfrDBLookupControl>(u"Town1"_s)->GetPropValue(u"Text"_s);
        town->SelectKeyValue(Variant(3));
        view<TfrButtonControl>(u"BtnOk"_s)->GetButton()->Click();
    }));
    EXPECT_EQ(listed, 3u);
    EXPECT_TRUE(before.IsNull()) << "nothing chosen yet";
    EXPECT_EQ(printed(), QStringList{u"Петренко 2 3"_s});

    EXPECT_FALSE(
        buildAnswering([&] { view<TfrButtonControl>(u"BtnCancel"_s)->GetButton()->Click(); }));
    EXPECT_EQ(report->EMFPages.Count(), 0);
    EXPECT_TRUE(messages.isEmpty()) << messages.join(u'\n').toStdString();
}

TEST_F(DialogTest, TheLookupControlFindsADatasetDefinedAfterItAndSavesItsName) {
    // Through the template: the lookup keeps the name and finds the dataset once loaded.
    ASSERT_TRUE(load(saved()));
    auto* town = view<TfrDBLookupControl>(u"Town1"_s);
    EXPECT_EQ(VarToStr(town->GetPropValue(u"ListSource"_s)), u"Dovidnyk.Towns"_s);
    ASSERT_TRUE(town->GetLookup()->GetListSource());
    EXPECT_EQ(town->GetLookup()->Rows().size(), 3u);
    EXPECT_EQ(town->GetLookup()->Rows()[1].Texts.value(0), u"Львів"_s);
}

} // namespace
