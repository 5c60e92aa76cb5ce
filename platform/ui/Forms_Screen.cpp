// TScreen (the display, its cursors, fonts and the list of forms) and TMouse.
#include "Forms.h"
#include "UiInternal.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>

// ---- TScreen
// ----------------------------------------------------------------------------------------

TScreen::TScreen(TComponent* AOwner)
    : TComponent(AOwner), hintFont(std::make_unique<TFont>()), iconFont(std::make_unique<TFont>()),
      menuFont(std::make_unique<TFont>()) {
    hintFont->SetColor(clInfoText);
}

TScreen::~TScreen() = default;

namespace {
QScreen* primary() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance())
               ? QGuiApplication::primaryScreen()
               : nullptr;
}
} // namespace

int TScreen::GetWidth() const {
    QScreen* s = primary();
    return s ? s->geometry().width() : 1024;
}

int TScreen::GetHeight() const {
    QScreen* s = primary();
    return s ? s->geometry().height() : 768;
}

TRect TScreen::GetWorkAreaRect() const {
    QScreen* s = primary();
    if (!s) return TRect{0, 0, 1024, 768};
    QRect r = s->availableGeometry();
    return TRect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

int TScreen::GetPixelsPerInch() const {
    QScreen* s = primary();
    return s ? int(s->logicalDotsPerInch() + 0.5) : 96;
}

void TScreen::SetCursor(TCursor Value) {
    if (cursor == Value) return;
    cursor = Value;
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return;
    if (Value == crDefault) {
        if (overrideSet) {
            QGuiApplication::restoreOverrideCursor();
            overrideSet = false;
        }
    } else if (overrideSet) {
        QGuiApplication::changeOverrideCursor(GetCursors(Value));
    } else {
        QGuiApplication::setOverrideCursor(GetCursors(Value));
        overrideSet = true;
    }
}

QCursor TScreen::GetCursors(TCursor Index) const {
    auto it = customCursors.find(Index);
    if (it != customCursors.end()) return it->second;
    return QCursor(CursorShapeOf(Index));
}

void TScreen::SetCursors(TCursor Index, const QCursor& Cursor) {
    customCursors[Index] = Cursor;
}

QStringList TScreen::GetFonts() const {
    return QFontDatabase::families();
}

void TScreen::AddForm(TCustomForm* F) {
    if (std::find(forms.begin(), forms.end(), F) == forms.end()) forms.push_back(F);
}

void TScreen::RemoveForm(TCustomForm* F) {
    forms.erase(std::remove(forms.begin(), forms.end(), F), forms.end());
    if (activeForm == F) {
        activeForm = nullptr;
        if (OnActiveFormChange) GuardedCall([this]() { OnActiveFormChange(this); }, this);
    }
    if (focusedForm == F) focusedForm = nullptr;
    if (activeControl && GetParentForm(activeControl) == F) {
        activeControl = nullptr;
        if (OnActiveControlChange) GuardedCall([this]() { OnActiveControlChange(this); }, this);
    }
}

void TScreen::MoveFormToFront(TCustomForm* F) {
    auto it = std::find(forms.begin(), forms.end(), F);
    if (it == forms.end() || it == forms.begin()) return;
    forms.erase(it);
    forms.insert(forms.begin(), F);
}

void TScreen::AddDataModule(TDataModule* D) {
    dataModules.push_back(D);
}

void TScreen::RemoveDataModule(TDataModule* D) {
    dataModules.erase(std::remove(dataModules.begin(), dataModules.end(), D), dataModules.end());
}

void TScreen::SetActive(TCustomForm* Form, TWinControl* Control) {
    bool formChanged = activeForm != Form;
    activeForm = Form;
    if (activeControl != Control) {
        activeControl = Control;
        if (OnActiveControlChange) OnActiveControlChange(this);
    }
    if (formChanged && OnActiveFormChange) OnActiveFormChange(this);
}

void TScreen::ControlDestroyed(TWinControl* Control) {
    if (activeControl == Control) {
        activeControl = nullptr;
        if (OnActiveControlChange) GuardedCall([this]() { OnActiveControlChange(this); }, this);
    }
}

void TScreen::FormDefocused(TCustomForm* Form) {
    if (focusedForm == Form) focusedForm = nullptr;
}

// ---- TMouse
// ------------------------------------------------------------------------------------------------

TPoint TMouse::GetCursorPos() const {
    return TrackedCursorPos();
}

void TMouse::SetCursorPos(const TPoint& P) {
    QCursor::setPos(P.X, P.Y);
    SetTrackedCursorPos(P);
}
