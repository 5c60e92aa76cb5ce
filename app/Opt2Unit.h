// The settings dialog: the organisation, its head, the five HR staff members who sign hiring
// orders, and where the database is. It edits the settings values in memory; "OK" takes the
// controls' values, "Скасувати" leaves everything as it was.
#pragma once

#include "Buttons.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "Grids.h"
#include "StdCtrls.h"

class TOpt2Form : public TForm {
    KADRION_CLASS(TOpt2Form)
    explicit TOpt2Form(TComponent* AOwner);

    TLabel* Label3;
    TEdit* Edit3; // FullNameOrg
    TLabel* Label4;
    TEdit* Edit4; // NameOrg
    TLabel* Label1;
    TEdit* Edit1; // Boss
    TLabel* Label5;
    TEdit* Edit5; // BossPos
    TGroupBox* GroupBox1;
    TStringGrid* SGrid;   // row i: OK_Pos i, OK_Pib i
    TRadioGroup* Radio2;  // TypeSvr
    TGroupBox* GroupBox2; // the server's name
    TLabel* Label2;
    TEdit* Edit2;         // NameSvr
    TGroupBox* GroupBox3; // the database file
    TLabel* Label6;
    TEdit* Edit6;     // PathFileSvr
    TBitBtn* BitBtn1; // "OK"
    TBitBtn* BitBtn2; // "Скасувати"

    // The values into the controls; the server-name frame follows the radio group.
    void FormActivate(TObject* Sender);
    // Enables the server-name frame, its label and its edit for a database on a server.
    void Radio2Click(TObject* Sender);
    // The controls into the values.
    void BitBtn1Click(TObject* Sender);
};

extern TOpt2Form* Opt2Form;
