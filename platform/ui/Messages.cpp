// Shift states, key states and the mapping of Qt keys to virtual-key codes.
#include "Messages.h"

#include <Qt>
#include <QString>

#include "Controls.h"
#include "UiInternal.h"

#include <QCursor>

namespace {
Qt::KeyboardModifiers trackedMods;
Qt::MouseButtons trackedButtons;
TPoint trackedPos;
bool trackedPosSet = false;
} // namespace

void SetTrackedCursorPos(const TPoint& P) {
    trackedPos = P;
    trackedPosSet = true;
}

TPoint TrackedCursorPos() {
    if (!trackedPosSet) {
        QPoint p = QCursor::pos();
        return TPoint{p.x(), p.y()};
    }
    return trackedPos;
}

void SetTrackedInputState(Qt::KeyboardModifiers Mods, Qt::MouseButtons Buttons) {
    trackedMods = Mods;
    trackedButtons = Buttons;
}

TShiftState GetShiftState() {
    TShiftState s;
    if (trackedMods & Qt::ShiftModifier) s.Include(ssShift);
    if (trackedMods & Qt::AltModifier) s.Include(ssAlt);
    if (trackedMods & Qt::ControlModifier) s.Include(ssCtrl);
    if (trackedButtons & Qt::LeftButton) s.Include(ssLeft);
    if (trackedButtons & Qt::RightButton) s.Include(ssRight);
    if (trackedButtons & Qt::MiddleButton) s.Include(ssMiddle);
    return s;
}

TShortCut ShortCut(WORD key, TShiftState shift) {
    TShortCut r = TShortCut(key & 0xFF);
    if (shift.Contains(ssShift)) r |= scShift;
    if (shift.Contains(ssCtrl)) r |= scCtrl;
    if (shift.Contains(ssAlt)) r |= scAlt;
    return r;
}

void ShortCutToKey(TShortCut shortCut, WORD& key, TShiftState& shift) {
    key = WORD(shortCut & 0xFF);
    shift = TShiftState();
    if (shortCut & scShift) shift.Include(ssShift);
    if (shortCut & scCtrl) shift.Include(ssCtrl);
    if (shortCut & scAlt) shift.Include(ssAlt);
}

TShiftState KeyDataToShiftState(LPARAM keyData) {
    TShiftState s;
    if (GetKeyState(VK_SHIFT) < 0) s.Include(ssShift);
    if (GetKeyState(VK_CONTROL) < 0) s.Include(ssCtrl);
    if (keyData & KF_ALTDOWN_BIT) s.Include(ssAlt);
    return s;
}

TShiftState KeysToShiftState(WPARAM keys) {
    TShiftState s;
    if (keys & MK_SHIFT) s.Include(ssShift);
    if (keys & MK_CONTROL) s.Include(ssCtrl);
    if (keys & MK_LBUTTON) s.Include(ssLeft);
    if (keys & MK_RBUTTON) s.Include(ssRight);
    if (keys & MK_MBUTTON) s.Include(ssMiddle);
    if (GetKeyState(VK_MENU) < 0) s.Include(ssAlt);
    return s;
}

int16_t GetKeyState(int vKey) {
    bool down = false;
    switch (vKey) {
    case VK_SHIFT:
    case VK_LSHIFT:
    case VK_RSHIFT:
        down = trackedMods & Qt::ShiftModifier;
        break;
    case VK_CONTROL:
    case VK_LCONTROL:
    case VK_RCONTROL:
        down = trackedMods & Qt::ControlModifier;
        break;
    case VK_MENU:
    case VK_LMENU:
    case VK_RMENU:
        down = trackedMods & Qt::AltModifier;
        break;
    case VK_LBUTTON:
        down = trackedButtons & Qt::LeftButton;
        break;
    case VK_RBUTTON:
        down = trackedButtons & Qt::RightButton;
        break;
    case VK_MBUTTON:
        down = trackedButtons & Qt::MiddleButton;
        break;
    default:
        break;
    }
    return down ? int16_t(0x8000) : int16_t(0);
}

int16_t GetAsyncKeyState(int vKey) {
    return GetKeyState(vKey);
}

namespace {
// The letter keys of the Ukrainian (and Russian) layout by their place on the keyboard, so a
// Cyrillic letter gives the virtual key of its key, as on the platform.
struct CyrKey {
    char16_t Upper;
    WORD Vk;
};
const CyrKey cyrillicKeys[] = {
    {u'Й', 'Q'},      {u'Ц', 'W'},          {u'У', 'E'},           {u'К', 'R'},
    {u'Е', 'T'},      {u'Н', 'Y'},          {u'Г', 'U'},           {u'Ш', 'I'},
    {u'Щ', 'O'},      {u'З', 'P'},          {u'Х', VK_OEM_4},      {u'Ї', VK_OEM_6},
    {u'Ъ', VK_OEM_6}, {u'Ф', 'A'},          {u'І', 'S'},           {u'Ы', 'S'},
    {u'В', 'D'},      {u'А', 'F'},          {u'П', 'G'},           {u'Р', 'H'},
    {u'О', 'J'},      {u'Л', 'K'},          {u'Д', 'L'},           {u'Ж', VK_OEM_1},
    {u'Є', VK_OEM_7}, {u'Э', VK_OEM_7},     {u'Я', 'Z'},           {u'Ч', 'X'},
    {u'С', 'C'},      {u'М', 'V'},          {u'И', 'B'},           {u'Т', 'N'},
    {u'Ь', 'M'},      {u'Б', VK_OEM_COMMA}, {u'Ю', VK_OEM_PERIOD}, {u'Ґ', VK_OEM_102},
    {u'Ё', VK_OEM_3},
};
} // namespace

WORD QtKeyToVirtualKey(int qtKey, const QString& text, bool keypad) {
    if (keypad) switch (qtKey) {
        case Qt::Key_Plus:
            return VK_ADD;
        case Qt::Key_Minus:
            return VK_SUBTRACT;
        case Qt::Key_Asterisk:
            return VK_MULTIPLY;
        case Qt::Key_Slash:
            return VK_DIVIDE;
        default:
            break;
        }
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return WORD('A' + (qtKey - Qt::Key_A));
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return WORD('0' + (qtKey - Qt::Key_0));
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return WORD(VK_F1 + (qtKey - Qt::Key_F1));
    switch (qtKey) {
    case Qt::Key_Backspace:
        return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return VK_TAB;
    case Qt::Key_Clear:
        return VK_CLEAR;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return VK_RETURN;
    case Qt::Key_Shift:
        return VK_SHIFT;
    case Qt::Key_Control:
        return VK_CONTROL;
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
        return VK_MENU;
    case Qt::Key_Pause:
        return VK_PAUSE;
    case Qt::Key_CapsLock:
        return VK_CAPITAL;
    case Qt::Key_Escape:
        return VK_ESCAPE;
    case Qt::Key_Space:
        return VK_SPACE;
    case Qt::Key_PageUp:
        return VK_PRIOR;
    case Qt::Key_PageDown:
        return VK_NEXT;
    case Qt::Key_End:
        return VK_END;
    case Qt::Key_Home:
        return VK_HOME;
    case Qt::Key_Left:
        return VK_LEFT;
    case Qt::Key_Up:
        return VK_UP;
    case Qt::Key_Right:
        return VK_RIGHT;
    case Qt::Key_Down:
        return VK_DOWN;
    case Qt::Key_Select:
        return VK_SELECT;
    case Qt::Key_Print:
        return VK_SNAPSHOT;
    case Qt::Key_Execute:
        return VK_EXECUTE;
    case Qt::Key_Insert:
        return VK_INSERT;
    case Qt::Key_Delete:
        return VK_DELETE;
    case Qt::Key_Help:
        return VK_HELP;
    case Qt::Key_Meta:
        return VK_LWIN;
    case Qt::Key_Menu:
        return VK_APPS;
    case Qt::Key_NumLock:
        return VK_NUMLOCK;
    case Qt::Key_ScrollLock:
        return VK_SCROLL;
    case Qt::Key_Asterisk:
        return VK_MULTIPLY;
    case Qt::Key_Plus:
        return VK_OEM_PLUS;
    case Qt::Key_Equal:
        return VK_OEM_PLUS;
    case Qt::Key_Comma:
        return VK_OEM_COMMA;
    case Qt::Key_Minus:
        return VK_OEM_MINUS;
    case Qt::Key_Period:
        return VK_OEM_PERIOD;
    case Qt::Key_Slash:
        return VK_OEM_2;
    case Qt::Key_Semicolon:
        return VK_OEM_1;
    case Qt::Key_QuoteLeft:
        return VK_OEM_3;
    case Qt::Key_BracketLeft:
        return VK_OEM_4;
    case Qt::Key_Backslash:
        return VK_OEM_5;
    case Qt::Key_BracketRight:
        return VK_OEM_6;
    case Qt::Key_Apostrophe:
        return VK_OEM_7;
    default:
        break;
    }
    // A letter of another alphabet: by the text it types, or the Qt key (its upper case).
    QChar c;
    if (!text.isEmpty())
        c = text.at(0).toUpper();
    else if (qtKey > 0 && qtKey < 0x10000)
        c = QChar(char16_t(qtKey)).toUpper();
    for (const CyrKey& k : cyrillicKeys)
        if (c == QChar(k.Upper)) return k.Vk;
    if (c.unicode() >= 'A' && c.unicode() <= 'Z') return WORD(c.unicode());
    return 0;
}

QChar OtherLayoutChar(QChar Ch) {
    // The US punctuation keys that carry Cyrillic letters.
    static const struct {
        char16_t Latin;
        WORD Vk;
    } punctuation[] = {{u'[', VK_OEM_4},  {u']', VK_OEM_6},     {u';', VK_OEM_1},
                       {u'\'', VK_OEM_7}, {u',', VK_OEM_COMMA}, {u'.', VK_OEM_PERIOD},
                       {u'`', VK_OEM_3},  {u'\\', VK_OEM_102}};
    const QChar up = Ch.toUpper();
    for (const CyrKey& k : cyrillicKeys)
        if (up == QChar(k.Upper)) {
            if (k.Vk >= 'A' && k.Vk <= 'Z') return QChar(char16_t(k.Vk));
            for (const auto& p : punctuation)
                if (p.Vk == k.Vk) return QChar(p.Latin);
            return QChar();
        }
    WORD vk = 0;
    if (up.unicode() >= 'A' && up.unicode() <= 'Z') vk = up.unicode();
    for (const auto& p : punctuation)
        if (up == QChar(p.Latin)) vk = p.Vk;
    // the first letter of a key is the Ukrainian one
    for (const CyrKey& k : cyrillicKeys)
        if (vk != 0 && k.Vk == vk) return QChar(k.Upper);
    return QChar();
}

int VirtualKeyToQtKey(WORD vk) {
    if (vk >= 'A' && vk <= 'Z') return Qt::Key_A + (vk - 'A');
    if (vk >= '0' && vk <= '9') return Qt::Key_0 + (vk - '0');
    if (vk >= VK_F1 && vk <= VK_F1 + 23) return Qt::Key_F1 + (vk - VK_F1);
    switch (vk) {
    case VK_BACK:
        return Qt::Key_Backspace;
    case VK_TAB:
        return Qt::Key_Tab;
    case VK_RETURN:
        return Qt::Key_Return;
    case VK_SHIFT:
        return Qt::Key_Shift;
    case VK_CONTROL:
        return Qt::Key_Control;
    case VK_MENU:
        return Qt::Key_Alt;
    case VK_ESCAPE:
        return Qt::Key_Escape;
    case VK_SPACE:
        return Qt::Key_Space;
    case VK_PRIOR:
        return Qt::Key_PageUp;
    case VK_NEXT:
        return Qt::Key_PageDown;
    case VK_END:
        return Qt::Key_End;
    case VK_HOME:
        return Qt::Key_Home;
    case VK_LEFT:
        return Qt::Key_Left;
    case VK_UP:
        return Qt::Key_Up;
    case VK_RIGHT:
        return Qt::Key_Right;
    case VK_DOWN:
        return Qt::Key_Down;
    case VK_INSERT:
        return Qt::Key_Insert;
    case VK_DELETE:
        return Qt::Key_Delete;
    case VK_OEM_PLUS:
        return Qt::Key_Equal;
    case VK_OEM_COMMA:
        return Qt::Key_Comma;
    case VK_OEM_MINUS:
        return Qt::Key_Minus;
    case VK_OEM_PERIOD:
        return Qt::Key_Period;
    default:
        return 0;
    }
}
