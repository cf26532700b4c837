#include "platform/qt/QtUi.h"

#include <QApplication>
#include <QColorDialog>
#include <QCursor>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include "core/MainFrame.h"
#include "platform/qt/QtConvert.h"

namespace varnisk {

namespace {

void showBox(QMessageBox::Icon icon, const std::string& text, const QString& caption = QString::fromUtf8(kAppTitle)) {
    QMessageBox box(icon, caption, fromCp1252(text), QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

std::optional<FileDialogAnswer> runFileDialog(const FileDialogRequest& request, QFileDialog::AcceptMode mode) {
    QFileDialog dialog(QApplication::activeWindow(), fromCp1252(request.title), fromPath(request.initialDir));
    dialog.setAcceptMode(mode);
    if (mode == QFileDialog::AcceptOpen) {
        dialog.setFileMode(QFileDialog::ExistingFile);
    } else {
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);  // the program decides
    }
    QStringList filters = toNameFilters(request.filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        int index = request.filterIndex;
        if (index < 1 || index > filters.size()) index = 1;
        dialog.selectNameFilter(filters[index - 1]);
    }
    if (!request.defaultExt.empty()) {
        dialog.setDefaultSuffix(fromCp1252(request.defaultExt));
        // A name typed without an extension takes the one of the filter
        // chosen, which decides what is written.
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
            const QString patterns = filter.section(QLatin1Char('('), -1).chopped(1);
            if (patterns.startsWith(QStringLiteral("*.")) && patterns.count(QLatin1Char('*')) == 1 &&
                !patterns.contains(QLatin1Char(' '))) {
                dialog.setDefaultSuffix(patterns.mid(2));
            }
        });
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    FileDialogAnswer answer;
    answer.path = toPath(dialog.selectedFiles().first());
    answer.filterIndex = filters.isEmpty() ? request.filterIndex
                                           : static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
    if (answer.filterIndex < 1) answer.filterIndex = 1;
    return answer;
}

}  // namespace

void QtUi::message(const std::string& text) { showBox(QMessageBox::NoIcon, text); }

void QtUi::captionedMessage(const std::string& caption, const std::string& text) {
    showBox(QMessageBox::NoIcon, text, fromCp1252(caption));
}

int QtUi::ask(const Question& question) {
    QMessageBox box(QMessageBox::Question, question.title.empty() ? QString::fromUtf8(kAppTitle) : fromCp1252(question.title),
                    fromCp1252(question.text), QMessageBox::NoButton, QApplication::activeWindow());
    std::vector<QPushButton*> buttons;
    for (const std::string& answer : question.answers) {
        buttons.push_back(box.addButton(fromCp1252(answer), QMessageBox::ActionRole));
    }
    const auto at = [&buttons](int i) -> QPushButton* {
        return i >= 0 && i < static_cast<int>(buttons.size()) ? buttons[static_cast<std::size_t>(i)] : nullptr;
    };
    if (QPushButton* d = at(question.defaultAnswer)) box.setDefaultButton(d);
    if (QPushButton* escape = at(question.escapeAnswer)) box.setEscapeButton(escape);
    box.exec();
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (box.clickedButton() == buttons[i]) return static_cast<int>(i);
    }
    return question.escapeAnswer >= 0 ? question.escapeAnswer : question.defaultAnswer;
}

void QtUi::error(const std::string& text) { showBox(QMessageBox::Critical, text); }

std::optional<FileDialogAnswer> QtUi::openFile(const FileDialogRequest& request) {
    return runFileDialog(request, QFileDialog::AcceptOpen);
}

std::optional<FileDialogAnswer> QtUi::saveFile(const FileDialogRequest& request) {
    return runFileDialog(request, QFileDialog::AcceptSave);
}

std::optional<std::uint32_t> QtUi::chooseColour(const ColourDialogRequest& request) {
    for (const std::string& entry : request.customColours) {
        if (auto custom = parseCustomColour(entry)) QColorDialog::setCustomColor(custom->slot, toQColor(custom->colour));
    }
    QColorDialog dialog(toQColor(request.colour), QApplication::activeWindow());
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return fromQColor(dialog.selectedColor());
}

void QtUi::beep() { QApplication::beep(); }

Point QtUi::cursorPos() {
    QPoint p = QCursor::pos();
    return {p.x(), p.y()};
}

void QtUi::repaintPreview() {
    if (repaint_) repaint_();
}

}  // namespace varnisk
