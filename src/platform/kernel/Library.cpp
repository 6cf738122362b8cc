#include "platform/kernel/Library.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <filesystem>

#include "platform/kernel/LastError.h"

std::string LibraryFileName(std::string_view LibraryName) {
  std::string Name(LibraryName);
  if (Name.find('/') != std::string::npos) return Name;
  std::transform(Name.begin(), Name.end(), Name.begin(), [](char C) {
    return (C >= 'A' && C <= 'Z') ? static_cast<char>(C - 'A' + 'a') : C;
  });
  if (Name.size() > 4 && Name.ends_with(".dll")) Name.resize(Name.size() - 4);
  if (!Name.starts_with("lib")) Name = "lib" + Name;
  if (!Name.ends_with(".so")) Name += ".so";
  return Name;
}

std::string ExecutableFileName() {
  char Path[PATH_MAX];
  const ssize_t Length = readlink("/proc/self/exe", Path, sizeof Path);
  return Length > 0 ? std::string(Path, static_cast<std::size_t>(Length)) : std::string();
}

std::string ExecutableFolder() {
  const std::string FileName = ExecutableFileName();
  if (FileName.empty()) return ".";
  return std::filesystem::path(FileName).parent_path().string();
}

HMODULE LoadLibraryA(const char* LibraryName) {
  if (LibraryName == nullptr) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  // A bare name is looked for beside the executable only: a library of the
  // same name elsewhere on the system would be called with our ABI.
  std::string FileName = LibraryFileName(LibraryName);
  if (FileName.find('/') == std::string::npos) FileName = ExecutableFolder() + "/" + FileName;
  HMODULE Module = dlopen(FileName.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (Module == nullptr) {
    // A file that exists but cannot be loaded is a bad image, not a missing one.
    SetLastError(access(FileName.c_str(), F_OK) == 0 ? ERROR_BAD_EXE_FORMAT : ERROR_MOD_NOT_FOUND);
  }
  return Module;
}

namespace {

// dlsym also searches the libraries a library depends on; an export counts
// only when the library itself defines it, so that a name the library lacks is
// never bound to the C library's function of the same name.
bool DefinedIn(HMODULE Module, void* Address) {
  link_map* Own = nullptr;
  link_map* Found = nullptr;
  Dl_info Info{};
  return dlinfo(Module, RTLD_DI_LINKMAP, &Own) == 0 &&
         dladdr1(Address, &Info, reinterpret_cast<void**>(&Found), RTLD_DL_LINKMAP) != 0 &&
         Found == Own;
}

}  // namespace

FARPROC GetProcAddress(HMODULE Module, const char* ProcName) {
  void* Address = (Module != nullptr && ProcName != nullptr) ? dlsym(Module, ProcName) : nullptr;
  if (Address != nullptr && !DefinedIn(Module, Address)) Address = nullptr;
  if (Address == nullptr) {
    SetLastError(Module == nullptr ? ERROR_INVALID_HANDLE : ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(Address);
}

BOOL FreeLibrary(HMODULE Module) {
  if (Module == nullptr || dlclose(Module) != 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return 1;
}
