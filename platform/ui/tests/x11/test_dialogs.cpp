// The platform's own dialogs on the X server: captions a user reads and keys a user presses.
#include "Dialogs.h"
#include "X11FormTest.h"

#include <QAbstractButton>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>

namespace {

using DialogsOnX11 = X11FormTest;

// Runs Inside in the loop of the next modal dialog once it is active, then presses Keys there;
// a dialog the keys leave open is closed so that the test goes on.
void InNextDialog(std::function<void(QWidget*)> Inside, QString Keys) {
    QTimer::singleShot(0, [Inside, Keys] {
        QWidget* dlg = nullptr;
        ASSERT_TRUE(X11::WaitFor([&] {
            dlg = QApplication::activeModalWidget();
            return dlg && dlg->isActiveWindow();
        }));
        Inside(dlg);
        EXPECT_TRUE(X11::Key(Keys));
        if (!X11::WaitFor([dlg] { return !dlg->isVisible(); })) {
            ADD_FAILURE() << "the dialog stayed open";
            static_cast<QDialog*>(dlg)->done(-1);
        }
    });
}

TEST_F(DialogsOnX11, AMessageBoxSpeaksUkrainianAndAnswersAltLetters) {
    struct Row {
        const char* Keys;
        TModalResult Want;
    } rows[] = {{"alt+Cyrillic_en", mrNo}, {"alt+Cyrillic_te", mrYes}, {"Escape", mrCancel}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.Keys);
        QStringList captions;
        QString title;
        InNextDialog(
            [&](QWidget* box) {
                for (QAbstractButton* b : static_cast<QMessageBox*>(box)->buttons())
                    captions << b->text();
                title = box->windowTitle();
                X11::Screenshot(QStringLiteral("message-box"));
                X11::SetLayout(QStringLiteral("ua"));
            },
            QString::fromLatin1(r.Keys));
        TModalResult answer = MessageDlg(QStringLiteral("Зберегти зміни?"), mtConfirmation,
                                         TMsgDlgButtons{mbYes, mbNo, mbCancel}, 0);
        EXPECT_EQ(answer, r.Want);
        EXPECT_EQ(title, QStringLiteral("Підтвердження"));
        EXPECT_EQ(captions, (QStringList{QStringLiteral("&Так"), QStringLiteral("&Ні"),
                                         QStringLiteral("Скасувати")}));
    }
}

TEST_F(DialogsOnX11, ThePrintSetupDialogSpeaksUkrainian) {
    TPrinterSetupRequest request;
    request.Printers = QStringList{QStringLiteral("Кадри"), QStringLiteral("PDF")};
    request.Papers = QStringList{QStringLiteral("A4"), QStringLiteral("A5")};
    request.PrinterIndex = 0;
    request.PaperIndex = 0;
    QStringList texts;
    QString title;
    InNextDialog(
        [&](QWidget* dlg) {
            title = dlg->windowTitle();
            for (QLabel* l : dlg->findChildren<QLabel*>())
                texts << l->text();
            for (QAbstractButton* b : dlg->findChildren<QAbstractButton*>())
                texts << b->text();
            X11::Screenshot(QStringLiteral("print-setup"));
        },
        QStringLiteral("Escape"));
    EXPECT_FALSE(GetUserInteraction()->PrinterSetupDialog(request));
    EXPECT_EQ(title, QStringLiteral("Налаштування друку"));
    texts.sort();
    EXPECT_EQ(texts,
              (QStringList{QStringLiteral("&Альбомна"), QStringLiteral("&Джерело паперу:"),
                           QStringLiteral("&Книжкова"), QStringLiteral("&Принтер:"),
                           QStringLiteral("&Розмір:"), QStringLiteral("OK"),
                           QStringLiteral("Кі&лькість копій:"), QStringLiteral("Скасувати")}));
}

} // namespace
