#include "core/displaychoice.h"
#include "ostrane_version.h"
#include "qt/accessibility.h"
#include "qt/fixedlook.h"
#include "qt/fonts.h"
#include "qt/form1.h"
#include "qt/nativeplatform.h"

#include <QApplication>
#include <cstdlib>
#include <string_view>

namespace {

std::string_view environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// Without a session bus the D-Bus library would start one through the X server and note
// its address under ~/.dbus; the program only ever uses the session's own bus.
void useOnlyTheSessionsBus() {
    if (!environment("DBUS_SESSION_BUS_ADDRESS").empty())
        return;
    const std::string_view runtime = environment("XDG_RUNTIME_DIR");
    const QByteArray standard =
        runtime.empty() ? QByteArray("unix:path=/nonexistent/bus")
                        : "unix:path=" + QByteArray(runtime.data(), runtime.size()) + "/bus";
    qputenv("DBUS_SESSION_BUS_ADDRESS", standard);
}

} // namespace

int main(int, char** argv) {
    useOnlyTheSessionsBus();
    if (ostrane::core::prefersXWayland({environment("QT_QPA_PLATFORM"),
                                        environment("WAYLAND_DISPLAY"),
                                        environment("XDG_SESSION_TYPE"), environment("DISPLAY")}))
        qputenv("QT_QPA_PLATFORM", "xcb");
    // The command line is not the program's to read: Qt sees the program name alone.
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QApplication application(qtArgc, qtArgv);
    QApplication::setApplicationVersion(QStringLiteral(OSTRANE_VERSION_TEXT));
    ostrane::qt::useFixedLook();
    ostrane::qt::installFontSubstitutes();
    ostrane::qt::installAccessibility();

    ostrane::qt::NativePlatform platform;
    ostrane::qt::Form1 form1(platform.form1());
    platform.showProgramIcon(form1.windowIcon());
    form1.Form1_Load();
    form1.show();
    return application.exec();
}
