#include "ProfUnit.h"

#include "DMUnit.h"
#include "GridBuild.h"

TProfForm* ProfForm = nullptr;

TProfForm::TProfForm(TComponent* AOwner)
    : TDirectoryForm(AOwner, "ProfForm", "Довідник посад", {DM->IBprof}, false) {
    Panel1 = Place<TPanel>(this, this, "Panel1", 0, 0, 700, 60);
    Panel1->SetAlign(alTop);
    PlaceLabel(this, Panel1, "Label1", 12, 8, "Код");
    DBEdit1 = Place<TDBEdit>(this, Panel1, "DBEdit1", 12, 28, 90, 22);
    DBEdit1->SetDataSource(DM->DSprof);
    DBEdit1->SetDataField(QStringLiteral("CODPROF"));
    PlaceLabel(this, Panel1, "Label2", 116, 8, "Назва посади");
    DBEdit2 = Place<TDBEdit>(this, Panel1, "DBEdit2", 116, 28, 560, 22);
    DBEdit2->SetDataSource(DM->DSprof);
    DBEdit2->SetDataField(QStringLiteral("NAMPROF"));
    DBGridEh1 = PlaceDirectoryGrid(this, this, "DBGridEh1", DM->DSprof, DM->DBPopMenu, false);
    AddColumn(DBGridEh1, "CODPROF", "Код", 0);
    AddColumn(DBGridEh1, "NAMPROF", "Назва посади", 543);
    DBGridEh1->SetAutoFitColWidths(true);
    InsertFromList(DBGridEh1, DBEdit1);
    OpenData();
}

TProfForm::~TProfForm() {
    if (ProfForm == this) ProfForm = nullptr;
}
