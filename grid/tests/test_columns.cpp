// Columns: own values that count once assigned and otherwise follow the grid or the field,
// width limits, columns the grid made from fields, hiding, restoring and copying.
#include "GridTestSupport.h"

namespace {

using ColumnTest = StaffColumnsTest;

// Each look property follows its default until the column has an own value, and a form
// resource would keep only own values that differ from the default.
TEST_F(ColumnTest, UnassignedLookFollowsTheGridOrTheFieldAssignedLookStays) {
    TColumnEh* age = Column(2);
    struct Case {
        const char* what;
        std::function<void(int)> changeDefault; // 0, 1, 2: three distinct defaults
        std::function<int()> read;
        std::function<void()> assignDefaultValue; // the own value equal to the default
        std::function<bool()> stored;
    };
    const std::vector<Case> cases = {
        {"Color",
         [&](int i) {
             grid->SetColor(std::vector<TColor>{clWindow, clYellow, clAqua}[i]);
         },
         [&] { return int(age->GetColor()); }, [&] { age->SetColor(age->GetColor()); },
         [&] { return age->IsColorStored(); }},
        {"Font", [&](int i) { grid->GetFont()->SetSize(8 + i); },
         [&] { return age->GetFont()->GetSize(); },
         [&] {
             TFont same;
             same.Assign(age->GetFont());
             age->SetFont(&same);
         },
         [&] { return age->IsFontStored(); }},
        {"Alignment",
         [&](int i) {
             ds.FieldByName("AGE")->SetAlignment(
                 std::vector<TAlignment>{taRightJustify, taCenter, taLeftJustify}[i]);
         },
         [&] { return int(age->GetAlignment()); }, [&] { age->SetAlignment(age->GetAlignment()); },
         [&] { return age->IsAlignmentStored(); }},
        {"Width", [&](int i) { ds.FieldByName("AGE")->SetDisplayWidth(5 + 5 * i); },
         [&] { return age->GetWidth(); }, [&] { age->SetWidth(age->GetWidth()); },
         [&] { return age->IsWidthStored(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.changeDefault(0);
        const int first = c.read();
        c.changeDefault(1);
        const int second = c.read();
        EXPECT_NE(first, second); // it followed
        EXPECT_FALSE(c.stored());
        c.assignDefaultValue();
        c.changeDefault(2);
        const bool assigned = c.read() == second;
        if (std::string(c.what) == "Width") {
            // a width equal to the default is not taken as the column's own
            EXPECT_FALSE(assigned);
        } else {
            EXPECT_TRUE(assigned); // it stays
            EXPECT_TRUE(c.stored());
        }
        age->RestoreDefaults();
        EXPECT_NE(c.read(), second); // and follows again
    }
    // an own colour equal to the default is assigned, yet not worth storing
    age->SetColor(grid->GetColor());
    EXPECT_TRUE(age->GetAssignedValues().Contains(cvColor));
    EXPECT_FALSE(age->IsColorStored());
    // defaults from the field's type
    EXPECT_TRUE(Column(1)->GetWordWrap());
    EXPECT_FALSE(age->GetWordWrap());
    EXPECT_EQ(age->GetColumnType(), ctkCommon);
    grid->SetReadOnly(true);
    EXPECT_TRUE(age->GetReadOnly());
    grid->SetReadOnly(false);
    ds.FieldByName("AGE")->SetReadOnly(true);
    EXPECT_TRUE(age->GetReadOnly());
    EXPECT_FALSE(grid->GetTabStops(3));
}

TEST_F(ColumnTest, WidthLimitsHoldTheWidth) {
    TColumnEh* c = Column(1);
    struct Case {
        int minW, maxW, set, expect;
    };
    const Case cases[] = {
        {0, 100, 150, 100}, {30, 0, 10, 30}, {30, 100, 60, 60}, {0, 0, 60, 60}, {0, 0, -1, 60},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << k.minW << " " << k.maxW << " " << k.set);
        c->SetMinWidth(k.minW);
        c->SetMaxWidth(k.maxW);
        c->SetWidth(k.set);
        EXPECT_EQ(c->GetWidth(), k.expect);
        EXPECT_EQ(grid->GetColWidths(2), k.expect);
    }
    // a new limit brings the width inside it at once
    c->SetMaxWidth(40);
    EXPECT_EQ(c->GetWidth(), 40);
    c->SetMaxWidth(0);
    c->SetMinWidth(90);
    EXPECT_EQ(c->GetWidth(), 90);
    EXPECT_EQ(c->AllowedWidth(20), 90);
    // sizing with the mouse keeps the limits too
    grid->SetColWidths(2, 10);
    EXPECT_EQ(c->GetWidth(), 90);
}

TEST_F(ColumnTest, HidingAColumnLaysOutAllAndMovesTheCurrentColumnOff) {
    grid->SetSelectedIndex(1);
    Column(1)->SetVisible(false);
    EXPECT_EQ(grid->GetVisibleColumns()->Count(), 3);
    EXPECT_EQ(grid->GetColWidths(2), -1);
    EXPECT_EQ(grid->GetSelectedIndex(), 0);
    for (int i : {0, 2, 3})
        Column(i)->SetVisible(false);
    EXPECT_EQ(grid->GetVisibleColumns()->Count(), 0);
    Column(3)->SetVisible(true);
    EXPECT_EQ(grid->GetSelectedIndex(), 3);
}

TEST_F(ColumnTest, ColumnsTheGridMadeWriteToTheirFields) {
    grid->GetColumns()->Clear();
    ASSERT_FALSE(Column(2)->GetStored());
    TField* age = ds.FieldByName("AGE");
    Column(2)->SetAlignment(taCenter);
    EXPECT_EQ(age->GetAlignment(), taCenter);
    EXPECT_FALSE(Column(2)->GetAssignedValues().Contains(cvAlignment));
    Column(2)->SetReadOnly(true);
    EXPECT_TRUE(age->GetReadOnly());
    Column(2)->GetTitle()->SetCaption("Вік");
    EXPECT_EQ(age->GetDisplayLabel(), "Вік");
    EXPECT_EQ(Column(2)->GetTitle()->GetCaption(), "Вік");
    EXPECT_FALSE(Column(2)->GetAssignedValues().Contains(cvTitleCaption));
    // the width is kept as the field's display width in characters
    const int wide = Column(2)->GetWidth() * 2;
    Column(2)->SetWidth(wide);
    EXPECT_GT(age->GetDisplayWidth(), 11);
    // all of it survives a rebuild from the fields
    grid->SetFrozenCols(1);
    EXPECT_EQ(Column(2)->GetAlignment(), taCenter);
    EXPECT_EQ(Column(2)->GetTitle()->GetCaption(), "Вік");
    EXPECT_NEAR(Column(2)->GetWidth(), wide, 8);
    // a stored column right after the made ones replaces them all
    TColumnEh* own = grid->GetColumns()->Add();
    own->SetFieldName("SEX");
    EXPECT_EQ(ColumnNames(grid), QStringList({"SEX"}));
    EXPECT_TRUE(Column(0)->GetStored());
}

TEST_F(ColumnTest, RestoreDefaultsAndAssignCopyOnlyOwnValues) {
    TColumnEh* src = Column(1);
    src->SetColor(clYellow);
    src->GetTitle()->SetCaption("Прізвище");
    src->GetPickList()->SetText("а\nб");
    src->SetButtonStyle(cbsEllipsis);
    src->SetMinWidth(40);
    src->GetFooters()->Add()->SetValue("Всього");
    TColumnEh* dst = Column(3);
    dst->SetWidth(200);
    dst->Assign(src);
    EXPECT_EQ(dst->GetFieldName(), "FAMILY");
    EXPECT_EQ(dst->GetColor(), clYellow);
    EXPECT_FALSE(dst->GetAssignedValues().Contains(cvWidth)); // the source has no own width
    EXPECT_EQ(dst->GetWidth(), src->GetWidth());
    EXPECT_EQ(dst->GetTitle()->GetCaption(), "Прізвище");
    EXPECT_EQ(dst->GetPickList()->GetText(), "а\r\nб\r\n");
    EXPECT_EQ(dst->GetButtonStyle(), cbsEllipsis);
    EXPECT_EQ(dst->GetMinWidth(), 40);
    ASSERT_EQ(dst->GetFooters()->Count(), 1);
    EXPECT_EQ(dst->FooterForRow(0)->GetValue(), "Всього");
    EXPECT_EQ(dst->FooterForRow(1), dst->GetFooter());

    dst->RestoreDefaults();
    EXPECT_TRUE(dst->GetAssignedValues().Empty());
    EXPECT_FALSE(dst->HasPickList());
    EXPECT_EQ(dst->GetButtonStyle(), cbsAuto);
    EXPECT_EQ(dst->GetColor(), grid->GetColor());
    EXPECT_EQ(dst->GetTitle()->GetCaption(), "FAMILY");
}

} // namespace
