// Reading and saving the host history file. The read takes only a plain file
// and only the hosts the program can hold, so a huge file, a pipe or a device
// can neither stall nor flood the program; the save replaces the stored file whole or not at all.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The history file: "host.txt" in HostFolder(ExecutableFolder()).
std::string HostFileName();
// The folder of the history file for a program in ProgramFolder: that folder
// itself when the program may write there (a build tree, a portable copy)
// and it is not where an install puts the program, otherwise the user's data
// folder for the program, QStandardPaths::AppDataLocation, made for the user
// alone when missing. When there is no such folder either, ProgramFolder,
// whose save then fails with its message.
std::string HostFolder(const std::string& ProgramFolder);
// Puts the history file in Folder instead, for tests; an empty Folder goes
// back to the rule above.
void SetHostFolder(const std::string& Folder);

// Whether something is at FileName. A path that cannot be looked into counts
// as existing, so that its history is not taken for a first run.
bool HostFileExists(const std::string& FileName);

// The first MaxHosts hosts in the file at FileName; the rest is never read,
// so neither time nor memory grows with the file. Raises EFOpenError when it
// cannot be opened or read, is no plain file, or one of those hosts holds
// more than MaxHostBytes bytes.
std::vector<std::string> LoadHostFile(const std::string& FileName, std::size_t MaxHosts,
                                      std::size_t MaxHostBytes);

// Replaces the file at FileName by one holding Hosts. The new file is written
// beside it and renamed over it, so the stored file is always the old one or
// the new one whole. Raises EFCreateError, the old file unchanged, when the
// new one cannot be created or written, or would hold more than MaxSize bytes
// and so could not be loaded again.
void SaveHostFile(const std::string& FileName, const std::vector<std::string>& Hosts,
                  std::size_t MaxSize);
