#include "FR_DCtrl.h"

#include "ComCtrls.h"
#include "DBCtrls.h"
#include "FR_DBSet.h"
#include "FR_DBUtils.h"
#include "Forms.h"
#include "StdCtrls.h"

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {

QList<Variant> values(std::initializer_list<int> l) {
    QList<Variant> r;
    for (int v : l)
        r << Variant(v);
    return r;
}

TfrFont toFrFont(TFont* f) {
    TfrFont r;
    r.Name = f->GetName();
    r.Size = f->GetSize();
    r.Style = int(f->GetStyle().Mask());
    r.Color = int32_t(f->GetColor());
    r.Charset = int(f->GetCharset());
    return r;
}

void fromFrFont(const TfrFont& s, TFont* f) {
    f->SetName(s.Name);
    f->SetSize(s.Size);
    f->SetStyle(TFontStyles::FromMask(uint64_t(s.Style) & 15));
    f->SetColor(TColor(s.Color));
    f->SetCharset(TFontCharset(s.Charset));
}

void addConstants(std::initializer_list<std::pair<const char*, int>> l) {
    TfrVariables& consts = frGlobals().frConsts;
    for (const auto& [name, value] : l)
        consts.SetVariable(QString::fromLatin1(name), Variant(value));
}

// The revision of a loaded view as major x 10 + minor.
int revision(const TfrView* v) {
    return v->RevMajor * 10 + v->RevMinor;
}

} // namespace

// ---- TfrStdControl ----------------------------------------------------------------------

void TfrStdControl::Adopt(TControl* AControl) {
    SetControl(AControl);
    AControl->OnClick = [this](TObject*) { Click(); };
}

void TfrStdControl::Click() {
    TfrGlobals& g = frGlobals();
    if (!g.ReportRunning) return;
    g.ActiveView = this;
    TStringList compiled, errors;
    g.frInterpretator.PrepareScript(&Script, &compiled, &errors);
    g.frInterpretator.DoScript(&compiled);
}

void TfrStdControl::DefineProperties() {
    TfrControl::DefineProperties();
    AddProperty(u"Color"_s, frdtColor);
    AddProperty(u"Enabled"_s, frdtBoolean);
    AddProperty(u"Font"_s, frdtHasEditor);
    AddProperty(u"Font.Name"_s, 0);
    AddProperty(u"Font.Size"_s, 0);
    AddProperty(u"Font.Style"_s, 0);
    AddProperty(u"Font.Color"_s, 0);
    AddProperty(u"OnClick"_s, frdtString | frdtHasEditor);
}

void TfrStdControl::SetPropValue(const QString& Index, const Variant& Value) {
    TfrControl::SetPropValue(Index, Value);
    TControl* c = GetControl();
    if (!c) return;
    const QString n = AnsiUpperCase(Index);
    if (n == "COLOR"_L1) {
        c->SetColor(TColor(Value.AsInteger()));
    } else if (n == "ENABLED"_L1) {
        c->SetEnabled(Value.AsBoolean());
    } else if (n.startsWith("FONT."_L1)) {
        TfrFont f = toFrFont(c->GetFont());
        frSetFontProp(f, n, Value);
        fromFrFont(f, c->GetFont());
    } else if (frGlobals().ReportRunning &&
               (n == "LEFT"_L1 || n == "TOP"_L1 || n == "WIDTH"_L1 || n == "HEIGHT"_L1)) {
        c->SetBounds(Left, Top, Width, Height);
    }
}

Variant TfrStdControl::GetPropValue(const QString& Index) {
    Variant v = TfrControl::GetPropValue(Index);
    TControl* c = GetControl();
    if (!v.IsNull() || !c) return v;
    const QString n = AnsiUpperCase(Index);
    if (n == "COLOR"_L1) return Variant(int(c->GetColor()));
    if (n == "ENABLED"_L1) return Variant(c->GetEnabled());
    if (n.startsWith("FONT."_L1)) return frGetFontProp(toFrFont(c->GetFont()), n);
    return Null();
}

Variant TfrStdControl::DoMethod(const QString& MethodName, const Variant& Par1, const Variant& Par2,
                                const Variant& Par3) {
    Variant r = TfrControl::DoMethod(MethodName, Par1, Par2, Par3);
    if (AnsiUpperCase(MethodName) == "SETFOCUS"_L1)
        if (auto* w = dynamic_cast<TWinControl*>(GetControl()); w && w->CanFocus()) w->SetFocus();
    return r;
}

void TfrStdControl::LoadFromStream(TStream* Stream) {
    TfrControl::LoadFromStream(Stream);
    const int32_t color = frReadInteger(Stream);
    const bool enabled = frReadBoolean(Stream);
    TfrFont font;
    frReadFont(Stream, font);
    if (TControl* c = GetControl()) {
        c->SetColor(TColor(color));
        c->SetEnabled(enabled);
        fromFrFont(font, c->GetFont());
    }
}

void TfrStdControl::SaveToStream(TStream* Stream) {
    TfrControl::SaveToStream(Stream);
    TControl* c = GetControl();
    frWriteInteger(Stream, c ? int32_t(c->GetColor()) : int32_t(clBtnFace));
    frWriteBoolean(Stream, !c || c->GetEnabled());
    frWriteFont(Stream, c ? toFrFont(c->GetFont()) : TfrFont());
}

// ---- label ------------------------------------------------------------------------------

TfrLabelControl::TfrLabelControl() {
    BaseName = u"Label"_s;
    auto* l = new TLabel(nullptr);
    l->SetCaption(u"Label"_s);
    Adopt(l);
    addConstants({{"taLeftJustify", 0}, {"taRightJustify", 1}, {"taCenter", 2}});
}

TLabel* TfrLabelControl::GetLabel() const {
    return static_cast<TLabel*>(GetControl());
}

void TfrLabelControl::DefineProperties() {
    TfrStdControl::DefineProperties();
    AddProperty(u"Alignment"_s, frdtEnum, {u"taLeftJustify"_s, u"taRightJustify"_s, u"taCenter"_s},
                values({0, 1, 2}));
    AddProperty(u"AutoSize"_s, frdtBoolean);
    AddProperty(u"Caption"_s, frdtOneObject);
    AddProperty(u"WordWrap"_s, frdtBoolean);
}

void TfrLabelControl::SetPropValue(const QString& Index, const Variant& Value) {
    TfrStdControl::SetPropValue(Index, Value);
    TLabel* l = GetLabel();
    if (!l) return;
    const QString n = AnsiUpperCase(Index);
    if (n == "ALIGNMENT"_L1)
        l->SetAlignment(TAlignment(std::clamp<int64_t>(Value.AsInteger(), 0, 2)));
    else if (n == "AUTOSIZE"_L1)
        l->SetAutoSize(Value.AsBoolean());
    else if (n == "CAPTION"_L1)
        l->SetCaption(VarToStr(Value));
    else if (n == "WORDWRAP"_L1)
        l->SetWordWrap(Value.AsBoolean());
}

Variant TfrLabelControl::GetPropValue(const QString& Index) {
    Variant v = TfrStdControl::GetPropValue(Index);
    TLabel* l = GetLabel();
    if (!v.IsNull() || !l) return v;
    const QString n = AnsiUpperCase(Index);
    if (n == "ALIGNMENT"_L1) return Variant(int(l->GetAlignment()));
    if (n == "AUTOSIZE"_L1) return Variant(l->GetAutoSize());
    if (n == "CAPTION"_L1) return Variant(l->GetCaption());
    if (n == "WORDWRAP"_L1) return Variant(l->GetWordWrap());
    return Null();
}

void TfrLabelControl::ApplyAutoSize() {
    TLabel* l = GetLabel();
    if (!l) return;
    if (l->GetAutoSize()) {
        l->AdjustBounds();
        Width = l->GetWidth();
        Height = l->GetHeight();
    } else {
        l->SetBounds(l->GetLeft(), l->GetTop(), Width, Height);
    }
}

void TfrLabelControl::LoadFromStream(TStream* Stream) {
    TfrStdControl::LoadFromStream(Stream);
    const int alignment = frReadByte(Stream);
    const bool autoSize = frReadBoolean(Stream);
    const QString caption = frReadString(Stream);
    const bool wordWrap = frReadBoolean(Stream);
    if (TLabel* l = GetLabel()) {
        l->SetAlignment(TAlignment(std::min(alignment, 2)));
        l->SetCaption(caption);
        l->SetWordWrap(wordWrap);
        l->SetAutoSize(autoSize);
    }
    ApplyAutoSize();
}

void TfrLabelControl::SaveToStream(TStream* Stream) {
    TfrStdControl::SaveToStream(Stream);
    TLabel* l = GetLabel();
    frWriteByte(Stream, l ? uint8_t(l->GetAlignment()) : 0);
    frWriteBoolean(Stream, l && l->GetAutoSize());
    frWriteString(Stream, l ? l->GetCaption() : QString());
    frWriteBoolean(Stream, l && l->GetWordWrap());
}

void TfrLabelControl::Draw(TCanvas* ACanvas) {
    BeginDraw(ACanvas);
    ApplyAutoSize();
    ComputeDrawRect();
    PaintControl();
    RestoreGeometry();
}

// ---- edit -------------------------------------------------------------------------------

TfrEditControl::TfrEditControl() {
    BaseName = u"Edit"_s;
    auto* e = new TEdit(nullptr);
    e->SetText(u"Edit"_s);
    Adopt(e);
    Width = 121;
    Height = 21;
}

TEdit* TfrEditControl::GetEdit() const {
    return static_cast<TEdit*>(GetControl());
}

void TfrEditControl::DefineProperties() {
    TfrStdControl::DefineProperties();
    AddProperty(u"Text"_s, frdtOneObject);
    AddProperty(u"ReadOnly"_s, frdtBoolean);
}

void TfrEditControl::SetPropValue(const QString& Index, const Variant& Value) {
    TfrStdControl::SetPropValue(Index, Value);
    TEdit* e = GetEdit();
    if (!e) return;
    const QString n = AnsiUpperCase(Index);
    if (n == "TEXT"_L1)
        e->SetText(VarToStr(Value));
    else if (n == "READONLY"_L1)
        e->SetReadOnly(Value.AsBoolean());
}

Variant TfrEditControl::GetPropValue(const QString& Index) {
    Variant v = TfrStdControl::GetPropValue(Index);
    TEdit* e = GetEdit();
    if (!v.IsNull() || !e) return v;
    const QString n = AnsiUpperCase(Index);
    if (n == "TEXT"_L1) return Variant(e->GetText());
    if (n == "READONLY"_L1) return Variant(e->GetReadOnly());
    return Null();
}

void TfrEditControl::LoadFromStream(TStream* Stream) {
    TfrStdControl::LoadFromStream(Stream);
    const QString text = frReadString(Stream);
    const bool readOnly = frReadBoolean(Stream);
    if (TEdit* e = GetEdit()) {
        e->SetText(text);
        e->SetReadOnly(readOnly);
    }
}

void TfrEditControl::SaveToStream(TStream* Stream) {
    TfrStdControl::SaveToStream(Stream);
    TEdit* e = GetEdit();
    frWriteString(Stream, e ? e->GetText() : QString());
    frWriteBoolean(Stream, e && e->GetReadOnly());
}

// ---- memo -------------------------------------------------------------------------------

TfrMemoControl::TfrMemoControl() {
    BaseName = u"Memo"_s;
    auto* m = new TMemo(nullptr);
    m->GetLines()->SetText(u"Memo"_s);
    Adopt(m);
    Width = 185;
    Height = 89;
}

TMemo* TfrMemoControl::GetMemo() const {
    return static_cast<TMemo*>(GetControl());
}

void TfrMemoControl::DefineProperties() {
    TfrStdControl::DefineProperties();
    AddProperty(u"Lines"_s, frdtString | frdtHasEditor);
    AddProperty(u"Lines.Count"_s, 0);
    AddProperty(u"ReadOnly"_s, frdtBoolean);
    AddProperty(u"Text"_s, 0);
}

void TfrMemoControl::SetPropValue(const QString& Index, const Variant& Value) {
    TfrStdControl::SetPropValue(Index, Value);
    TMemo* m = GetMemo();
    if (!m) return;
    const QString n = AnsiUpperCase(Index);
    if (n == "READONLY"_L1)
        m->SetReadOnly(Value.AsBoolean());
    else if (n == "TEXT"_L1)
        m->SetText(VarToStr(Value));
}

Variant TfrMemoControl::GetPropValue(const QString& Index) {
    Variant v = TfrStdControl::GetPropValue(Index);
    TMemo* m = GetMemo();
    if (!v.IsNull() || !m) return v;
    const QString n = AnsiUpperCase(Index);
    if (n == "LINES.COUNT"_L1) return Variant(m->GetLines()->Count());
    if (n == "READONLY"_L1) return Variant(m->GetReadOnly());
    if (n == "TEXT"_L1) return Variant(m->GetText());
    return Null();
}

Variant TfrMemoControl::DoMethod(const QString& MethodName, const Variant& Par1,
                                 const Variant& Par2, const Variant& Par3) {
    Variant r = TfrStdControl::DoMethod(MethodName, Par1, Par2, Par3);
    if (r.IsNull() && GetMemo())
        frDoStringListMethod(u"LINES"_s, GetMemo()->GetLines(), AnsiUpperCase(MethodName), Par1,
                             Par2, Par3, r);
    return r;
}

void TfrMemoControl::LoadFromStream(TStream* Stream) {
    TfrStdControl::LoadFromStream(Stream);
    const QString text = frReadString(Stream);
    const bool readOnly = frReadBoolean(Stream);
    if (TMemo* m = GetMemo()) {
        m->SetText(text);
        m->SetReadOnly(readOnly);
    }
}

void TfrMemoControl::SaveToStream(TStream* Stream) {
    TfrStdControl::SaveToStream(Stream);
    TMemo* m = GetMemo();
    QString text;
    if (m) {
        QStringList lines;
        for (int i = 0; i < m->GetLines()->Count(); ++i)
            lines << m->GetLines()->Get(i);
        text = lines.join(u"\r\n"_s);
    }
    frWriteString(Stream, text);
    frWriteBoolean(Stream, m && m->GetReadOnly());
}

// ---- button -----------------------------------------------------------------------------

TfrButtonControl::TfrButtonControl() {
    BaseName = u"Button"_s;
    auto* b = new TButton(nullptr);
    b->SetCaption(u"Button"_s);
    Adopt(b);
    Width = 75;
    Height = 25;
}

TButton* TfrButtonControl::GetButton() const {
    return static_cast<TButton*>(GetControl());
}

void TfrButtonControl::SetModalResult(int Value) {
    TButton* b = GetButton();
    if (!b) return;
    b->SetModalResult(Value);
    b->SetCancel(Value == mrCancel);
    b->SetDefault(Value == mrOk);
}

void TfrButtonControl::DefineProperties() {
    TfrStdControl::DefineProperties();
    AddProperty(u"Cancel"_s, 0);
    AddProperty(u"Caption"_s, frdtOneObject);
    AddProperty(u"Default"_s, 0);
    AddProperty(u"ModalResult"_s, frdtEnum, {u"mrNone"_s, u"mrOk"_s, u"mrCancel"_s},
                values({0, 1, 2}));
}

void TfrButtonControl::SetPropValue(const QString& Index, const Variant& Value) {
    TfrStdControl::SetPropValue(Index, Value);
    TButton* b = GetButton();
    if (!b) return;
    const QString n = AnsiUpperCase(Index);
    if (n == "CANCEL"_L1)
        b->SetCancel(Value.AsBoolean());
    else if (n == "CAPTION"_L1)
        b->SetCaption(VarToStr(Value));
    else if (n == "DEFAULT"_L1)
        b->SetDefault(Value.AsBoolean());
    else if (n == "MODALRESULT"_L1)
        SetModalResult(int(Value.AsInteger()));
}

Variant TfrButtonControl::GetPropValue(const QString& Index) {
    Variant v = TfrStdControl::GetPropValue(Index);
    TButton* b = GetButton();
    if (!v.IsNull() || !b) return v;
    const QString n = AnsiUpperCase(Index);
    if (n == "CANCEL"_L1) return Variant(b->GetCancel());
    if (n == "CAPTION"_L1) return Variant(b->GetCaption());
    if (n == "DEFAULT"_L1) return Variant(b->GetDefault());
    if (n == "MODALRESULT"_L1) return Variant(int(b->GetModalResult()));
    return Null();
}

void TfrButtonControl::LoadFromStream(TStream* Stream) {
    TfrStdControl::LoadFromStream(Stream);
    const QString caption = frReadString(Stream);
    const int result = frReadWord(Stream);
    if (TButton* b = GetButton()) b->SetCaption(caption);
    SetModalResult(result);
}

void TfrButtonControl::SaveToStream(TStream* Stream) {
    TfrStdControl::SaveToStream(Stream);
    TButton* b = GetButton();
    frWriteString(Stream, b ? b->GetCaption() : QString());
    frWriteWord(Stream, b ? uint16_t(b->GetModalResult()) : 0);
}

// ---- check box and radio button ---------------------------------------------------------

namespace {

// The check box and the radio button share their properties and stream fields.
template <typename C> struct CheckLike {
    static void define(TfrStdControl* v) {
        v->AddProperty(u"Alignment"_s, frdtEnum, {u"taLeftJustify"_s, u"taRightJustify"_s},
                       values({0, 1}));
        v->AddProperty(u"Checked"_s, frdtBoolean);
        v->AddProperty(u"Caption"_s, frdtOneObject);
    }
    static void set(C* c, const QString& n, const Variant& Value) {
        if (!c) return;
        if (n == "ALIGNMENT"_L1)
            c->SetAlignment(Value.AsInteger() == 0 ? taLeftJustify : taRightJustify);
        else if (n == "CHECKED"_L1)
            c->SetChecked(Value.AsBoolean());
        else if (n == "CAPTION"_L1)
            c->SetCaption(VarToStr(Value));
    }
    static Variant get(C* c, const QString& n) {
        if (!c) return Null();
        if (n == "ALIGNMENT"_L1) return Variant(int(c->GetAlignment()));
        if (n == "CHECKED"_L1) return Variant(c->GetChecked());
        if (n == "CAPTION"_L1) return Variant(c->GetCaption());
        return Null();
    }
    static void load(C* c, TStream* Stream) {
        const int alignment = frReadByte(Stream);
        const bool checked = frReadBoolean(Stream);
        const QString caption = frReadString(Stream);
        if (!c) return;
        c->SetAlignment(alignment == 0 ? taLeftJustify : taRightJustify);
        c->SetChecked(checked);
        c->SetCaption(caption);
    }
    static void save(C* c, TStream* Stream) {
        frWriteByte(Stream, c && c->GetAlignment() == taLeftJustify ? 0 : 1);
        frWriteBoolean(Stream, c && c->GetChecked());
        frWriteString(Stream, c ? c->GetCaption() : QString());
    }
};

} // namespace

TfrCheckBoxControl::TfrCheckBoxControl() {
    BaseName = u"CheckBox"_s;
    auto* c = new TCheckBox(nullptr);
    c->SetCaption(u"CheckBox"_s);
    Adopt(c);
    Width = 97;
    Height = 17;
}

TCheckBox* TfrCheckBoxControl::GetCheckBox() const {
    return static_cast<TCheckBox*>(GetControl());
}

void TfrCheckBoxControl::DefineProperties() {
    TfrStdControl::DefineProperties();
    CheckLike<TCheckBox>::define(this);
}

void TfrCheckBoxControl::SetPropValue(const QString& Index, const Variant& Value) {
    TfrStdControl::SetPropValue(Index, Value);
    CheckLike<TCheckBox>::set(GetCheckBox(), AnsiUpperCase(Index), Value);
}

Variant TfrCheckBoxControl::GetPropValue(const QString& Index) {
    Variant v = TfrStdControl::GetPropValue(Index);
    return v.IsNull() ? CheckLike<TCheckBox>::get(GetCheckBox(), AnsiUpperCase(Index)) : v;
}

void TfrCheckBoxControl::LoadFromStream(TStream* Stream) {
    TfrStdControl::LoadFromStream(Stream);
    CheckLike<TCheckBox>::load(GetCheckBox(), Stream);
}

void TfrCheckBoxControl::SaveToStream(TStream* Stream) {
    TfrStdControl::SaveToStream(Stream);
    CheckLike<TCheckBox>::save(GetCheckBox(), Stream);
}

TfrRadioButtonControl::TfrRadioButtonControl() {
    BaseName = u"RadioButton"_s;
    auto* c = new TRadioButton(nullptr);
    c->SetCaption(u"RadioButton"_s);
    Adopt(c);
    Width = 113;
    Height = 17;
}

TRadioButton* TfrRadioButtonControl::GetRadioButton() const {
    return static_cast<TRadioButton*>(GetControl());
}

void TfrRadioButtonControl::DefineProperties() {
    TfrStdControl::DefineProperties();
    CheckLike<TRadioButton>::define(this);
}

void TfrRadioButtonControl::SetPropValue(const QString& Index, const Variant& Value) {
    TfrStdControl::SetPropValue(Index, Value);
    CheckLike<TRadioButton>::set(GetRadioButton(), AnsiUpperCase(Index), Value);
}

Variant TfrRadioButtonControl::GetPropValue(const QString& Index) {
    Variant v = TfrStdControl::GetPropValue(Index);
    return v.IsNull() ? CheckLike<TRadioButton>::get(GetRadioButton(), AnsiUpperCase(Index)) : v;
}

void TfrRadioButtonControl::LoadFromStream(TStream* Stream) {
    TfrStdControl::LoadFromStream(Stream);
    CheckLike<TRadioButton>::load(GetRadioButton(), Stream);
}

void TfrRadioButtonControl::SaveToStream(TStream* Stream) {
    TfrStdControl::SaveToStream(Stream);
    CheckLike<TRadioButton>::save(GetRadioButton(), Stream);
}

// ---- list box and combo box -------------------------------------------------------------

namespace {

// Items, ItemIndex and Items.Count of the list box and the combo box.
template <typename C> struct ItemsLike {
    static void define(TfrStdControl* v) {
        v->AddProperty(u"Items"_s, frdtString | frdtHasEditor);
        v->AddProperty(u"ItemIndex"_s, 0);
        v->AddProperty(u"Items.Count"_s, 0);
    }
    static bool set(C* c, const QString& n, const Variant& Value) {
        if (!c || n != "ITEMINDEX"_L1) return false;
        c->SetItemIndex(int(Value.AsInteger()));
        return true;
    }
    static Variant get(C* c, const QString& n) {
        if (!c) return Null();
        if (n == "ITEMINDEX"_L1) return Variant(c->GetItemIndex());
        if (n == "ITEMS.COUNT"_L1) return Variant(c->GetItems()->Count());
        return Null();
    }
    static void method(C* c, const QString& m, const Variant& p1, const Variant& p2,
                       const Variant& p3, Variant& r) {
        if (c && r.IsNull()) frDoStringListMethod(u"ITEMS"_s, c->GetItems(), m, p1, p2, p3, r);
    }
};

} // namespace

TfrListBoxControl::TfrListBoxControl() {
    BaseName = u"ListBox"_s;
    Adopt(new TListBox(nullptr));
    Width = 121;
    Height = 97;
}

TListBox* TfrListBoxControl::GetListBox() const {
    return static_cast<TListBox*>(GetControl());
}

void TfrListBoxControl::DefineProperties() {
    TfrStdControl::DefineProperties();
    ItemsLike<TListBox>::define(this);
}

void TfrListBoxControl::SetPropValue(const QString& Index, const Variant& Value) {
    TfrStdControl::SetPropValue(Index, Value);
    ItemsLike<TListBox>::set(GetListBox(), AnsiUpperCase(Index), Value);
}

Variant TfrListBoxControl::GetPropValue(const QString& Index) {
    Variant v = TfrStdControl::GetPropValue(Index);
    return v.IsNull() ? ItemsLike<TListBox>::get(GetListBox(), AnsiUpperCase(Index)) : v;
}

Variant TfrListBoxControl::DoMethod(const QString& MethodName, const Variant& Par1,
                                    const Variant& Par2, const Variant& Par3) {
    Variant r = TfrStdControl::DoMethod(MethodName, Par1, Par2, Par3);
    ItemsLike<TListBox>::method(GetListBox(), AnsiUpperCase(MethodName), Par1, Par2, Par3, r);
    return r;
}

void TfrListBoxControl::LoadFromStream(TStream* Stream) {
    TfrStdControl::LoadFromStream(Stream);
    TStringList items;
    frReadMemo(Stream, &items);
    if (TListBox* l = GetListBox()) l->GetItems()->Assign(&items);
}

void TfrListBoxControl::SaveToStream(TStream* Stream) {
    TfrStdControl::SaveToStream(Stream);
    TStringList none;
    frWriteMemo(Stream, GetListBox() ? GetListBox()->GetItems() : &none);
}

TfrComboBoxControl::TfrComboBoxControl() {
    BaseName = u"ComboBox"_s;
    auto* c = new TComboBox(nullptr);
    Adopt(c);
    Width = 145;
    Height = 21;
    addConstants({{"csDropDown", 0}, {"csDropDownList", 2}, {"csLookup", 3}});
    // A lookup item shows only its text before the first ";".
    c->OnDrawItem = [c](TWinControl*, int Index, TRect Rect, TOwnerDrawState State) {
        TCanvas* canvas = c->GetCanvas();
        if (!canvas || Index < 0 || Index >= c->GetItems()->Count()) return;
        QString s = c->GetItems()->Get(Index);
        if (const int semi = s.indexOf(u';'); semi >= 0) s = s.left(semi);
        const bool selected = State.Contains(odSelected);
        canvas->GetBrush()->SetStyle(bsSolid);
        canvas->GetBrush()->SetColor(selected ? clHighlight : clWindow);
        canvas->FillRect(Rect);
        canvas->GetFont()->Assign(c->GetFont());
        canvas->GetFont()->SetColor(selected ? clHighlightText : clWindowText);
        canvas->GetBrush()->SetStyle(bsClear);
        canvas->TextOut(Rect.Left + 2, Rect.Top + 1, s);
    };
    // Delete and Backspace clear the choice of a drop-down list.
    c->OnKeyDown = [c](TObject*, WORD& Key, TShiftState) {
        if (c->GetStyle() == csDropDownList && (Key == VK_DELETE || Key == VK_BACK))
            c->SetItemIndex(-1);
    };
}

TComboBox* TfrComboBoxControl::GetComboBox() const {
    return static_cast<TComboBox*>(GetControl());
}

QString TfrComboBoxControl::GetValueText() const {
    TComboBox* c = GetComboBox();
    if (!c) return {};
    QString s = c->GetText();
    if (c->GetStyle() == csOwnerDrawFixed) {
        // The edit part of an owner-drawn combo box holds nothing: the value is the chosen item.
        const int i = c->GetItemIndex();
        if (i >= 0 && i < c->GetItems()->Count()) s = c->GetItems()->Get(i);
        if (const int semi = s.indexOf(u';'); semi >= 0) s = s.mid(semi + 1).trimmed().left(255);
    }
    return s;
}

void TfrComboBoxControl::DefineProperties() {
    TfrStdControl::DefineProperties();
    ItemsLike<TComboBox>::define(this);
    AddProperty(u"Style"_s, frdtEnum, {u"csDropDown"_s, u"csDropDownList"_s, u"csLookup"_s},
                values({0, 2, 3}));
    AddProperty(u"Text"_s, 0);
}

void TfrComboBoxControl::SetPropValue(const QString& Index, const Variant& Value) {
    TfrStdControl::SetPropValue(Index, Value);
    TComboBox* c = GetComboBox();
    const QString n = AnsiUpperCase(Index);
    if (ItemsLike<TComboBox>::set(c, n, Value) || !c) return;
    if (n == "STYLE"_L1) {
        const int64_t s = Value.AsInteger();
        if (s >= 0 && s <= 4) c->SetStyle(TComboBoxStyle(s));
    }
}

Variant TfrComboBoxControl::GetPropValue(const QString& Index) {
    Variant v = TfrStdControl::GetPropValue(Index);
    TComboBox* c = GetComboBox();
    if (!v.IsNull() || !c) return v;
    const QString n = AnsiUpperCase(Index);
    if (n == "STYLE"_L1) return Variant(int(c->GetStyle()));
    if (n == "TEXT"_L1) return Variant(GetValueText());
    return ItemsLike<TComboBox>::get(c, n);
}

Variant TfrComboBoxControl::DoMethod(const QString& MethodName, const Variant& Par1,
                                     const Variant& Par2, const Variant& Par3) {
    Variant r = TfrStdControl::DoMethod(MethodName, Par1, Par2, Par3);
    ItemsLike<TComboBox>::method(GetComboBox(), AnsiUpperCase(MethodName), Par1, Par2, Par3, r);
    return r;
}

void TfrComboBoxControl::LoadFromStream(TStream* Stream) {
    TfrStdControl::LoadFromStream(Stream);
    TStringList items;
    frReadMemo(Stream, &items);
    if (TComboBox* c = GetComboBox()) c->GetItems()->Assign(&items);
    if (revision(this) > 10) {
        int style = frReadByte(Stream);
        // Before revision 2.1 the styles were numbered without the simple style.
        if (revision(this) < 21 && style != 0) ++style;
        SetPropValue(u"Style"_s, Variant(style));
    }
}

void TfrComboBoxControl::SaveToStream(TStream* Stream) {
    TfrStdControl::SaveToStream(Stream);
    TComboBox* c = GetComboBox();
    TStringList none;
    frWriteMemo(Stream, c ? c->GetItems() : &none);
    frWriteByte(Stream, c ? uint8_t(c->GetStyle()) : 0);
}

// ---- date edit --------------------------------------------------------------------------

TfrDateEditControl::TfrDateEditControl() {
    BaseName = u"DateEdit"_s;
    Adopt(new TDateTimePicker(nullptr));
    Width = 145;
    Height = 21;
    addConstants({{"dfShort", 0}, {"dfLong", 1}});
}

TDateTimePicker* TfrDateEditControl::GetPicker() const {
    return static_cast<TDateTimePicker*>(GetControl());
}

void TfrDateEditControl::DefineProperties() {
    TfrStdControl::DefineProperties();
    AddProperty(u"Date"_s, 0);
    AddProperty(u"DateFormat"_s, frdtEnum, {u"dfShort"_s, u"dfLong"_s}, values({0, 1}));
}

void TfrDateEditControl::SetPropValue(const QString& Index, const Variant& Value) {
    TfrStdControl::SetPropValue(Index, Value);
    TDateTimePicker* p = GetPicker();
    if (!p) return;
    const QString n = AnsiUpperCase(Index);
    if (n == "DATE"_L1)
        p->SetDate(Value.AsDate());
    else if (n == "DATEFORMAT"_L1)
        p->SetDateFormat(Value.AsInteger() == 1 ? dfLong : dfShort);
}

Variant TfrDateEditControl::GetPropValue(const QString& Index) {
    Variant v = TfrStdControl::GetPropValue(Index);
    TDateTimePicker* p = GetPicker();
    if (!v.IsNull() || !p) return v;
    const QString n = AnsiUpperCase(Index);
    // The day alone: the time of day is cut off the number (the fraction, also before 1900).
    if (n == "DATE"_L1) return Variant::FromDate(std::trunc(p->GetDate()));
    if (n == "DATEFORMAT"_L1) return Variant(int(p->GetDateFormat()));
    return Null();
}

void TfrDateEditControl::LoadFromStream(TStream* Stream) {
    TfrStdControl::LoadFromStream(Stream);
    SetPropValue(u"DateFormat"_s, Variant(int(frReadByte(Stream))));
}

void TfrDateEditControl::SaveToStream(TStream* Stream) {
    TfrStdControl::SaveToStream(Stream);
    frWriteByte(Stream, GetPicker() ? uint8_t(GetPicker()->GetDateFormat()) : 0);
}

// ---- database lookup combo box ----------------------------------------------------------

TfrDBLookupControl::TfrDBLookupControl() {
    BaseName = u"DBLookupComboBox"_s;
    Adopt(new TDBLookupComboBox(nullptr));
    Width = 145;
    Height = 21;
}

TDBLookupComboBox* TfrDBLookupControl::GetLookup() const {
    return static_cast<TDBLookupComboBox*>(GetControl());
}

void TfrDBLookupControl::DefineProperties() {
    TfrStdControl::DefineProperties();
    TStringList fields, datasets;
    if (TDBLookupComboBox* l = GetLookup();
        l && l->GetListSource() && l->GetListSource()->GetDataSet())
        frGetFieldNames(l->GetListSource()->GetDataSet(), &fields);
    frGetComponents<TDataSet>(frDialogForm(), &datasets);
    QString fieldList;
    for (int i = 0; i < fields.Count(); ++i)
        fieldList += fields.Get(i) + u';';
    AddProperty(u"KeyField"_s, frdtEnum, {fieldList});
    AddProperty(u"ListField"_s, frdtEnum, {fieldList});
    AddProperty(u"ListSource"_s, frdtEnum, {frEnumText(&datasets)});
    AddProperty(u"Text"_s, 0);
}

void TfrDBLookupControl::SetPropValue(const QString& Index, const Variant& Value) {
    TfrStdControl::SetPropValue(Index, Value);
    TDBLookupComboBox* l = GetLookup();
    if (!l) return;
    const QString n = AnsiUpperCase(Index);
    if (n == "TEXT"_L1) {
        l->SetKeyValue(Value);
    } else if (n == "KEYFIELD"_L1) {
        l->SetKeyField(VarToStr(Value));
    } else if (n == "LISTFIELD"_L1) {
        l->SetListField(VarToStr(Value));
    } else if (n == "LISTSOURCE"_L1) {
        auto* ds = dynamic_cast<TDataSet*>(frFindAnyComponent(frDialogForm(), VarToStr(Value)));
        l->SetListSource(ds ? frGetDataSource(frDialogForm(), ds) : nullptr);
    }
}

Variant TfrDBLookupControl::GetPropValue(const QString& Index) {
    Variant v = TfrStdControl::GetPropValue(Index);
    TDBLookupComboBox* l = GetLookup();
    if (!v.IsNull() || !l) return v;
    const QString n = AnsiUpperCase(Index);
    if (n == "TEXT"_L1) {
        // Null until the user chooses.
        const Variant k = l->GetKeyValue();
        return k.IsEmpty() ? Null() : k;
    }
    if (n == "KEYFIELD"_L1) return Variant(l->GetKeyField());
    if (n == "LISTFIELD"_L1) return Variant(l->GetListField());
    if (n == "LISTSOURCE"_L1) return Variant(frGetDataSetName(frDialogForm(), l->GetListSource()));
    return Null();
}

void TfrDBLookupControl::LoadFromStream(TStream* Stream) {
    TfrStdControl::LoadFromStream(Stream);
    listSourceName = frReadString(Stream);
    const QString keyField = frReadString(Stream);
    const QString listField = frReadString(Stream);
    SetPropValue(u"ListSource"_s, Variant(listSourceName));
    SetPropValue(u"KeyField"_s, Variant(keyField));
    SetPropValue(u"ListField"_s, Variant(listField));
}

void TfrDBLookupControl::SaveToStream(TStream* Stream) {
    TfrStdControl::SaveToStream(Stream);
    // A list source not found yet keeps the name the template gave it.
    QString source = VarToStr(GetPropValue(u"ListSource"_s));
    if (source.isEmpty()) source = listSourceName;
    frWriteString(Stream, source);
    frWriteString(Stream, VarToStr(GetPropValue(u"KeyField"_s)));
    frWriteString(Stream, VarToStr(GetPropValue(u"ListField"_s)));
}

void TfrDBLookupControl::AfterLoad() {
    SetPropValue(u"ListSource"_s, Variant(listSourceName));
    TfrStdControl::AfterLoad();
}

// ---- registration -----------------------------------------------------------------------

void frRegisterDialogControls() {
    auto reg = [](const QString& name, TfrViewFactory make, int hint) {
        frRegisterControl(name, make, frLoadStr(hint));
    };
    reg(
        TfrLabelControl::StaticClassName(),
        [] { return static_cast<TfrView*>(new TfrLabelControl); }, 55450);
    reg(
        TfrEditControl::StaticClassName(), [] { return static_cast<TfrView*>(new TfrEditControl); },
        55451);
    reg(
        TfrMemoControl::StaticClassName(), [] { return static_cast<TfrView*>(new TfrMemoControl); },
        55452);
    reg(
        TfrButtonControl::StaticClassName(),
        [] { return static_cast<TfrView*>(new TfrButtonControl); }, 55453);
    reg(
        TfrCheckBoxControl::StaticClassName(),
        [] { return static_cast<TfrView*>(new TfrCheckBoxControl); }, 55454);
    reg(
        TfrRadioButtonControl::StaticClassName(),
        [] { return static_cast<TfrView*>(new TfrRadioButtonControl); }, 55455);
    reg(
        TfrListBoxControl::StaticClassName(),
        [] { return static_cast<TfrView*>(new TfrListBoxControl); }, 55456);
    reg(
        TfrComboBoxControl::StaticClassName(),
        [] { return static_cast<TfrView*>(new TfrComboBoxControl); }, 55457);
    reg(
        TfrDateEditControl::StaticClassName(),
        [] { return static_cast<TfrView*>(new TfrDateEditControl); }, 55458);
    reg(
        TfrDBLookupControl::StaticClassName(),
        [] { return static_cast<TfrView*>(new TfrDBLookupControl); }, 55473);
}
