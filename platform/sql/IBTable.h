// The table dataset: every row of one table in the table's own order (or ordered by
// IndexFieldNames), edited live: each post and delete runs an insert, update or delete
// statement keyed on the table's primary key (read from the system tables; a table without
// one is keyed on all its non-blob columns).
//
// With MasterSource and MasterFields ("A;B"), only the rows whose detail fields equal the
// master's fields are read; the detail fields are those of IndexFieldNames when it names as
// many, else the master field names. The table reads again when the master moves.
#pragma once

#include "IBCustomDataSet.h"

class TIBTable : public TIBCustomDataSet {
    KADRION_CLASS(TIBTable)
    explicit TIBTable(TComponent* AOwner);
    ~TIBTable() override;

    QString GetTableName() const { return tableName; }
    // Only while closed.
    void SetTableName(const QString& Value);
    QString GetIndexName() const { return indexName; }
    void SetIndexName(const QString& Value);
    // "A;B": the order of the rows.
    QString GetIndexFieldNames() const { return indexFieldNames; }
    void SetIndexFieldNames(const QString& Value);
    bool GetReadOnly() const { return readOnly; }
    void SetReadOnly(bool Value) { readOnly = Value; }
    // True when the table exists in the database.
    bool GetExists();
    // The primary key columns (read when the table opens).
    QStringList GetKeyFields() const { return keyFields; }
    // Index names of the table from the system tables.
    void GetIndexNames(TStrings* List);

    TDataSource* GetMasterSource() const;
    void SetMasterSource(TDataSource* Value);
    QString GetMasterFields() const;
    void SetMasterFields(const QString& Value);
    TDataSource* GetDataSource() const override { return GetMasterSource(); }

    bool CanModify() const override { return !readOnly; }

protected:
    QString SelectSQL() override;
    std::vector<TIBParamValue> SelectParams() override;
    QString InternalUpdateSQL(TUpdateKind UpdateKind) override;
    void InternalOpen() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    QStringList detailFieldNames() const;
    void masterChanged();
    QString tableName;
    QString indexName;
    QString indexFieldNames;
    bool readOnly = false;
    QStringList keyFields;
    std::unique_ptr<TMasterDataLink> masterLink;
};
