// The scripted user-interaction service and the clipboard's formats.
#include "Clipbrd.h"
#include "UiTestSupport.h"

namespace {

TEST(DialogsTest, QuestionsAreRecordedAndAnsweredInOrder) {
    ScriptedDialogs dialogs;
    dialogs.Script.Answer(IDNO);
    dialogs.Script.Answer(mrCancel);
    EXPECT_EQ(Application->MessageBox(QStringLiteral("В базах проводились зміни. Зберегти зміни?"),
                                      QStringLiteral("Повідомлення"), MB_YESNO | MB_ICONQUESTION),
              IDNO);
    EXPECT_EQ(MessageDlg(QStringLiteral("Delete record?"), mtConfirmation, mbOKCancel(), 0),
              mrCancel);
    // with the script used up the first button answers
    EXPECT_EQ(MessageDlg(QStringLiteral("Ok?"), mtWarning, TMsgDlgButtons{mbYes, mbNo}, 0), mrYes);
    ShowMessage(QStringLiteral("Готово"));

    const auto& a = dialogs.Script.Asked;
    ASSERT_EQ(a.size(), 4u);
    EXPECT_EQ(a[0].Caption, QStringLiteral("Повідомлення"));
    EXPECT_EQ(a[0].Buttons, (std::vector<TMsgDlgBtn>{mbYes, mbNo}));
    EXPECT_EQ(a[1].Caption, QStringLiteral("Підтвердження"));
    EXPECT_EQ(a[1].Text, QStringLiteral("Delete record?"));
    EXPECT_EQ(a[1].Buttons, (std::vector<TMsgDlgBtn>{mbOK, mbCancel}));
    EXPECT_EQ(a[2].Caption, QStringLiteral("Попередження"));
    EXPECT_EQ(a[3].Caption, QStringLiteral("Кадри"));
    EXPECT_EQ(a[3].Buttons, (std::vector<TMsgDlgBtn>{mbOK}));
}

TEST(DialogsTest, FileAndInputDialogsTakeScriptedAnswers) {
    ScriptedDialogs dialogs;
    TSaveDialog save(nullptr);
    save.SetFilter(QStringLiteral("Звіти (*.frp)|*.frp|Усі файли (*.*)|*.*"));
    save.SetDefaultExt(QStringLiteral("frp"));
    dialogs.Script.AnswerFile(QStringLiteral("/tmp/report"), 2);
    ASSERT_TRUE(save.Execute());
    EXPECT_EQ(save.GetFileName(), QStringLiteral("/tmp/report.frp"));
    EXPECT_EQ(save.GetFilterIndex(), 2);
    EXPECT_TRUE(dialogs.Script.Last().File.Save);

    dialogs.Script.AnswerCancel();
    TOpenDialog open(nullptr);
    EXPECT_FALSE(open.Execute());

    QString v = QStringLiteral("1");
    dialogs.Script.AnswerInput(QStringLiteral("2024"));
    EXPECT_TRUE(InputQuery(QStringLiteral("Рік"), QStringLiteral("Введіть рік"), v));
    EXPECT_EQ(v, QStringLiteral("2024"));
    EXPECT_EQ(InputBox(QStringLiteral("Рік"), QStringLiteral("?"), QStringLiteral("x")),
              QStringLiteral("x")); // nothing scripted: cancelled, default kept
}

TEST(ClipboardTest, NamedFormatsCarryBytesAndTextKeepsCyrillic) {
    uint16_t vcl = RegisterClipboardFormat(QStringLiteral("VCLDBIF"));
    uint16_t csv = RegisterClipboardFormat(QStringLiteral("Csv"));
    EXPECT_GE(vcl, 0xC000);
    EXPECT_NE(vcl, csv);
    EXPECT_EQ(RegisterClipboardFormat(QStringLiteral("vcldbif")), vcl);
    EXPECT_EQ(GetClipboardFormatName(csv), QStringLiteral("Csv"));

    TClipboard* cb = Clipboard();
    QByteArray bytes("\x01\x00\xFFrow", 6);
    cb->Open();
    cb->SetAsText(QStringLiteral("Прізвище;Ім'я"));
    cb->SetAsHandle(vcl, bytes);
    cb->SetAsHandle(csv, QByteArray("a;b\r\n"));
    cb->Close();
    EXPECT_TRUE(cb->HasFormat(vcl));
    EXPECT_TRUE(cb->HasFormat(CF_TEXT));
    EXPECT_EQ(cb->GetAsHandle(vcl), bytes);
    EXPECT_EQ(cb->GetAsHandle(csv), QByteArray("a;b\r\n"));
    EXPECT_EQ(cb->GetAsText(), QStringLiteral("Прізвище;Ім'я"));
    EXPECT_EQ(cb->GetAsHandle(CF_TEXT),
              QByteArray("\xCF\xF0\xB3\xE7\xE2\xE8\xF9\xE5;\xB2\xEC'\xFF"));

    // outside Open/Close each setting replaces the content
    cb->SetAsText(QStringLiteral("x"));
    EXPECT_FALSE(cb->HasFormat(vcl));
}

TEST(ClipboardTest, BitmapsGoThroughTheImageFormat) {
    TBitmap bmp(4, 3);
    bmp.GetCanvas()->GetBrush()->SetColor(clRed);
    bmp.GetCanvas()->FillRect(TRect{0, 0, 4, 3});
    Clipboard()->Assign(&bmp);
    EXPECT_TRUE(Clipboard()->HasFormat(CF_BITMAP));
    TBitmap back;
    Clipboard()->AssignTo(&back);
    EXPECT_EQ(back.GetWidth(), 4);
    EXPECT_EQ(back.GetHeight(), 3);
    EXPECT_EQ(back.GetCanvas()->GetPixels(1, 1), clRed);
}

} // namespace
