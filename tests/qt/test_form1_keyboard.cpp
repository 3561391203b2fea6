#include "platform/unix/posixfolderreader.h"
#include "qt/commandbutton.h"
#include "qt/filelistbox.h"
#include "qt/form1.h"
#include "qt/form5.h"
#include "qt/linktextbox.h"
#include "qt/picturebox.h"
#include "support/fakefolderpicker.h"
#include "support/fakenotificationicon.h"
#include "support/form1fixture.h"

#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace ostrane::qt {
namespace {

class Form1Keyboard : public testing::Form1Fixture {
protected:
    void SetUp() override {
        form.Form1_Load();
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    }
    void TearDown() override {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (qobject_cast<qt::Form5*>(window))
                delete window;
    }

    // The accessible children of the main window, by their controls' names.
    QStringList accessibleChildren() {
        QAccessibleInterface* window = QAccessible::queryAccessibleInterface(&form);
        QStringList names;
        for (int i = 0; i < window->childCount(); ++i)
            names << window->child(i)->object()->objectName();
        return names;
    }
};

TEST_F(Form1Keyboard, TypingGoesToThePathFieldFirst) {
    EXPECT_EQ(form.focusWidget(), form.Text1);
}

TEST_F(Form1Keyboard, ReturnAndSpacePressTheFocusedButton) {
    form.Command3->setFocus();
    QTest::keyClick(form.Command3, Qt::Key_Return);
    QTest::keyClick(form.Command3, Qt::Key_Enter);
    QTest::keyClick(form.Command3, Qt::Key_Space);
    // Each press opens a conversation; the next one closes the one before.
    EXPECT_EQ(conversations.events,
              (std::vector<std::string>{"open 1 QV-spc|PLAY", "close 1", "open 2 QV-spc|PLAY",
                                        "close 2", "open 3 QV-spc|PLAY"}));
    EXPECT_FALSE(form.Command3->isDown());
}

TEST_F(Form1Keyboard, SpaceOrReturnOnTheFocusedToggleOpensAndClosesThePanel) {
    const int closed = form.height();
    form.Picture2->setFocus();
    QTest::keyClick(form.Picture2, Qt::Key_Space);
    EXPECT_EQ(form.Label5->text(), "1");
    EXPECT_GT(form.height(), closed);
    QTest::keyClick(form.Picture2, Qt::Key_Return);
    EXPECT_EQ(form.Label5->text(), "0");
    EXPECT_EQ(form.height(), closed);
}

TEST_F(Form1Keyboard, ReturnInTheSongListLoadsTheSelectedSong) {
    QTemporaryDir folder;
    for (const char* name : {"a.spc", "b.spc"}) {
        QFile song(folder.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(song.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(form.File1->setPath(QFile::encodeName(folder.path()).toStdString()));
    form.File1->setFocus();
    // Nothing selected: nothing is loaded.
    QTest::keyClick(form.File1, Qt::Key_Return);
    EXPECT_TRUE(conversations.events.empty());

    form.File1->setCurrentIndex(form.File1->model()->index(1, 0));
    QTest::keyClick(form.File1, Qt::Key_Return);
    EXPECT_TRUE(form.Text1->text().endsWith(QStringLiteral("/b.spc")))
        << form.Text1->text().toStdString();
    ASSERT_FALSE(conversations.events.empty());
    EXPECT_EQ(conversations.events.front(), "open 1 QV-spc|" + form.Text1->text().toStdString());
}

TEST_F(Form1Keyboard, TheHiddenLinkBoxesAreNeitherStopsNorSeenByScreenReaders) {
    const QStringList children = accessibleChildren();
    for (const LinkTextBox* box : form.findChildren<LinkTextBox*>()) {
        EXPECT_EQ(box->focusPolicy(), Qt::NoFocus) << box->objectName().toStdString();
        EXPECT_FALSE(children.contains(box->objectName())) << box->objectName().toStdString();
    }
    EXPECT_TRUE(children.contains(QStringLiteral("Text1")));
    EXPECT_TRUE(children.contains(QStringLiteral("Command3")));
    // Going round the window with Tab never stops on one of them.
    form.Text1->setFocus();
    for (int i = 0; i < 20; ++i) {
        QTest::keyClick(form.focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(qobject_cast<LinkTextBox*>(form.focusWidget()), nullptr);
    }
}

TEST_F(Form1Keyboard, PictureOnlyControlsHaveNamesAndTheTitleCaptionsAreButtons) {
    const std::pair<QWidget*, const char*> named[] = {
        {form.Command4, "Pause"}, {form.Command3, "Play"}, {form.Command2, "Stop"}};
    for (const auto& [control, name] : named)
        EXPECT_EQ(QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name), name);
    for (QWidget* picture :
         {static_cast<QWidget*>(form.Picture1), static_cast<QWidget*>(form.Picture2)})
        EXPECT_FALSE(
            QAccessible::queryAccessibleInterface(picture)->text(QAccessible::Name).isEmpty())
            << picture->objectName().toStdString();

    QAccessibleInterface* exit = QAccessible::queryAccessibleInterface(form.Label1);
    QAccessibleInterface* about = QAccessible::queryAccessibleInterface(form.Label2);
    EXPECT_EQ(exit->role(), QAccessible::Button);
    EXPECT_EQ(exit->text(QAccessible::Name), "EXIT");
    EXPECT_EQ(about->role(), QAccessible::Button);
    EXPECT_EQ(about->text(QAccessible::Name), "ABOUT");
    ASSERT_NE(about->actionInterface(), nullptr);
    about->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    bool opened = false;
    for (QWidget* window : QApplication::topLevelWidgets())
        opened |= qobject_cast<qt::Form5*>(window) != nullptr && window->isVisible();
    EXPECT_TRUE(opened);

    // The panel toggle is a button too, and its press toggles.
    QAccessibleInterface* toggle = QAccessible::queryAccessibleInterface(form.Picture2);
    EXPECT_EQ(toggle->role(), QAccessible::Button);
    toggle->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(form.Label5->text(), "1");
}

} // namespace
} // namespace ostrane::qt
