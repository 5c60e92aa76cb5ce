// Helpers for building the application's windows in code: a control placed on its parent
// with its name and bounds, a label that sizes itself to its text, a fixed dialog.
#pragma once

#include "Forms.h"
#include "StdCtrls.h"

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
