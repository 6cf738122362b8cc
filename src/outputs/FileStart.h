// Reading the start of a file of ours (the host history, the targets) that
// only a plain file can give: a huge file, a pipe or a device can neither
// stall nor flood the program.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

// The first Limit bytes of the plain file at FileName, all of it when it is
// shorter, or none when it cannot be read. Reading stops early once the bytes
// hold more than MaxLines whole lines, or a zero byte, which ends the text.
std::optional<std::string> ReadFileStart(const std::string& FileName, std::size_t Limit,
                                         std::size_t MaxLines);
