// Form placement kept in an INI file or the registry store: what is written, what a new
// form gets back, the per-resolution keys, and the rules that keep a restored form usable.
#include "ControlsTestSupport.h"
#include "Placemnt.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

class PlacementTest : public ControlsFormTest {
protected:
    void SetUp() override {
        hadOld = qEnvironmentVariableIsSet("KADRION_CONFIG_DIR");
        old = qgetenv("KADRION_CONFIG_DIR");
        qputenv("KADRION_CONFIG_DIR", QFile::encodeName(dir.path()));
        ControlsFormTest::SetUp();
    }
    void TearDown() override {
        ControlsFormTest::TearDown();
        if (hadOld)
            qputenv("KADRION_CONFIG_DIR", old);
        else
            qunsetenv("KADRION_CONFIG_DIR");
    }
    // A card form with a placement made inside its loading bracket, as a form built in code
    // makes it; not shown yet.
    struct Card {
        TTestForm* Form;
        TFormPlacement* Placement;
        TEdit* Name;
        TEdit* City;
    };
    Card makeCard(bool Registry) {
        auto* f = CreateNewForm<TTestForm>(nullptr);
        f->BeginLoading();
        auto* p = new TFormPlacement(f);
        p->SetUseRegistry(Registry);
        p->SetIniFileName(Registry ? QStringLiteral("Software\\Kadrion\\Placement")
                                   : QStringLiteral("placement.ini"));
        p->SetIniSection(QStringLiteral("Card"));
        p->SetOptions(TPlacementOptions{fpState, fpPosition, fpActiveControl});
        auto* name = f->Add<TEdit>(10, 10, 100, 21);
        name->SetName(QStringLiteral("NameEdit"));
        auto* city = f->Add<TEdit>(10, 40, 100, 21);
        city->SetName(QStringLiteral("CityEdit"));
        f->EndLoading();
        return Card{f, p, name, city};
    }
    QString iniText() {
        QFile f(dir.filePath(QStringLiteral("placement.ini")));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    QTemporaryDir dir;
    bool hadOld = false;
    QByteArray old;
};

TEST_F(PlacementTest, AClosedFormComesBackWhereItWasInBothStores) {
    for (bool registry : {false, true}) {
        SCOPED_TRACE(registry ? "registry" : "INI");
        Card a = makeCard(registry);
        a.Form->Show();
        a.Form->SetBounds(130, 90, 500, 360);
        a.City->SetFocus();
        a.Placement->SetVersion(3);
        EXPECT_TRUE(a.Form->CloseQuery());
        delete a.Form;

        Card b = makeCard(registry);
        b.Placement->SetVersion(3);
        b.Form->Show();
        QApplication::processEvents();
        EXPECT_EQ((QList<int>{b.Form->GetLeft(), b.Form->GetTop(), b.Form->GetWidth(),
                              b.Form->GetHeight()}),
                  (QList<int>{130, 90, 500, 360}));
        EXPECT_EQ(b.Form->GetActiveControl(), static_cast<TWinControl*>(b.City));
        EXPECT_EQ(b.Placement->ReadInteger(QStringLiteral("FormVersion"), -1), 3);
        EXPECT_EQ(b.Placement->ReadString(QStringLiteral("NormPos") + ScreenSizeSuffix(), {}),
                  QStringLiteral("130,90,630,450"));
        EXPECT_EQ(b.Placement->ReadString(QStringLiteral("NormPos"), {}),
                  QStringLiteral("130,90,630,450"));
        // a newer layout of the form ignores what an older one stored, and saves anew
        b.Placement->SetVersion(4);
        b.Form->SetBounds(10, 10, 300, 200);
        b.Placement->RestorePlacement();
        EXPECT_EQ(b.Form->GetLeft(), 10);
        b.Placement->SavePlacement();
        EXPECT_EQ(b.Placement->ReadInteger(QStringLiteral("FormVersion"), -1), 4);
        delete b.Form;
    }
    EXPECT_TRUE(iniText().contains(QStringLiteral("[Card]")));
    EXPECT_TRUE(QFile::exists(TRegistry::StoreFileName()));
}

TEST_F(PlacementTest, ANeverShownFormWritesNothing) {
    Card a = makeCard(false);
    EXPECT_TRUE(a.Form->CloseQuery());
    delete a.Form;
    EXPECT_EQ(iniText(), QString());
}

TEST_F(PlacementTest, TheKeyOfThisResolutionWinsOverThePlainOne) {
    TIniFile ini(QStringLiteral("placement.ini"));
    const QString s = QStringLiteral("Card");
    struct Case {
        const char* Sized;
        const char* Plain;
        QList<int> Bounds; // left, top, width, height
    };
    const Case cases[] = {
        {"40,50,440,350", "200,210,300,310", {40, 50, 400, 300}},
        {nullptr, "200,210,500,410", {200, 210, 300, 200}},
        // a missing fourth number keeps the form's own bottom
        {nullptr, "60,70,360", {60, 70, 300, 270}},
        // right not beyond left: not applied
        {nullptr, "300,70,300,400", {20, 20, 420, 320}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Plain);
        ini.EraseSection(s);
        if (c.Sized) ini.WriteString(s, QStringLiteral("NormPos") + ScreenSizeSuffix(), c.Sized);
        ini.WriteString(s, QStringLiteral("NormPos"), c.Plain);
        form->SetBounds(20, 20, 420, 320);
        LoadWindowPlacement(form, &ini, s, false, true);
        EXPECT_EQ(
            (QList<int>{form->GetLeft(), form->GetTop(), form->GetWidth(), form->GetHeight()}),
            c.Bounds);
    }
    // stored at another pixel density: the position is left alone
    ini.WriteInteger(s, QStringLiteral("PixelsPerInch"), Screen->GetPixelsPerInch() + 24);
    ini.WriteString(s, QStringLiteral("NormPos"), QStringLiteral("40,50,440,350"));
    form->SetBounds(20, 20, 420, 320);
    LoadWindowPlacement(form, &ini, s, false, true);
    EXPECT_EQ(form->GetLeft(), 20);
    // a dialog of fixed size keeps its size at the stored corner
    ini.WriteInteger(s, QStringLiteral("PixelsPerInch"), Screen->GetPixelsPerInch());
    form->SetBorderStyle(bsDialog);
    LoadWindowPlacement(form, &ini, s, false, true);
    EXPECT_EQ((QList<int>{form->GetLeft(), form->GetTop(), form->GetWidth(), form->GetHeight()}),
              (QList<int>{40, 50, 420, 320}));
}

TEST_F(PlacementTest, ARestoredFormStaysOnAVisibleScreen) {
    const std::vector<TRect> two{TRect{0, 0, 1024, 768}, TRect{1024, 0, 2048, 768}};
    struct Case {
        TRect In, Out;
    };
    const Case cases[] = {
        {{100, 100, 500, 400}, {100, 100, 500, 400}},     // on the first screen
        {{1500, 100, 1900, 400}, {1500, 100, 1900, 400}}, // on the second
        {{3000, 100, 3400, 400}, {624, 100, 1024, 400}},  // a screen since removed
        {{100, -300, 500, 0}, {100, 0, 500, 300}},        // title strip above the top
        {{-900, 100, -10, 400}, {0, 100, 890, 400}},      // wholly left of the desktop
        {{2000, 900, 4500, 2500}, {0, 0, 1024, 768}},     // larger than the screen
        {{980, 100, 1380, 400}, {980, 100, 1380, 400}},   // across the two screens
    };
    for (const Case& c : cases) {
        TRect r = KeepOnVisibleScreen(c.In, two);
        EXPECT_EQ((QList<int>{r.Left, r.Top, r.Right, r.Bottom}),
                  (QList<int>{c.Out.Left, c.Out.Top, c.Out.Right, c.Out.Bottom}))
            << c.In.Left << "," << c.In.Top;
    }
    // through the stored keys, on the screen the test runs on
    TIniFile ini(QStringLiteral("placement.ini"));
    ini.WriteString(QStringLiteral("Card"), QStringLiteral("NormPos"),
                    QStringLiteral("9000,9000,9400,9300"));
    LoadWindowPlacement(form, &ini, QStringLiteral("Card"), false, true);
    const TRect area = Screen->GetWorkAreaRect();
    EXPECT_GE(form->GetLeft(), area.Left);
    EXPECT_LE(form->GetLeft() + form->GetWidth(), area.Right);
    EXPECT_LE(form->GetTop() + form->GetHeight(), area.Bottom);
}

TEST_F(PlacementTest, StoredTextsAndStates) {
    TIniFile ini(QStringLiteral("placement.ini"));
    const QString s = QStringLiteral("S");
    for (const char* v : {"\"у лапках\"", "'одинарні'", "\"", "\"лише зліва", "звичайний", ""}) {
        const QString value = QString::fromUtf8(v);
        StorageWriteString(&ini, s, QStringLiteral("K"), value);
        EXPECT_EQ(StorageReadString(&ini, s, QStringLiteral("K"), QStringLiteral("?")), value) << v;
    }
    EXPECT_TRUE(iniText().contains(QStringLiteral("K=\"\"у лапках\"\"")) ||
                iniText().contains(QStringLiteral("K=")));
    // anything but an INI file or the registry store reads the default
    TObject other;
    EXPECT_EQ(StorageReadInteger(&other, s, QStringLiteral("K"), 7), 7);

    // the show state comes back for a form that is not the main one
    struct Case {
        int ShowCmd;
        TWindowState State;
    };
    auto* second = CreateNewForm<TTestForm>(nullptr);
    second->Show();
    for (Case c : {Case{3, wsMaximized}, Case{1, wsNormal}, Case{9, wsNormal}}) {
        ini.WriteInteger(s, QStringLiteral("ShowCmd"), c.ShowCmd);
        LoadWindowPlacement(second, &ini, s, true, false);
        QApplication::processEvents();
        EXPECT_EQ(second->GetWindowState(), c.State) << c.ShowCmd;
    }
    delete second;
}

TEST_F(PlacementTest, DefaultNamesAndLinks) {
    auto* edit = form->Add<TEdit>(10, 10, 100, 21);
    edit->SetName(QStringLiteral("ListBox1"));
    auto* p = new TFormPlacement(form);
    p->SetName(QStringLiteral("Placement1"));
    EXPECT_EQ(DefaultSectionName(form), QStringLiteral("TTestForm"));
    EXPECT_EQ(DefaultSectionName(edit), QStringLiteral("TTestFormListBox1"));
    EXPECT_EQ(DefaultSectionName(p), QStringLiteral("TTestForm.Placement1"));
    EXPECT_EQ(p->GetIniSection(), QStringLiteral("TTestForm"));
    EXPECT_TRUE(p->GetIniFileName().endsWith(QStringLiteral(".INI")));
    p->SetUseRegistry(true);
    EXPECT_TRUE(p->GetIniFileName().startsWith(QStringLiteral("Software\\")));

    // links hear every save and load in order, and leave with the placement
    QStringList heard;
    TIniLink a, b;
    a.OnSaveSettings = [&](TObject*) { heard << QStringLiteral("a save"); };
    b.OnSaveSettings = [&](TObject*) { heard << QStringLiteral("b save"); };
    a.OnLoadSettings = [&](TObject*) {
        heard << QStringLiteral("a load ") + QString::number(a.GetStorageFile() != nullptr);
    };
    a.SetPlacement(p);
    b.SetPlacement(p);
    EXPECT_EQ(a.GetSectionPrefix(), QString());
    p->SetIniSection(QStringLiteral("Card"));
    EXPECT_EQ(a.GetSectionPrefix(), QStringLiteral("Card\\"));
    p->SetUseRegistry(false);
    p->SetIniFileName(QStringLiteral("placement.ini"));
    p->SetActive(false);
    p->SavePlacement();
    p->RestorePlacement();
    EXPECT_EQ(heard, (QStringList{QStringLiteral("a save"), QStringLiteral("b save"),
                                  QStringLiteral("a load 1")}));
    EXPECT_EQ(a.GetStorageFile(), nullptr);
    delete p;
    EXPECT_EQ(a.GetPlacement(), nullptr);
    EXPECT_EQ(b.GetPlacement(), nullptr);
}

} // namespace
