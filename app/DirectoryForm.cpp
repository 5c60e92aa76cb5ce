#include "DirectoryForm.h"

#include "DMUnit.h"

TDirectoryForm::TDirectoryForm(TComponent* AOwner, const char* Name, const char* Caption,
                               std::vector<TIBCustomDataSet*> DataSets, bool Confirmation)
    : TForm(AOwner), dataSets(std::move(DataSets)), confirmation(Confirmation) {
    SetName(QString::fromLatin1(Name));
    SetCaption(QString::fromUtf8(Caption));
    SetFormStyle(fsMDIChild);
    SetWindowState(wsMaximized);
    OnCloseQuery = [this](TObject* S, bool& C) { FormCloseQuery(S, C); };
    OnClose = [this](TObject* S, TCloseAction& A) { FormClose(S, A); };
}

void TDirectoryForm::OpenData() {
    for (TIBCustomDataSet* d : dataSets)
        d->Open();
}

void TDirectoryForm::FormCloseQuery(TObject*, bool& CanClose) {
    if (!closed) {
        // Every question first, in the datasets' order; then the answers are carried out
        // from the last dataset back, so that a detail's change is saved or dropped as its
        // own answer says before its master's post or cancel would post it.
        std::vector<std::pair<TIBCustomDataSet*, bool>> answers;
        for (TIBCustomDataSet* d : dataSets)
            if (DM->HasUnsavedChange(d)) answers.emplace_back(d, DM->AskToSave(confirmation));
        closed = true;
        for (auto a = answers.rbegin(); a != answers.rend() && closed; ++a)
            closed = DM->SaveOrDiscard(a->first, a->second);
        if (closed)
            for (TIBCustomDataSet* d : dataSets) {
                try {
                    d->Close();
                } catch (Exception&) {
                    // the window goes anyway; its datasets open again with it
                }
            }
    }
    CanClose = closed;
}

void TDirectoryForm::FormClose(TObject* Sender, TCloseAction& Action) {
    // The second pass finds the datasets closed and asks nothing.
    bool done = true;
    FormCloseQuery(Sender, done);
    Action = done ? caFree : caNone;
}
