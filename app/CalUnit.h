// The working calendar dialog: a year's twelve months as small grids (weeks in columns,
// weekdays in rows), made anew or read from CAL<year>, every date re-marked as a working day,
// a day off or a holiday through a menu on double click, and saved back as CAL<year>.
#pragma once

#include "ComCtrls.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "Grids.h"
#include "LeaveDays.h"
#include "Menus.h"
#include "StdCtrls.h"

#include <array>

class TCalForm : public TForm {
    KADRION_CLASS(TCalForm)
    explicit TCalForm(TComponent* AOwner);
    ~TCalForm() override;

    TLabel* Label13; // the title: "Календар" or "Календар на <year> рік"
    TToolBar* ToolBar1;
    TToolButton* ToolButton1; // "Створити"
    TToolButton* ToolButton2; // "Відкрити"
    TToolButton* ToolButton4; // "Зберегти"
    TToolButton* ToolButton5; // "Закрити"
    std::array<TStringGrid*, 12> Grids{};
    std::array<TLabel*, 12> MonthLabels{};
    TPopupMenu* PopupMenu1;
    TMenuItem *N1, *N2, *N3; // "робочий день", "вихідний день", "святковий день"

    // Grid cell k (1..42) of each month: the day shown there and its mark.
    struct TCell {
        QString Text;
        QString Mark;
    };
    using TMonthCells = std::array<TCell, 42>;

    int Year() const { return year; }
    // The mark of a date as the grids hold it now.
    QString Mark(int Month, int Day) const;
    // The cell of month Month shown at grid column Col (1..6), row Row (0..6).
    const TCell& CellAt(int Month, int Col, int Row) const;
    // The month's grid cell number of column Col and row Row.
    static int CellNumber(int Col, int Row) { return (Col - 1) * 7 + Row + 1; }

    void FormCreate(TObject* Sender);
    void FormActivate(TObject* Sender);
    void Grid1DrawCell(TObject* Sender, int ACol, int ARow, TRect Rect, TGridDrawState State);
    void Grid1DblClick(TObject* Sender);
    void Grid1Exit(TObject* Sender);
    void N1Click(TObject* Sender);
    void N2Click(TObject* Sender);
    void N3Click(TObject* Sender);
    void ToolButton1Click(TObject* Sender); // create
    void ToolButton2Click(TObject* Sender); // open
    void ToolButton4Click(TObject* Sender); // save
    void ToolButton5Click(TObject* Sender); // close

private:
    void reset();
    // Asks the year through the month-and-year dialog (its month disabled); false on cancel.
    bool askYear(int& Year);
    // The image's days placed into the cells and the grids, the title set.
    void show(const TCalendarYear& Image);
    void fillGrid(int Month);
    void setMark(const char16_t* Mark);
    TCalendarYear image; // the days, with each month's first weekday
    std::array<TMonthCells, 12> cells;
    int year = 0;
    // The cell last double-clicked.
    int markMonth = 0, markCol = 0, markRow = 0;
};

extern TCalForm* CalForm;

inline constexpr const char16_t SCalendarSaved[] = u"Календар збережено.";
