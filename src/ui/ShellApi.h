// The shell's "open": hands a URL or a file to the desktop, which opens it with
// the program the user chose for it (the About page's web address goes to the
// browser). Tests replace the desktop with a hook, so nothing is opened.
#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

inline constexpr int SW_SHOWNORMAL = 1;

// The results below 33, which are failures: File names no file, Directory no
// folder, File cannot be read, the desktop has no program for it (or the verb
// is not "open").
inline constexpr std::intptr_t SE_ERR_FNF = 2;
inline constexpr std::intptr_t SE_ERR_PNF = 3;
inline constexpr std::intptr_t SE_ERR_ACCESSDENIED = 5;
inline constexpr std::intptr_t SE_ERR_NOASSOC = 31;

// Everything a call passed, as texts; a null pointer becomes no value, and a
// null verb becomes "open".
struct TShellRequest {
  QWidget* Owner;
  std::string Operation;
  std::string File;
  std::optional<std::string> Parameters;
  std::optional<std::string> Directory;
  int ShowCmd;
};

using TShellExecuteHook = std::function<std::intptr_t(const TShellRequest& Request)>;

// Opens File: a URL with a scheme (https:, mailto:, file: ...), or the path of
// a file, relative ones found in Directory (or in the current folder when it
// is null). Operation is "open" (in any case) or null. Parameters and ShowCmd
// are for programs; a document or URL opens without them. Returns 33 when the
// desktop took the file, or one of the failures above; a failure opens nothing.
std::intptr_t ShellExecuteA(QWidget* Owner, const char* Operation, const char* File,
                            const char* Parameters, const char* Directory, int ShowCmd);

// Makes ShellExecuteA, once the request is checked, return what Hook returns
// instead of opening anything; an empty hook restores the desktop. Returns
// the hook it replaces.
TShellExecuteHook SetShellExecuteHook(TShellExecuteHook Hook);
