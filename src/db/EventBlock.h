#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The event parameter block with which a client asks the server for events,
// and in which the server answers: a version byte, then for each event the
// length of its name, the name and a count of four bytes, low byte first. A
// request is answered as soon as the server's count of one of its events is
// above the count asked with; the answer carries the server's counts, so a
// request made with them waits for the next change.
namespace EventBlock {

struct Event {
    std::string name;
    std::uint32_t count = 0;

    bool operator==(const Event&) const = default;
};

std::vector<unsigned char> Build(const std::vector<Event>& events);

// The most events one request asks for: the client library's own block
// builder takes no more, and servers are tested with no more.
inline constexpr std::size_t MaxEvents = 15;

// The events in blocks of at most MaxEvents each, in the order given.
std::vector<std::vector<unsigned char>> BuildBlocks(const std::vector<Event>& events);

// The events of a block; a malformed or cut-off end is left out.
std::vector<Event> Parse(const unsigned char* block, std::size_t length);

} // namespace EventBlock
