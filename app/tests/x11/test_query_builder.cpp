// The query builder on a real X server over generated employees: opened from the "Звіти" menu
// by the keyboard, columns moved between the lists by clicks, a drag and Ctrl+Up, a Cyrillic
// name prefix typed into a filter, and the build that shows the matching employees and their
// list in the report preview, printed from there to PDF and closed by Escape.
#include "Clock.h"
#include "DMUnit.h"
#include "Dialogs.h"
#include "FR_PrDlg.h"
#include "Dates.h"
#include "FreshHome.h"
#include "MainUnit.h"
#include "MenuKeys.h"
#include "SelUnit.h"
#include "Startup.h"
#include "TestSupport.h"
#include "X11Check.h"
#include "X11Test.h"

#include <QCollator>
#include <QMenu>

namespace {

// Turns the wheel over a list until its item Index is in view; true when it is.
bool scrollTo(TTextListBox* L, int Index) {
    for (int turn = 0; turn < 40; ++turn) {
        const TRect r = L->ItemRect(Index);
        const TRect c = L->GetClientRect();
        if (r.Top >= 0 && r.Bottom <= c.Bottom) return true;
        const QPoint mid(L->GetWidth() / 2, L->GetHeight() / 2);
        X11::Wheel(L->GetHandle(), mid, r.Top < 0 ? -3 : 3);
    }
    return false;
}

// Clicks the centre of a client rectangle of a control.
void clickRect(TWinControl* C, const TRect& R, const QString& Mod = QString()) {
    X11ClickAt(C, (R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2, Mod);
}

QStringList items(TTextListBox* L) {
    QStringList out;
    for (int i = 0; i < L->GetItems()->Count(); ++i)
        out.append(L->GetItems()->GetStrings(i));
    return out;
}

// The print dialog when it is up.
TfrPrintForm* printDialog() {
    QWidget* w = QApplication::activeModalWidget();
    return w ? dynamic_cast<TfrPrintForm*>(FindControl(w)) : nullptr;
}

class QueryBuilderX11 : public X11Test {};

TEST_F(QueryBuilderX11, ColumnsMovedAFilterTypedAndTheListBuilt) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    ASSERT_FALSE(PrepareFreshHome(home, 300).isEmpty());
    TFakeClock clock(EncodeDate(2024, 3, 14) + 0.5);
    TClockSwap swap(&clock);
    CreateApplicationForms();
    ASSERT_TRUE(DM->Database->GetConnected());
    // The name to look for: the first letters of the most frequent first name.
    QString prefix;
    {
        TIBQuery q(nullptr);
        q.SetDatabase(DM->Database);
        q.GetSQL()->SetText(QStringLiteral(
            "select NAME from KADR group by NAME order by count(*) desc, NAME rows 1"));
        q.Open();
        prefix = q.Fields(0)->GetAsString().left(3);
    }
    ASSERT_EQ(prefix.size(), 3);
    MainForm->Show();
    ASSERT_TRUE(X11::WaitActive(MainForm->GetHandle()));
    X11::SetLayout(QStringLiteral("ua"));

    // Columns chosen by a click on the caption and a click on ">".
    auto choose = [](const char* Caption) {
        return TX11Step{Caption,
                        [Caption] {
                            TTextListBox* src = SelForm->SrcList;
                            const int i = src->GetItems()->IndexOf(QString::fromUtf8(Caption));
                            if (i < 0 || !scrollTo(src, i)) return;
                            clickRect(src, src->ItemRect(i));
                            clickRect(SelForm->IncBtn, SelForm->IncBtn->GetClientRect());
                        },
                        [Caption] {
                            return SelForm->DstList->GetItems()->IndexOf(
                                       QString::fromUtf8(Caption)) >= 0;
                        }};
    };
    // Printing from the preview goes to a PDF file, whose name the interaction gives.
    QTemporaryDir out;
    const QString pdf = out.filePath(QStringLiteral("список.pdf"));
    TScriptedInteraction ui;
    TUserInteractionSwap uiSwap(&ui);
    ui.AnswerFile(pdf);
    std::vector<TX11Step> steps = {
        {"alt+З drops the reports menu", [] { MenuKeys("alt+Cyrillic_ze"); },
         [] {
             auto* m = qobject_cast<QMenu*>(QApplication::activePopupWidget());
             return m && m->isVisible();
         }},
        {"down and return open the query builder", [] { MenuKeys("Down Return"); },
         [] { return SelForm && SelForm->GetHandle()->isVisible(); }},
        {"screenshot of the window", [] { X11::Screenshot(QStringLiteral("query-open")); },
         [] { return true; }},
        choose("Прізвище"),
        choose("Ім'я"),
        choose("Посада"),
        {"a caption dragged onto the chosen list",
         [] {
             TTextListBox* src = SelForm->SrcList;
             const int i = src->GetItems()->IndexOf(QStringLiteral("Підрозділ"));
             if (i < 0 || !scrollTo(src, i)) return;
             const TRect r = src->ItemRect(i);
             QStringList a = X11MoveTo(src, r.Left + 20, (r.Top + r.Bottom) / 2);
             a << "mousedown"
               << "1";
             a << X11MoveTo(src, r.Left + 60, (r.Top + r.Bottom) / 2 + 20) << "sleep"
               << "0.2";
             a << X11MoveTo(SelForm->DstList, 60, 150) << "sleep"
               << "0.2";
             a << X11MoveTo(SelForm->DstList, 70, 160) << "sleep"
               << "0.2";
             a << "mouseup"
               << "1";
             X11Tool(a);
         },
         [] { return items(SelForm->DstList).contains(QStringLiteral("Підрозділ")); }},
        {"the last chosen column goes up with Ctrl+Up",
         [] {
             TTextListBox* dst = SelForm->DstList;
             clickRect(dst, dst->ItemRect(dst->GetItems()->Count() - 1));
             MenuKeys("ctrl+Up");
         },
         [] {
             return items(SelForm->DstList) ==
                    QStringList({"Прізвище", "Ім'я", "Підрозділ", "Посада"});
         }},
        {"screenshot of the chosen columns",
         [] { X11::Screenshot(QStringLiteral("query-columns")); }, [] { return true; }},
        {"the conditions tab",
         [] { clickRect(SelForm->PageControl1, SelForm->PageControl1->TabRect(1)); },
         [] { return SelForm->PageControl1->GetActivePage() == SelForm->TabSheet2; }},
        {"the additional data tab",
         [] {
             TPageControl* p = SelForm->PageControl2;
             clickRect(p, p->TabRect(1));
         },
         [] { return SelForm->PageControl2->GetActivePageIndex() == 1; }},
        {"typed position names instead of the list", [] { X11ClickAt(SelForm->RBut2, 8, 8); },
         [] { return SelForm->Edit10->GetEnabled() && !SelForm->RxDBLookupCombo4->GetEnabled(); }},
        {"screenshot of the additional data", [] { X11::Screenshot(QStringLiteral("query-more")); },
         [] { return true; }},
        {"the position list again", [] { X11ClickAt(SelForm->RBut1, 8, 8); },
         [] { return !SelForm->Edit10->GetEnabled() && SelForm->RxDBLookupCombo4->GetEnabled(); }},
        {"back to the main data",
         [] {
             TPageControl* p = SelForm->PageControl2;
             clickRect(p, p->TabRect(0));
         },
         [] { return SelForm->PageControl2->GetActivePageIndex() == 0; }},
        {"a click into the name", [] { X11ClickAt(SelForm->Edit3, 10, 8); },
         [] { return SelForm->Edit3->Focused(); }},
        {"the name's first letters typed", [&] { X11::Type(prefix); },
         [&] { return SelForm->Edit3->GetText() == prefix; }},
        {"screenshot of the filter", [] { X11::Screenshot(QStringLiteral("query-filter")); },
         [] { return true; }},
        {"the build shows the employees",
         [] { clickRect(SelForm->BitBtn1, SelForm->BitBtn1->GetClientRect()); },
         [] {
             return DM->Select->GetActive() &&
                    SelForm->PageControl1->GetActivePage() == SelForm->TabSheet4;
         }},
        {"the list shown in the preview", [] {},
         [] {
             TfrPreviewForm* p = SelForm->PreviewWindow;
             return p && p->GetHandle()->isVisible() && p->AllPages() >= 1;
         }},
        {"screenshot of the preview", [] { X11::Screenshot(QStringLiteral("query-preview")); },
         [] { return true; }},
        // Under the Ukrainian layout the P key types "з".
        {"ctrl+p opens the print dialog", [] { MenuKeys("ctrl+Cyrillic_ze"); },
         [] { return printDialog() != nullptr; }},
        {"screenshot of the print dialog",
         [] { X11::Screenshot(QStringLiteral("query-print-dialog")); }, [] { return true; }},
        {"Return prints the list to PDF", [] { MenuKeys("Return"); },
         [&] { return printDialog() == nullptr && QFile(pdf).size() > 0; }},
        {"Escape closes the preview",
         [] {
             TfrPreviewForm* p = SelForm->PreviewWindow;
             if (!p) return;
             X11Tool({QStringLiteral("windowactivate"), QString::number(p->GetHandle()->winId())});
             MenuKeys("Escape");
         },
         [] { return SelForm->PreviewWindow == nullptr; }, true},
        {"screenshot of the result", [] { X11::Screenshot(QStringLiteral("query-result")); },
         [] { return true; }},
    };
    EXPECT_EQ(RunX11Steps(steps), 0);
    X11::SetLayout(QStringLiteral("us"));
    ASSERT_NE(SelForm, nullptr);
    TIBQuery* q = DM->Select;
    ASSERT_TRUE(q->GetActive());
    EXPECT_GT(q->GetRecordCount(), 0);
    // Every row carries the typed name, in the chosen columns' order, sorted by surname in the
    // Ukrainian alphabet's order (І after И, as the database's collation has it).
    QCollator ukrainian{QLocale(QLocale::Ukrainian, QLocale::Ukraine)};
    ukrainian.setCaseSensitivity(Qt::CaseInsensitive);
    QString last;
    for (q->First(); !q->GetEof(); q->Next()) {
        EXPECT_TRUE(q->FieldByName(QStringLiteral("NAME"))->GetAsString().startsWith(prefix));
        const QString family = q->Fields(0)->GetAsString();
        EXPECT_LE(ukrainian.compare(last, family), 0) << family.toStdString();
        last = family;
    }
    EXPECT_EQ(q->Fields(2)->GetFieldName(), QStringLiteral("NAIPODR"));
    // The printed list holds the employees' surnames.
    const TProgramRun text =
        RunProgram(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}, {}, 30000);
    ASSERT_TRUE(text.Finished);
    const QString printed = QString::fromUtf8(text.Out);
    q->First();
    EXPECT_TRUE(printed.contains(q->Fields(0)->GetAsString())) << printed.toStdString();
    const QString keep = qEnvironmentVariable("KADRION_SCREENSHOT_DIR");
    if (!keep.isEmpty()) QFile::copy(pdf, QDir(keep).filePath(QStringLiteral("query-list.pdf")));
    delete SelForm;
    FreeApplicationForms();
}

} // namespace
