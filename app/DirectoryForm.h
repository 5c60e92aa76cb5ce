// What the directory windows share: a maximized child window over datasets of the data module,
// which it opens when made and, on close, offers for saving (in their order) and closes. A save
// that fails keeps the window open with the change.
#pragma once

#include "Forms.h"
#include "IBCustomDataSet.h"

#include <vector>

class TDirectoryForm : public TForm {
    KADRION_CLASS(TDirectoryForm)
    void FormCloseQuery(TObject* Sender, bool& CanClose);
    void FormClose(TObject* Sender, TCloseAction& Action);

protected:
    // Confirmation: the question as a confirmation dialog rather than a message box.
    TDirectoryForm(TComponent* AOwner, const char* Name, const char* Caption,
                   std::vector<TIBCustomDataSet*> DataSets, bool Confirmation);
    // Opens the datasets, once the window's controls are made.
    void OpenData();

private:
    std::vector<TIBCustomDataSet*> dataSets;
    bool confirmation;
    bool closed = false;
};
