// The program's start. The window is not built yet: this start brings up the
// network stack as the window's echo client will, reports it, and ends.
#include <cstdio>
#include <memory>

#include "net/IdComponent.h"
#include "rtl/SysUtils.h"

int main() {
  try {
    const auto Owner = std::make_unique<TComponent>(nullptr);
    new TIdComponent(Owner.get());
    std::printf("Quorvel: the network stack is up; Windows Sockets 2.2 started.\n");
    std::printf("Quorvel: the window is not built yet, so there is nothing more to show.\n");
    return 0;
  } catch (const Exception& E) {
    std::fprintf(stderr, "Quorvel: %s\n", E.Message().c_str());
    return 1;
  }
}
