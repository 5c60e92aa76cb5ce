// The start of the program: the splash window, its pause, the data module, the main window
// (which reads the settings and connects) and the dialogs that live for the whole run.
#pragma once

#include <functional>

class TComponent;

// How long the splash window stays before anything else is made, in milliseconds.
inline constexpr unsigned SplashPause = 3000;

// Shows the splash window, pauses through the clock (painting, taking no input), then makes
// DM, MainForm, AboutBox, QuetForm, Opt2Form, UdostForm, TimeForm, PeriodForm and WrkForm in
// this order, each owned by the application, and frees the splash window. Created, when given,
// is told of each right after it is made (the splash window too).
void CreateApplicationForms(const std::function<void(TComponent*)>& Created = {});
// Frees what CreateApplicationForms made, last first (for tests and measurements).
void FreeApplicationForms();
// The whole program: the forms, then the message loop until the main window closes.
int RunKadrion();
