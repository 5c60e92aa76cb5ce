#include "AboutUnit.h"

#include "AppImages.h"
#include "FormBuild.h"

TSplashForm* SplashForm = nullptr;
TAboutBox* AboutBox = nullptr;

TProductInfo AddProductInfo(TComponent* Owner, TWinControl* Panel, int Left, int Top) {
    TProductInfo info;
    info.ProgramIcon = Place<TImage>(Owner, Panel, "ProgramIcon", Left, Top, 96, 96);
    TBitmap emblem;
    emblem.SetImage(ProductEmblem(96, Qt::white));
    info.ProgramIcon->GetPicture()->SetBitmap(&emblem);
    info.ProductName = Place<TLabel>(Owner, Panel, "ProductName", Left + 116, Top + 4, 200, 48);
    info.ProductName->SetAutoSize(true);
    info.ProductName->SetTransparent(true);
    info.ProductName->GetFont()->SetName(QStringLiteral("Times New Roman"));
    info.ProductName->GetFont()->SetHeight(-40);
    info.ProductName->GetFont()->SetStyle({fsBold});
    info.ProductName->GetFont()->SetColor(TColor(12615808));
    info.ProductName->SetCaption(QStringLiteral("Kadrion"));
    info.Version = Place<TLabel>(Owner, Panel, "Version", Left + 120, Top + 58, 120, 17);
    info.Version->SetAutoSize(true);
    info.Version->SetTransparent(true);
    info.Version->SetCaption(QStringLiteral("Version 1.0"));
    return info;
}

TSplashForm::TSplashForm(TComponent* AOwner) : TForm(AOwner) {
    BeginLoading();
    SetName(QStringLiteral("SplashForm"));
    SetBorderStyle(bsNone);
    SetBorderIcons({});
    SetPosition(poScreenCenter);
    SetClientSize(449, 198);
    Panel1 = Place<TPanel>(this, this, "Panel1", 0, 0, 449, 198);
    Panel1->SetAlign(alClient);
    Panel1->SetBevelOuter(bvLowered);
    Panel1->SetColor(clWhite);
    Panel1->SetCaption(QString());
    Info = AddProductInfo(this, Panel1, 20, 24);
    Bevel1 = Place<TBevel>(this, Panel1, "Bevel1", 12, 150, 425, 2);
    Bevel1->SetShape(bsTopLine);
    Bevel1->SetStyle(bsRaised);
    Label1 = Place<TLabel>(this, Panel1, "Label1", 20, 164, 300, 17);
    Label1->SetTransparent(true);
    Label1->SetCaption(QStringLiteral("Завантажується..."));
    EndLoading();
}

TAboutBox::TAboutBox(TComponent* AOwner) : TForm(AOwner) {
    BeginLoading();
    SetUpDialog(this, "AboutBox", "Про програму", 364, 186);
    SetColor(clKadrionBack);
    Panel1 = Place<TPanel>(this, this, "Panel1", 8, 8, 348, 128);
    Panel1->SetBevelOuter(bvLowered);
    Panel1->SetColor(clWhite);
    Panel1->SetCaption(QString());
    Info = AddProductInfo(this, Panel1, 16, 16);
    OKButton = Place<TBitBtn>(this, this, "OKButton", 144, 148, 76, 27);
    OKButton->SetCaption(QStringLiteral("OK"));
    OKButton->SetDefault(true);
    OKButton->SetModalResult(mrOk);
    EndLoading();
}
