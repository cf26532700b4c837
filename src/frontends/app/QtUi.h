#pragma once

#include <functional>

#include "ui/Ui.h"

namespace varnisk {

// The Ui of the window: Qt message boxes and dialogs, the system beep and
// cursor, and the preview's repaint request handed to the window.
class QtUi : public Ui {
public:
    void message(const std::string& text) override;
    void captionedMessage(const std::string& caption, const std::string& text) override;
    void error(const std::string& text) override;
    int ask(const Question& question) override;
    std::optional<FileDialogAnswer> openFile(const FileDialogRequest& request) override;
    std::optional<FileDialogAnswer> saveFile(const FileDialogRequest& request) override;
    std::optional<std::uint32_t> chooseColour(const ColourDialogRequest& request) override;
    void beep() override;
    Point cursorPos() override;
    void repaintPreview() override;

    // What repaintPreview does: set by the window that holds the preview.
    void setRepaintPreview(std::function<void()> repaint) { repaint_ = std::move(repaint); }

    // The windows' zoom as a factor: cursorPos() is in the form's units, so
    // that a drag moves a value as far per unit of the form at any zoom.
    void setCursorScale(double factor) { cursorScale_ = factor > 0 ? factor : 1.0; }

private:
    std::function<void()> repaint_;
    double cursorScale_ = 1.0;
};

}  // namespace varnisk
