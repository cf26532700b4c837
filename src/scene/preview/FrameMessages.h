#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ui/Ui.h"

namespace varnisk {

// What a frame's shape and texture reads have to say, kept while the frame is
// drawn and shown by its host once it is: a message box never opens in the
// middle of a paint. Nothing else of the Ui happens while a frame is drawn.
class FrameMessages final : public Ui {
public:
    struct Said {
        std::optional<std::string> caption;  // a captioned message
        std::string text;
        bool error = false;  // an error that ended the frame
        bool operator==(const Said&) const = default;
    };

    void message(const std::string& text) override { said_.push_back({std::nullopt, text}); }
    void captionedMessage(const std::string& caption, const std::string& text) override {
        said_.push_back({caption, text});
    }
    void error(const std::string& text) override { said_.push_back({std::nullopt, text, true}); }
    int ask(const Question& question) override { return question.unattendedAnswer; }
    std::optional<FileDialogAnswer> openFile(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<FileDialogAnswer> saveFile(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::uint32_t> chooseColour(const ColourDialogRequest&) override { return std::nullopt; }
    void beep() override {}
    Point cursorPos() override { return {}; }
    void repaintPreview() override {}

    bool empty() const { return said_.empty(); }
    const std::vector<Said>& said() const { return said_; }

    // Shows what was said, in order, on the host's Ui.
    void showOn(Ui& ui) const {
        for (const Said& s : said_) {
            if (s.error) ui.error(s.text);
            else if (s.caption) ui.captionedMessage(*s.caption, s.text);
            else ui.message(s.text);
        }
    }

private:
    std::vector<Said> said_;
};

}  // namespace varnisk
