#include "Classes.h"
#include "Streams.h"
#include "TestSupport.h"

#include <functional>
#include <memory>

namespace {

QStringList items(const TStrings& s) {
    return s.ToStringList();
}

} // namespace

// ---- TList ------------------------------------------------------------------------------

TEST(TListTest, EditsKeepOrderAndNotify) {
    int a = 1, b = 2, c = 3, d = 4;
    TList list;
    list.Add(&a);
    list.Add(&b);
    list.Add(&c);
    list.Insert(0, &d); // d a b c
    EXPECT_EQ(list.GetCount(), 4);
    EXPECT_EQ(list.First(), &d);
    EXPECT_EQ(list.Last(), &c);
    list.Move(0, 3); // a b c d
    EXPECT_EQ(list.IndexOf(&d), 3);
    list.Exchange(0, 1); // b a c d
    EXPECT_EQ(list[0], &b);
    EXPECT_EQ(list.Remove(&c), 2); // b a d
    EXPECT_EQ(list.Remove(&c), -1);
    EXPECT_EQ(list.Extract(&a), &a); // b d
    EXPECT_EQ(list.Extract(&a), nullptr);
    list.Add(nullptr);
    list.Insert(1, nullptr);
    list.Pack(); // b d
    ASSERT_EQ(list.GetCount(), 2);
    list.Add(&a);
    list.Add(&c);
    list.Sort([](void* x, void* y) { return *static_cast<int*>(x) - *static_cast<int*>(y); });
    EXPECT_EQ(*list.Get<int>(0), 1);
    EXPECT_EQ(*list.Get<int>(3), 4);
    EXPECT_GE(list.GetCapacity(), list.GetCount());
}

TEST(TListTest, IndexErrorsCarryTheIndex) {
    int a = 0;
    TList list;
    list.Add(&a);
    list.Add(&a);
    struct Case {
        std::function<void()> op;
        QString message;
    } cases[] = {
        {[&] { list.GetItems(2); }, "List index out of bounds (2)"},
        {[&] { list.GetItems(-1); }, "List index out of bounds (-1)"},
        {[&] { list.Delete(5); }, "List index out of bounds (5)"},
        {[&] { list.Insert(3, &a); }, "List index out of bounds (3)"},
        {[&] { list.SetItems(7, &a); }, "List index out of bounds (7)"},
        {[&] { list.Exchange(0, 9); }, "List index out of bounds (9)"},
        {[&] { list.Move(0, 2); }, "List index out of bounds (2)"},
        {[&] { TList().First(); }, "List index out of bounds (0)"},
        {[&] { list.SetCapacity(1); }, "List capacity out of bounds (1)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MessageOf<EListError>(c.op), c.message);
    EXPECT_EQ(list.GetCount(), 2);
}

TEST(TListTest, ObjectListDeletesWhatItOwns) {
    // Run under AddressSanitizer: a leak or double delete fails the run.
    TObjectList owning;
    owning.Add(new TStringList);
    owning.Add(new TStringList);
    owning.Delete(0);
    TObject* kept = new TStringList;
    owning.Add(kept);
    EXPECT_EQ(owning.Extract(kept), kept);
    delete kept;
    TObjectList borrowing(false);
    TStringList local;
    borrowing.Add(&local);
    borrowing.Clear();
}

// ---- TStringList ------------------------------------------------------------------------

TEST(TStringListTest, SortedListsAndDuplicates) {
    struct Case {
        const char* name;
        TDuplicates dup;
        bool caseSensitive;
        QStringList added;
        QStringList expected;
    } cases[] = {
        {"ignore folds case", dupIgnore, false, {"b", "A", "a", "c"}, {"A", "b", "c"}},
        // An equal string goes before the ones already there.
        {"accept keeps all", dupAccept, false, {"b", "a", "B"}, {"a", "B", "b"}},
        {"case-sensitive", dupIgnore, true, {"b", "a", "B", "A"}, {"a", "A", "b", "B"}},
        {"cyrillic folds",
         dupIgnore,
         false,
         {"ґава", "Ґава", "Єва", "Іра"},
         {"ґава", "Єва", "Іра"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TStringList list;
        list.SetSorted(true);
        list.SetDuplicates(c.dup);
        list.SetCaseSensitive(c.caseSensitive);
        for (const QString& s : c.added)
            list.Add(s);
        EXPECT_EQ(items(list), c.expected);
    }

    TStringList list;
    list.SetSorted(true);
    list.SetDuplicates(dupError);
    list.Add("x");
    EXPECT_EQ(MessageOf<EStringListError>([&] { list.Add("X"); }),
              "String list does not allow duplicates");
    EXPECT_EQ(MessageOf<EStringListError>([&] { list.Insert(0, "a"); }),
              "Operation not allowed on sorted list");

    // dupIgnore gives back the index of the string already there.
    TStringList ign;
    ign.SetSorted(true);
    ign.Add("b");
    ign.Add("d");
    EXPECT_EQ(ign.Add("D"), 1);
}

TEST(TStringListTest, FindAndIndexOf) {
    TStringList list;
    list.SetStringList({"delta", "Alpha", "charlie", "Bravo"});
    int index = -1;
    EXPECT_TRUE(list.Find("CHARLIE", index));
    EXPECT_EQ(index, 2);
    EXPECT_FALSE(list.Find("echo", index));
    EXPECT_EQ(list.IndexOf("bravo"), 3);

    list.SetSorted(true); // Alpha Bravo charlie delta
    EXPECT_EQ(items(list), (QStringList{"Alpha", "Bravo", "charlie", "delta"}));
    EXPECT_TRUE(list.Find("BRAVO", index));
    EXPECT_EQ(index, 1);
    EXPECT_FALSE(list.Find("c", index));
    EXPECT_EQ(index, 2); // where "c" would go
    EXPECT_FALSE(list.Find("zulu", index));
    EXPECT_EQ(index, 4);
    EXPECT_EQ(list.IndexOf("DELTA"), 3);
    EXPECT_EQ(list.IndexOf("echo"), -1);

    // Switching to case-sensitive re-sorts (upper case first in the collation).
    TStringList cs;
    cs.SetSorted(true);
    cs.SetDuplicates(dupAccept);
    for (const char* s : {"b", "B", "a", "A"})
        cs.Add(s);
    cs.SetCaseSensitive(true);
    EXPECT_TRUE(cs.Find("B", index));
    EXPECT_EQ(cs[index], "B");
}

TEST(TStringListTest, NamesAndValues) {
    TStringList list;
    list.SetStringList({"Org=Київ", "Boss=Іванов", "plain", "Empty=", "Eq=a=b"});
    EXPECT_EQ(list.GetValues("boss"), "Іванов");
    EXPECT_EQ(list.GetValues("ORG"), "Київ");
    EXPECT_EQ(list.GetValues("plain"), "");
    EXPECT_EQ(list.GetValues("Eq"), "a=b");
    EXPECT_EQ(list.GetNames(0), "Org");
    EXPECT_EQ(list.GetNames(2), "");
    EXPECT_EQ(list.GetValueFromIndex(4), "a=b");
    EXPECT_EQ(list.GetValueFromIndex(2), "");
    EXPECT_EQ(list.IndexOfName("empty"), 3);

    list.SetValues("Boss", "Петренко");
    EXPECT_EQ(list[1], "Boss=Петренко");
    list.SetValues("New", "1");
    EXPECT_EQ(list[list.GetCount() - 1], "New=1");
    list.SetValues("org", ""); // deletes the line
    EXPECT_EQ(list.IndexOfName("Org"), -1);
    list.SetValueFromIndex(0, "Сидоренко");
    EXPECT_EQ(list[0], "Boss=Сидоренко");

    list.SetNameValueSeparator(u':');
    list.Add("key:value");
    EXPECT_EQ(list.GetValues("KEY"), "value");
}

TEST(TStringListTest, TextSplitsAndJoinsLines) {
    struct Case {
        QString text;
        QStringList lines;
    } cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\n", {"a"}},
        {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
        {"a\r\n\r\n", {"a", ""}},
        {"\r\n", {""}},
        {"a\n\rb", {"a", "", "b"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        TStringList list;
        list.SetText(c.text);
        EXPECT_EQ(items(list), c.lines);
    }
    TStringList list;
    list.SetStringList({"a", "", "b"});
    EXPECT_EQ(list.GetText(), "a\r\n\r\nb\r\n");
}

TEST(TStringListTest, CommaAndDelimitedText) {
    struct Out {
        QStringList lines;
        QString comma;
    } outs[] = {
        {{}, ""},
        {{""}, "\"\""},
        {{"a", "b"}, "a,b"},
        {{"a b", "c,d", "e\"f", "", "ж"}, "\"a b\",\"c,d\",\"e\"\"f\",,ж"},
    };
    for (const auto& o : outs) {
        TStringList list;
        list.SetStringList(o.lines);
        EXPECT_EQ(list.GetCommaText(), o.comma);
        TStringList back;
        back.SetCommaText(o.comma);
        EXPECT_EQ(items(back), o.lines) << o.comma.toStdString();
    }

    struct In {
        QString text;
        QStringList lines;
    } ins[] = {
        {"  a , b  ", {"a", "b"}}, {"a b,c", {"a", "b", "c"}},    {"a,", {"a", ""}},
        {"a,,b", {"a", "", "b"}},  {"\"x, y\" z", {"x, y", "z"}}, {"\"unclosed", {"unclosed"}},
        {"\"\"\"\"", {"\""}},
    };
    for (const auto& i : ins) {
        TStringList list;
        list.SetCommaText(i.text);
        EXPECT_EQ(items(list), i.lines) << i.text.toStdString();
    }

    TStringList strict;
    strict.SetDelimiter(u';');
    strict.SetStrictDelimiter(true);
    strict.SetDelimitedText(" a b ;c;");
    EXPECT_EQ(items(strict), (QStringList{" a b ", "c", ""}));
    strict.SetStringList({"a b", "c;d"});
    EXPECT_EQ(strict.GetDelimitedText(), "a b;\"c;d\"");
    TStringList loose;
    loose.SetDelimiter(u';');
    loose.SetQuoteChar(u'\'');
    loose.SetDelimitedText("a b;'c;d'");
    EXPECT_EQ(items(loose), (QStringList{"a", "b", "c;d"}));
}

TEST(TStringListTest, IndexErrorsAndObjects) {
    TStringList list;
    list.Add("a");
    struct Case {
        std::function<void()> op;
        QString message;
    } cases[] = {
        {[&] { list.Get(1); }, "List index out of bounds (1)"},
        {[&] { list.Delete(-1); }, "List index out of bounds (-1)"},
        {[&] { list.Put(3, "x"); }, "List index out of bounds (3)"},
        {[&] { list.Insert(2, "x"); }, "List index out of bounds (2)"},
        {[&] { list.GetObject(4); }, "List index out of bounds (4)"},
        {[&] { list.Exchange(0, 1); }, "List index out of bounds (1)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MessageOf<EStringListError>(c.op), c.message);

    TStringList owner(true);
    auto* obj = new TStringList;
    owner.AddObject("one", obj);
    owner.AddObject("two", new TStringList);
    EXPECT_EQ(owner.IndexOfObject(obj), 0);
    EXPECT_EQ(owner.GetObjects(0), obj);
    owner.Move(0, 1);
    EXPECT_EQ(owner.GetObjects(1), obj);
    owner.Delete(0); // deletes the second object; ASan checks the rest at the end
}

TEST(TStringListTest, UpdatesFireChangeEventsOnce) {
    TStringList list;
    QStringList log;
    list.OnChanging = [&](TObject* s) {
        EXPECT_EQ(s, &list);
        log << "changing";
    };
    list.OnChange = [&](TObject*) { log << "change"; };
    list.Add("a");
    EXPECT_EQ(log, (QStringList{"changing", "change"}));
    log.clear();
    list.BeginUpdate();
    list.Add("b");
    list.BeginUpdate();
    list.Delete(0);
    list.EndUpdate();
    list.Add("c");
    EXPECT_EQ(log, (QStringList{"changing"}));
    list.EndUpdate();
    EXPECT_EQ(log, (QStringList{"changing", "change"}));
    log.clear();
    list.SetText("x\r\ny");
    EXPECT_EQ(log, (QStringList{"changing", "change"}));
}

// An error in the middle of a bulk change still ends the update (the next change is announced)
// and leaves the comma-text settings as they were; an error from the change handler that runs
// when the update ends reaches the caller.
TEST(TStringListTest, BulkChangesEndTheirUpdateOnErrors) {
    struct Case {
        const char* name;
        std::function<void(TStringList&)> change;
    };
    const std::vector<Case> cases = {
        {"SetText", [](TStringList& l) { l.SetText("x\ny\nx"); }},
        {"AddStrings",
         [](TStringList& l) {
             l.AddStrings(QStringList{"y", "x"});
         }},
        {"SetCommaText", [](TStringList& l) { l.SetCommaText("x,y,x"); }},
        {"SetStringList",
         [](TStringList& l) {
             l.SetStringList({"x", "x"});
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TStringList list;
        list.SetSorted(true);
        list.SetDuplicates(dupError);
        list.SetDelimiter(u';');
        list.Add("x");
        int changes = 0;
        list.OnChange = [&](TObject*) { ++changes; };
        EXPECT_THROW(c.change(list), EStringListError);
        EXPECT_EQ(list.GetUpdateCount(), 0);
        EXPECT_EQ(list.GetDelimiter(), u';');
        changes = 0;
        list.Add("z");
        EXPECT_EQ(changes, 1);
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TStringList list;
        list.OnChange = [](TObject*) { throw EInvalidOperation(QStringLiteral("handler")); };
        EXPECT_EQ(MessageOf<EInvalidOperation>([&] { c.change(list); }), "handler");
        EXPECT_EQ(list.GetUpdateCount(), 0);
    }
}

TEST(TStringListTest, AssignSortAndStreams) {
    TStringList src;
    src.SetStringList({"ccc", "a", "bb"});
    src.SetDelimiter(u';');
    TStringList dst;
    dst.Add("old");
    dst.Assign(&src);
    EXPECT_EQ(items(dst), items(src));
    EXPECT_EQ(dst.GetDelimiter(), u';');
    EXPECT_TRUE(dst.Equals(&src));

    dst.CustomSort(
        [](TStringList* l, int i, int j) { return int(l->Get(i).size() - l->Get(j).size()); });
    EXPECT_EQ(items(dst), (QStringList{"a", "bb", "ccc"}));
    dst.SetStringList({"b", "C", "a"});
    dst.Sort();
    EXPECT_EQ(items(dst), (QStringList{"a", "b", "C"}));

    EXPECT_EQ(MessageOf<EConvertError>([&] { dst.Assign(nullptr); }),
              "Cannot assign a nil to a TStringList");
    TCollection coll(CollectionItemClass<TCollectionItem>());
    EXPECT_EQ(MessageOf<EConvertError>([&] { coll.Assign(&dst); }),
              "Cannot assign a TStringList to a TCollection");

    // Windows-1251 bytes by default, with CR LF after each line.
    TStringList text;
    text.SetStringList({"Привіт", "ok"});
    TMemoryStream ms;
    text.SaveToStream(&ms);
    EXPECT_EQ(ms.GetBytes(), QByteArray("\xCF\xF0\xE8\xE2\xB3\xF2\r\nok\r\n"));
    ms.SetPosition(0);
    TStringList back;
    back.LoadFromStream(&ms);
    EXPECT_EQ(items(back), items(text));
    TMemoryStream utf;
    text.SaveToStream(&utf, 65001);
    EXPECT_EQ(utf.GetBytes(), QString("Привіт\r\nok\r\n").toUtf8());
}

// ---- TBits ------------------------------------------------------------------------------

TEST(TBitsTest, GrowsAndFindsOpenBit) {
    TBits bits;
    EXPECT_EQ(bits.OpenBit(), 0);
    bits.SetBits(0, true);
    bits.SetBits(1, true);
    bits.SetBits(5, true);
    EXPECT_EQ(bits.GetSize(), 6);
    EXPECT_EQ(bits.OpenBit(), 2);
    EXPECT_TRUE(bits[5]);
    EXPECT_FALSE(bits[4]);
    bits.SetSize(2);
    EXPECT_EQ(bits.OpenBit(), 2);
    EXPECT_EQ(MessageOf<EBitsError>([&] { bits.GetBits(2); }), "Bits index out of range");
    EXPECT_EQ(MessageOf<EBitsError>([&] { bits.SetBits(-1, true); }), "Bits index out of range");
}

// ---- TComponent -------------------------------------------------------------------------

namespace {

// A component that logs its life and may hold a reference to another component, which it
// reads in its destructor (so a dangling reference shows under AddressSanitizer).
class TProbe : public TComponent {
    KADRION_CLASS(TProbe)
    TProbe(TComponent* owner, const QString& name, QStringList* log) : TComponent(owner), log(log) {
        SetName(name);
    }
    ~TProbe() override {
        if (Partner) *log << GetName() + " sees " + Partner->GetName();
        *log << "delete " + GetName();
    }
    void SetPartner(TComponent* c, bool freeNotify) {
        Partner = c;
        if (freeNotify) c->FreeNotification(this);
    }
    TComponent* Partner = nullptr;
    QStringList* log;
    QStringList states;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override {
        TComponent::Notification(AComponent, Operation);
        if (Operation == opRemove && AComponent == Partner) Partner = nullptr;
        if (AComponent != this)
            *log << GetName() + (Operation == opInsert ? " +" : " -") + AComponent->GetName();
    }
    void Loaded() override {
        states << (IsLoading() ? "loading" : "done");
        TComponent::Loaded();
        *log << "loaded " + GetName();
    }
};

} // namespace

TEST(TComponentTest, OwnerDeletesInReverseOrderAndTellsTheOthers) {
    QStringList log;
    auto* form = new TProbe(nullptr, "Form", &log);
    auto* a = new TProbe(form, "A", &log);
    auto* b = new TProbe(form, "B", &log);
    auto* c = new TProbe(form, "C", &log);
    // A refers to C (created after it): C goes first, so A must be told in time.
    a->SetPartner(c, false);
    b->SetPartner(a, false);
    EXPECT_EQ(form->GetComponentCount(), 3);
    EXPECT_EQ(c->GetComponentIndex(), 2);
    EXPECT_EQ(form->FindComponent("b"), b);
    EXPECT_EQ(form->FindComponent("nope"), nullptr);
    log.clear();
    FreeObject(form); // as an owner does: the components go while the form is whole
    // C first, and A hears of it before A itself goes; then B (A is still there); then A.
    QStringList deletes = log.filter("delete ");
    EXPECT_EQ(deletes, (QStringList{"delete C", "delete B", "delete A", "delete Form"}));
    EXPECT_TRUE(log.contains("A -C"));
    EXPECT_TRUE(log.contains("Form -C"));
    EXPECT_TRUE(log.contains("B sees A"));
    EXPECT_FALSE(log.contains("A sees C"));

    // A plain delete runs the form's own destructor first, then the same teardown.
    log.clear();
    auto* form2 = new TProbe(nullptr, "Form2", &log);
    auto* x = new TProbe(form2, "X", &log);
    auto* y = new TProbe(form2, "Y", &log);
    x->SetPartner(y, false);
    delete form2;
    EXPECT_EQ(log.filter("delete "), (QStringList{"delete Form2", "delete Y", "delete X"}));
    EXPECT_TRUE(log.contains("X -Y"));
    EXPECT_FALSE(log.contains("X sees Y"));
}

TEST(TComponentTest, ComponentsThatIgnoreSiblingNewsHearOnlyThroughFreeNotification) {
    // A quiet probe is told of its partner through FreeNotification only, as a field is.
    struct Quiet : TProbe {
        Quiet(TComponent* owner, const QString& name, QStringList* log) : TProbe(owner, name, log) {
            IgnoreSiblingNews();
        }
    };
    QStringList log;
    auto form = std::make_unique<TProbe>(nullptr, "Form", &log);
    auto* loud = new TProbe(form.get(), "Loud", &log);
    auto* quiet = new Quiet(form.get(), "Quiet", &log);
    auto* partner = new TProbe(form.get(), "Partner", &log);
    auto* stranger = new TProbe(form.get(), "Stranger", &log);
    quiet->SetPartner(partner, true);
    loud->SetPartner(partner, false);
    // (a component is inserted while it is still being made: before it has a name)
    EXPECT_EQ(log.filter("Loud +").size(), 3);
    EXPECT_EQ(log.filter("Quiet +").size(), 0);
    log.clear();
    delete stranger;
    delete partner;
    // The quiet one hears of its partner once, through FreeNotification, and of nothing else.
    EXPECT_EQ(log.filter(" -"),
              (QStringList{"Partner -Stranger", "Loud -Stranger", "Form -Stranger",
                           "Quiet -Partner", "Loud -Partner", "Form -Partner"}));
    EXPECT_EQ(quiet->Partner, nullptr);
    EXPECT_EQ(loud->Partner, nullptr);
    // With only quiet components left the owner tells nobody, and still frees them all.
    delete loud;
    log.clear();
    form.reset();
    EXPECT_EQ(log.filter("delete "), (QStringList{"delete Form", "delete Quiet"}));
}

TEST(TComponentTest, FreeNotificationAcrossOwners) {
    QStringList log;
    auto form1 = std::make_unique<TProbe>(nullptr, "Form1", &log);
    auto form2 = std::make_unique<TProbe>(nullptr, "Form2", &log);
    auto* source = new TProbe(form1.get(), "Source", &log);
    auto* user = new TProbe(form2.get(), "User", &log);
    auto* other = new TProbe(form2.get(), "Other", &log);
    user->SetPartner(source, true);
    other->SetPartner(source, true);
    other->RemoveFreeNotification(source);
    other->Partner = nullptr;
    log.clear();
    FreeAndNil(source);
    EXPECT_EQ(source, nullptr);
    EXPECT_EQ(user->Partner, nullptr);
    EXPECT_TRUE(log.contains("User -Source"));
    EXPECT_FALSE(log.contains("Other -Source"));
    EXPECT_EQ(form1->GetComponentCount(), 0);

    // The link works both ways: deleting the listener unhooks it from the source.
    auto* source2 = new TProbe(form1.get(), "Source2", &log);
    user->SetPartner(source2, true);
    delete user;
    log.clear();
    delete source2;
    EXPECT_FALSE(log.join('|').contains("User"));
}

TEST(TComponentTest, NamesInsertRemoveAndIndex) {
    QStringList log;
    TProbe form(nullptr, "Form", &log);
    auto* a = new TProbe(&form, "Edit1", &log);
    auto* b = new TProbe(&form, "Edit2", &log);
    EXPECT_EQ(MessageOf<EComponentError>([&] { b->SetName("EDIT1"); }),
              "A component named EDIT1 already exists");
    EXPECT_EQ(MessageOf<EComponentError>([&] { b->SetName("1st"); }),
              "'1st' is not a valid component name");
    b->SetName("edit2"); // only the case changes
    EXPECT_EQ(b->GetName(), "edit2");
    b->SetComponentIndex(0);
    EXPECT_EQ(form.GetComponents(0), b);
    EXPECT_EQ(MessageOf<EListError>([&] { form.GetComponents(2); }),
              "List index out of bounds (2)");

    TProbe other(nullptr, "Other", &log);
    log.clear();
    other.InsertComponent(a);
    EXPECT_EQ(a->GetOwner(), &other);
    EXPECT_EQ(form.GetComponentCount(), 1);
    EXPECT_TRUE(log.contains("Form -Edit1"));
    EXPECT_TRUE(log.contains("Other +Edit1"));
    other.RemoveComponent(a);
    EXPECT_EQ(a->GetOwner(), nullptr);
    delete a;

    form.SetDesigning(true);
    auto* c = new TProbe(&form, "Later", &log);
    EXPECT_TRUE(c->IsDesigning());
}

TEST(TComponentTest, DestroyingStateIsVisibleToOthers) {
    struct TWatcher : public TComponent {
        using TComponent::TComponent;
        bool sawDestroying = false;
        void Notification(TComponent* c, TOperation op) override {
            TComponent::Notification(c, op);
            if (op == opRemove && c != this) sawDestroying = c->IsDestroying();
        }
    };
    TWatcher watcher(nullptr);
    TComponent* target = new TComponent(nullptr);
    target->FreeNotification(&watcher);
    FreeObject(target);
    EXPECT_TRUE(watcher.sawDestroying);
}

TEST(TComponentTest, LoadingBracketCallsLoadedOnce) {
    QStringList log;
    TProbe form(nullptr, "Form", &log);
    auto* early = new TProbe(&form, "Early", &log);
    form.BeginLoading();
    form.BeginLoading(); // nested, e.g. from a base class constructor
    auto* panel = new TProbe(&form, "Panel", &log);
    auto* inner = new TProbe(panel, "Inner", &log);
    EXPECT_TRUE(early->IsLoading());
    EXPECT_TRUE(inner->IsLoading());
    EXPECT_TRUE(inner->GetComponentState().Contains(csReading));
    form.EndLoading();
    EXPECT_TRUE(panel->IsLoading());
    log.clear();
    form.EndLoading();
    EXPECT_EQ(log, (QStringList{"loaded Form", "loaded Early", "loaded Panel", "loaded Inner"}));
    EXPECT_EQ(panel->states, QStringList{"loading"});
    EXPECT_FALSE(inner->IsLoading());
    EXPECT_FALSE(inner->GetComponentState().Contains(csReading));
    form.EndLoading(); // unbalanced: nothing happens
    auto* after = new TProbe(&form, "After", &log);
    EXPECT_FALSE(after->IsLoading());
}

TEST(TComponentTest, ClassRegistryByName) {
    RegisterClass<TComponent>();
    TComponentFactory f = FindClass("tcomponent");
    TComponent owner(nullptr);
    TComponent* made = f(&owner);
    EXPECT_EQ(made->GetOwner(), &owner);
    EXPECT_EQ(made->ClassName(), "TComponent");
    EXPECT_TRUE(made->ClassNameIs("TCOMPONENT"));
    EXPECT_EQ(MessageOf<EClassNotFound>([] { FindClass("TNope"); }), "Class TNope not found");
    // Class names come from the objects' own classes, with or without the macro.
    QStringList log;
    TProbe probe(nullptr, "P", &log);
    EXPECT_EQ(probe.ClassName(), "TProbe");
    EXPECT_EQ(static_cast<TComponent&>(probe).ClassName(), "TProbe");
    struct TLocalThing : public TPersistent {};
    EXPECT_EQ(TLocalThing().ClassName(), "TLocalThing");
    EXPECT_EQ(TStringList().ClassName(), TStringList::StaticClassName());
    EXPECT_FALSE(GetClass("TNope"));
    UnRegisterClass("TComponent");
    EXPECT_FALSE(GetClass("TComponent"));
}

// ---- TCollection ------------------------------------------------------------------------

namespace {

class TBandItem : public TCollectionItem {
    KADRION_CLASS(TBandItem)
    explicit TBandItem(TCollection* c) : TCollectionItem(c) {}
    QString Caption;
    void Assign(TPersistent* Source) override {
        if (auto* s = dynamic_cast<TBandItem*>(Source)) {
            Caption = s->Caption;
            return;
        }
        TCollectionItem::Assign(Source);
    }
    QString GetDisplayName() const override {
        return Caption.isEmpty() ? TCollectionItem::GetDisplayName() : Caption;
    }
    void SetCaption(const QString& c) {
        Caption = c;
        Changed(false);
    }
};

class TBands : public TOwnedCollection {
public:
    TBands(TPersistent* owner, QStringList* log)
        : TOwnedCollection(owner, CollectionItemClass<TBandItem>()), log(log) {}
    ~TBands() override { log = nullptr; }
    void Update(TCollectionItem* Item) override {
        if (log) *log << (Item ? "update " + Item->GetDisplayName() : QString("update all"));
    }
    QStringList* log;
};

} // namespace

TEST(TCollectionTest, ItemsAddMoveDeleteAndUpdate) {
    QStringList log;
    TComponent owner(nullptr);
    TBands bands(&owner, &log);
    EXPECT_EQ(bands.GetOwner(), &owner);
    auto* a = static_cast<TBandItem*>(bands.Add());
    a->SetCaption("A");
    auto* b = static_cast<TBandItem*>(bands.Add());
    b->SetCaption("B");
    auto* first = static_cast<TBandItem*>(bands.Insert(0));
    first->SetCaption("First");
    EXPECT_EQ(bands.GetCount(), 3);
    EXPECT_EQ(bands.Item<TBandItem>(0), first);
    EXPECT_EQ(first->GetIndex(), 0);
    EXPECT_EQ(a->GetID(), 0);
    EXPECT_EQ(first->GetID(), 2);
    EXPECT_EQ(bands.FindItemID(1), b);
    EXPECT_EQ(first->GetCollection(), &bands);
    EXPECT_EQ(first->GetOwner(), &bands);
    EXPECT_EQ(log.last(), "update First");

    b->SetIndex(0); // B First A
    EXPECT_EQ(bands.Item<TBandItem>(0), b);
    EXPECT_EQ(bands.Item<TBandItem>(2), a);
    EXPECT_EQ(log.last(), "update all");
    EXPECT_EQ(MessageOf<EListError>([&] { b->SetIndex(3); }), "List index out of bounds (3)");
    EXPECT_EQ(MessageOf<EListError>([&] { bands.GetItems(3); }), "List index out of bounds (3)");

    log.clear();
    bands.BeginUpdate();
    bands.Delete(0);
    delete a; // an item deleted directly leaves its collection
    bands.Add();
    EXPECT_TRUE(log.isEmpty());
    bands.EndUpdate();
    EXPECT_EQ(log, QStringList{"update all"});
    EXPECT_EQ(bands.GetCount(), 2);
    EXPECT_EQ(bands.Item<TBandItem>(0), first);
    EXPECT_EQ(bands.GetItems(1)->GetDisplayName(), "TBandItem");

    // Moving an item to another collection.
    QStringList log2;
    TBands other(nullptr, &log2);
    first->SetCollection(&other);
    EXPECT_EQ(bands.GetCount(), 1);
    EXPECT_EQ(other.GetCount(), 1);
    EXPECT_EQ(first->GetIndex(), 0);
}

TEST(TCollectionTest, AssignCopiesItems) {
    QStringList log;
    TBands src(nullptr, &log);
    static_cast<TBandItem*>(src.Add())->Caption = "x";
    static_cast<TBandItem*>(src.Add())->Caption = "y";
    TBands dst(nullptr, &log);
    dst.Add();
    log.clear();
    dst.Assign(&src);
    ASSERT_EQ(dst.GetCount(), 2);
    EXPECT_EQ(dst.Item<TBandItem>(0)->Caption, "x");
    EXPECT_EQ(dst.Item<TBandItem>(1)->Caption, "y");
    EXPECT_NE(dst.GetItems(0), src.GetItems(0));
    EXPECT_EQ(log, QStringList{"update all"});
    dst.SetItems(0, src.GetItems(1));
    EXPECT_EQ(dst.Item<TBandItem>(0)->Caption, "y");
    dst.Clear();
    EXPECT_EQ(dst.GetCount(), 0);
}
