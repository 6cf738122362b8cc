// The system's message text for an error code: kernel codes and socket codes.
#pragma once

#include "platform/kernel/Types.h"

inline constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x00001000;
inline constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x00000200;

// Writes the text for MessageId, ending in CR LF, into Buffer. Returns the
// number of characters written without the terminating zero, or 0 with
// ERROR_MR_MID_NOT_FOUND for an unknown code and ERROR_INSUFFICIENT_BUFFER
// when the text does not fit. Only system messages are served; Source,
// LanguageId and Arguments are accepted and not used.
DWORD FormatMessageA(DWORD Flags, const void* Source, DWORD MessageId, DWORD LanguageId,
                     char* Buffer, DWORD Size, void* Arguments);
