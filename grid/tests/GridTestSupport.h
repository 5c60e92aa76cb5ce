// What the grid tests share: a shown form with a grid on it, small tables of records,
// a dataset that counts the records it reads, and views of the grid's columns and rows.
#pragma once

#include "DBGridEh.h"
#include "Forms.h"
#include "MemDS.h"
#include "TestSupport.h"

#include <QApplication>
#include <QStringList>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

// An in-memory dataset that counts the records it reads from its rows.
class TCountingDataSet : public TMemDataSet {
    KADRION_CLASS(TCountingDataSet)
    explicit TCountingDataSet(TComponent* AOwner) : TMemDataSet(AOwner) {}
    ~TCountingDataSet() override {
        Destroying();
        Close();
    }
    int Fetched = 0;

protected:
    TGetResult GetRecord(TRecordBuffer Buffer, TGetMode GetMode, bool DoCheck) override {
        TGetResult r = TMemDataSet::GetRecord(Buffer, GetMode, DoCheck);
        if (r == grOK && GetMode != gmCurrent) ++Fetched;
        return r;
    }
};

// Staff: TAB (string 5), FAMILY (string 30), AGE (integer), SEX (string 1), OKLAD (float).
inline void FillStaff(TMemDataSet* ds) {
    TFieldDefs* d = ds->GetFieldDefs();
    d->Add("TAB", ftString, 5);
    d->Add("FAMILY", ftString, 30);
    d->Add("AGE", ftInteger);
    d->Add("SEX", ftString, 1);
    d->Add("OKLAD", ftFloat);
    ds->Open();
    ds->AppendRecord({"00001", "Іваненко", 45, "Ч", 8100.5});
    ds->AppendRecord({"00002", "Петренко", 28, "Ж", 7200.0});
    ds->AppendRecord({"00003", "Коваль", 33, "Ч", 9050.0});
    ds->AppendRecord({"00004", "Ґудзь", 51, "Ж", 6400.0});
    ds->AppendRecord({"00005", "Єрмак", 19, "Ч", 5100.0});
    ds->First();
}

// Numbered rows: N ("000001"...) and V (the number).
inline void FillNumbers(TMemDataSet* ds, int Count) {
    ds->GetFieldDefs()->Add("N", ftString, 6);
    ds->GetFieldDefs()->Add("V", ftInteger);
    ds->Open();
    ds->DisableControls();
    for (int i = 1; i <= Count; ++i)
        ds->AppendRecord({QString::asprintf("%06d", i), i});
    ds->EnableControls();
    ds->First();
}

// The field names of the grid's columns, in column order.
inline QStringList ColumnNames(TCustomDBGridEh* Grid) {
    QStringList r;
    for (int i = 0; i < Grid->GetColumns()->Count(); ++i)
        r << Grid->GetColumns()->GetItems(i)->GetFieldName();
    return r;
}

// Text of field F of the records the grid shows, from the top row down.
inline QStringList ShownValues(TCustomDBGridEh* Grid, const QString& F) {
    QStringList r;
    TGridDataLinkEh* link = Grid->GetDataLink();
    int saved = link->GetActiveRecord();
    for (int i = 0; i < link->GetRecordCount(); ++i) {
        link->SetActiveRecord(i);
        r << link->GetDataSet()->FieldByName(F)->GetAsString();
    }
    link->SetActiveRecord(saved);
    return r;
}

// Text of field F of the marked records, in list order (the dataset is left on the last one).
inline QStringList MarkedValues(TCustomDBGridEh* Grid, const QString& F) {
    QStringList r;
    TBookmarkListEh* rows = Grid->GetSelectedRows();
    TDataSet* ds = Grid->GetDataLink()->GetDataSet();
    for (int i = 0; i < rows->Count(); ++i) {
        ds->GotoBookmark(rows->GetItems(i));
        r << ds->FieldByName(F)->GetAsString();
    }
    return r;
}

// The grid's vertical scroll bar: minimum, maximum, page and position.
inline std::vector<int> VertScrollBar(TCustomDBGridEh* Grid) {
    TScrollInfo si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    GetScrollInfo(Grid->GetHandle(), SB_VERT, si);
    return std::vector<int>{si.nMin, si.nMax, int(si.nPage), si.nPos};
}

inline int TextHeightOf(TFont* Font) {
    TBitmap b(1, 1);
    b.GetCanvas()->GetFont()->Assign(Font);
    return b.GetCanvas()->TextHeight(QStringLiteral("Wg"));
}

// A form with a grid of class G over the staff table, shown when asked.
template <class G> struct TStaffGrid {
    TStaffGrid() {
        FillStaff(&Data);
        Form = CreateNewForm<TForm>(nullptr);
        Grid = new G(Form);
        Grid->SetParent(Form);
        auto* source = new TDataSource(Form);
        source->SetDataSet(&Data);
        Grid->SetDataSource(source);
    }
    ~TStaffGrid() { delete Form; }
    TStaffGrid(const TStaffGrid&) = delete;
    TStaffGrid& operator=(const TStaffGrid&) = delete;
    void Show() {
        Form->Show();
        QApplication::processEvents();
    }
    TMemDataSet Data{nullptr};
    TForm* Form = nullptr;
    G* Grid = nullptr;
};

// A form with a grid that fills it, shown; the grid has no border so its client area is its
// size (less the scroll bars it shows).
class GridTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = CreateNewForm<TForm>(nullptr);
        form->SetBounds(20, 20, 640, 420);
        grid = new TDBGridEh(form);
        grid->SetBorderStyle(bsNone);
        grid->SetBounds(0, 0, 600, 300);
        grid->SetParent(form);
        source = new TDataSource(form);
        form->Show();
        QApplication::processEvents();
    }
    void TearDown() override {
        delete form;
        QApplication::processEvents();
    }
    // Attaches the grid to a dataset.
    void Show(TDataSet* ds) {
        source->SetDataSet(ds);
        grid->SetDataSource(source);
        QApplication::processEvents();
    }
    // Customised columns for the fields named.
    void AddColumns(const QStringList& Names) {
        for (const QString& n : Names)
            grid->GetColumns()->Add()->SetFieldName(n);
    }
    TColumnEh* Column(int I) { return grid->GetColumns()->GetItems(I); }

    TForm* form = nullptr;
    TDBGridEh* grid = nullptr;
    TDataSource* source = nullptr;
};

// The staff table shown through designed columns TAB, FAMILY, AGE and SEX.
class StaffColumnsTest : public GridTest {
protected:
    void SetUp() override {
        GridTest::SetUp();
        FillStaff(&ds);
        AddColumns({"TAB", "FAMILY", "AGE", "SEX"});
        Show(&ds);
    }
    TMemDataSet ds{nullptr};
};

// Thirty numbered records with dgMultiSelect, shown through six columns N, V, N, V, N, V.
class SelectionFixture : public GridTest {
protected:
    void SetUp() override {
        GridTest::SetUp();
        FillNumbers(&ds, 30);
        grid->SetOptions(grid->GetOptions() + TDBGridOptions{dgMultiSelect});
        AddColumns({"N", "V"});
        for (const char* n : {"N", "V", "N", "V"})
            grid->GetColumns()->Add()->SetFieldName(n);
        Show(&ds);
    }
    TBookmarkListEh* Rows() { return grid->GetSelectedRows(); }
    TDBGridEhSelection* Sel() { return grid->GetSelection(); }
    // Goes to record N and marks it.
    void Mark(int N, bool On = true) {
        ds.SetRecNo(N);
        Rows()->SetCurrentRowSelected(On);
    }
    TBookmark At(int N) {
        ds.SetRecNo(N);
        return ds.GetBookmark();
    }
    // The numbers of the marked records, in list order.
    std::vector<int> Marked() {
        std::vector<int> r;
        for (int i = 0; i < Rows()->Count(); ++i) {
            ds.GotoBookmark(Rows()->GetItems(i));
            r.push_back(ds.FieldByName("V")->GetAsInteger());
        }
        return r;
    }
    // A rectangle of cells from (Col1, record N1) to (Col2, record N2).
    void Rect(int Col1, int N1, int Col2, int N2) {
        Sel()->GetRect()->Select(Col1, At(N1), false);
        Sel()->GetRect()->Select(Col2, At(N2), true);
    }
    TMemDataSet ds{nullptr};
};
