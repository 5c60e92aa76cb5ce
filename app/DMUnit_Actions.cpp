// The data module's commands: the dataset and window actions with their images, and the
// pop-up menu of the data grids.
#include "AppImages.h"
#include "DMUnit.h"

namespace {

template <class T> T* action(TDM* Owner, const char* Name, const char* Caption, int Image) {
    T* a = new T(Owner);
    a->SetName(QString::fromLatin1(Name));
    a->SetActionList(Owner->ActionList1);
    a->SetCaption(QString::fromUtf8(Caption));
    a->SetHint(QString::fromUtf8(Caption));
    a->SetImageIndex(Image);
    return a;
}

} // namespace

void TDM::makeActions() {
    ImageList2 = new TImageList(this);
    ImageList2->SetName(QStringLiteral("ImageList2"));
    AddActionImages(ImageList2);
    ActionList1 = new TActionList(this);
    ActionList1->SetName(QStringLiteral("ActionList1"));
    ActionList1->SetImages(ImageList2);

    AFirst = action<TDataSetFirst>(this, "AFirst", "Перший", 0);
    APrior = action<TDataSetPrior>(this, "APrior", "Попередній", 1);
    ANext = action<TDataSetNext>(this, "ANext", "Наступний", 2);
    ALast = action<TDataSetLast>(this, "ALast", "Останній", 3);
    ARefresh = action<TDataSetRefresh>(this, "ARefresh", "Оновити дані", 4);
    AInsert = action<TDataSetInsert>(this, "AInsert", "Додати", 5);
    ADelete = action<TDataSetDelete>(this, "ADelete", "Видалити", 6);
    AEdit = action<TDataSetEdit>(this, "AEdit", "Редагувати", 7);
    APost = action<TDataSetPost>(this, "APost", "Зберегти", 9);
    ACancel = action<TDataSetCancel>(this, "ACancel", "Скасувати", 10);
    ACloseWin = action<TAction>(this, "ACloseWin", "Закрити вікно", 11);
    ACloseProg = action<TAction>(this, "ACloseProg", "Вийти з програми", 12);
    AStartCards = action<TAction>(this, "AStartCards", "Особові картки", 27);
    AStartSelect = action<TAction>(this, "AStartSelect", "Формування простих звітів", 8);
    AStartPodr = action<TAction>(this, "AStartPodr", "Довідник підрозділів", 29);

    // The least recently active child window is the one at the end of the frame's list.
    ACloseWin->OnExecute = [](TObject*) {
        TCustomForm* main = Application->GetMainForm();
        if (!main) return;
        const int n = main->GetMDIChildCount();
        if (n > 0) main->GetMDIChildren(n - 1)->Close();
    };
    ACloseProg->OnExecute = [](TObject*) {
        if (TCustomForm* main = Application->GetMainForm()) main->Close();
    };

    DBPopMenu = new TPopupMenu(this);
    DBPopMenu->SetName(QStringLiteral("DBPopMenu"));
    DBPopMenu->SetImages(ImageList2);
    for (TCustomAction* a : std::initializer_list<TCustomAction*>{
             AInsert, ADelete, AEdit, nullptr, APost, ACancel, nullptr, ARefresh}) {
        TMenuItem* item = a ? new TMenuItem(this) : NewLine(this);
        if (a) item->SetAction(a);
        DBPopMenu->GetItems()->Add(item);
    }
}
