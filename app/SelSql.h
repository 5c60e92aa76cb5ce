// The statement of an employee list: the chosen column captions become the SELECT list, the
// filled filters WHERE lines, and the columns from left to right the ORDER BY. Every typed
// text enters as a quoted literal, numbers and dates are checked first, so no filter text can
// change the statement's shape; a wrong value stops the build with a message for the user.
#pragma once

#include "SysUtils.h"
#include "Types.h"

#include <QString>
#include <QStringList>

// A caption of the column table: its text (completed with the organisation's short name when
// WithOrg), its select text, and whether it needs the children table.
struct TSelColumn {
    const char16_t* Caption;
    const char* Sql;
    bool WithOrg;
    bool Child;
};
// The 86 captions in table order.
const TSelColumn* SelColumns(int& Count);
// The captions as the user sees them, in table order.
QStringList SelCaptions(const QString& NameOrg);
// The select text of a caption (first whole, case-sensitive match), empty when none; Child
// is set for the children's captions and left alone otherwise.
QString SelConvert(const QString& Caption, const QString& NameOrg, bool& Child);
// The ORDER BY text of a converted select text: aliases dropped, the full name as its three
// parts; the day of birth by its select column's position.
QString SelOrderText(const QString& SelectText, int SelectPosition);

// One caption per result column of the captions' statement: a caption that stands for
// several columns names each of them.
QStringList SelFieldCaptions(const QStringList& Captions, const QString& NameOrg);

// What the filter controls hold, as the window reads them. Texts are taken as typed; a
// date text whose first character is a blank (the empty mask) counts as not filled.
struct TSelFilters {
    QString Family, Name, Patr, Tab, Id, MilitaryOffice, PositionText, HighSchool, TechSchool,
        VocSchool;
    QString Sex, KidSex;                         // the chosen item's text
    QString PositionCode, SubdivCode, GroupCode; // the chosen keys, empty when none
    QString NKat, Rozrad, Klas, Production, Direction, Category, Staff, Education, Branch,
        StudyKind, FamilyState, Rank, Corps, Fitness, PensionKind;
    int Military = 0;   // item index: 0 none, 1..3 the states 0..2
    int BirthMonth = 0; // item index: 0 none, 1..12
    QString HiredFrom, HiredTo, LeftFrom, LeftTo;
    QString AgeFrom, AgeTo, KidsAge;
    bool Pensioners = false, ShiftStaff = false, Shareholders = false, NewJobs = false,
         Officers = false, Conscripts = false, Disabled = false, Chernobyl = false;
};

struct TSelStatement {
    QStringList Lines;
    bool Children = false; // the children table is joined
    bool Range = false;    // a hire or dismissal range replaced the working-at-date condition
};

// Raised with the user's message when a build cannot be made (no column, a wrong number or
// date); nothing has run then.
KADRION_EXCEPTION(ESelError, Exception)

// The whole statement for the captions in their order, the filters and the calculation date
// text (dd.mm.yyyy).
TSelStatement BuildSelStatement(const QStringList& Captions, const TSelFilters& Filters,
                                const QString& CalcDate, const QString& NameOrg);

inline constexpr const char16_t SNoColumns[] = u"Не вибрано жодної колонки документу.";
inline constexpr const char16_t SBadNumber[] = u"\"%1\" (%2) не є цілим числом від 0 до 150.";
inline constexpr const char16_t SBadDate[] = u"\"%1\" (%2) не є правильною датою.";
