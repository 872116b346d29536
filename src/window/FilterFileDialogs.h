#pragma once
// The open and save dialogs of coefficient files, and where the shipped standard filters are.
// The dialog takes its file choosers as functions so that tests (and other callers) can answer
// them without a modal window.

#include <functional>
#include <string>

class QWidget;

// Shows a file dialog starting in `folder` (empty: the working directory) and returns the chosen
// path, or an empty text when the user cancelled.
using TFilterFileChooser = std::function<std::string(QWidget* parent, const std::string& folder)>;

// "Filters (*.filter)", default suffix "filter"; the open dialog accepts existing files only,
// the save dialog asks the toolkit's standard question before it returns an existing file.
std::string ChooseFilterFileToOpen(QWidget* parent, const std::string& folder);
std::string ChooseFilterFileToSave(QWidget* parent, const std::string& folder);

// The folder of the standard filters: beside the program as installed
// (<executable folder>/../share/orvant3k/filters), else the source tree's filters/ folder when
// this build knows it; empty when neither exists.
std::string FindStandardFiltersFolder(const std::string& executableFolder);
// The same for the running program.
std::string StandardFiltersFolder();

// The folder part of a path ("." for a bare file name).
std::string FolderOf(const std::string& path);
