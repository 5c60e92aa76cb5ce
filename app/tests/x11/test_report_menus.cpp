// Every report on a real X server, opened as a user opens it: the statistics, dated reports and
// schedules from the "Звіти" menu, the certificates from "Сервіс", the card documents from the
// card window's "Друк документів" button, all by keys; each asked dialog taken with Return, each
// preview paged to its last page and closed with Escape. With KADRION_SCREENSHOT_DIR set, every
// page is photographed, its top and its bottom.
#include "CardUnit.h"
#include "DMUnit.h"
#include "IBQuery.h"
#include "MainUnit.h"
#include "MenuKeys.h"
#include "PreviewUnit.h"
#include "ReportDlgs.h"
#include "Startup.h"
#include "X11Check.h"
#include "X11Test.h"
#include "varer.h"

#include <QDir>
#include <deque>
#include <QFileInfo>
#include <QMenu>

namespace {

// A report command and how the keys reach it.
struct TMenuReport {
    const char* Template;
    // Keys that drop the command's menu; empty: the card window's documents button is clicked.
    const char* Menu;
    // Keys that go from the dropped menu to the command and choose it.
    const char* Path;
    // The dialog the command asks first (nullptr: none), and what is put into it before Return.
    TForm* (*Dialog)();
    void (*Fill)();
};

TForm* timeForm() {
    return TimeForm;
}
TForm* periodForm() {
    return PeriodForm;
}
TForm* udostForm() {
    return UdostForm;
}
TForm* wrkForm() {
    return WrkForm;
}

void nothing() {}

// The movement of a year rather than of one day.
void lastYear() {
    PeriodForm->DateEdit1->SetText(QStringLiteral("01.01.2023"));
}

// Two certificate numbers typed into the first two fields.
void twoCertificates() {
    X11::Type(QStringLiteral("00003"));
    X11::Key(QStringLiteral("Tab"));
    X11::Type(QStringLiteral("00007"));
}

const char* const Reports = "alt+Cyrillic_ze";

const TMenuReport Commands[] = {
    {"har_tab1.frf", Reports, "Down Down Right Return", timeForm, nothing},
    {"har_tab2.frf", Reports, "Down Down Right Down Return", timeForm, nothing},
    {"har.frf", Reports, "Down Down Right Down Down Return", timeForm, nothing},
    {"staj.frf", Reports, "Down Down Down Return", timeForm, nothing},
    {"vik.frf", Reports, "Down Down Down Down Return", timeForm, nothing},
    {"graf.frf", Reports, "Down Down Down Down Down Return", nullptr, nothing},
    {"graf_pfg.frf", Reports, "Down Down Down Down Down Down Return", nullptr, nothing},
    {"war.frf", Reports, "Down Down Down Down Down Down Down Return", timeForm, nothing},
    {"ruh.frf", Reports, "Down Down Down Down Down Down Down Down Return", periodForm, lastYear},
    {"educ.frf", Reports, "Down Down Down Down Down Down Down Down Down Return", timeForm, nothing},
    {"keriv.frf", Reports, "Down Down Down Down Down Down Down Down Down Down Return", timeForm,
     nothing},
    {"bez_staj.frf", Reports, "Down Down Down Down Down Down Down Down Down Down Down Return",
     timeForm, nothing},
    {"udost.frf", "alt+Cyrillic_es", "Down Down Return", udostForm, twoCertificates},
    {"card.frf", "", "Down Return", nullptr, nothing},
    {"posvid.frf", "", "Down Down Return", nullptr, nothing},
    {"prijom.frf", "", "Down Down Down Right Return", wrkForm, nothing},
    {"uvoln.frf", "", "Down Down Down Right Down Return", nullptr, nothing},
    {"atestat.frf", "", "Down Down Down Down Right Return", nullptr, nothing},
    {"atestat.frf", "", "Down Down Down Down Right Down Return", nullptr, nothing},
};

bool menuShown() {
    auto* m = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    return m && m->isVisible();
}

bool modalShown(TForm* F) {
    return F && F->GetFormState().Contains(fsModal) && F->GetHandle()->isVisible() &&
           F->GetHandle()->isActiveWindow();
}

// The preview shown with the report of this template.
bool previewOf(const QString& Template) {
    return modalShown(PreviewForm) && PreviewForm->frPreview1->AllPages() >= 1 &&
           QFileInfo(DM->frReport1->FileName).fileName() == Template;
}

bool cardShown() {
    return CardForm && CardForm->GetHandle()->isVisible() && DM->IBQuery->GetActive();
}

void exec(const QString& Sql) {
    TIBQuery q(nullptr);
    q.SetDatabase(DM->Database);
    q.GetSQL()->SetText(Sql);
    q.ExecSQL();
}

// Facts the generator leaves empty that the schedules and certificates print.
void addLeaveAndCertificates() {
    exec(QStringLiteral("update KADR set OTPDATE=DATEADD(MOD(CAST(TAB AS INTEGER), 90) DAY TO "
                        "CAST('01.05.2024' AS DATE)), OTPSTR='основна', OTPCNT=24 "
                        "where MOD(CAST(TAB AS INTEGER), 3)=0"));
    exec(QStringLiteral("update KADR set OTPDATE1='14.10.2024', OTPSTR1='частина 2', "
                        "OTPCNT1=7 where MOD(CAST(TAB AS INTEGER), 6)=0"));
    exec(QStringLiteral("update KADR set UDOST=TAB where CAST(TAB AS INTEGER) in (3, 7)"));
    DM->IBTrans->CommitRetaining();
}

class ReportMenusX11 : public X11Test {};

TEST_F(ReportMenusX11, EveryReportReachesItsPreviewFromTheMenus) {
    // the program runs in the folder of the compiled templates, as ./run.sh starts it
    const QString previous = QDir::currentPath();
    QDir::setCurrent(QStringLiteral(KADRION_RUN_DIR));
    {
        TProgramOnX11 program(60);
        ASSERT_TRUE(program.Started());
        NameOrg = QStringLiteral("ТОВ «Зоря-Агро»");
        FullNameOrg = QStringLiteral("Товариство з обмеженою відповідальністю «Зоря-Агро»");
        Boss = QStringLiteral("Петренко О. І.");
        BossPos = QStringLiteral("Директор");
        OK_Pib1 = QStringLiteral("Коваль Ганна Степанівна");
        OK_Pos1 = QStringLiteral("Начальник відділу кадрів");
        addLeaveAndCertificates();

        std::vector<TX11Step> steps;
        // the steps' names, which name their report (a deque keeps them in place)
        std::deque<QByteArray> names;
        const auto named = [&names](const QString& Shot, const char* What) {
            names.push_back((Shot + QStringLiteral(": ") + QString::fromLatin1(What)).toUtf8());
            return names.back().constData();
        };
        int pages = 0;
        int run = 0;
        bool cardOpen = false;
        for (const TMenuReport& r : Commands) {
            const QString tpl = QString::fromLatin1(r.Template);
            const QString shot =
                QStringLiteral("%1-%2").arg(++run, 2, 10, QChar(u'0')).arg(tpl.section(u'.', 0, 0));
            if (*r.Menu) {
                steps.push_back(
                    {named(shot, "the menu drops"), [&r] { MenuKeys(r.Menu); }, menuShown});
            } else {
                if (!cardOpen) {
                    cardOpen = true;
                    steps.push_back({named(shot, "alt+О drops the personnel menu"),
                                     [] { MenuKeys("alt+Cyrillic_o"); }, menuShown});
                    steps.push_back({named(shot, "return opens the cards"),
                                     [] { MenuKeys("Return"); }, cardShown, true});
                }
                steps.push_back({named(shot, "the documents button drops its menu"),
                                 [] {
                                     X11::Flush();
                                     TBitBtn* b = CardForm->BitBtn3;
                                     X11ClickAt(b, b->GetWidth() / 2, b->GetHeight() / 2);
                                 },
                                 menuShown, true});
            }
            if (r.Dialog) {
                steps.push_back({named(shot, "the command asks its dialog"),
                                 [&r] { MenuKeys(r.Path); },
                                 [&r] { return modalShown(r.Dialog()); }});
                steps.push_back({named(shot, "the dialog taken with Return"),
                                 [&r] {
                                     r.Fill();
                                     MenuKeys("Return");
                                 },
                                 [tpl] { return previewOf(tpl); }});
            } else {
                steps.push_back({named(shot, "the command shows the preview"),
                                 [&r] { MenuKeys(r.Path); }, [tpl] { return previewOf(tpl); }});
            }
            steps.push_back(
                {named(shot, "every page seen, top and bottom"),
                 [&pages, shot] {
                     if (!PreviewForm) return;
                     pages = PreviewForm->frPreview1->AllPages();
                     for (int p = 1; p <= pages; ++p) {
                         if (p > 1) X11::Key(QStringLiteral("ctrl+Next"));
                         X11::Flush();
                         X11::Screenshot(QStringLiteral("%1-p%2-top").arg(shot).arg(p));
                         X11::Key(QStringLiteral("Next"));
                         X11::Flush();
                         X11::Screenshot(QStringLiteral("%1-p%2-bottom").arg(shot).arg(p));
                     }
                 },
                 [&pages] {
                     return PreviewForm && PreviewForm->frPreview1->Window()->CurPage == pages;
                 }});
            steps.push_back({named(shot, "Escape closes the preview"), [] { MenuKeys("Escape"); },
                             [] { return PreviewForm == nullptr && !DM->Select->GetActive(); }});
        }
        EXPECT_EQ(RunX11Steps(steps), 0);
        if (CardForm) CardForm->Close();
    }
    QDir::setCurrent(previous);
}

} // namespace
