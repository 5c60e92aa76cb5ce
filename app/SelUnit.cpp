#include "SelUnit.h"

#include "BoxProcs.h"
#include "DMUnit.h"
#include "Dialogs.h"
#include "FormBuild.h"
#include "ReportDlgs.h"
#include "varer.h"

TSelForm* SelForm = nullptr;

namespace {

// A drop-down list of fixed items that starts with an empty item (no filter).
TComboBox* combo(TSelForm* F, TWinControl* Parent, const char* Name, int Left, int Top, int Width,
                 std::initializer_list<const char*> Items) {
    TComboBox* c = Place<TComboBox>(F, Parent, Name, Left, Top, Width, 21);
    c->SetStyle(csDropDownList);
    c->GetItems()->Add(QString());
    for (const char* i : Items)
        c->GetItems()->Add(QString::fromUtf8(i));
    return c;
}

TEdit* edit(TSelForm* F, TWinControl* Parent, const char* Name, int Left, int Top, int Width) {
    return Place<TEdit>(F, Parent, Name, Left, Top, Width, 21);
}

TCheckBox* check(TSelForm* F, TWinControl* Parent, const char* Name, int Left, int Top,
                 const char* Caption) {
    TCheckBox* c = Place<TCheckBox>(F, Parent, Name, Left, Top, 320, 17);
    c->SetCaption(QString::fromUtf8(Caption));
    return c;
}

TRxDBLookupCombo* lookup(TSelForm* F, TWinControl* Parent, const char* Name, int Left, int Top,
                         TDataSource* Source, const char* Key, const char* Shown) {
    auto* c = Place<TRxDBLookupCombo>(F, Parent, Name, Left, Top, 300, 21);
    c->SetLookupSource(Source);
    c->SetLookupField(QString::fromLatin1(Key));
    c->SetLookupDisplay(QString::fromLatin1(Shown));
    return c;
}

TTabSheet* sheet(TSelForm* F, TPageControl* Pages, const char* Name, const char* Caption) {
    auto* s = new TTabSheet(F);
    s->SetName(QString::fromLatin1(Name));
    s->SetPageControl(Pages);
    s->SetCaption(QString::fromUtf8(Caption));
    return s;
}

TButton* moveButton(TSelForm* F, TWinControl* Parent, const char* Name, int Top,
                    const char* Caption, void (TSelForm::*Handler)(TObject*)) {
    TButton* b = Place<TButton>(F, Parent, Name, 300, Top, 40, 26);
    b->SetCaption(QString::fromLatin1(Caption));
    b->OnClick = [F, Handler](TObject* S) { (F->*Handler)(S); };
    return b;
}

} // namespace

TSelForm::TSelForm(TComponent* AOwner) : TForm(AOwner) {
    BeginLoading();
    SetName(QStringLiteral("SelForm"));
    SetCaption(QString::fromUtf16(SSelCaption));
    SetFormStyle(fsMDIChild);
    SetBounds(0, 0, 780, 520);
    SetWindowState(wsMaximized);

    auto* bottom = Place<TPanel>(this, this, "Panel1", 0, 0, 780, 44);
    bottom->SetAlign(alBottom);
    bottom->SetBevelOuter(bvNone);
    PlaceLabel(this, bottom, "Label30", 12, 14, "Розрахунок на :");
    DateEdit1 = PlaceDateEdit(this, bottom, "DateEdit1", 120, 10);
    DateEdit1->GetFont()->SetColor(clBlue);
    BitBtn1 = Place<TBitBtn>(this, bottom, "BitBtn1", 260, 8, 180, 27);
    BitBtn1->SetCaption(QStringLiteral("Формувати документ"));
    BitBtn1->OnClick = [this](TObject* S) { BitBtn1Click(S); };

    PageControl1 = Place<TPageControl>(this, this, "PageControl1", 0, 0, 780, 476);
    PageControl1->SetAlign(alClient);
    TabSheet1 = sheet(this, PageControl1, "TabSheet1", "Колонки документу");
    TabSheet2 = sheet(this, PageControl1, "TabSheet2", "Умови документу");
    TabSheet3 = sheet(this, PageControl1, "TabSheet3", "Документ");
    TabSheet4 = sheet(this, PageControl1, "TabSheet4", "Результат");
    makeColumnsTab();
    makeFilterTabs();
    makeDocumentTab();
    DSResult = new TDataSource(this);
    DSResult->SetName(QStringLiteral("DSResult"));
    DSResult->SetDataSet(DM->Select);
    ResultGrid = Place<TDBGridEh>(this, TabSheet4, "ResultGrid", 0, 0, 600, 400);
    ResultGrid->SetAlign(alClient);
    ResultGrid->SetDataSource(DSResult);
    PageControl1->SetActivePage(TabSheet1);

    frReport1 = DM->frReport1;
    ShowPreview = [this](TfrReport* Report) {
        TfrPreviewForm preview(nullptr);
        PreviewWindow = &preview;
        preview.ShowReport(Report);
        PreviewWindow = nullptr;
    };

    OnCreate = [this](TObject* S) { FormCreate(S); };
    OnClose = [this](TObject* S, TCloseAction& A) { FormClose(S, A); };
    EndLoading();
    if (!SelForm) SelForm = this;
}

TSelForm::~TSelForm() {
    if (SelForm == this) SelForm = nullptr;
}

void TSelForm::makeColumnsTab() {
    SrcList = Place<TTextListBox>(this, TabSheet1, "SrcList", 8, 8, 284, 400);
    SrcList->SetSorted(true);
    DstList = Place<TTextListBox>(this, TabSheet1, "DstList", 348, 8, 284, 400);
    for (TTextListBox* l : {SrcList, DstList}) {
        l->SetMultiSelect(true);
        l->SetDragMode(dmAutomatic);
    }
    // The lists take the height of their tab.
    TabSheet1->OnResize = [this](TObject*) {
        const int h = std::max(60, TabSheet1->GetClientHeight() - 16);
        for (TTextListBox* l : {SrcList, DstList})
            l->SetHeight(h);
    };
    bindList(SrcList, DstList);
    bindList(DstList, SrcList);
    IncBtn = moveButton(this, TabSheet1, "IncBtn", 120, ">", &TSelForm::IncBtnClick);
    IncAllBtn = moveButton(this, TabSheet1, "IncAllBtn", 152, ">>", &TSelForm::IncAllBtnClick);
    ExclBtn = moveButton(this, TabSheet1, "ExclBtn", 196, "<", &TSelForm::ExclBtnClick);
    ExclAllBtn = moveButton(this, TabSheet1, "ExclAllBtn", 228, "<<", &TSelForm::ExclAllBtnClick);
}

void TSelForm::bindList(TTextListBox* List, TTextListBox* Other) {
    List->OnClick = [this](TObject*) { SetButtons(); };
    List->OnDblClick = [this, List, Other](TObject*) {
        BoxMoveSelectedItems(List, Other);
        SetButtons();
    };
    List->OnDragOver = [List](TObject*, TObject* Source, int X, int Y, TDragState State,
                              bool& Accept) {
        BoxDragOver(List, Source, X, Y, State, Accept, List->GetSorted());
    };
    List->OnDragDrop = [this, List, Other](TObject*, TObject* Source, int X, int Y) {
        if (Source == Other) {
            BoxMoveSelectedItems(Other, List);
        } else if (Source == List) {
            int index = -1;
            if (BoxCanDropItem(List, X, Y, index)) BoxMoveFocusedItem(List, index);
        }
        SetButtons();
    };
    List->OnKeyDown = [this, List](TObject*, WORD& Key, TShiftState Shift) {
        BoxMoveByKey(List, Key, Shift);
        SetButtons();
    };
}

void TSelForm::makeFilterTabs() {
    PageControl2 = Place<TPageControl>(this, TabSheet2, "PageControl2", 0, 0, 770, 440);
    PageControl2->SetAlign(alClient);
    const int L = 16, C = 210, W = 300;
    auto row = [](int i) { return 12 + i * 30; };
    auto label = [this](TWinControl* P, const char* Name, int Left, int Top, const char* Text) {
        PlaceLabel(this, P, Name, Left, Top + 3, Text);
    };

    TTabSheet* main = sheet(this, PageControl2, "TabSheet5", "Основні дані");
    label(main, "Label2", L, row(0), "Прізвище:");
    Edit2 = edit(this, main, "Edit2", C, row(0), W);
    label(main, "Label3", L, row(1), "Ім'я:");
    Edit3 = edit(this, main, "Edit3", C, row(1), W);
    label(main, "Label4", L, row(2), "По батьк.:");
    Edit4 = edit(this, main, "Edit4", C, row(2), W);
    label(main, "Label5", L, row(3), "Таб. номер:");
    Edit5 = edit(this, main, "Edit5", C, row(3), 80);
    Edit5->SetMaxLength(5);
    label(main, "Label6", L, row(4), "Ідент. код:");
    Edit6 = edit(this, main, "Edit6", C, row(4), 120);
    Edit6->SetMaxLength(10);
    label(main, "Label7", L, row(5), "Стать:");
    ComboBox7 = combo(this, main, "ComboBox7", C, row(5), 120, {"Жінка", "Чоловік"});
    label(main, "Label8", L, row(6), "Вік:        від");
    Edit7 = edit(this, main, "Edit7", C, row(6), 40);
    label(main, "Label9", C + 50, row(6), "до");
    Edit8 = edit(this, main, "Edit8", C + 76, row(6), 40);
    for (TEdit* e : {Edit7, Edit8})
        e->SetMaxLength(3);
    label(main, "Label10", L, row(7), "Місяць народження:");
    ComboBox17 = combo(this, main, "ComboBox17", C, row(7), 120, {});
    for (const char16_t* m : MonthNamesUa)
        ComboBox17->GetItems()->Add(QString::fromUtf16(m));
    label(main, "Label11", L, row(8), "Прийняті:  з");
    DateEdit2 = PlaceDateEdit(this, main, "DateEdit2", C, row(8));
    label(main, "Label12", C + 122, row(8), "до");
    DateEdit3 = PlaceDateEdit(this, main, "DateEdit3", C + 148, row(8));
    label(main, "Label13", L, row(9), "Звільнені: з");
    DateEdit4 = PlaceDateEdit(this, main, "DateEdit4", C, row(9));
    label(main, "Label14", C + 122, row(9), "до");
    DateEdit5 = PlaceDateEdit(this, main, "DateEdit5", C + 148, row(9));
    // The ranges start empty (the blank mask): no range.
    for (TDateEdit* d : {DateEdit2, DateEdit3, DateEdit4, DateEdit5}) {
        d->SetDefaultToday(false);
        d->SetDate(NullDate);
    }

    TTabSheet* more = sheet(this, PageControl2, "TabSheet6", "Дод.дані");
    label(more, "Label15", L, row(0), "Підрозділ:");
    RxDBLookupCombo1 =
        lookup(this, more, "RxDBLookupCombo1", C, row(0), DM->DSpodr, "KODP", "NAIPODR");
    label(more, "Label16", L, row(1), "Група:");
    RxDBLookupCombo2 =
        lookup(this, more, "RxDBLookupCombo2", C, row(1), DM->DSgroup, "KODG", "NAIGR");
    auto* posGroup = Place<TGroupBox>(this, more, "GroupBox1", L - 6, row(2) - 4, 520, 64);
    posGroup->SetCaption(QStringLiteral(" Посада "));
    RBut1 = Place<TRadioButton>(this, posGroup, "RBut1", 10, 16, 120, 17);
    RBut1->SetCaption(QStringLiteral("Список"));
    RBut1->SetChecked(true);
    RBut1->OnClick = [this](TObject* S) { RBut1Click(S); };
    RxDBLookupCombo4 =
        lookup(this, posGroup, "RxDBLookupCombo4", C - L + 6, 14, DM->DSprof, "CODPROF", "NAMPROF");
    RBut2 = Place<TRadioButton>(this, posGroup, "RBut2", 10, 38, 120, 17);
    RBut2->SetCaption(QStringLiteral("Ручний ввод"));
    RBut2->OnClick = [this](TObject* S) { RBut2Click(S); };
    Edit10 = Place<TEdit>(this, posGroup, "Edit10", C - L + 6, 36, 300, 21);
    Edit10->SetEnabled(false);
    Edit10->SetColor(clBtnFace);
    label(more, "Label17", L, row(4), "Категорія:");
    ComboBox11 =
        combo(this, more, "ComboBox11", C, row(4), 100, {"ПРОВ", "1 КАТ", "2 КАТ", "3 КАТ"});
    label(more, "Label18", L, row(5), "Розряд:");
    ComboBox12 =
        combo(this, more, "ComboBox12", C, row(5), 60, {"1", "2", "3", "4", "5", "6", "7"});
    label(more, "Label19", L, row(6), "Клас:");
    ComboBox13 = combo(this, more, "ComboBox13", C, row(6), 60, {"1", "2", "3"});
    label(more, "Label20", L, row(7), "Виробництво:");
    ComboBox1 = combo(this, more, "ComboBox1", C, row(7), 200, {});
    label(more, "Label21", L, row(8), "Кваліфікація:");
    ComboBox4 = combo(this, more, "ComboBox4", C, row(8), 200,
                      {"Керівник", "Професіонал", "Фахівець", "Тех.службовець", "Робітник"});
    label(more, "Label22", L, row(9), "Штат:");
    ComboBox10 = combo(this, more, "ComboBox10", C, row(9), 200,
                       {"В   - виробничий", "ЗВ - загальновиробничий", "НВ - невиробничий"});
    label(more, "Label23", L, row(10), "Напрям:");
    ComboBox2 =
        combo(this, more, "ComboBox2", C, row(10), 200,
              {"марк. та прод.послуг", "тех. експлуатація", "план. та будівництво", "економіка",
               "фінанси", "транспортні питання", "правові питання", "кадрові питання", "інші"});
    const int R = 560;
    CheckBox1 = check(this, more, "CheckBox1", R, row(0), "Пенсіонери");
    CheckBox1->SetWidth(110);
    ComboBox18 = combo(this, more, "ComboBox18", R + 120, row(0), 180,
                       {"За віком", "По інвалідності", "На пільгових умовах"});
    CheckBox3 = check(this, more, "CheckBox3", R, row(1), "Змінний персонал");
    CheckBox7 = check(this, more, "CheckBox7", R, row(2), "Акціонери");
    CheckBox8 = check(this, more, "CheckBox8", R, row(3), "Прийняті на новостворені робочі місця");

    TTabSheet* educ = sheet(this, PageControl2, "TabSheet7", "Освіта");
    label(educ, "Label24", L, row(0), "Освіта:");
    ComboBox3 = combo(this, educ, "ComboBox3", C, row(0), 200,
                      {"Початкова", "Базова загальна", "Повна загальна", "Проф. тех.",
                       "Неповна вища", "Базова вища", "Повна вища"});
    label(educ, "Label25", L, row(1), "Галузева/негалузева:");
    ComboBox5 = combo(this, educ, "ComboBox5", C, row(1), 200,
                      {"Галузева", "Прист.до галуз.", "Негалузева"});
    label(educ, "Label26", L, row(2), "Вид навчання:");
    ComboBox6 = combo(this, educ, "ComboBox6", C, row(2), 200, {"Денний", "Вечірній", "Заочний"});
    label(educ, "Label27", L, row(3), "Назва вищого навч. закладу:");
    Edit11 = edit(this, educ, "Edit11", C, row(3), W);
    label(educ, "Label28", L, row(4), "Назва сер.-спец. закладу:");
    Edit12 = edit(this, educ, "Edit12", C, row(4), W);
    label(educ, "Label29", L, row(5), "Назва ПТУ:");
    Edit13 = edit(this, educ, "Edit13", C, row(5), W);

    TTabSheet* family = sheet(this, PageControl2, "TabSheet8", "Родина");
    label(family, "Label31", L, row(0), "Родинний стан:");
    ComboBox8 = combo(this, family, "ComboBox8", C, row(0), 200,
                      {"Неодружений", "Неодружена", "Одружений", "Одружена", "Розлучений",
                       "Розлучена", "Удівець", "Удова"});
    label(family, "Label32", L, row(1), "Діти до");
    Edit14 = edit(this, family, "Edit14", C, row(1), 40);
    Edit14->SetMaxLength(2);
    label(family, "Label33", C + 48, row(1), "років");
    label(family, "Label34", L, row(2), "Стать дитини:");
    ComboBox19 = combo(this, family, "ComboBox19", C, row(2), 120, {"Жіноча", "Чоловіча"});

    TTabSheet* war = sheet(this, PageControl2, "TabSheet9", "Військ.облік");
    label(war, "Label35", L, row(0), "Військовий облік:");
    ComboBox9 =
        combo(this, war, "ComboBox9", C, row(0), 240,
              {"Військовозобов'язаний(а)", "Знят(а) з в/обліку", "Невійськовозабов'язаний(а)"});
    label(war, "Label36", L, row(1), "Військове звання:");
    ComboBox14 = combo(this, war, "ComboBox14", C, row(1), 200,
                       {"єфрейтор", "капітан", "лейтенант", "майор", "матрос", "мічман",
                        "мол. лейтенант", "мол. сержант", "підполковник", "полковник", "прапорщик",
                        "рядовий", "сержант", "ст. лейтенант", "ст. матрос", "ст. прапорщик",
                        "ст. сержант", "ст. солдат", "старшина"});
    label(war, "Label37", L, row(2), "Склад:");
    ComboBox15 = combo(this, war, "ComboBox15", C, row(2), 200,
                       {"інженерно-технічний", "командний", "матроси", "медичний", "мічмани",
                        "прапорщики", "сержанти", "солдати", "старшини"});
    label(war, "Label38", L, row(3), "Придатність до військ. сл.:");
    ComboBox16 = combo(this, war, "ComboBox16", C, row(3), 200, {"нестроєвої", "строєвої"});
    CheckBox4 = check(this, war, "CheckBox4", L, row(4), "Офіцери");
    CheckBox5 = check(this, war, "CheckBox5", L, row(5), "Призовники");
    label(war, "Label39", L, row(6), "Назва райвійськкомату за місцем проживання:");
    Edit9 = edit(this, war, "Edit9", L, row(7), W);

    TTabSheet* inv = sheet(this, PageControl2, "TabSheet10", "Інвалідність");
    CheckBox2 = check(this, inv, "CheckBox2", L, row(0), "Інваліди");
    TTabSheet* ch = sheet(this, PageControl2, "TabSheet11", "Чорнобильці");
    CheckBox6 = check(this, ch, "CheckBox6", L, row(0), "Чорнобильці");
    PageControl2->SetActivePage(main);
}

void TSelForm::makeDocumentTab() {
    PlaceLabel(this, TabSheet3, "Label1", 16, 19, "Назва документу");
    Edit1 = edit(this, TabSheet3, "Edit1", 140, 16, 480);
    Radio1 = Place<TRadioButton>(this, TabSheet3, "Radio1", 140, 52, 120, 17);
    Radio1->SetCaption(QStringLiteral("Книжна"));
    Radio1->SetChecked(true);
    Radio2 = Place<TRadioButton>(this, TabSheet3, "Radio2", 270, 52, 120, 17);
    Radio2->SetCaption(QStringLiteral("Альбомна"));
}

void TSelForm::FormCreate(TObject*) {
    DateEdit1->SetDate(Date());
    DM->IBprof->Open();
    DM->IBpodr->Open();
    DM->IBgroup->Open();
    DM->IBdepart->Open();
    for (DM->IBdepart->First(); !DM->IBdepart->GetEof(); DM->IBdepart->Next())
        ComboBox1->GetItems()->Add(
            DM->IBdepart->FieldByName(QStringLiteral("NAMEDEP"))->GetAsString());
    DM->IBdepart->Close();
    TStrings* src = SrcList->GetItems();
    src->BeginUpdate();
    for (const QString& c : SelCaptions(NameOrg))
        src->Add(c);
    src->EndUpdate();
    SetButtons();
}

void TSelForm::FormClose(TObject*, TCloseAction& Action) {
    DM->Select->Close();
    DM->IBprof->Close();
    DM->IBgroup->Close();
    DM->IBpodr->Close();
    Action = caFree;
}

void TSelForm::RBut1Click(TObject*) {
    RxDBLookupCombo4->SetEnabled(true);
    RxDBLookupCombo4->SetColor(clWindow);
    Edit10->SetText(QString());
    Edit10->SetEnabled(false);
    Edit10->SetColor(clBtnFace);
}

void TSelForm::RBut2Click(TObject*) {
    RxDBLookupCombo4->SetEnabled(false);
    RxDBLookupCombo4->SetColor(clBtnFace);
    RxDBLookupCombo4->SetValue(QString());
    Edit10->SetEnabled(true);
    Edit10->SetColor(clWindow);
}

void TSelForm::IncBtnClick(TObject*) {
    BoxMoveSelectedItems(SrcList, DstList);
    SetButtons();
}

void TSelForm::IncAllBtnClick(TObject*) {
    BoxMoveAllItems(SrcList, DstList);
    SetButtons();
}

void TSelForm::ExclBtnClick(TObject*) {
    BoxMoveSelectedItems(DstList, SrcList);
    SetButtons();
}

void TSelForm::ExclAllBtnClick(TObject*) {
    BoxMoveAllItems(DstList, SrcList);
    SetButtons();
}

void TSelForm::SetButtons() {
    const bool src = SrcList->GetItems()->Count() > 0;
    const bool dst = DstList->GetItems()->Count() > 0;
    IncBtn->SetEnabled(src && SrcList->GetSelCount() > 0);
    IncAllBtn->SetEnabled(src);
    ExclBtn->SetEnabled(dst && DstList->GetSelCount() > 0);
    ExclAllBtn->SetEnabled(dst);
}

QStringList TSelForm::Columns() const {
    QStringList out;
    TStrings* items = DstList->GetItems();
    for (int i = 0; i < items->Count(); ++i)
        out.append(items->GetStrings(i));
    return out;
}

TSelFilters TSelForm::Filters() {
    TSelFilters f;
    f.Family = Edit2->GetText();
    f.Name = Edit3->GetText();
    f.Patr = Edit4->GetText();
    f.Tab = Edit5->GetText();
    f.Id = Edit6->GetText();
    f.MilitaryOffice = Edit9->GetText();
    f.PositionText = Edit10->GetText();
    f.HighSchool = Edit11->GetText();
    f.TechSchool = Edit12->GetText();
    f.VocSchool = Edit13->GetText();
    f.Sex = ComboBox7->GetText();
    f.KidSex = ComboBox19->GetText();
    f.PositionCode = RxDBLookupCombo4->GetValue();
    f.SubdivCode = RxDBLookupCombo1->GetValue();
    f.GroupCode = RxDBLookupCombo2->GetValue();
    f.NKat = ComboBox11->GetText();
    f.Rozrad = ComboBox12->GetText();
    f.Klas = ComboBox13->GetText();
    f.Production = ComboBox1->GetText();
    f.Direction = ComboBox2->GetText();
    f.Category = ComboBox4->GetText();
    f.Staff = ComboBox10->GetText();
    f.Education = ComboBox3->GetText();
    f.Branch = ComboBox5->GetText();
    f.StudyKind = ComboBox6->GetText();
    f.FamilyState = ComboBox8->GetText();
    f.Rank = ComboBox14->GetText();
    f.Corps = ComboBox15->GetText();
    f.Fitness = ComboBox16->GetText();
    f.PensionKind = ComboBox18->GetText();
    f.Military = std::max(0, ComboBox9->GetItemIndex());
    f.BirthMonth = std::max(0, ComboBox17->GetItemIndex());
    f.HiredFrom = DateEdit2->GetText();
    f.HiredTo = DateEdit3->GetText();
    f.LeftFrom = DateEdit4->GetText();
    f.LeftTo = DateEdit5->GetText();
    f.AgeFrom = Edit7->GetText();
    f.AgeTo = Edit8->GetText();
    f.KidsAge = Edit14->GetText();
    f.Pensioners = CheckBox1->GetChecked();
    f.ShiftStaff = CheckBox3->GetChecked();
    f.Shareholders = CheckBox7->GetChecked();
    f.NewJobs = CheckBox8->GetChecked();
    f.Officers = CheckBox4->GetChecked();
    f.Conscripts = CheckBox5->GetChecked();
    f.Disabled = CheckBox2->GetChecked();
    f.Chernobyl = CheckBox6->GetChecked();
    return f;
}

void TSelForm::BitBtn1Click(TObject*) {
    TIBQuery* q = DM->Select;
    q->Close();
    TSelStatement st;
    try {
        st = BuildSelStatement(Columns(), Filters(), DateEdit1->GetText(), NameOrg);
    } catch (const ESelError& e) {
        GetUserInteraction()->MessageBox(e.Message, QString::fromUtf16(SErrorCaption),
                                         MB_OK | MB_ICONERROR);
        return;
    }
    q->GetSQL()->Clear();
    for (const QString& line : st.Lines)
        q->GetSQL()->Add(line);
    q->Open();
    // The result's titles are the chosen captions.
    const QStringList titles = SelFieldCaptions(Columns(), NameOrg);
    for (int i = 0; i < q->GetFieldCount() && i < titles.size(); ++i)
        q->Fields(i)->SetDisplayLabel(titles[i]);
    LastPage = BuildSelReport(frReport1, q, Columns(), Edit1->GetText(), Radio2->GetChecked(),
                              GetCanvas());
    PageControl1->SetActivePage(TabSheet4);
    if (!LastPage.Fits)
        GetUserInteraction()->MessageBox(QString::fromUtf16(SColumnsDoNotFit),
                                         QStringLiteral("Увага"), MB_OK | MB_ICONWARNING);
    // The list is built over the result and shown in the preview, where it is printed.
    frReport1->Title = Edit1->GetText();
    if (frReport1->PrepareReport() && frReport1->EMFPages.Count() > 0 && ShowPreview)
        ShowPreview(frReport1);
}
