// The user-interaction service: every message box, question, file, input and print dialog
// goes through one replaceable object. The program uses the Qt one; tests install a
// TScriptedInteraction that records each question and answers from a script.
#pragma once

#include "Classes.h"
#include "ModalResult.h"
#include "SysUtils.h"

#include <QList>
#include <QSize>
#include <QStringList>
#include <deque>
#include <vector>

// ---- message boxes ---------------------------------------------------------------------------

// Buttons, icons and default button of MessageBox (the platform's flags).
constexpr int MB_OK = 0x00000000;
constexpr int MB_OKCANCEL = 0x00000001;
constexpr int MB_ABORTRETRYIGNORE = 0x00000002;
constexpr int MB_YESNOCANCEL = 0x00000003;
constexpr int MB_YESNO = 0x00000004;
constexpr int MB_RETRYCANCEL = 0x00000005;
constexpr int MB_TYPEMASK = 0x0000000F;
constexpr int MB_ICONHAND = 0x00000010;
constexpr int MB_ICONERROR = MB_ICONHAND;
constexpr int MB_ICONSTOP = MB_ICONHAND;
constexpr int MB_ICONQUESTION = 0x00000020;
constexpr int MB_ICONEXCLAMATION = 0x00000030;
constexpr int MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr int MB_ICONASTERISK = 0x00000040;
constexpr int MB_ICONINFORMATION = MB_ICONASTERISK;
constexpr int MB_ICONMASK = 0x000000F0;
constexpr int MB_DEFBUTTON1 = 0x00000000;
constexpr int MB_DEFBUTTON2 = 0x00000100;
constexpr int MB_DEFBUTTON3 = 0x00000200;
constexpr int MB_DEFMASK = 0x00000F00;
constexpr int MB_APPLMODAL = 0x00000000;
constexpr int MB_SYSTEMMODAL = 0x00001000;
constexpr int MB_TASKMODAL = 0x00002000;

// Answers of MessageBox.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn {
    mbYes,
    mbNo,
    mbOK,
    mbCancel,
    mbAbort,
    mbRetry,
    mbIgnore,
    mbAll,
    mbNoToAll,
    mbYesToAll,
    mbHelp
};
using TMsgDlgButtons = TSet<TMsgDlgBtn>;
constexpr TMsgDlgButtons mbYesNoCancel() {
    return TMsgDlgButtons{mbYes, mbNo, mbCancel};
}
constexpr TMsgDlgButtons mbOKCancel() {
    return TMsgDlgButtons{mbOK, mbCancel};
}
constexpr TMsgDlgButtons mbAbortRetryIgnore() {
    return TMsgDlgButtons{mbAbort, mbRetry, mbIgnore};
}

// The caption of a dialog type ("Warning", "Error", "Information", "Confirm"; mtCustom: the
// application's title), the caption of a button ("&Yes", "OK" ...) and its modal result.
QString MsgDlgTypeCaption(TMsgDlgType Type);
QString MsgDlgButtonCaption(TMsgDlgBtn Button);
TModalResult MsgDlgButtonResult(TMsgDlgBtn Button);
// The buttons of MessageBox flags, in their order.
std::vector<TMsgDlgBtn> MessageBoxButtons(int Flags);

// ---- file, input and print dialogs -----------------------------------------------------------

enum TOpenOption {
    ofReadOnly,
    ofOverwritePrompt,
    ofHideReadOnly,
    ofNoChangeDir,
    ofShowHelp,
    ofNoValidate,
    ofAllowMultiSelect,
    ofExtensionDifferent,
    ofPathMustExist,
    ofFileMustExist,
    ofCreatePrompt,
    ofShareAware,
    ofNoReadOnlyReturn,
    ofNoTestFileCreate,
    ofNoNetworkButton,
    ofNoLongNames,
    ofOldStyleDialog,
    ofNoDereferenceLinks,
    ofEnableIncludeNotify,
    ofEnableSizing
};
using TOpenOptions = TSet<TOpenOption>;

// What a file dialog asks and what it gets back.
struct TFileDialogRequest {
    bool Save = false;
    QString Title;
    QString InitialDir;
    QString FileName;    // in: proposed; out: chosen (the first one with multi-select)
    QString Filter;      // "Text files (*.txt)|*.txt|All files (*.*)|*.*"
    int FilterIndex = 1; // 1-based, in and out
    QString DefaultExt;  // without the dot; added to a chosen name without extension
    TOpenOptions Options;
    QStringList Files; // out: every chosen file
};

struct TPrintDialogRequest {
    int MinPage = 0, MaxPage = 0;
    int FromPage = 0, ToPage = 0;
    int Copies = 1;
    bool Collate = false;
    // 0 all pages, 1 selection, 2 page range
    int PrintRange = 0;
    QStringList Printers;
    int PrinterIndex = -1;
    bool PrintToFile = false;
    QString PageNumbers; // a free page list ("1,3-5") where the caller offers one
};

// The printer-setup question (plain values; the print layer fills and reads them).
struct TPrinterSetupRequest {
    QStringList Printers;
    int PrinterIndex = -1; // in/out
    QStringList Papers;    // paper names of the printer
    int PaperIndex = -1;   // in/out
    bool CustomPaper = false;
    int PaperWidth = 0, PaperLength = 0; // in/out, tenths of a millimetre
    bool Landscape = false;              // in/out
    QStringList Bins;                    // empty: the printer has no bins
    int BinIndex = -1;                   // in/out
    int Copies = 1;                      // in/out
};

// The page-setup question: paper, orientation, paper source and the margins of the page.
// Plain values; the print layer fills and reads them.
struct TPageSetupRequest {
    QString PrinterName;     // shown, not chosen here
    QStringList Papers;      // paper names of the printer
    QList<QSize> PaperSizes; // the sheet as fed (portrait), tenths of a millimetre, as Papers
    int PaperIndex = -1;     // in/out
    bool Landscape = false;  // in/out
    QStringList Bins;        // empty: the printer has no bins
    int BinIndex = -1;       // in/out
    TRect Margins;           // in/out: the four margins, hundredths of a millimetre
};

// A length typed in millimetres ("20", "12,5", "12.5", at most two decimals, not below zero and
// below ten metres) in hundredths of a millimetre; false for anything else.
bool ParseMillimetres(const QString& Text, int& Hundredths);
// Hundredths of a millimetre as the user types them: "12,5".
QString MillimetresText(int Hundredths);
// Why the request's margins cannot be used (negative, or leaving no room on the chosen paper in
// its orientation); empty when they can.
QString PageSetupMarginsError(const TPageSetupRequest& Request);

// ---- the service -----------------------------------------------------------------------------

class TUserInteraction {
public:
    virtual ~TUserInteraction() = default;
    // Returns IDOK, IDCANCEL, IDYES ... (IDCANCEL when closed without a choice).
    virtual int MessageBox(const QString& Text, const QString& Caption, int Flags) = 0;
    // Returns the modal result of the button chosen (mrCancel when closed without a choice).
    virtual TModalResult MessageDlg(const QString& Text, const QString& Caption, TMsgDlgType Type,
                                    TMsgDlgButtons Buttons, int HelpCtx) = 0;
    // True when the user chose; Request carries the answer.
    virtual bool FileDialog(TFileDialogRequest& Request) = 0;
    virtual bool InputQuery(const QString& Caption, const QString& Prompt, QString& Value) = 0;
    virtual bool PrintDialog(TPrintDialogRequest& Request) = 0;
    // True on OK.
    virtual bool PrinterSetupDialog(TPrinterSetupRequest& Request) = 0;
    // True on OK. The dialog refuses margins that leave no room; callers check an answer anyway.
    virtual bool PageSetupDialog(TPageSetupRequest& Request) = 0;
};

// Real dialogs over Qt, modal to the active window.
class TQtUserInteraction : public TUserInteraction {
public:
    int MessageBox(const QString& Text, const QString& Caption, int Flags) override;
    TModalResult MessageDlg(const QString& Text, const QString& Caption, TMsgDlgType Type,
                            TMsgDlgButtons Buttons, int HelpCtx) override;
    bool FileDialog(TFileDialogRequest& Request) override;
    bool InputQuery(const QString& Caption, const QString& Prompt, QString& Value) override;
    bool PrintDialog(TPrintDialogRequest& Request) override;
    bool PrinterSetupDialog(TPrinterSetupRequest& Request) override;
    bool PageSetupDialog(TPageSetupRequest& Request) override;
};

// For tests: every question is recorded; answers are taken in order from the script. With the
// script empty, message boxes answer their first button, MessageDlg its first button (in the
// order of TMsgDlgBtn), dialogs answer "cancelled".
class TScriptedInteraction : public TUserInteraction {
public:
    enum TKind {
        kMessageBox,
        kMessageDlg,
        kFileDialog,
        kInputQuery,
        kPrintDialog,
        kPrinterSetupDialog,
        kPageSetupDialog
    };
    struct TAsked {
        TKind Kind = kMessageBox;
        QString Caption;
        QString Text;
        int Flags = 0;               // MessageBox flags
        TMsgDlgType Type = mtCustom; // MessageDlg
        std::vector<TMsgDlgBtn> Buttons;
        int HelpCtx = 0;
        TFileDialogRequest File;    // the request as asked
        TPrintDialogRequest Print;  // the request as asked
        TPrinterSetupRequest Setup; // the request as asked
        TPageSetupRequest Page;     // the request as asked
    };
    struct TAnswer {
        int Result = IDOK;   // IDxx for MessageBox, mrXX for MessageDlg
        bool Accept = true;  // dialogs
        QString Value;       // input query
        QStringList Files;   // file dialog
        int FilterIndex = 0; // file dialog (0: keep)
        TPrintDialogRequest Print;
        TPrinterSetupRequest Setup;
        TPageSetupRequest Page;
    };

    // Queues answers.
    void Answer(int Result);
    void AnswerFile(const QString& FileName, int FilterIndex = 0);
    void AnswerFiles(const QStringList& Files);
    void AnswerInput(const QString& Value);
    void AnswerCancel();
    void AnswerPrint(const TPrintDialogRequest& Print);
    void AnswerPrinterSetup(const TPrinterSetupRequest& Setup);
    void AnswerPageSetup(const TPageSetupRequest& Page);
    void Push(const TAnswer& A) { script.push_back(A); }

    std::vector<TAsked> Asked;
    const TAsked& Last() const { return Asked.back(); }
    int Pending() const { return int(script.size()); }

    int MessageBox(const QString& Text, const QString& Caption, int Flags) override;
    TModalResult MessageDlg(const QString& Text, const QString& Caption, TMsgDlgType Type,
                            TMsgDlgButtons Buttons, int HelpCtx) override;
    bool FileDialog(TFileDialogRequest& Request) override;
    bool InputQuery(const QString& Caption, const QString& Prompt, QString& Value) override;
    bool PrintDialog(TPrintDialogRequest& Request) override;
    bool PrinterSetupDialog(TPrinterSetupRequest& Request) override;
    // Answers what the script says, unchecked: the caller checks the margins.
    bool PageSetupDialog(TPageSetupRequest& Request) override;

private:
    // Records the question and takes the next answer (false with the script empty).
    bool ask(const TAsked& Q, TAnswer& A);
    std::deque<TAnswer> script;
};

// The service in use (the Qt one unless replaced).
TUserInteraction* GetUserInteraction();
// Installs a service (not owned; null restores the Qt one); returns the previous one.
TUserInteraction* SetUserInteraction(TUserInteraction* Service);

// Installs a service for the lifetime of the guard.
class TUserInteractionSwap {
public:
    explicit TUserInteractionSwap(TUserInteraction* S) : previous(SetUserInteraction(S)) {}
    ~TUserInteractionSwap() { SetUserInteraction(previous); }
    TUserInteractionSwap(const TUserInteractionSwap&) = delete;
    TUserInteractionSwap& operator=(const TUserInteractionSwap&) = delete;

private:
    TUserInteraction* previous;
};

// ---- the platform's functions ------------------------------------------------------------------

// The type's caption (see MsgDlgTypeCaption).
TModalResult MessageDlg(const QString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons,
                        int HelpCtx);
TModalResult MessageDlgPos(const QString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons,
                           int HelpCtx, int X, int Y);
// The application's title as caption, one OK button.
void ShowMessage(const QString& Msg);
void ShowMessageFmt(const QString& Msg, std::initializer_list<TFormatArg> Params);
bool InputQuery(const QString& ACaption, const QString& APrompt, QString& Value);
QString InputBox(const QString& ACaption, const QString& APrompt, const QString& ADefault);

// ---- dialog components ----------------------------------------------------------------------

class TCommonDialog : public TComponent {
    KADRION_CLASS(TCommonDialog)
    explicit TCommonDialog(TComponent* AOwner) : TComponent(AOwner) {}
    virtual bool Execute() = 0;
    int HelpContext = 0;
    TNotifyEvent OnShow;
    TNotifyEvent OnClose;
};

class TOpenDialog : public TCommonDialog {
    KADRION_CLASS(TOpenDialog)
    explicit TOpenDialog(TComponent* AOwner);
    bool Execute() override;
    QString GetFileName() const { return fileName; }
    void SetFileName(const QString& V) { fileName = V; }
    QString GetFilter() const { return filter; }
    void SetFilter(const QString& V) { filter = V; }
    int GetFilterIndex() const { return filterIndex; }
    void SetFilterIndex(int V) { filterIndex = V; }
    QString GetInitialDir() const { return initialDir; }
    void SetInitialDir(const QString& V) { initialDir = V; }
    QString GetDefaultExt() const { return defaultExt; }
    void SetDefaultExt(const QString& V) { defaultExt = V; }
    QString GetTitle() const { return title; }
    void SetTitle(const QString& V) { title = V; }
    TOpenOptions GetOptions() const { return options; }
    void SetOptions(TOpenOptions V) { options = V; }
    TStrings* GetFiles() const { return files.get(); }

protected:
    bool DoExecute(bool Save);
    QString fileName, filter, initialDir, defaultExt, title;
    int filterIndex = 1;
    TOpenOptions options{ofHideReadOnly, ofEnableSizing};
    std::unique_ptr<TStringList> files;
};

class TSaveDialog : public TOpenDialog {
    KADRION_CLASS(TSaveDialog)
    explicit TSaveDialog(TComponent* AOwner) : TOpenDialog(AOwner) {}
    bool Execute() override;
};
