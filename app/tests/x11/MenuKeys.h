// Keys for the program's menus and dialogs on the X server.
#pragma once

// Sends keys as xdotool names them ("alt+Cyrillic_o", "Down Return") without waiting for them
// to arrive: a key that drops a menu or opens a modal window starts a loop of its own, which
// would hold a step that waited. The step's check then waits for what the keys bring.
void MenuKeys(const char* Keys);
