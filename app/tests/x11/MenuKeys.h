// Keys for the program's menus and dialogs on the X server.
#pragma once

// Sends keys as xdotool names them ("alt+Cyrillic_o", "Down Return") without waiting for them
// to arrive: a key that drops a menu or opens a modal window starts a loop of its own, which
// would hold a step that waited. The step's check then waits for what the keys bring.
void MenuKeys(const char* Keys);

#include "Clock.h"
#include "Dates.h"

#include <QTemporaryDir>
#include <memory>

// The program started in a fresh home with the database the first-run set-up makes, filled
// with Employees generated employees, in the folder of the compiled templates as ./run.sh
// starts it, its main window shown and active, the Ukrainian layout on; the clock stands at
// Now (14.03.2024 noon unless given). Its end disconnects, frees the forms and goes back to the
// folder it started in. Started() tells whether all of that worked (a failure is reported to
// the test).
class TProgramOnX11 {
public:
    explicit TProgramOnX11(int Employees, TDateTime Now = EncodeDate(2024, 3, 14) + 0.5);
    ~TProgramOnX11();
    bool Started() const { return started; }

private:
    QTemporaryDir home;
    QString previousDir;
    TFakeClock clock;
    std::unique_ptr<TClockSwap> swap;
    bool started = false;
};
