// The save dialog: asks the user for the name of a file to write, and the seam
// through which tests answer it instead of showing it.
#pragma once

#include <QWidget>
#include <functional>
#include <optional>
#include <string>

struct TSaveRequest {
  std::string Title;
  std::string FileName;  // proposed in the dialog
  // Kinds of file, as "CSV (*.csv);;JSON Lines (*.jsonl)".
  std::string Filter;
};

using TSaveDialogHook = std::function<std::optional<std::string>(const TSaveRequest& Request)>;

// The name the user chose over Owner, or none when the dialog was cancelled.
// A name typed without a suffix gets the one of the kind of file chosen (see
// SuffixedName). Texts are the program's byte strings.
std::optional<std::string> PromptSaveFile(QWidget* Owner, const TSaveRequest& Request);

// AName as it stands when its last part has a suffix, else with the first
// "*.suffix" pattern of AKind ("JSON Lines (*.jsonl)") appended; AKind
// without such a pattern ("All files (*)") leaves it as it is.
std::string SuffixedName(const std::string& AName, const std::string& AKind);

// Makes PromptSaveFile call Hook instead of showing the dialog; an empty hook
// restores the dialog. Returns the hook it replaces.
TSaveDialogHook SetSaveDialogHook(TSaveDialogHook Hook);
