// The kernel's plain value types, shared by the stand-ins in this folder.
#pragma once

#include <cstdint>

using DWORD = std::uint32_t;
using BOOL = std::int32_t;
using HMODULE = void*;
using FARPROC = void (*)();
