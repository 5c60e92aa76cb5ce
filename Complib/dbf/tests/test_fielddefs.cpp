// Field definitions: the type mapping and the size rules.
#include "Dbf_Fields.h"

#include <gtest/gtest.h>

TEST(DbfFieldDefs, NativeNumericTypesMapBySizeAndFloatFlag) {
    struct Case {
        int size, prec;
        bool useFloat;
        TFieldType expected;
    };
    const Case cases[] = {
        {4, 0, true, ftSmallint}, {4, 0, false, ftSmallint},  {9, 0, false, ftInteger},
        {9, 0, true, ftFloat},    {10, 0, false, ftLargeint}, {10, 0, true, ftFloat},
        {10, 2, false, ftFloat},
    };
    for (const Case& c : cases) {
        TDbfFieldDefs defs;
        defs.UseFloatFields = c.useFloat;
        TDbfFieldDef* d = defs.Add();
        d->SetSize(c.size);
        d->SetPrecision(c.prec);
        d->SetNativeFieldType('N');
        EXPECT_EQ(d->GetFieldType(), c.expected) << c.size << "," << c.prec << "," << c.useFloat;
    }
}

TEST(DbfFieldDefs, SizesAreClampedToTheNativeType) {
    TDbfFieldDefs defs;
    TDbfFieldDef* c = defs.Add("NAME", ftString, 300);
    EXPECT_EQ(c->GetNativeFieldType(), 'C');
    EXPECT_EQ(c->GetSize(), 254);
    TDbfFieldDef* n = defs.Add();
    n->SetNativeFieldType('N');
    n->SetSize(5);
    n->SetPrecision(4);
    EXPECT_EQ(n->GetPrecision(), 3);
    n->SetSize(30);
    EXPECT_EQ(n->GetSize(), 20);
    TDbfFieldDef* m = defs.Add("NOTE", ftMemo, 3);
    EXPECT_EQ(m->GetSize(), 10);
    EXPECT_TRUE(m->IsBlob());
    TDbfFieldDef* unknown = defs.Add("X", ftGraphic, 5);
    EXPECT_EQ(unknown->GetFieldType(), ftUnknown);
    EXPECT_EQ(unknown->GetNativeFieldType(), 0);
}

TEST(DbfFieldDefs, IntegerAndDefaultSizesDependOnTheLevel) {
    TDbfFieldDefs iv;
    iv.DbfVersion = xBaseIV;
    TDbfFieldDef* a = iv.Add("A", ftInteger);
    EXPECT_EQ(a->GetNativeFieldType(), 'N');
    EXPECT_EQ(a->GetSize(), 9);
    TDbfFieldDefs vii;
    vii.DbfVersion = xBaseVII;
    TDbfFieldDef* b = vii.Add("B", ftInteger);
    EXPECT_EQ(b->GetNativeFieldType(), 'I');
    EXPECT_EQ(b->GetSize(), 4);
    TDbfFieldDef* f = iv.Add("F", ftFloat);
    EXPECT_EQ(f->GetSize(), 18);
    EXPECT_EQ(f->GetPrecision(), 9);
    TDbfFieldDef* cur = iv.Add("C", ftCurrency);
    EXPECT_EQ(cur->GetSize(), 16);
    EXPECT_EQ(cur->GetPrecision(), 2);
    EXPECT_EQ(iv.Add("S", ftSmallint)->GetSize(), 4);
    EXPECT_EQ(iv.Add("L", ftLargeint)->GetSize(), 18);
}
