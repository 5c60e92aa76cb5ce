// The table dataset.
#include "IBTable.h"

#include "IBDatabase.h"
#include "ScopeGuard.h"

#include <QRegularExpression>

namespace {

// A column name as the server stores it, as SQL text: plain upper-case identifiers bare,
// anything else in double quotes.
QString quoteName(const QString& Name) {
    static const QRegularExpression plain(QStringLiteral("^[A-Z][A-Z0-9_$]*$"));
    if (plain.match(Name).hasMatch()) return Name;
    QString n = Name;
    n.replace(u'"', QStringLiteral("\"\""));
    return u'"' + n + u'"';
}

// A table name as the program gives it: a plain identifier in any case stays bare (the
// server takes it as upper case), anything else is quoted.
QString tableSql(const QString& Name) {
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z][A-Za-z0-9_$]*$"));
    const QString n = Name.trimmed();
    return plain.match(n).hasMatch() ? n : quoteName(n);
}

QStringList splitNames(const QString& Names) {
    QStringList r;
    for (const QString& s : Names.split(u';', Qt::SkipEmptyParts))
        if (!s.trimmed().isEmpty()) r << s.trimmed();
    return r;
}

} // namespace

TIBTable::TIBTable(TComponent* AOwner)
    : TIBCustomDataSet(AOwner), masterLink(std::make_unique<TMasterDataLink>(this)) {
    masterLink->OnMasterChange = [this](TObject*) { masterChanged(); };
    masterLink->OnMasterDisable = [this](TObject*) { masterChanged(); };
}

TIBTable::~TIBTable() {
    Destroying();
    try {
        Close();
    } catch (...) {
    }
    masterLink->SetDataSource(nullptr);
}

void TIBTable::SetTableName(const QString& Value) {
    if (tableName == Value) return;
    CheckInactive();
    tableName = Value;
    keyFields.clear();
    GetFieldDefs()->SetUpdated(false);
}

void TIBTable::SetIndexName(const QString& Value) {
    indexName = Value;
}

void TIBTable::SetIndexFieldNames(const QString& Value) {
    if (indexFieldNames == Value) return;
    indexFieldNames = Value;
    if (GetActive()) {
        Close();
        Open();
    }
}

bool TIBTable::GetExists() {
    return GetDatabase() && GetDatabase()->GetConnected() && GetDatabase()->TableExists(tableName);
}

TDataSource* TIBTable::GetMasterSource() const {
    return masterLink->GetDataSource();
}

void TIBTable::SetMasterSource(TDataSource* Value) {
    if (Value && IsLinkedTo(Value)) DatabaseError(QString::fromUtf8(SCircularDataLink), this);
    if (TDataSource* old = masterLink->GetDataSource()) RemoveFreeNotification(old);
    masterLink->SetDataSource(Value);
    if (Value) FreeNotification(Value);
}

QString TIBTable::GetMasterFields() const {
    return masterLink->GetFieldNames();
}

void TIBTable::SetMasterFields(const QString& Value) {
    masterLink->SetFieldNames(Value);
}

void TIBTable::Notification(TComponent* AComponent, TOperation Operation) {
    TIBCustomDataSet::Notification(AComponent, Operation);
    if (Operation == opRemove && masterLink && AComponent == masterLink->GetDataSource())
        masterLink->SetDataSource(nullptr);
}

QStringList TIBTable::detailFieldNames() const {
    QStringList master = splitNames(GetMasterFields());
    QStringList index = splitNames(indexFieldNames);
    return index.size() >= master.size() && !index.isEmpty() ? index.mid(0, master.size()) : master;
}

void TIBTable::masterChanged() {
    if (!GetActive()) return;
    DisableControls();
    TScopeGuard enable([this] { EnableControls(); });
    Close();
    Open();
    enable.End();
}

QString TIBTable::SelectSQL() {
    if (tableName.trimmed().isEmpty())
        IBClientError(QString::fromUtf8(SIBNoPrimaryKey).replace(QStringLiteral("%s"), tableName));
    QString sql = QStringLiteral("select * from ") + tableSql(tableName);
    if (GetMasterSource() && !GetMasterFields().isEmpty()) {
        QStringList cond;
        for (const QString& d : detailFieldNames())
            cond << quoteName(d) + QStringLiteral(" = ?");
        if (!cond.isEmpty()) sql += QStringLiteral(" where ") + cond.join(QStringLiteral(" and "));
    }
    QStringList order = splitNames(indexFieldNames);
    if (!order.isEmpty()) {
        for (QString& o : order)
            o = quoteName(o);
        sql += QStringLiteral(" order by ") + order.join(QStringLiteral(", "));
    }
    return sql;
}

std::vector<TIBParamValue> TIBTable::SelectParams() {
    std::vector<TIBParamValue> values;
    if (!GetMasterSource() || GetMasterFields().isEmpty()) return values;
    TDataSet* master = GetMasterSource()->GetDataSet();
    for (const QString& m : splitNames(GetMasterFields())) {
        TIBParamValue v;
        TField* f = master && master->GetActive() ? master->FindField(m) : nullptr;
        if (f && !f->IsNull()) {
            v.IsNull = false;
            v.Value = f->GetAsVariant();
        }
        values.push_back(v);
    }
    return values;
}

void TIBTable::InternalOpen() {
    EnsureTransaction();
    keyFields.clear();
    {
        TIBSQL q(GetDatabase(), GetTransaction());
        q.Prepare(QStringLiteral(
            "select s.rdb$field_name from rdb$relation_constraints c "
            "join rdb$index_segments s on s.rdb$index_name = c.rdb$index_name "
            "where c.rdb$relation_name = ? and c.rdb$constraint_type = 'PRIMARY KEY' "
            "order by s.rdb$field_position"));
        TIBParamValue name;
        name.IsNull = false;
        static const QRegularExpression plain(QStringLiteral("^[A-Za-z][A-Za-z0-9_$]*$"));
        QString t = tableName.trimmed();
        name.Value = Variant(plain.match(t).hasMatch() ? t.toUpper() : t);
        q.BindParams({name});
        q.ExecQuery();
        while (q.Next())
            keyFields << q.AsString(0).trimmed();
    }
    TIBCustomDataSet::InternalOpen();
}

void TIBTable::GetIndexNames(TStrings* List) {
    List->Clear();
    EnsureTransaction();
    TIBSQL q(GetDatabase(), GetTransaction());
    q.Prepare(QStringLiteral("select rdb$index_name from rdb$indices where rdb$relation_name = ? "
                             "order by rdb$index_name"));
    TIBParamValue name;
    name.IsNull = false;
    name.Value = Variant(tableName.trimmed().toUpper());
    q.BindParams({name});
    q.ExecQuery();
    while (q.Next())
        List->Add(q.AsString(0).trimmed());
}

QString TIBTable::InternalUpdateSQL(TUpdateKind UpdateKind) {
    TFieldDefs* defs = GetFieldDefs();
    QStringList cols;
    for (int i = 0; i < defs->Count(); ++i)
        cols << defs->GetItems(i)->GetName();
    auto param = [](const QString& c) {
        static const QRegularExpression plain(QStringLiteral("^[A-Za-z][A-Za-z0-9_$]*$"));
        return plain.match(c).hasMatch() ? u':' + c : QStringLiteral(":\"") + c + u'"';
    };
    auto where = [&]() {
        QStringList keys = keyFields;
        if (keys.isEmpty())
            for (int i = 0; i < defs->Count(); ++i)
                if (!IsBlobType(defs->GetItems(i)->GetDataType()))
                    keys << defs->GetItems(i)->GetName();
        QStringList cond;
        for (const QString& k : keys) {
            // A null old value matches with IS NULL (a parameter would never equal it).
            int no = defs->IndexOf(k) + 1;
            bool oldNull = no > 0 && ApplyingOldIsNull(no);
            cond << (oldNull ? quoteName(k) + QStringLiteral(" IS NULL")
                             : quoteName(k) + QStringLiteral(" = ") +
                                   param(QStringLiteral("OLD_") + k));
        }
        return QStringLiteral(" where ") + cond.join(QStringLiteral(" and "));
    };
    const QString table = tableSql(tableName);
    switch (UpdateKind) {
    case ukInsert: {
        QStringList names, values;
        for (const QString& c : cols) {
            names << quoteName(c);
            values << param(c);
        }
        return QStringLiteral("insert into ") + table + QStringLiteral(" (") +
               names.join(QStringLiteral(", ")) + QStringLiteral(") values (") +
               values.join(QStringLiteral(", ")) + u')';
    }
    case ukModify: {
        QStringList sets;
        for (const QString& c : cols)
            sets << quoteName(c) + QStringLiteral(" = ") + param(c);
        return QStringLiteral("update ") + table + QStringLiteral(" set ") +
               sets.join(QStringLiteral(", ")) + where();
    }
    case ukDelete:
        return QStringLiteral("delete from ") + table + where();
    }
    return QString();
}
