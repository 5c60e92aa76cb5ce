// Data sources and data links.
#include "DB.h"
#include "ScopeGuard.h"

#include <algorithm>

// ---- TDataSource --------------------------------------------------------------------------------

TDataSource::TDataSource(TComponent* AOwner) : TComponent(AOwner) {}

TDataSource::~TDataSource() {
    Destroying();
    // Links outlive their source in many owners' orders: detach them quietly.
    while (!dataLinks.empty()) {
        TDataLink* l = dataLinks.back();
        dataLinks.pop_back();
        l->dataSource = nullptr;
        l->updateState();
    }
    SetDataSet(nullptr);
}

void TDataSource::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == dataSet) SetDataSet(nullptr);
}

bool TDataSource::IsLinkedTo(TDataSet* DataSet) const {
    int guard = 0;
    while (DataSet && guard++ < 1000) {
        TDataSource* s = DataSet->GetDataSource();
        if (!s) break;
        if (s == this) return true;
        DataSet = s->GetDataSet();
    }
    return false;
}

void TDataSource::SetDataSet(TDataSet* ADataSet) {
    if (ADataSet == dataSet) return;
    if (IsLinkedTo(ADataSet)) DatabaseError(QString::fromUtf8(SCircularDataLink), this);
    if (dataSet) {
        auto& v = dataSet->dataSources;
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
        dataSet->RemoveFreeNotification(this);
        TDataSet* old = dataSet;
        dataSet = nullptr;
        if (!old->IsDestroying()) old->updateBufferCount();
        // the links let go of the old dataset before they meet the new one, also when both
        // are open
        UpdateState();
    }
    dataSet = ADataSet;
    if (dataSet) {
        dataSet->dataSources.push_back(this);
        dataSet->FreeNotification(this);
        dataSet->updateBufferCount();
    }
    UpdateState();
}

void TDataSource::SetEnabled(bool Value) {
    if (enabled == Value) return;
    enabled = Value;
    UpdateState();
}

void TDataSource::Edit() {
    if (autoEdit && state == dsBrowse && dataSet) dataSet->Edit();
}

void TDataSource::UpdateState() {
    if (enabled && dataSet)
        SetState(dataSet->GetState());
    else
        SetState(dsInactive);
}

void TDataSource::SetState(TDataSetState Value) {
    if (state == Value) return;
    TDataSetState prior = state;
    state = Value;
    NotifyDataLinks(deUpdateState, 0);
    if (!IsDestroying()) {
        if (OnStateChange) OnStateChange(this);
        if (prior == dsInactive && OnDataChange) OnDataChange(this, nullptr);
    }
}

void TDataSource::NotifyDataLinks(TDataEvent Event, intptr_t Info) {
    // A link may detach itself while told: walk a copy and skip links gone meanwhile.
    std::vector<TDataLink*> copy = dataLinks;
    for (auto it = copy.rbegin(); it != copy.rend(); ++it)
        if (std::find(dataLinks.begin(), dataLinks.end(), *it) != dataLinks.end())
            (*it)->DataEvent(Event, Info);
}

void TDataSource::DataEvent(TDataEvent Event, intptr_t Info) {
    if (Event == deUpdateState) {
        UpdateState();
        return;
    }
    if (state == dsInactive) return;
    NotifyDataLinks(Event, Info);
    switch (Event) {
    case deFieldChange:
        if (OnDataChange) OnDataChange(this, reinterpret_cast<TField*>(Info));
        break;
    case deRecordChange:
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange:
        if (OnDataChange) OnDataChange(this, nullptr);
        break;
    case deUpdateRecord:
        if (OnUpdateData) OnUpdateData(this);
        break;
    default:
        break;
    }
}

void TDataSource::addLink(TDataLink* Link) {
    dataLinks.push_back(Link);
    if (dataSet) dataSet->updateBufferCount();
}

void TDataSource::removeLink(TDataLink* Link) {
    dataLinks.erase(std::remove(dataLinks.begin(), dataLinks.end(), Link), dataLinks.end());
    if (dataSet && !dataSet->IsDestroying()) dataSet->updateBufferCount();
}

// ---- TDataLink ----------------------------------------------------------------------------------

TDataLink::TDataLink() = default;

TDataLink::~TDataLink() {
    if (dataSource) {
        dataSource->removeLink(this);
        dataSource = nullptr;
    }
}

TDataSet* TDataLink::GetDataSet() const {
    return dataSource ? dataSource->GetDataSet() : nullptr;
}

void TDataLink::SetDataSource(TDataSource* ADataSource) {
    if (dataSource == ADataSource) return;
    if (dataSourceFixed) DatabaseError(QStringLiteral("DataSource cannot be changed"));
    if (dataSource) {
        TDataSource* old = dataSource;
        dataSource = nullptr;
        old->removeLink(this);
    }
    dataSource = ADataSource;
    if (dataSource) dataSource->addLink(this);
    updateState();
}

void TDataLink::SetReadOnly(bool Value) {
    if (readOnly == Value) return;
    readOnly = Value;
    updateState();
}

void TDataLink::updateState() {
    setActive(dataSource && dataSource->GetState() != dsInactive);
    setEditing(dataSource && dsEditModes.Contains(dataSource->GetState()) && !readOnly);
}

void TDataLink::setActive(bool Value) {
    if (active == Value) return;
    active = Value;
    if (Value)
        updateRange();
    else
        firstRecord = 0;
    ActiveChanged();
}

void TDataLink::setEditing(bool Value) {
    if (editing == Value) return;
    editing = Value;
    EditingChanged();
}

void TDataLink::updateRange() {
    TDataSet* ds = GetDataSet();
    if (!ds) return;
    int lo = std::max(0, ds->activeRecord - bufferCount + 1);
    int hi = std::max(0, ds->bufferCount - bufferCount);
    hi = std::min(hi, ds->activeRecord);
    if (firstRecord < lo) firstRecord = lo;
    if (firstRecord > hi) firstRecord = hi;
}

int TDataLink::GetActiveRecord() const {
    TDataSet* ds = GetDataSet();
    if (!active || !ds) return 0;
    if (dataSource->GetState() == dsSetKey) return 0;
    return ds->activeRecord - firstRecord;
}

void TDataLink::SetActiveRecord(int Value) {
    TDataSet* ds = GetDataSet();
    if (!active || !ds || dataSource->GetState() == dsSetKey) return;
    int target = Value + firstRecord;
    if (target >= 0 && target < std::max(ds->recordCount, 1)) ds->activeRecord = target;
}

void TDataLink::SetBufferCount(int Value) {
    if (Value < 1) Value = 1;
    if (bufferCount == Value) return;
    bufferCount = Value;
    if (active) {
        TDataSet* ds = GetDataSet();
        ds->updateBufferCount();
        updateRange();
    }
}

int TDataLink::GetRecordCount() const {
    TDataSet* ds = GetDataSet();
    if (!active || !ds) return 0;
    if (dataSource->GetState() == dsSetKey) return 1;
    int r = ds->recordCount - firstRecord;
    return std::clamp(r, 0, bufferCount);
}

bool TDataLink::GetBOF() const {
    TDataSet* ds = GetDataSet();
    return ds ? ds->Bof() : true;
}

bool TDataLink::GetEOF() const {
    TDataSet* ds = GetDataSet();
    return ds ? ds->Eof() : true;
}

bool TDataLink::Edit() {
    if (!readOnly && dataSource) dataSource->Edit();
    return editing;
}

void TDataLink::UpdateRecord() {
    updating = true;
    TScopeGuard restore([&] { updating = false; });
    UpdateData();
    restore.End();
}

void TDataLink::DataSetChanged() {
    RecordChanged(nullptr);
}

void TDataLink::DataSetScrolled(int) {
    DataSetChanged();
}

void TDataLink::LayoutChanged() {
    DataSetChanged();
}

void TDataLink::DataEvent(TDataEvent Event, intptr_t Info) {
    if (Event == deUpdateState) {
        updateState();
        return;
    }
    if (!active) return;
    switch (Event) {
    case deFieldChange:
    case deRecordChange:
        if (!updating) RecordChanged(reinterpret_cast<TField*>(Info));
        break;
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange: {
        int count = 0;
        if (dataSource->GetState() != dsSetKey) {
            TDataSet* ds = GetDataSet();
            int act = ds->activeRecord;
            int first = firstRecord + int(Info);
            int last = first + bufferCount - 1;
            if (act > last)
                count = act - last;
            else if (act < first)
                count = act - first;
            firstRecord = first + count;
            // Keep the window on filled buffers where it can be.
            if (firstRecord > 0 && firstRecord + bufferCount > ds->recordCount) {
                int lo = std::max(0, std::min(act, ds->recordCount - bufferCount));
                if (lo < firstRecord) {
                    if (Event == deDataSetScroll) count -= firstRecord - lo;
                    firstRecord = lo;
                }
            }
            if (firstRecord < 0) firstRecord = 0;
        }
        if (Event == deDataSetChange)
            DataSetChanged();
        else if (Event == deDataSetScroll)
            DataSetScrolled(count);
        else
            LayoutChanged();
        break;
    }
    case deUpdateRecord:
        UpdateRecord();
        break;
    case deCheckBrowseMode:
        CheckBrowseMode();
        break;
    case deFocusControl:
        FocusControl(reinterpret_cast<TField**>(Info));
        break;
    default:
        break;
    }
}

// ---- TFieldDataLink -----------------------------------------------------------------------------

void TFieldDataLink::SetFieldName(const QString& Value) {
    if (fieldName == Value) return;
    fieldName = Value;
    updateField();
}

void TFieldDataLink::setField(TField* Value) {
    if (field == Value) return;
    field = Value;
    EditingChanged();
    RecordChanged(nullptr);
}

void TFieldDataLink::updateField() {
    TField* f = nullptr;
    if (GetActive() && !fieldName.isEmpty()) f = GetDataSet()->FieldByName(fieldName);
    setField(f);
}

bool TFieldDataLink::GetCanModify() const {
    return !GetReadOnly() && field && field->CanModify();
}

bool TFieldDataLink::Edit() {
    if (GetCanModify()) TDataLink::Edit();
    return editingState;
}

void TFieldDataLink::Reset() {
    RecordChanged(nullptr);
}

void TFieldDataLink::ActiveChanged() {
    updateField();
    if (OnActiveChange) OnActiveChange(this);
}

void TFieldDataLink::EditingChanged() {
    bool v = TDataLink::GetEditing() && GetCanModify();
    if (editingState != v) {
        editingState = v;
        modified = false;
        if (OnEditingChange) OnEditingChange(this);
    }
}

void TFieldDataLink::FocusControl(TField** Field) {
    if (*Field && *Field == field && OnFocusRequest && OnFocusRequest()) *Field = nullptr;
}

void TFieldDataLink::LayoutChanged() {
    updateField();
}

void TFieldDataLink::RecordChanged(TField* Field) {
    if (!Field || Field == field) {
        if (OnDataChange) OnDataChange(this);
        modified = false;
    }
}

void TFieldDataLink::UpdateData() {
    if (modified) {
        if (field && OnUpdateData) OnUpdateData(this);
        modified = false;
    }
}

// ---- TMasterDataLink ----------------------------------------------------------------------------

void TMasterDataLink::SetFieldNames(const QString& Value) {
    if (fieldNames == Value) return;
    fieldNames = Value;
    ActiveChanged();
}

void TMasterDataLink::ActiveChanged() {
    fields.clear();
    if (GetActive()) {
        try {
            GetDataSet()->GetFieldList(fields, fieldNames);
        } catch (const EDatabaseError&) {
            fields.clear();
            throw;
        }
    }
    if (detail->IsDestroying()) return;
    if (GetActive()) {
        if (OnMasterChange) OnMasterChange(this);
    } else if (OnMasterDisable) {
        OnMasterDisable(this);
    }
}

void TMasterDataLink::CheckBrowseMode() {
    if (detail->GetActive()) detail->CheckBrowseMode();
}

void TMasterDataLink::LayoutChanged() {
    ActiveChanged();
}

void TMasterDataLink::RecordChanged(TField* Field) {
    if (detail->IsDestroying()) return;
    if ((!Field || fields.contains(Field)) && OnMasterChange) OnMasterChange(this);
}
