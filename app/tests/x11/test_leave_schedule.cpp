// The leave schedule on a real X server over generated employees: chosen from the "Звіти" menu
// with the mouse, shown in the report preview, paged to its end by the tool bar, printed from
// there to PDF through the print dialog and closed by its close button.
#include "DMUnit.h"
#include "Dialogs.h"
#include "FR_PrDlg.h"
#include "MainUnit.h"
#include "MenuKeys.h"
#include "PreviewUnit.h"
#include "X11Check.h"
#include "X11Test.h"
#include "varer.h"

#include <QDir>
#include <QMenu>
#include <QProcess>

namespace {

// Clicks a speed button of the preview's tool bar.
void press(TfrSpeedButton* B) {
    X11ClickAt(PreviewForm->Panel1, B->GetLeft() + B->GetWidth() / 2,
               B->GetTop() + B->GetHeight() / 2);
}

TfrPrintForm* printDialog() {
    QWidget* w = QApplication::activeModalWidget();
    return w ? dynamic_cast<TfrPrintForm*>(FindControl(w)) : nullptr;
}

class LeaveScheduleX11 : public X11Test {};

TEST_F(LeaveScheduleX11, ChosenFromTheMenuPreviewedAndPrinted) {
    TProgramOnX11 program(120);
    ASSERT_TRUE(program.Started());
    NameOrg = QStringLiteral("ТОВ «Зоряна Гавань»");
    {
        // every fifth employee goes on leave in summer, every tenth a second time in autumn
        TIBQuery q(nullptr);
        q.SetDatabase(DM->Database);
        q.GetSQL()->SetText(QStringLiteral(
            "update KADR set OTPDATE=DATEADD(MOD(CAST(TAB AS INTEGER), 60) DAY TO "
            "CAST('01.06.2024' AS DATE)), OTPSTR='основна' where MOD(CAST(TAB AS INTEGER), 5)=0"));
        q.ExecSQL();
        q.GetSQL()->SetText(
            QStringLiteral("update KADR set OTPDATE1='01.10.2024', OTPSTR1='частина 2' where "
                           "MOD(CAST(TAB AS INTEGER), 10)=0"));
        q.ExecSQL();
        DM->IBTrans->CommitRetaining();
    }
    QTemporaryDir out;
    const QString pdf = out.filePath(QStringLiteral("графік.pdf"));
    TScriptedInteraction ui;
    TUserInteractionSwap uiSwap(&ui);
    ui.AnswerFile(pdf);
    int pages = 0;
    std::vector<TX11Step> steps = {
        {"alt+З drops the reports menu", [] { MenuKeys("alt+Cyrillic_ze"); },
         [] {
             auto* m = qobject_cast<QMenu*>(QApplication::activePopupWidget());
             return m && m->isVisible();
         }},
        {"a click on the leave schedule",
         [] {
             auto* m = qobject_cast<QMenu*>(QApplication::activePopupWidget());
             if (!m) return;
             for (QAction* a : m->actions())
                 if (a->text().remove(u'&') == QStringLiteral("Графік відпусток")) {
                     const QPoint p = m->mapToGlobal(m->actionGeometry(a).center());
                     X11Tool({"mousemove", QString::number(p.x()), QString::number(p.y()), "click",
                              "1"});
                 }
         },
         [&] {
             if (!PreviewForm || !PreviewForm->GetHandle()->isVisible()) return false;
             pages = PreviewForm->frPreview1->AllPages();
             return pages >= 1;
         }},
        {"screenshot of the preview", [] { X11::Screenshot(QStringLiteral("graf-preview")); },
         [] { return true; }},
        {"the last page", [] { press(PreviewForm->frSpeedButton7); },
         [&] { return PreviewForm->frPreview1->Window()->CurPage == pages; }},
        {"whole page", [] { press(PreviewForm->frSpeedButton1); },
         [] { return PreviewForm->frSpeedButton1->GetDown(); }},
        {"screenshot of the whole last page", [] { X11::Screenshot(QStringLiteral("graf-page")); },
         [] { return true; }},
        {"the print button opens the print dialog", [] { press(PreviewForm->frSpeedButton10); },
         [] { return printDialog() != nullptr; }},
        {"Return prints the schedule to PDF", [] { MenuKeys("Return"); },
         [&] { return printDialog() == nullptr && QFile(pdf).size() > 0; }},
        {"the close button closes the preview", [] { press(PreviewForm->frSpeedButton11); },
         [] { return PreviewForm == nullptr; }},
    };
    EXPECT_EQ(RunX11Steps(steps), 0);
    EXPECT_FALSE(DM->Select->GetActive());
    // The printed schedule holds the organisation and an employee on leave.
    QString family;
    {
        TIBQuery q(nullptr);
        q.SetDatabase(DM->Database);
        q.GetSQL()->SetText(QStringLiteral(
            "select FAMILY from KADR where OTPDATE1 IS NOT NULL and ENDEND IS NULL rows 1"));
        q.Open();
        family = q.Fields(0)->GetAsString();
    }
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(30000));
    const QString printed = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_TRUE(printed.contains(NameOrg)) << printed.toStdString();
    EXPECT_TRUE(printed.contains(QStringLiteral("01.10.2024"))) << printed.toStdString();
    EXPECT_TRUE(printed.contains(family)) << family.toStdString();
    const QString keep = qEnvironmentVariable("KADRION_SCREENSHOT_DIR");
    if (!keep.isEmpty()) QFile::copy(pdf, QDir(keep).filePath(QStringLiteral("graf.pdf")));
}

} // namespace
