#include <functional>
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QTimer>

#include "Keepsift/shell/QtPlatformDialogs.hpp"
#include "Keepsift/views/DeleteConfirmation.hpp"
#include "WidgetSupport.hpp"

namespace keepsift::app {
namespace {

using namespace widgettest;

// A desktop whose dialogs order their buttons by `layout`, for as long as it lives.
class DesktopButtonOrder {
public:
    explicit DesktopButtonOrder(QDialogButtonBox::ButtonLayout layout)
        : previous_(QApplication::style()->name()) {
        QApplication::setStyle(new Style(layout));
    }
    ~DesktopButtonOrder() { QApplication::setStyle(QStyleFactory::create(previous_)); }

private:
    class Style : public QProxyStyle {
    public:
        explicit Style(int layout)
            : QProxyStyle(QStyleFactory::create("Fusion")), layout_(layout) {}
        int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                      QStyleHintReturn* answer) const override {
            if (hint == SH_DialogButtonLayout) return layout_;
            return QProxyStyle::styleHint(hint, option, widget, answer);
        }

    private:
        int layout_;
    };
    QString previous_;
};

// What a person sees of a question: its title, its headline, and whether the answer that goes
// ahead stands left of Cancel.
struct SeenQuestion {
    QString title;
    QString headline;
    bool confirmFirst = false;
};

SeenQuestion seen(const QMessageBox& box, const QAbstractButton& confirm,
                  const QAbstractButton& cancel) {
    return {box.windowTitle(), box.text(),
            confirm.mapTo(&box, QPoint()).x() < cancel.mapTo(&box, QPoint()).x()};
}

SeenQuestion reviewQuestion(const std::string& language = "de") {
    DeleteRequest request;
    request.photos.resize(3);
    DeleteConfirmation box(request, language, nullptr);
    box.show();
    settle();
    screenshot(box, "question-review-" + language);
    const SeenQuestion question = seen(box, *box.confirmButton(), *box.cancelButton());
    box.reject();
    return question;
}

// The platform layer asks on the GUI thread and waits in the dialog; the answer is no.
SeenQuestion platformQuestion(const std::string& language, const std::string& name,
                              const std::function<bool(QtPlatformDialogs&)>& ask) {
    QObject context;
    QtPlatformDialogs dialogs(&context, [language] { return language; });
    SeenQuestion question;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) return;
        look.stop();
        QAbstractButton* confirm = nullptr;
        QAbstractButton* cancel = nullptr;
        for (QAbstractButton* button : box->buttons())
            (box->buttonRole(button) == QMessageBox::RejectRole ? cancel : confirm) = button;
        screenshot(*box, "question-" + name + "-" + language);
        question = seen(*box, *confirm, *cancel);
        cancel->click();
    });
    look.start(0);
    EXPECT_FALSE(ask(dialogs));
    return question;
}

SeenQuestion trashQuestion(const std::string& language = "de") {
    return platformQuestion(language, "trash", [](QtPlatformDialogs& dialogs) {
        return dialogs.confirmDeletion(std::vector<PortAsset>(3));
    });
}

class QuestionLayout : public ::testing::TestWithParam<QDialogButtonBox::ButtonLayout> {};

// Both questions before a deletion have Delete and Cancel in the same places, where the
// desktop puts a dialog's answers, and show the whole question in their body.
TEST_P(QuestionLayout, BothDeleteQuestionsOrderTheirAnswersAlike) {
    DesktopButtonOrder desktop(GetParam());
    const SeenQuestion review = reviewQuestion();
    const SeenQuestion trash = trashQuestion();
    EXPECT_EQ(review.confirmFirst, trash.confirmFirst);
    // GNOME and macOS put the answer that goes ahead last; Windows and KDE first.
    const bool last =
        GetParam() == QDialogButtonBox::GnomeLayout || GetParam() == QDialogButtonBox::MacLayout;
    EXPECT_EQ(review.confirmFirst, !last);
    EXPECT_EQ(review.headline.toStdString(), "3 Fotos löschen?");
    EXPECT_EQ(trash.headline.toStdString(), "3 Fotos in den Papierkorb verschieben?");
    // A title bar may be cut by the window manager; the question is not in it.
    EXPECT_EQ(review.title.toStdString(), "Keepsift");
    EXPECT_EQ(trash.title.toStdString(), "Keepsift");
}

TEST(QuestionLayout, EnglishQuestionsAreWholeToo) {
    EXPECT_EQ(reviewQuestion("en").headline.toStdString(), "Delete 3 photos?");
    EXPECT_EQ(trashQuestion("en").headline.toStdString(), "Move 3 photos to the Trash?");
}

// The library-access question is asked the same way.
TEST(QuestionLayout, TheAccessQuestionKeepsItsHeadlineInTheBody) {
    for (const std::string language : {"en", "de"}) {
        const SeenQuestion access =
            platformQuestion(language, "access", [](QtPlatformDialogs& dialogs) {
                return dialogs.askLibraryConsent("/home/a/Pictures");
            });
        EXPECT_EQ(access.title.toStdString(), "Keepsift");
        EXPECT_EQ(access.headline.toStdString(), language == "de"
                                                     ? "Keepsift möchte auf deine Fotos zugreifen"
                                                     : "Keepsift would like to access your photos");
    }
}

INSTANTIATE_TEST_SUITE_P(Desktops, QuestionLayout,
                         ::testing::Values(QDialogButtonBox::GnomeLayout,
                                           QDialogButtonBox::KdeLayout, QDialogButtonBox::WinLayout,
                                           QDialogButtonBox::MacLayout));

} // namespace
} // namespace keepsift::app
