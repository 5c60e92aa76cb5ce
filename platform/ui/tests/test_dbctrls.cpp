// Data-aware controls on a form over the in-memory dataset: typing edits the record, Esc
// restores, leaving or posting stores, scrolling refreshes, refused keys stay out.
#include "Clipbrd.h"
#include "DBActns.h"
#include "DBCtrls.h"
#include "MemDS.h"
#include "StdTestSupport.h"
#include "Streams.h"

#include <QImage>

namespace {

QByteArray bitmapBytes(int W, int H, TColor Color) {
    TBitmap b;
    b.SetSize(W, H);
    b.GetCanvas()->GetBrush()->SetColor(Color);
    b.GetCanvas()->FillRect(TRect{0, 0, W, H});
    TMemoryStream ms;
    b.SaveToStream(&ms);
    return ms.GetBytes();
}

class DBCtrlsTest : public FormTest {
protected:
    void SetUp() override {
        FormTest::SetUp();
        ds = new TMemDataSet(form);
        ds->GetFieldDefs()->Add(QStringLiteral("NAME"), ftString, 20);
        ds->GetFieldDefs()->Add(QStringLiteral("AGE"), ftInteger);
        ds->GetFieldDefs()->Add(QStringLiteral("ACTIVE"), ftBoolean);
        ds->GetFieldDefs()->Add(QStringLiteral("STATUS"), ftString, 10);
        ds->GetFieldDefs()->Add(QStringLiteral("SEX"), ftString, 1);
        ds->GetFieldDefs()->Add(QStringLiteral("PHOTO"), ftGraphic);
        ds->GetFieldDefs()->Add(QStringLiteral("NOTE"), ftMemo);
        ds->Open();
        ds->AppendRecord(
            {QStringLiteral("Петренко"), 40, true, QStringLiteral("штатний"), QStringLiteral("Ч")});
        setPhoto(bitmapBytes(4, 3, clRed));
        ds->AppendRecord({QStringLiteral("Іваненко"), 25, false, QStringLiteral("сумісник"),
                          QStringLiteral("Ж")});
        setPhoto(bitmapBytes(6, 5, clBlue));
        ds->First();
        src = new TDataSource(form);
        src->SetDataSet(ds);

        name = form->Add<TDBEdit>(10, 10, 150, 22);
        name->SetDataSource(src);
        name->SetDataField(QStringLiteral("NAME"));
        age = form->Add<TDBEdit>(10, 40, 60, 22);
        age->SetDataSource(src);
        age->SetDataField(QStringLiteral("AGE"));
        active = form->Add<TDBCheckBox>(10, 70, 120, 17);
        active->SetDataSource(src);
        active->SetDataField(QStringLiteral("ACTIVE"));
        status = form->Add<TDBComboBox>(10, 95, 150, 22);
        status->SetStyle(csDropDownList);
        for (const char* s : {"штатний", "сумісник", "звільнений"})
            status->GetItems()->Add(QString::fromUtf8(s));
        status->SetDataSource(src);
        status->SetDataField(QStringLiteral("STATUS"));
        photo = form->Add<TDBImage>(200, 10, 80, 80);
        photo->SetDataSource(src);
        photo->SetDataField(QStringLiteral("PHOTO"));
    }
    void setPhoto(const QByteArray& Bytes) {
        ds->Edit();
        static_cast<TBlobField*>(ds->FieldByName(QStringLiteral("PHOTO")))->SetAsBytes(Bytes);
        ds->Post();
    }
    void TearDown() override {
        // no error message came up
        for (const auto& a : errors.Script.Asked)
            ADD_FAILURE() << a.Text.toStdString();
        FormTest::TearDown();
    }
    TField* field(const char* Name) { return ds->FieldByName(QString::fromLatin1(Name)); }
    ScriptedDialogs errors;
    TMemDataSet* ds = nullptr;
    TDataSource* src = nullptr;
    TDBEdit* name = nullptr;
    TDBEdit* age = nullptr;
    TDBCheckBox* active = nullptr;
    TDBComboBox* status = nullptr;
    TDBImage* photo = nullptr;
};

TEST_F(DBCtrlsTest, TypingEditsEscRestoresExitAndPostStore) {
    EXPECT_EQ(name->GetText(), QStringLiteral("Петренко"));
    EXPECT_EQ(age->GetText(), QStringLiteral("40"));
    EXPECT_TRUE(active->GetChecked());
    EXPECT_EQ(status->GetItemIndex(), 0);
    EXPECT_EQ(photo->GetPicture()->GetWidth(), 4);
    EXPECT_EQ(name->GetMaxLength(), 20);

    // typing puts the dataset into edit state; the field changes when the edit is left
    name->SetFocus();
    name->SetSelStart(8);
    TypeText(name, QStringLiteral("ва"));
    EXPECT_EQ(ds->GetState(), dsEdit);
    EXPECT_EQ(name->GetText(), QStringLiteral("Петренкова"));
    EXPECT_EQ(field("NAME")->GetAsString(), QStringLiteral("Петренко"));

    // Esc puts the field's value back
    PressKey(name, Qt::Key_Escape);
    EXPECT_EQ(name->GetText(), QStringLiteral("Петренко"));
    EXPECT_EQ(ds->GetState(), dsEdit);

    TypeText(name, QStringLiteral("Х"));
    age->SetFocus(); // leaving writes the value
    EXPECT_EQ(field("NAME")->GetAsString(), name->GetText());
    QString written = name->GetText();

    // a key the number field does not take is refused; digits go in
    age->SetSelStart(2);
    TypeText(age, QStringLiteral("x"));
    EXPECT_EQ(age->GetText(), QStringLiteral("40"));
    TypeText(age, QStringLiteral("1"));
    EXPECT_EQ(age->GetText(), QStringLiteral("401"));
    ds->Post(); // posting takes the focused control's value too
    EXPECT_EQ(ds->GetState(), dsBrowse);
    EXPECT_EQ(field("AGE")->GetAsInteger(), 401);
    EXPECT_EQ(field("NAME")->GetAsString(), written);
    EXPECT_FALSE(age->GetModified());
}

// The first key puts the dataset into edit, which refreshes the control: a selected text the
// key types over must still be selected then, so that the key replaces it.
TEST_F(DBCtrlsTest, TypingOverASelectionReplacesItWhenTheRecordGoesIntoEdit) {
    name->SetFocus();
    name->SelectAll();
    TypeText(name, QStringLiteral("Мар'яненко"));
    EXPECT_EQ(ds->GetState(), dsEdit);
    EXPECT_EQ(name->GetText(), QStringLiteral("Мар'яненко"));
    EXPECT_EQ(name->GetMaxLength(), 20);
}

TEST_F(DBCtrlsTest, ARefusedKeyLeavesABrowsingDatasetAlone) {
    age->SetFocus();
    TypeText(age, QStringLiteral("a,"));
    EXPECT_EQ(ds->GetState(), dsBrowse);
    EXPECT_EQ(age->GetText(), QStringLiteral("40"));
    // a read-only link does not edit at all
    name->SetReadOnly(true);
    name->SetFocus();
    TypeText(name, QStringLiteral("я"));
    EXPECT_EQ(ds->GetState(), dsBrowse);
    EXPECT_EQ(name->GetText(), QStringLiteral("Петренко"));
}

TEST_F(DBCtrlsTest, ScrollingTheDatasetRefreshesEveryControl) {
    ds->Next();
    EXPECT_EQ(name->GetText(), QStringLiteral("Іваненко"));
    EXPECT_EQ(age->GetText(), QStringLiteral("25"));
    EXPECT_FALSE(active->GetChecked());
    EXPECT_EQ(status->GetText(), QStringLiteral("сумісник"));
    EXPECT_EQ(photo->GetPicture()->GetWidth(), 6);
    ds->Prior();
    EXPECT_EQ(name->GetText(), QStringLiteral("Петренко"));
    EXPECT_EQ(photo->GetPicture()->GetHeight(), 3);
    // a closed dataset empties them
    ds->Close();
    EXPECT_EQ(name->GetText(), QString());
    EXPECT_EQ(active->GetState(), cbGrayed);
    EXPECT_EQ(photo->GetPicture()->GetGraphic(), nullptr);
}

TEST_F(DBCtrlsTest, CheckBoxComboAndImageWriteOnPost) {
    Click(active, 5, 5);
    EXPECT_EQ(ds->GetState(), dsEdit);
    EXPECT_FALSE(active->GetChecked());
    status->SetFocus();
    PressKey(status, Qt::Key_Down);
    EXPECT_EQ(status->GetText(), QStringLiteral("сумісник"));
    // a picture pasted from the clipboard
    TBitmap b;
    b.SetSize(7, 2);
    Clipboard()->Assign(&b);
    photo->SetFocus();
    SendKey(photo, Qt::Key_V, QString(QChar(22)), Qt::ControlModifier);
    EXPECT_EQ(photo->GetPicture()->GetWidth(), 7);
    ds->Post();
    EXPECT_FALSE(field("ACTIVE")->GetAsBoolean());
    EXPECT_EQ(field("STATUS")->GetAsString(), QStringLiteral("сумісник"));
    ds->Next();
    ds->Prior();
    EXPECT_EQ(photo->GetPicture()->GetWidth(), 7);
    EXPECT_EQ(photo->GetPicture()->GetHeight(), 2);

    // Esc on the image puts the stored picture back; Delete empties the field
    PressKey(photo, Qt::Key_Delete);
    EXPECT_EQ(photo->GetPicture()->GetGraphic(), nullptr);
    PressKey(photo, Qt::Key_Escape);
    EXPECT_EQ(photo->GetPicture()->GetWidth(), 7);
    PressKey(photo, Qt::Key_Delete);
    ds->Post();
    EXPECT_TRUE(field("PHOTO")->IsNull());
    // copy goes out through the clipboard
    ds->Next();
    photo->CopyToClipboard();
    TBitmap back;
    Clipboard()->AssignTo(&back);
    EXPECT_EQ(back.GetWidth(), 6);
}

TEST_F(DBCtrlsTest, CheckBoxValuesOfATextField) {
    auto* sex = form->Add<TDBCheckBox>(10, 130, 120, 17);
    sex->SetValueChecked(QStringLiteral("Ч;M"));
    sex->SetValueUnchecked(QStringLiteral("Ж;F"));
    sex->SetDataSource(src);
    sex->SetDataField(QStringLiteral("SEX"));
    EXPECT_EQ(sex->GetState(), cbChecked);
    ds->Next();
    EXPECT_EQ(sex->GetState(), cbUnchecked);
    sex->SetFocus();
    PressKey(sex, Qt::Key_Space);
    ds->Post();
    EXPECT_EQ(field("SEX")->GetAsString(), QStringLiteral("Ч"));
    ds->Edit();
    field("SEX")->SetAsString(QStringLiteral("?"));
    EXPECT_EQ(sex->GetState(), cbGrayed);
    ds->Cancel();
}

TEST_F(DBCtrlsTest, TextMemoRadioGroupAndNavigator) {
    auto* text = new TDBText(form);
    text->SetParent(form);
    text->SetDataSource(src);
    text->SetDataField(QStringLiteral("AGE"));
    EXPECT_EQ(text->GetCaption(), QStringLiteral("40"));
    auto* memo = form->Add<TDBMemo>(10, 150, 150, 60);
    memo->SetDataSource(src);
    memo->SetDataField(QStringLiteral("NOTE"));
    memo->SetFocus();
    TypeText(memo, QStringLiteral("нотатка"));
    EXPECT_EQ(ds->GetState(), dsEdit);
    ds->Post();
    EXPECT_EQ(field("NOTE")->GetAsString(), QStringLiteral("нотатка"));

    auto* rg = form->Add<TDBRadioGroup>(200, 100, 150, 90);
    rg->GetItems()->Add(QStringLiteral("Штатний"));
    rg->GetItems()->Add(QStringLiteral("Сумісник"));
    rg->GetValues()->Add(QStringLiteral("штатний"));
    rg->GetValues()->Add(QStringLiteral("сумісник"));
    rg->SetDataSource(src);
    rg->SetDataField(QStringLiteral("STATUS"));
    EXPECT_EQ(rg->GetItemIndex(), 0);
    Click(rg->GetButtons(1), 3, 3);
    EXPECT_EQ(ds->GetState(), dsEdit);
    ds->Post();
    EXPECT_EQ(field("STATUS")->GetAsString(), QStringLiteral("сумісник"));

    ds->First();
    auto* nav = form->Add<TDBNavigator>(10, 220, 240, 25);
    nav->SetDataSource(src);
    EXPECT_FALSE(nav->GetButton(nbFirst)->GetEnabled());
    EXPECT_TRUE(nav->GetButton(nbNext)->GetEnabled());
    EXPECT_FALSE(nav->GetButton(nbPost)->GetEnabled());
    nav->BtnClick(nbNext);
    EXPECT_EQ(text->GetCaption(), QStringLiteral("25"));
    nav->BtnClick(nbEdit);
    EXPECT_TRUE(nav->GetButton(nbPost)->GetEnabled());
    EXPECT_FALSE(nav->GetButton(nbEdit)->GetEnabled());
    nav->BtnClick(nbCancel);
    ScriptedDialogs dialogs;
    dialogs.Script.Answer(mrCancel);
    nav->BtnClick(nbDelete);
    EXPECT_EQ(ds->GetRecordCount(), 2);
    EXPECT_EQ(dialogs.Script.Last().Text, QStringLiteral("Delete record?"));
    dialogs.Script.Answer(mrOk);
    nav->BtnClick(nbDelete);
    EXPECT_EQ(ds->GetRecordCount(), 1);

    // Pictures, not text: black on an enabled button, embossed on a disabled one.
    QApplication::processEvents();
    form->Repaint();
    QImage img = form->GetHandle()->grab().toImage();
    auto inks = [&](TNavigateBtn B) {
        TSpeedButton* b = nav->GetButton(B);
        EXPECT_TRUE(b->GetCaption().isEmpty());
        std::pair<int, int> blackAndShadow{0, 0};
        for (int y = 2; y < b->GetHeight() - 2; ++y)
            for (int x = 2; x < b->GetWidth() - 2; ++x) {
                QColor c = img.pixelColor(WidgetPoint(form, nav->GetLeft() + b->GetLeft() + x,
                                                      nav->GetTop() + b->GetTop() + y));
                blackAndShadow.first += c == QColor(Qt::black);
                blackAndShadow.second += c == ColorToQColor(clBtnShadow);
            }
        return blackAndShadow;
    };
    ASSERT_TRUE(nav->GetButton(nbInsert)->GetEnabled());
    ASSERT_FALSE(nav->GetButton(nbPost)->GetEnabled());
    EXPECT_GT(inks(nbInsert).first, 20);
    EXPECT_EQ(inks(nbPost).first, 0);
    EXPECT_GT(inks(nbPost).second, 10);
}

TEST_F(DBCtrlsTest, LookupComboSearchesAndWritesTheKey) {
    TMemDataSet list(nullptr);
    list.GetFieldDefs()->Add(QStringLiteral("ID"), ftInteger);
    list.GetFieldDefs()->Add(QStringLiteral("TITLE"), ftString, 20);
    list.Open();
    list.AppendRecord({1, QStringLiteral("Бухгалтер")});
    list.AppendRecord({2, QStringLiteral("Інженер")});
    list.AppendRecord({3, QStringLiteral("Інспектор")});
    TDataSource listSrc(nullptr);
    listSrc.SetDataSet(&list);
    auto* lc = form->Add<TDBLookupComboBox>(10, 150, 150, 22);
    lc->SetListSource(&listSrc);
    lc->SetKeyField(QStringLiteral("ID"));
    lc->SetListField(QStringLiteral("TITLE;ID"));
    lc->SetDataSource(src);
    lc->SetDataField(QStringLiteral("AGE"));
    EXPECT_EQ(lc->GetText(), QString()); // 40 is no key
    ds->Edit();
    field("AGE")->SetAsInteger(2);
    EXPECT_EQ(lc->GetText(), QStringLiteral("Інженер"));
    ds->Cancel();
    lc->SetFocus();
    TypeText(lc, QStringLiteral("інс"));
    EXPECT_EQ(lc->GetSearchText(), QStringLiteral("інс"));
    EXPECT_EQ(lc->GetText(), QStringLiteral("Інспектор"));
    EXPECT_EQ(field("AGE")->GetAsInteger(), 3);
    PressKey(lc, Qt::Key_Up);
    EXPECT_EQ(field("AGE")->GetAsInteger(), 2);
    EXPECT_EQ(lc->Rows().size(), 3u);
    EXPECT_EQ(lc->Rows()[0].Texts, (QStringList{QStringLiteral("Бухгалтер"), QStringLiteral("1")}));
    EXPECT_TRUE(lc->GetListActive());
    EXPECT_EQ(lc->GetListFields().size(), 2u);
    EXPECT_EQ(lc->GetKeyFieldObject(), list.FieldByName(QStringLiteral("ID")));
    lc->SetListFieldIndex(1); // the second list field is the shown one
    EXPECT_EQ(lc->GetText(), QStringLiteral("2"));
    // the list box form of the same: a click on a row chooses it
    lc->SetListFieldIndex(0);
    auto* lb = form->Add<TDBLookupListBox>(200, 150, 150, 0);
    lb->SetListSource(&listSrc);
    lb->SetKeyField(QStringLiteral("ID"));
    lb->SetListField(QStringLiteral("TITLE"));
    lb->SetDataSource(src);
    lb->SetDataField(QStringLiteral("AGE"));
    lb->SetRowCount(3);
    EXPECT_EQ(lb->GetClientHeight(), 3 * lb->RowHeight());
    Click(lb, 5, lb->RowHeight() * 2 + 2);
    EXPECT_EQ(field("AGE")->GetAsInteger(), 3);
    EXPECT_EQ(lb->GetText(), QStringLiteral("Інспектор"));
    EXPECT_EQ(lc->GetText(), QStringLiteral("Інспектор")); // the other control follows
    EXPECT_EQ(lb->RowAt(lb->RowHeight() * 5), -1);
    delete lb;
    list.Close();
    EXPECT_FALSE(lc->GetListActive());
    EXPECT_TRUE(lc->GetListFields().empty());
    delete lc;
}

TEST_F(DBCtrlsTest, EveryControlAnswersItsLinkAndLetsGoOfAFreedSource) {
    auto* text = new TDBText(form);
    text->SetParent(form);
    auto* memo = form->Add<TDBMemo>(10, 150, 150, 60);
    auto* group = form->Add<TDBRadioGroup>(200, 100, 150, 90);
    auto* lookup = form->Add<TDBLookupComboBox>(10, 220, 150, 22);
    struct Bound {
        TControl* Control;
        std::function<TDataSource*()> Source;
        std::function<TField*()> Field;
    };
    auto bind = [this](auto* C, const char* FieldName) {
        C->SetDataSource(src);
        C->SetDataField(QString::fromLatin1(FieldName));
        return Bound{C, [C] { return C->GetDataSource(); }, [C] { return C->GetField(); }};
    };
    const Bound bound[] = {bind(name, "NAME"),   bind(active, "ACTIVE"), bind(status, "STATUS"),
                           bind(photo, "PHOTO"), bind(text, "AGE"),      bind(memo, "NOTE"),
                           bind(group, "SEX"),   bind(lookup, "AGE")};
    for (const Bound& b : bound) {
        auto* link = reinterpret_cast<TDataLink*>(b.Control->Perform(CM_GETDATALINK));
        ASSERT_NE(link, nullptr) << b.Control->ClassName().toStdString();
        EXPECT_EQ(link->GetDataSource(), src);
        EXPECT_NE(b.Field(), nullptr);
    }
    delete src;
    src = nullptr;
    for (const Bound& b : bound) {
        EXPECT_EQ(b.Source(), nullptr) << b.Control->ClassName().toStdString();
        EXPECT_EQ(b.Field(), nullptr);
    }
    ds->Next(); // nothing is bound any more
}

TEST_F(DBCtrlsTest, DatasetActionsFollowTheFocusedControlOnIdle) {
    auto* list = new TActionList(form);
    auto* next = new TDataSetNext(form);
    auto* prior = new TDataSetPrior(form);
    auto* post = new TDataSetPost(form);
    for (TDataSetAction* a : std::initializer_list<TDataSetAction*>{next, prior, post})
        a->SetActionList(list);
    auto* plain = form->Add<TEdit>(10, 250, 60, 22);
    plain->SetFocus();
    Application->DoIdle();
    EXPECT_FALSE(next->GetEnabled()); // no data-aware control has the focus
    name->SetFocus();
    Application->DoIdle();
    EXPECT_TRUE(next->GetEnabled());
    EXPECT_FALSE(prior->GetEnabled()); // at the first record
    EXPECT_FALSE(post->GetEnabled());
    next->Execute();
    EXPECT_EQ(name->GetText(), QStringLiteral("Іваненко"));
    Application->DoIdle();
    EXPECT_TRUE(prior->GetEnabled());
    TypeText(name, QStringLiteral("a"));
    Application->DoIdle();
    EXPECT_TRUE(post->GetEnabled());
    post->Execute();
    EXPECT_EQ(ds->GetState(), dsBrowse);
    // with a DataSource of its own the action needs no focused control
    plain->SetFocus();
    prior->SetDataSource(src);
    Application->DoIdle();
    EXPECT_TRUE(prior->GetEnabled());
}

} // namespace
