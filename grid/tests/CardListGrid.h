// The employee list of the card window as the application configures its grid: titles and the
// indicator, column and row lines, three frozen columns, one yellow footer row with "Всього"
// and the record count, a flat look, title buttons, automatic multi-column sort marking, and
// dismissed employees drawn red by OnDrawColumnCell followed by the grid's default drawing.
// Its rows are fictional employees of the generator, in an in-memory dataset. The grid tests,
// the X-server check and the painting benchmark share it.
#pragma once

#include "DBGridEh.h"
#include "DBLookupEh.h"
#include "EmployeeGen.h"
#include "Forms.h"
#include "MemDS.h"

#include <map>

// The employee table with the columns the list shows; LOOK and L_PROF hold the subdivision's
// and the position's names.
inline void FillEmployees(TMemDataSet* Ds, const std::vector<TGenEmployee>& People) {
    TFieldDefs* d = Ds->GetFieldDefs();
    d->Add("TAB", ftString, 5);
    d->Add("FAMILY", ftString, 30);
    d->Add("NAME", ftString, 20);
    d->Add("PATR", ftString, 20);
    d->Add("SEX", ftString, 1);
    d->Add("L_PROF", ftString, 60);
    d->Add("LOOK", ftString, 60);
    d->Add("BDATE", ftDate);
    d->Add("BPLACE", ftString, 40);
    d->Add("ADRHOME", ftString, 60);
    d->Add("TEL", ftString, 15);
    d->Add("WWORK", ftDate);
    d->Add("ENDEND", ftDate);
    d->Add("OKLAD", ftFloat);
    Ds->Open();
    const TGenDirectories dirs = TEmployeeGenerator::Directories();
    std::map<int, QString> subdivisions;
    for (const TGenSubdivision& s : dirs.Subdivisions)
        subdivisions[s.Code] = s.Name;
    std::map<QString, QString> positions;
    for (const TGenPosition& p : dirs.Positions)
        positions[p.Code] = p.Name;
    auto date = [](TDateTime D) { return D == 0 ? Null() : Variant(D); };
    Ds->DisableControls();
    for (const TGenEmployee& e : People)
        Ds->AppendRecord({e.Tab, e.Family, e.Name, e.Patronymic, e.Sex, positions[e.Position],
                          subdivisions[e.Subdivision], date(e.BirthDate), e.BirthPlace, e.Address,
                          e.Phone, date(e.HireDate), date(e.DismissalDate), e.Salary});
    Ds->EnableControls();
    Ds->First();
}

// The subdivisions directory (KODP, NAIPODR) and employees (TAB, KODP_2) with the subdivision
// codes given (a null for none): the card's subdivision lookup.
inline void FillSubdivisionLookup(TMemDataSet* Podr, TMemDataSet* Kadr,
                                  std::initializer_list<Variant> Codes) {
    Podr->GetFieldDefs()->Add("KODP", ftInteger);
    Podr->GetFieldDefs()->Add("NAIPODR", ftString, 60);
    Podr->Open();
    for (const TGenSubdivision& s : TEmployeeGenerator::Directories().Subdivisions)
        Podr->AppendRecord({s.Code, s.Name});
    Podr->First();
    Kadr->GetFieldDefs()->Add("TAB", ftString, 5);
    Kadr->GetFieldDefs()->Add("KODP_2", ftInteger);
    Kadr->Open();
    int n = 0;
    for (const Variant& code : Codes)
        Kadr->AppendRecord({QString::asprintf("%05d", ++n), code});
    Kadr->First();
}

// The card's subdivision on a form: a lookup combo box showing KODP_2 of the employees (the codes
// given) as NAIPODR of the subdivisions.
struct TSubdivisionCard {
    TSubdivisionCard(std::initializer_list<Variant> Codes, const TRect& Bounds) {
        FillSubdivisionLookup(&Podr, &Kadr, Codes);
        Form = CreateNewForm<TForm>(nullptr);
        Form->SetCaption(QStringLiteral("Особові картки"));
        Form->SetBounds(Bounds.Left, Bounds.Top, Bounds.Width(), Bounds.Height());
        KadrSource = new TDataSource(Form);
        KadrSource->SetDataSet(&Kadr);
        PodrSource = new TDataSource(Form);
        PodrSource->SetDataSet(&Podr);
        Combo = new TDBLookupComboboxEh(Form);
        Combo->SetParent(Form);
        Combo->SetBounds(100, 10, 260, 21);
        Combo->SetDataSource(KadrSource);
        Combo->SetDataField("KODP_2");
        Combo->SetListSource(PodrSource);
        Combo->SetKeyField("KODP");
        Combo->SetListField("NAIPODR");
    }
    ~TSubdivisionCard() { delete Form; }
    TSubdivisionCard(const TSubdivisionCard&) = delete;
    TSubdivisionCard& operator=(const TSubdivisionCard&) = delete;
    TMemDataSet Podr{nullptr}, Kadr{nullptr};
    TForm* Form = nullptr;
    TDataSource* KadrSource = nullptr;
    TDataSource* PodrSource = nullptr;
    TDBLookupComboboxEh* Combo = nullptr;
};

// A form holding the card list's grid over the employees.
class TCardListForm : public TForm {
    KADRION_CLASS(TCardListForm)
    TCardListForm(TComponent* AOwner, int Count, uint64_t Seed = 7) : TForm(AOwner) {
        // the dataset opens at once (inside the loading bracket it would wait for its end)
        Employees = new TMemDataSet(this);
        FillEmployees(Employees, TEmployeeGenerator(Seed).Employees(Count));
        BeginLoading();
        SetCaption(QStringLiteral("Особові картки"));
        SetBounds(40, 40, 900, 420);
        Source = new TDataSource(this);
        Source->SetDataSet(Employees);
        Grid = new TDBGridEh(this);
        Grid->SetParent(this);
        Grid->SetAlign(alClient);
        Grid->SetOptions(TDBGridOptions{dgTitles, dgIndicator, dgColumnResize, dgColLines,
                                        dgRowLines, dgTabs, dgAlwaysShowSelection,
                                        dgConfirmDelete});
        Grid->SetOptionsEh(TDBGridEhOptions{dghFixed3D, dghHighlightFocus, dghClearSelection,
                                            dghAutoSortMarking, dghMultiSortMarking, dghIncSearch});
        Grid->SetFlat(true);
        Grid->SetFrozenCols(3);
        Grid->SetFooterRowCount(1);
        Grid->SetFooterColor(clYellow);
        Grid->GetSumList()->SetActive(true);
        struct Col {
            const char* field;
            const char* caption;
            int width;
            bool button;
        };
        const Col cols[] = {
            {"FAMILY", "Прізвище", 103, true},
            {"NAME", "Ім'я", 86, false},
            {"PATR", "По батькові", 92, false},
            {"TAB", "Таб. №", 39, true},
            {"SEX", "Стать", 42, false},
            {"L_PROF", "Посада", 0, false},
            {"LOOK", "Підрозд.", 284, true},
            {"BDATE", "Дата нар.", 0, false},
            {"BPLACE", "Місце народження", 0, false},
            {"ADRHOME", "Домашня адреса", 0, false},
            {"TEL", "Телефон", 0, false},
            {"WWORK", "Дата прийому", 0, false},
            {"ENDEND", "Дата звільн.", 0, false},
        };
        for (const Col& c : cols) {
            TColumnEh* col = Grid->GetColumns()->Add();
            col->SetFieldName(QString::fromUtf8(c.field));
            col->GetTitle()->SetCaption(QString::fromUtf8(c.caption));
            col->GetTitle()->SetAlignment(taCenter);
            col->GetTitle()->SetTitleButton(c.button);
            if (c.width) col->SetWidth(c.width);
        }
        TColumnFooterEh* total = Grid->GetColumns()->GetItems(0)->GetFooter();
        total->SetValueType(fvtStaticText);
        total->SetValue(QStringLiteral("Всього"));
        total->SetAlignment(taCenter);
        total->GetFont()->SetStyle(TFontStyles{fsBold});
        TColumnFooterEh* count = Grid->GetColumns()->GetItems(1)->GetFooter();
        count->SetValueType(fvtCount);
        count->SetAlignment(taCenter);
        count->GetFont()->SetStyle(TFontStyles{fsBold});
        // dismissed employees in red, then the default drawing
        Grid->OnDrawColumnCell = [this](TObject*, const TRect& R, int DataCol, TColumnEh* Column,
                                        TGridDrawState State) {
            if (!Employees->FieldByName("ENDEND")->GetAsString().isEmpty())
                Grid->GetCanvas()->GetFont()->SetColor(TColor(0x000000FF));
            Grid->DefaultDrawColumnCell(R, DataCol, Column, State);
        };
        Grid->SetDataSource(Source);
        EndLoading();
    }
    TMemDataSet* Employees = nullptr;
    TDataSource* Source = nullptr;
    TDBGridEh* Grid = nullptr;
};

// The card list over Count generated employees, made as the application makes its forms.
inline TCardListForm* MakeCardList(int Count, uint64_t Seed = 7) {
    auto* f = new TCardListForm(nullptr, Count, Seed);
    f->AfterConstruction();
    return f;
}
