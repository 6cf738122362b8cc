#include "net/IdGlobal.h"

#include "net/IdStackWindows.h"

TIdStackClass StackClass = &TIdStackWindows::Create;
