// The report commands of the main window that need no count matrix: the dated reports, whose
// templates select their own rows on the date asked, the two leave schedules and the service
// certificates.
#include "DMUnit.h"
#include "Dialogs.h"
#include "MainUnit.h"
#include "ReportDlgs.h"
#include "ReportPrint.h"
#include "ScheduleReports.h"
#include "varer.h"

void TMainForm::bindListReports() {
    const std::pair<TMenuItem*, void (TMainForm::*)(TObject*)> commands[] = {
        {N36, &TMainForm::N36Click}, {N37, &TMainForm::N37Click}, {N48, &TMainForm::N48Click},
        {N49, &TMainForm::N49Click}, {N31, &TMainForm::N31Click}, {N50, &TMainForm::N50Click},
        {N40, &TMainForm::N40Click}};
    for (const auto& [item, handler] : commands)
        item->OnClick = [this, handler](TObject* S) { (this->*handler)(S); };
}

void TMainForm::printDated(const QString& Template) {
    CloseChildren();
    if (TimeForm->ShowModal() != mrOk) return;
    PrintReport(Template, {{QStringLiteral("NDate"), Variant(TimeForm->DateEdit1->GetText())}});
}

void TMainForm::N36Click(TObject*) {
    printDated(QStringLiteral("staj.frf"));
}

void TMainForm::N37Click(TObject*) {
    printDated(QStringLiteral("vik.frf"));
}

void TMainForm::N48Click(TObject*) {
    printDated(QStringLiteral("educ.frf"));
}

void TMainForm::N49Click(TObject*) {
    printDated(QStringLiteral("bez_staj.frf"));
}

void TMainForm::N31Click(TObject*) {
    CloseChildren();
    PrintReport(QStringLiteral("graf.frf"), {},
                [](TfrReport*) { OpenLeaveSchedule(DM->Select, lsPlain); });
}

void TMainForm::N50Click(TObject*) {
    CloseChildren();
    PrintReport(QStringLiteral("graf_pfg.frf"), {},
                [](TfrReport*) { OpenLeaveSchedule(DM->Select, lsCarriedDays); });
}

void TMainForm::N40Click(TObject*) {
    // the open windows stay open
    if (UdostForm->ShowModal() != mrOk) return;
    const QStringList numbers =
        CertificateNumbers({UdostForm->Edit1->GetText(), UdostForm->Edit2->GetText(),
                            UdostForm->Edit3->GetText(), UdostForm->Edit4->GetText()});
    TUserInteraction* ui = GetUserInteraction();
    if (numbers.isEmpty()) {
        ui->MessageBox(QString::fromUtf16(SEnterCertificateNumbers),
                       QString::fromUtf16(SErrorCaption), MB_OK | MB_ICONERROR);
        return;
    }
    // Select stays open for the template; the print closes it, also when nothing is printed.
    const QStringList missing = OpenCertificates(DM->Select, numbers);
    const bool none = missing.size() == numbers.size();
    if (!missing.isEmpty())
        ui->MessageBox(CertificatesNotFoundText(missing, none), QStringLiteral("Інформація"),
                       MB_OK | MB_ICONINFORMATION);
    if (none) {
        DM->Select->Close();
        return;
    }
    PrintReport(QStringLiteral("udost.frf"), {{QStringLiteral("Pos"), Variant(BossPos)}});
}
