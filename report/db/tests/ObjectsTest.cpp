// The database, dialog and shape objects on their own: template bytes and their revisions,
// the controls' property rules, damaged parameter and field blocks, and shapes in pixels.
#include "ComCtrls.h"
#include "FR_DCtrl.h"
#include "FR_IBDB.h"
#include "FR_IBQuery.h"
#include "FR_Shape.h"
#include "IBDatabase.h"
#include "IBQuery.h"
#include "ReportDbFixture.h"
#include "StdCtrls.h"

#include "Dates.h"
#include "Graphics.h"

#include <cmath>
#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace {

class ObjectsTest : public ReportDbTest {
protected:
    // The body a view writes.
    static QByteArray body(TfrView* V) {
        TMemoryStream s;
        V->SaveToStream(&s);
        return QByteArray(static_cast<const char*>(s.GetMemory()), int(s.GetSize()));
    }
    // A new view of the class of V read from bytes.
    static std::unique_ptr<TfrView> read(TfrView* V, const QByteArray& Bytes) {
        std::unique_ptr<TfrView> v(frCreateObject(gtAddIn, V->ClassName()));
        TMemoryStream s;
        s.Write(Bytes.constData(), Bytes.size());
        s.SetPosition(0);
        v->LoadFromStream(&s);
        return v;
    }
    // Where the revision bytes of a view's body lie: after its name.
    static int revisionAt(TfrView* V) { return 2 + int(frToAnsi(V->Name).size()) + 1; }
};

TEST_F(ObjectsTest, EveryObjectSavesLoadsAndSavesAgainByteForByte) {
    const std::vector<std::pair<QString, std::function<void(TfrView*)>>> cases = {
        {u"TfrLabelControl"_s,
         [](TfrView* v) {
             v->SetPropValue(u"AutoSize"_s, Variant(false));
             v->SetPropValue(u"Caption"_s, Variant(u"Прізвище:"_s));
             v->SetPropValue(u"Alignment"_s, Variant(2));
             v->SetPropValue(u"WordWrap"_s, Variant(true));
             v->SetPropValue(u"Font.Style"_s, Variant(2));
         }},
        {u"TfrEditControl"_s,
         [](TfrView* v) {
             v->SetPropValue(u"Text"_s, Variant(u"Ґудзь"_s));
             v->SetPropValue(u"ReadOnly"_s, Variant(true));
             v->SetPropValue(u"Color"_s, Variant(int(clYellow)));
         }},
        {u"TfrMemoControl"_s,
         [](TfrView* v) {
             v->SetPropValue(u"Text"_s, Variant(u"рядок 1\r\nрядок 2"_s));
             v->SetPropValue(u"Enabled"_s, Variant(false));
         }},
        {u"TfrButtonControl"_s,
         [](TfrView* v) {
             v->SetPropValue(u"Caption"_s, Variant(u"Гаразд"_s));
             v->SetPropValue(u"ModalResult"_s, Variant(1));
         }},
        {u"TfrCheckBoxControl"_s,
         [](TfrView* v) {
             v->SetPropValue(u"Checked"_s, Variant(true));
             v->SetPropValue(u"Alignment"_s, Variant(0));
         }},
        {u"TfrRadioButtonControl"_s,
         [](TfrView* v) { v->SetPropValue(u"Caption"_s, Variant(u"Жінки"_s)); }},
        {u"TfrListBoxControl"_s,
         [](TfrView* v) {
             v->DoMethod(u"Items.Add"_s, Variant(u"'один'"_s), Null(), Null());
             v->DoMethod(u"Items.Add"_s, Variant(u"'два'"_s), Null(), Null());
         }},
        {u"TfrComboBoxControl"_s,
         [](TfrView* v) {
             v->DoMethod(u"Items.Add"_s, Variant(u"'Київ;10'"_s), Null(), Null());
             v->SetPropValue(u"Style"_s, Variant(3));
         }},
        {u"TfrDateEditControl"_s, [](TfrView* v) { v->SetPropValue(u"DateFormat"_s, Variant(1)); }},
        {u"TfrDBLookupControl"_s,
         [](TfrView* v) {
             v->SetPropValue(u"KeyField"_s, Variant(u"ID"_s));
             v->SetPropValue(u"ListField"_s, Variant(u"NAME"_s));
         }},
        {u"TfrIBDatabase"_s,
         [](TfrView* v) {
             v->SetPropValue(u"DatabaseName"_s, Variant(u"/tmp/кадри.fdb"_s));
             v->SetPropValue(u"Params"_s, Variant(u"user_name=SYSDBA\r\nlc_ctype=WIN1251"_s));
             v->SetPropValue(u"SQLDialect"_s, Variant(1));
         }},
        {u"TfrIBTable"_s,
         [](TfrView* v) {
             v->SetPropValue(u"TableName"_s, Variant(u"STAFF"_s));
             v->SetPropValue(u"Filter"_s, Variant(u"OKLAD > 100"_s));
             v->SetPropValue(u"IndexFieldNames"_s, Variant(u"NAME"_s));
             v->SetPropValue(u"DataBase"_s, Variant(u"NoSuchDatabase"_s));
         }},
        {u"TfrIBQuery"_s,
         [](TfrView* v) {
             auto* q = static_cast<TfrIBQuery*>(v);
             q->SetSQL(u"select * from STAFF where HIRED >= :D and NAME <> :N"_s);
             q->SetParamType(u"D"_s, ftDate);
             q->SetParamExpression(u"D"_s, u"[DFROM]"_s);
             q->SetParamType(u"N"_s, ftString);
         }},
        {u"TfrShapeView"_s,
         [](TfrView* v) {
             v->SetPropValue(u"Shape"_s, Variant(3));
             v->FillColor = clAqua;
         }},
    };
    for (const auto& [cls, setUp] : cases) {
        SCOPED_TRACE(cls.toStdString());
        std::unique_ptr<TfrView> v(frCreateObject(gtAddIn, cls));
        ASSERT_TRUE(v);
        v->Name = u"Об'єкт1"_s;
        v->SetBounds(8, 16, 120, 24);
        setUp(v.get());
        const QByteArray first = body(v.get());
        auto again = read(v.get(), first);
        EXPECT_EQ(body(again.get()), first);
    }
}

TEST_F(ObjectsTest, ComboBoxStylesReadByTheirRevision) {
    // Stored revision and style byte (none for 1.0) -> the style it loads with.
    const struct {
        uint8_t major, minor;
        int stored; // -1: no byte
        int style;
    } cases[] = {
        {1, 1, 1, frcsDropDownList}, {1, 1, 2, frcsLookup},    {2, 1, 2, frcsDropDownList},
        {2, 1, 3, frcsLookup},       {1, 0, -1, frcsDropDown}, {1, 1, 0, frcsDropDown},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.major) << "." << int(c.minor) << " " << c.stored);
        auto combo = std::make_unique<TfrComboBoxControl>();
        combo->Name = u"C1"_s;
        QByteArray b = body(combo.get());
        const int at = revisionAt(combo.get());
        EXPECT_EQ(int(b[at]), 2);
        EXPECT_EQ(int(b[at + 1]), 1) << "combo boxes are written with revision 2.1";
        b[at] = char(c.major);
        b[at + 1] = char(c.minor);
        // Views below revision 2 have no band alignment byte, the last of the common body.
        if (c.major < 2) {
            TfrView common;
            common.Name = combo->Name;
            b.remove(int(body(&common).size()) - 1, 1);
        }
        if (c.stored < 0)
            b.chop(1);
        else
            b[b.size() - 1] = char(c.stored);
        auto loaded = read(combo.get(), b);
        EXPECT_EQ(loaded->GetPropValue(u"Style"_s).AsInteger(), c.style);
    }
}

TEST_F(ObjectsTest, ADatabaseObjectOfRevisionTwoHasNoDialectAndTakesTheDefault) {
    TfrIBDatabase db;
    db.Name = u"Db1"_s;
    db.SetPropValue(u"DatabaseName"_s, Variant(u"kadry.fdb"_s));
    db.SetPropValue(u"SQLDialect"_s, Variant(1));
    QByteArray b = body(&db);
    const int at = revisionAt(&db);
    EXPECT_EQ(int(b[at + 1]), 1) << "database objects are written with revision 2.1";
    // Revision 2.0: the four dialect bytes after the name and the login flag are not there.
    b[at + 1] = 0;
    const int dialectAt = int(b.size()) - 1 - 3 - 4; // ... dialect, empty params (3), connected
    b.remove(dialectAt, 4);
    auto loaded = read(&db, b);
    EXPECT_EQ(VarToStr(loaded->GetPropValue(u"DatabaseName"_s)), u"kadry.fdb"_s);
    EXPECT_EQ(loaded->GetPropValue(u"SQLDialect"_s).AsInteger(), 3);
    EXPECT_FALSE(loaded->GetPropValue(u"Connected"_s).AsBoolean());
}

TEST_F(ObjectsTest, ParameterAndFieldBlocksNeverReachPastWhatTheQueryHas) {
    TfrIBQuery q;
    q.Name = u"Q1"_s;
    q.SetSQL(u"select * from STAFF where HIRED >= :D"_s);
    q.SetParamType(u"D"_s, ftBlob); // outside the table of stored types
    QByteArray b = body(&q);
    // The block ends: count 1, type 11, flag 0, empty expression (3 bytes).
    ASSERT_EQ(b.right(9), bytes({1, 0, 11, 0, 0, 0, 0, 0, 0}));
    // Damage it: three entries for one parameter, type indexes 12 and 5, expressions.
    b.chop(9);
    b += bytes({3, 0, 12, 0, 1, 0, 1, 0, 'X', 0});
    b += bytes({5, 0, 1, 0, 1, 0, 'Y', 0});
    b += bytes({5, 0, 1, 0, 1, 0, 'Z', 0});
    // And a field of type 40 before it in the fields list (which was empty).
    const int fieldsAt = int(b.size()) - 26 - 2;
    ASSERT_EQ(b.mid(fieldsAt, 2), bytes({0, 0}));
    b.replace(fieldsAt, 2, bytes({1, 0, 40, 1, 0, 'F', 0, 0, 10, 0}));
    std::unique_ptr<TfrView> v;
    ASSERT_NO_THROW(v = read(&q, b));
    auto* loaded = static_cast<TfrIBQuery*>(v.get());
    ASSERT_EQ(loaded->GetQuery()->GetParamCount(), 1);
    EXPECT_TRUE(loaded->IsExpressionParam(u"D"_s));
    EXPECT_EQ(loaded->GetParamExpression(u"D"_s), u"X"_s);
    EXPECT_EQ(loaded->GetQuery()->GetFieldDefs()->Count(), 0);
    EXPECT_EQ(frParamTypeIndex(loaded->GetQuery()->ParamByName(u"D"_s)->GetDataType()), 11);
}

TEST_F(ObjectsTest, ParameterTextsConvertInOurOwnCode) {
    // Type, text -> the value the server gets (as text of its variant), or "error".
    const struct {
        TFieldType type;
        QString text, value;
    } cases[] = {
        {ftDate, u"15.07.2005"_s, u"15.07.2005"_s},
        {ftDate, u"01.01.00"_s, u"01.01.2000"_s},
        {ftDate, u"3.2.49"_s, u"03.02.2049"_s},
        {ftDate, u"3.2.50"_s, u"03.02.1950"_s},
        {ftDate, u"01.01.1925 13:30:00"_s, u"01.01.1925"_s},
        {ftDate, u"31.02.2020"_s, u"error"_s},
        {ftDateTime, u"15.07.2005 08:30"_s, u"15.07.2005 08:30:00"_s},
        {ftTime, u"08:15"_s, u"08:15:00"_s},
        {ftTime, u"25:00"_s, u"error"_s},
        {ftCurrency, u"5200,50"_s, u"5200,5"_s},
        {ftFloat, u"5200.25"_s, u"5200,25"_s},
        {ftFloat, u"1 234,5"_s, u"1234,5"_s},
        {ftInteger, u"42"_s, u"42"_s},
        {ftInteger, u"4,5"_s, u"error"_s},
        {ftSmallint, u"abc"_s, u"error"_s},
        {ftBoolean, u"True"_s, u"True"_s},
        {ftBoolean, u"0"_s, u"False"_s},
        {ftString, u"O'Brien'; drop table STAFF"_s, u"O'Brien'; drop table STAFF"_s},
        {ftInteger, u""_s, u"null"_s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        TParams params;
        TParam* p = params.CreateParam(c.type, u"P"_s, ptInput);
        QString got;
        try {
            frSetParamText(p, c.text);
            got = p->IsNull() ? u"null"_s : VarToStr(p->GetValue());
        } catch (const EConvertError&) {
            got = u"error"_s;
        }
        EXPECT_EQ(got, c.value);
    }
}

TEST_F(ObjectsTest, ControlsFollowTheirPropertyRules) {
    // A button given ModalResult 2 is the Cancel button and not the Default one.
    TfrButtonControl button;
    button.SetPropValue(u"ModalResult"_s, Variant(2));
    EXPECT_TRUE(button.GetPropValue(u"Cancel"_s).AsBoolean());
    EXPECT_FALSE(button.GetPropValue(u"Default"_s).AsBoolean());
    button.SetPropValue(u"ModalResult"_s, Variant(1));
    EXPECT_FALSE(button.GetPropValue(u"Cancel"_s).AsBoolean());
    EXPECT_TRUE(button.GetPropValue(u"Default"_s).AsBoolean());

    // A lookup combo box gives the value after ";", without the blanks; an item without ";"
    // gives itself.
    TfrComboBoxControl combo;
    combo.DoMethod(u"ITEMS.ADD"_s, Variant(u"'Київ;  10'"_s), Null(), Null());
    combo.DoMethod(u"ITEMS.ADD"_s, Variant(u"'Львів'"_s), Null(), Null());
    combo.SetPropValue(u"Style"_s, Variant(3));
    combo.SetPropValue(u"ItemIndex"_s, Variant(0));
    EXPECT_EQ(VarToStr(combo.GetPropValue(u"Text"_s)), u"10"_s);
    combo.SetPropValue(u"ItemIndex"_s, Variant(1));
    EXPECT_EQ(VarToStr(combo.GetPropValue(u"Text"_s)), u"Львів"_s);
    EXPECT_EQ(combo.GetPropValue(u"Items.Count"_s).AsInteger(), 2);

    // A date edit gives the day without its time, also before 1900.
    TfrDateEditControl date;
    for (TDateTime d : {EncodeDate(2024, 2, 29) + 0.75, -700.25}) {
        date.GetPicker()->SetDate(d);
        const TDateTime got = date.GetPropValue(u"Date"_s).AsDate();
        EXPECT_EQ(got, std::trunc(d));
    }

    // A click while no report runs does nothing, whatever the script.
    TfrEditControl edit;
    edit.Script.SetText(u"CLICKED := 'так'"_s);
    frGlobals().ReportRunning = false;
    edit.GetControl()->Click();
    EXPECT_TRUE(frVariables().GetVariable(u"CLICKED"_s).IsNull());
    frGlobals().ReportRunning = true;
    edit.GetControl()->Click();
    EXPECT_EQ(VarToStr(frVariables().GetVariable(u"CLICKED"_s)), u"так"_s);
    frGlobals().ReportRunning = false;

    // Renaming a non-visual object renames its component.
    TfrIBDatabase db;
    db.SetPropValue(u"Name"_s, Variant(u"Kadry"_s));
    EXPECT_EQ(db.GetDatabase()->GetName(), u"Kadry"_s);
    TfrNonVisualControl& nv = db;
    EXPECT_EQ(nv.Width, 28);
}

class ShapeTest : public ObjectsTest {
protected:
    std::unique_ptr<TBitmap> draw(uint8_t Kind, int32_t Fill) {
        auto b = std::make_unique<TBitmap>(80, 60);
        b->GetCanvas()->FillSolid(TRect{0, 0, 80, 60}, clWhite);
        TfrShapeView s;
        s.SetBounds(10, 10, 40, 30);
        s.SetPropValue(u"Shape"_s, Variant(int(Kind)));
        s.FillColor = Fill;
        s.FrameColor = clBlack;
        s.Draw(b->GetCanvas());
        EXPECT_EQ(s.Left, 10);
        return b;
    }
    static TColor pixel(TBitmap* B, int X, int Y) {
        return QColorToColor(QColor(B->GetImage().pixel(X, Y)));
    }
};

TEST_F(ShapeTest, FiguresCoverTheirInsidesAndLeaveTheirOutsides) {
    // Kind, a point inside the figure, a point of the view outside it.
    const struct {
        uint8_t kind;
        int inX, inY, outX, outY;
    } cases[] = {
        {skRectangle, 12, 38, 55, 25},
        {skRoundRectangle, 30, 25, 10, 10},
        {skEllipse, 30, 25, 12, 12},
        {skTriangle, 30, 36, 13, 13},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.kind));
        auto filled = draw(c.kind, clRed);
        EXPECT_EQ(pixel(filled.get(), c.inX, c.inY), clRed);
        EXPECT_EQ(pixel(filled.get(), c.outX, c.outY), clWhite);
        auto hollow = draw(c.kind, clNone);
        EXPECT_EQ(pixel(hollow.get(), c.inX, c.inY), clWhite) << "no fill: outlines only";
    }
    // The triangle's apex is at the middle of the top edge.
    auto t = draw(skTriangle, clNone);
    EXPECT_EQ(pixel(t.get(), 30, 10), clBlack);
    EXPECT_EQ(pixel(t.get(), 20, 40), clBlack);
    // The diagonals.
    auto d1 = draw(skDiagonal1, clNone);
    EXPECT_EQ(pixel(d1.get(), 30, 25), clBlack);
    EXPECT_EQ(pixel(d1.get(), 15, 15), clWhite);
    auto d2 = draw(skDiagonal2, clNone);
    EXPECT_EQ(pixel(d2.get(), 15, 14), clBlack);
    EXPECT_EQ(pixel(d2.get(), 15, 35), clWhite);
    // A kind from a newer or damaged template draws no figure.
    auto none = draw(9, clRed);
    EXPECT_EQ(pixel(none.get(), 30, 25), clWhite);
    EXPECT_EQ(pixel(none.get(), 10, 10), clWhite);
}

} // namespace
