#include "DBUtils.h"

#include "Forms.h"
#include "ScopeGuard.h"

std::function<TLocateObject*()> CreateLocateObject;

void TLocateObject::SetDataSet(TDataSet* Value) {
    ChangeDataSet();
    dataSet = Value;
}

bool TLocateObject::MatchesLookupValue() const {
    QString text = lookupField->GetAsString();
    if (!lookupExact) text = text.left(lookupValue.size());
    return caseSensitive ? AnsiCompareStr(text, lookupValue) == 0
                         : AnsiCompareText(text, lookupValue) == 0;
}

bool TLocateObject::Locate(const QString& FieldName, const QString& Value, bool Exact,
                           bool CaseSensitive) {
    if (!dataSet) return false;
    dataSet->CheckBrowseMode();
    lookupField = dataSet->FieldByName(FieldName);
    dataSet->CursorPosChanged();
    lookupValue = Value;
    lookupExact = Exact;
    caseSensitive = CaseSensitive;
    const TFieldType t = lookupField->GetDataType();
    if (t != ftString && t != ftWideString && t != ftFixedChar) {
        caseSensitive = true;
        CheckFieldType(lookupField);
    }
    bookmark = dataSet->GetBookmark();
    dataSet->DisableControls();
    TScopeGuard finish([this] {
        dataSet->EnableControls();
        lookupValue.clear();
        lookupField = nullptr;
        bookmark.clear();
    });
    bool found = !dataSet->IsEmpty() && MatchesLookupValue();
    if (!found) {
        if (CanUseKey())
            found = LocateByKey();
        else if (CanUseDataSetLocate())
            found = LocateByDataSet();
        else
            found = LocateByScan();
        if (!found && !bookmark.isEmpty()) dataSet->GotoBookmark(bookmark);
    }
    finish.End();
    return found;
}

bool TLocateObject::CanUseDataSetLocate() {
    const TFieldKind kind = lookupField->GetFieldKind();
    if (kind != fkData && kind != fkInternalCalc) return false;
    // the dataset matches prefixes of texts only; a number's text prefix needs the scan
    const TFieldType t = lookupField->GetDataType();
    return lookupExact || t == ftString || t == ftWideString || t == ftFixedChar;
}

bool TLocateObject::LocateByDataSet() {
    TLocateOptions options;
    if (!caseSensitive) options.Include(loCaseInsensitive);
    if (!lookupExact) options.Include(loPartialKey);
    const TCursor old = Screen->GetCursor();
    Screen->SetCursor(crHourGlass);
    TScopeGuard restore([old] { Screen->SetCursor(old); });
    const bool found =
        dataSet->Locate(lookupField->GetFieldName(),
                        lookupValue.isEmpty() ? Unassigned() : Variant(lookupValue), options);
    restore.End();
    return found;
}

bool TLocateObject::LocateByScan() {
    dataSet->First();
    while (!dataSet->Eof()) {
        if (MatchesLookupValue()) return true;
        dataSet->Next();
    }
    return false;
}

std::unique_ptr<TLocateObject> CreateLocate(TDataSet* DataSet) {
    std::unique_ptr<TLocateObject> obj(CreateLocateObject ? CreateLocateObject()
                                                          : new TLocateObject());
    if (obj && DataSet) obj->SetDataSet(DataSet);
    return obj;
}

bool SetToBookmark(TDataSet* DataSet, const TBookmark& Bookmark) {
    if (!DataSet || !DataSet->GetActive() || Bookmark.isEmpty()) return false;
    if (DataSet->Bof() && DataSet->Eof()) return false;
    if (!DataSet->BookmarkValid(Bookmark)) DatabaseError(QString::fromUtf8(SBookmarkNotFound));
    DataSet->GotoBookmark(Bookmark);
    return true;
}

void DBError(const QString& Message) {
    throw EDatabaseError(Message);
}
