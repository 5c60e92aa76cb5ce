// Helpers for the application's data grids built in code: a column with its field, title and
// width, the footer row that counts the records under "Всього", and the grid of a directory
// window.
#pragma once

#include "ComCtrls.h"
#include "DBGridEh.h"
#include "FormBuild.h"

#include <functional>

inline TColumnEh* AddColumn(TDBGridEh* Grid, const char* Field, const char* Title, int Width) {
    TColumnEh* c = Grid->GetColumns()->Add();
    c->SetFieldName(QString::fromLatin1(Field));
    c->GetTitle()->SetCaption(QString::fromUtf8(Title));
    if (Width > 0) c->SetWidth(Width);
    return c;
}

// "Всього" under the first column and the record count under the second, both bold.
inline void CountFooters(TDBGridEh* Grid, TColumnEh* Label, TColumnEh* Count, bool CentredCount) {
    Grid->SetFooterRowCount(1);
    Label->GetFooter()->SetValueType(fvtStaticText);
    Label->GetFooter()->SetValue(QStringLiteral("Всього"));
    Label->GetFooter()->SetAlignment(taCenter);
    Label->GetFooter()->GetFont()->SetStyle(TFontStyles{fsBold});
    Count->GetFooter()->SetValueType(fvtCount);
    if (CentredCount) Count->GetFooter()->SetAlignment(taCenter);
    Count->GetFooter()->GetFont()->SetStyle(TFontStyles{fsBold});
    Grid->GetSumList()->SetActive(true);
}

// The count of CountFooters taken from Count (say, the server's COUNT(*)) each time the list
// opens, instead of reading every record first; inserts and deletes then change it as they
// happen.
inline void CountFootersBy(TDBGridEh* Grid, std::function<int()> Count) {
    TDBGridEhSumList* sums = Grid->GetSumList();
    sums->OnRecalcAll = [sums, Count = std::move(Count)](TObject*) {
        TDBSum* count = sums->GetSumCollection()->FindSum(goCount, QString());
        if (count) count->SetSumValue(int64_t(Count()) * int64_t(SumScaleEh));
    };
    sums->SetExternalRecalc(true);
}

// The clipboard keys of a list: Ctrl+A selects every record, Ctrl+C copies the selection.
inline constexpr TDBGridEhEditActions ListEditActions{geaSelectAllEh, geaCopyEh};

// A directory's grid filling its parent: flat, its columns fitted to its width, with the
// record pop-up menu; edited in place, or showing whole rows when the edits go elsewhere.
// The delete question is the data module's.
inline TDBGridEh* PlaceDirectoryGrid(TComponent* Owner, TWinControl* Parent, const char* Name,
                                     TDataSource* Source, TPopupMenu* Menu, bool InPlace) {
    auto* g = Place<TDBGridEh>(Owner, Parent, Name, 0, 0, 600, 300);
    g->SetAlign(alClient);
    g->SetFlat(true);
    TDBGridOptions options{dgTitles,   dgIndicator, dgColumnResize,       dgColLines,
                           dgRowLines, dgTabs,      dgAlwaysShowSelection};
    if (InPlace) {
        options.Include(dgEditing);
        options.Include(dgCancelOnExit);
    } else {
        options.Include(dgRowSelect);
    }
    g->SetOptions(options);
    g->SetDataSource(Source);
    g->SetPopupMenu(Menu);
    return g;
}

// A list of whole rows whose record is edited in the controls above it (the grid itself takes
// no Insert then): Insert there starts a new record, as the tool bar's "+" does, and gives the
// keyboard to First, the first of those controls, bringing its tab sheet to the front.
inline void InsertFromList(TDBGridEh* Grid, TWinControl* First) {
    Grid->OnKeyDown = [Grid, First](TObject*, WORD& Key, TShiftState Shift) {
        if (Key != VK_INSERT || Shift.Contains(ssShift) || Shift.Contains(ssCtrl) ||
            Shift.Contains(ssAlt))
            return;
        TDataSet* ds = Grid->GetDataSource() ? Grid->GetDataSource()->GetDataSet() : nullptr;
        if (!ds || !ds->GetActive() || !ds->CanModify()) return;
        Key = 0;
        ds->Insert();
        for (TWinControl* p = First->GetParent(); p; p = p->GetParent())
            if (auto* sheet = dynamic_cast<TTabSheet*>(p))
                sheet->GetPageControl()->SetActivePage(sheet);
        if (First->CanFocus()) First->SetFocus();
    };
}
