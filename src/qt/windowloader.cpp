#include "qt/windowloader.h"

#include "qt/accessibility.h"
#include "qt/commandbutton.h"
#include "qt/filelistbox.h"
#include "qt/label.h"
#include "qt/linktextbox.h"
#include "qt/picturebox.h"
#include "qt/windowdesign.h"

#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <algorithm>
#include <stdexcept>
#include <string>

namespace ostrane::qt {

namespace {

// A line edit lays its text out in the application's font as it is made, before it takes its
// window's: made while the application's font is the window's, it matches no face the window
// does not show.
class ApplicationFontDuring {
public:
    explicit ApplicationFontDuring(const QFont& font) : kept_(QGuiApplication::font()) {
        QGuiApplication::setFont(font);
    }
    ~ApplicationFontDuring() { QGuiApplication::setFont(kept_); }
    ApplicationFontDuring(const ApplicationFontDuring&) = delete;
    ApplicationFontDuring& operator=(const ApplicationFontDuring&) = delete;

private:
    QFont kept_;
};

QString textOf(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

Qt::Alignment horizontal(core::Alignment alignment) {
    switch (alignment) {
    case core::Alignment::Centre:
        return Qt::AlignHCenter;
    case core::Alignment::Right:
        return Qt::AlignRight;
    case core::Alignment::Left:
        break;
    }
    return Qt::AlignLeft;
}

// The colours a kind of control has where its row names none.
struct KindColours {
    core::Colour fore;
    core::Colour back;
};

KindColours defaultColours(core::ControlKind kind) {
    switch (kind) {
    case core::ControlKind::Label:
    case core::ControlKind::CommandButton:
        return {core::ToolkitDefaultColour, core::ButtonFaceColour};
    case core::ControlKind::TextBox:
    case core::ControlKind::LinkTextBox:
    case core::ControlKind::PictureBox:
    case core::ControlKind::FileListBox:
        break;
    }
    return {core::WindowTextColour, core::WindowBackgroundColour};
}

// Every role of the fixed palette, with the text roles in `fore` and the surface roles in
// `back`, in every colour group.
QPalette paletteOf(const QColor& fore, const QColor& back) {
    QPalette palette = fixedPalette();
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(role, fore);
    for (auto role : {QPalette::Window, QPalette::Base, QPalette::Button})
        palette.setColor(role, back);
    return palette;
}

QPalette paletteOf(const core::ControlDescription& row) {
    const KindColours defaults = defaultColours(row.kind);
    const QColor black(0, 0, 0);
    const QColor fore = colourOf(row.foreColour, colourOf(defaults.fore, black));
    const QColor back = colourOf(row.backColour, colourOf(defaults.back, black));
    return paletteOf(fore, back);
}

QWidget* create(QWidget& window, const core::ControlDescription& row,
                const ControlServices& services) {
    const QString caption = textOf(row.caption);
    switch (row.kind) {
    case core::ControlKind::Label: {
        auto* label = new Label(caption, &window);
        // A label that lights up hears the pointer move without a button held.
        label->setMouseTracking(!row.hoverColour.isToolkitDefault());
        // A caption is shown as it is written, never as markup.
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(horizontal(row.alignment) | Qt::AlignTop);
        label->setWordWrap(row.wordWrap);
        label->setAutoFillBackground(row.opaque);
        return label;
    }
    case core::ControlKind::TextBox:
    case core::ControlKind::LinkTextBox: {
        QLineEdit* box = nullptr;
        if (row.kind == core::ControlKind::LinkTextBox) {
            if (!services.conversations)
                throw std::logic_error("a link text box without conversations");
            box = new LinkTextBox(*services.conversations, &window);
        } else {
            box = new QLineEdit(&window);
        }
        box->setText(caption);
        box->setAlignment(horizontal(row.alignment) | Qt::AlignVCenter);
        box->setFrame(row.border != core::Border::None);
        box->setAutoFillBackground(true);
        return box;
    }
    case core::ControlKind::CommandButton: {
        auto* button = new CommandButton(caption, &window);
        if (!row.picture.empty())
            button->setPicture(pictureForScreen(picturePath(row.picture)));
        if (!row.downPicture.empty())
            button->setDownPicture(pictureForScreen(picturePath(row.downPicture)));
        return button;
    }
    case core::ControlKind::PictureBox: {
        auto* box = new PictureBox(&window);
        if (row.border == core::Border::None)
            box->setFrameStyle(QFrame::NoFrame);
        return box;
    }
    case core::ControlKind::FileListBox: {
        if (!services.folderReader)
            throw std::logic_error("a file list without a folder reader");
        auto* list = new FileListBox(caption, *services.folderReader, services.songFiles, &window);
        if (row.border == core::Border::None)
            list->setFrameStyle(QFrame::NoFrame);
        list->setAutoFillBackground(true);
        return list;
    }
    }
    throw std::logic_error("a control of no known kind");
}

} // namespace

QWidget* LoadedControls::find(std::string_view name) const {
    for (const auto& [controlName, control] : controls_)
        if (controlName == name)
            return control;
    return nullptr;
}

void LoadedControls::missing(std::string_view name) {
    throw std::logic_error("the window has no control " + std::string(name) + " of that kind");
}

QString picturePath(std::string_view file) {
    return QStringLiteral(":/pictures/") + textOf(file);
}

LoadedControls loadWindow(QWidget& window, const core::WindowDescription& description,
                          const core::TwipScale& scale, const ControlServices& services) {
    window.setObjectName(textOf(description.name));
    window.setWindowTitle(textOf(description.caption));
    if (!description.icon.empty())
        // From a picture read by its suffix: a QIcon made from the file would first try
        // every image plugin on its contents, loading them all.
        window.setWindowIcon(QIcon(pictureForScreen(picturePath(description.icon))));
    if (!description.font.isWindowFont())
        window.setFont(fontOf(description.font, window.font()));
    QPalette surface = fixedPalette();
    surface.setColor(QPalette::Window,
                     colourOf(description.backColour, surface.color(QPalette::Window)));
    surface.setColor(QPalette::WindowText,
                     colourOf(description.foreColour, surface.color(QPalette::WindowText)));
    window.setPalette(surface);
    window.setAutoFillBackground(true);
    presentAsWindow(&window);
    window.setFixedSize(scale.pixelsX(static_cast<float>(description.clientWidth)),
                        scale.pixelsY(static_cast<float>(description.clientHeight)));

    const ApplicationFontDuring controlsMade(window.font());
    LoadedControls loaded;
    std::vector<std::pair<int, QWidget*>> focusable;
    // Back to front: each control created lies in front of those created before it.
    for (auto row = description.controls.rbegin(); row != description.controls.rend(); ++row) {
        QWidget* control = create(window, *row, services);
        control->setObjectName(textOf(row->name));
        control->setGeometry(scale.pixelsX(static_cast<float>(row->left)),
                             scale.pixelsY(static_cast<float>(row->top)),
                             scale.pixelsX(static_cast<float>(row->width)),
                             scale.pixelsY(static_cast<float>(row->height)));
        if (!row->font.isWindowFont())
            control->setFont(fontOf(row->font, window.font()));
        control->setPalette(paletteOf(*row));
        if (auto* box = qobject_cast<PictureBox*>(control)) {
            if (!row->picture.empty())
                box->setPictureFile(picturePath(row->picture));
            box->setAutoSize(row->autoSize);
        }
        if (!row->accessibleName.empty())
            describeForAssistiveTechnology(control, textOf(row->accessibleName), row->actsAsButton);
        if (!row->visible)
            control->setVisible(false);
        if (!row->enabled)
            control->setEnabled(false);
        if (row->kind != core::ControlKind::Label)
            focusable.emplace_back(row->tabIndex, control);
        loaded.add(row->name, control);
    }
    std::stable_sort(focusable.begin(), focusable.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 1; i < focusable.size(); ++i)
        QWidget::setTabOrder(focusable[i - 1].second, focusable[i].second);
    return loaded;
}

} // namespace ostrane::qt
