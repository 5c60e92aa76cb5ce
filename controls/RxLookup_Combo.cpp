// The lookup combo box: its shown text, drop-down list, keys, mouse and painting.
#include "RxLookup.h"

#include "Forms.h"
#include "WinWidget.h"

#include <QFontMetrics>
#include <algorithm>

TRxDBLookupCombo::TRxDBLookupCombo(TComponent* AOwner)
    : TRxLookupControl(AOwner), lastImage(std::make_unique<TPicture>()),
      watch(std::make_unique<TPopupWatch>(
          this, [this]() -> TWinControl* { return dataList; },
          [this] {
              if (listVisible) CloseUp(false);
          })) {
    controlStyle.Include(csReplicatable);
    controlStyle.Exclude(csSetCaption);
    width = 145;
    dataList = new TRxPopupDataList(this);
    dataList->SetVisible(false);
    dataList->SetParent(this);
    dataList->OnMouseUp = [this](TObject*, TMouseButton Button, TShiftState, int X, int Y) {
        listMouseUp(Button, X, Y);
    };
    buttonWidth = GetSystemMetrics(SM_CXVSCROLL);
    dropDownCount = DefaultDropDownCount;
    height = 21;
    ignoreCase = true;
    escapeClear = true;
}

TRxDBLookupCombo::~TRxDBLookupCombo() {
    watch->Stop();
}

void TRxDBLookupCombo::CreateParams(TCreateParams& Params) {
    TRxLookupControl::CreateParams(Params);
    if (ctl3D)
        Params.ExStyle |= WS_EX_CLIENTEDGE;
    else
        Params.Style |= WS_BORDER;
}

bool TRxDBLookupCombo::GetDisplayAllFields() const {
    return !lookupMode && displayAllFields;
}

void TRxDBLookupCombo::SetDisplayAllFields(bool Value) {
    if (lookupMode) Value = false;
    if (Value == displayAllFields) return;
    displayAllFields = Value;
    if (!IsLoading())
        KeyChanged();
    else
        Invalidate();
}

void TRxDBLookupCombo::SetListStyle(TLookupListStyle Value) {
    if (Value == listStyle) return;
    listStyle = Value;
    if (GetDisplayAllFields() && !IsLoading()) KeyChanged();
    Invalidate();
}

void TRxDBLookupCombo::SetFieldsDelimiter(QChar Value) {
    if (Value == fieldsDelimiter) return;
    fieldsDelimiter = Value;
    if (GetDisplayAllFields() && listStyle == lsDelimited && !IsLoading()) KeyChanged();
    Invalidate();
}

// ---- the shown text ---------------------------------------------------------------------------

void TRxDBLookupCombo::clearFixedTexts() {
    fixedTexts.clear();
}

void TRxDBLookupCombo::rebuildText() {
    if (!GetDisplayAllFields()) {
        text = displayField->GetDisplayText();
        alignment = displayField->GetAlignment();
        return;
    }
    clearFixedTexts();
    QString s;
    for (int i = 0; i < listFields.size(); ++i) {
        TField* f = listFields[i];
        if (i > 0) s += fieldsDelimiter + QStringLiteral(" ");
        s += f->GetDisplayText();
        if (listStyle == lsFixed)
            fixedTexts.push_back({f->GetDisplayText(), f->GetDisplayWidth(), f->GetAlignment()});
    }
    text = s.isEmpty() ? displayField->GetDisplayText() : s;
    alignment = displayField->GetAlignment();
}

void TRxDBLookupCombo::KeyChanged() {
    bool aligned = false;
    if (!lookupMode) {
        if (listActive && findKeyRecord()) {
            rebuildText();
            aligned = true;
        } else if (!listActive) {
            text = IsDesigning() ? displayEmpty : QString();
            clearFixedTexts();
        } else if (valueIsEmpty(value)) {
            text = displayEmpty;
            clearFixedTexts();
        } else {
            // a key the lookup dataset does not hold stays the value and shows as it is
            text = value;
            clearFixedTexts();
        }
    } else {
        clearFixedTexts();
        if (dataLink->GetActive() && dataField) {
            if (!valueIsEmpty(value)) {
                text = dataField->GetDisplayText();
                alignment = dataField->GetAlignment();
                aligned = true;
            } else {
                text = displayEmpty;
            }
        } else {
            text.clear();
        }
    }
    if (!aligned) alignment = taLeftJustify;
    refreshShownText();
    refreshImage();
    Invalidate();
}

void TRxDBLookupCombo::ShownTextChanged() {
    if (listActive && findDisplayRecord()) {
        value = keyField->GetAsString();
        rebuildText();
    } else {
        value = emptyValue;
        text = displayEmpty;
        clearFixedTexts();
        alignment = taLeftJustify;
    }
    refreshShownText();
    refreshImage();
    Invalidate();
}

void TRxDBLookupCombo::LookupActiveChanged() {
    TRxLookupControl::LookupActiveChanged();
    if (listActive && masterField)
        recordChanged(nullptr);
    else
        KeyChanged();
}

void TRxDBLookupCombo::LookupDataChanged() {
    if (dataLink->GetActive() && listActive && lookupLink->GetDataSet() &&
        dataLink->GetDataSet()->IsLinkedTo(lookupLink->GetDataSource()))
        recordChanged(nullptr);
}

void TRxDBLookupCombo::refreshImage() {
    lastImage->SetGraphic(nullptr);
    lastImageMargin = 0;
    int margin = 0;
    TGraphic* g = TRxLookupControl::GetImage(false, valueIsEmpty(value), margin);
    lastImage->SetGraphic(g);
    lastImageMargin = g ? margin : 0;
}

TGraphic* TRxDBLookupCombo::GetImage(bool Current, bool Empty, int& TextMargin) {
    if (!Current) return TRxLookupControl::GetImage(Current, Empty, TextMargin);
    TGraphic* g = lastImage->GetGraphic();
    if (g && !g->GetEmpty()) {
        TextMargin = lastImageMargin;
        return g;
    }
    TextMargin = 0;
    return nullptr;
}

void TRxDBLookupCombo::DisplayEmptyChanged(const QString& NewText) {
    if (text == displayEmpty) text = NewText;
}

void TRxDBLookupCombo::ClearValue() {
    if (listVisible) CloseUp(false);
    TRxLookupControl::ClearValue();
    refreshImage();
    Invalidate();
}

void TRxDBLookupCombo::Click() {
    TRxLookupControl::Click();
    Change();
}

// ---- the drop-down list -----------------------------------------------------------------------

void TRxDBLookupCombo::DropDown() {
    if (listVisible || !canModify()) return;
    if (OnDropDown) OnDropDown(this);
    TRxPopupDataList* l = dataList;
    l->SetColor(color);
    l->GetFont()->Assign(font.get());
    l->SetItemHeight(GetItemHeight());
    l->SetReadOnly(false);
    l->SetEmptyValue(emptyValue);
    l->SetDisplayEmpty(displayEmpty);
    l->SetEmptyItemColor(emptyItemColor);
    l->SetRowCount(dropDownCount);
    l->SetLookupField(keyFieldName);
    l->SetListStyle(listStyle);
    l->SetFieldsDelimiter(fieldsDelimiter);
    l->SetIgnoreCase(ignoreCase);
    l->SetIndexSwitch(indexSwitch);
    l->OnGetImage = OnGetImage;
    QString names;
    for (TField* f : listFields)
        names += f->GetFieldName() + QStringLiteral(";");
    l->SetLookupDisplay(names);
    l->SetLookupDisplayIndex(std::max(0, int(listFields.indexOf(displayField))));
    l->SetLookupSource(lookupLink->GetDataSource());
    l->storeKey(value);

    int w = dropDownWidth;
    if (w == 0)
        w = width;
    else if (w < 0)
        w = std::max(width, l->LookupListWidth());
    const int lh = l->GetHeight();
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    TPoint p = parent ? parent->ClientToScreen(TPoint{left, top}) : ClientToScreen(TPoint{0, 0});
    int y = p.Y + height;
    if (y + lh > sh) y = std::max(0, p.Y - lh);
    int x = p.X;
    if (dropDownAlign == daRight)
        x += width - w;
    else if (dropDownAlign == daCenter)
        x -= (w - width) / 2;
    if (x + w > sw) x = sw - w;
    x = std::max(x, 0);
    l->SetBounds(x, y, w, lh);
    l->HandleNeeded();
    l->SetVisible(true);
    if (l->HandleAllocated()) RaiseWindow(l->GetHandle());
    listVisible = true;
    watch->Start();
    invalidateText();
    Repaint();
}

void TRxDBLookupCombo::CloseUp(bool Accept) {
    if (!listVisible) return;
    watch->Stop();
    if (HWND cap = GetCapture()) SendMessage(cap, WM_CANCELMODE, 0, 0);
    const QString chosen = dataList->GetValue();
    dataList->SetVisible(false);
    listVisible = false;
    dataList->SetLookupSource(nullptr);
    Invalidate();
    typedText.clear();
    dataList->typedText.clear();
    if (Accept && canModify() && chosen != value) chooseKey(chosen);
    if (CanFocus() && !Focused()) SetFocus();
    if (OnCloseUp) OnCloseUp(this);
}

void TRxDBLookupCombo::listMouseUp(TMouseButton Button, int X, int Y) {
    if (Button != mbLeft) return;
    CloseUp(PtInRect(dataList->GetClientRect(), TPoint{X, Y}));
}

void TRxDBLookupCombo::invalidateText() {
    if (!HandleAllocated()) return;
    const TRect r{1, 1, GetClientWidth() - buttonWidth - 1, GetClientHeight() - 1};
    InvalidateRect(handle, &r, false);
    UpdateWindow(handle);
}

void TRxDBLookupCombo::adjustHeight() {
    if (IsLoading()) return;
    QFontMetrics fm(font->ToQFont());
    const int border = ctl3D ? 4 : 2;
    const int minHeight = fm.height() + border + 3;
    if (height < minHeight) SetHeight(minHeight);
}

// ---- keys and mouse ---------------------------------------------------------------------------

void TRxDBLookupCombo::KeyDown(WORD& Key, TShiftState Shift) {
    if (listActive) {
        if ((Key == VK_UP || Key == VK_DOWN) && Shift.Contains(ssAlt)) {
            if (listVisible)
                CloseUp(false);
            else
                DropDown();
            Key = 0;
        } else if ((Key == VK_UP || Key == VK_DOWN) && !listVisible) {
            if (!GetReadOnly()) {
                TDataSet* ds = lookupLink->GetDataSet();
                if (findKeyRecord())
                    ds->MoveBy(Key == VK_UP ? -1 : 1);
                else
                    ds->First();
                chooseKey(keyField->GetAsString());
            }
            Key = 0;
        } else if (listVisible && Key != 0) {
            dataList->KeyDown(Key, Shift);
            invalidateText();
        }
    }
    if (Key != 0) TRxLookupControl::KeyDown(Key, Shift);
}

void TRxDBLookupCombo::KeyPress(QChar& Key) {
    const char16_t k = Key.unicode();
    if (listVisible) {
        if (k == VK_RETURN || k == VK_ESCAPE) {
            CloseUp(k == VK_RETURN);
            Key = QChar();
        } else if (!Key.isNull()) {
            dataList->KeyPress(Key);
            Key = QChar();
        }
    } else if (k >= 32 && Key.isPrint()) {
        DropDown();
        if (listVisible) dataList->KeyPress(Key);
        Key = QChar();
    } else if (k == VK_ESCAPE && escapeClear && !valueIsEmpty(value) && canModify()) {
        ClearValue();
        if (valueIsEmpty(value)) Key = QChar();
    }
    TRxLookupControl::KeyPress(Key);
    const char16_t left = Key.unicode();
    if (left == VK_RETURN || left == VK_ESCAPE) {
        // not taken here: the form's default and cancel buttons get it
        if (TCustomForm* f = GetParentForm(this)) f->Perform(CM_DIALOGKEY, left, 0);
    }
}

void TRxDBLookupCombo::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (Button == mbLeft) {
        if (CanFocus()) SetFocus();
        if (!focusedFlag) return;
        if (listVisible) {
            CloseUp(false);
        } else if (canModify()) {
            SetMouseCapture(true);
            trackingFlag = true;
            trackButton(X, Y);
            DropDown();
        }
    }
    TRxLookupControl::MouseDown(Button, Shift, X, Y);
}

void TRxDBLookupCombo::trackButton(int X, int Y) {
    const bool in = X >= GetClientWidth() - buttonWidth && X < GetClientWidth() && Y >= 0 &&
                    Y < GetClientHeight();
    if (in != pressed) {
        pressed = in;
        Repaint();
    }
}

void TRxDBLookupCombo::stopTracking() {
    if (!trackingFlag) return;
    trackButton(-1, -1);
    trackingFlag = false;
    SetMouseCapture(false);
}

void TRxDBLookupCombo::MouseMove(TShiftState Shift, int X, int Y) {
    if (trackingFlag) {
        trackButton(X, Y);
        if (listVisible) {
            TPoint p = dataList->ScreenToClient(ClientToScreen(TPoint{X, Y}));
            if (PtInRect(dataList->GetClientRect(), p)) {
                stopTracking();
                SendMessage(dataList->GetHandle(), WM_LBUTTONDOWN, 0, MAKELPARAM(p.X, p.Y));
                return;
            }
        }
    }
    TRxLookupControl::MouseMove(Shift, X, Y);
}

void TRxDBLookupCombo::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    stopTracking();
    TRxLookupControl::MouseUp(Button, Shift, X, Y);
}

void TRxDBLookupCombo::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case WM_GETDLGCODE:
        Message.Result = DLGC_WANTARROWS | DLGC_WANTALLKEYS | DLGC_WANTCHARS | DLGC_BUTTON;
        return;
    case WM_CANCELMODE:
        stopTracking();
        break;
    case CM_CANCELMODE: {
        auto* c = reinterpret_cast<TControl*>(Message.LParam);
        if (c != this && c != dataList) CloseUp(false);
        break;
    }
    case WM_KILLFOCUS:
        TRxLookupControl::Dispatch(Message);
        CloseUp(false);
        return;
    case WM_SIZE:
    case CM_FONTCHANGED:
    case CM_CTL3DCHANGED:
        TRxLookupControl::Dispatch(Message);
        adjustHeight();
        return;
    case CM_ENABLEDCHANGED:
        TRxLookupControl::Dispatch(Message);
        Invalidate();
        return;
    case CM_BIDIMODECHANGED:
        TRxLookupControl::Dispatch(Message);
        dataList->SetBiDiMode(bidiMode);
        return;
    case WM_SETCURSOR: {
        TPoint p = ScreenToClient(Mouse->GetCursorPos());
        if (p.X >= GetClientWidth() - buttonWidth && HandleAllocated()) {
            handle->setCursor(Screen->GetCursors(crArrow));
            Message.Result = 1;
            return;
        }
        break;
    }
    default:
        break;
    }
    TRxLookupControl::Dispatch(Message);
}

// ---- painting ---------------------------------------------------------------------------------

void TRxDBLookupCombo::Paint() {
    TCanvas* c = GetCanvas();
    c->SetFont(font.get());
    c->GetBrush()->SetColor(color);
    const bool copy = controlState.Contains(csPaintCopy);
    const bool selected = focusedFlag && !listVisible && !copy;
    if (selected) {
        c->GetFont()->SetColor(clHighlightText);
        c->GetBrush()->SetColor(clHighlight);
    } else if (!enabled) {
        c->GetFont()->SetColor(clGrayText);
    }
    QString s = text;
    TAlignment align = alignment;
    int margin = 0;
    TGraphic* image = nullptr;
    bool typed = false;
    if (copy && dataField) {
        s = dataField->GetDisplayText();
        align = dataField->GetAlignment();
    } else if (listVisible) {
        TRxPopupDataList* l = dataList;
        if (!l->typedText.isEmpty()) {
            s = l->typedText;
            typed = true;
        } else if (l->valueIsEmpty(l->GetValue())) {
            s = displayEmpty;
            image = GetImage(false, true, margin);
        } else if (l->keyField && l->keyField->GetAsString() == l->GetValue()) {
            s = l->displayField->GetDisplayText();
            image = l->GetImage(false, false, margin);
        } else {
            image = GetImage(true, valueIsEmpty(value), margin);
        }
    } else {
        image = GetImage(true, valueIsEmpty(value), margin);
    }
    const int cw = GetClientWidth(), ch = GetClientHeight();
    const int w = cw - buttonWidth;
    if (w > 4) {
        const TRect area{1, 1, w - 1, ch - 1};
        TBitmap bmp;
        bmp.SetSize(area.Width(), area.Height());
        TCanvas* bc = bmp.GetCanvas();
        bc->SetFont(c->GetFont());
        bc->GetBrush()->SetColor(c->GetBrush()->GetColor());
        bc->FillRect(TRect{0, 0, area.Width(), area.Height()});
        const int th = textHeight(bc);
        const int ty = std::max(0, (area.Height() - th) / 2);
        int tx = margin + (margin > 0 ? 1 : 0);
        const bool all = GetDisplayAllFields() && !listVisible;
        if (!typed && !all) {
            const int tw = bc->TextWidth(s);
            if (align == taRightJustify)
                tx = w - tw - 6;
            else if (align == taCenter)
                tx = (w + margin - tw) / 2;
        }
        const TRect tr{0, 0, area.Width(), area.Height()};
        if (all && listStyle == lsFixed && !fixedTexts.empty()) {
            if (valueIsEmpty(value)) {
                bc->TextRect(tr, tx, ty, displayEmpty);
            } else {
                const int m = bc->TextWidth(QStringLiteral("M"));
                bc->GetPen()->SetColor(color == clBtnFace ? clBtnShadow : clBtnFace);
                int x = tx;
                for (size_t i = 0; i < fixedTexts.size(); ++i) {
                    const FixedText& f = fixedTexts[i];
                    const bool last = i + 1 == fixedTexts.size();
                    const int colW = last ? tr.Right - x : f.Width * m + 4;
                    const int tw = bc->TextWidth(f.Text);
                    int cx = 2;
                    if (f.Alignment == taRightJustify)
                        cx = colW - tw - 3;
                    else if (f.Alignment == taCenter)
                        cx = (colW - tw) / 2;
                    const TRect cr{x, 0, std::min(x + colW, tr.Right), tr.Bottom};
                    bc->TextRect(cr, x + cx, ty, f.Text);
                    if (last) break;
                    bc->MoveTo(cr.Right, 0);
                    bc->LineTo(cr.Right, tr.Bottom);
                    x = cr.Right + 1;
                    if (x >= tr.Right) break;
                }
            }
        } else {
            bc->TextRect(tr, tx, ty, s);
        }
        if (image && margin > 0) drawPicture(bc, TRect{0, 0, margin, tr.Bottom}, image);
        c->Draw(area.Left, area.Top, &bmp);
        if (selected) c->DrawFocusRect(area);
    }
    unsigned state = DFCS_SCROLLCOMBOBOX;
    if (pressed) state |= DFCS_PUSHED | DFCS_FLAT;
    if (!listActive || !enabled || GetReadOnly()) state |= DFCS_INACTIVE;
    DrawFrameControl(c, TRect{w, 0, cw, ch}, DFC_SCROLL, state);
}
