// What the employee card's documents need beyond the printing frame: the HR signatory of the
// hiring order, and the date from which the employee has held the current post, printed on
// the attestation sheet.
#pragma once

#include <QString>

class TDM;
class TWrkForm;

// An HR staff member who signs a document: full name and position (both empty: nobody).
struct TSignatory {
    QString Pib;
    QString Pos;
};

// The settings pair whose full name (OK_Pib1 .. OK_Pib5) is Text; nobody when none is.
TSignatory SignatoryNamed(const QString& Text);
// Lists the HR names that are set (OK_Pib1 .. OK_Pib5 in order, empty ones left out) in the
// dialog's combo box, chooses the first, shows the dialog modally and gives the pair of the
// name chosen or typed; nobody when the text names none.
TSignatory ChooseSignatory(TWrkForm* Form);

// The expression of the attestation sheet's "held since" memo for the employee on which the
// data module's list stands: the start of continuous service ([IBQuery."WOWORK"]) when the
// employee has no appointments; else [IBnaz_sel."NAZ_DATE"], with IBnaz_sel opened on the
// employee's appointments in the latest appointment's position (and in its category, grade and
// class where those are set), earliest first. IBnazn must be open on the employee.
QString PrepareHeldSince(TDM* Dm);

// The expression of the attestation sheet's position memo without the category: the name of
// the positions row on which IBprof stands, which is put on the employee's position here; an
// employee whose position is not in the directory gets an empty text (not another one's).
QString PreparePositionName(TDM* Dm);

inline constexpr const char16_t SWoworkExpr[] = u"[IBQuery.\"WOWORK\"]";
inline constexpr const char16_t SHeldSinceExpr[] = u"[IBnaz_sel.\"NAZ_DATE\"]";
inline constexpr const char16_t SPositionExpr[] = u"[IBprof.\"NAMPROF\"]";
