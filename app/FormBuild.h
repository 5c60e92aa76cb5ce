// Helpers for building the application's windows in code: a control placed on its parent
// with its name and bounds, a label that sizes itself to its text, a fixed dialog.
#pragma once

#include "Forms.h"
#include "StdCtrls.h"
#include "ToolEdit.h"

template <class T>
T* Place(TComponent* Owner, TWinControl* Parent, const char* Name, int Left, int Top, int Width,
         int Height) {
    T* c = new T(Owner);
    c->SetName(QString::fromLatin1(Name));
    c->SetParent(Parent);
    c->SetBounds(Left, Top, Width, Height);
    return c;
}

inline TLabel* PlaceLabel(TComponent* Owner, TWinControl* Parent, const char* Name, int Left,
                          int Top, const char* Text) {
    TLabel* l = Place<TLabel>(Owner, Parent, Name, Left, Top, 40, 17);
    l->SetAutoSize(true);
    l->SetCaption(QString::fromUtf8(Text));
    return l;
}

// A dialog centred on the screen, with a fixed frame, its caption and client size.
inline void SetUpDialog(TForm* F, const char* Name, const char* Caption, int Width, int Height) {
    F->SetName(QString::fromLatin1(Name));
    F->SetBorderStyle(bsDialog);
    F->SetPosition(poScreenCenter);
    F->SetCaption(QString::fromUtf8(Caption));
    F->SetClientSize(Width, Height);
}

// A date edit as the application's windows use it: four-digit years, the calendar drops
// down, Saturday and Sunday are days off, the date is chosen in the calendar.
inline TDateEdit* PlaceDateEdit(TComponent* Owner, TWinControl* Parent, const char* Name, int Left,
                                int Top) {
    TDateEdit* e = Place<TDateEdit>(Owner, Parent, Name, Left, Top, 112, 21);
    e->SetDefaultToday(true);
    e->SetYearDigits(dyFour);
    e->SetCalendarStyle(csPopup);
    e->SetWeekends(TDaysOfWeek{Sat, Sun});
    e->SetDirectInput(false);
    return e;
}
