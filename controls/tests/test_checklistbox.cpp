// The check list box: item states and the radio rule, the user's clicks and keys, states kept
// through sorting, moves and window recreation, the storage of a form placement, and the
// stored form's item list in the current and the older layouts.
#include "ControlsTestSupport.h"
#include "RXCtrls.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

class CheckListTest : public FormTest {
protected:
    TRxCheckListBox* makeList(const QStringList& Texts, TCheckKind Kind = ckCheckBoxes) {
        auto* b = form->Add<TRxCheckListBox>(10, 10, 200, 150);
        int n = 1;
        while (form->FindComponent(QStringLiteral("CheckList%1").arg(n)))
            ++n;
        b->SetName(QStringLiteral("CheckList%1").arg(n));
        for (const QString& t : Texts)
            b->GetItems()->Add(t);
        b->SetCheckKind(Kind);
        return b;
    }
    static QList<int> states(TRxCheckListBox* B) {
        QList<int> r;
        for (int i = 0; i < B->GetItems()->Count(); ++i)
            r << int(B->GetState(i));
        return r;
    }
    static void setStates(TRxCheckListBox* B, const QList<int>& S) {
        for (int i = 0; i < S.size(); ++i)
            B->SetState(i, TCheckBoxState(S[i]));
    }
    // The middle of the check area, or of the text, of an item.
    static TPoint checkPoint(TRxCheckListBox* B, int I) {
        TRect r = B->ItemRect(I);
        return TPoint{r.Left + (B->CheckWidth() + 2) / 2, (r.Top + r.Bottom) / 2};
    }
    static TPoint textPoint(TRxCheckListBox* B, int I) {
        TRect r = B->ItemRect(I);
        return TPoint{r.Left + B->CheckWidth() + 30, (r.Top + r.Bottom) / 2};
    }
    const QStringList names{QStringLiteral("Коваленко"), QStringLiteral("Бондар"),
                            QStringLiteral("Шевчук"), QStringLiteral("Ткаченко")};
};

TEST_F(CheckListTest, StatesAndTheRadioRule) {
    // every kind: what is set, what reads back, which item is the checked one, who is told
    struct Case {
        TCheckKind Kind;
        QList<int> Set;
        QList<int> Want;
        int CheckedIndex;
        QList<int> Told;
    };
    const Case cases[] = {
        {ckCheckBoxes, {1, 2, 0, 1}, {1, 2, 0, 1}, -1, {0, 1, 3}},
        {ckCheckMarks, {0, 0, 2, 0}, {0, 0, 2, 0}, -1, {2}},
        // a radio list has one checked item: the first at the start, then the last checked;
        // grayed reads as unchecked, and the refused unchecks tell nobody
        {ckRadioButtons, {0, 1, 2, 0}, {0, 1, 0, 0}, 1, {1, 2}},
        {ckRadioButtons, {0, 0, 0, 1}, {0, 0, 0, 1}, 3, {3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.Kind));
        TRxCheckListBox* b = makeList(names, c.Kind);
        EXPECT_EQ(b->GetCheckedIndex(), c.Kind == ckRadioButtons ? 0 : -1);
        QList<int> told;
        b->OnStateChange = [&](TObject*, int I) { told << I; };
        setStates(b, c.Set);
        EXPECT_EQ(states(b), c.Want);
        EXPECT_EQ(b->GetCheckedIndex(), c.CheckedIndex);
        EXPECT_EQ(told, c.Told);
        delete b;
    }

    TRxCheckListBox* b = makeList(names);
    b->SetAllowGrayed(true);
    EXPECT_TRUE(b->GetAllowGrayed());
    // turning into a radio list keeps the first checked item only; none checked: the first
    setStates(b, {0, 1, 0, 1});
    b->SetCheckKind(ckRadioButtons);
    EXPECT_EQ(states(b), (QList<int>{0, 1, 0, 0}));
    EXPECT_FALSE(b->GetAllowGrayed());
    b->SetChecked(1, false);
    EXPECT_EQ(b->GetCheckedIndex(), 1);
    b->SetCheckedIndex(-5);
    EXPECT_EQ(states(b), (QList<int>{1, 0, 0, 0}));
    b->SetCheckKind(ckCheckBoxes);
    b->SetChecked(0, false);
    b->SetCheckKind(ckRadioButtons);
    EXPECT_EQ(b->GetCheckedIndex(), 0);

    EXPECT_THROW(b->GetState(9), EStringListError);
    EXPECT_THROW(b->SetState(-1, cbChecked), EStringListError);
    EXPECT_EQ(b->GetItems()->Count(), 4);
}

TEST_F(CheckListTest, ClicksOnTheCheckAndKeysToggle) {
    TRxCheckListBox* b = makeList(names);
    b->SetAllowGrayed(true);
    b->SetItemEnabled(3, false);
    int clicks = 0;
    b->OnClickCheck = [&](TObject*) { ++clicks; };

    // three clicks on a check box cycle unchecked, grayed, checked and back
    QList<int> seen;
    for (int i = 0; i < 3; ++i) {
        TPoint p = checkPoint(b, 1);
        Click(b, p.X, p.Y);
        seen << int(b->GetState(1));
    }
    EXPECT_EQ(seen, (QList<int>{cbGrayed, cbChecked, cbUnchecked}));
    EXPECT_EQ(clicks, 3);
    // a disabled item does not toggle; a click on the text selects without a toggle
    TPoint d = checkPoint(b, 3);
    Click(b, d.X, d.Y);
    TypeText(b, QStringLiteral(" "));
    TPoint t = textPoint(b, 2);
    Click(b, t.X, t.Y);
    EXPECT_EQ(b->GetItemIndex(), 2);
    EXPECT_EQ(states(b), (QList<int>{0, 0, 0, 0}));
    EXPECT_EQ(clicks, 3);

    // Space toggles the current item; "+" and "-" set every enabled item
    TypeText(b, QStringLiteral(" "));
    EXPECT_EQ(b->GetState(2), cbGrayed);
    PressPad(b, u'+');
    EXPECT_EQ(states(b), (QList<int>{1, 1, 1, 0}));
    PressPad(b, u'-');
    EXPECT_EQ(states(b), (QList<int>{0, 0, 0, 0}));
    EXPECT_EQ(clicks, 6);

    // a radio list: "+" and "-" change nothing and tell nobody; Space checks the current item
    b->SetCheckKind(ckRadioButtons);
    b->SetItemIndex(2);
    clicks = 0;
    int changes = 0;
    b->OnStateChange = [&](TObject*, int) { ++changes; };
    PressPad(b, u'+');
    PressPad(b, u'-');
    EXPECT_EQ(states(b), (QList<int>{1, 0, 0, 0}));
    EXPECT_EQ(clicks + changes, 0);
    TypeText(b, QStringLiteral(" "));
    EXPECT_EQ(states(b), (QList<int>{0, 0, 1, 0}));
    TPoint p = checkPoint(b, 2);
    Click(b, p.X, p.Y); // unchecking the checked item is refused
    EXPECT_EQ(b->GetCheckedIndex(), 2);
    EXPECT_EQ(clicks, 2);
}

TEST_F(CheckListTest, StatesGoWithTheirItems) {
    TRxCheckListBox* b = makeList(names);
    TObject tags[4];
    for (int i = 0; i < 4; ++i)
        b->GetItems()->PutObject(i, &tags[i]);
    setStates(b, {1, 2, 0, 1});
    b->SetItemEnabled(2, false);
    auto snapshot = [&] {
        QStringList r;
        for (int i = 0; i < b->GetItems()->Count(); ++i)
            r << QStringLiteral("%1 %2 %3 %4")
                     .arg(b->GetItems()->Get(i))
                     .arg(int(b->GetState(i)))
                     .arg(b->ItemIsEnabled(i))
                     .arg(b->GetItems()->GetObject(i) - tags);
        return r;
    };
    QStringList before = snapshot();
    before.sort();
    // sorting makes the window anew: each item keeps its state, flag and object
    b->SetSorted(true);
    QStringList after = snapshot();
    EXPECT_EQ(after, before);

    b->SetSorted(false);
    b->GetItems()->Exchange(0, 3);
    b->GetItems()->Move(1, 2);
    QStringList moved = snapshot();
    EXPECT_EQ(moved, (QStringList{after[3], after[2], after[1], after[0]}));

    // another check list box's items come with their states
    auto* copy = form->Add<TRxCheckListBox>(220, 10, 150, 150);
    copy->SetItems(b->GetItems());
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(copy->GetState(i), b->GetState(i)) << i;
        EXPECT_EQ(copy->ItemIsEnabled(i), b->ItemIsEnabled(i)) << i;
    }
    b->GetItems()->Delete(0);
    EXPECT_EQ(b->GetItems()->Count(), 3);
    b->Clear();
    EXPECT_EQ(b->GetItems()->Count(), 0);
    // an item never given a state or object reads unchecked and enabled, with no object
    b->GetItems()->Add(QStringLiteral("Новий"));
    EXPECT_EQ(b->GetState(0), cbUnchecked);
    EXPECT_TRUE(b->ItemIsEnabled(0));
    EXPECT_EQ(b->GetItems()->GetObject(0), nullptr);
}

class CheckListStorageTest : public CheckListTest {
protected:
    void SetUp() override {
        qputenv("KADRION_CONFIG_DIR", QFile::encodeName(dir.path()));
        CheckListTest::SetUp();
    }
    void TearDown() override {
        CheckListTest::TearDown();
        qunsetenv("KADRION_CONFIG_DIR");
    }
    QTemporaryDir dir;
};

TEST_F(CheckListStorageTest, StatesAreSavedAndLoadedThroughThePlacement) {
    struct Case {
        bool Registry;
        TCheckKind Kind;
        QList<int> Saved;
        int ExtraItems; // the list at load time has this many items more (or fewer)
        QList<int> Loaded;
    };
    const Case cases[] = {
        {false, ckCheckBoxes, {1, 2, 0, 1}, 0, {1, 2, 0, 1}},
        {true, ckCheckBoxes, {0, 1, 1, 2}, 0, {0, 1, 1, 2}},
        // a "Count" beyond the items only touches the items there are
        {false, ckCheckBoxes, {1, 1, 1, 1}, -2, {1, 1}},
        {true, ckCheckMarks, {2, 0, 1, 0}, 1, {2, 0, 1, 0, 0}},
        {false, ckRadioButtons, {0, 0, 1, 0}, 0, {0, 0, 1, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 kind %2 extra %3")
                         .arg(c.Registry ? "registry" : "INI")
                         .arg(int(c.Kind))
                         .arg(c.ExtraItems)
                         .toStdString());
        auto* p = new TFormPlacement(form);
        p->SetUseRegistry(c.Registry);
        p->SetIniFileName(c.Registry ? QStringLiteral("Software\\Kadrion\\Lists")
                                     : QStringLiteral("lists.ini"));
        p->SetIniSection(QStringLiteral("Query"));
        p->SetActive(false); // saved and restored here, not by showing the form
        TRxCheckListBox* a = makeList(names, c.Kind);
        a->SetIniStorage(p);
        setStates(a, c.Saved);
        p->SavePlacement();
        EXPECT_EQ(p->ReadInteger(QStringLiteral("Count"), -1), -1); // in the list's own section
        delete a;

        QStringList texts = names.mid(0, 4 + std::min(0, c.ExtraItems));
        for (int i = 0; i < c.ExtraItems; ++i)
            texts << QStringLiteral("Додатковий %1").arg(i);
        TRxCheckListBox* b = makeList(texts, c.Kind);
        b->SetIniStorage(p);
        p->RestorePlacement();
        EXPECT_EQ(states(b), c.Loaded);
        delete b;
        delete p;
    }
    QFile ini(dir.filePath(QStringLiteral("lists.ini")));
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    QString text = QString::fromUtf8(ini.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("[Query\\TTestFormCheckList1]"))) << text;
    EXPECT_TRUE(text.contains(QStringLiteral("Item2=1"))) << text;
}

TEST_F(CheckListStorageTest, ARadioListLoadsOneCheckedItemAndAnUnnamedListNothing) {
    TIniFile ini(dir.filePath(QStringLiteral("edited.ini")));
    ini.WriteInteger(QStringLiteral("S"), QStringLiteral("Count"), 4);
    for (int i = 0; i < 4; ++i)
        ini.WriteInteger(QStringLiteral("S"), QStringLiteral("Item%1").arg(i),
                         QList<int>{7, 1, 1, 2}[i]);
    TRxCheckListBox* radio = makeList(names, ckRadioButtons);
    radio->LoadStates(&ini, QStringLiteral("S"));
    EXPECT_EQ(states(radio), (QList<int>{0, 1, 0, 0}));
    // unknown values read as unchecked
    TRxCheckListBox* boxes = makeList(names);
    boxes->LoadStates(&ini, QStringLiteral("S"));
    EXPECT_EQ(states(boxes), (QList<int>{0, 1, 1, 2}));
    TRxCheckListBox* unnamed = makeList(names);
    unnamed->SetName(QString());
    unnamed->LoadStates(&ini, QStringLiteral("S"));
    unnamed->SaveStates(&ini, QStringLiteral("S"));
    EXPECT_EQ(states(unnamed), (QList<int>{0, 0, 0, 0}));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("S"), QStringLiteral("Item0"), -1), 7);
}

// ---- the stored form ----

QByteArray writeForm(TRxCheckListBox* B, TPersistent* Ancestor = nullptr) {
    TMemoryStream s;
    TWriter w(&s);
    w.SetAncestor(Ancestor);
    w.WriteProperties([&](TFiler* F) { B->DefineProperties(F); });
    s.SetPosition(0);
    return s.ReadAll();
}

void readForm(TRxCheckListBox* B, const QByteArray& Bytes) {
    TMemoryStream s;
    s.WriteBytes(Bytes);
    s.SetPosition(0);
    TReader r(&s);
    B->BeginLoading();
    try {
        r.ReadProperties([&](TFiler* F) { B->DefineProperties(F); });
    } catch (...) {
        B->EndLoading();
        throw;
    }
    B->EndLoading();
}

// A stored item list written by hand in an older layout.
QByteArray oldForm(int Version, const QList<std::tuple<QString, bool, bool, int>>& Items) {
    TMemoryStream s;
    TWriter w(&s);
    w.WriteProperties([&](TFiler* F) {
        if (Version > 0)
            F->DefineProperty(
                QStringLiteral("InternalVersion"), nullptr,
                [&](TWriter* W) { W->WriteInteger(Version); }, true);
        F->DefineProperty(
            QStringLiteral("Strings"), nullptr,
            [&](TWriter* W) {
                W->WriteListBegin();
                for (const auto& [text, checked, enabled, state] : Items) {
                    W->WriteString(text);
                    W->WriteBoolean(checked);
                    W->WriteBoolean(enabled);
                    if (Version > 0) W->WriteInteger(state);
                }
                W->WriteListEnd();
            },
            true);
    });
    s.SetPosition(0);
    return s.ReadAll();
}

TEST_F(CheckListTest, TheStoredFormKeepsTextsStatesAndFlagsInEveryLayout) {
    TRxCheckListBox* a = makeList(names);
    setStates(a, {1, 2, 0, 0});
    a->SetItemEnabled(3, false);
    QByteArray current = writeForm(a);

    struct Case {
        const char* Name;
        QByteArray Bytes;
        TCheckKind Kind;
        QList<int> Want;
    };
    const Case cases[] = {
        {"current", current, ckCheckBoxes, {1, 2, 0, 0}},
        // Booleans only, no version: checked or not
        {"no version",
         oldForm(0, {{names[0], true, true, 0},
                     {names[1], false, true, 0},
                     {names[2], true, true, 0},
                     {names[3], false, false, 0}}),
         ckCheckBoxes,
         {1, 0, 1, 0}},
        // a version below the current one: the state after the Booleans wins
        {"version 1",
         oldForm(1, {{names[0], true, true, 0},
                     {names[1], false, true, 2},
                     {names[2], false, true, 0},
                     {names[3], false, false, 1}}),
         ckCheckBoxes,
         {0, 2, 0, 1}},
        // a radio list read with nothing checked checks its first item
        {"radio",
         oldForm(0, {{names[0], false, true, 0}, {names[1], false, true, 0}}),
         ckRadioButtons,
         {1, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TRxCheckListBox* b = makeList({QStringLiteral("старий")}, c.Kind);
        int told = 0;
        b->OnStateChange = [&](TObject*, int) { ++told; };
        readForm(b, c.Bytes);
        EXPECT_EQ(b->GetItems()->Count(), c.Want.size());
        EXPECT_EQ(b->GetItems()->Get(0), names[0]);
        EXPECT_EQ(states(b), c.Want);
        if (c.Want.size() == 4) {
            EXPECT_FALSE(b->ItemIsEnabled(3));
        }
        // written back in the current layout, byte for byte what a list in that state writes
        if (c.Kind == ckCheckBoxes) {
            TRxCheckListBox* same = makeList(names);
            setStates(same, c.Want);
            same->SetItemEnabled(3, false);
            EXPECT_EQ(writeForm(b), writeForm(same));
            delete same;
        }
        delete b;
    }
}

TEST_F(CheckListTest, AnInheritedFormWritesItsItemsOnlyWhenTheyDiffer) {
    TRxCheckListBox* ancestor = makeList(names);
    TRxCheckListBox* b = makeList(names);
    const QByteArray endOnly(1, '\0');
    // texts compared without regard to case; a state or flag counts
    EXPECT_EQ(writeForm(b, ancestor), endOnly);
    b->GetItems()->Put(1, names[1].toUpper());
    EXPECT_EQ(writeForm(b, ancestor), endOnly);
    struct Change {
        const char* Name;
        std::function<void()> Make;
    };
    const Change changes[] = {
        {"state", [&] { b->SetState(2, cbGrayed); }},
        {"flag", [&] { b->SetItemEnabled(0, false); }},
        {"text", [&] { b->GetItems()->Put(3, QStringLiteral("Інший")); }},
        {"count", [&] { b->GetItems()->Add(QStringLiteral("П'ятий")); }},
    };
    for (const Change& c : changes) {
        SCOPED_TRACE(c.Name);
        TRxCheckListBox* fresh = makeList(names);
        std::swap(b, fresh);
        c.Make();
        QByteArray bytes = writeForm(b, ancestor);
        EXPECT_TRUE(bytes.startsWith(QByteArray("\x07Strings"))) << bytes.toHex().toStdString();
        delete b;
        b = fresh;
    }
    // a list with no items writes none, and a list without an ancestor writes its version
    TRxCheckListBox* empty = makeList({});
    EXPECT_EQ(writeForm(empty), QByteArray("\x0FInternalVersion\x03\xCA\x00\x00", 20));
}

TEST_F(CheckListTest, ADamagedStoredFormRaisesAndLeavesAUsableList) {
    TRxCheckListBox* a = makeList(names);
    QByteArray good = writeForm(a);
    struct Case {
        const char* Name;
        QByteArray Bytes;
    };
    QByteArray longText = good;
    longText[good.indexOf(char(vaString))] = char(vaLString); // a length far past the end
    const Case cases[] = {
        {"cut short", good.left(good.size() - 6)},
        {"length past the end", longText},
        {"unknown value type", QByteArray("\x0FInternalVersion\x63", 17)},
        {"unknown property", QByteArray("\x05Items\x02\x01\x00", 9)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TRxCheckListBox* b = makeList(names);
        EXPECT_THROW(readForm(b, c.Bytes), EReadError);
        b->GetItems()->Add(QStringLiteral("Далі"));
        b->SetChecked(0, true);
        EXPECT_TRUE(b->GetChecked(0));
        delete b;
    }
}

} // namespace
