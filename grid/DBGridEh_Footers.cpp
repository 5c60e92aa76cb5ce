// Footers and the grid's sum list: the sum items the footers keep in the sum list, the text of
// a footer cell, and the parameters the application may change before a cell is drawn.
#include "DBGridEhInternal.h"

#include <cmath>

// ---- TDBGridEhSumList ---------------------------------------------------------------------------

TDBGridEhSumList::TDBGridEhSumList(TCustomDBGridEh* AGrid)
    : TDBSumListProducer(AGrid), grid(AGrid) {
    designTimeWork = true;
    active = false;
}

void TDBGridEhSumList::HookDataSetEvents() {
    if (grid->IsDesigning()) {
        // a designed grid computes its totals, but the dataset's events stay untouched
        if (dataSet) hooked = true;
        return;
    }
    TDBSumListProducer::HookDataSetEvents();
}

void TDBGridEhSumList::RestoreDataSetEvents() {
    if (grid->IsDesigning()) {
        hooked = false;
        return;
    }
    TDBSumListProducer::RestoreDataSetEvents();
}

// ---- the footers' sum items ---------------------------------------------------------------------

namespace {

bool needsSumItem(TFooterValueType Type) {
    return Type == fvtSum || Type == fvtAvg || Type == fvtCount;
}

TGroupOperation operationOf(TFooterValueType Type) {
    return Type == fvtSum ? goSum : Type == fvtAvg ? goAvg : goCount;
}

// The name a sum or average totals: the footer's own field, else the column's.
QString summedFieldName(TColumnFooterEh* Footer) {
    if (Footer->GetValueType() == fvtCount) return QString();
    return Footer->GetFieldName().isEmpty() ? Footer->GetColumn()->GetFieldName()
                                            : Footer->GetFieldName();
}

} // namespace

void TColumnFooterEh::freeSumItem() {
    TDBSum* item = sumItem;
    sumItem = nullptr;
    delete item;
}

void TColumnFooterEh::UpdateSumItem() {
    TCustomDBGridEh* g = column ? column->GetGrid() : nullptr;
    if (!g || !g->GetSumList()) return;
    if (!needsSumItem(valueType)) {
        freeSumItem();
        return;
    }
    TDBSumCollection* items = g->GetSumList()->GetSumCollection();
    if (sumItem) {
        // one change, one recalculation
        items->BeginUpdate();
        sumItem->SetGroupOperation(operationOf(valueType));
        sumItem->SetFieldName(summedFieldName(this));
        items->EndUpdate();
        return;
    }
    items->BeginUpdate();
    sumItem = items->Add();
    sumItem->SetGroupOperation(operationOf(valueType));
    sumItem->SetFieldName(summedFieldName(this));
    items->EndUpdate();
}

void TColumnEh::UpdateFooterSums() {
    footer->UpdateSumItem();
    for (int i = 0; i < footers->Count(); ++i)
        footers->GetItems(i)->UpdateSumItem();
}

// ---- the footer text ----------------------------------------------------------------------------

namespace {

// The item of the sum list that totals Operation over the field named Name (compared without
// regard to case, as the footer and the field may spell the name differently).
TDBSum* findSum(TDBSumCollection* Items, TGroupOperation Operation, const QString& Name) {
    for (int i = 0; i < Items->Count(); ++i) {
        TDBSum* s = Items->GetItems(i);
        if (s->GetGroupOperation() == Operation && AnsiSameText(s->GetFieldName(), Name)) return s;
    }
    return nullptr;
}

} // namespace

QString FooterTotalText(TField* Field, double Value) {
    QString format;
    if (auto* n = dynamic_cast<TNumericField*>(Field)) format = n->GetDisplayFormat();
    switch (Field->GetDataType()) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
        if (!format.isEmpty()) return FormatFloat(format, Value);
        return QString::number(int64_t(std::nearbyint(Value)));
    case ftFloat:
    case ftCurrency: {
        if (!format.isEmpty()) return FormatFloat(format, Value);
        auto* f = dynamic_cast<TFloatField*>(Field);
        const bool currency = f && f->GetCurrency();
        const int precision = f ? f->GetPrecision() : 15;
        return FloatToStrF(Value, currency ? ffCurrency : ffGeneral, precision,
                           currency ? DefaultCurrencyDecimals : 0);
    }
    case ftBCD: {
        if (!format.isEmpty()) return FormatFloat(format, Value);
        auto* f = dynamic_cast<TBCDField*>(Field);
        const bool currency = f && f->GetCurrency();
        return FloatToStrF(Value, currency ? ffCurrency : ffGeneral, 18,
                           currency ? DefaultCurrencyDecimals : 0);
    }
    default:
        return QStringLiteral("0");
    }
}

QString TCustomDBGridEh::GetFooterValue(int Row, TColumnEh* Column) {
    TColumnFooterEh* f = Column->FooterForRow(Row);
    TDataSet* ds = GetDataSource() ? GetDataSource()->GetDataSet() : nullptr;
    TDBSumCollection* items = sumList->GetSumCollection();
    switch (f->GetValueType()) {
    case fvtSum:
    case fvtAvg: {
        if (!ds) return QStringLiteral("0");
        // a footer naming a field the dataset lacks shows nothing: no error while painting
        TField* field = ds->FindField(summedFieldName(f));
        if (!field) return QString();
        TDBSum* s = findSum(items, operationOf(f->GetValueType()), field->GetFieldName());
        if (!s) return QStringLiteral("0");
        return FooterTotalText(field, s->AsDouble());
    }
    case fvtCount: {
        TDBSum* s = findSum(items, goCount, QString());
        return s ? FloatToStr(s->AsDouble()) : QString();
    }
    case fvtFieldValue: {
        // a footer naming a field the dataset lacks shows nothing: no error while painting
        TField* field = ds && ds->GetActive() ? ds->FindField(f->GetFieldName()) : nullptr;
        return field ? field->GetDisplayText() : QString();
    }
    case fvtStaticText:
        return f->GetValue();
    case fvtNon:
        break;
    }
    return QString();
}

void TCustomDBGridEh::GetFooterParams(int DataCol, int Row, TColumnEh* Column, TFont* AFont,
                                      TColor& Background, TAlignment& Alignment,
                                      TGridDrawState State, QString& Text) {
    if (OnGetFooterParams)
        OnGetFooterParams(this, DataCol, Row, Column, AFont, Background, Alignment, State, Text);
}

void TCustomDBGridEh::GetCellParams(TColumnEh* Column, TFont* AFont, TColor& Background,
                                    TGridDrawState State) {
    if (OnGetCellParams) OnGetCellParams(this, Column, AFont, Background, State);
}
