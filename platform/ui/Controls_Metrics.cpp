// System metrics: sizes of the screen's elements, the work area, the double-click time.
#include "Controls.h"
#include "Forms.h"
#include "UiInternal.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QStyleHints>

int GetSystemMetrics(int Index) {
    switch (Index) {
    case SM_CXSCREEN:
    case SM_CXFULLSCREEN:
        return Screen->GetWidth();
    case SM_CYSCREEN:
    case SM_CYFULLSCREEN:
        return Screen->GetHeight();
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CXHSCROLL:
    case SM_CYVSCROLL:
        return 16;
    case SM_CYCAPTION:
        return 19;
    case SM_CXBORDER:
    case SM_CYBORDER:
        return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME:
        return 3;
    case SM_CXFRAME:
    case SM_CYFRAME:
        return 4;
    case SM_CXEDGE:
    case SM_CYEDGE:
        return 2;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR:
        return 32;
    case SM_CYMENU:
        return 19;
    case SM_CXMIN:
        return 112;
    case SM_CYMIN:
        return 27;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
        return 4;
    case SM_CXDRAG:
    case SM_CYDRAG:
        return 4;
    default:
        return 0;
    }
}

TRect GetWorkArea() {
    return Screen->GetWorkAreaRect();
}

UINT GetDoubleClickTime() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance())
               ? UINT(QGuiApplication::styleHints()->mouseDoubleClickInterval())
               : 500u;
}
