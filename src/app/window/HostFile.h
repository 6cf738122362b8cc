// The format of the host history file "host.txt": one host per line, taken
// byte for byte. Pure functions over a byte buffer; reading and saving the
// file is HostStore's job.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The first MaxHosts hosts of a history file, in file order. CR LF, a lone LF
// and a lone CR each end a line; a break at the very end makes no extra
// entry, a last line without one still counts. A zero byte ends the text.
// Lines keep their blanks and every other byte.
std::vector<std::string> ParseHostFile(std::string_view Bytes, std::size_t MaxHosts);

// The bytes of a history file: every host followed by CR LF, the last one
// too; no hosts give no bytes.
std::string FormatHostFile(const std::vector<std::string>& Hosts);

// The size of the largest history file that holds Hosts hosts of at most
// HostBytes bytes each.
std::size_t HostFileSize(std::size_t Hosts, std::size_t HostBytes);
