// The query dataset.
#include "IBQuery.h"

#include "IBDatabase.h"
#include "ScopeGuard.h"

// Follows the master dataset of a detail query.
class TIBQueryDataLink : public TDataLink {
public:
    explicit TIBQueryDataLink(TIBQuery* AQuery) : query(AQuery) {}

protected:
    void ActiveChanged() override {
        if (query->GetActive()) query->refreshParams();
    }
    void RecordChanged(TField* Field) override {
        if (Field == nullptr && query->GetActive()) query->refreshParams();
    }
    void CheckBrowseMode() override {
        if (query->GetActive()) query->CheckBrowseMode();
    }

private:
    TIBQuery* query;
};

namespace {

bool sameValue(const Variant& A, const Variant& B) {
    if (VarIsClear(A) || VarIsClear(B)) return VarIsClear(A) == VarIsClear(B);
    try {
        return A.Type() == B.Type() && A == B;
    } catch (...) {
        return false;
    }
}

} // namespace

TIBQuery::TIBQuery(TComponent* AOwner)
    : TIBCustomDataSet(AOwner), sql(new TStringList), params(new TParams(this)),
      dataLink(new TIBQueryDataLink(this)) {
    sql->OnChange = [this](TObject* Sender) { sqlChanged(Sender); };
}

TIBQuery::~TIBQuery() {
    Destroying();
    try {
        Close();
    } catch (...) {
    }
    dataLink->SetDataSource(nullptr);
}

void TIBQuery::sqlChanged(TObject*) {
    if (GetActive()) Close();
    prepared = false;
    // Keep the values of parameters that survive the change.
    struct Saved {
        QString name;
        TFieldType type;
        Variant value;
        bool bound;
    };
    std::vector<Saved> saved;
    for (int i = 0; i < params->Count(); ++i) {
        TParam* p = params->GetItems(i);
        saved.push_back({p->GetName(), p->GetDataType(), p->GetValue(), p->Bound});
    }
    processedSQL = params->ParseSQL(sql->GetText(), true);
    for (const Saved& s : saved) {
        for (int i = 0; i < params->Count(); ++i) {
            TParam* p = params->GetItems(i);
            if (p->GetName().compare(s.name, Qt::CaseInsensitive) == 0) {
                p->SetDataType(s.type);
                if (s.bound) p->SetValue(s.value);
            }
        }
    }
    GetFieldDefs()->SetUpdated(false);
}

TDataSource* TIBQuery::GetDataSource() const {
    return dataLink->GetDataSource();
}

void TIBQuery::SetDataSource(TDataSource* Value) {
    if (Value && IsLinkedTo(Value)) DatabaseError(QString::fromUtf8(SCircularDataLink), this);
    TDataSource* old = dataLink->GetDataSource();
    if (old) RemoveFreeNotification(old);
    dataLink->SetDataSource(Value);
    if (Value) FreeNotification(Value);
}

void TIBQuery::Notification(TComponent* AComponent, TOperation Operation) {
    TIBCustomDataSet::Notification(AComponent, Operation);
    if (Operation == opRemove && dataLink && AComponent == dataLink->GetDataSource())
        dataLink->SetDataSource(nullptr);
}

void TIBQuery::Prepare() {
    CheckDatabase();
    if (processedSQL.trimmed().isEmpty()) IBClientError(QString::fromUtf8(SIBEmptySQL));
    prepared = true;
}

void TIBQuery::UnPrepare() {
    prepared = false;
}

void TIBQuery::setParamsFromMaster() {
    TDataSource* src = dataLink->GetDataSource();
    TDataSet* master = src ? src->GetDataSet() : nullptr;
    if (!master || !master->GetActive()) return;
    for (int i = 0; i < params->Count(); ++i) {
        TParam* p = params->GetItems(i);
        if (p->Bound) continue;
        if (TField* f = master->FindField(p->GetName())) {
            p->AssignField(f);
            p->Bound = false;
        }
    }
}

void TIBQuery::refreshParams() {
    TDataSource* src = dataLink->GetDataSource();
    TDataSet* master = src ? src->GetDataSet() : nullptr;
    if (!master) return;
    bool changed = false;
    for (int i = 0; i < params->Count() && !changed; ++i) {
        TParam* p = params->GetItems(i);
        if (p->Bound) continue;
        TField* f = master->GetActive() ? master->FindField(p->GetName()) : nullptr;
        if (f) changed = !sameValue(p->GetValue(), f->GetAsVariant());
    }
    if (!changed) return;
    DisableControls();
    TScopeGuard enable([this] { EnableControls(); });
    Close();
    Open();
    enable.End();
}

std::vector<TIBParamValue> TIBQuery::paramValues() const {
    std::vector<TIBParamValue> values;
    for (int i = 0; i < params->Count(); ++i) {
        // A name used twice takes the value given to the first of its name.
        TParam* p = params->FindParam(params->GetItems(i)->GetName());
        TIBParamValue v;
        Variant val = p->GetValue();
        if (!VarIsClear(val)) {
            v.IsNull = false;
            TFieldType t = p->GetDataType();
            if (t == ftBlob || t == ftGraphic || t == ftTypedBinary) {
                v.IsBlob = true;
                v.BlobBytes = p->GetAsBlob();
            } else {
                v.Value = val;
            }
        }
        values.push_back(v);
    }
    return values;
}

QString TIBQuery::SelectSQL() {
    return processedSQL;
}

std::vector<TIBParamValue> TIBQuery::SelectParams() {
    return paramValues();
}

void TIBQuery::InternalOpen() {
    setParamsFromMaster();
    TIBCustomDataSet::InternalOpen();
}

void TIBQuery::ExecSQL() {
    CheckDatabase();
    if (processedSQL.trimmed().isEmpty()) IBClientError(QString::fromUtf8(SIBEmptySQL));
    EnsureTransaction();
    setParamsFromMaster();
    TIBSQL stmt(GetDatabase(), GetTransaction());
    stmt.Prepare(processedSQL);
    stmt.BindParams(paramValues());
    stmt.ExecQuery();
    int type = stmt.StatementType();
    if (type == isc_info_sql_stmt_insert || type == isc_info_sql_stmt_update ||
        type == isc_info_sql_stmt_delete)
        rowsAffected = stmt.RowsAffected();
    else
        rowsAffected = -1;
    stmt.Close();
    stmt.FreeHandle();
    // DDL takes effect at commit: commit with retaining so the new object is usable now.
    if (type == isc_info_sql_stmt_ddl) GetTransaction()->CommitRetaining();
}
