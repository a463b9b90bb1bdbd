#include "core/resource_library.h"

std::atomic<HMODULE> ResourceModule{nullptr};
HIMAGELIST TabImageList = nullptr;
HIMAGELIST PreferencesBarImages = nullptr;
HIMAGELIST WindowBarImages = nullptr;
HIMAGELIST InsertsBarImages = nullptr;
HIMAGELIST ControlBarImages = nullptr;
