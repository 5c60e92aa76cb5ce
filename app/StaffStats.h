// The staff statistics: employees on the books counted into a matrix of 400 integer cells,
// which the templates print by their variable names MyArr_Arr_1 .. MyArr_Arr_400. Row tallies
// fill runs of cells from a first cell s: the ten-cell row (all, women, education, six age
// bands), the movement row (all, women, education, five categories) and the sixteen-cell
// military row. An employee without a birth date counts in a row's totals but in no age band
// (the age comes from the one rule of Age.h).
#pragma once

#include "DB.h"
#include "ReportPrint.h"
#include "Types.h"

#include <QString>
#include <array>
#include <functional>

// What the tallies read of one employee (KADR).
struct TStaffFacts {
    TDateTime BirthDate = 0;
    QString Sex, Educ, Kat, Napr, Cprof, Grinv, Whywhy, Pensp, Rozrad;
    int Pens = 0; // flags read as integers, empty as 0
    // military registration
    bool Liable = false; // V_UCHET is 0, not empty
    int VOff = 0, VPriz = 0;
    QString VSostav, VPrig, VSpo, VMob;
};

// Reads TStaffFacts from the current row of an open employee dataset; the fields are looked up
// by name once.
class TStaffReader {
public:
    explicit TStaffReader(TDataSet* DataSet);
    void Read(TStaffFacts& F) const;

private:
    TField *bdate, *sex, *educ, *kat, *napr, *cprof, *grinv, *whywhy, *pensp, *rozrad, *pens,
        *vuchet, *voff, *vpriz, *vsostav, *vprig, *vspo, *vmob;
};

class TCountMatrix {
public:
    static constexpr int Size = 400;
    // Cells 1..N to 0 (the cells above keep what they had).
    void Clear(int N);
    int& operator[](int Cell) { return cells.at(size_t(Cell)); }
    int operator[](int Cell) const { return cells.at(size_t(Cell)); }
    // The report variables MyArr_Arr_1 .. MyArr_Arr_N with the cells' values.
    TReportValues Values(int N) const;

private:
    std::array<int, Size + 1> cells{};
};

// The variable name of a cell: "MyArr_Arr_17".
QString CellVariable(int Cell);

// Row tallies from the first cell S; Age is the employee's age at the report date, -1 when
// the birth date is unknown.
void BuildArr(TCountMatrix& M, int S, const TStaffFacts& F, int Age);  // military, 16 cells
void BuildArr2(TCountMatrix& M, int S, const TStaffFacts& F, int Age); // ten-cell row
void BuildArr3(TCountMatrix& M, int S, const TStaffFacts& F);          // movement row

// The tallies of one employee for each report.
void TallyTable1(TCountMatrix& M, const TStaffFacts& F, int Age); // har_tab1, 400 cells
void TallyTable2(TCountMatrix& M, const TStaffFacts& F, int Age); // har_tab2, 270 cells
void TallyTable3(TCountMatrix& M, const TStaffFacts& F, int Age); // har, 270 cells
void TallyKeriv(TCountMatrix& M, const TStaffFacts& F, int Age);  // keriv, 270 cells
void TallyWar(TCountMatrix& M, const TStaffFacts& F, int Age);    // war, 176 cells
// "Рух кадрів" (ruh, 200 cells): staff at the end of the period, hired in it, left in it.
void TallyMoveStaff(TCountMatrix& M, const TStaffFacts& F);
void TallyMoveHired(TCountMatrix& M, const TStaffFacts& F);
void TallyMoveLeft(TCountMatrix& M, const TStaffFacts& F);

// The employee-list filters (the SQL line of the list's date filter). Dates are the dialog's
// texts, dd.mm.yyyy.
QString WorkingAtFilter(const QString& Date);
QString HiredFilter(const QString& From, const QString& To);
QString LeftFilter(const QString& From, const QString& To);

// One pass over the employee list of the data module with its date-filter line replaced by
// Filter: each employee's facts and age on On go to Tally. The list is left closed, with the
// filter in its line.
void StaffPass(const QString& Filter, TDateTime On,
               const std::function<void(const TStaffFacts& F, int Age)>& Tally);
