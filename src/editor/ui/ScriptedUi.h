#pragma once

#include <deque>
#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "ui/Ui.h"

namespace varnisk {

// The Ui of varnisk-cli and of the tests: message boxes count as answered
// with OK, dialogs take queued answers (cancelled when none is queued), the
// cursor stands where it is put. Everything shown is recorded in order.
class ScriptedUi : public Ui {
public:
    struct OpenAnswer { std::string path; };
    struct SaveAnswer { std::string path; int filterIndex = 1; };
    struct ColourAnswer { std::uint32_t colour = 0; };
    struct Cancel {};
    // The answer to the next question (its index), in place of the
    // unattended one.
    struct QuestionAnswer { int index = 0; };
    using Answer = std::variant<OpenAnswer, SaveAnswer, ColourAnswer, Cancel, QuestionAnswer>;

    // What a dialog was asked, in order, for tests to read.
    struct DialogSeen {
        std::string kind;  // "open", "save" or "colour"
        FileDialogRequest file;
        ColourDialogRequest colour;
    };

    void queue(Answer answer) { answers_.push_back(std::move(answer)); }
    // Drops the answers queued last until `count` are left.
    void keepAnswers(std::size_t count) {
        while (answers_.size() > count) answers_.pop_back();
    }
    void setCursor(Point p) { cursor_ = p; }

    const std::vector<std::string>& messages() const { return messages_; }
    const std::vector<std::string>& errors() const { return errors_; }
    const std::vector<DialogSeen>& dialogs() const { return dialogs_; }
    const std::vector<Question>& questions() const { return questions_; }
    int beeps() const { return beeps_; }
    int repaints() const { return repaints_; }
    std::size_t queuedAnswers() const { return answers_.size(); }

    // Called with each line the program shows ("message: ...", "beep"), for
    // a front end that prints them.
    std::function<void(const std::string&)> onLine;

    void message(const std::string& text) override;
    // With a QuestionAnswer queued first, that answer; otherwise the
    // question's unattended note is shown as a message and its unattended
    // answer given.
    int ask(const Question& question) override;
    void error(const std::string& text) override;
    std::optional<FileDialogAnswer> openFile(const FileDialogRequest& request) override;
    std::optional<FileDialogAnswer> saveFile(const FileDialogRequest& request) override;
    std::optional<std::uint32_t> chooseColour(const ColourDialogRequest& request) override;
    void beep() override;
    Point cursorPos() override { return cursor_; }
    void repaintPreview() override { ++repaints_; }

private:
    std::optional<Answer> next();
    void line(const std::string& text);

    std::deque<Answer> answers_;
    Point cursor_;
    std::vector<std::string> messages_;
    std::vector<std::string> errors_;
    std::vector<DialogSeen> dialogs_;
    std::vector<Question> questions_;
    int beeps_ = 0;
    int repaints_ = 0;
};

// A message text as one line: each line break ("\r\n", "\n" or "\r") becomes
// the two characters \n.
std::string oneLine(const std::string& text);

}  // namespace varnisk
