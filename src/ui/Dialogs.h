// Message boxes: the modal box that shows a text under a caption, and the seam
// through which tests answer boxes instead of showing them.
#pragma once

#include <QWidget>
#include <functional>
#include <string>

// The kinds of box, as flags of the framework.
inline constexpr unsigned MB_OK = 0x00;
inline constexpr unsigned MB_ICONERROR = 0x10;
inline constexpr unsigned MB_ICONWARNING = 0x30;
inline constexpr unsigned MB_ICONINFORMATION = 0x40;
// The answer of a box that was closed with its only button.
inline constexpr int IDOK = 1;

using TMessageBoxHook =
    std::function<int(const std::string& Text, const std::string& Caption, unsigned Flags)>;

// Shows the box over Owner (none: over no window) and returns when the user has
// closed it; texts are the program's byte strings.
int MessageBox(QWidget* Owner, const std::string& Text, const std::string& Caption, unsigned Flags);

// Makes MessageBox call Hook instead of showing a box; an empty hook restores
// the box. Returns the hook it replaces.
TMessageBoxHook SetMessageBoxHook(TMessageBoxHook Hook);
