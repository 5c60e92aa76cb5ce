// The results a modal window or dialog ends with (a form's ModalResult, a button's, a message
// box's answer), on their own so that the dialogs need not include the forms.
#pragma once

using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;     // IDOK
constexpr TModalResult mrCancel = 2; // IDCANCEL
constexpr TModalResult mrAbort = 3;
constexpr TModalResult mrRetry = 4;
constexpr TModalResult mrIgnore = 5;
constexpr TModalResult mrYes = 6;
constexpr TModalResult mrNo = 7;
constexpr TModalResult mrAll = mrNo + 1;
constexpr TModalResult mrNoToAll = mrAll + 1;
constexpr TModalResult mrYesToAll = mrNoToAll + 1;
