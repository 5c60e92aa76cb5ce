// The tool-bar menu bar.
#include "rMenuBar.h"

#include "Forms.h"

namespace {

bool offerToBars(TWinControl* Parent, TMessage& Msg) {
    for (int i = 0; i < Parent->ControlCount(); ++i) {
        TControl* c = Parent->GetControls(i);
        if (auto* bar = dynamic_cast<TrMenuBar*>(c)) {
            if (bar->GetMenu() && bar->Perform(CM_DIALOGKEY, Msg.WParam, Msg.LParam) != 0)
                return true;
        } else if (auto* w = dynamic_cast<TWinControl*>(c)) {
            if (offerToBars(w, Msg)) return true;
        }
    }
    return false;
}

// The form's shortcut keys go first where they went before (its own menu, pop-up menus and
// action lists), then to the menu bars on the form and on its MDI frame.
void installShortCuts() {
    static bool done = false;
    if (done) return;
    done = true;
    InstallMenuHandlers();
    auto previous = std::make_shared<std::function<bool(TCustomForm*, TMessage&)>>();
    *previous = SetFormShortCutHandler([previous](TCustomForm* Form, TMessage& Msg) {
        if (*previous && (*previous)(Form, Msg)) return true;
        for (TCustomForm* f = Form; f; f = f->MDIParentForm())
            if (offerToBars(f, Msg)) return true;
        return false;
    });
}

} // namespace

TrMenuBar::TrMenuBar(TComponent* AOwner) : TToolBar(AOwner) {
    installShortCuts();
    SetFlat(true);
    SetShowCaptions(true);
    controlStyle =
        TControlStyle{csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks, csMenuEvents};
}

TrMenuBar::~TrMenuBar() {
    if (menu) menu->RemoveFreeNotification(this);
}

void TrMenuBar::destroyButtons() {
    for (int i = ButtonCount() - 1; i >= 0; --i)
        delete GetButtons(i);
}

void TrMenuBar::SetMenu(TMainMenu* Value) {
    if (menu == Value) return;
    if (menu) {
        destroyButtons();
        menu->RemoveFreeNotification(this);
    }
    menu = Value;
    if (!Value) return;
    Value->FreeNotification(this);
    TMenuItem* top = Value->GetItems();
    std::vector<TToolButton*> buttons;
    for (int i = 0; i < top->GetCount(); ++i) {
        auto* b = new TToolButton(this);
        try {
            b->SetAutoSize(true);
            b->SetGrouped(true);
            b->SetParent(this);
        } catch (...) {
            delete b;
            throw;
        }
        buttons.push_back(b);
    }
    for (size_t i = 0; i < buttons.size(); ++i)
        buttons[i]->SetMenuItem(top->GetItems(int(i)));
    ArrangeButtons();
}

void TrMenuBar::Notification(TComponent* AComponent, TOperation Operation) {
    TToolBar::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == menu) {
        destroyButtons();
        menu = nullptr;
    }
}

void TrMenuBar::SetEdgeBorders(TEdgeBorders Value) {
    if (edgeBorders == Value) return;
    edgeBorders = Value;
    Invalidate();
}

void TrMenuBar::SetTransparent(bool Value) {
    if (transparent == Value) return;
    transparent = Value;
    Invalidate();
}

TToolButton* TrMenuBar::FindAccelButton(QChar Key) const {
    QChar k = Key.toUpper();
    for (int i = 0; i < ButtonCount(); ++i) {
        TToolButton* b = GetButtons(i);
        if (!b->GetVisible() || !b->GetEnabled()) continue;
        QChar a = GetHotkey(b->GetCaption()).toUpper();
        if (!a.isNull() && a == k) return b;
    }
    return nullptr;
}

void TrMenuBar::Paint() {
    TCanvas* c = GetCanvas();
    TColor back = transparent && parent ? parent->GetColor() : color;
    c->GetBrush()->SetStyle(bsSolid);
    c->GetBrush()->SetColor(back);
    TRect r = GetClientRect();
    c->FillRect(r);
    unsigned edges = 0;
    if (edgeBorders.Contains(ebLeft)) edges |= BF_LEFT;
    if (edgeBorders.Contains(ebTop)) edges |= BF_TOP;
    if (edgeBorders.Contains(ebRight)) edges |= BF_RIGHT;
    if (edgeBorders.Contains(ebBottom)) edges |= BF_BOTTOM;
    if (edges) DrawEdge(c, r, EDGE_ETCHED, edges);
}

void TrMenuBar::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CM_DIALOGKEY: {
        if (menu && menu->IsShortCut(Message)) {
            Message.Result = 1;
            return;
        }
        // Alt with a caption's accelerator drops that menu
        WORD key = WORD(Message.WParam);
        bool alt = KeyDataToShiftState(Message.LParam).Contains(ssAlt);
        bool letter = (key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9');
        if (alt && letter)
            if (TToolButton* b = FindAccelButton(QChar(key))) {
                Message.Result = 1;
                b->Click();
                return;
            }
        break;
    }
    case CM_DIALOGCHAR:
        if (TToolButton* b = FindAccelButton(QChar(char16_t(Message.WParam)))) {
            Message.Result = 1;
            b->Click();
            return;
        }
        break;
    default:
        break;
    }
    TToolBar::Dispatch(Message);
}
