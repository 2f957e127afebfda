#include "db/EventBlock.h"

#include <algorithm>

namespace EventBlock {

namespace {

constexpr unsigned char Version = 1;
constexpr std::size_t CountBytes = 4;

} // namespace

std::vector<unsigned char> Build(const std::vector<Event>& events) {
    std::vector<unsigned char> block{Version};
    for (const Event& event : events) {
        block.push_back(static_cast<unsigned char>(event.name.size()));
        block.insert(block.end(), event.name.begin(), event.name.end());
        for (std::size_t i = 0; i < CountBytes; ++i)
            block.push_back(static_cast<unsigned char>(event.count >> (8 * i)));
    }
    return block;
}

std::vector<std::vector<unsigned char>> BuildBlocks(const std::vector<Event>& events) {
    std::vector<std::vector<unsigned char>> blocks;
    for (std::size_t first = 0; first < events.size(); first += MaxEvents) {
        const auto begin = events.begin() + static_cast<std::ptrdiff_t>(first);
        const auto end =
            events.begin() + static_cast<std::ptrdiff_t>(std::min(first + MaxEvents, events.size()));
        blocks.push_back(Build(std::vector<Event>(begin, end)));
    }
    return blocks;
}

std::vector<Event> Parse(const unsigned char* block, std::size_t length) {
    std::vector<Event> events;
    if (!block || length == 0 || block[0] != Version)
        return events;
    for (std::size_t at = 1; at < length;) {
        const std::size_t nameLength = block[at++];
        if (length - at < nameLength + CountBytes)
            break;
        Event event;
        event.name.assign(reinterpret_cast<const char*>(block + at), nameLength);
        at += nameLength;
        for (std::size_t i = 0; i < CountBytes; ++i)
            event.count |= static_cast<std::uint32_t>(block[at++]) << (8 * i);
        events.push_back(std::move(event));
    }
    return events;
}

} // namespace EventBlock
