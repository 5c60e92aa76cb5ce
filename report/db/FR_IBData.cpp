#include "FR_IBData.h"

#include "FR_DBSet.h"
#include "FR_DBUtils.h"
#include "Forms.h"
#include "IBDatabase.h"
#include "IBTable.h"

using namespace Qt::Literals::StringLiterals;

TFieldType frFieldTypeFromStream(int Ordinal) {
    return Ordinal >= 0 && Ordinal <= int(ftGuid) ? TFieldType(Ordinal) : ftUnknown;
}

namespace {

// Whether a script's index property names FIELDS (quoted or not).
bool isFields(const Variant& Name) {
    QString s = VarToStr(Name).trimmed();
    if (s.size() >= 2 && (s.startsWith(u'\'') || s.startsWith(u'"')) && s.endsWith(s[0]))
        s = s.mid(1, s.size() - 2);
    return AnsiUpperCase(s) == "FIELDS"_L1;
}

} // namespace

// ---- TfrIBDataset -----------------------------------------------------------------------

TfrIBDataset::TfrIBDataset() {
    Flags |= 0x4000;
    FDataSource = new TDataSource(frDialogForm());
    FDBDataSet = new TfrDBDataSet(frDialogForm());
    FDBDataSet->SetDataSource(FDataSource);
    Watch(FDataSource, reinterpret_cast<TComponent**>(&FDataSource));
    Watch(FDBDataSet, reinterpret_cast<TComponent**>(&FDBDataSet));
}

TfrIBDataset::~TfrIBDataset() {
    TComponent* parts[] = {FDBDataSet, FDataSource, FDataSet};
    FDBDataSet = nullptr;
    FDataSource = nullptr;
    FDataSet = nullptr;
    FComponent = nullptr;
    for (TComponent* c : parts)
        delete c;
}

void TfrIBDataset::SetDataSetObject(TIBCustomDataSet* DataSet) {
    FDataSet = DataSet;
    Watch(FDataSet, reinterpret_cast<TComponent**>(&FDataSet));
    SetComponent(DataSet);
    if (FDataSource) FDataSource->SetDataSet(DataSet);
}

void TfrIBDataset::DefineProperties() {
    TfrNonVisualControl::DefineProperties();
    TStringList names;
    frGetComponents<TIBDatabase>(frDialogForm(), &names);
    AddProperty(u"Active"_s, frdtBoolean);
    AddProperty(u"Database"_s, frdtEnum, {frEnumText(&names)});
    AddProperty(u"Fields"_s, frdtHasEditor | frdtString);
    AddProperty(u"FieldCount"_s, 0);
    AddProperty(u"Filter"_s, frdtOneObject);
    AddProperty(u"EOF"_s, 0);
    AddProperty(u"RecordCount"_s, 0);
    AddProperty(u"IsEmpty"_s, 0);
}

void TfrIBDataset::SetDatabaseName(const QString& Name) {
    if (!FDataSet) return;
    auto* db = dynamic_cast<TIBDatabase*>(frFindAnyComponent(frDialogForm(), Name));
    if (db == FDataSet->GetDatabase()) return;
    FDataSet->Close();
    FDataSet->SetTransaction(nullptr);
    FDataSet->SetDatabase(db);
    if (db) FDataSet->SetTransaction(db->GetDefaultTransaction());
}

QString TfrIBDataset::GetDatabaseName() const {
    return FDataSet ? frGetComponentName(frDialogForm(), FDataSet->GetDatabase()) : QString();
}

void TfrIBDataset::SetPropValue(const QString& Index, const Variant& Value) {
    TfrNonVisualControl::SetPropValue(Index, Value);
    const QString n = AnsiUpperCase(Index);
    if (n == "NAME"_L1) {
        // The data source and the report dataset follow the object's name.
        auto rename = [](TComponent* c, const QString& s) {
            if (!c) return;
            try {
                c->SetName(s);
            } catch (const Exception&) {
            }
        };
        rename(FDataSource, u'S' + Name);
        rename(FDBDataSet, u'_' + Name);
        return;
    }
    if (!FDataSet) return;
    if (n == "ACTIVE"_L1) {
        FDataSet->SetActive(Value.AsBoolean());
    } else if (n == "DATABASE"_L1) {
        SetDatabaseName(VarToStr(Value));
    } else if (n == "FILTER"_L1) {
        const QString f = VarToStr(Value);
        FDataSet->SetFilter(f);
        FDataSet->SetFiltered(!f.trimmed().isEmpty());
    }
}

Variant TfrIBDataset::GetPropValue(const QString& Index) {
    Variant v = TfrNonVisualControl::GetPropValue(Index);
    if (!v.IsNull() || !FDataSet) return v;
    const QString n = AnsiUpperCase(Index);
    if (n == "ACTIVE"_L1) return Variant(FDataSet->GetActive());
    if (n == "DATABASE"_L1) return Variant(GetDatabaseName());
    if (n == "FIELDCOUNT"_L1) return Variant(FDataSet->GetFieldCount());
    if (n == "FILTER"_L1) return Variant(FDataSet->GetFilter());
    if (n == "EOF"_L1) return Variant(FDataSet->GetEof());
    if (n == "RECORDCOUNT"_L1) return Variant(FDataSet->RecordCount());
    if (n == "ISEMPTY"_L1) return Variant(FDataSet->IsEmpty());
    return Null();
}

Variant TfrIBDataset::DoMethod(const QString& MethodName, const Variant& Par1, const Variant& Par2,
                               const Variant& Par3) {
    Variant r = TfrNonVisualControl::DoMethod(MethodName, Par1, Par2, Par3);
    if (!r.IsNull() || !FDataSet) return r;
    const QString m = AnsiUpperCase(MethodName);
    if (m == "OPEN"_L1)
        FDataSet->Open();
    else if (m == "CLOSE"_L1)
        FDataSet->Close();
    else if (m == "NEXT"_L1)
        FDataSet->Next();
    else if (m == "PRIOR"_L1)
        FDataSet->Prior();
    else if (m == "FIRST"_L1)
        FDataSet->First();
    else if (m == "LAST"_L1)
        FDataSet->Last();
    else if (m == "FETCHALL"_L1)
        FDataSet->FetchAll();
    else if (m == "GETINDEXPROPERTY"_L1 && isFields(Par1))
        frGetFieldValue(FDataSet->FieldByName(VarToStr(frGlobals().frParser.Calc(VarToStr(Par2)))),
                        r);
    return r;
}

void TfrIBDataset::SaveFields(TStream* Stream) {
    if (!FDataSet) {
        frWriteWord(Stream, 0);
        return;
    }
    const bool wasActive = FDataSet->GetActive();
    FDataSet->Close();
    TFields* fields = FDataSet->GetFields();
    frWriteWord(Stream, uint16_t(fields->Count()));
    for (int i = 0; i < fields->Count(); ++i) {
        TField* f = fields->GetField(i);
        const bool lookup = f->GetFieldKind() == fkLookup;
        frWriteByte(Stream, uint8_t(f->GetDataType()));
        frWriteString(Stream, f->GetFieldName());
        frWriteBoolean(Stream, lookup);
        frWriteWord(Stream, uint16_t(f->GetSize()));
        if (lookup) {
            frWriteString(Stream, f->GetKeyFields());
            frWriteString(Stream, frGetComponentName(FDataSet->GetOwner(), f->GetLookupDataSet()));
            frWriteString(Stream, f->GetLookupKeyFields());
            frWriteString(Stream, f->GetLookupResultField());
        }
    }
    if (wasActive) FDataSet->Open();
}

void TfrIBDataset::LoadFields(TStream* Stream) {
    const int count = frReadWord(Stream);
    for (int i = 0; i < count && !frGlobals().ReadPastEnd; ++i) {
        const TFieldType type = frFieldTypeFromStream(frReadByte(Stream));
        const QString name = frReadString(Stream);
        const bool lookup = frReadBoolean(Stream);
        const int size = frReadWord(Stream);
        QString keyFields, lookupName, lookupKeys, resultField;
        if (lookup) {
            keyFields = frReadString(Stream);
            lookupName = frReadString(Stream);
            lookupKeys = frReadString(Stream);
            resultField = frReadString(Stream);
        }
        // A type this system does not know, or a field it cannot make, is skipped.
        if (!FDataSet || type == ftUnknown || name.isEmpty()) continue;
        TFieldDefs* defs = FDataSet->GetFieldDefs();
        TFieldDef* def = nullptr;
        try {
            def = defs->Add(name, type, size, false);
            TField* f = def->CreateField(FDataSet->GetOwner());
            if (lookup) {
                f->SetFieldKind(fkLookup);
                f->SetKeyFields(keyFields);
                f->SetLookupDataSet(
                    dynamic_cast<TDataSet*>(frFindAnyComponent(FDataSet->GetOwner(), lookupName)));
                Params.SetVariable(u'.' + name, Variant(lookupName));
                f->SetLookupKeyFields(lookupKeys);
                f->SetLookupResultField(resultField);
            }
        } catch (const Exception&) {
            if (def) delete def;
        }
    }
}

void TfrIBDataset::restoreActive() {
    if (!FDataSet) return;
    try {
        FDataSet->SetActive(Params.GetVariable(u"Active"_s).AsBoolean());
    } catch (const std::exception&) {
        // The template keeps loading; the dataset stays closed.
    }
}

void TfrIBDataset::AfterLoad() {
    if (!FDataSet) return;
    try {
        SetDatabaseName(VarToStr(Params.GetVariable(u"DataBase"_s)));
        for (int i = 0; i < Params.Count(); ++i) {
            const QString key = Params.GetName(i);
            if (!key.startsWith(u'.')) continue;
            if (TField* f = FDataSet->FindField(key.mid(1)))
                f->SetLookupDataSet(dynamic_cast<TDataSet*>(
                    frFindAnyComponent(FDataSet->GetOwner(), VarToStr(Params.GetValue(i)))));
        }
        FDataSet->SetActive(Params.GetVariable(u"Active"_s).AsBoolean());
    } catch (const std::exception&) {
    }
}

// ---- TfrIBTable -------------------------------------------------------------------------

TfrIBTable::TfrIBTable() {
    BaseName = u"Table"_s;
    SetDataSetObject(new TIBTable(frDialogForm()));
}

TIBTable* TfrIBTable::GetTable() const {
    return static_cast<TIBTable*>(FDataSet);
}

void TfrIBTable::DefineProperties() {
    TfrIBDataset::DefineProperties();
    TStringList indexes, tables, datasets;
    if (TIBTable* t = GetTable(); t && !t->GetTableName().isEmpty()) {
        try {
            TStringList all;
            t->GetIndexNames(&all);
            for (int i = 0; i < all.Count(); ++i)
                if (!all.Get(i).isEmpty()) indexes.Add(all.Get(i));
        } catch (const std::exception&) {
        }
    }
    if (TIBTable* t = GetTable(); t && t->GetDatabase() && t->GetDatabase()->GetConnected()) {
        try {
            t->GetDatabase()->GetTableNames(&tables, false);
        } catch (const std::exception&) {
        }
    }
    frGetComponents<TDataSet>(frDialogForm(), &datasets, FDataSet);
    AddProperty(u"IndexName"_s, frdtEnum, {frEnumText(&indexes)});
    AddProperty(u"IndexFieldNames"_s, frdtEnum,
                {GetTable() && !GetTable()->GetTableName().isEmpty()
                     ? GetTable()->GetIndexFieldNames() + u';'
                     : QString()});
    AddProperty(u"MasterFields"_s, frdtHasEditor | frdtString);
    AddProperty(u"MasterSource"_s, frdtEnum, {frEnumText(&datasets)});
    AddProperty(u"TableName"_s, frdtEnum, {frEnumText(&tables)});
}

void TfrIBTable::SetPropValue(const QString& Index, const Variant& Value) {
    TfrIBDataset::SetPropValue(Index, Value);
    TIBTable* t = GetTable();
    if (!t) return;
    const QString n = AnsiUpperCase(Index);
    if (n == "INDEXNAME"_L1) {
        t->SetIndexName(VarToStr(Value));
    } else if (n == "INDEXFIELDNAMES"_L1) {
        t->SetIndexFieldNames(VarToStr(Value));
    } else if (n == "MASTERFIELDS"_L1) {
        t->SetMasterFields(VarToStr(Value));
    } else if (n == "TABLENAME"_L1) {
        t->SetTableName(VarToStr(Value));
    } else if (n == "MASTERSOURCE"_L1) {
        auto* ds = dynamic_cast<TDataSet*>(frFindAnyComponent(frDialogForm(), VarToStr(Value)));
        t->SetMasterSource(ds ? frGetDataSource(frDialogForm(), ds) : nullptr);
    }
}

Variant TfrIBTable::GetPropValue(const QString& Index) {
    Variant v = TfrIBDataset::GetPropValue(Index);
    TIBTable* t = GetTable();
    if (!v.IsNull() || !t) return v;
    const QString n = AnsiUpperCase(Index);
    if (n == "INDEXNAME"_L1) return Variant(t->GetIndexName());
    if (n == "INDEXFIELDNAMES"_L1) return Variant(t->GetIndexFieldNames());
    if (n == "MASTERFIELDS"_L1) return Variant(t->GetMasterFields());
    if (n == "TABLENAME"_L1) return Variant(t->GetTableName());
    if (n == "MASTERSOURCE"_L1)
        return Variant(frGetDataSetName(frDialogForm(), t->GetMasterSource()));
    return Null();
}

void TfrIBTable::LoadFromStream(TStream* Stream) {
    TfrIBDataset::LoadFromStream(Stream);
    const QString database = frReadString(Stream);
    const QString table = frReadString(Stream);
    const QString filter = frReadString(Stream);
    const QString indexName = frReadString(Stream);
    const QString indexFields = frReadString(Stream);
    const QString masterFields = frReadString(Stream);
    const QString master = frReadString(Stream);
    const bool active = frReadBoolean(Stream);
    Params.SetVariable(u"DataBase"_s, Variant(database));
    Params.SetVariable(u"MasterSource"_s, Variant(master));
    Params.SetVariable(u"Active"_s, Variant(active));
    if (TIBTable* t = GetTable()) {
        t->Close();
        SetPropValue(u"DataBase"_s, Variant(database));
        t->SetTableName(table);
        SetPropValue(u"Filter"_s, Variant(filter));
        t->SetIndexName(indexName);
        t->SetIndexFieldNames(indexFields);
        t->SetMasterFields(masterFields);
        SetPropValue(u"MasterSource"_s, Variant(master));
    }
    LoadFields(Stream);
    restoreActive();
}

void TfrIBTable::SaveToStream(TStream* Stream) {
    TfrIBDataset::SaveToStream(Stream);
    TIBTable* t = GetTable();
    frWriteString(Stream, VarToStr(GetPropValue(u"DataBase"_s)));
    frWriteString(Stream, t ? t->GetTableName() : QString());
    frWriteString(Stream, t ? t->GetFilter() : QString());
    frWriteString(Stream, t ? t->GetIndexName() : QString());
    frWriteString(Stream, t ? t->GetIndexFieldNames() : QString());
    frWriteString(Stream, t ? t->GetMasterFields() : QString());
    frWriteString(Stream, VarToStr(GetPropValue(u"MasterSource"_s)));
    frWriteBoolean(Stream, t && t->GetActive());
    SaveFields(Stream);
}

void TfrIBTable::AfterLoad() {
    SetPropValue(u"MasterSource"_s, Params.GetVariable(u"MasterSource"_s));
    TfrIBDataset::AfterLoad();
}
