// The data module: the database connection and its one transaction, one dataset per table
// with its SQL text, fields, master-detail links and update statements, the data sources the
// windows bind to, and the rules every post and delete goes through.
//
// Every post and delete is saved at once: the dataset's cached changes are applied and the
// transaction is committed with retaining. A save that fails is reported ("Помилка") with the
// server's text and the change stays pending; a key violation gives the dataset's own message.
#pragma once

#include "ActnList.h"
#include "DBActns.h"
#include "FR_Class.h"
#include "FR_DBSet.h"
#include "FR_DBUtils.h"
#include "Forms.h"
#include "IBDatabase.h"
#include "IBQuery.h"
#include "IBTable.h"
#include "IBUpdateSQL.h"
#include "ImgList.h"
#include "LeaveDays.h"
#include "Menus.h"

#include <functional>

class TDM : public TDataModule, public TCalendarSource {
    KADRION_CLASS(TDM)
    explicit TDM(TComponent* AOwner);
    ~TDM() override;

    TIBDatabase* Database;
    TIBTransaction* IBTrans;

    TIBQuery* IBQuery; // employees (KADR)
    TIBUpdateSQL* IBUpdate;
    TDataSource* DataSource;
    TIBQuery* IBprof; // positions
    TIBUpdateSQL* UPDprof;
    TDataSource* DSprof;
    TIBQuery* IBpodr; // subdivisions
    TIBUpdateSQL* UPDpodr;
    TDataSource* DSpodr;
    TIBQuery* IBgroup; // groups of the current subdivision
    TIBUpdateSQL* UPDgroup;
    TDataSource* DSgroup;
    TIBQuery* IBotp; // leave orders
    TIBUpdateSQL* UPDotp;
    TDataSource* DSotp;
    TIBQuery* IBnazn; // appointments of the current employee
    TIBUpdateSQL* UPDnazn;
    TDataSource* DSnazn;
    TIBQuery* IBhel; // sick-leave sheets
    TIBUpdateSQL* UPDhel;
    TDataSource* DShel;
    TIBQuery* IBkids; // children of the current employee
    TIBUpdateSQL* UPDkids;
    TDataSource* DSkids;
    TIBTable* IBdepart; // productions
    TDataSource* DSdepart;
    TIBTable* IBCal;     // CAL<year>, named at each use
    TIBQuery* IBCreate;  // schema statements
    TIBQuery* IBKCreate; // calendar statements
    TIBQuery* IBnaz_sel; // card documents
    TDataSource* DSnaz_sel;
    TIBQuery* Select; // report master dataset and statement runner
    // The system's one report (printed through PrintReport, ReportPrint.h) and its report
    // datasets: frDBDataSet1 over Select, the templates' master dataset, and frDBDataSet2 over
    // the appointments of the current employee. The report's expressions name the data
    // module's datasets ("Select").
    TfrReport* frReport1;
    TfrDBDataSet* frDBDataSet1;
    // Their presence lets templates carry queries, tables, databases, dialogs and shapes.
    TfrIBComponents* frIBComponents1;
    TfrShapeObject* frShapeObject1;
    TfrDBDataSet* frDBDataSet2;

    // The commands shared by the windows: the dataset actions act on the dataset of the focused
    // data control and enable themselves from its state; the window actions close a window or
    // the program and open the module windows.
    TImageList* ImageList2;
    TActionList* ActionList1;
    TDataSetFirst* AFirst;
    TDataSetPrior* APrior;
    TDataSetNext* ANext;
    TDataSetLast* ALast;
    TDataSetRefresh* ARefresh;
    TDataSetInsert* AInsert;
    TDataSetDelete* ADelete;
    TDataSetEdit* AEdit;
    TDataSetPost* APost;
    TDataSetCancel* ACancel;
    TAction* ACloseWin;  // closes the least recently active child window of the main window
    TAction* ACloseProg; // closes the main window
    TAction* AStartCards;
    TAction* AStartSelect;
    TAction* AStartPodr;
    // The pop-up menu of the data grids: insert, delete, edit, post, cancel, refresh.
    TPopupMenu* DBPopMenu;

    // The employee list's SQL lines addressed from the end: 3 the employment filter, 2 the
    // subdivision filter, 1 the ordering. Closes IBQuery; the caller opens it again.
    void SetQueryLine(int FromEnd, const QString& Line);
    QString QueryLine(int FromEnd) const;
    // The number of rows those lines select, counted by the server in the list's transaction
    // (its own uncommitted changes included) without fetching or sorting them.
    int CountQueryRows();

    // The last day of Days counted days from Start over the CAL<year> tables (mode 0: all
    // days but holidays). A missing calendar is reported and gives Start; Found tells.
    TDateTime CountDays(TDateTime Start, int Days, int Mode, bool* Found = nullptr);
    // Reads CAL<Year> through IBCal: its rows in the order of INF, each month placed by its
    // INF; a table without all twelve months is no calendar.
    bool LoadYear(int Year, TCalendarYear& Image) override;
    // Runs Work in the main transaction as one unit: what it did is undone when it throws
    // (a savepoint named Name), and the exception goes on.
    void InSavepoint(const QString& Name, const std::function<void()>& Work);

    // The leave order being edited: VS_KAL := the sum of its nine day fields, VS_RAB := 0, and
    // OTP_E := the last of those days counted from OTP_B over the calendar (empty without days
    // or start). False when a calendar was missing (told; OTP_E stays as it was).
    bool LeaveTotals();
    // PERIODE := the end of the work year that begins on PERIODB.
    void LeaveWorkYear();

    // Applies a dataset's pending changes and commits with retaining; reports a failure.
    // Returns true when nothing stays pending.
    bool Save(TIBCustomDataSet* DataSet, bool AfterDelete);
    // The datasets holding changes not yet written to the database (a save failed).
    std::vector<TIBCustomDataSet*> PendingDataSets() const;
    // Reads the rows of every open dataset again, each staying at its place.
    void RefreshOpenDataSets();
    // Before a window closes: a change of DataSet that is being edited or waits to be saved
    // is offered for saving ("Зберегти зміни?", as a message box or, with Confirmation, as a
    // confirmation dialog). Yes posts and saves it, No discards it. False when the save
    // failed: the change stays, so the window can stay open with it.
    bool SaveOnClose(TIBCustomDataSet* DataSet, bool Confirmation = false);
    // The steps of that: whether there is a change to offer, the question itself (true for
    // Yes), and the save (true when nothing stays unsaved) or the discard.
    bool HasUnsavedChange(TIBCustomDataSet* DataSet) const;
    bool AskToSave(bool Confirmation);
    bool SaveOrDiscard(TIBCustomDataSet* DataSet, bool Save);

    // The number of the employee at the start of the current edit.
    QString NumberAtEditStart;
    // Carry-over of the latest appointment into a new one: KODP_4, CPROF_3, OKLAD, KAT, ROZ,
    // KLAS as text.
    QString CarryOver[6];
    bool NewAppointment = false;

    // Brings the card window's first tab forward before an employee is inserted (set by the
    // card window).
    TNotifyEvent OnEmployeeInsert;

    // --- handlers (bound in the constructor)
    void SaveAfterPost(TDataSet* DataSet);
    void SaveAfterDelete(TDataSet* DataSet);
    void ConfirmDelete(TDataSet* DataSet);
    void KeyViolation(TDataSet* DataSet, EDatabaseError& E, TUpdateKind UpdateKind,
                      TUpdateAction& UpdateAction);
    void IBQueryBeforeInsert(TDataSet* DataSet);
    void IBQueryBeforeEdit(TDataSet* DataSet);
    void IBQueryBeforePost(TDataSet* DataSet);
    void IBQueryAfterPost(TDataSet* DataSet);
    void IBQueryUpdateRecord(TDataSet* DataSet, TUpdateKind UpdateKind, TUpdateAction& Action);
    void IBnaznBeforeInsert(TDataSet* DataSet);
    void IBnaznAfterInsert(TDataSet* DataSet);
    void IBnaznBeforePost(TDataSet* DataSet);
    void IBnaznAfterPost(TDataSet* DataSet);
    void IBnaznAfterCancel(TDataSet* DataSet);
    void IBgroupAfterInsert(TDataSet* DataSet);
    void IBkidsAfterInsert(TDataSet* DataSet);
    void IBotpAfterInsert(TDataSet* DataSet);
    void IBotpBeforePost(TDataSet* DataSet);
    void IBhelBeforePost(TDataSet* DataSet);
    // A post or delete run at once on the server failed (children, productions).
    void PostError(TDataSet* DataSet, EDatabaseError& E, TDataAction& Action);

private:
    // Set while a post changes an employee's number: the details are read again after the
    // save has moved their rows.
    bool renumbering = false;
    void makeFields();
    void makeUpdateObjects();
    void makeActions();
    void bindRules();
    // The key-violation text of a dataset ("" when it has none).
    QString keyMessage(TDataSet* DataSet) const;
    // Runs one statement in the main transaction.
    void execSql(const QString& Sql);
};

extern TDM* DM;

// Message texts of the data module.
inline constexpr const char16_t SConfirmDelete[] = u"Ви дійсно бажаєте видалити запис?";
inline constexpr const char16_t SConfirmDeleteCaption[] = u"Видалити";
inline constexpr const char16_t SErrorCaption[] = u"Помилка";
inline constexpr const char16_t SSaveChanges[] = u"В базах проводились зміни. Зберегти зміни?";
inline constexpr const char16_t SMessageCaption[] = u"Повідомлення";
