#include "net/IdException.h"

#include "platform/kernel/SystemMessage.h"

namespace {

// System texts end with a full stop and a line break; the message adds its own.
std::string TrimSystemText(std::string Text) {
  while (!Text.empty()) {
    const auto Last = static_cast<unsigned char>(Text.back());
    if (Last > ' ' && Last != '.' && Last != 0x7F) break;
    Text.pop_back();
  }
  return Text;
}

}  // namespace

EIdWS2StubError::EIdWS2StubError(std::string ABaseMessage, std::uint32_t ASystemErrorCode)
    : EIdException(ABaseMessage),
      FBaseMessage(std::move(ABaseMessage)),
      FSystemErrorCode(ASystemErrorCode) {
  if (FSystemErrorCode == 0) return;
  char Buffer[256] = {};
  const DWORD Length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, FSystemErrorCode, 0, Buffer, sizeof Buffer, nullptr);
  FSystemErrorText = TrimSystemText(std::string(Buffer, Length));
  SetMessage(FBaseMessage + ": " + FSystemErrorText);
}
