// The user-interaction service: the Qt dialogs and the scripted one for tests.
#include "Dialogs.h"

#include "Forms.h"
#include "PageSetupDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QSpinBox>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>

// ---- captions and buttons, in the language of the user interface ---------------------------

QString MsgDlgTypeCaption(TMsgDlgType Type) {
    switch (Type) {
    case mtWarning:
        return QStringLiteral("Попередження");
    case mtError:
        return QStringLiteral("Помилка");
    case mtInformation:
        return QStringLiteral("Інформація");
    case mtConfirmation:
        return QStringLiteral("Підтвердження");
    default:
        return Application->GetTitle();
    }
}

QString MsgDlgButtonCaption(TMsgDlgBtn Button) {
    switch (Button) {
    case mbYes:
        return QStringLiteral("&Так");
    case mbNo:
        return QStringLiteral("&Ні");
    case mbOK:
        return QStringLiteral("OK");
    case mbCancel:
        return QStringLiteral("Скасувати");
    case mbAbort:
        return QStringLiteral("&Перервати");
    case mbRetry:
        return QStringLiteral("&Повторити");
    case mbIgnore:
        return QStringLiteral("&Пропустити");
    case mbAll:
        return QStringLiteral("&Усі");
    case mbNoToAll:
        return QStringLiteral("Н&і для всіх");
    case mbYesToAll:
        return QStringLiteral("Так для &всіх");
    case mbHelp:
        return QStringLiteral("&Довідка");
    }
    return QString();
}

TModalResult MsgDlgButtonResult(TMsgDlgBtn Button) {
    switch (Button) {
    case mbYes:
        return mrYes;
    case mbNo:
        return mrNo;
    case mbOK:
        return mrOk;
    case mbCancel:
        return mrCancel;
    case mbAbort:
        return mrAbort;
    case mbRetry:
        return mrRetry;
    case mbIgnore:
        return mrIgnore;
    case mbAll:
        return mrAll;
    case mbNoToAll:
        return mrNoToAll;
    case mbYesToAll:
        return mrYesToAll;
    case mbHelp:
        return mrNone;
    }
    return mrNone;
}

std::vector<TMsgDlgBtn> MessageBoxButtons(int Flags) {
    switch (Flags & MB_TYPEMASK) {
    case MB_OKCANCEL:
        return {mbOK, mbCancel};
    case MB_ABORTRETRYIGNORE:
        return {mbAbort, mbRetry, mbIgnore};
    case MB_YESNOCANCEL:
        return {mbYes, mbNo, mbCancel};
    case MB_YESNO:
        return {mbYes, mbNo};
    case MB_RETRYCANCEL:
        return {mbRetry, mbCancel};
    default:
        return {mbOK};
    }
}

namespace {
std::vector<TMsgDlgBtn> buttonsOf(TMsgDlgButtons B) {
    std::vector<TMsgDlgBtn> v;
    for (int i = mbYes; i <= mbHelp; ++i)
        if (B.Contains(TMsgDlgBtn(i))) v.push_back(TMsgDlgBtn(i));
    return v;
}

QWidget* dialogParent() {
    // a window being hidden (the wait window after long work) may still hold the focus
    if (HWND h = GetActiveWindow(); h && h->isVisible()) return h;
    if (TCustomForm* f = Application->GetMainForm())
        if (f->HandleAllocated()) return f->GetHandle();
    return nullptr;
}

// Turns "Text files (*.txt)|*.txt|All (*.*)|*.*" into Qt's ";;" list.
QStringList qtFilters(const QString& Filter) {
    QStringList parts = Filter.split(u'|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString desc = parts[i];
        QString pats = parts[i + 1];
        pats.replace(u';', u' ');
        if (desc.contains(u'('))
            out << desc.left(desc.indexOf(u'(')).trimmed() + QStringLiteral(" (") + pats + u')';
        else
            out << desc + QStringLiteral(" (") + pats + u')';
    }
    return out;
}

// Adds the buttons (Cancel and No reject, the others accept), makes the Default-th one (when in
// range) the default, runs the box and answers the clicked button's result, or NoChoice when
// the box was closed otherwise. Escape presses Cancel, else No, else OK (when there).
int runMessageBox(QMessageBox& Box, const std::vector<TMsgDlgBtn>& Buttons, int Default,
                  int NoChoice) {
    std::vector<QAbstractButton*> made;
    for (TMsgDlgBtn b : Buttons)
        made.push_back(Box.addButton(MsgDlgButtonCaption(b), b == mbCancel || b == mbNo
                                                                 ? QMessageBox::RejectRole
                                                                 : QMessageBox::AcceptRole));
    if (Default >= 0 && Default < int(made.size()))
        Box.setDefaultButton(static_cast<QPushButton*>(made[size_t(Default)]));
    for (TMsgDlgBtn escape : {mbCancel, mbNo, mbOK}) {
        auto at = std::find(Buttons.begin(), Buttons.end(), escape);
        if (at != Buttons.end()) {
            Box.setEscapeButton(made[size_t(at - Buttons.begin())]);
            break;
        }
    }
    Box.exec();
    // the keyboard goes back to the window the box stood over, also when the window manager
    // has given it to none
    if (!QApplication::activeWindow())
        if (QWidget* back = Box.parentWidget(); back && back->isVisible()) back->activateWindow();
    for (size_t i = 0; i < made.size(); ++i)
        if (Box.clickedButton() == made[i]) return MsgDlgButtonResult(Buttons[i]);
    return NoChoice;
}

// A combo box of Items with Index chosen, as a labelled row of Form.
QComboBox* addComboRow(QDialog& Dlg, QFormLayout* Form, const QString& Label,
                       const QStringList& Items, int Index) {
    auto* combo = new QComboBox(&Dlg);
    combo->addItems(Items);
    combo->setCurrentIndex(Index);
    Form->addRow(Label, combo);
    return combo;
}

// The number of copies (at least 1) as a labelled row of Form.
QSpinBox* addCopiesRow(QDialog& Dlg, QFormLayout* Form, int Copies) {
    auto* copies = new QSpinBox(&Dlg);
    copies->setRange(1, 999);
    copies->setValue(std::max(1, Copies));
    Form->addRow(QStringLiteral("Кі&лькість копій:"), copies);
    return copies;
}

// Ends Form with OK and Cancel and runs the dialog; true when it was accepted.
bool execWithOkCancel(QDialog& Dlg, QFormLayout* Form) {
    auto* buttons = new QDialogButtonBox(&Dlg);
    buttons->addButton(MsgDlgButtonCaption(mbOK), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(MsgDlgButtonCaption(mbCancel), QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &Dlg, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &Dlg, &QDialog::reject);
    Form->addRow(buttons);
    return Dlg.exec() == QDialog::Accepted;
}
} // namespace

// ---- the Qt service
// ----------------------------------------------------------------------------------

int TQtUserInteraction::MessageBox(const QString& Text, const QString& Caption, int Flags) {
    QMessageBox box(dialogParent());
    box.setWindowTitle(Caption);
    box.setText(Text);
    switch (Flags & MB_ICONMASK) {
    case MB_ICONHAND:
        box.setIcon(QMessageBox::Critical);
        break;
    case MB_ICONQUESTION:
        box.setIcon(QMessageBox::Question);
        break;
    case MB_ICONEXCLAMATION:
        box.setIcon(QMessageBox::Warning);
        break;
    case MB_ICONASTERISK:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        break;
    }
    return runMessageBox(box, MessageBoxButtons(Flags), (Flags & MB_DEFMASK) >> 8, IDCANCEL);
}

TModalResult TQtUserInteraction::MessageDlg(const QString& Text, const QString& Caption,
                                            TMsgDlgType Type, TMsgDlgButtons Buttons, int HelpCtx) {
    QMessageBox box(dialogParent());
    box.setWindowTitle(Caption);
    box.setText(Text);
    switch (Type) {
    case mtWarning:
        box.setIcon(QMessageBox::Warning);
        break;
    case mtError:
        box.setIcon(QMessageBox::Critical);
        break;
    case mtInformation:
        box.setIcon(QMessageBox::Information);
        break;
    case mtConfirmation:
        box.setIcon(QMessageBox::Question);
        break;
    default:
        break;
    }
    return runMessageBox(box, buttonsOf(Buttons), -1, mrCancel);
}

bool TQtUserInteraction::FileDialog(TFileDialogRequest& Request) {
    QFileDialog dlg(dialogParent(), Request.Title, Request.InitialDir);
    dlg.setAcceptMode(Request.Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    QStringList filters = qtFilters(Request.Filter);
    if (!filters.isEmpty()) {
        dlg.setNameFilters(filters);
        int idx = std::clamp(Request.FilterIndex, 1, int(filters.size())) - 1;
        dlg.selectNameFilter(filters[idx]);
    }
    if (!Request.FileName.isEmpty()) dlg.selectFile(Request.FileName);
    if (!Request.DefaultExt.isEmpty()) dlg.setDefaultSuffix(Request.DefaultExt);
    if (Request.Save)
        dlg.setFileMode(QFileDialog::AnyFile);
    else if (Request.Options.Contains(ofAllowMultiSelect))
        dlg.setFileMode(QFileDialog::ExistingFiles);
    else if (Request.Options.Contains(ofFileMustExist))
        dlg.setFileMode(QFileDialog::ExistingFile);
    if (!Request.Options.Contains(ofOverwritePrompt))
        dlg.setOption(QFileDialog::DontConfirmOverwrite);
    if (dlg.exec() != QDialog::Accepted) return false;
    Request.Files = dlg.selectedFiles();
    Request.FileName = Request.Files.isEmpty() ? QString() : Request.Files.first();
    int fi = filters.indexOf(dlg.selectedNameFilter());
    if (fi >= 0) Request.FilterIndex = fi + 1;
    return true;
}

bool TQtUserInteraction::InputQuery(const QString& Caption, const QString& Prompt, QString& Value) {
    bool ok = false;
    QString v =
        QInputDialog::getText(dialogParent(), Caption, Prompt, QLineEdit::Normal, Value, &ok);
    if (ok) Value = v;
    return ok;
}

bool TQtUserInteraction::PrintDialog(TPrintDialogRequest& Request) {
    QDialog dlg(dialogParent());
    dlg.setWindowTitle(QStringLiteral("Друк"));
    dlg.setMinimumWidth(400); // room for the title and the printer names
    auto* form = new QFormLayout(&dlg);
    QComboBox* printer =
        addComboRow(dlg, form, QStringLiteral("&Принтер:"), Request.Printers, Request.PrinterIndex);
    auto* all = new QRadioButton(QStringLiteral("&Усі сторінки"), &dlg);
    auto* range = new QRadioButton(QStringLiteral("&Сторінки"), &dlg);
    auto* from = new QSpinBox(&dlg);
    auto* to = new QSpinBox(&dlg);
    int lo = Request.MinPage, hi = Request.MaxPage > 0 ? Request.MaxPage : 9999;
    from->setRange(lo, hi);
    to->setRange(lo, hi);
    from->setValue(Request.FromPage);
    to->setValue(Request.ToPage);
    (Request.PrintRange == 2 ? range : all)->setChecked(true);
    auto* pages = new QHBoxLayout;
    pages->addWidget(range);
    pages->addWidget(from);
    pages->addWidget(to);
    form->addRow(all);
    form->addRow(pages);
    QSpinBox* copies = addCopiesRow(dlg, form, Request.Copies);
    auto* collate = new QCheckBox(QStringLiteral("&Розібрати за копіями"), &dlg);
    collate->setChecked(Request.Collate);
    form->addRow(collate);
    if (!execWithOkCancel(dlg, form)) return false;
    Request.PrinterIndex = printer->currentIndex();
    Request.PrintRange = range->isChecked() ? 2 : 0;
    Request.FromPage = from->value();
    Request.ToPage = to->value();
    Request.Copies = copies->value();
    Request.Collate = collate->isChecked();
    return true;
}

bool TQtUserInteraction::PrinterSetupDialog(TPrinterSetupRequest& Request) {
    QDialog dlg(dialogParent());
    dlg.setWindowTitle(QStringLiteral("Налаштування друку"));
    dlg.setMinimumWidth(400); // room for the title and the printer names
    auto* form = new QFormLayout(&dlg);
    QComboBox* printer =
        addComboRow(dlg, form, QStringLiteral("&Принтер:"), Request.Printers, Request.PrinterIndex);
    QComboBox* paper =
        addComboRow(dlg, form, QStringLiteral("&Розмір:"), Request.Papers, Request.PaperIndex);
    QComboBox* bin =
        addComboRow(dlg, form, QStringLiteral("&Джерело паперу:"), Request.Bins, Request.BinIndex);
    bin->setEnabled(!Request.Bins.isEmpty());
    auto* portrait = new QRadioButton(QStringLiteral("&Книжкова"), &dlg);
    auto* landscape = new QRadioButton(QStringLiteral("&Альбомна"), &dlg);
    (Request.Landscape ? landscape : portrait)->setChecked(true);
    form->addRow(portrait);
    form->addRow(landscape);
    QSpinBox* copies = addCopiesRow(dlg, form, Request.Copies);
    if (!execWithOkCancel(dlg, form)) return false;
    Request.PrinterIndex = printer->currentIndex();
    Request.PaperIndex = paper->currentIndex();
    Request.BinIndex = bin->currentIndex();
    Request.Landscape = landscape->isChecked();
    Request.Copies = copies->value();
    return true;
}

bool TQtUserInteraction::PageSetupDialog(TPageSetupRequest& Request) {
    return ExecPageSetupDialog(dialogParent(), Request);
}

// ---- the scripted service
// ---------------------------------------------------------------------------

void TScriptedInteraction::Answer(int Result) {
    TAnswer a;
    a.Result = Result;
    script.push_back(a);
}

void TScriptedInteraction::AnswerFile(const QString& FileName, int FilterIndex) {
    TAnswer a;
    a.Files = QStringList{FileName};
    a.FilterIndex = FilterIndex;
    script.push_back(a);
}

void TScriptedInteraction::AnswerFiles(const QStringList& Files) {
    TAnswer a;
    a.Files = Files;
    script.push_back(a);
}

void TScriptedInteraction::AnswerInput(const QString& Value) {
    TAnswer a;
    a.Value = Value;
    script.push_back(a);
}

void TScriptedInteraction::AnswerCancel() {
    TAnswer a;
    a.Accept = false;
    a.Result = IDCANCEL;
    script.push_back(a);
}

void TScriptedInteraction::AnswerPrint(const TPrintDialogRequest& Print) {
    TAnswer a;
    a.Print = Print;
    script.push_back(a);
}

void TScriptedInteraction::AnswerPrinterSetup(const TPrinterSetupRequest& Setup) {
    TAnswer a;
    a.Setup = Setup;
    script.push_back(a);
}

void TScriptedInteraction::AnswerPageSetup(const TPageSetupRequest& Page) {
    TAnswer a;
    a.Page = Page;
    script.push_back(a);
}

bool TScriptedInteraction::ask(const TAsked& Q, TAnswer& A) {
    Asked.push_back(Q);
    if (script.empty()) return false;
    A = script.front();
    script.pop_front();
    return true;
}

int TScriptedInteraction::MessageBox(const QString& Text, const QString& Caption, int Flags) {
    TAsked q;
    q.Kind = kMessageBox;
    q.Caption = Caption;
    q.Text = Text;
    q.Flags = Flags;
    q.Buttons = MessageBoxButtons(Flags);
    TAnswer a;
    if (ask(q, a)) return a.Result;
    return MsgDlgButtonResult(q.Buttons.front());
}

TModalResult TScriptedInteraction::MessageDlg(const QString& Text, const QString& Caption,
                                              TMsgDlgType Type, TMsgDlgButtons Buttons,
                                              int HelpCtx) {
    TAsked q;
    q.Kind = kMessageDlg;
    q.Caption = Caption;
    q.Text = Text;
    q.Type = Type;
    q.Buttons = buttonsOf(Buttons);
    q.HelpCtx = HelpCtx;
    TAnswer a;
    if (ask(q, a)) return a.Result;
    return q.Buttons.empty() ? mrCancel : MsgDlgButtonResult(q.Buttons.front());
}

bool TScriptedInteraction::FileDialog(TFileDialogRequest& Request) {
    TAsked q;
    q.Kind = kFileDialog;
    q.Caption = Request.Title;
    q.Text = Request.FileName;
    q.File = Request;
    TAnswer a;
    if (!ask(q, a) || !a.Accept || a.Files.isEmpty()) return false;
    Request.Files = a.Files;
    Request.FileName = a.Files.first();
    if (!Request.DefaultExt.isEmpty() && QFileInfo(Request.FileName).suffix().isEmpty())
        Request.FileName += u'.' + Request.DefaultExt;
    if (a.FilterIndex > 0) Request.FilterIndex = a.FilterIndex;
    return true;
}

bool TScriptedInteraction::InputQuery(const QString& Caption, const QString& Prompt,
                                      QString& Value) {
    TAsked q;
    q.Kind = kInputQuery;
    q.Caption = Caption;
    q.Text = Prompt;
    TAnswer a;
    if (!ask(q, a) || !a.Accept) return false;
    Value = a.Value;
    return true;
}

bool TScriptedInteraction::PrintDialog(TPrintDialogRequest& Request) {
    TAsked q;
    q.Kind = kPrintDialog;
    q.Print = Request;
    TAnswer a;
    if (!ask(q, a) || !a.Accept) return false;
    Request = a.Print;
    return true;
}

bool TScriptedInteraction::PrinterSetupDialog(TPrinterSetupRequest& Request) {
    TAsked q;
    q.Kind = kPrinterSetupDialog;
    q.Setup = Request;
    TAnswer a;
    if (!ask(q, a) || !a.Accept) return false;
    Request = a.Setup;
    return true;
}

bool TScriptedInteraction::PageSetupDialog(TPageSetupRequest& Request) {
    TAsked q;
    q.Kind = kPageSetupDialog;
    q.Page = Request;
    TAnswer a;
    if (!ask(q, a) || !a.Accept) return false;
    Request = a.Page;
    return true;
}

// ---- service in use
// ------------------------------------------------------------------------------------

namespace {
TUserInteraction* current = nullptr;
TQtUserInteraction& qtService() {
    static TQtUserInteraction s;
    return s;
}
} // namespace

TUserInteraction* GetUserInteraction() {
    return current ? current : &qtService();
}

TUserInteraction* SetUserInteraction(TUserInteraction* Service) {
    TUserInteraction* old = GetUserInteraction();
    current = Service;
    return old;
}

// ---- functions
// ------------------------------------------------------------------------------------------

TModalResult MessageDlg(const QString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons,
                        int HelpCtx) {
    return GetUserInteraction()->MessageDlg(Msg, MsgDlgTypeCaption(DlgType), DlgType, Buttons,
                                            HelpCtx);
}

TModalResult MessageDlgPos(const QString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons,
                           int HelpCtx, int X, int Y) {
    return MessageDlg(Msg, DlgType, Buttons, HelpCtx);
}

void ShowMessage(const QString& Msg) {
    GetUserInteraction()->MessageDlg(Msg, Application->GetTitle(), mtCustom, TMsgDlgButtons{mbOK},
                                     0);
}

void ShowMessageFmt(const QString& Msg, std::initializer_list<TFormatArg> Params) {
    ShowMessage(Format(Msg, Params));
}

bool InputQuery(const QString& ACaption, const QString& APrompt, QString& Value) {
    return GetUserInteraction()->InputQuery(ACaption, APrompt, Value);
}

QString InputBox(const QString& ACaption, const QString& APrompt, const QString& ADefault) {
    QString v = ADefault;
    if (!InputQuery(ACaption, APrompt, v)) return ADefault;
    return v;
}

// ---- dialog components
// -----------------------------------------------------------------------------------

TOpenDialog::TOpenDialog(TComponent* AOwner)
    : TCommonDialog(AOwner), files(std::make_unique<TStringList>()) {}

bool TOpenDialog::DoExecute(bool Save) {
    TFileDialogRequest r;
    r.Save = Save;
    r.Title = title;
    r.InitialDir = initialDir;
    r.FileName = fileName;
    r.Filter = filter;
    r.FilterIndex = filterIndex;
    r.DefaultExt = defaultExt;
    r.Options = options;
    if (OnShow) OnShow(this);
    bool ok = GetUserInteraction()->FileDialog(r);
    if (OnClose) OnClose(this);
    if (!ok) return false;
    fileName = r.FileName;
    filterIndex = r.FilterIndex;
    files->Clear();
    for (const QString& f : r.Files)
        files->Add(f);
    return true;
}

bool TOpenDialog::Execute() {
    return DoExecute(false);
}
bool TSaveDialog::Execute() {
    return DoExecute(true);
}
