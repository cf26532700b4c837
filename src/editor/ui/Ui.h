#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace varnisk {

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

// A file dialog as the program asks for it. The filter is the window
// system's list "Description|pattern|Description|pattern"; filterIndex counts
// from 1. Texts are in the program's code page; paths in the system's own.
struct FileDialogRequest {
    std::string title;
    std::string filter;
    int filterIndex = 1;
    std::string defaultExt;
    std::string initialDir;
    // Files the dialog offers to pick at once (the value set files used
    // last, most recent first); empty for none.
    std::vector<std::string> recentFiles = {};
};

struct FileDialogAnswer {
    std::string path;
    int filterIndex = 1;
};

struct ColourDialogRequest {
    std::uint32_t colour = 0;                 // 0x00BBGGRR
    std::vector<std::string> customColours;   // entries such as "colorA=0000FF"
};

// A question with answers of its own: a message box with one button per
// answer.
struct Question {
    std::string title;
    std::string text;
    std::vector<std::string> answers;
    int defaultAnswer = 0;
    int escapeAnswer = -1;  // the answer Escape and the close box give; -1: none
    // What a front end without a person to ask (varnisk-cli) answers, and
    // the message it shows instead of the question.
    int unattendedAnswer = 0;
    std::string unattendedNote;
};

// Every effect the program has on the person in front of it goes through
// this port: one implementation per front end and a scripted one for tests.
class Ui {
public:
    virtual ~Ui() = default;

    // A message box with an OK button; returns when it is answered.
    virtual void message(const std::string& text) = 0;
    // A message box with its own caption (the preview's texture loaders name
    // theirs); a front end without captions shows the text alone.
    virtual void captionedMessage(const std::string& caption, const std::string& text) {
        (void)caption;
        message(text);
    }
    // Asks the question; returns the index of the answer.
    virtual int ask(const Question& question) = 0;
    // An error that ended the running operation, shown as the window system's
    // default handler shows it.
    virtual void error(const std::string& text) = 0;
    // The dialogs; nullopt when cancelled.
    virtual std::optional<FileDialogAnswer> openFile(const FileDialogRequest& request) = 0;
    virtual std::optional<FileDialogAnswer> saveFile(const FileDialogRequest& request) = 0;
    virtual std::optional<std::uint32_t> chooseColour(const ColourDialogRequest& request) = 0;
    // The system's default beep.
    virtual void beep() = 0;
    // The mouse cursor's position in screen coordinates.
    virtual Point cursorPos() = 0;
    // Asks the preview for a new frame.
    virtual void repaintPreview() = 0;
};

}  // namespace varnisk
