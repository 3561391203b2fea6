#include "core/placement.h"
#include "platform/qt/qtnotificationicon.h"
#include "platform/qt/statusnotifieritem.h"
#include "platform/unix/posixfolderreader.h"
#include "qt/form1.h"
#include "qt/form5.h"
#include "qt/picturebox.h"
#include "support/fakefolderpicker.h"
#include "support/fakenotificationicon.h"
#include "support/form1fixture.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace ostrane::qt {
namespace {

using Layout = core::NotifyIconLayout;
using testing::FakeNotificationIcon;

const QColor White(255, 255, 255);
const QColor Blue(0, 0, 255);
const QColor Green(0, 255, 0);

QColor foreColor(const QLabel* label) {
    return label->palette().color(QPalette::WindowText);
}

std::vector<qt::Form5*> aboutWindows() {
    std::vector<qt::Form5*> found;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* form5 = qobject_cast<qt::Form5*>(window))
            found.push_back(form5);
    return found;
}

// Runs the event loop with `steps` queued one after the other, and gives whether the
// program ended by itself before a generous bound.
bool runUntilTheProgramEnds(std::vector<std::function<void()>> steps) {
    // Steps still queued when the loop ends go with this object.
    QObject queue;
    QTimer::singleShot(20'000, &queue, [] { QCoreApplication::exit(1); });
    std::function<void(std::size_t)> runFrom = [&](std::size_t step) {
        if (step == steps.size())
            return;
        steps[step]();
        QTimer::singleShot(0, &queue, [&runFrom, step] { runFrom(step + 1); });
    };
    QTimer::singleShot(0, &queue, [&runFrom] { runFrom(0); });
    return QApplication::exec() == 0;
}

void unloadAboutWindow(qt::Form5* form5) {
    QTest::mouseClick(form5->Picture3, Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

class Form1Tray : public testing::Form1Fixture {
protected:
    void TearDown() override {
        for (qt::Form5* form5 : aboutWindows())
            delete form5;
    }

    void loadAndShow() {
        form.Form1_Load();
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        // The icon's add follows the first frame.
        ASSERT_TRUE(QTest::qWaitFor([&] { return !notificationIcon.events.empty(); }));
    }
    // Client coordinates of a point given in twips.
    QPoint at(int left, int top) { return {form.scale().pixelsX(left), form.scale().pixelsY(top)}; }
};

TEST_F(Form1Tray, LoadAddsTheIconThroughTheRecordAfterTheFirstFrame) {
    form.Form1_Load();
    EXPECT_TRUE(notificationIcon.events.empty());
    loadAndShow();
    ASSERT_EQ(notificationIcon.events, std::vector<std::string>{"add QV-SPC Ostrane"});
    const auto& record = notificationIcon.records.back();
    EXPECT_EQ(core::recordField(record, Layout::CbSize), 88u);
    EXPECT_EQ(core::recordField(record, Layout::Owner), FakeNotificationIcon::Owner);
    EXPECT_EQ(core::recordField(record, Layout::Id), 1u);
    EXPECT_EQ(core::recordField(record, Layout::Flags), 7u);
    EXPECT_EQ(core::recordField(record, Layout::CallbackMessage), 512u);
    EXPECT_EQ(core::recordField(record, Layout::Icon), FakeNotificationIcon::Icon);
    EXPECT_EQ(record[Layout::Tip + 14], 0);
    EXPECT_EQ(record[Layout::Size - 1], ' ');
}

TEST_F(Form1Tray, AWindowMinimisedBeforeItsFirstFrameStillGetsItsIcon) {
    form.Form1_Load();
    form.setWindowState(Qt::WindowMinimized);
    EXPECT_EQ(notificationIcon.events, std::vector<std::string>{"add QV-SPC Ostrane"});
}

TEST_F(Form1Tray, MinimisingHidesAndOnlyALeftDoubleClickBringsTheWindowBack) {
    loadAndShow();
    const QPoint place = form.pos();
    form.setWindowState(Qt::WindowMinimized);
    EXPECT_TRUE(form.isHidden());

    for (int message : {512, 513, 514, 516, 517, 518, 519, 520, 521}) {
        notificationIcon.raise(message);
        EXPECT_TRUE(form.isHidden()) << message;
    }
    notificationIcon.raise(515);
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.isMinimized());
    EXPECT_EQ(form.pos(), place);

    // A double click while the window is shown changes nothing.
    notificationIcon.raise(515);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.pos(), place);
    EXPECT_TRUE(conversations.events.empty());
}

TEST_F(Form1Tray, WithoutANotificationAreaMinimisingKeepsTheWindowReachable) {
    notificationIcon.areaPresent = false;
    loadAndShow();
    form.setWindowState(Qt::WindowMinimized);
    EXPECT_FALSE(form.isHidden());
    EXPECT_TRUE(form.isMinimized());

    // A notification area that turns up later shows the icon, and minimising hides again.
    form.setWindowState(Qt::WindowNoState);
    notificationIcon.areaPresent = true;
    form.setWindowState(Qt::WindowMinimized);
    EXPECT_TRUE(form.isHidden());
}

TEST_F(Form1Tray, AWindowHiddenInTheTrayComesBackInPlaceWhenTheAreaGoesAway) {
    loadAndShow();
    const QPoint place = form.pos();
    form.setWindowState(Qt::WindowMinimized);
    ASSERT_TRUE(form.isHidden());

    notificationIcon.setAreaPresent(false);
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.isMinimized());
    EXPECT_EQ(form.pos(), place);

    // A new area shows the icon again, and minimising hides into it as before.
    notificationIcon.setAreaPresent(true);
    EXPECT_TRUE(form.isVisible());
    form.setWindowState(Qt::WindowMinimized);
    EXPECT_TRUE(form.isHidden());
    EXPECT_EQ(notificationIcon.events, std::vector<std::string>{"add QV-SPC Ostrane"});
}

TEST_F(Form1Tray, AWindowInTheTaskBarOrOnScreenStaysAsItIsWhenTheAreaComesAndGoes) {
    // Minimised with no area, the window stays in the task bar while an area comes and goes.
    notificationIcon.areaPresent = false;
    loadAndShow();
    form.setWindowState(Qt::WindowMinimized);
    notificationIcon.setAreaPresent(true);
    notificationIcon.setAreaPresent(false);
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.isMinimized());

    // Nor does a window on screen change.
    form.setWindowState(Qt::WindowNoState);
    notificationIcon.setAreaPresent(true);
    notificationIcon.setAreaPresent(false);
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.isMinimized());
}

TEST_F(Form1Tray, ClosingDeletesTheIconAndIsNeverCancelled) {
    loadAndShow();
    EXPECT_TRUE(form.close());
    EXPECT_FALSE(form.isVisible());
    ASSERT_EQ(notificationIcon.events, (std::vector<std::string>{"add QV-SPC Ostrane", "delete"}));
    const auto& record = notificationIcon.records.back();
    EXPECT_EQ(core::recordField(record, Layout::CbSize), 88u);
    EXPECT_EQ(core::recordField(record, Layout::Owner), FakeNotificationIcon::Owner);
    EXPECT_EQ(core::recordField(record, Layout::Id), 1u);
    EXPECT_FALSE(notificationIcon.present);
    EXPECT_TRUE(conversations.events.empty());
}

TEST_F(Form1Tray, TitleLabelsFollowThePointer) {
    loadAndShow();
    const QPoint exit = at(45 + 300, 300 + 130);
    const QPoint about = at(4455 + 380, 300 + 120);
    const QPoint banner = at(2500, 500);
    const QPoint surface = at(2500, 1600);

    QTest::mouseMove(&form, exit);
    EXPECT_EQ(foreColor(form.Label1), Blue);
    EXPECT_EQ(foreColor(form.Label2), White);
    // From EXIT to ABOUT across the banner: no bare surface, so EXIT stays lit.
    QTest::mouseMove(&form, banner);
    QTest::mouseMove(&form, about);
    EXPECT_EQ(foreColor(form.Label1), Blue);
    EXPECT_EQ(foreColor(form.Label2), Green);
    QTest::mouseMove(&form, banner);
    EXPECT_EQ(foreColor(form.Label2), Green);
    QTest::mouseMove(&form, surface);
    EXPECT_EQ(foreColor(form.Label1), White);
    EXPECT_EQ(foreColor(form.Label2), White);
}

TEST_F(Form1Tray, AboutOpensOneUnownedWindowCentredOnlyWhenCreated) {
    loadAndShow();
    QTest::mousePress(form.Label2, Qt::RightButton);
    QTest::mouseRelease(form.Label2, Qt::RightButton);
    EXPECT_EQ(foreColor(form.Label2), Green);
    ASSERT_EQ(aboutWindows().size(), 1u);
    qt::Form5* first = aboutWindows().front();
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->parentWidget(), nullptr);
    EXPECT_TRUE(form.isVisible());

    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const core::TwipScale& scale = first->scale();
    const QPoint centred(
        scale.pixelsX(static_cast<float>(core::centredInWholeTwips(
            scale.twipsX(screen.width()), scale.twipsX(first->frameGeometry().width())))),
        scale.pixelsY(static_cast<float>(core::centredInWholeTwips(
            scale.twipsY(screen.height()), scale.twipsY(first->frameGeometry().height())))));
    EXPECT_EQ(first->frameGeometry().topLeft(), centred);

    first->move(10, 20);
    const QPoint moved = first->pos();
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::MiddleButton}) {
        QTest::mousePress(form.Label2, button);
        QTest::mouseRelease(form.Label2, button);
    }
    ASSERT_EQ(aboutWindows(), std::vector<qt::Form5*>{first});
    EXPECT_EQ(first->pos(), moved);

    // A click elsewhere keeps it; a click on the close picture unloads it.
    QTest::mouseClick(first->Label1, Qt::LeftButton);
    QTest::mouseClick(first->Picture3, Qt::RightButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(aboutWindows().size(), 1u);
    unloadAboutWindow(first);
    EXPECT_TRUE(aboutWindows().empty());

    QTest::mouseClick(form.Label2, Qt::LeftButton);
    ASSERT_EQ(aboutWindows().size(), 1u);
    EXPECT_EQ(aboutWindows().front()->frameGeometry().topLeft(), centred);
}

TEST_F(Form1Tray, ExitWithAnyButtonEndsAtOnceWithoutTheCloseHandling) {
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
        SCOPED_TRACE(button);
        testing::FakeNotificationIcon icon;
        Form1 exiting({conversations, folderPicker, icon, folderReader});
        exiting.Form1_Load();
        exiting.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&exiting));
        QTest::mouseClick(exiting.Label2, Qt::LeftButton);
        EXPECT_TRUE(runUntilTheProgramEnds({[&] { QTest::mousePress(exiting.Label1, button); }}));
        QTest::mouseRelease(exiting.Label1, button);
        EXPECT_EQ(icon.events, (std::vector<std::string>{"add QV-SPC Ostrane", "delete"}));
        // The close handling would have hidden the window.
        EXPECT_TRUE(exiting.isVisible());
    }
    EXPECT_TRUE(conversations.events.empty());
}

TEST_F(Form1Tray, TheProgramRunsWhileAnyWindowIsLoaded) {
    loadAndShow();
    bool ranAfterTheMainWindowClosed = false;
    EXPECT_TRUE(runUntilTheProgramEnds({
        [&] { QTest::mouseClick(form.Label2, Qt::LeftButton); },
        [&] { form.close(); },
        [&] {
            ranAfterTheMainWindowClosed = true;
            ASSERT_EQ(aboutWindows().size(), 1u);
            unloadAboutWindow(aboutWindows().front());
        },
    }));
    EXPECT_TRUE(ranAfterTheMainWindowClosed);
    EXPECT_TRUE(aboutWindows().empty());
}

TEST_F(Form1Tray, AWindowHiddenInTheTrayKeepsTheProgramRunning) {
    loadAndShow();
    bool ranWithTheWindowHidden = false;
    EXPECT_TRUE(runUntilTheProgramEnds({
        [&] { QTest::mouseClick(form.Label2, Qt::LeftButton); },
        [&] { form.setWindowState(Qt::WindowMinimized); },
        [&] { unloadAboutWindow(aboutWindows().front()); },
        [&] {
            ranWithTheWindowHidden = form.isHidden();
            notificationIcon.raise(515);
        },
        [&] { form.close(); },
    }));
    EXPECT_TRUE(ranWithTheWindowHidden);
}

TEST(QtNotificationIcon, ShowsTheRecordsTipAndDeletesOnlyTheIconTheRecordNames) {
    // This test has no session bus: the icon goes to the X11 tray.
    int busAskedFor = 0;
    platform::QtNotificationIcon icon([&] {
        ++busAskedFor;
        return QDBusConnection::sessionBus();
    });
    core::TrayIcon record;
    record.hWnd = icon.callbackWindow();
    record.uID = 1;
    record.setTip("QV-SPC Ostrane");
    // The bus is no part of a start that adds no icon.
    EXPECT_EQ(busAskedFor, 0);
    icon.add(record.bytes());
    EXPECT_EQ(busAskedFor, 1);
    ASSERT_EQ(icon.area(), platform::QtNotificationIcon::Area::Classic);
    ASSERT_NE(icon.systemTrayIcon(), nullptr);
    EXPECT_EQ(icon.systemTrayIcon()->toolTip(), "QV-SPC Ostrane");
    EXPECT_TRUE(icon.systemTrayIcon()->isVisible());
    // The offscreen platform has no notification area.
    EXPECT_FALSE(icon.shown());

    record.uID = 2;
    EXPECT_FALSE(icon.remove(record.bytes()));
    EXPECT_TRUE(icon.systemTrayIcon()->isVisible());
    record.uID = 1;
    EXPECT_TRUE(icon.remove(record.bytes()));
    EXPECT_FALSE(icon.systemTrayIcon()->isVisible());
    EXPECT_EQ(icon.area(), platform::QtNotificationIcon::Area::None);
}

// Raises each activation on the X11 tray's icon, or on the StatusNotifierItem.
void activate(const platform::QtNotificationIcon& icon, platform::QtNotificationIcon::Area area,
              QSystemTrayIcon::ActivationReason reason) {
    if (area == platform::QtNotificationIcon::Area::Classic)
        emit const_cast<QSystemTrayIcon*>(icon.systemTrayIcon())->activated(reason);
    else
        emit const_cast<platform::StatusNotifierItem*>(icon.statusNotifierItem())
            ->activated(reason);
}

// The messages each activation delivers, from one kind of notification area.
std::vector<int> messagesOf(platform::QtNotificationIcon::Area area,
                            std::initializer_list<QSystemTrayIcon::ActivationReason> reasons) {
    platform::QtNotificationIcon icon;
    core::TrayIcon record;
    record.fillForAdd(icon.callbackWindow(), icon.programIcon());
    icon.add(record.bytes());
    std::vector<int> delivered;
    icon.onMouseMessage([&](int message) { delivered.push_back(message); });
    for (const auto reason : reasons)
        activate(icon, area, reason);
    return delivered;
}

TEST(QtNotificationIcon, OnAClassicAreaOnlyTheDoubleClickIsADoubleClick) {
    using Area = platform::QtNotificationIcon::Area;
    EXPECT_EQ(messagesOf(Area::Classic, {QSystemTrayIcon::Trigger, QSystemTrayIcon::DoubleClick,
                                         QSystemTrayIcon::Context, QSystemTrayIcon::MiddleClick}),
              (std::vector<int>{513, 514, 515, 516, 517, 519, 520}));
}

TEST(QtNotificationIcon, AStatusNotifierHostsActivationIsTheRestoringDoubleClick) {
    using Area = platform::QtNotificationIcon::Area;
    EXPECT_EQ(
        messagesOf(Area::StatusNotifierHost, {QSystemTrayIcon::Trigger, QSystemTrayIcon::Context,
                                              QSystemTrayIcon::MiddleClick}),
        (std::vector<int>{515, 516, 517, 519, 520}));
}

// XFCE's panel activates twice, 80 ms apart, for a double click on its icon.
TEST_F(Form1Tray, TwoActivationsInARowBringTheWindowBackOnceAndInPlace) {
    platform::QtNotificationIcon icon;
    Form1 hosted{{conversations, folderPicker, icon, folderReader}};
    hosted.Form1_Load();
    hosted.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&hosted));
    ASSERT_TRUE(QTest::qWaitFor([&] { return icon.statusNotifierItem() != nullptr; }));
    const QPoint place = hosted.pos();
    hosted.hide();
    using Area = platform::QtNotificationIcon::Area;
    activate(icon, Area::StatusNotifierHost, QSystemTrayIcon::Trigger);
    EXPECT_TRUE(hosted.isVisible());
    QTest::qWait(80);
    activate(icon, Area::StatusNotifierHost, QSystemTrayIcon::Trigger);
    EXPECT_TRUE(hosted.isVisible());
    EXPECT_FALSE(hosted.isMinimized());
    EXPECT_EQ(hosted.pos(), place);
}

} // namespace
} // namespace ostrane::qt
