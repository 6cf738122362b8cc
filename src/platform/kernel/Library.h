// Loading shared libraries by their Windows names: "WS2_32.DLL" is the file
// "libws2_32.so" in the executable's own folder (for an installed program,
// the folder it was installed to), never elsewhere. Failures leave their code
// for GetLastError.
#pragma once

#include <string>
#include <string_view>

#include "platform/kernel/Types.h"

// The file name that stands for a library name: lower case, ".dll" dropped,
// "lib" before and ".so" after. A name that contains "/" is a path and is kept.
std::string LibraryFileName(std::string_view LibraryName);

// The running executable's file, links resolved; "" when it cannot be read.
std::string ExecutableFileName();
// The folder of the running executable, without a trailing "/"; "." when unknown.
std::string ExecutableFolder();

// Loads the library with every symbol bound now and none made global. On
// failure returns nullptr with ERROR_MOD_NOT_FOUND (no such file) or
// ERROR_BAD_EXE_FORMAT (a file that is not a loadable library).
HMODULE LoadLibraryA(const char* LibraryName);

// The address of a function that the library itself exports (not one of the
// libraries it depends on), or nullptr with ERROR_PROC_NOT_FOUND.
FARPROC GetProcAddress(HMODULE Module, const char* ProcName);

// Releases a library; 0 with ERROR_INVALID_HANDLE when that fails.
BOOL FreeLibrary(HMODULE Module);
