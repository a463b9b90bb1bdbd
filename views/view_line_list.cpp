#include "views/view_line_list.h"

#include <algorithm>
#include <cstring>

namespace {

// Each UTF-16 unit on its own in one to three bytes, as UTF-8 writes a character of its value:
// every text comes back exactly, lone surrogates included.
void Encode(const std::wstring& text, std::string& bytes) {
    bytes.reserve(bytes.size() + text.size());
    for (wchar_t c : text) {
        const auto unit = static_cast<uint16_t>(c);
        if (unit < 0x80) {
            bytes += static_cast<char>(unit);
        } else if (unit < 0x800) {
            bytes += static_cast<char>(0xC0 | unit >> 6);
            bytes += static_cast<char>(0x80 | (unit & 0x3F));
        } else {
            bytes += static_cast<char>(0xE0 | unit >> 12);
            bytes += static_cast<char>(0x80 | (unit >> 6 & 0x3F));
            bytes += static_cast<char>(0x80 | (unit & 0x3F));
        }
    }
}

std::wstring Decode(const std::string& bytes, size_t from) {
    std::wstring text;
    text.reserve(bytes.size() - from);
    for (size_t i = from; i < bytes.size();) {
        const auto lead = static_cast<uint8_t>(bytes[i]);
        uint16_t unit = lead;
        if (lead >= 0xE0 && i + 2 < bytes.size()) {
            unit = static_cast<uint16_t>((lead & 0x0F) << 12 | (bytes[i + 1] & 0x3F) << 6 |
                                         (bytes[i + 2] & 0x3F));
            i += 3;
        } else if (lead >= 0xC0 && i + 1 < bytes.size()) {
            unit = static_cast<uint16_t>((lead & 0x1F) << 6 | (bytes[i + 1] & 0x3F));
            i += 2;
        } else {
            ++i;
        }
        text += static_cast<wchar_t>(unit);
    }
    return text;
}

} // namespace

void ViewLineList::Append(uint32_t kind, const std::wstring& text) {
    std::string bytes;
    for (uint32_t rest = kind;; rest >>= 7) {
        bytes += static_cast<char>((rest & 0x7F) | (rest > 0x7F ? 0x80 : 0));
        if (rest <= 0x7F) break;
    }
    Encode(text, bytes);
    if (count_ % kSlotsPerBlock == 0)
        slots_.push_back(std::make_unique_for_overwrite<Slot[]>(kSlotsPerBlock));
    slots_.back()[count_ % kSlotsPerBlock] = used_;
    ++count_;
    // The bytes run on from chunk to chunk.
    for (size_t done = 0; done < bytes.size();) {
        const size_t chunk = static_cast<size_t>(used_ / kChunkBytes);
        const size_t offset = static_cast<size_t>(used_ % kChunkBytes);
        if (chunk == chunks_.size()) chunks_.push_back(std::make_unique_for_overwrite<char[]>(kChunkBytes));
        const size_t count = std::min(kChunkBytes - offset, bytes.size() - done);
        std::memcpy(chunks_[chunk].get() + offset, bytes.data() + done, count);
        done += count;
        used_ += count;
    }
}

std::string ViewLineList::Bytes(size_t index) const {
    uint64_t at = SlotAt(index);
    const uint64_t end = index + 1 < count_ ? SlotAt(index + 1) : used_;
    std::string bytes(static_cast<size_t>(end - at), '\0');
    for (size_t done = 0; done < bytes.size();) {
        const size_t offset = static_cast<size_t>(at % kChunkBytes);
        const size_t count = std::min(kChunkBytes - offset, bytes.size() - done);
        std::memcpy(bytes.data() + done, chunks_[static_cast<size_t>(at / kChunkBytes)].get() + offset,
                    count);
        done += count;
        at += count;
    }
    return bytes;
}

NamedEntry& ViewLineList::operator[](size_t index) {
    const auto key = static_cast<uint32_t>(index);
    auto found = entries_.find(key);
    if (found != entries_.end()) return found->second;
    const std::string bytes = Bytes(index);
    NamedEntry entry;
    entry.Kind = 0;
    size_t at = 0;
    for (int shift = 0; at < bytes.size(); shift += 7) {
        const auto byte = static_cast<uint8_t>(bytes[at++]);
        entry.Kind |= static_cast<uint32_t>(byte & 0x7F) << shift;
        if (!(byte & 0x80)) break;
    }
    entry.Text = Decode(bytes, at);
    return entries_.emplace(key, std::move(entry)).first->second;
}

void ViewLineList::KeepEntries(const std::vector<uint32_t>& sortedIndexes) {
    for (auto it = entries_.begin(); it != entries_.end();)
        it = std::binary_search(sortedIndexes.begin(), sortedIndexes.end(), it->first) ? std::next(it)
                                                                                       : entries_.erase(it);
}
