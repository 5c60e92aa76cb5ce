// Update statements of a dataset.
#include "IBUpdateSQL.h"

TIBUpdateSQL::TIBUpdateSQL(TComponent* AOwner)
    : TIBDataSetUpdateObject(AOwner), modifySQL(new TStringList), insertSQL(new TStringList),
      deleteSQL(new TStringList) {}

TIBUpdateSQL::~TIBUpdateSQL() = default;

TStrings* TIBUpdateSQL::GetSQL(TUpdateKind UpdateKind) const {
    switch (UpdateKind) {
    case ukModify:
        return modifySQL.get();
    case ukInsert:
        return insertSQL.get();
    case ukDelete:
        return deleteSQL.get();
    }
    return modifySQL.get();
}

QString TIBUpdateSQL::GetSQLText(TUpdateKind UpdateKind) const {
    return GetSQL(UpdateKind)->GetText();
}
