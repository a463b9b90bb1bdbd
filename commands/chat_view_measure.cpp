#include "commands/chat_view_measure.h"

uint32_t MeasureEntryText(WindowRecord*, Painter* painter, const NamedEntry& entry) {
    return PainterMeasureText(painter, entry.Text.c_str(), -1, 0, 0, nullptr);
}
