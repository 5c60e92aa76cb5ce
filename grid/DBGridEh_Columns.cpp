// Columns: TColumnEh with its own values and their defaults, the grid's column collection,
// and the column footers.
#include "DBGridEhInternal.h"

#include "ScopeGuard.h"

#include <algorithm>

namespace {

TDBGridColumnsEh* gridColumnsOf(TCollection* Collection) {
    return dynamic_cast<TDBGridColumnsEh*>(Collection);
}

// Copies Source into a string list owned by the column (null frees it).
void assignList(std::unique_ptr<TStringList>& List, TStrings* Source) {
    if (!Source) {
        List.reset();
        return;
    }
    if (List.get() == Source) return;
    if (!List) List = std::make_unique<TStringList>();
    List->Assign(Source);
}

} // namespace

// ---- TColumnEh ----------------------------------------------------------------------------------

TColumnEh::TColumnEh(TCollection* Collection) : TCollectionItem(nullptr) {
    TDBGridColumnsEh* owner = gridColumnsOf(Collection);
    TCustomDBGridEh* g = owner ? owner->GetGrid() : nullptr;
    if (g) g->BeginLayout();
    try {
        SetCollection(Collection);
        font = std::make_unique<TFont>();
        if (g) font->Assign(g->GetFont());
        font->OnChange = [this](TObject* Sender) { fontChanged(Sender); };
        title.reset(CreateTitle());
        footer.reset(CreateFooter());
        footers.reset(CreateFooters());
        increment = 1.0;
        initWidth = GetWidth();
    } catch (...) {
        if (g) g->CancelLayout();
        throw;
    }
    if (g) g->EndLayout();
}

TColumnEh::~TColumnEh() {
    // The sum items of the footers leave the sum list, and the grid forgets the column, while
    // all of it is still there.
    if (TCustomDBGridEh* g = GetGrid(); g && !g->IsDestroying()) {
        footer->freeSumItem();
        for (int i = 0; i < footers->Count(); ++i)
            footers->GetItems(i)->freeSumItem();
    }
    SetCollection(nullptr);
}

TColumnTitleEh* TColumnEh::CreateTitle() {
    return new TColumnTitleEh(this);
}

TColumnFooterEh* TColumnEh::CreateFooter() {
    return new TColumnFooterEh(this);
}

TColumnFootersEh* TColumnEh::CreateFooters() {
    return new TColumnFootersEh(this);
}

TCustomDBGridEh* TColumnEh::GetGrid() const {
    TDBGridColumnsEh* c = gridColumnsOf(GetCollection());
    return c ? c->GetGrid() : nullptr;
}

QString TColumnEh::GetDisplayName() const {
    return fieldName.isEmpty() ? TCollectionItem::GetDisplayName() : fieldName;
}

void TColumnEh::SetIndex(int Value) {
    TCustomDBGridEh* g = GetGrid();
    // A column the grid made from a field moves its field too, so that the order survives
    // the next rebuild; the grid's own rebuild only arranges the columns.
    if (g && !stored && g->dataLink->GetActive() && !g->layoutRunning && GetCollection() &&
        Value >= 0 && Value < GetCollection()->Count()) {
        TField* target = static_cast<TColumnEh*>(GetCollection()->GetItems(Value))->GetField();
        TField* f = GetField();
        if (f && target && f != target) f->SetIndex(target->GetIndex());
    }
    TCollectionItem::SetIndex(Value);
}

// ---- the field

TField* TColumnEh::GetField() {
    if (!field && !fieldName.isEmpty()) {
        TCustomDBGridEh* g = GetGrid();
        TDataSet* ds = g ? g->dataLink->GetDataSet() : nullptr;
        if (ds && (ds->GetActive() || !ds->GetDefaultFields())) {
            if (TField* f = ds->FindField(fieldName)) {
                bindField(f);
                fieldName = f->GetFieldName();
                UpdateFooterSums();
            }
        }
    }
    return field;
}

void TColumnEh::SetField(TField* Value) {
    if (field == Value) return;
    bindField(Value);
    if (Value) {
        fieldName = Value->GetFieldName();
    } else if (!stored) {
        fieldName.clear();
        RestoreDefaults();
        initWidth = GetWidth();
    }
    UpdateFooterSums();
    changed(false);
}

void TColumnEh::SetFieldName(const QString& Value) {
    TField* f = nullptr;
    TCustomDBGridEh* g = GetGrid();
    TDataSet* ds = g ? g->dataLink->GetDataSet() : nullptr;
    if (ds && !g->IsLoading() && !Value.isEmpty()) f = ds->FindField(Value);
    fieldName = Value;
    if (f != field) {
        bindField(f);
        if (f) fieldName = f->GetFieldName();
    }
    initWidth = GetWidth();
    UpdateFooterSums();
    changed(false);
}

void TColumnEh::bindField(TField* Value) {
    field = Value;
    if (Value)
        if (TCustomDBGridEh* g = GetGrid()) Value->FreeNotification(g);
}

TField* TColumnEh::valueField() {
    TField* f = GetField();
    if (!f || f->GetFieldKind() != fkLookup) return f;
    if (f->GetKeyFields().isEmpty() || !f->GetDataSet()) return nullptr;
    return f->GetDataSet()->FindField(f->GetKeyFields());
}

// ---- look: own values and defaults

TAlignment TColumnEh::DefaultAlignment() {
    TField* f = GetField();
    return f ? f->GetAlignment() : taLeftJustify;
}

TAlignment TColumnEh::GetAlignment() {
    return assignedValues.Contains(cvAlignment) ? alignment : DefaultAlignment();
}

void TColumnEh::SetAlignment(TAlignment Value) {
    TCustomDBGridEh* g = GetGrid();
    if (!stored && g && g->dataLink->GetActive() && GetField()) {
        GetField()->SetAlignment(Value);
        return;
    }
    if (KeepOwnValue(alignment, Value, assignedValues, cvAlignment)) changed(false);
}

bool TColumnEh::IsAlignmentStored() {
    return assignedValues.Contains(cvAlignment) && alignment != DefaultAlignment();
}

TColor TColumnEh::DefaultColor() const {
    TCustomDBGridEh* g = GetGrid();
    return g ? g->GetColor() : clWindow;
}

TColor TColumnEh::GetColor() const {
    return assignedValues.Contains(cvColor) ? color : DefaultColor();
}

void TColumnEh::SetColor(TColor Value) {
    if (KeepOwnValue(color, Value, assignedValues, cvColor)) changed(false);
}

bool TColumnEh::IsColorStored() const {
    return assignedValues.Contains(cvColor) && color != DefaultColor();
}

TFont* TColumnEh::DefaultFont() const {
    TCustomDBGridEh* g = GetGrid();
    return g ? g->GetFont() : font.get();
}

void TColumnEh::refreshDefaultFont() {
    if (!assignedValues.Contains(cvFont)) CopyDefaultFont(font.get(), DefaultFont(), fontQuiet);
}

TFont* TColumnEh::GetFont() {
    refreshDefaultFont();
    return font.get();
}

void TColumnEh::SetFont(TFont* Value) {
    font->Assign(Value);
    assignedValues.Include(cvFont);
    changed(false);
}

void TColumnEh::fontChanged(TObject*) {
    if (fontQuiet) return;
    assignedValues.Include(cvFont);
    title->refreshDefaultFont();
    changed(false);
}

bool TColumnEh::IsFontStored() const {
    return assignedValues.Contains(cvFont);
}

void TColumnEh::measureDigits(int& W0, int& Overhang, int& AveChar) {
    TCustomDBGridEh* g = GetGrid();
    TCanvas* c = g->GetCanvas();
    TFont saved;
    saved.Assign(c->GetFont());
    c->GetFont()->Assign(GetFont());
    W0 = c->TextWidth(QStringLiteral("0"));
    TTextMetric tm;
    c->GetTextMetrics(tm);
    Overhang = tm.tmOverhang;
    AveChar = tm.tmAveCharWidth;
    c->GetFont()->Assign(&saved);
}

int TColumnEh::DefaultWidth() {
    TCustomDBGridEh* g = GetGrid();
    if (!g) return 64;
    TField* f = GetField();
    if (!f) return g->GetDefaultColWidth();
    int w0 = 0, ov = 0, ac = 0;
    measureDigits(w0, ov, ac);
    return (w0 - ov) * f->GetDisplayWidth() + ov + 4;
}

int TColumnEh::GetWidth() {
    return assignedValues.Contains(cvWidth) ? width : DefaultWidth();
}

void TColumnEh::SetWidth(int Value) {
    TCustomDBGridEh* g = GetGrid();
    if (!stored && g) {
        // A column made from a field keeps its width in the field's DisplayWidth.
        TField* f = GetField();
        if (g->HandleAllocated() && f) {
            int w0 = 0, ov = 0, ac = 0;
            measureDigits(w0, ov, ac);
            if (w0 > 0 && Value >= 0) f->SetDisplayWidth((Value + ac / 2 - ov - 3) / w0);
        }
        if (g->layoutFromDataSet && !assignedValues.Contains(cvWidth)) {
            changed(false);
            return;
        }
    }
    if (!assignedValues.Contains(cvWidth) && Value == DefaultWidth()) {
        changed(false);
        return;
    }
    if (Value != -1) {
        width = Value;
        assignedValues.Include(cvWidth);
        if (maxWidth > 0 && width > maxWidth) width = maxWidth;
        if (minWidth > width) width = minWidth;
    }
    changed(false);
}

bool TColumnEh::IsWidthStored() {
    return assignedValues.Contains(cvWidth) && width != DefaultWidth();
}

int TColumnEh::AllowedWidth(int W) const {
    if (minWidth > 0 && minWidth > W) return minWidth;
    if (maxWidth > 0 && maxWidth < W) return maxWidth;
    return W;
}

void TColumnEh::SetMinWidth(int Value) {
    minWidth = Value;
    if (Value > 0 && GetWidth() < Value) SetWidth(Value);
}

void TColumnEh::SetMaxWidth(int Value) {
    maxWidth = Value;
    if (Value > 0 && GetWidth() > Value) SetWidth(Value);
}

bool TColumnEh::DefaultReadOnly() {
    TCustomDBGridEh* g = GetGrid();
    if (g && g->GetReadOnly()) return true;
    TField* f = GetField();
    return f && f->GetReadOnly();
}

bool TColumnEh::GetReadOnly() {
    return assignedValues.Contains(cvReadOnly) ? readOnly : DefaultReadOnly();
}

void TColumnEh::SetReadOnly(bool Value) {
    TCustomDBGridEh* g = GetGrid();
    if (!stored && g && g->dataLink->GetActive() && GetField()) {
        GetField()->SetReadOnly(Value);
        return;
    }
    if (KeepOwnValue(readOnly, Value, assignedValues, cvReadOnly)) changed(false);
}

bool TColumnEh::IsReadOnlyStored() {
    return assignedValues.Contains(cvReadOnly) && readOnly != DefaultReadOnly();
}

TImeMode TColumnEh::DefaultImeMode() const {
    TCustomDBGridEh* g = GetGrid();
    return g ? g->ImeMode : imeMode;
}

TImeMode TColumnEh::GetImeMode() const {
    return assignedValues.Contains(cvImeMode) ? imeMode : DefaultImeMode();
}

void TColumnEh::SetImeMode(TImeMode Value) {
    if (assignedValues.Contains(cvImeMode) || Value != DefaultImeMode()) {
        imeMode = Value;
        assignedValues.Include(cvImeMode);
    }
    changed(false);
}

QString TColumnEh::DefaultImeName() const {
    TCustomDBGridEh* g = GetGrid();
    return g ? g->ImeName : imeName;
}

QString TColumnEh::GetImeName() const {
    return assignedValues.Contains(cvImeName) ? imeName : DefaultImeName();
}

void TColumnEh::SetImeName(const QString& Value) {
    if (assignedValues.Contains(cvImeName) || Value != DefaultImeName()) {
        imeName = Value;
        assignedValues.Include(cvImeName);
    }
    changed(false);
}

bool TColumnEh::DefaultWordWrap() {
    if (!GetGrid()) return false;
    TField* f = GetField();
    if (!f) return false;
    TFieldType t = f->GetDataType();
    return t == ftString || t == ftMemo || t == ftFmtMemo;
}

bool TColumnEh::GetWordWrap() {
    return assignedValues.Contains(cvWordWrap) ? wordWrap : DefaultWordWrap();
}

void TColumnEh::SetWordWrap(bool Value) {
    TCustomDBGridEh* g = GetGrid();
    if (!assignedValues.Contains(cvWordWrap) && Value == DefaultWordWrap() &&
        (!g || !g->IsLoading())) {
        changed(false);
        return;
    }
    wordWrap = Value;
    assignedValues.Include(cvWordWrap);
    changed(false);
}

bool TColumnEh::IsWordWrapStored() {
    return assignedValues.Contains(cvWordWrap) && wordWrap != DefaultWordWrap();
}

QString TColumnEh::DefaultLookupDisplayFields() {
    TField* f = GetField();
    return f ? f->GetLookupResultField() : QString();
}

QString TColumnEh::GetLookupDisplayFields() {
    return assignedValues.Contains(cvLookupDisplayFields) ? lookupDisplayFields
                                                          : DefaultLookupDisplayFields();
}

void TColumnEh::SetLookupDisplayFields(const QString& Value) {
    if (assignedValues.Contains(cvLookupDisplayFields) || Value != DefaultLookupDisplayFields()) {
        lookupDisplayFields = Value;
        assignedValues.Include(cvLookupDisplayFields);
    }
    changed(false);
}

bool TColumnEh::DefaultCheckboxes() {
    TField* f = GetField();
    return f && f->GetDataType() == ftBoolean;
}

bool TColumnEh::GetCheckboxes() {
    return assignedValues.Contains(cvCheckboxes) ? checkboxes : DefaultCheckboxes();
}

void TColumnEh::SetCheckboxes(bool Value) {
    if (KeepOwnValue(checkboxes, Value, assignedValues, cvCheckboxes)) changed(false);
}

// ---- plain properties

TColumnFooterEh* TColumnEh::FooterForRow(int Row) const {
    if (Row >= 0 && Row < footers->Count()) return footers->GetItems(Row);
    return footer.get();
}

TStrings* TColumnEh::GetPickList() {
    if (!pickList) pickList = std::make_unique<TStringList>();
    return pickList.get();
}

void TColumnEh::SetPickList(TStrings* Value) {
    assignList(pickList, Value);
}

TStrings* TColumnEh::GetKeyList() {
    if (!keyList) keyList = std::make_unique<TStringList>();
    return keyList.get();
}

void TColumnEh::SetKeyList(TStrings* Value) {
    assignList(keyList, Value);
    if (TCustomDBGridEh* g = GetGrid()) g->Invalidate();
}

void TColumnEh::SetPopupMenu(TPopupMenu* Value) {
    popupMenu = Value;
    if (Value)
        if (TCustomDBGridEh* g = GetGrid()) Value->FreeNotification(g);
}

void TColumnEh::SetImageList(TCustomImageList* Value) {
    imageList = Value;
    if (TCustomDBGridEh* g = GetGrid()) {
        if (Value) Value->FreeNotification(g);
        g->Invalidate();
    }
}

void TColumnEh::SetButtonStyle(TColumnButtonStyleEh Value) {
    if (buttonStyle == Value) return;
    buttonStyle = Value;
    changed(false);
}

void TColumnEh::SetVisible(bool Value) {
    if (visible == Value) return;
    visible = Value;
    changed(true);
}

void TColumnEh::SetNotInKeyListIndex(int Value) {
    if (notInKeyListIndex == Value) return;
    notInKeyListIndex = Value;
    if (TCustomDBGridEh* g = GetGrid()) g->Invalidate();
}

void TColumnEh::SetDropDownWidth(int Value) {
    if (dropDownWidth == Value) return;
    dropDownWidth = Value;
    changed(false);
}

void TColumnEh::SetAlwaysShowEditButton(bool Value) {
    if (alwaysShowEditButton == Value) return;
    alwaysShowEditButton = Value;
    changed(false);
}

void TColumnEh::SetAutoDropDown(bool Value) {
    if (autoDropDown == Value) return;
    autoDropDown = Value;
    changed(false);
}

void TColumnEh::SetEndEllipsis(bool Value) {
    endEllipsis = Value;
    changed(false);
}

void TColumnEh::SetAutoFitColWidth(bool Value) {
    autoFitColWidth = Value;
    TCustomDBGridEh* g = GetGrid();
    if (g && g->GetAutoFitColWidths() && !g->IsLoading() && !g->IsDesigning()) SetWidth(initWidth);
    changed(false);
}

void TColumnEh::RestoreDefaults() {
    bool fontWasAssigned = assignedValues.Contains(cvFont);
    title->RestoreDefaults();
    assignedValues = TColumnEhValues{};
    CopyDefaultFont(font.get(), DefaultFont(), fontQuiet);
    pickList.reset();
    buttonStyle = cbsAuto;
    changed(fontWasAssigned);
    keyList.reset();
}

void TColumnEh::Assign(TPersistent* Source) {
    auto* s = dynamic_cast<TColumnEh*>(Source);
    if (!s) {
        TCollectionItem::Assign(Source);
        return;
    }
    if (s == this) return;
    TCollection* c = GetCollection();
    if (c) c->BeginUpdate();
    TScopeGuard update([c] {
        if (c) c->EndUpdate();
    });
    const TColumnEhValues from = s->assignedValues;
    RestoreDefaults();
    SetFieldName(s->fieldName);
    if (from.Contains(cvColor)) SetColor(s->color);
    if (from.Contains(cvWidth)) SetWidth(s->width);
    if (from.Contains(cvFont)) SetFont(s->font.get());
    if (from.Contains(cvImeMode)) SetImeMode(s->imeMode);
    if (from.Contains(cvImeName)) SetImeName(s->imeName);
    if (from.Contains(cvAlignment)) SetAlignment(s->alignment);
    if (from.Contains(cvReadOnly)) SetReadOnly(s->readOnly);
    title->Assign(s->title.get());
    dropDownRows = s->dropDownRows;
    SetButtonStyle(s->buttonStyle);
    SetPickList(s->pickList.get());
    SetPopupMenu(s->popupMenu);
    initWidth = s->initWidth;
    autoFitColWidth = s->autoFitColWidth;
    if (from.Contains(cvWordWrap)) SetWordWrap(s->wordWrap);
    SetEndEllipsis(s->endEllipsis);
    SetDropDownWidth(s->dropDownWidth);
    if (from.Contains(cvLookupDisplayFields)) SetLookupDisplayFields(s->lookupDisplayFields);
    SetAutoDropDown(s->autoDropDown);
    SetAlwaysShowEditButton(s->alwaysShowEditButton);
    SetWordWrap(s->GetWordWrap());
    footer->Assign(s->footer.get());
    SetKeyList(s->keyList.get());
    if (from.Contains(cvCheckboxes)) SetCheckboxes(s->checkboxes);
    increment = s->increment;
    toolTips = s->toolTips;
    footers->Assign(s->footers.get());
    tag = s->tag;
    SetVisible(s->visible);
    SetImageList(s->imageList);
    SetNotInKeyListIndex(s->notInKeyListIndex);
    SetMinWidth(s->minWidth);
    SetMaxWidth(s->maxWidth);
    dblClickNextVal = s->dblClickNextVal;
    dropDownSizing = s->dropDownSizing;
    dropDownShowTitles = s->dropDownShowTitles;
    update.End();
}

// ---- TDBGridColumnsEh ---------------------------------------------------------------------------

TDBGridColumnsEh::TDBGridColumnsEh(TCustomDBGridEh* Grid, TColumnFactory ItemClass)
    : TCollection([this, ItemClass]() -> TCollectionItem* {
          return ItemClass ? ItemClass(this) : new TColumnEh(this);
      }),
      grid(Grid) {}

TDBGridColumnsEh::~TDBGridColumnsEh() {
    // Cleared here, while Notify still reaches this class.
    BeginUpdate();
    Clear();
}

TPersistent* TDBGridColumnsEh::GetOwner() const {
    return grid;
}

TColumnEh* TDBGridColumnsEh::AddNonStored() {
    if (grid) grid->BeginLayout();
    TColumnEh* c = nullptr;
    try {
        c = Add();
        c->stored = false;
    } catch (...) {
        if (grid) grid->CancelLayout();
        throw;
    }
    if (grid) grid->EndLayout();
    return c;
}

TDBGridColumnsState TDBGridColumnsEh::GetState() const {
    return Count() > 0 && GetItems(0)->GetStored() ? csCustomized : csDefault;
}

void TDBGridColumnsEh::Notify(TCollectionItem* Item, TCollectionNotification Action) {
    if (grid && (Action == cnExtracting || Action == cnDeleting))
        grid->columnRemoved(static_cast<TColumnEh*>(Item));
}

void TDBGridColumnsEh::Update(TCollectionItem* Item) {
    if (!grid || grid->IsLoading() || grid->IsDestroying()) return;
    if (Item) {
        auto* c = static_cast<TColumnEh*>(Item);
        int raw = c->GetIndex() + grid->indicatorOffset;
        if (c->GetIndex() < 0 || raw >= grid->GetColCount()) {
            grid->LayoutChanged();
        } else {
            grid->InvalidateCol(raw);
            int now = grid->GetColWidths(raw);
            if (!grid->autoFitColWidths || grid->IsDesigning()) {
                int want = grid->rawWidthOf(c);
                if (now == want) {
                    if (grid->useMultiTitle) grid->LayoutChanged();
                } else {
                    grid->SetColWidths(raw, want);
                }
            } else if (now != -1) {
                if (now > 0) {
                    int64_t scaled = (int64_t(c->initWidth) * c->GetWidth() * 2 + now) / (2 * now);
                    int lost = c->initWidth - int(scaled);
                    c->initWidth = int(scaled);
                    if (c->GetIndex() + 1 < Count()) {
                        TColumnEh* next = GetItems(c->GetIndex() + 1);
                        next->initWidth = std::max(0, next->initWidth + lost);
                    }
                }
                grid->LayoutChanged();
            }
        }
    } else {
        grid->LayoutChanged();
    }
    // A hidden current column gives way to the first visible one.
    TColumnEh* current = grid->ColumnAt(grid->GetSelectedIndex());
    if (current && !current->visible) {
        for (int i = 0; i < Count(); ++i)
            if (GetItems(i)->visible) {
                if (i + grid->indicatorOffset < grid->GetColCount()) grid->SetSelectedIndex(i);
                break;
            }
    }
    grid->InvalidateEditor();
}

// ---- footers ------------------------------------------------------------------------------------

TColumnFooterEh::TColumnFooterEh(TCollection* Collection) : TCollectionItem(Collection) {
    if (auto* f = dynamic_cast<TColumnFootersEh*>(Collection)) column = f->GetColumn();
    init();
}

TColumnFooterEh::TColumnFooterEh(TColumnEh* Column) : TCollectionItem(nullptr), column(Column) {
    init();
}

void TColumnFooterEh::init() {
    font = std::make_unique<TFont>();
    font->Assign(DefaultFont());
    font->OnChange = [this](TObject* Sender) { fontChanged(Sender); };
    if (TCustomDBGridEh* g = column ? column->GetGrid() : nullptr) g->InvalidateFooter();
}

TColumnFooterEh::~TColumnFooterEh() {
    TCustomDBGridEh* g = column ? column->GetGrid() : nullptr;
    // a grid being taken apart frees the sum items with its sum list
    if (g && !g->IsDestroying()) {
        freeSumItem();
        g->InvalidateFooter();
    }
}

void TColumnFooterEh::changed(bool AllItems) {
    if (column) column->changed(AllItems);
}

TFont* TColumnFooterEh::DefaultFont() const {
    TCustomDBGridEh* g = column ? column->GetGrid() : nullptr;
    if (g) return g->GetFooterFont();
    return column ? column->GetFont() : font.get();
}

TAlignment TColumnFooterEh::DefaultAlignment() const {
    TField* f = column ? column->GetField() : nullptr;
    return f ? f->GetAlignment() : taLeftJustify;
}

TColor TColumnFooterEh::DefaultColor() const {
    TCustomDBGridEh* g = column ? column->GetGrid() : nullptr;
    return g ? g->GetFooterColor() : clWindow;
}

TAlignment TColumnFooterEh::GetAlignment() const {
    return assignedValues.Contains(cvFooterAlignment) ? alignment : DefaultAlignment();
}

void TColumnFooterEh::SetAlignment(TAlignment Value) {
    if (KeepOwnValue(alignment, Value, assignedValues, cvFooterAlignment)) changed(false);
}

TColor TColumnFooterEh::GetColor() const {
    return assignedValues.Contains(cvFooterColor) ? color : DefaultColor();
}

void TColumnFooterEh::SetColor(TColor Value) {
    if (KeepOwnValue(color, Value, assignedValues, cvFooterColor)) changed(false);
}

TFont* TColumnFooterEh::GetFont() {
    if (!assignedValues.Contains(cvFooterFont))
        CopyDefaultFont(font.get(), DefaultFont(), fontQuiet);
    return font.get();
}

void TColumnFooterEh::SetFont(TFont* Value) {
    font->Assign(Value);
    assignedValues.Include(cvFooterFont);
}

void TColumnFooterEh::fontChanged(TObject*) {
    if (fontQuiet) return;
    assignedValues.Include(cvFooterFont);
    changed(true);
}

void TColumnFooterEh::SetEndEllipsis(bool Value) {
    endEllipsis = Value;
    changed(false);
}

void TColumnFooterEh::SetValue(const QString& Value) {
    value = Value;
    changed(false);
}

void TColumnFooterEh::SetFieldName(const QString& Value) {
    fieldName = Value;
    UpdateSumItem();
    changed(false);
}

void TColumnFooterEh::SetValueType(TFooterValueType Value) {
    if (valueType == Value) return;
    valueType = Value;
    UpdateSumItem();
    changed(false);
}

void TColumnFooterEh::SetWordWrap(bool Value) {
    wordWrap = Value;
    changed(false);
}

void TColumnFooterEh::RestoreDefaults() {
    bool fontWasAssigned = assignedValues.Contains(cvFooterFont);
    assignedValues = TColumnFooterValues{};
    CopyDefaultFont(font.get(), DefaultFont(), fontQuiet);
    changed(fontWasAssigned);
}

void TColumnFooterEh::Assign(TPersistent* Source) {
    auto* s = dynamic_cast<TColumnFooterEh*>(Source);
    if (!s) {
        TCollectionItem::Assign(Source);
        return;
    }
    if (s == this) return;
    if (s->assignedValues.Contains(cvFooterAlignment)) SetAlignment(s->alignment);
    if (s->assignedValues.Contains(cvFooterFont)) SetFont(s->font.get());
    if (s->assignedValues.Contains(cvFooterColor)) SetColor(s->color);
    SetEndEllipsis(s->endEllipsis);
    SetValueType(s->valueType);
    SetFieldName(s->fieldName);
    SetValue(s->value);
    SetWordWrap(s->wordWrap);
}

TColumnFootersEh::TColumnFootersEh(TColumnEh* Column)
    : TCollection([this]() -> TCollectionItem* { return new TColumnFooterEh(this); }),
      column(Column) {}

TPersistent* TColumnFootersEh::GetOwner() const {
    return column;
}
