#include "RecordForm.h"

#include "DMUnit.h"
#include "FormBuild.h"

TRecordForm::TRecordForm(TComponent* AOwner, const char* Name, const char* Caption,
                         TIBQuery* Records, TDataSource* Source, std::vector<TDataSet*> Others)
    : TForm(AOwner), records(Records), source(Source), others(std::move(Others)) {
    SetName(QString::fromLatin1(Name));
    SetCaption(QString::fromUtf8(Caption));
    SetFormStyle(fsMDIChild);
    SetWindowState(wsMaximized);
    Panel1 = Place<TPanel>(this, this, "Panel1", 0, 0, 800, 40);
    Panel1->SetAlign(alTop);
    Panel1->SetBevelOuter(bvNone);
    OnCloseQuery = [this](TObject* S, bool& C) { FormCloseQuery(S, C); };
    OnClose = [this](TObject* S, TCloseAction& A) { FormClose(S, A); };
}

TWinControl* TRecordForm::FieldControl(const QString& Field) const {
    auto i = fieldControls.find(Field);
    return i == fieldControls.end() ? nullptr : i->second;
}

void TRecordForm::makeNameHeader(const char* Family, const char* Name, const char* Patr) {
    int left = 12;
    for (auto [text, field, name] : {std::tuple{&DBText1, Family, "DBText1"},
                                     {&DBText2, Name, "DBText2"},
                                     {&DBText3, Patr, "DBText3"}}) {
        TDBText* t = Place<TDBText>(this, Panel1, name, left, 8, 200, 24);
        t->SetDataSource(source);
        t->SetDataField(QString::fromLatin1(field));
        t->GetFont()->SetColor(clBlue);
        t->GetFont()->SetStyle(TFontStyles{fsBold});
        t->GetFont()->SetHeight(-16);
        *text = t;
        left += 206;
    }
}

void TRecordForm::copyEmployee(const char* KeyField,
                               std::initializer_list<std::pair<const char*, const char*>> Fields) {
    TIBQuery* who = DM->IBQuery;
    if (!records->GetActive() || !who->GetActive()) return;
    if (records->GetState() == dsBrowse) records->Edit();
    const QString tab = records->FieldByName(QString::fromLatin1(KeyField))->GetAsString();
    if (tab.isEmpty() || !who->Locate(QStringLiteral("TAB"), Variant(tab), TLocateOptions{}))
        return;
    for (const auto& [from, to] : Fields) {
        TField* target = records->FieldByName(QString::fromLatin1(to));
        const QString text = who->FieldByName(QString::fromLatin1(from))->GetAsString();
        if (text.isEmpty())
            target->Clear();
        else
            target->SetAsString(text);
    }
}

void TRecordForm::closeData() {
    if (closed) return;
    closed = true;
    try {
        records->Close();
        for (TDataSet* d : others)
            d->Close();
    } catch (Exception&) {
        // the window goes anyway; the datasets are opened again with it
    }
}

void TRecordForm::FormCloseQuery(TObject*, bool& CanClose) {
    // A save that failed (or a refusing rule) keeps the window and the edit.
    CanClose = DM->SaveOnClose(records);
    if (CanClose) closeData();
}

void TRecordForm::FormClose(TObject*, TCloseAction& Action) {
    closeData();
    Action = caFree;
    Gone();
}
