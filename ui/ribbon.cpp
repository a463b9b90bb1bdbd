#include "ui/ribbon.h"

// This build has no ribbon: the frame always shows its menu and rebar, so there is no contextual
// group to re-evaluate.
void RibbonInvalidateContext(uint32_t) {}
