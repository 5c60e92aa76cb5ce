#include "FR_DBSet.h"

#include "FR_Class.h"
#include "Forms.h"

using namespace Qt::Literals::StringLiterals;

TfrDBDataSet::~TfrDBDataSet() {
    SetDataSet(nullptr);
}

void TfrDBDataSet::Notification(TComponent* AComponent, TOperation Operation) {
    if (Operation == opRemove) {
        if (AComponent == FDataSet) FDataSet = nullptr;
        if (AComponent == FDataSource) FDataSource = nullptr;
    }
    TfrDataset::Notification(AComponent, Operation);
}

void TfrDBDataSet::SetDataSet(TDataSet* Value) {
    if (FDataSet && FDataSet != Value) RemoveFreeNotification(FDataSet);
    FDataSet = Value;
    if (FDataSet) FreeNotification(FDataSet);
    if (FDataSource) {
        RemoveFreeNotification(FDataSource);
        FDataSource = nullptr;
    }
}

void TfrDBDataSet::SetDataSource(TDataSource* Value) {
    if (FDataSource && FDataSource != Value) RemoveFreeNotification(FDataSource);
    FDataSource = Value;
    if (FDataSource) {
        FreeNotification(FDataSource);
        if (FDataSet) {
            RemoveFreeNotification(FDataSet);
            FDataSet = nullptr;
        }
    }
}

TDataSet* TfrDBDataSet::GetDataSet() {
    if (FDataSource && FDataSource->GetDataSet()) return FDataSource->GetDataSet();
    if (FDataSet) return FDataSet;
    throw EDSError(u"Unable to open dataset "_s + GetName());
}

void TfrDBDataSet::Init() {
    TDataSet* ds = GetDataSet();
    if (OpenDataSource) ds->Open();
    if (OnOpen) OnOpen(this);
    if (RangeBegin == rbCurrent || RangeEnd == reCurrent) {
        FBookmark = ds->GetBookmark();
        FBookmarkSaved = true;
    }
    FEof = false;
}

void TfrDBDataSet::Exit() {
    TDataSet* ds = GetDataSet();
    if (FBookmarkSaved) {
        if (!FBookmark.isEmpty() && ds->BookmarkValid(FBookmark)) ds->GotoBookmark(FBookmark);
        ds->FreeBookmark(FBookmark);
        FBookmarkSaved = false;
    }
    if (OnClose) OnClose(this);
    if (CloseDataSource) ds->Close();
}

void TfrDBDataSet::First() {
    TDataSet* ds = GetDataSet();
    if (RangeBegin == rbFirst)
        ds->First();
    else if (FBookmarkSaved && !FBookmark.isEmpty())
        ds->GotoBookmark(FBookmark);
    FEof = false;
    TfrDataset::First();
}

void TfrDBDataSet::Next() {
    TDataSet* ds = GetDataSet();
    FEof = false;
    if (RangeEnd == reCurrent && FBookmarkSaved &&
        frIsBookmarksEqual(ds, ds->GetBookmark(), FBookmark)) {
        FEof = true;
        return;
    }
    ds->Next();
    TfrDataset::Next();
}

void TfrDBDataSet::Prior() {
    GetDataSet()->Prior();
    TfrDataset::Prior();
}

bool TfrDBDataSet::Eof() {
    TDataSet* ds = GetDataSet();
    return TfrDataset::Eof() || ds->Eof() || FEof;
}

bool frIsBlob(TField* Field) {
    if (!Field) return false;
    switch (Field->GetDataType()) {
    case ftBlob:
    case ftMemo:
    case ftGraphic:
    case ftFmtMemo:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary:
        return true;
    default:
        return false;
    }
}

void frAssignBlobTo(TField* Blob, TStream* Stream) {
    if (auto* b = dynamic_cast<TBlobField*>(Blob)) {
        b->SaveToStream(Stream);
        Stream->SetPosition(0);
    }
}

void frGetFieldNames(TDataSet* DataSet, TStrings* List) {
    try {
        TStringList names;
        DataSet->GetFieldNames(&names);
        List->Assign(&names);
    } catch (const Exception&) {
        // the list stays as it was
    }
}

TBookmark frGetBookmark(TDataSet* DataSet) {
    return DataSet->GetBookmark();
}
void frGotoBookmark(TDataSet* DataSet, const TBookmark& BM) {
    DataSet->GotoBookmark(BM);
}
void frFreeBookmark(TDataSet* DataSet, TBookmark& BM) {
    DataSet->FreeBookmark(BM);
}
bool frIsBookmarksEqual(TDataSet* DataSet, const TBookmark& b1, const TBookmark& b2) {
    return DataSet->CompareBookmarks(b1, b2) == 0;
}

// ---- field references (declared with the stream primitives) ----------------------------

namespace {

TDataSet* asDataSet(TComponent* c) {
    if (auto* ds = dynamic_cast<TDataSet*>(c)) return ds;
    if (auto* r = dynamic_cast<TfrDBDataSet*>(c)) {
        try {
            return r->GetDataSet();
        } catch (const EDSError&) {
            return nullptr;
        }
    }
    return nullptr;
}

} // namespace

void frGetDataSetAndField(const QString& ComplexName, TDataSet*& DataSet, QString& Field) {
    Field.clear();
    QStringList parts;
    const int quote = ComplexName.indexOf(u'"');
    QString head = quote < 0 ? ComplexName : ComplexName.left(quote);
    const QString tail = quote < 0 ? QString() : ComplexName.mid(quote);
    parts = head.split(u'.');
    if (!tail.isEmpty()) {
        if (parts.last().isEmpty())
            parts.last() = tail;
        else
            parts.last() += tail;
    }
    QString field = frRemoveQuotes(parts.last());
    TDataSet* ds = nullptr;
    TfrGlobals& g = frGlobals();
    TComponent* owner = g.ActiveReport ? g.ActiveReport->GetOwner() : nullptr;
    switch (parts.size()) {
    case 1:
        ds = DataSet;
        break;
    case 2:
        ds = asDataSet(frFindComponent(owner, parts[0]));
        // The datasets of the template's own tables and queries live on the dialog form.
        if (!ds && g.DialogForm) ds = asDataSet(frFindComponent(g.DialogForm.get(), parts[0]));
        break;
    case 3:
    case 4:
        ds = asDataSet(
            frFindComponent(owner, QStringList(parts.mid(0, parts.size() - 1)).join(u'.')));
        break;
    default:
        break;
    }
    DataSet = ds;
    // A closed dataset without persistent fields still knows its field definitions.
    if (ds && (ds->FindField(field) || ds->GetFieldDefs()->IndexOf(field) >= 0)) Field = field;
}

void frGetFieldValue(TField* F, Variant& v) {
    TDataSet* ds = F->GetDataSet();
    if (ds && !ds->GetActive()) ds->Open();
    if (F->OnGetText || F->GetDataType() == ftLargeint) {
        v = Variant(F->GetText());
        return;
    }
    v = F->GetValue();
    if (v.IsNull()) {
        switch (F->GetDataType()) {
        case ftString:
        case ftWideString:
        case ftFixedChar:
        case ftMemo:
        // an empty date prints empty, never as the number 0 or the day the dates count from
        case ftDate:
        case ftTime:
        case ftDateTime:
            v = Variant(QString());
            break;
        case ftBoolean:
            v = Variant(false);
            break;
        default:
            v = Variant(0);
            break;
        }
    }
}
