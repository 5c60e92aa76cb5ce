// THintWindow: the window that shows a control's hint.
#include "Forms.h"
#include "UiInternal.h"

THintWindow::THintWindow(TComponent* AOwner) : TCustomControl(AOwner) {
    color = clInfoBk;
    parentColor = false;
    visible = false;
    font->Assign(Screen->GetHintFont());
    parentFont = false;
}

void THintWindow::CreateParams(TCreateParams& Params) {
    TCustomControl::CreateParams(Params);
    Params.Style = WS_POPUP | WS_BORDER;
    Params.WndParent = nullptr;
    Params.WindowClassStyle |= CS_SAVEBITS;
}

QWidget* THintWindow::CreateWindowWidget(const TCreateParams& Params, QWidget* ParentWidget) {
    auto* w = new TWinWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint);
    w->setAttribute(Qt::WA_ShowWithoutActivating);
    return w;
}

TRect THintWindow::CalcHintRect(int MaxWidth, const QString& AHint, void* AData) {
    TBitmap measure(1, 1);
    TCanvas* c = measure.GetCanvas();
    c->GetFont()->Assign(canvas->GetFont()->GetName() == font->GetName() ? font.get()
                                                                         : canvas->GetFont());
    TRect r{0, 0, MaxWidth, 0};
    c->DrawText(AHint, r, DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
    r.Right += 6;
    r.Bottom += 2;
    return r;
}

void THintWindow::ActivateHint(TRect Rect, const QString& AHint) {
    SetCaption(AHint);
    // keep it on the screen
    int sw = Screen->GetWidth(), sh = Screen->GetHeight();
    if (Rect.Right > sw) {
        int d = Rect.Right - sw;
        Rect.Left -= d;
        Rect.Right -= d;
    }
    if (Rect.Left < 0) {
        Rect.Right -= Rect.Left;
        Rect.Left = 0;
    }
    if (Rect.Bottom > sh) {
        int d = Rect.Bottom - sh;
        Rect.Top -= d;
        Rect.Bottom -= d;
    }
    SetBounds(Rect.Left, Rect.Top, Rect.Width(), Rect.Height());
    HandleNeeded();
    visible = true;
    GetHandle()->show();
    RaiseWindow(GetHandle());
    Invalidate();
}

void THintWindow::ActivateHintData(TRect Rect, const QString& AHint, void* AData) {
    ActivateHint(Rect, AHint);
}

bool THintWindow::IsHintMsg(TMessage& Msg) {
    return (Msg.Msg >= WM_KEYFIRST && Msg.Msg <= WM_KEYLAST) ||
           (Msg.Msg >= WM_LBUTTONDOWN && Msg.Msg <= WM_MOUSELAST) || Msg.Msg == CM_ACTIVATE ||
           Msg.Msg == CM_DEACTIVATE || Msg.Msg == CM_APPKEYDOWN || Msg.Msg == WM_ACTIVATEAPP;
}

void THintWindow::ReleaseHandle() {
    visible = false;
    DestroyHandle();
}

void THintWindow::Paint() {
    TCanvas* c = GetCanvas();
    TRect r = GetClientRect();
    c->GetBrush()->SetColor(color);
    c->GetBrush()->SetStyle(bsSolid);
    c->FillRect(r);
    c->GetBrush()->SetColor(clBlack);
    c->FrameRect(r);
    c->GetFont()->Assign(font.get());
    c->GetFont()->SetColor(clInfoText);
    c->GetBrush()->SetStyle(bsClear);
    TRect t{r.Left + 2, r.Top + 2, r.Right - 2, r.Bottom - 2};
    c->DrawText(GetCaption(), t, DT_LEFT | DT_NOPREFIX | DT_WORDBREAK);
}
