#include "platform/kernel/Library.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/kernel/LastError.h"

struct TNameCase {
  const char* Name;
  const char* FileName;
};

void PrintTo(const TNameCase& C, std::ostream* Out) { *Out << '"' << C.Name << '"'; }

class LibraryFileNames : public testing::TestWithParam<TNameCase> {};

TEST_P(LibraryFileNames, MapWindowsNamesToSharedObjects) {
  EXPECT_EQ(LibraryFileName(GetParam().Name), GetParam().FileName);
}

INSTANTIATE_TEST_SUITE_P(Names, LibraryFileNames,
                         testing::Values(TNameCase{"WS2_32.DLL", "libws2_32.so"},
                                         TNameCase{"ws2_32.dll", "libws2_32.so"},
                                         TNameCase{"version", "libversion.so"},
                                         TNameCase{"libm.so", "libm.so"},
                                         TNameCase{"./x/WS2_32.DLL", "./x/WS2_32.DLL"}));

TEST(LoadLibrary, FindsTheLibraryBesideTheExecutable) {
  HMODULE Module = LoadLibraryA("WS2_32.DLL");
  ASSERT_NE(Module, nullptr) << "libws2_32.so is built beside the test program";
  EXPECT_NE(GetProcAddress(Module, "WSAStartup"), nullptr);
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(GetProcAddress(Module, "NoSuchExport"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
  // The C library, which the socket library depends on, defines this one.
  EXPECT_EQ(GetProcAddress(Module, "getprotobyname"), nullptr);
  EXPECT_EQ(GetProcAddress(Module, "recvmsg"), nullptr);
  EXPECT_TRUE(FreeLibrary(Module));
}

TEST(LoadLibrary, MissingLibraryIsModuleNotFound) {
  EXPECT_EQ(LoadLibraryA("NO_SUCH_LIBRARY_4711.DLL"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
  EXPECT_EQ(LoadLibraryA("/nonexistent/folder/libx.so"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
}

TEST(LoadLibrary, ANameIsNeverLookedForOnTheSystemsPath) {
  void* System = dlopen("libz.so", RTLD_NOW | RTLD_LOCAL);
  if (System == nullptr) GTEST_SKIP() << "no libz.so on the system's library path";
  dlclose(System);
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(LoadLibraryA("Z.DLL"), nullptr) << "only the executable's folder is searched";
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
}

TEST(LoadLibrary, FileThatIsNoLibraryIsBadFormat) {
  const auto Path = std::filesystem::temp_directory_path() / "quorvel_not_a_library.so";
  std::ofstream(Path) << "this is text, not a shared object";
  EXPECT_EQ(LoadLibraryA(Path.c_str()), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_BAD_EXE_FORMAT);
  std::filesystem::remove(Path);
}

TEST(LoadLibrary, ExecutableFolderIsAbsolute) {
  const std::string Folder = ExecutableFolder();
  EXPECT_TRUE(std::filesystem::path(Folder).is_absolute());
  EXPECT_TRUE(std::filesystem::exists(Folder + "/libws2_32.so"));
}
