// Helpers of the standard-control tests: typing text as real key events, and a form to put
// controls on.
#pragma once

#include "StdCtrls.h"
#include "UiTestSupport.h"

#include <QApplication>

inline int QtKeyOfChar(QChar Ch) {
    if (Ch.isDigit() && Ch.unicode() < 128) return Qt::Key_0 + (Ch.unicode() - '0');
    if (Ch.unicode() < 128 && Ch.isLetter()) return Qt::Key_A + (Ch.toUpper().unicode() - 'A');
    if (Ch == u' ') return Qt::Key_Space;
    return Ch.toUpper().unicode();
}

// Types each character of Text into the control as a key press and release.
inline void TypeText(TWinControl* C, const QString& Text) {
    for (QChar ch : Text)
        SendKey(C, QtKeyOfChar(ch), QString(ch));
}

inline void PressKey(TWinControl* C, int QtKey, Qt::KeyboardModifiers M = {}) {
    QString text;
    if (QtKey == Qt::Key_Backspace)
        text = QString(QChar(8));
    else if (QtKey == Qt::Key_Return)
        text = QString(QChar(13));
    else if (QtKey == Qt::Key_Escape)
        text = QString(QChar(27));
    SendKey(C, QtKey, text, M);
}

// An empty form, shown, that owns what the test puts on it.
class TTestForm : public TForm {
    KADRION_CLASS(TTestForm)
    explicit TTestForm(TComponent* AOwner) : TForm(AOwner) { SetBounds(20, 20, 420, 320); }
    template <typename T> T* Add(int L, int Tp, int W, int H, TWinControl* Parent = nullptr) {
        T* c = new T(this);
        c->SetBounds(L, Tp, W, H);
        c->SetParent(Parent ? Parent : this);
        return c;
    }
};

class FormTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = CreateNewForm<TTestForm>(nullptr);
        form->Show();
        QApplication::processEvents();
    }
    void TearDown() override {
        delete form;
        QApplication::processEvents();
    }
    TTestForm* form = nullptr;
};

// A card with two edits, a label "&Місто:" for the second and a button "&Зберегти" that
// counts its clicks: the accelerators a user reaches with Alt.
struct TAcceleratorCard {
    explicit TAcceleratorCard(TTestForm* Form) {
        Name = Form->Add<TEdit>(100, 10, 150, 22);
        City = Form->Add<TEdit>(100, 40, 150, 22);
        auto* cityLabel = new TLabel(Form);
        cityLabel->SetParent(Form);
        cityLabel->SetBounds(10, 42, 80, 17);
        cityLabel->SetCaption(QStringLiteral("&Місто:"));
        cityLabel->SetFocusControl(City);
        Save = Form->Add<TButton>(10, 80, 90, 25);
        Save->SetCaption(QStringLiteral("&Зберегти"));
        Save->OnClick = [this](TObject*) { ++Saves; };
    }
    TEdit* Name;
    TEdit* City;
    TButton* Save;
    int Saves = 0;
};
