// A form with every standard control, for the gallery tests (offscreen and on the X server).
#pragma once

#include "Buttons.h"
#include "ComCtrls.h"
#include "DBCtrls.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "Mask.h"
#include "MemDS.h"
#include "StdCtrls.h"

class TGalleryForm : public TForm {
    KADRION_CLASS(TGalleryForm)
    explicit TGalleryForm(TComponent* AOwner) : TForm(AOwner) {
        // the data first: a dataset made while the form loads opens when loading ends
        Data = new TMemDataSet(this);
        Data->GetFieldDefs()->Add(QStringLiteral("NAME"), ftString, 30);
        Data->GetFieldDefs()->Add(QStringLiteral("ACTIVE"), ftBoolean);
        Data->GetFieldDefs()->Add(QStringLiteral("STATUS"), ftString, 20);
        Data->Open();
        Data->AppendRecord({QStringLiteral("Коваленко Олена"), true, QStringLiteral("штатний")});
        Source = new TDataSource(this);
        Source->SetDataSet(Data);
        BeginLoading();
        SetBounds(0, 0, 640, 480);
        SetCaption(QStringLiteral("Усі елементи"));
        color = clBtnFace;

        auto* bar = new TToolBar(this);
        bar->SetParent(this);
        bar->SetShowCaptions(true);
        bar->SetButtonWidth(60);
        for (const char* c : {"Новий", "Зберегти", "Друк"}) {
            auto* b = new TToolButton(this);
            b->SetParent(bar);
            b->SetCaption(QString::fromUtf8(c));
        }
        auto* status = new TStatusBar(this);
        status->SetParent(this);
        TStatusPanel* count = status->AddPanel();
        count->Text = QStringLiteral("Записів: 1");
        count->Width = 90;
        status->AddPanel()->Text = QStringLiteral("Готово");

        auto* pc = new TPageControl(this);
        pc->SetParent(this);
        pc->SetBounds(8, 40, 400, 380);
        auto* page = new TTabSheet(this);
        page->SetCaption(QStringLiteral("Основне"));
        page->SetPageControl(pc);
        auto* page2 = new TTabSheet(this);
        page2->SetCaption(QStringLiteral("Дані"));
        page2->SetPageControl(pc);

        auto add = [](auto* c, TWinControl* p, int l, int t, int w, int h) {
            c->SetParent(p);
            c->SetBounds(l, t, w, h);
            return c;
        };
        auto* lbl = add(new TLabel(this), page, 8, 10, 80, 17);
        lbl->SetCaption(QStringLiteral("&Прізвище:"));
        auto* edit = add(new TEdit(this), page, 90, 8, 150, 22);
        edit->SetText(QStringLiteral("Шевченко"));
        lbl->SetFocusControl(edit);
        auto* mask = add(new TMaskEdit(this), page, 250, 8, 100, 22);
        mask->SetEditMask(QStringLiteral("!99/99/0000;1;_"));
        mask->SetText(QStringLiteral("09.03.1814"));
        auto* combo = add(new TComboBox(this), page, 90, 38, 150, 22);
        combo->GetItems()->SetCommaText(QStringLiteral("Київ,Львів,Харків"));
        combo->SetItemIndex(1);
        auto* list = add(new TListBox(this), page, 8, 70, 110, 90);
        for (const char* s : {"Бухгалтерія", "Відділ кадрів", "Канцелярія", "Склад"})
            list->GetItems()->Add(QString::fromUtf8(s));
        list->SetItemIndex(1);
        auto* memo = add(new TMemo(this), page, 125, 70, 150, 90);
        memo->GetLines()->Add(QStringLiteral("Примітка"));
        auto* check = add(new TCheckBox(this), page, 8, 170, 120, 17);
        check->SetCaption(QStringLiteral("Працює"));
        check->SetChecked(true);
        auto* r1 = add(new TRadioButton(this), page, 140, 170, 60, 17);
        r1->SetCaption(QStringLiteral("Так"));
        r1->SetChecked(true);
        auto* r2 = add(new TRadioButton(this), page, 205, 170, 60, 17);
        r2->SetCaption(QStringLiteral("Ні"));
        auto* rg = add(new TRadioGroup(this), page, 8, 195, 180, 70);
        rg->SetCaption(QStringLiteral("Стать"));
        rg->GetItems()->Add(QStringLiteral("чоловіча"));
        rg->GetItems()->Add(QStringLiteral("жіноча"));
        rg->SetItemIndex(1);
        auto* gb = add(new TGroupBox(this), page, 195, 195, 190, 70);
        gb->SetCaption(QStringLiteral("Рамка"));
        auto* pb = add(new TProgressBar(this), gb, 10, 25, 170, 14);
        pb->SetPosition(60);
        auto* ok = add(new TBitBtn(this), page, 8, 280, 90, 27);
        ok->SetKind(bkOK);
        auto* cancel = add(new TBitBtn(this), page, 105, 280, 90, 27);
        cancel->SetKind(bkCancel);
        auto* btn = add(new TButton(this), page, 205, 280, 90, 27);
        btn->SetCaption(QStringLiteral("&Довідка"));
        auto* sb = add(new TSpeedButton(this), page, 300, 282, 23, 22);
        sb->SetCaption(QStringLiteral("…"));
        auto* bevel = add(new TBevel(this), page, 8, 315, 380, 2);
        bevel->SetShape(bsTopLine);
        auto* ud = add(new TUpDown(this), page, 360, 38, 17, 22);
        (void)ud;

        auto* panel = add(new TPanel(this), this, 415, 40, 215, 380);
        panel->SetBevelInner(bvLowered);
        auto* dbEdit = add(new TDBEdit(this), panel, 10, 10, 190, 22);
        dbEdit->SetDataSource(Source);
        dbEdit->SetDataField(QStringLiteral("NAME"));
        auto* dbCheck = add(new TDBCheckBox(this), panel, 10, 40, 190, 17);
        dbCheck->SetCaption(QStringLiteral("Активний"));
        dbCheck->SetDataSource(Source);
        dbCheck->SetDataField(QStringLiteral("ACTIVE"));
        auto* dbCombo = add(new TDBComboBox(this), panel, 10, 65, 190, 22);
        dbCombo->GetItems()->SetCommaText(QStringLiteral("штатний,сумісник"));
        dbCombo->SetDataSource(Source);
        dbCombo->SetDataField(QStringLiteral("STATUS"));
        auto* dbText = add(new TDBText(this), panel, 10, 95, 190, 17);
        dbText->SetDataSource(Source);
        dbText->SetDataField(QStringLiteral("NAME"));
        auto* nav = add(new TDBNavigator(this), panel, 10, 120, 190, 25);
        nav->SetDataSource(Source);
        auto* shape = add(new TShape(this), panel, 10, 160, 60, 40);
        shape->SetShape(stEllipse);
        shape->GetBrush()->SetColor(clYellow);
        EndLoading();
    }
    TMemDataSet* Data;
    TDataSource* Source;
};
