// A staff statistics table on a real X server over generated employees: "Таблиця 1" chosen
// from the "Звіти" menu by the keyboard, the date dialog taken with Return, the preview shown
// at full size, its whole-page and next-page buttons clicked, and Escape closing it.
#include "DMUnit.h"
#include "MainUnit.h"
#include "MenuKeys.h"
#include "PreviewUnit.h"
#include "ReportDlgs.h"
#include "X11Check.h"
#include "X11Test.h"
#include "varer.h"

#include <QMenu>

namespace {

QMenu* openMenu() {
    auto* m = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    return m && m->isVisible() ? m : nullptr;
}

void clickButton(TfrSpeedButton* B) {
    X11ClickAt(PreviewForm->Panel1, B->GetLeft() + B->GetWidth() / 2,
               B->GetTop() + B->GetHeight() / 2);
}

class StaffTableX11 : public X11Test {};

TEST_F(StaffTableX11, Table1FromTheMenuIntoThePreview) {
    TProgramOnX11 program(300);
    ASSERT_TRUE(program.Started());
    NameOrg = QStringLiteral("ТОВ «Зоря-Агро»");
    Boss = QStringLiteral("Петренко О. І.");
    BossPos = QStringLiteral("Директор");
    int pageOnZoom = 0;
    std::vector<TX11Step> steps = {
        {"alt+З drops the reports menu", [] { MenuKeys("alt+Cyrillic_ze"); },
         [] { return openMenu() != nullptr; }},
        {"down to the staff tables, right opens them", [] { MenuKeys("Down Down Right"); },
         [] {
             QMenu* m = openMenu();
             return m && m->activeAction() &&
                    m->activeAction()->text().remove(u'&') == QStringLiteral("Таблиця 1");
         }},
        {"screenshot of the menu", [] { X11::Screenshot(QStringLiteral("stats-menu")); },
         [] { return true; }},
        {"return asks the date", [] { MenuKeys("Return"); },
         [] { return TimeForm->GetHandle()->isVisible(); }},
        {"screenshot of the date dialog", [] { X11::Screenshot(QStringLiteral("stats-date")); },
         [] { return true; }},
        {"return counts and shows the preview", [] { MenuKeys("Return"); },
         [] {
             return PreviewForm && PreviewForm->GetHandle()->isVisible() &&
                    PreviewForm->frPreview1->AllPages() == 1;
         }},
        {"it starts at full size", [] {},
         [] {
             return PreviewForm->frSpeedButton2->GetDown() &&
                    PreviewForm->frPreview1->Window()->Zoom == 1.0;
         }},
        {"screenshot of the preview", [] { X11::Screenshot(QStringLiteral("stats-preview")); },
         [] { return true; }},
        {"the whole page button", [] { clickButton(PreviewForm->frSpeedButton1); },
         [&] {
             pageOnZoom = PreviewForm->frPreview1->Window()->ZoomMode;
             return PreviewForm->frSpeedButton1->GetDown() && pageOnZoom == 2;
         }},
        {"screenshot of the whole page",
         [] { X11::Screenshot(QStringLiteral("stats-whole-page")); }, [] { return true; }},
        {"Escape closes the preview",
         [] {
             X11Tool({QStringLiteral("windowactivate"),
                      QString::number(PreviewForm->GetHandle()->winId())});
             MenuKeys("Escape");
         },
         [] { return PreviewForm == nullptr; }, true},
    };
    EXPECT_EQ(RunX11Steps(steps), 0);
    // the table counted the staff working on the date
    EXPECT_GT(MainForm->MyArr[1], 0);
    EXPECT_EQ(DM->frReport1->EMFPages.Count(), 1);
}

} // namespace
