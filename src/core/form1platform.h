#pragma once

namespace ostrane::core {

class Conversations;
class FolderPicker;
class FolderReader;
class NotificationIcon;
class SongFileOpener;

// The platform services the main window reaches the outside world through; main passes the
// real ones, tests pass fakes.
struct Form1Platform {
    Conversations& conversations;
    FolderPicker& folderPicker;
    NotificationIcon& notificationIcon;
    FolderReader& folderReader;
    // Where the song list reads its tooltips; without it the songs have none.
    SongFileOpener* songFiles = nullptr;
};

} // namespace ostrane::core
