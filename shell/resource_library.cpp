#include "shell/resource_library.h"

std::atomic<HMODULE> ResourceModule{nullptr};
