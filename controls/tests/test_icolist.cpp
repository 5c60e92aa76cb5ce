// Icon lists: the "Icons" stream with missing entries, change notification of icons edited in
// place, Put at the end, a damaged stream; the image chosen for the screen's colours; the
// clipboard icon format.
#include "Clipbrd.h"
#include "IcoList.h"
#include "Streams.h"
#include "UiTestSupport.h"

namespace {

std::unique_ptr<TIcon> solidIcon(int Size, QColor Color, int Bits = 32) {
    QImage img(Size, Size, QImage::Format_ARGB32);
    img.fill(Color);
    auto icon = std::make_unique<TIcon>();
    icon->AddImage(img, Bits);
    return icon;
}

TEST(IconList, StreamsMissingEntriesAndReadsThemBack) {
    TIconList list;
    auto a = solidIcon(16, Qt::red), c = solidIcon(32, Qt::blue);
    list.Add(a.get());
    list.Put(1, nullptr); // an empty icon at the end
    list.Add(c.get());
    ASSERT_EQ(list.Count(), 3);
    TMemoryStream s;
    list.SaveToStream(&s);
    QByteArray bytes = s.GetBytes();
    // count, then sizes n, 0, m with the icon files
    s.SetPosition(0);
    EXPECT_EQ(s.ReadInt32(), 3);
    int32_t n = s.ReadInt32();
    EXPECT_GT(n, 22);
    s.SetPosition(s.GetPosition() + n);
    EXPECT_EQ(s.ReadInt32(), 0);
    int32_t m = s.ReadInt32();
    EXPECT_EQ(int64_t(4 * 4) + n + m, int64_t(bytes.size()));

    TIconList back;
    int changes = 0;
    back.OnChange = [&](TObject*) { ++changes; };
    s.SetPosition(0);
    back.LoadFromStream(&s);
    EXPECT_EQ(changes, 1);
    ASSERT_EQ(back.Count(), 3);
    EXPECT_EQ(back[1], nullptr);
    EXPECT_EQ(back[0]->GetWidth(), 16);
    EXPECT_EQ(back[2]->GetWidth(), 32);
    EXPECT_EQ(back[2]->GetImage(0).pixelColor(5, 5), QColor(Qt::blue));

    // a damaged stream raises and keeps what the list held
    QByteArray cut = bytes.left(bytes.size() - 10);
    TMemoryStream bad;
    bad.SetBytes(cut);
    EXPECT_THROW(back.LoadFromStream(&bad), EStreamError);
    EXPECT_EQ(back.Count(), 3);
    TMemoryStream negative;
    negative.WriteInt32(1);
    negative.WriteInt32(-5);
    negative.SetPosition(0);
    EXPECT_THROW(back.LoadFromStream(&negative), EInvalidGraphic);
    EXPECT_EQ(back.Count(), 3);
}

TEST(IconList, ChangesOfIconsInPlaceReachTheOwner) {
    TIconList list;
    int changes = 0;
    list.OnChange = [&](TObject* S) {
        EXPECT_EQ(S, &list);
        ++changes;
    };
    auto a = solidIcon(16, Qt::green);
    list.Add(a.get());
    EXPECT_EQ(changes, 1);
    QImage extra(32, 32, QImage::Format_ARGB32);
    extra.fill(Qt::black);
    list[0]->AddImage(extra); // edited through the icon itself
    EXPECT_EQ(changes, 2);

    list.BeginUpdate();
    list.Add(a.get());
    list[1]->Clear();
    list.Exchange(0, 1);
    EXPECT_EQ(changes, 2);
    list.EndUpdate();
    EXPECT_EQ(changes, 3);

    // a deleted icon no longer tells the list
    TIcon* kept = list[1];
    EXPECT_EQ(list.IndexOf(kept), 1);
    list.Delete(0);
    EXPECT_EQ(changes, 4);
    EXPECT_THROW(list.Get(5), EListError);
    EXPECT_THROW(list.AddFromResource(QStringLiteral("NOSUCHICON")), EResNotFound);

    // a list copies another, icon by icon
    TIconList copy;
    copy.Assign(&list);
    ASSERT_EQ(copy.Count(), 1);
    EXPECT_NE(copy[0], list[0]);
    EXPECT_EQ(copy[0]->GetImageCount(), 2);
    EXPECT_TRUE(copy.DoWrite(nullptr));
    EXPECT_TRUE(copy.DoWrite(&list)); // other icon objects
    EXPECT_FALSE(list.DoWrite(&list));
    copy.Assign(nullptr);
    EXPECT_FALSE(copy.DoWrite(nullptr));
}

// An icon file with images of the given colour counts (the directory's count byte).
QByteArray iconFile(std::initializer_list<int> Bits) {
    TIcon icon;
    for (int b : Bits) {
        QImage img(16, 16, QImage::Format_ARGB32);
        img.fill(Qt::white);
        icon.AddImage(img, b);
    }
    TMemoryStream s;
    icon.SaveToStream(&s);
    return s.GetBytes();
}

TEST(IconList, ImageForTheScreen) {
    struct Case {
        std::initializer_list<int> Bits;
        int ScreenColors;
        int Want;
    };
    // 4 bits: 16 colours in the directory; 8 bits: 256, written as 0
    for (const Case& c : {Case{{4, 8}, 256, 0}, Case{{8, 4}, 256, 1}, Case{{4, 8, 32}, 0, 1},
                          Case{{32, 4}, 0, 0}, Case{{1, 4}, 16, 1}}) {
        EXPECT_EQ(ChooseIconImage(iconFile(c.Bits), c.ScreenColors), c.Want)
            << "screen " << c.ScreenColors;
    }
    auto two = std::make_unique<TIcon>();
    QImage small(16, 16, QImage::Format_ARGB32), big(32, 32, QImage::Format_ARGB32);
    small.fill(Qt::red);
    big.fill(Qt::blue);
    two->AddImage(small, 4);
    two->AddImage(big, 32);
    std::unique_ptr<TIcon> screen = CreateScreenIcon(two.get());
    ASSERT_EQ(screen->GetImageCount(), 1);
    EXPECT_EQ(IconExtent(screen.get()).cx, ScreenColorCount() == 0 ? 32 : 16);
    TIcon empty;
    EXPECT_EQ(IconExtent(&empty),
              (TSize{GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)}));
    EXPECT_THROW(RaiseOutOfResources(), EOutOfResources);
}

TEST(IconList, ClipboardIconPastesAsAnIcon) {
    auto icon = solidIcon(32, QColor(10, 200, 30));
    CopyIconToClipboard(icon.get());
    EXPECT_EQ(GetClipboardFormatName(CF_ICON()), QStringLiteral("Pellix Icon"));
    EXPECT_TRUE(Clipboard()->HasFormat(CF_ICON()));
    TPicture pic;
    Clipboard()->AssignTo(&pic);
    auto* pasted = dynamic_cast<TIcon*>(pic.GetGraphic());
    ASSERT_NE(pasted, nullptr);
    EXPECT_EQ(pasted->GetWidth(), 32);
    EXPECT_EQ(pasted->GetImage(0).pixelColor(3, 3), QColor(10, 200, 30));
}

} // namespace
