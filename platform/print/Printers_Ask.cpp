// The printer's questions to the user, through its hooks or the user-interaction service.
#include "Dialogs.h"
#include "Printers.h"

bool TPrinter::askFileName(QString& FileName) {
    if (OnAskFileName) return OnAskFileName(this, FileName);
    TFileDialogRequest r;
    r.Save = true;
    r.Title = QStringLiteral("Друк у файл PDF");
    r.FileName = FileName;
    r.Filter = QStringLiteral("Документи PDF (*.pdf)|*.pdf");
    r.DefaultExt = QStringLiteral("pdf");
    r.Options = TOpenOptions{ofOverwritePrompt, ofHideReadOnly, ofPathMustExist};
    if (!GetUserInteraction()->FileDialog(r)) return false;
    FileName = r.FileName;
    return true;
}

bool TPrinter::askSetup(int& PrinterIndex, TDeviceMode& Mode) {
    if (OnSetupDialog) return OnSetupDialog(this, PrinterIndex, Mode);
    // The service's print question chooses the printer and the copies.
    TPrintDialogRequest r;
    r.Printers = printers->ToStringList();
    r.PrinterIndex = PrinterIndex;
    r.Copies = Mode.dmCopies;
    r.Collate = Mode.dmCollate == DMCOLLATE_TRUE;
    if (!GetUserInteraction()->PrintDialog(r)) return false;
    PrinterIndex = r.PrinterIndex;
    Mode.dmFields = DM_COPIES | DM_COLLATE;
    Mode.dmCopies = r.Copies;
    Mode.dmCollate = r.Collate ? DMCOLLATE_TRUE : DMCOLLATE_FALSE;
    return true;
}
