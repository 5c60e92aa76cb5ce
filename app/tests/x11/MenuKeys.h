// Keys for the program's menus and dialogs on the X server.
#pragma once

// Sends keys as xdotool names them ("alt+Cyrillic_o", "Down Return") without waiting for them
// to arrive: a key that drops a menu or opens a modal window starts a loop of its own, which
// would hold a step that waited. The step's check then waits for what the keys bring.
void MenuKeys(const char* Keys);

#include "Clock.h"

#include <QTemporaryDir>
#include <memory>

// The program started in a fresh home with the database the first-run set-up makes, filled
// with Employees generated employees, its main window shown and active, the Ukrainian layout
// on; the clock stands at 14.03.2024 noon. Its end disconnects and frees the forms. Started()
// tells whether all of that worked (a failure is reported to the test).
class TProgramOnX11 {
public:
    explicit TProgramOnX11(int Employees);
    ~TProgramOnX11();
    bool Started() const { return started; }

private:
    QTemporaryDir home;
    TFakeClock clock;
    std::unique_ptr<TClockSwap> swap;
    bool started = false;
};
