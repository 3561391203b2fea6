#include "core/loadspc.h"

#include "core/module1.h"

namespace ostrane::core {

void Command1_Click(FolderPicker& picker, WindowHandle owner, const SongFolderDisplay& display) {
    const std::string folder = Module1::ChooseSongFolder(picker, owner, SongFolderPrompt);
    if (folder.empty())
        return;
    if (!display.setListPath(folder))
        return;
    display.setFolderLabel(folder);
}

} // namespace ostrane::core
