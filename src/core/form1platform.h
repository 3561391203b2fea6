#pragma once

namespace ostrane::core {

class Conversations;
class FolderPicker;
class FolderReader;
class NotificationIcon;

// The platform services the main window reaches the outside world through; main passes the
// real ones, tests pass fakes.
struct Form1Platform {
    Conversations& conversations;
    FolderPicker& folderPicker;
    NotificationIcon& notificationIcon;
    FolderReader& folderReader;
};

} // namespace ostrane::core
