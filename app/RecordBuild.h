// Helpers for the record windows: data-bound controls laid out along a line that reads as a
// sentence (a caption, its control, the next caption...); the list grid's columns and footers
// come from GridBuild.h.
#pragma once

#include "DBCtrls.h"
#include "DBGridEh.h"
#include "FormBuild.h"
#include "GridBuild.h"
#include "Graphics.h"
#include "RXDBCtrl.h"
#include "RxLookup.h"

// Places captions and data controls left to right on one line of Parent.
class TLinePlacer {
public:
    TLinePlacer(TComponent* Owner, TWinControl* Parent, TDataSource* Source, int Left, int Top)
        : owner(Owner), parent(Parent), source(Source), x(Left), y(Top) {}
    // A caption sized to its text.
    TLabel* Caption(const char* Text) {
        TLabel* l = PlaceLabel(owner, parent, "", x, y + 3, Text);
        // Measured here: a label sizes itself only once its form has been loaded.
        TBitmap measure;
        measure.GetCanvas()->GetFont()->Assign(l->GetFont());
        x += measure.GetCanvas()->TextWidth(l->GetCaption()) + 6;
        return l;
    }
    TDBEdit* Edit(const char* Name, const char* Field, int Width, bool ReadOnly = false) {
        TDBEdit* e = next<TDBEdit>(Name, Width);
        e->SetDataSource(source);
        e->SetDataField(QString::fromLatin1(Field));
        if (ReadOnly) {
            e->SetReadOnly(true);
            e->SetTabStop(false);
            e->SetColor(clBtnFace);
        }
        return e;
    }
    TDBDateEdit* Date(const char* Name, const char* Field) {
        TDBDateEdit* d = next<TDBDateEdit>(Name, 104);
        d->SetDataSource(source);
        d->SetDataField(QString::fromLatin1(Field));
        d->SetYearDigits(dyFour);
        d->SetCalendarStyle(csPopup);
        d->SetWeekends(TDaysOfWeek{Sat, Sun});
        return d;
    }
    TDBComboBox* Combo(const char* Name, const char* Field, int Width, const QStringList& Items) {
        TDBComboBox* c = next<TDBComboBox>(Name, Width);
        c->SetDataSource(source);
        c->SetDataField(QString::fromLatin1(Field));
        c->GetItems()->SetText(Items.join(u'\n'));
        return c;
    }
    // A lookup of Field into LookupSource (key KeyField, shown Display).
    TRxDBLookupCombo* Lookup(const char* Name, const char* Field, int Width,
                             TDataSource* LookupSource, const char* KeyField, const char* Display,
                             bool ReadOnly = false) {
        TRxDBLookupCombo* l = next<TRxDBLookupCombo>(Name, Width);
        l->SetDropDownCount(10);
        if (Field) {
            l->SetDataSource(source);
            l->SetDataField(QString::fromLatin1(Field));
        }
        l->SetLookupSource(LookupSource);
        l->SetLookupField(QString::fromLatin1(KeyField));
        l->SetLookupDisplay(QString::fromLatin1(Display));
        if (ReadOnly) {
            l->SetReadOnly(true);
            l->SetTabStop(false);
        }
        return l;
    }
    void Skip(int Width) { x += Width; }
    // Goes on at Left on the line Step pixels lower.
    void NewLine(int Left, int Step = 28) {
        x = Left;
        y += Step;
    }
    int X() const { return x; }
    int Y() const { return y; }

private:
    template <class T> T* next(const char* Name, int Width) {
        T* c = Place<T>(owner, parent, Name, x, y, Width, 22);
        x += Width + 8;
        return c;
    }
    TComponent* owner;
    TWinControl* parent;
    TDataSource* source;
    int x, y;
};
