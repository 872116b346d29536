#include "window/FilterFileDialogs.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QString>

#include <filesystem>
#include <system_error>

namespace {

const QString NameFilter = QStringLiteral("Filters (*.filter)");
const QString DefaultSuffix = QStringLiteral("filter");

std::string Run(QFileDialog& dialog) {
    dialog.setNameFilter(NameFilter);
    dialog.setDefaultSuffix(DefaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst().toStdString();
}

bool IsFolder(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

}  // namespace

std::string ChooseFilterFileToOpen(QWidget* parent, const std::string& folder) {
    QFileDialog dialog(parent, QStringLiteral("Open"), QString::fromStdString(folder));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return Run(dialog);
}

std::string ChooseFilterFileToSave(QWidget* parent, const std::string& folder) {
    QFileDialog dialog(parent, QStringLiteral("Save As"), QString::fromStdString(folder));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // Saving replaces a file whole, so the dialog asks before it names an existing one.
    return Run(dialog);
}

std::string FindStandardFiltersFolder(const std::string& executableFolder) {
    if (!executableFolder.empty()) {
        const std::filesystem::path installed =
            std::filesystem::path(executableFolder) / ".." / "share" / "orvant3k" / "filters";
        if (IsFolder(installed)) return installed.lexically_normal().string();
    }
#ifdef ORVANT_SOURCE_DIR
    const std::filesystem::path source = std::filesystem::path(ORVANT_SOURCE_DIR) / "filters";
    if (IsFolder(source)) return source.lexically_normal().string();
#endif
    return {};
}

std::string StandardFiltersFolder() {
    return FindStandardFiltersFolder(QCoreApplication::applicationDirPath().toStdString());
}

std::string FolderOf(const std::string& path) {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    return folder.empty() ? std::string(".") : folder.string();
}
