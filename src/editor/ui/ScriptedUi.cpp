#include "ui/ScriptedUi.h"

namespace varnisk {

std::string oneLine(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out += "\\n";
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

void ScriptedUi::line(const std::string& text) {
    if (onLine) onLine(text);
}

void ScriptedUi::message(const std::string& text) {
    messages_.push_back(text);
    line("message: " + oneLine(text));
}

int ScriptedUi::ask(const Question& question) {
    questions_.push_back(question);
    if (!answers_.empty()) {
        if (const auto* answer = std::get_if<QuestionAnswer>(&answers_.front())) {
            const int index = answer->index;
            answers_.pop_front();
            return index;
        }
    }
    message(question.unattendedNote);
    return question.unattendedAnswer;
}

void ScriptedUi::error(const std::string& text) {
    errors_.push_back(text);
    line("error: " + oneLine(text));
}

std::optional<ScriptedUi::Answer> ScriptedUi::next() {
    if (answers_.empty()) return std::nullopt;
    Answer a = std::move(answers_.front());
    answers_.pop_front();
    return a;
}

std::optional<FileDialogAnswer> ScriptedUi::openFile(const FileDialogRequest& request) {
    dialogs_.push_back({"open", request, {}});
    auto a = next();
    if (!a) return std::nullopt;
    if (auto* open = std::get_if<OpenAnswer>(&*a)) return FileDialogAnswer{open->path, request.filterIndex};
    return std::nullopt;
}

std::optional<FileDialogAnswer> ScriptedUi::saveFile(const FileDialogRequest& request) {
    dialogs_.push_back({"save", request, {}});
    auto a = next();
    if (!a) return std::nullopt;
    if (auto* save = std::get_if<SaveAnswer>(&*a)) return FileDialogAnswer{save->path, save->filterIndex};
    return std::nullopt;
}

std::optional<std::uint32_t> ScriptedUi::chooseColour(const ColourDialogRequest& request) {
    dialogs_.push_back({"colour", {}, request});
    auto a = next();
    if (!a) return std::nullopt;
    if (auto* colour = std::get_if<ColourAnswer>(&*a)) return colour->colour;
    return std::nullopt;
}

void ScriptedUi::beep() {
    ++beeps_;
    line("beep");
}

}  // namespace varnisk
