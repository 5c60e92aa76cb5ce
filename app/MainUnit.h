// The main window: the frame of every record window, with the menu bar and the two tool bars
// along its top. Its creation reads the settings and connects; on every idle turn it enables
// the commands that need the database while it is connected; opening a module window first
// asks every open child window to close; its close writes the settings and disconnects.
#pragma once

#include "ComCtrls.h"
#include "Dbf.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "Menus.h"
#include "StaffStats.h"
#include "rMenuBar.h"

#include <vector>

class TMainForm : public TForm {
    KADRION_CLASS(TMainForm)
    explicit TMainForm(TComponent* AOwner);
    ~TMainForm() override;

    TControlBar* ControlBar1;
    TrMenuBar* rMenuBar1;
    TToolBar* ToolBar2; // dataset actions
    TToolBar* ToolBar1; // module windows, close window, close program
    TMainMenu* MainMenu1;
    TDbfTable* Staj_Tab;

    // "Облік персоналу"
    TMenuItem *N1, *N2, *N32, *N42, *N24, *N25, *N46;
    // "Редагування"
    TMenuItem *N11, *N12, *N13, *N14, *N15, *N17, *N18, *N19, *N21, *N22, *N54;
    // "Звіти"
    TMenuItem *N33, *N34, *Arr1, *N110, *N210, *N39, *N36, *N37, *N31, *N50, *N27, *N47, *N48, *N38,
        *N49, *N29;
    // "Сервіс"
    TMenuItem *N3, *mnuCal, *N40, *N55, *N41, *N51, *N44, *N45, *mnuOption;
    // "Вихід"
    TMenuItem *N4, *N5, *N7;
    // "Допомога"
    TMenuItem *N6, *N8, *N10;

    // --- handlers
    void FormCreate(TObject* Sender);
    void FormIdle(TObject* Sender, bool& Done);
    // Changes a save could not write (the connection was lost) keep the program open unless
    // the user agrees to drop them.
    void FormCloseQuery(TObject* Sender, bool& CanClose);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void N34Click(TObject* Sender); // the query builder
    void mnuCalClick(TObject* Sender);
    void N2Click(TObject* Sender);  // the employee cards
    void N24Click(TObject* Sender); // the subdivisions
    void N25Click(TObject* Sender); // the positions
    void N46Click(TObject* Sender); // the productions
    void N32Click(TObject* Sender); // leave orders
    void N42Click(TObject* Sender); // sick-leave sheets
    void N55Click(TObject* Sender); // business trips
    void N41Click(TObject* Sender); // seniority
    void N44Click(TObject* Sender); // backup
    void N45Click(TObject* Sender); // restore
    void N51Click(TObject* Sender); // new database
    void mnuOptionClick(TObject* Sender);
    void N8Click(TObject* Sender);  // help
    void N10Click(TObject* Sender); // about
    // The staff statistics (the count matrix into their templates).
    void N110Click(TObject* Sender); // "Таблиця 1"
    void N210Click(TObject* Sender); // "Таблиця 2"
    void N39Click(TObject* Sender);  // "Таблиця 3"
    void N38Click(TObject* Sender);  // "Аналіз керівного складу"
    void N47Click(TObject* Sender);  // "Рух кадрів"
    void N27Click(TObject* Sender); // "Чисельність військовозобов'язаних"

    // The count matrix of the statistics.
    TCountMatrix MyArr;
    // The dated reports, the leave schedules and the certificates.
    void N36Click(TObject* Sender); // ages and service
    void N37Click(TObject* Sender); // average age
    void N48Click(TObject* Sender); // education
    void N49Click(TObject* Sender); // the long-service bonus list
    void N31Click(TObject* Sender); // the leave schedule
    void N50Click(TObject* Sender); // the leave schedule with the carried-over days
    void N40Click(TObject* Sender); // the certificates

    // Asks every child window to close, first to last; one that refuses stays. True when
    // none stayed open.
    bool CloseChildren();
    // Opens a module window alone: the others are asked to close first.
    template <class T> T* OpenModule(T*& Reference) {
        CloseChildren();
        Application->CreateForm(Reference);
        return Reference;
    }

    // The commands that need the database: enabled while it is connected, when they have
    // their handler (a command whose window is not there yet stays disabled).
    std::vector<TMenuItem*> ConnectedItems() const;
    // Whether a command can run: it has a handler, or (a sub-menu) one of its items has.
    static bool HasHandler(TMenuItem* Item);

private:
    void makeMenu();
    void makeBars();
    void bindListReports();
    // A dated report: the children closed, the date asked, the template printed with NDate.
    void printDated(const QString& Template);
    TMenuItem* item(TMenuItem* Parent, const char* Name, const char* Caption,
                    void (TMainForm::*Handler)(TObject*) = nullptr);
    TMenuItem* actionItem(TMenuItem* Parent, const char* Name, TCustomAction* Action);
    void line(TMenuItem* Parent);
    // A statistics table on a date: the children closed, the date asked, one pass with Tally
    // over the staff working on it, Cells cells printed into Template with the date as the
    // variable DateVariable (none when empty).
    void dateTable(const char* Template, int Cells, const char* DateVariable,
                   void (*Tally)(TCountMatrix&, const TStaffFacts&, int));
    TToolBar* toolBar(const char* Name, std::initializer_list<TCustomAction*> Actions);
};

extern TMainForm* MainForm;

inline constexpr const char16_t SMainCaption[] = u"Автоматизована система \"Кадріон\"";
