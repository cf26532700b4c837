#include "app/QtUi.h"

#include <algorithm>
#include <cmath>

#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include "app/QtConvert.h"
#include "core/MainFrame.h"

namespace varnisk {

namespace {

void showBox(QMessageBox::Icon icon, const std::string& text, const QString& caption = QString::fromUtf8(kAppTitle)) {
    QMessageBox box(icon, caption, fromCp1252(text), QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

// The files used last, in a list of the dialog's own below its file types:
// choosing one answers the dialog with it (`chosen`), and the "Look in"
// history holds their folders. The system's dialogs have no room for such a
// list, so a dialog that offers it is always Qt's own.
void offerRecentFiles(QFileDialog& dialog, const std::vector<std::string>& files, QString& chosen) {
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    QStringList folders;
    for (const std::string& file : files) {
        const QString folder = QFileInfo(fromPath(file)).absolutePath();
        if (!folders.contains(folder)) folders.append(folder);
    }
    dialog.setHistory(folders);
    auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
    if (grid == nullptr) return;
    auto* recent = new QComboBox(&dialog);
    recent->setObjectName(QStringLiteral("recentFiles"));
    recent->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    recent->setMinimumContentsLength(30);
    for (const std::string& file : files) {
        const QString path = fromPath(file);
        recent->addItem(QDir::toNativeSeparators(path), path);
        recent->setItemData(recent->count() - 1, QDir::toNativeSeparators(path), Qt::ToolTipRole);
    }
    recent->setPlaceholderText(QStringLiteral("Choose a file you loaded or saved lately to open it"));
    recent->setCurrentIndex(-1);
    QObject::connect(recent, &QComboBox::activated, &dialog, [&dialog, &chosen, recent](int index) {
        if (index < 0) return;
        chosen = recent->itemData(index).toString();
        static_cast<QDialog&>(dialog).done(QDialog::Accepted);  // public as a QDialog
    });
    auto* label = new QLabel(QStringLiteral("&Recent files:"), &dialog);
    label->setBuddy(recent);
    const int row = grid->rowCount();
    grid->addWidget(label, row, 0);
    grid->addWidget(recent, row, 1, 1, std::max(1, grid->columnCount() - 1));
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
    QString chosen;
    if (!request.recentFiles.empty()) offerRecentFiles(dialog, request.recentFiles, chosen);
    if (dialog.exec() != QDialog::Accepted || (chosen.isEmpty() && dialog.selectedFiles().isEmpty())) return std::nullopt;
    FileDialogAnswer answer;
    answer.path = toPath(chosen.isEmpty() ? dialog.selectedFiles().first() : chosen);
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
    const QPoint p = QCursor::pos();
    return {static_cast<int>(std::floor(p.x() / cursorScale_)), static_cast<int>(std::floor(p.y() / cursorScale_))};
}

void QtUi::repaintPreview() {
    if (repaint_) repaint_();
}

}  // namespace varnisk
