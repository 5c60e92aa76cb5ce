// The page-setup dialog over Qt: paper, paper source, orientation and the four margins typed in
// millimetres (a decimal comma or point). OK checks what was typed and keeps the dialog open,
// with a message, until the margins are numbers that leave room on the chosen paper.
#pragma once

#include "Dialogs.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QRadioButton;

class TPageSetupDlg : public QDialog {
public:
    TPageSetupDlg(QWidget* Parent, const TPageSetupRequest& Request);
    // OK: takes the answer when every field reads and the margins fit; otherwise tells the
    // first fault through the user-interaction service and focuses its field.
    void accept() override;
    // The answer, complete once the dialog was accepted.
    const TPageSetupRequest& Answer() const { return answer; }

    QComboBox* Paper;
    QComboBox* Bin;
    QRadioButton* Portrait;
    QRadioButton* Landscape;
    QLineEdit* Margin[4]; // left, top, right, bottom

private:
    TPageSetupRequest answer;
};

// Runs the dialog modally over Parent; true on OK with Request holding the answer.
bool ExecPageSetupDialog(QWidget* Parent, TPageSetupRequest& Request);
