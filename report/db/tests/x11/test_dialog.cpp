// A report's dialog page on the X server as a user answers it: a name typed in Cyrillic into
// the edit, a choice from the combo box and from the lookup list, then OK builds the report
// with those answers; Cancel builds nothing.
#include "DBCtrls.h"
#include "FR_DBUtils.h"
#include "FR_DCtrl.h"
#include "Forms.h"
#include "MemDS.h"
#include "ReportDbSamples.h"
#include "ReportOnX11.h"
#include "StdCtrls.h"

using namespace Qt::Literals::StringLiterals;

namespace {

class DialogOnX11 : public ReportOnX11 {
protected:
    void SetUp() override {
        ReportOnX11::SetUp();
        if (IsSkipped()) return;
        frRegisterDBObjects();
        module = TownsModule({u"Київ"_s, u"Львів"_s, u"Ужгород"_s, u"Їжівка"_s});

        // Page 1 asks, page 2 prints the answers.
        page->PageType = ptDialog;
        page->Caption = u"Параметри звіту"_s;
        page->Width = 330;
        page->Height = 230;
        label(u"Прізвище:"_s, 12, 16);
        edit = add<TfrEditControl>(u"Edit1"_s, 110, 12, 190, 23);
        edit->SetPropValue(u"Text"_s, Variant(QString()));
        label(u"Стать:"_s, 12, 50);
        combo = add<TfrComboBoxControl>(u"Combo1"_s, 110, 46, 190, 23);
        combo->DoMethod(u"Items.Add"_s, Variant(u"'Чоловіча;1'"_s), Null(), Null());
        combo->DoMethod(u"Items.Add"_s, Variant(u"'Жіноча;2'"_s), Null(), Null());
        combo->SetPropValue(u"Style"_s, Variant(frcsLookup));
        label(u"Місто:"_s, 12, 84);
        town = add<TfrDBLookupControl>(u"Town1"_s, 110, 80, 190, 23);
        town->SetPropValue(u"ListSource"_s, Variant(u"Dovidnyk.Towns"_s));
        town->SetPropValue(u"KeyField"_s, Variant(u"ID"_s));
        town->SetPropValue(u"ListField"_s, Variant(u"NAME"_s));
        ok = add<TfrButtonControl>(u"BtnOk"_s, 110, 150, 90, 27);
        ok->SetPropValue(u"Caption"_s, Variant(u"Гаразд"_s));
        ok->SetPropValue(u"ModalResult"_s, Variant(1));
        cancel = add<TfrButtonControl>(u"BtnCancel"_s, 210, 150, 90, 27);
        cancel->SetPropValue(u"Caption"_s, Variant(u"Скасувати"_s));
        cancel->SetPropValue(u"ModalResult"_s, Variant(2));

        report->Pages.Add();
        TfrPage* out = report->Pages[1];
        auto* b = static_cast<TfrBandView*>(frCreateObject(gtBand, QString()));
        b->ParentPage = out;
        out->Objects.Add(b);
        b->SetBounds(0, 20, 700, 30);
        b->SetBandType(btReportTitle);
        auto* m = static_cast<TfrMemoView*>(frCreateObject(gtMemo, QString()));
        m->ParentPage = out;
        out->Objects.Add(m);
        m->SetBounds(20, 20, 600, 24);
        m->Memo.SetText(u"[Edit1.Text];[Combo1.Text];[Town1.Text]"_s);
        report->ShowProgress = false;
    }
    void TearDown() override {
        report.reset();
        module.reset();
        ReportOnX11::TearDown();
    }
    template <typename T> T* add(const QString& Name, int L, int T_, int W, int H) {
        auto* v = static_cast<T*>(frCreateObject(gtAddIn, T::StaticClassName()));
        v->ParentPage = page;
        page->Objects.Add(v);
        v->SetPropValue(u"Name"_s, Variant(Name));
        v->SetBounds(L, T_, W, H);
        return v;
    }
    void label(const QString& Text, int L, int T_) {
        auto* l = add<TfrLabelControl>(u"Label%1"_s.arg(page->Objects.Count()), L, T_, 90, 17);
        l->SetPropValue(u"Caption"_s, Variant(Text));
    }
    QStringList printed() { return PrintedTexts(report.get()); }
    static QWidget* handle(TfrView* V) {
        return static_cast<TWinControl*>(static_cast<TfrControl*>(V)->GetControl())->GetHandle();
    }

    std::unique_ptr<TDataModule> module;
    TfrEditControl* edit = nullptr;
    TfrComboBoxControl* combo = nullptr;
    TfrDBLookupControl* town = nullptr;
    TfrButtonControl *ok = nullptr, *cancel = nullptr;
    Variant chosen;
    QString shown;
};

// Whatever happens in the dialog, it is closed at the end of the answer (a failed step must
// not leave the build waiting for ever).
struct CloseAtEnd {
    TForm* form;
    ~CloseAtEnd() {
        if (form->GetModalResult() != mrNone) return;
        ADD_FAILURE() << "the dialog did not close";
        X11::Screenshot(u"report-dialog-stuck"_s);
        form->SetModalResult(mrCancel);
    }
};

TEST_F(DialogOnX11, AnsweredInCyrillicAndOkBuildsWithTheAnswers) {
    bool answered = false;
    inNext([] { return activeModal<TForm>() != nullptr; },
           [&] {
               TForm* form = activeModal<TForm>();
               CloseAtEnd guard{form};
               EXPECT_EQ(form->GetCaption(), u"Параметри звіту"_s);
               ASSERT_TRUE(X11::SetLayout(u"ua"_s));
               ASSERT_TRUE(X11::Click(handle(edit), QPoint(8, 10)));
               ASSERT_TRUE(X11::Type(u"Їжакевич"_s));
               // The combo box: opened with the mouse, the second item chosen with the keys.
               ASSERT_TRUE(X11::Click(handle(combo), QPoint(8, 10)));
               ASSERT_TRUE(X11::WaitFor([&] { return combo->GetComboBox()->GetDroppedDown(); }));
               ASSERT_TRUE(X11::Key(u"Down Return"_s));
               // The lookup list: opened with a click, a town chosen with the keys.
               ASSERT_TRUE(X11::Click(handle(town), QPoint(8, 10)));
               ASSERT_TRUE(X11::WaitFor([&] { return town->GetLookup()->GetListVisible(); }));
               X11::Screenshot(u"report-dialog-lookup-open"_s);
               ASSERT_TRUE(X11::Key(u"Down Down Return"_s));
               ASSERT_TRUE(X11::WaitFor([&] { return !town->GetLookup()->GetListVisible(); }));
               X11::Flush();
               X11::Screenshot(u"report-dialog-answered"_s);
               chosen = town->GetLookup()->GetKeyValue();
               shown = town->GetLookup()->GetText();
               answered = true;
               ASSERT_TRUE(X11::Click(handle(ok), QPoint(20, 12)));
               EXPECT_EQ(form->GetModalResult(), mrOk);
           });
    EXPECT_TRUE(report->PrepareReport());
    ASSERT_TRUE(answered);
    // The town the keys chose is the one the user sees and the one the report prints.
    EXPECT_FALSE(chosen.IsEmpty());
    EXPECT_EQ(shown, (QStringList{u"Київ"_s, u"Львів"_s, u"Ужгород"_s, u"Їжівка"_s}.value(
                         int(chosen.AsInteger()) - 1)));
    EXPECT_EQ(printed(), QStringList{u"Їжакевич;2;"_s + VarToStr(chosen)});
}

TEST_F(DialogOnX11, EscapeCancelsAndNothingIsBuilt) {
    inNext([] { return activeModal<TForm>() != nullptr; },
           [&] {
               CloseAtEnd guard{activeModal<TForm>()};
               ASSERT_TRUE(X11::Click(handle(edit), QPoint(8, 10)));
               ASSERT_TRUE(X11::Key(u"Escape"_s));
           });
    EXPECT_FALSE(report->PrepareReport());
    EXPECT_EQ(report->EMFPages.Count(), 0);
}

} // namespace
