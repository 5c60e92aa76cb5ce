// Views of dialog pages: the wrapped control or non-visual component, the hidden form that
// holds them, and how a dialog page is shown before a build.
#include "FR_Class.h"

#include "Forms.h"
#include "Graphics.h"
#include "ScopeGuard.h"

using namespace Qt::Literals::StringLiterals;

TForm* frDialogForm() {
    TfrGlobals& g = frGlobals();
    if (!g.DialogForm) {
        g.DialogForm.reset(new TForm(nullptr));
        g.DialogForm->SetName(u"DialogForm"_s);
        g.DialogForm->SetBounds(-100, -100, 10, 10);
    }
    return g.DialogForm.get();
}

namespace {

// Clears the watched of the components it watches when they are freed by someone else.
class TComponentWatcher : public TComponent {
public:
    TComponentWatcher() : TComponent(nullptr) {}
    void Add(TComponent* Component, TComponent** Slot) {
        if (!Component) return;
        Component->FreeNotification(this);
        watched.push_back({Component, Slot});
    }

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override {
        TComponent::Notification(AComponent, Operation);
        if (Operation != opRemove) return;
        for (auto& [c, slot] : watched)
            if (c == AComponent) {
                if (*slot == c) *slot = nullptr;
                c = nullptr;
            }
    }

private:
    std::vector<std::pair<TComponent*, TComponent**>> watched;
};

} // namespace

// ---- TfrControl -------------------------------------------------------------------------

TfrControl::TfrControl() : watcher(std::make_unique<TComponentWatcher>()) {
    Typ = gtAddIn;
    FillColor = clBtnFace;
    FrameTyp = 0;
}

TfrControl::~TfrControl() {
    // The watcher goes first so that freeing the control does not write into this view.
    TControl* c = FControl;
    FControl = nullptr;
    watcher.reset();
    delete c;
}

void TfrControl::SetControl(TControl* AControl) {
    FControl = AControl;
    if (!AControl) return;
    Watch(AControl, reinterpret_cast<TComponent**>(&FControl));
    if (auto* w = dynamic_cast<TWinControl*>(frDialogForm())) AControl->SetParent(w);
}

void TfrControl::Watch(TComponent* Component, TComponent** Slot) {
    static_cast<TComponentWatcher*>(watcher.get())->Add(Component, Slot);
}

void TfrControl::DefineProperties() {
    AddProperty(u"Name"_s, frdtOneObject | frdtString);
    AddProperty(u"Left"_s, frdtSize);
    AddProperty(u"Top"_s, frdtSize);
    AddProperty(u"Width"_s, frdtSize);
    AddProperty(u"Height"_s, frdtSize);
    AddProperty(u"Visible"_s, frdtBoolean);
    AddProperty(u"Restrictions"_s, frdtHasEditor);
}

void TfrControl::SetPropValue(const QString& Index, const Variant& Value) {
    TfrView::SetPropValue(Index, Value);
    const QString n = AnsiUpperCase(Index);
    if (n == "VISIBLE"_L1 && FControl) FControl->SetVisible(Visible);
}

Variant TfrControl::GetPropValue(const QString& Index) {
    return TfrView::GetPropValue(Index);
}

void TfrControl::PlaceControl(TWinControl* Form) {
    if (!FControl) return;
    if (Form) {
        FControl->SetParent(Form);
        FControl->SetBounds(Left, Top, Width, Height);
        FControl->SetVisible(Visible);
    } else {
        FControl->SetParent(frDialogForm());
    }
}

void TfrControl::Draw(TCanvas* ACanvas) {
    BeginDraw(ACanvas);
    if (FControl && !FControl->GetParent()) FControl->SetParent(frDialogForm());
    if (FControl) FControl->SetBounds(FControl->GetLeft(), FControl->GetTop(), Width, Height);
    ComputeDrawRect();
    PaintControl();
    RestoreGeometry();
}

void TfrControl::PaintControl() {
    if (!FControl || !Canvas) return;
    TBitmap bmp(Width + 1, Height + 1);
    TCanvas* c = bmp.GetCanvas();
    c->GetBrush()->SetColor(clBtnFace);
    c->FillRect(TRect{0, 0, Width + 1, Height + 1});
    const int oldLeft = FControl->GetLeft(), oldTop = FControl->GetTop();
    FControl->SetBounds(0, 0, Width, Height);
    if (auto* w = dynamic_cast<TWinControl*>(FControl)) {
        w->PaintTo(c, 0, 0);
    } else {
        TMessage paint{WM_PAINT, WPARAM(c), 0, 0};
        FControl->WindowProc(paint);
    }
    FControl->SetBounds(oldLeft, oldTop, Width, Height);
    Canvas->Draw(DrawRect.Left, DrawRect.Top, &bmp);
}

// ---- TfrNonVisualControl ----------------------------------------------------------------

TfrNonVisualControl::TfrNonVisualControl() {
    Width = Height = 28;
}

TfrNonVisualControl::~TfrNonVisualControl() = default;

void TfrNonVisualControl::SetComponent(TComponent* AComponent) {
    FComponent = AComponent;
    Watch(AComponent, &FComponent);
}

void TfrNonVisualControl::DefineProperties() {
    AddProperty(u"Name"_s, frdtOneObject | frdtString);
    AddProperty(u"Restrictions"_s, frdtHasEditor);
}

void TfrNonVisualControl::SetPropValue(const QString& Index, const Variant& Value) {
    TfrView::SetPropValue(Index, Value);
    if (AnsiUpperCase(Index) == "NAME"_L1 && FComponent) {
        try {
            FComponent->SetName(Name);
        } catch (const Exception&) {
            // A name the platform refuses (a duplicate on the hidden form) keeps the old one.
        }
    }
}

void TfrNonVisualControl::Draw(TCanvas* ACanvas) {
    Width = Height = 28;
    BeginDraw(ACanvas);
    ComputeDrawRect();
    Canvas->GetBrush()->SetStyle(bsSolid);
    Canvas->GetBrush()->SetColor(clBtnFace);
    Canvas->FillRect(DrawRect);
    PaintControl();
    RestoreGeometry();
}

void TfrNonVisualControl::PaintControl() {
    if (!Canvas) return;
    TRect r = DrawRect;
    DrawEdge(Canvas, r, EDGE_RAISED, BF_RECT);
    // The icon: a small cylinder, the mark of a data component.
    const int x = DrawRect.Left + 2 + 4, y = DrawRect.Top + 2 + 3;
    Canvas->GetPen()->SetColor(clBlack);
    Canvas->GetBrush()->SetColor(clSilver);
    Canvas->Rectangle(x, y + 3, x + 14, y + 17);
    Canvas->Ellipse(x, y, x + 14, y + 6);
    Canvas->Ellipse(x, y + 14, x + 14, y + 20);
}

// ---- a dialog page shown before a build ---------------------------------------------------

// Shows the page's controls on a form of their own, modally; true when the user cancelled.
bool frShowDialogPage(TfrPage* Page) {
    std::vector<TfrControl*> controls;
    for (int i = 0; i < Page->Objects.Count(); ++i) {
        TfrView* v = Page->GetObject(i);
        v->ParentPage = Page;
        auto* c = dynamic_cast<TfrControl*>(v);
        if (c && !dynamic_cast<TfrNonVisualControl*>(c) && c->GetControl()) controls.push_back(c);
    }
    if (controls.empty() || !Page->Visible) {
        frRunScriptText(&Page->Script);
        return false;
    }
    std::unique_ptr<TForm> form(CreateNewForm<TForm>(nullptr));
    form->SetBorderStyle(TFormBorderStyle(Page->BorderStyle));
    form->SetCaption(Page->Caption);
    form->SetColor(TColor(Page->Color));
    form->SetBounds(Page->Left, Page->Top, Page->Width, Page->Height);
    form->SetPosition(TPosition(Page->Position));
    bool activated = false;
    form->OnActivate = [&](TObject*) {
        if (activated) return;
        activated = true;
        frRunScriptText(&Page->Script);
    };
    TfrReport* report = frGlobals().ActiveReport;
    for (TfrControl* c : controls) {
        if (report && report->OnCustomizeObject) report->OnCustomizeObject(c, c->GetControl());
        c->PlaceControl(form.get());
    }
    TScopeGuard unplace([&controls] {
        for (TfrControl* c : controls)
            c->PlaceControl(nullptr);
    });
    const TModalResult result = form->ShowModal();
    unplace.End();
    return result == mrCancel;
}
