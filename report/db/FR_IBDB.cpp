#include "FR_IBDB.h"

#include "FR_DBUtils.h"
#include "Forms.h"
#include "IBDatabase.h"

using namespace Qt::Literals::StringLiterals;

TfrIBDatabase::TfrIBDatabase() {
    BaseName = u"Database"_s;
    Flags |= 0x4000;
    FDatabase = new TIBDatabase(frDialogForm());
    FTransaction = new TIBTransaction(frDialogForm());
    FDatabase->SetDefaultTransaction(FTransaction);
    FTransaction->SetDefaultDatabase(FDatabase);
    SetComponent(FDatabase);
    Watch(FDatabase, reinterpret_cast<TComponent**>(&FDatabase));
    Watch(FTransaction, reinterpret_cast<TComponent**>(&FTransaction));
}

TfrIBDatabase::~TfrIBDatabase() {
    TIBDatabase* db = FDatabase;
    TIBTransaction* tr = FTransaction;
    FDatabase = nullptr;
    FTransaction = nullptr;
    FComponent = nullptr;
    delete db;
    delete tr;
}

void TfrIBDatabase::DefineProperties() {
    TfrNonVisualControl::DefineProperties();
    AddProperty(u"Connected"_s, frdtBoolean);
    AddProperty(u"DatabaseName"_s, frdtOneObject | frdtHasEditor);
    AddProperty(u"LoginPrompt"_s, frdtBoolean);
    AddProperty(u"Params"_s, frdtHasEditor | frdtString);
    AddProperty(u"Params.Count"_s, 0);
    AddProperty(u"SQLDialect"_s, frdtInteger);
}

void TfrIBDatabase::setConnected(bool Value) {
    if (!FDatabase) return;
    if (!Value && FTransaction && FTransaction->GetActive()) FTransaction->Commit();
    FDatabase->SetConnected(Value);
    if (TIBTransaction* t = FDatabase->GetDefaultTransaction(); t && Value) t->SetActive(true);
}

void TfrIBDatabase::SetPropValue(const QString& Index, const Variant& Value) {
    TfrNonVisualControl::SetPropValue(Index, Value);
    if (!FDatabase) return;
    const QString n = AnsiUpperCase(Index);
    if (n == "CONNECTED"_L1)
        setConnected(Value.AsBoolean());
    else if (n == "DATABASENAME"_L1)
        FDatabase->SetDatabaseName(VarToStr(Value));
    else if (n == "LOGINPROMPT"_L1)
        FDatabase->SetLoginPrompt(Value.AsBoolean());
    else if (n == "PARAMS"_L1)
        FDatabase->GetParams()->SetText(VarToStr(Value));
    else if (n == "SQLDIALECT"_L1)
        FDatabase->SetSQLDialect(int(Value.AsInteger()));
}

Variant TfrIBDatabase::GetPropValue(const QString& Index) {
    Variant v = TfrNonVisualControl::GetPropValue(Index);
    if (!v.IsNull() || !FDatabase) return v;
    const QString n = AnsiUpperCase(Index);
    if (n == "CONNECTED"_L1) return Variant(FDatabase->GetConnected());
    if (n == "DATABASENAME"_L1) return Variant(FDatabase->GetDatabaseName());
    if (n == "LOGINPROMPT"_L1) return Variant(FDatabase->GetLoginPrompt());
    if (n == "PARAMS"_L1) return Variant(FDatabase->GetParams()->GetText());
    if (n == "PARAMS.COUNT"_L1) return Variant(FDatabase->GetParams()->Count());
    if (n == "SQLDIALECT"_L1) return Variant(FDatabase->GetSQLDialect());
    return Null();
}

Variant TfrIBDatabase::DoMethod(const QString& MethodName, const Variant& Par1, const Variant& Par2,
                                const Variant& Par3) {
    Variant r = TfrNonVisualControl::DoMethod(MethodName, Par1, Par2, Par3);
    if (r.IsNull() && FDatabase)
        frDoStringListMethod(u"PARAMS"_s, FDatabase->GetParams(), AnsiUpperCase(MethodName), Par1,
                             Par2, Par3, r);
    return r;
}

void TfrIBDatabase::LoadFromStream(TStream* Stream) {
    TfrNonVisualControl::LoadFromStream(Stream);
    const QString name = frReadString(Stream);
    const bool login = frReadBoolean(Stream);
    int dialect = 0;
    const bool hasDialect = RevMajor * 10 + RevMinor > 20;
    if (hasDialect) dialect = frReadInteger(Stream);
    TStringList params;
    frReadMemo(Stream, &params);
    const bool connected = frReadBoolean(Stream);
    if (!FDatabase) return;
    setConnected(false);
    FDatabase->SetDatabaseName(name);
    FDatabase->SetLoginPrompt(login);
    if (hasDialect && dialect >= 1 && dialect <= 3) FDatabase->SetSQLDialect(dialect);
    FDatabase->GetParams()->Assign(&params);
    // A failed connection goes to the template reader, which decides whether loading goes on.
    if (connected) setConnected(true);
}

void TfrIBDatabase::SaveToStream(TStream* Stream) {
    TfrNonVisualControl::SaveToStream(Stream);
    TStringList none;
    frWriteString(Stream, FDatabase ? FDatabase->GetDatabaseName() : QString());
    frWriteBoolean(Stream, FDatabase && FDatabase->GetLoginPrompt());
    frWriteInteger(Stream, FDatabase ? FDatabase->GetSQLDialect() : 3);
    frWriteMemo(Stream, FDatabase ? static_cast<TStrings*>(FDatabase->GetParams()) : &none);
    frWriteBoolean(Stream, FDatabase && FDatabase->GetConnected());
}
