// Table and query objects of a template: non-visual objects of a dialog page that own an
// SQL-server dataset, a data source over it (named "S" + the object's name) and a report
// dataset over that (named "_" + the object's name), so that bands print from them.
#pragma once

#include "DB.h"
#include "FR_Class.h"

class TIBCustomDataSet;
class TIBDatabase;
class TIBTable;
class TDataSource;
class TfrDBDataSet;

class TfrIBDataset : public TfrNonVisualControl {
    KADRION_CLASS(TfrIBDataset)
    TfrIBDataset();
    ~TfrIBDataset() override;
    void SetPropValue(const QString& Index, const Variant& Value) override;
    Variant GetPropValue(const QString& Index) override;
    Variant DoMethod(const QString& MethodName, const Variant& Par1, const Variant& Par2,
                     const Variant& Par3) override;
    void DefineProperties() override;
    // Names parked while loading are resolved here: the database, lookup datasets, and the
    // stored open state (errors are swallowed: the dataset then stays closed).
    void AfterLoad() override;

    TIBCustomDataSet* GetDataSet() const { return FDataSet; }
    TDataSource* GetDataSource() const { return FDataSource; }
    TfrDBDataSet* GetReportDataSet() const { return FDBDataSet; }
    // The database by name: a database object of the template, or a database component of the
    // application ("DataModule.Database", or a plain name found on a form or data module).
    // A name that finds none leaves the dataset without a database.
    void SetDatabaseName(const QString& Name);
    QString GetDatabaseName() const;

protected:
    // Takes the dataset a descendant made (owned by the object from then on).
    void SetDataSetObject(TIBCustomDataSet* DataSet);
    // The fields block shared by tables and queries.
    void SaveFields(TStream* Stream);
    void LoadFields(TStream* Stream);
    // Tries to open or close the dataset by the parked "Active" value; errors are swallowed.
    void restoreActive();

    TIBCustomDataSet* FDataSet = nullptr;
    TDataSource* FDataSource = nullptr;
    TfrDBDataSet* FDBDataSet = nullptr;
};

class TfrIBTable : public TfrIBDataset {
    KADRION_CLASS(TfrIBTable)
    TfrIBTable();
    void SetPropValue(const QString& Index, const Variant& Value) override;
    Variant GetPropValue(const QString& Index) override;
    void DefineProperties() override;
    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;
    void AfterLoad() override;
    TIBTable* GetTable() const;
};

// The field types as templates number them (ftUnknown 0 .. ftGuid 35); a number above 35
// reads as ftUnknown.
TFieldType frFieldTypeFromStream(int Ordinal);
