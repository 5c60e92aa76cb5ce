#include "MainUnit.h"

#include "AboutUnit.h"
#include "CalUnit.h"
#include "CardUnit.h"
#include "CmdrUnit.h"
#include "Connection.h"
#include "DMUnit.h"
#include "Dates.h"
#include "DepartUnit.h"
#include "DeskUnit.h"
#include "HealthUnit.h"
#include "Dialogs.h"
#include "IniFiles.h"
#include "Opt2Unit.h"
#include "PodrUnit.h"
#include "ProfUnit.h"
#include "OtpUnit.h"
#include "ReportDlgs.h"
#include "ReportPrint.h"
#include "SelUnit.h"
#include "Seniority.h"
#include "ServiceOps.h"
#include "varer.h"

TMainForm* MainForm = nullptr;

namespace {

// The wait window as the long operations are told to show and hide it.
void waitWindow(bool Show) {
    if (Show)
        ShowWaitWindow();
    else
        HideWaitWindow();
}

// Hides the wait window when the work ends, also by an error.
struct TWaitGone {
    ~TWaitGone() { HideWaitWindow(); }
};

} // namespace

TMainForm::TMainForm(TComponent* AOwner) : TForm(AOwner) {
    BeginLoading();
    SetName(QStringLiteral("MainForm"));
    SetCaption(QString::fromUtf16(SMainCaption));
    SetFormStyle(fsMDIForm);
    SetPosition(poScreenCenter);
    SetBounds(0, 0, 800, 560);
    SetWindowState(wsMaximized);
    SetColor(clKadrionBack);
    SetShowHint(true);
    Staj_Tab = new TDbfTable(this);
    Staj_Tab->SetName(QStringLiteral("Staj_Tab"));
    makeMenu();
    makeBars();
    bindListReports();
    DM->AStartSelect->OnExecute = [this](TObject* S) { N34Click(S); };
    OnCreate = [this](TObject* S) { FormCreate(S); };
    OnCloseQuery = [this](TObject* S, bool& CanClose) { FormCloseQuery(S, CanClose); };
    OnClose = [this](TObject* S, TCloseAction& A) { FormClose(S, A); };
    EndLoading();
}

TMainForm::~TMainForm() {
    Application->OnIdle = nullptr;
    if (MainForm == this) MainForm = nullptr;
}

// ---- the menu -------------------------------------------------------------------------------

TMenuItem* TMainForm::item(TMenuItem* Parent, const char* Name, const char* Caption,
                           void (TMainForm::*Handler)(TObject*)) {
    auto* m = new TMenuItem(this);
    if (Name) m->SetName(QString::fromLatin1(Name));
    m->SetCaption(QString::fromUtf8(Caption));
    if (Handler) m->OnClick = [this, Handler](TObject* S) { (this->*Handler)(S); };
    (Parent ? Parent : MainMenu1->GetItems())->Add(m);
    return m;
}

TMenuItem* TMainForm::actionItem(TMenuItem* Parent, const char* Name, TCustomAction* Action) {
    auto* m = new TMenuItem(this);
    m->SetName(QString::fromLatin1(Name));
    m->SetAction(Action);
    Parent->Add(m);
    return m;
}

void TMainForm::line(TMenuItem* Parent) {
    Parent->Add(NewLine(this));
}

void TMainForm::makeMenu() {
    MainMenu1 = new TMainMenu(this);
    MainMenu1->SetName(QStringLiteral("MainMenu1"));
    MainMenu1->SetImages(DM->ImageList2);

    N1 = item(nullptr, "N1", "&Облік персоналу");
    N2 = item(N1, "N2", "Особові картки", &TMainForm::N2Click);
    DM->AStartCards->OnExecute = [this](TObject* S) { N2Click(S); };
    N32 = item(N1, "N32", "Надання відпустки", &TMainForm::N32Click);
    N42 = item(N1, "N42", "Лікарняні листи", &TMainForm::N42Click);
    line(N1);
    N24 = item(N1, "N24", "Довідник підрозділів", &TMainForm::N24Click);
    DM->AStartPodr->OnExecute = [this](TObject* S) { N24Click(S); };
    N25 = item(N1, "N25", "Довідник посад", &TMainForm::N25Click);
    N46 = item(N1, "N46", "Довідник виробництв", &TMainForm::N46Click);

    N11 = item(nullptr, "N11", "&Редагування");
    N12 = actionItem(N11, "N12", DM->AFirst);
    N13 = actionItem(N11, "N13", DM->APrior);
    N14 = actionItem(N11, "N14", DM->ANext);
    N15 = actionItem(N11, "N15", DM->ALast);
    line(N11);
    N17 = actionItem(N11, "N17", DM->AInsert);
    N18 = actionItem(N11, "N18", DM->ADelete);
    N19 = actionItem(N11, "N19", DM->AEdit);
    line(N11);
    N21 = actionItem(N11, "N21", DM->APost);
    N22 = actionItem(N11, "N22", DM->ACancel);
    line(N11);
    N54 = actionItem(N11, "N54", DM->ARefresh);

    N33 = item(nullptr, "N33", "&Звіти");
    N34 = item(N33, "N34", "Формування простих звітів", &TMainForm::N34Click);
    line(N33);
    Arr1 = item(N33, "Arr1", "Кількісний та якісний склад працівників");
    N110 = item(Arr1, "N110", "Таблиця 1", &TMainForm::N110Click);
    N210 = item(Arr1, "N210", "Таблиця 2", &TMainForm::N210Click);
    N39 = item(Arr1, "N39", "Таблиця 3", &TMainForm::N39Click);
    N36 = item(N33, "N36", "Вік та стаж працівників");
    N37 = item(N33, "N37", "Середній вік працівників");
    N31 = item(N33, "N31", "Графік відпусток");
    N50 = item(N33, "N50", "Графік відпусток (перехідні дні)");
    N27 = item(N33, "N27", "Чисельність військовозобов'язаних", &TMainForm::N27Click);
    N47 = item(N33, "N47", "Рух кадрів", &TMainForm::N47Click);
    N48 = item(N33, "N48", "Якісний склад працівників (освіта)");
    N38 = item(N33, "N38", "Аналіз керівного складу", &TMainForm::N38Click);
    N49 = item(N33, "N49", "Список на виплату надбавки");
    line(N33);
    N29 = item(N33, "N29", "Дизайнер звітів");
    N29->SetEnabled(false);

    N3 = item(nullptr, "N3", "&Сервіс");
    mnuCal = item(N3, "mnuCal", "Календар", &TMainForm::mnuCalClick);
    N40 = item(N3, "N40", "Друк посвідчень");
    N55 = item(N3, "N55", "Відрядження", &TMainForm::N55Click);
    N41 = item(N3, "N41", "Підрахунок стажу (Вислуга)", &TMainForm::N41Click);
    line(N3);
    N51 = item(N3, "N51", "Створення нової бази", &TMainForm::N51Click);
    line(N3);
    N44 = item(N3, "N44", "Резервування бази даних", &TMainForm::N44Click);
    N45 = item(N3, "N45", "Відновлення бази даних", &TMainForm::N45Click);
    line(N3);
    mnuOption = item(N3, "mnuOption", "Настройки", &TMainForm::mnuOptionClick);

    N4 = item(nullptr, "N4", "&Вихід");
    N5 = actionItem(N4, "N5", DM->ACloseWin);
    line(N4);
    N7 = actionItem(N4, "N7", DM->ACloseProg);

    N6 = item(nullptr, "N6", "&Допомога");
    N8 = item(N6, "N8", "Допомога", &TMainForm::N8Click);
    line(N6);
    N10 = item(N6, "N10", "Про програму...", &TMainForm::N10Click);
}

// ---- the bars -------------------------------------------------------------------------------

TToolBar* TMainForm::toolBar(const char* Name, std::initializer_list<TCustomAction*> Actions) {
    auto* bar = new TToolBar(this);
    bar->SetName(QString::fromLatin1(Name));
    bar->SetAlign(alNone);
    bar->SetParent(ControlBar1);
    bar->SetFlat(true);
    bar->SetWrapable(false);
    bar->SetImages(DM->ImageList2);
    bar->SetShowHint(true);
    bar->SetColor(ControlBar1->GetColor());
    int width = 0;
    for (TCustomAction* a : Actions) {
        auto* b = new TToolButton(this);
        b->SetParent(bar);
        if (a) {
            LinkControlToAction(b, a);
        } else {
            b->SetStyle(tbsSeparator);
        }
        width += a ? bar->GetButtonWidth() : b->GetWidth();
    }
    bar->SetBounds(bar->GetLeft(), bar->GetTop(), width, bar->GetButtonHeight());
    return bar;
}

void TMainForm::makeBars() {
    ControlBar1 = new TControlBar(this);
    ControlBar1->SetName(QStringLiteral("ControlBar1"));
    ControlBar1->SetParent(this);
    ControlBar1->SetAlign(alTop);
    ControlBar1->SetHeight(30);
    ControlBar1->SetBevelOuter(bvNone);
    ControlBar1->SetParentColor(false);
    ControlBar1->SetColor(clBtnFace);
    rMenuBar1 = new TrMenuBar(this);
    rMenuBar1->SetName(QStringLiteral("rMenuBar1"));
    rMenuBar1->SetAlign(alNone);
    rMenuBar1->SetParent(ControlBar1);
    rMenuBar1->SetWrapable(false);
    rMenuBar1->SetTransparent(true);
    rMenuBar1->SetButtonWidth(91);
    rMenuBar1->SetButtonHeight(21);
    rMenuBar1->SetMenu(MainMenu1);
    int width = 0;
    for (int i = 0; i < rMenuBar1->ButtonCount(); ++i)
        width += rMenuBar1->GetButtons(i)->GetWidth();
    rMenuBar1->SetBounds(0, 0, width, 21);
    TDM* dm = DM;
    ToolBar2 = toolBar("ToolBar2", {dm->AFirst, dm->APrior, dm->ANext, dm->ALast, nullptr,
                                    dm->AInsert, dm->ADelete, dm->AEdit, nullptr, dm->APost,
                                    dm->ACancel, nullptr, dm->ARefresh});
    ToolBar2->SetLeft(width + 20);
    ToolBar1 = toolBar("ToolBar1", {dm->AStartPodr, dm->AStartCards, dm->AStartSelect, nullptr,
                                    dm->ACloseWin, dm->ACloseProg});
    ToolBar1->SetLeft(width + ToolBar2->GetWidth() + 40);
}

// ---- life -----------------------------------------------------------------------------------

void TMainForm::FormCreate(TObject*) {
    Application->OnIdle = [this](TObject* S, bool& Done) { FormIdle(S, Done); };
    LoadSettings();
    ConnectAtStart([] {
        // a dialog of its own: the one that lives for the run is made after this window
        std::unique_ptr<TOpt2Form> dialog(CreateNewForm<TOpt2Form>(nullptr));
        return dialog->ShowModal() == mrOk;
    });
    // The commands show their state from the first paint on, not from the first idle turn.
    Application->DoIdle();
}

bool TMainForm::HasHandler(TMenuItem* Item) {
    if (Item->OnClick || Item->GetAction()) return true;
    for (int i = 0; i < Item->GetCount(); ++i)
        if (HasHandler(Item->GetItems(i))) return true;
    return false;
}

std::vector<TMenuItem*> TMainForm::ConnectedItems() const {
    return {N2,  N32, N42, N24, N25, N46, Arr1,   N36, N37, N31, N50,
            N27, N47, N48, N38, N49, N34, mnuCal, N40, N41, N44, N55};
}

void TMainForm::FormIdle(TObject*, bool&) {
    DM->ACloseWin->SetEnabled(GetMDIChildCount() > 0);
    const bool connected = DM->Database->GetConnected();
    for (TMenuItem* m : ConnectedItems()) {
        const bool on = connected && HasHandler(m);
        if (m->GetEnabled() != on) m->SetEnabled(on);
    }
    for (TAction* a : {DM->AStartCards, DM->AStartSelect, DM->AStartPodr}) {
        const bool on = connected && bool(a->OnExecute);
        if (a->GetEnabled() != on) a->SetEnabled(on);
    }
}

void TMainForm::FormCloseQuery(TObject*, bool& CanClose) {
    CanClose = MayDropPendingChanges();
}

void TMainForm::FormClose(TObject*, TCloseAction&) {
    SaveSettings();
    ShowWaitWindow();
    DisconnectDatabase();
    FreeWaitWindow();
}

bool TMainForm::CloseChildren() {
    // Released children stay in the list until the current message is done, so the indices
    // hold through the loop.
    for (int i = 0; i < GetMDIChildCount(); ++i)
        GetMDIChildren(i)->Close();
    for (int i = 0; i < GetMDIChildCount(); ++i) {
        TCustomForm* c = GetMDIChildren(i);
        if (!c->GetReleased() && c->GetVisible() && c->GetWindowState() != wsMinimized)
            return false;
    }
    return true;
}

// ---- the module windows -------------------------------------------------------------------

void TMainForm::N2Click(TObject*) {
    OpenModule(CardForm);
}

void TMainForm::N24Click(TObject*) {
    OpenModule(PodrForm);
}

void TMainForm::N25Click(TObject*) {
    OpenModule(ProfForm);
}

void TMainForm::N46Click(TObject*) {
    OpenModule(DepartForm);
}

void TMainForm::N32Click(TObject*) {
    OpenModule(OtpForm);
}

void TMainForm::N42Click(TObject*) {
    OpenModule(HealthForm);
}

// ---- the service commands -------------------------------------------------------------------

void TMainForm::N34Click(TObject*) {
    OpenModule(SelForm);
}

void TMainForm::mnuCalClick(TObject*) {
    CalForm->ShowModal();
}

void TMainForm::N55Click(TObject*) {
    CloseChildren();
    CmdrForm->ShowModal();
}

void TMainForm::N41Click(TObject*) {
    CloseChildren();
    if (TimeForm->ShowModal() != mrOk) return;
    TWaitGone gone;
    ComputeSeniority(Staj_Tab, StrToDate(TimeForm->DateEdit1->GetText()), waitWindow);
}

void TMainForm::N44Click(TObject*) {
    TWaitGone gone;
    BackupDatabase(waitWindow);
}

void TMainForm::N45Click(TObject*) {
    // The database goes away under the windows: none may stay open.
    if (!CloseChildren()) return;
    TWaitGone gone;
    RestoreDatabase(waitWindow);
}

void TMainForm::N51Click(TObject*) {
    if (!CloseChildren()) return;
    TWaitGone gone;
    NewDatabase(waitWindow);
}

void TMainForm::mnuOptionClick(TObject*) {
    CloseChildren();
    if (Opt2Form->ShowModal() != mrOk) return;
    FullNameSvr = FormConnectionString();
    TWaitGone gone;
    ShowWaitWindow();
    ConnectDatabase(waitWindow);
}

void TMainForm::N8Click(TObject*) {
    GetUserInteraction()->MessageBox(
        QStringLiteral("Команди програми зібрано в меню:\n"
                       "«Облік персоналу» — особові картки, відпустки, лікарняні листи та "
                       "довідники;\n"
                       "«Звіти» — прості звіти та статистичні таблиці;\n"
                       "«Сервіс» — календар, підрахунок стажу, нова база, резервування, "
                       "відновлення та настройки.\n\n"
                       "Файл настройок: ") +
            ResolveIniFileName(QString::fromLatin1(SettingsFileName)),
        QStringLiteral("Допомога"), MB_OK | MB_ICONINFORMATION);
}

void TMainForm::N10Click(TObject*) {
    AboutBox->ShowModal();
}

// ---- the staff statistics -------------------------------------------------------------------

void TMainForm::dateTable(const char* Template, int Cells, const char* DateVariable,
                          void (*Tally)(TCountMatrix&, const TStaffFacts&, int)) {
    CloseChildren();
    if (TimeForm->ShowModal() != mrOk) return;
    const QString date = TimeForm->DateEdit1->GetText();
    MyArr.Clear(Cells);
    {
        TWaitGone gone;
        ShowWaitWindow();
        StaffPass(WorkingAtFilter(date), TimeForm->DateEdit1->GetDate(),
                  [this, Tally](const TStaffFacts& F, int Age) { Tally(MyArr, F, Age); });
    }
    TReportValues values = MyArr.Values(Cells);
    if (*DateVariable) values.emplace_back(QString::fromLatin1(DateVariable), Variant(date));
    PrintReport(QString::fromLatin1(Template), values);
}

void TMainForm::N110Click(TObject*) {
    dateTable("har_tab1.frf", 400, "NDate", TallyTable1);
}

void TMainForm::N210Click(TObject*) {
    dateTable("har_tab2.frf", 270, "NDate", TallyTable2);
}

void TMainForm::N39Click(TObject*) {
    dateTable("har.frf", 270, "NDate", TallyTable3);
}

void TMainForm::N38Click(TObject*) {
    dateTable("keriv.frf", 270, "", TallyKeriv);
}

void TMainForm::N27Click(TObject*) {
    dateTable("war.frf", 176, "Times", TallyWar);
}

void TMainForm::N47Click(TObject*) {
    CloseChildren();
    if (PeriodForm->ShowModal() != mrOk) return;
    const QString from = PeriodForm->DateEdit1->GetText();
    const QString to = PeriodForm->DateEdit2->GetText();
    MyArr.Clear(200);
    {
        TWaitGone gone;
        ShowWaitWindow();
        StaffPass(WorkingAtFilter(to), 0,
                  [this](const TStaffFacts& F, int) { TallyMoveStaff(MyArr, F); });
        StaffPass(HiredFilter(from, to), 0,
                  [this](const TStaffFacts& F, int) { TallyMoveHired(MyArr, F); });
        StaffPass(LeftFilter(from, to), 0,
                  [this](const TStaffFacts& F, int) { TallyMoveLeft(MyArr, F); });
    }
    TReportValues values = MyArr.Values(200);
    values.emplace_back(QStringLiteral("Times"),
                        Variant(QStringLiteral("з ") + from + QStringLiteral(" до ") + to));
    PrintReport(QStringLiteral("ruh.frf"), values);
}
