// The grid's data link: the field map and the dataset's news passed on to the grid.
#include "DBGridEh.h"

#include "ScopeGuard.h"

#include <algorithm>

TGridDataLinkEh::TGridDataLinkEh(TCustomDBGridEh* AGrid) : grid(AGrid) {
    VisualControl = true;
}

TGridDataLinkEh::~TGridDataLinkEh() {
    ClearMapping();
}

void TGridDataLinkEh::growMap() {
    int64_t size = mapSize == 0 ? 8 : int64_t(mapSize) * 2;
    if (size <= fieldCount) size = int64_t(fieldCount) + 1;
    size = std::min<int64_t>(size, MaxMapSizeEh);
    fieldMap.resize(size_t(size));
    mapSize = int(size);
}

bool TGridDataLinkEh::AddMapping(const QString& FieldName) {
    if (fieldCount >= MaxMapSizeEh)
        GridError(
            QStringLiteral("Grid requested to display more than %1 columns").arg(MaxMapSizeEh));
    TDataSet* ds = GetDataSet();
    TField* f = nullptr;
    if (ds) f = sparseMap ? ds->FindField(FieldName) : ds->FieldByName(FieldName);
    if (fieldCount == mapSize) growMap();
    fieldMap[size_t(fieldCount)] = f ? f->GetIndex() : -1;
    if (f) f->FreeNotification(grid);
    ++fieldCount;
    return true;
}

void TGridDataLinkEh::ClearMapping() {
    fieldMap.clear();
    fieldMap.shrink_to_fit();
    fieldCount = 0;
    mapSize = 0;
}

TField* TGridDataLinkEh::GetFields(int Index) const {
    if (Index < 0 || Index >= fieldCount) return nullptr;
    int at = fieldMap[size_t(Index)];
    TDataSet* ds = GetDataSet();
    if (at < 0 || !ds || at >= ds->GetFieldCount()) return nullptr;
    return ds->Fields(at);
}

bool TGridDataLinkEh::DefaultFields() const {
    TDataSet* ds = GetDataSet();
    bool result = !ds || ds->GetDefaultFields();
    if (result && sparseMap)
        for (int i = 0; i < fieldCount; ++i)
            if (fieldMap[size_t(i)] < 0) return false;
    return result;
}

void TGridDataLinkEh::Reset() {
    if (modified)
        RecordChanged(nullptr);
    else if (TDataSet* ds = GetDataSet())
        ds->Cancel();
}

void TGridDataLinkEh::ActiveChanged() {
    grid->LinkActive(GetActive());
    modified = false;
}

void TGridDataLinkEh::DataSetChanged() {
    grid->DataChanged();
    modified = false;
}

void TGridDataLinkEh::DataSetScrolled(int Distance) {
    grid->Scroll(Distance);
}

void TGridDataLinkEh::LayoutChanged() {
    bool was = grid->layoutFromDataSet;
    grid->layoutFromDataSet = true;
    TScopeGuard restore([&] { grid->layoutFromDataSet = was; });
    grid->LayoutChanged();
    restore.End();
    TDataLink::LayoutChanged();
}

void TGridDataLinkEh::FocusControl(TField** Field) {
    if (!*Field) return;
    grid->SetSelectedField(*Field);
    if (grid->GetSelectedField() == *Field && grid->AcquireFocus()) {
        *Field = nullptr;
        grid->ShowEditor();
    }
}

void TGridDataLinkEh::EditingChanged() {
    grid->EditingChanged();
}

void TGridDataLinkEh::RecordChanged(TField* Field) {
    grid->RecordChanged(Field);
    modified = false;
}

void TGridDataLinkEh::UpdateData() {
    inUpdateData = true;
    TScopeGuard reset([this] { inUpdateData = false; });
    if (modified) grid->UpdateData();
    modified = false;
    reset.End();
}
