// Update statements of a dataset: RefreshSQL, ModifySQL, InsertSQL, DeleteSQL. In them
// ":COL" is the record's new value of column COL and ":OLD_COL" the value read from the
// server. A modify or delete that changes no row raises (the row was changed or deleted by
// someone else).
#pragma once

#include "IBCustomDataSet.h"

class TIBUpdateSQL : public TIBDataSetUpdateObject {
    KADRION_CLASS(TIBUpdateSQL)
    explicit TIBUpdateSQL(TComponent* AOwner);
    ~TIBUpdateSQL() override;

    TStrings* GetModifySQL() const { return modifySQL.get(); }
    TStrings* GetInsertSQL() const { return insertSQL.get(); }
    TStrings* GetDeleteSQL() const { return deleteSQL.get(); }
    void SetModifySQL(TStrings* Value) { modifySQL->Assign(Value); }
    void SetInsertSQL(TStrings* Value) { insertSQL->Assign(Value); }
    void SetDeleteSQL(TStrings* Value) { deleteSQL->Assign(Value); }
    TStrings* GetSQL(TUpdateKind UpdateKind) const;
    QString GetSQLText(TUpdateKind UpdateKind) const override;

private:
    std::unique_ptr<TStringList> modifySQL;
    std::unique_ptr<TStringList> insertSQL;
    std::unique_ptr<TStringList> deleteSQL;
};
