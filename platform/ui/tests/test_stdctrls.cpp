// The standard controls on a shown form, driven by real Qt key and mouse events: edits, the
// mask edit, memo, combo box, list box, buttons, check and radio buttons, group box, label.
#include "Mask.h"
#include "StdCtrls.h"
#include "StdTestSupport.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <set>

namespace {

using StdCtrlsTest = FormTest;

// ---- edit ----------------------------------------------------------------------------------

TEST_F(StdCtrlsTest, EditChangesFromTypingAndFromCodeAndKeepsItsLimits) {
    auto* e = form->Add<TEdit>(10, 10, 150, 22);
    int changes = 0;
    e->OnChange = [&](TObject*) { ++changes; };
    e->SetText(QStringLiteral("Іван"));
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(e->GetModified());
    e->SetText(QStringLiteral("Іван")); // same text: no change
    EXPECT_EQ(changes, 1);

    e->SetFocus();
    e->SetSelStart(4);
    TypeText(e, QStringLiteral("ко"));
    EXPECT_EQ(e->GetText(), QStringLiteral("Іванко"));
    EXPECT_EQ(changes, 3);
    EXPECT_TRUE(e->GetModified());

    // selection
    e->SetSelStart(1);
    e->SetSelLength(3);
    EXPECT_EQ(e->GetSelText(), QStringLiteral("ван"));
    e->SetSelText(QStringLiteral("ГОР"));
    EXPECT_EQ(e->GetText(), QStringLiteral("ІГОРко"));

    // MaxLength refuses what does not fit; ReadOnly refuses everything
    e->SetText(QString());
    e->SetMaxLength(3);
    TypeText(e, QStringLiteral("12345"));
    EXPECT_EQ(e->GetText(), QStringLiteral("123"));
    e->SetReadOnly(true);
    PressKey(e, Qt::Key_Backspace);
    EXPECT_EQ(e->GetText(), QStringLiteral("123"));
    e->SetReadOnly(false);
    e->SetMaxLength(0);

    // upper case and a password character
    e->SetText(QString());
    e->SetCharCase(ecUpperCase);
    TypeText(e, QStringLiteral("щаb"));
    EXPECT_EQ(e->GetText(), QStringLiteral("ЩАB"));
    e->SetPasswordChar(u'*');
    EXPECT_EQ(e->LineEdit()->echoMode(), QLineEdit::Password);
    EXPECT_EQ(e->GetText(), QStringLiteral("ЩАB"));

    // the text survives a new window
    e->RecreateWnd();
    EXPECT_EQ(e->GetText(), QStringLiteral("ЩАB"));
}

TEST_F(StdCtrlsTest, EditAnswersTheEditMessages) {
    auto* e = form->Add<TEdit>(10, 10, 150, 22);
    e->SetText(QStringLiteral("Петренко"));
    e->Perform(EM_SETSEL, 2, 5);
    LRESULT sel = e->Perform(EM_GETSEL, 0, 0);
    EXPECT_EQ(LOWORD(sel), 2);
    EXPECT_EQ(HIWORD(sel), 5);
    EXPECT_EQ(e->GetSelText(), QStringLiteral("тре"));
    e->Perform(EM_SETMODIFY, 1, 0);
    EXPECT_EQ(e->Perform(EM_GETMODIFY, 0, 0), 1);
    e->Perform(EM_LIMITTEXT, 4, 0);
    EXPECT_EQ(e->GetMaxLength(), 4);
}

// ---- mask edit -----------------------------------------------------------------------------

struct MaskCase {
    const char* Mask;
    const char* Typed;
    const char* EditText;
    const char* Text;
};

TEST_F(StdCtrlsTest, MaskEditTypingTable) {
    // '/' is the date separator of the format settings ('.')
    const MaskCase cases[] = {
        {"!99/99/0000;1;_", "01022023", "01.02.2023", "01.02.2023"},
        {"!99/99/0000;0;_", "0102", "01.02.____", "0102    "},
        {"000-000;1;*", "12", "12*-***", "12 -   "},
        {"000-000;0;*", "1234", "123-4**", "1234  "},
        {">LL-00;1;_", "ab12", "AB-12", "AB-12"},
        {"<LL;1;_", "ЩЮ", "щю", "щю"},
        {"00;1;_", "1a2", "12", "12"},          // a letter is refused
        {"99/99;1;_", "1.5", "1_.5_", "1 .5 "}, // the typed literal skips ahead
        {"LLL;1;_", "a1bc", "abc", "abc"},      // a digit is refused in a letter slot
        {"#0;1;_", "-5", "-5", "-5"},
        {"AAA;1;_", "a+1b", "a1b", "a1b"},
        {"ccc;1;_", "x y", "x y", "x y"},
        {"99\\-99;1;_", "1234", "12-34", "12-34"}, // an escaped literal
    };
    for (const MaskCase& c : cases) {
        SCOPED_TRACE(c.Mask);
        auto* m = form->Add<TMaskEdit>(10, 40, 150, 22);
        m->SetEditMask(QString::fromUtf8(c.Mask));
        EXPECT_TRUE(m->IsMasked());
        m->SetFocus();
        m->SetSelStart(0);
        TypeText(m, QString::fromUtf8(c.Typed));
        EXPECT_EQ(m->GetEditText(), QString::fromUtf8(c.EditText));
        EXPECT_EQ(m->GetText(), QString::fromUtf8(c.Text));
        delete m;
    }
}

TEST_F(StdCtrlsTest, MaskEditDeletesKeepsLiteralsAndValidates) {
    auto* m = form->Add<TMaskEdit>(10, 40, 150, 22);
    m->SetEditMask(QStringLiteral("!99/99/0000;1;_"));
    EXPECT_EQ(m->GetEditText(), QStringLiteral("__.__.____"));
    m->SetFocus();
    m->SetSelStart(0);
    TypeText(m, QStringLiteral("0102"));
    EXPECT_EQ(m->GetSelStart(), 6); // after the second separator
    // backspace steps over the literal and empties the digit before it
    PressKey(m, Qt::Key_Backspace);
    EXPECT_EQ(m->GetEditText(), QStringLiteral("01.0_.____"));
    m->SetSelStart(0);
    PressKey(m, Qt::Key_Delete);
    EXPECT_EQ(m->GetEditText(), QStringLiteral("_1.0_.____"));

    // an incomplete date does not validate; the message tells how to get out
    try {
        m->ValidateEdit();
        FAIL() << "no error for an incomplete date";
    } catch (const EDBEditError& e) {
        EXPECT_EQ(e.Message, QString::fromUtf8(SMaskEditErr));
    }
    // Esc puts back the text the edit had when it got the focus
    PressKey(m, Qt::Key_Escape);
    EXPECT_EQ(m->GetEditText(), QStringLiteral("__.__.____"));
    EXPECT_NO_THROW(m->ValidateEdit()); // not modified

    // a complete text validates; Text set from code is laid into the mask
    m->SetText(QStringLiteral("05.06.2021"));
    EXPECT_EQ(m->GetEditText(), QStringLiteral("05.06.2021"));
    m->SetSelStart(0);
    TypeText(m, QStringLiteral("1"));
    EXPECT_NO_THROW(m->ValidateEdit());
    EXPECT_EQ(m->GetText(), QStringLiteral("15.06.2021"));

    // the blank character of the third field, and a mask-less edit
    EXPECT_EQ(FormatMaskText(QStringLiteral("000-000;0;*"), QStringLiteral("12")),
              QStringLiteral("12 -   "));
    m->SetEditMask(QString());
    EXPECT_FALSE(m->IsMasked());
    EXPECT_EQ(m->GetText(), QStringLiteral("15.06.2021"));
}

// ---- memo ----------------------------------------------------------------------------------

TEST_F(StdCtrlsTest, MemoLinesAreItsText) {
    auto* m = form->Add<TMemo>(10, 10, 200, 100);
    int changes = 0;
    m->OnChange = [&](TObject*) { ++changes; };
    m->GetLines()->Add(QStringLiteral("перший"));
    m->GetLines()->Add(QStringLiteral("другий"));
    EXPECT_EQ(m->GetText(), QStringLiteral("перший\nдругий"));
    EXPECT_EQ(m->GetLines()->Count(), 2);
    m->GetLines()->Put(0, QStringLiteral("1"));
    m->GetLines()->Delete(1);
    EXPECT_EQ(m->GetText(), QStringLiteral("1"));
    EXPECT_EQ(changes, 4);
    m->SetFocus();
    m->Perform(EM_SETSEL, 1, 1);
    PressKey(m, Qt::Key_Return);
    TypeText(m, QStringLiteral("2"));
    EXPECT_EQ(m->GetLines()->Count(), 2);
    EXPECT_EQ(m->GetLines()->Get(1), QStringLiteral("2"));
    m->SetWordWrap(false);
    m->SetScrollBars(ssVertical);
    EXPECT_EQ(m->GetLines()->Get(1), QStringLiteral("2"));
}

// ---- combo box -----------------------------------------------------------------------------

TEST_F(StdCtrlsTest, ComboBoxStylesAndNotifications) {
    auto* cb = form->Add<TComboBox>(10, 10, 150, 22);
    std::vector<QString> trail;
    cb->OnChange = [&](TObject*) { trail.push_back(QStringLiteral("change ") + cb->GetText()); };
    cb->OnDropDown = [&](TObject*) { trail.push_back(QStringLiteral("dropdown")); };
    cb->OnCloseUp = [&](TObject*) { trail.push_back(QStringLiteral("closeup")); };
    cb->SetSorted(true);
    cb->GetItems()->Add(QStringLiteral("Яблуко"));
    cb->GetItems()->Add(QStringLiteral("абрикос"));
    cb->GetItems()->Add(QStringLiteral("Банан"));
    EXPECT_EQ(cb->GetItems()->Get(0), QStringLiteral("абрикос"));
    EXPECT_EQ(cb->GetItems()->Get(2), QStringLiteral("Яблуко"));
    EXPECT_EQ(cb->ComboBox()->count(), 3);

    // csDropDown: typed text changes (CBN_EDITCHANGE); code does not notify
    cb->SetFocus();
    TypeText(cb, QStringLiteral("Ки"));
    EXPECT_EQ(cb->GetText(), QStringLiteral("Ки"));
    EXPECT_EQ(trail,
              (std::vector<QString>{QStringLiteral("change К"), QStringLiteral("change Ки")}));
    EXPECT_EQ(cb->GetItemIndex(), -1);
    trail.clear();
    cb->SetItemIndex(1);
    EXPECT_EQ(cb->GetText(), QStringLiteral("Банан"));
    EXPECT_TRUE(trail.empty());

    // drop down and close up
    cb->SetDroppedDown(true);
    EXPECT_TRUE(cb->GetDroppedDown());
    cb->SetDroppedDown(false);
    EXPECT_EQ(trail, (std::vector<QString>{QStringLiteral("dropdown"), QStringLiteral("closeup")}));
    trail.clear();

    // csDropDownList: the text is an item; the arrow selects: Select, which is OnSelect when
    // assigned, else OnChange
    cb->SetStyle(csDropDownList);
    EXPECT_EQ(cb->GetItemIndex(), 1);
    EXPECT_EQ(cb->GetItems()->Count(), 3);
    cb->SetText(QStringLiteral("Яблуко"));
    EXPECT_EQ(cb->GetItemIndex(), 2);
    cb->SetText(QStringLiteral("Груша"));
    EXPECT_EQ(cb->GetItemIndex(), -1);
    cb->SetItemIndex(0);
    cb->SetFocus();
    PressKey(cb, Qt::Key_Down);
    EXPECT_EQ(cb->GetItemIndex(), 1);
    EXPECT_EQ(trail, (std::vector<QString>{QStringLiteral("change Банан")}));
    int selects = 0, clicks = 0;
    cb->OnSelect = [&](TObject*) { ++selects; };
    cb->OnClick = [&](TObject*) { ++clicks; };
    PressKey(cb, Qt::Key_Down);
    EXPECT_EQ(selects, 1);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(trail.size(), 1u);
    EXPECT_EQ(cb->Perform(CB_GETCURSEL, 0, 0), 2);

    // csSimple is editable, owner draw keeps the list
    cb->SetStyle(csSimple);
    EXPECT_TRUE(cb->ComboBox()->isEditable());
    EXPECT_EQ(cb->GetText(), QStringLiteral("Яблуко"));
    cb->SetStyle(csOwnerDrawFixed);
    EXPECT_FALSE(cb->ComboBox()->isEditable());
    EXPECT_EQ(cb->GetItemIndex(), 2);
    cb->SetDropDownCount(3);
    EXPECT_EQ(cb->ComboBox()->maxVisibleItems(), 3);
}

TEST_F(StdCtrlsTest, DropDownListShowsItsFocusMarkAndDropsDropDownCountRows) {
    auto* other = form->Add<TEdit>(200, 10, 100, 22);
    auto* cb = form->Add<TComboBox>(10, 10, 150, 22);
    cb->SetStyle(csDropDownList);
    for (int i = 1; i <= 12; ++i)
        cb->GetItems()->Add(QStringLiteral("Відділ %1").arg(i));
    cb->SetItemIndex(0);
    auto highlighted = [cb] {
        cb->GetHandle()->repaint();
        QImage img = cb->GetHandle()->grab().toImage();
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                n += img.pixelColor(x, y) == ColorToQColor(clHighlight);
        return n;
    };
    other->SetFocus();
    EXPECT_EQ(highlighted(), 0);
    cb->SetFocus();
    EXPECT_GT(highlighted(), 100) << "the chosen item in the selection colour";

    // Alt+Down drops the list: 8 rows below the combo, not all 12 over it
    SendKey(cb, Qt::Key_Down, QString(), Qt::AltModifier);
    QApplication::processEvents();
    ASSERT_TRUE(cb->GetDroppedDown());
    QAbstractItemView* view = cb->ComboBox()->view();
    const int row = view->sizeHintForRow(0);
    ASSERT_GT(row, 0);
    EXPECT_NEAR(view->viewport()->height() / double(row), 8.0, 0.6);
    const QPoint comboBottom = cb->GetHandle()->mapToGlobal(QPoint(0, cb->GetHandle()->height()));
    EXPECT_GE(view->window()->mapToGlobal(QPoint(0, 0)).y(), comboBottom.y() - 1);
    cb->SetDroppedDown(false);
}

// ---- list box ------------------------------------------------------------------------------

class ListBoxTest : public FormTest {
protected:
    void SetUp() override {
        FormTest::SetUp();
        lb = form->Add<TListBox>(10, 10, 120, 68); // 4 rows of 16 inside a 2-pixel frame
        lb->Perform(LB_SETITEMHEIGHT, 0, 16);
        for (const char* s : {"Абетка", "Бук", "бузок", "Вишня", "апельсин", "Груша"})
            add(QString::fromUtf8(s));
    }
    LRESULT add(const QString& S) { return lb->Perform(LB_ADDSTRING, 0, LPARAM(&S)); }
    LRESULT selectString(int After, const QString& S) {
        return lb->Perform(LB_SELECTSTRING, WPARAM(intptr_t(After)), LPARAM(&S));
    }
    TRect itemRect(int I) {
        TRect r;
        EXPECT_NE(lb->Perform(LB_GETITEMRECT, WPARAM(I), LPARAM(&r)), LB_ERR);
        return r;
    }
    TListBox* lb = nullptr;
};

TEST_F(ListBoxTest, MessageTable) {
    int w = lb->GetClientWidth();
    EXPECT_EQ(lb->GetClientHeight(), 64);
    EXPECT_EQ(lb->Perform(LB_GETCOUNT, 0, 0), 6);
    QString s;
    EXPECT_EQ(lb->Perform(LB_GETTEXT, 2, LPARAM(&s)), 5);
    EXPECT_EQ(s, QStringLiteral("бузок"));
    EXPECT_EQ(lb->Perform(LB_GETTEXT, 6, LPARAM(&s)), LB_ERR);
    EXPECT_EQ(lb->Perform(LB_GETITEMHEIGHT, 0, 0), 16);

    // item rectangles and the item at a point
    EXPECT_EQ(itemRect(2), (TRect{0, 32, w, 48}));
    EXPECT_EQ(LOWORD(lb->Perform(LB_ITEMFROMPOINT, 0, MAKELPARAM(5, 20))), 1);
    EXPECT_EQ(HIWORD(lb->Perform(LB_ITEMFROMPOINT, 0, MAKELPARAM(5, 200))), 1);
    EXPECT_EQ(lb->ItemAtPos(TPoint{5, 63}, true), 3);
    TRect dummy;
    EXPECT_EQ(lb->Perform(LB_GETITEMRECT, 9, LPARAM(&dummy)), LB_ERR);

    // single selection
    EXPECT_EQ(lb->Perform(LB_GETCURSEL, 0, 0), -1);
    EXPECT_EQ(lb->Perform(LB_SETCURSEL, 2, 0), 2);
    EXPECT_EQ(lb->Perform(LB_GETCURSEL, 0, 0), 2);
    EXPECT_GT(lb->Perform(LB_GETSEL, 2, 0), 0);
    EXPECT_EQ(lb->Perform(LB_GETSEL, 1, 0), 0);
    EXPECT_EQ(lb->Perform(LB_GETSELCOUNT, 0, 0), LB_ERR);
    EXPECT_EQ(lb->Perform(LB_SETSEL, 1, 1), LB_ERR);

    // select-string: by prefix, after the given item, wrapping, case-insensitive, Cyrillic
    EXPECT_EQ(selectString(-1, QStringLiteral("БУ")), 1);
    EXPECT_EQ(lb->GetItemIndex(), 1);
    EXPECT_EQ(selectString(1, QStringLiteral("бу")), 2);
    EXPECT_EQ(selectString(2, QStringLiteral("Бу")), 1);
    EXPECT_EQ(selectString(-1, QStringLiteral("а")), 0);
    EXPECT_EQ(selectString(0, QStringLiteral("А")), 4);
    EXPECT_EQ(selectString(-1, QStringLiteral("ґ")), LB_ERR);
    EXPECT_EQ(lb->GetItemIndex(), 4);

    // top index moves the rectangles; selecting below the view scrolls
    lb->Perform(LB_SETTOPINDEX, 3, 0);
    EXPECT_EQ(lb->Perform(LB_GETTOPINDEX, 0, 0), 3);
    EXPECT_EQ(itemRect(3).Top, 0);
    EXPECT_EQ(itemRect(2).Top, -16);
    EXPECT_EQ(LOWORD(lb->Perform(LB_ITEMFROMPOINT, 0, MAKELPARAM(5, 20))), 4);
    lb->Perform(LB_SETCURSEL, 0, 0);
    EXPECT_EQ(lb->GetTopIndex(), 0);
    // the scroll bar shows the view and moves it
    EXPECT_TRUE(ScrollBarVisible(lb->GetHandle(), SB_VERT));
    lb->Perform(WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(lb->GetTopIndex(), 1);
    EXPECT_EQ(GetScrollPos(lb->GetHandle(), SB_VERT), 1);
    lb->Perform(WM_VSCROLL, SB_TOP, 0);

    // item data follows its item through inserts and deletes
    lb->Perform(LB_SETITEMDATA, 3, 77);
    QString first = QStringLiteral("Ялина");
    EXPECT_EQ(lb->Perform(LB_INSERTSTRING, 0, LPARAM(&first)), 0);
    EXPECT_EQ(lb->Perform(LB_GETITEMDATA, 4, 0), 77);
    EXPECT_EQ(lb->GetItemIndex(), 1); // the selection moved with its item
    EXPECT_EQ(lb->Perform(LB_DELETESTRING, 0, 0), 6);
    EXPECT_EQ(lb->Perform(LB_GETITEMDATA, 3, 0), 77);
    EXPECT_EQ(lb->GetItems()->GetObject(3), reinterpret_cast<TObject*>(77));
    EXPECT_EQ(lb->Perform(LB_DELETESTRING, 6, 0), LB_ERR);

    // sorted: added strings go to their place
    lb->SetSorted(true);
    EXPECT_EQ(lb->GetItems()->Get(0), QStringLiteral("Абетка"));
    EXPECT_EQ(lb->GetItems()->Get(1), QStringLiteral("апельсин"));
    EXPECT_EQ(lb->GetItems()->Get(4), QStringLiteral("Вишня"));
    EXPECT_EQ(lb->Perform(LB_GETITEMDATA, 4, 0), 77);
    EXPECT_EQ(add(QStringLiteral("борщ")), 2);

    lb->Perform(LB_RESETCONTENT, 0, 0);
    EXPECT_EQ(lb->Perform(LB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(lb->GetItemIndex(), -1);
}

TEST_F(ListBoxTest, MultiAndExtendedSelectionByMouseAndMessages) {
    int clicks = 0, doubles = 0;
    lb->OnClick = [&](TObject*) { ++clicks; };
    lb->OnDblClick = [&](TObject*) { ++doubles; };

    // single mode: a click selects and tells (LBN_SELCHANGE -> OnClick)
    Click(lb, 5, 20);
    EXPECT_EQ(lb->GetItemIndex(), 1);
    EXPECT_EQ(clicks, 1);
    Click(lb, 5, 20); // no change, no notification
    EXPECT_EQ(clicks, 1);
    SendMouse(lb, QEvent::MouseButtonDblClick, 5, 20);
    SendMouse(lb, QEvent::MouseButtonRelease, 5, 20);
    EXPECT_EQ(doubles, 1);

    lb->SetMultiSelect(true);
    lb->Perform(LB_SETSEL, 0, -1);
    // extended: click, shift-click a range, ctrl-click toggles one
    Click(lb, 5, 4);
    SendMouse(lb, QEvent::MouseButtonPress, 5, 50, Qt::LeftButton, Qt::ShiftModifier);
    SendMouse(lb, QEvent::MouseButtonRelease, 5, 50, Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(lb->GetSelCount(), 4);
    SendMouse(lb, QEvent::MouseButtonPress, 5, 20, Qt::LeftButton, Qt::ControlModifier);
    SendMouse(lb, QEvent::MouseButtonRelease, 5, 20, Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(lb->GetSelCount(), 3);
    EXPECT_FALSE(lb->GetSelected(1));
    EXPECT_TRUE(lb->GetSelected(3));
    // a plain click keeps only its item
    Click(lb, 5, 36);
    EXPECT_EQ(lb->GetSelCount(), 1);
    EXPECT_TRUE(lb->GetSelected(2));

    // multi (not extended): every click toggles
    lb->SetExtendedSelect(false);
    Click(lb, 5, 4);
    Click(lb, 5, 52);
    EXPECT_EQ(lb->GetSelCount(), 3);
    Click(lb, 5, 4);
    EXPECT_EQ(lb->GetSelCount(), 2);

    // messages in multi mode
    EXPECT_EQ(lb->Perform(LB_SETSEL, 1, -1), 0);
    EXPECT_EQ(lb->Perform(LB_GETSELCOUNT, 0, 0), 6);
    EXPECT_EQ(lb->Perform(LB_SETSEL, 0, 4), 0);
    EXPECT_EQ(lb->Perform(LB_GETSEL, 4, 0), 0);
    EXPECT_EQ(lb->Perform(LB_SETCURSEL, 1, 0), LB_ERR);
    EXPECT_THROW(lb->GetSelected(10), EListError);
}

TEST_F(ListBoxTest, ItemsAddedBeforeTheWindowShowTheScrollBar) {
    auto* early = new TListBox(form);
    for (int i = 0; i < 20; ++i)
        early->GetItems()->Add(QString::number(i));
    early->SetBounds(140, 10, 120, 68);
    early->SetParent(form);
    QApplication::processEvents();
    ASSERT_TRUE(early->HandleAllocated());
    EXPECT_TRUE(ScrollBarVisible(early->GetHandle(), SB_VERT));
}

TEST_F(ListBoxTest, KeysKeepTheChosenRowWhollyVisible) {
    // 4 whole rows and 10 pixels of a fifth
    lb->SetHeight(78);
    ASSERT_EQ(lb->GetClientHeight(), 74);
    for (const char* s : {"Дуб", "Ясен", "Клен", "Липа"})
        add(QString::fromUtf8(s));
    struct Row {
        const char* What;
        int From;
        int QtKey;
        int WantIndex;
    } rows[] = {
        {"Down onto the partly visible row", 3, Qt::Key_Down, 4},
        {"End", 0, Qt::Key_End, 9},
        {"Page Down: a page of whole rows less one", 0, Qt::Key_PageDown, 3},
        {"Page Down again", 3, Qt::Key_PageDown, 6},
        {"Page Up from the end", 9, Qt::Key_PageUp, 6},
    };
    lb->SetFocus();
    for (const Row& r : rows) {
        SCOPED_TRACE(r.What);
        lb->SetItemIndex(r.From);
        PressKey(lb, r.QtKey);
        EXPECT_EQ(lb->GetItemIndex(), r.WantIndex);
        TRect shown = itemRect(r.WantIndex);
        EXPECT_GE(shown.Top, 0);
        EXPECT_LE(shown.Bottom, lb->GetClientHeight());
    }
}

TEST_F(ListBoxTest, AFocusedListWithNothingChosenShowsItsFocusMark) {
    auto leftEdgeOfFirstRow = [this] {
        lb->Repaint();
        QImage img = lb->GetHandle()->grab().toImage();
        std::set<QRgb> seen;
        for (int y = 2; y < 14; ++y)
            seen.insert(img.pixel(WidgetPoint(lb, 0, y)));
        return seen;
    };
    const QRgb window = ColorToQColor(clWindow).rgb();
    lb->SetItemIndex(-1);
    lb->SetFocus();
    EXPECT_GT(leftEdgeOfFirstRow().size(), 1u) << "the dotted focus mark";
    form->SetActiveControl(nullptr);
    EXPECT_EQ(leftEdgeOfFirstRow(), (std::set<QRgb>{window}));
    // an empty list shows the mark too
    lb->Perform(LB_RESETCONTENT, 0, 0);
    lb->SetFocus();
    EXPECT_GT(leftEdgeOfFirstRow().size(), 1u);
}

TEST_F(ListBoxTest, KeysColumnsOwnerDrawAndIntegralHeight) {
    lb->SetFocus();
    TypeText(lb, QStringLiteral("б")); // the next item starting with the letter
    EXPECT_EQ(lb->GetItemIndex(), 1);
    TypeText(lb, QStringLiteral("б"));
    EXPECT_EQ(lb->GetItemIndex(), 2);
    PressKey(lb, Qt::Key_End);
    EXPECT_EQ(lb->GetItemIndex(), 5);
    EXPECT_EQ(lb->GetTopIndex(), 2);
    PressKey(lb, Qt::Key_Up);
    EXPECT_EQ(lb->GetItemIndex(), 4);

    // two columns of 4 rows
    lb->SetColumns(2);
    lb->Perform(LB_SETCOLUMNWIDTH, 50, 0);
    lb->SetTopIndex(0);
    EXPECT_EQ(itemRect(5), (TRect{50, 16, 100, 32}));
    EXPECT_EQ(lb->ItemAtPos(TPoint{60, 20}, true), 5);
    EXPECT_EQ(lb->ItemAtPos(TPoint{60, 40}, true), -1);
    lb->SetColumns(0);
    // integral height: whole items only
    lb->SetIntegralHeight(true);
    lb->SetHeight(75);
    EXPECT_EQ(lb->GetHeight(), 68);
    EXPECT_EQ(lb->GetClientHeight(), 64);
    lb->SetIntegralHeight(false);

    // owner draw variable: heights come from OnMeasureItem, painting from OnDrawItem
    lb->Perform(LB_RESETCONTENT, 0, 0);
    lb->SetStyle(lbOwnerDrawVariable);
    lb->OnMeasureItem = [](TWinControl*, int Index, int& H) { H = 10 + Index * 5; };
    std::vector<int> drawn;
    lb->OnDrawItem = [&](TWinControl*, int Index, TRect, TOwnerDrawState) {
        drawn.push_back(Index);
    };
    add(QStringLiteral("a"));
    add(QStringLiteral("b"));
    add(QStringLiteral("c"));
    EXPECT_EQ(itemRect(2), (TRect{0, 25, lb->GetClientWidth(), 45}));
    EXPECT_EQ(lb->Perform(LB_GETITEMHEIGHT, 1, 0), 15);
    QApplication::processEvents();
    drawn.clear();
    lb->Repaint();
    EXPECT_EQ(drawn, (std::vector<int>{0, 1, 2}));
}

// ---- buttons -------------------------------------------------------------------------------

TEST_F(StdCtrlsTest, DefaultAndCancelButtonsAnswerEnterAndEscape) {
    auto* e = form->Add<TEdit>(10, 10, 100, 22);
    auto* ok = form->Add<TButton>(10, 50, 75, 25);
    auto* cancel = form->Add<TButton>(100, 50, 75, 25);
    ok->SetCaption(QStringLiteral("&Гаразд"));
    ok->SetDefault(true);
    ok->SetModalResult(mrOk);
    cancel->SetCancel(true);
    cancel->SetModalResult(mrCancel);
    int okClicks = 0;
    ok->OnClick = [&](TObject*) { ++okClicks; };
    e->SetFocus();
    PressKey(e, Qt::Key_Return);
    EXPECT_EQ(okClicks, 1);
    EXPECT_EQ(form->GetModalResult(), mrOk);
    PressKey(e, Qt::Key_Escape);
    EXPECT_EQ(form->GetModalResult(), mrCancel);

    // mouse: press and release inside clicks; released outside does not
    Click(ok, 10, 10);
    EXPECT_EQ(okClicks, 2);
    SendMouse(ok, QEvent::MouseButtonPress, 10, 10);
    SendMouse(ok, QEvent::MouseButtonRelease, 200, 10);
    EXPECT_EQ(okClicks, 2);
    // space on the focused button, BM_CLICK, and the accelerator
    ok->SetFocus();
    PressKey(ok, Qt::Key_Space);
    EXPECT_EQ(okClicks, 3);
    ok->Perform(BM_CLICK, 0, 0);
    EXPECT_EQ(okClicks, 4);
    e->SetFocus();
    form->Perform(CM_DIALOGCHAR, 0x0413 /* Г */, 0);
    EXPECT_EQ(okClicks, 5);
    // a disabled button does nothing
    ok->SetEnabled(false);
    e->SetFocus();
    PressKey(e, Qt::Key_Return);
    EXPECT_EQ(okClicks, 5);
}

TEST_F(StdCtrlsTest, CheckBoxAndRadioButtons) {
    auto* cb = form->Add<TCheckBox>(10, 10, 120, 17);
    cb->SetCaption(QStringLiteral("Працює"));
    int clicks = 0;
    cb->OnClick = [&](TObject*) { ++clicks; };
    Click(cb, 5, 5);
    EXPECT_TRUE(cb->GetChecked());
    EXPECT_EQ(clicks, 1);
    cb->SetChecked(false); // from code: clicks too, as on the platform
    EXPECT_EQ(clicks, 2);
    cb->ClicksDisabled = true;
    cb->SetChecked(true);
    EXPECT_EQ(clicks, 2);
    cb->ClicksDisabled = false;
    cb->SetAllowGrayed(true);
    cb->SetFocus();
    PressKey(cb, Qt::Key_Space);
    EXPECT_EQ(cb->GetState(), cbGrayed);
    PressKey(cb, Qt::Key_Space);
    EXPECT_EQ(cb->GetState(), cbUnchecked);
    EXPECT_EQ(cb->Perform(BM_GETCHECK, 0, 0), cbUnchecked);

    auto* r1 = form->Add<TRadioButton>(10, 40, 120, 17);
    auto* r2 = form->Add<TRadioButton>(10, 60, 120, 17);
    auto* box = form->Add<TGroupBox>(150, 10, 150, 100);
    auto* r3 = form->Add<TRadioButton>(10, 20, 100, 17, box);
    r3->SetChecked(true);
    r1->SetChecked(true);
    Click(r2, 5, 5);
    EXPECT_FALSE(r1->GetChecked());
    EXPECT_TRUE(r2->GetChecked());
    EXPECT_TRUE(r3->GetChecked()); // another parent, another group
}

TEST_F(StdCtrlsTest, DisablingAGroupBoxDisablesItsChildren) {
    auto* box = form->Add<TGroupBox>(10, 10, 200, 120);
    box->SetCaption(QStringLiteral("Адреса"));
    auto* e = form->Add<TEdit>(10, 20, 100, 22, box);
    auto* b = form->Add<TButton>(10, 60, 75, 25, box);
    EXPECT_TRUE(e->CanFocus());
    box->SetEnabled(false);
    EXPECT_FALSE(e->CanFocus());
    EXPECT_FALSE(b->CanFocus());
    EXPECT_FALSE(e->GetHandle()->isEnabled());
    EXPECT_TRUE(e->GetEnabled()); // its own property is untouched
    int clicks = 0;
    b->OnClick = [&](TObject*) { ++clicks; };
    Click(b, 5, 5);
    EXPECT_EQ(clicks, 0);
    box->SetEnabled(true);
    EXPECT_TRUE(e->CanFocus());
    Click(b, 5, 5);
    EXPECT_EQ(clicks, 1);
}

TEST_F(StdCtrlsTest, LabelSizesToItsTextAndFocusesByAccelerator) {
    auto* e = form->Add<TEdit>(100, 10, 100, 22);
    auto* l = new TLabel(form);
    l->SetParent(form);
    l->SetLeft(10);
    l->SetCaption(QStringLiteral("&Прізвище"));
    l->SetFocusControl(e);
    int w1 = l->GetWidth();
    EXPECT_GT(w1, 20);
    l->SetCaption(QStringLiteral("&Прізвище та ім'я"));
    EXPECT_GT(l->GetWidth(), w1);
    l->SetAutoSize(false);
    l->SetCaption(QStringLiteral("x"));
    EXPECT_GT(l->GetWidth(), w1);
    l->SetCaption(QStringLiteral("&Прізвище"));
    form->Perform(CM_DIALOGCHAR, 0x041F /* П */, 0);
    EXPECT_TRUE(e->Focused());
    EXPECT_EQ(StripHotkey(QStringLiteral("&Файл && друк")), QStringLiteral("Файл & друк"));
}

} // namespace
