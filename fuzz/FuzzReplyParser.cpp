// The pedal's replies: decimal lines from the serial line, any bytes at all.
#include "link/ReplyParser.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    corvid::ParseReplyBytes(data, size);
    corvid::ReplyValueCounter counter;
    counter.Feed(data, size);
    return 0;
}
