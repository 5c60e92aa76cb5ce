#include "PodrUnit.h"

#include "DMUnit.h"
#include "GridBuild.h"

TPodrForm* PodrForm = nullptr;

namespace {

// The code and name columns with the count footer, fitted to the grid's width.
void CodeAndName(TDBGridEh* Grid, const char* Code, const char* CodeTitle, const char* Name,
                 const char* NameTitle, int Width) {
    TColumnEh* code = AddColumn(Grid, Code, CodeTitle, 0);
    TColumnEh* name = AddColumn(Grid, Name, NameTitle, Width);
    CountFooters(Grid, code, name, false);
    Grid->SetAutoFitColWidths(true);
}

} // namespace

TPodrForm::TPodrForm(TComponent* AOwner)
    : TDirectoryForm(AOwner, "PodrForm", "Довідник підрозділів", {DM->IBpodr, DM->IBgroup}, true) {
    GroupBox1 = Place<TGroupBox>(this, this, "GroupBox1", 0, 0, 700, 300);
    GroupBox1->SetAlign(alTop);
    GroupBox1->SetCaption(QStringLiteral("База підрозділів"));
    DBGridEh1 = PlaceDirectoryGrid(this, GroupBox1, "DBGridEh1", DM->DSpodr, DM->DBPopMenu, true);
    CodeAndName(DBGridEh1, "KODP", "Код", "NAIPODR", "Назва підрозділу", 537);
    TDBGridColumnsEh* cols = DBGridEh1->GetColumns();
    cols->GetItems(0)->GetFont()->SetColor(clNavy);
    cols->GetItems(1)->GetFont()->SetColor(clPurple);
    Splitter1 = Place<TSplitter>(this, this, "Splitter1", 0, 300, 700, 4);
    Splitter1->SetAlign(alTop);
    Splitter1->SetCursor(crVSplit);
    GroupBox2 = Place<TGroupBox>(this, this, "GroupBox2", 0, 304, 700, 200);
    GroupBox2->SetAlign(alClient);
    GroupBox2->SetCaption(QStringLiteral("База груп"));
    DBGridEh2 = PlaceDirectoryGrid(this, GroupBox2, "DBGridEh2", DM->DSgroup, DM->DBPopMenu, true);
    CodeAndName(DBGridEh2, "KODG", "Код групи", "NAIGR", "Назва групи", 536);
    OpenData();
}

TPodrForm::~TPodrForm() {
    if (PodrForm == this) PodrForm = nullptr;
}
