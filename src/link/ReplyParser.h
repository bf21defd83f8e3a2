#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corvid {

// The pedal answers with numbers 0..255 in ASCII decimal, each ended by CR, LF or CR LF.
struct ParsedReply {
    std::vector<std::uint8_t> values;
    // Set when the reply holds anything else: a byte other than digits, CR and LF, a number of
    // more than three digits or a number above 255. Nothing is decoded from such a reply.
    std::optional<std::string> error;
};

// Parses the bytes of one reply. Empty lines are skipped; digits after the last line end are an
// unfinished number and are not counted.
ParsedReply ParseReplyBytes(const std::uint8_t* bytes, std::size_t size);

// Counts the finished values of a reply as its bytes arrive, as ParseReplyBytes would, so a reply
// of known length can end as soon as it is complete.
class ReplyValueCounter {
public:
    void Feed(const std::uint8_t* bytes, std::size_t size);
    std::size_t Count() const { return count_; }

private:
    std::size_t count_ = 0;
    bool inNumber_ = false;
};

} // namespace corvid
