// The query dataset: SQL lines with named parameters.
//
// ":NAME" parameters of the SQL text (text between quotes skipped) become positional ones;
// Params holds them by name in order of appearance. With a master DataSource, the master's
// fields fill the parameters of the same names that were not given a value of their own,
// and the query opens again whenever the master moves to another record.
// ExecSQL runs a statement without a cursor; a DDL statement is followed by a commit with
// retaining so the new object can be used at once in the same transaction.
#pragma once

#include "IBCustomDataSet.h"

class TIBQueryDataLink;

class TIBQuery : public TIBCustomDataSet {
    KADRION_CLASS(TIBQuery)
    explicit TIBQuery(TComponent* AOwner);
    ~TIBQuery() override;

    // Changing the lines closes the query and makes the parameters anew (values of
    // same-named parameters are kept).
    TStrings* GetSQL() const { return sql.get(); }
    void SetSQL(TStrings* Value) { sql->Assign(Value); }
    TParams* GetParams() const { return params.get(); }
    TParam* ParamByName(const QString& Name) const { return params->ParamByName(Name); }
    int GetParamCount() const { return params->Count(); }

    TDataSource* GetDataSource() const override;
    void SetDataSource(TDataSource* Value);

    void Prepare();
    void UnPrepare();
    bool GetPrepared() const { return prepared; }
    void SetPrepared(bool Value) { Value ? Prepare() : UnPrepare(); }
    void ExecSQL();
    // Rows changed by the last ExecSQL (-1 before any).
    int RowsAffected() const { return rowsAffected; }
    // The SQL text as sent, parameters as '?'.
    QString GetProcessedSQL() const { return processedSQL; }

protected:
    QString SelectSQL() override;
    std::vector<TIBParamValue> SelectParams() override;
    void InternalOpen() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    friend class TIBQueryDataLink;
    void sqlChanged(TObject* Sender);
    // Copies the master's field values into same-named unbound parameters; with Reopen, an
    // open query opens again when a value changed.
    void refreshParams();
    void setParamsFromMaster();
    std::vector<TIBParamValue> paramValues() const;

    std::unique_ptr<TStringList> sql;
    std::unique_ptr<TParams> params;
    std::unique_ptr<TIBQueryDataLink> dataLink;
    QString processedSQL;
    bool prepared = false;
    int rowsAffected = -1;
};
