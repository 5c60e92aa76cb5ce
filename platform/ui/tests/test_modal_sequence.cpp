// Modal forms one after another over a shown form: the second one's loop must not be caught
// in the activation going back and forth between the blocked form and the modal one.
#include "StdCtrls.h"
#include "StdTestSupport.h"

#include <QGuiApplication>
#include <QTimer>
#include <QWindow>

namespace {

class ModalSequenceTest : public FormTest {};

TEST_F(ModalSequenceTest, TwoModalFormsInARowEachEndTheirLoop) {
    auto* edit = form->Add<TEdit>(10, 10, 100, 21);
    edit->SetFocus();
    for (int i = 0; i < 2; ++i) {
        std::unique_ptr<TForm> dlg(CreateNewForm<TForm>(nullptr));
        auto* inner = new TEdit(dlg.get());
        inner->SetParent(dlg.get());
        // answers on every turn of the loop once it runs (showing may reset the result)
        QTimer answer;
        answer.setInterval(0);
        QObject::connect(&answer, &QTimer::timeout, [&dlg] {
            if (dlg->GetFormState().Contains(fsModal)) dlg->SetModalResult(mrOk);
        });
        answer.start();
        EXPECT_EQ(dlg->ShowModal(), mrOk) << i;
    }
    EXPECT_EQ(form->GetActiveControl(), edit);
}

// Qt forgets a modal window as it hides only while it is still modal; one left registered
// blocks every other window, which then never gets the keyboard back.
TEST_F(ModalSequenceTest, AFinishedModalFormBlocksNoOtherWindow) {
    std::unique_ptr<TForm> dlg(CreateNewForm<TForm>(nullptr));
    QTimer answer;
    answer.setInterval(0);
    QObject::connect(&answer, &QTimer::timeout, [&dlg] {
        if (dlg->GetFormState().Contains(fsModal)) dlg->SetModalResult(mrCancel);
    });
    answer.start();
    ASSERT_EQ(dlg->ShowModal(), mrCancel);
    answer.stop();
    EXPECT_EQ(QGuiApplication::modalWindow(), nullptr);
}

} // namespace
