// The documents of the employee card window, printed for the current employee.
#include "CardDocs.h"
#include "CardUnit.h"
#include "DMUnit.h"
#include "ReportDlgs.h"
#include "ReportPrint.h"
#include "varer.h"

namespace {

// IBnaz_sel serves the attestation sheet only while it is printed.
struct TNazSelClosed {
    ~TNazSelClosed() {
        if (DM) DM->IBnaz_sel->Close();
    }
};

} // namespace

void TCardForm::makeDocumentsMenu() {
    PopupMenu2 = new TPopupMenu(this);
    PopupMenu2->SetName(QStringLiteral("PopupMenu2"));
    const auto item = [this](TMenuItem* Parent, const char* Name, const char* Caption,
                             void (TCardForm::*Handler)(TObject*)) {
        auto* m = new TMenuItem(this);
        m->SetName(QString::fromLatin1(Name));
        m->SetCaption(QString::fromUtf8(Caption));
        if (Handler) m->OnClick = [this, Handler](TObject* S) { (this->*Handler)(S); };
        (Parent ? Parent : PopupMenu2->GetItems())->Add(m);
        return m;
    };
    N6 = item(nullptr, "N6", "Особова картка", &TCardForm::N6Click);
    N7 = item(nullptr, "N7", "Посвідчення", &TCardForm::N7Click);
    N8 = item(nullptr, "N8", "Накази", nullptr);
    N9 = item(N8, "N9", "Про прийом на роботу", &TCardForm::N9Click);
    N10 = item(N8, "N10", "Про припинення труд. договору", &TCardForm::N10Click);
    N11 = item(nullptr, "N11", "Атестаційний лист", nullptr);
    N4 = item(N11, "N4", "З категорією", &TCardForm::N4Click);
    N5 = item(N11, "N5", "Без категорії", &TCardForm::N5Click);
}

void TCardForm::BitBtn3Click(TObject*) {
    const TPoint at = BitBtn3->ClientToScreen(TPoint{0, BitBtn3->GetHeight()});
    PopupMenu2->Popup(ClientToScreen(TPoint{GetWidth(), 0}).X - 1, at.Y);
}

void TCardForm::N6Click(TObject*) {
    PrintReport(QStringLiteral("card.frf"), {{QStringLiteral("Org"), Variant(NameOrg)}});
}

void TCardForm::N7Click(TObject*) {
    PrintReport(QStringLiteral("posvid.frf"), {{QStringLiteral("Pos"), Variant(BossPos)}});
}

void TCardForm::N9Click(TObject*) {
    const TSignatory s = ChooseSignatory(WrkForm);
    PrintReport(QStringLiteral("prijom.frf"), {{QStringLiteral("OK_Pib"), Variant(s.Pib)},
                                               {QStringLiteral("OK_Pos"), Variant(s.Pos)},
                                               {QStringLiteral("Org"), Variant(NameOrg)}});
}

void TCardForm::N10Click(TObject*) {
    PrintReport(QStringLiteral("uvoln.frf"), {{QStringLiteral("Org"), Variant(NameOrg)}});
}

void TCardForm::printAttestation(bool WithCategory) {
    TNazSelClosed closed;
    PrintReport(QStringLiteral("atestat.frf"), {}, [WithCategory](TfrReport*) {
        // both memos are looked for before anything is written, so that a template lacking
        // one is told by name and nothing is opened for it
        TfrMemoView* held = TemplateMemo(QStringLiteral("Memo4"));
        TfrMemoView* post = TemplateMemo(QStringLiteral("Memo7"));
        if (!WithCategory) post->Memo.SetText(PreparePositionName(DM));
        held->Memo.SetText(PrepareHeldSince(DM));
    });
}

void TCardForm::N4Click(TObject*) {
    printAttestation(true);
}

void TCardForm::N5Click(TObject*) {
    printAttestation(false);
}
