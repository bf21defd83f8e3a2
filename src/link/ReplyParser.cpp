#include "link/ReplyParser.h"

namespace corvid {

ParsedReply ParseReplyBytes(const std::uint8_t* bytes, std::size_t size) {
    ParsedReply reply;
    reply.values.reserve(size / 2);
    unsigned value = 0;
    int digits = 0;
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t b = bytes[i];
        if (b >= '0' && b <= '9') {
            if (++digits > 3) {
                reply.error = "a number of more than three digits";
                break;
            }
            value = value * 10 + (b - '0');
        } else if (b == '\r' || b == '\n') {
            if (digits > 0) {
                if (value > 255) {
                    reply.error = "the number " + std::to_string(value) + " is above 255";
                    break;
                }
                reply.values.push_back(static_cast<std::uint8_t>(value));
            }
            value = 0;
            digits = 0;
        } else {
            reply.error = "byte " + std::to_string(b) + " is not a digit, CR or LF";
            break;
        }
    }
    if (reply.error) {
        reply.values.clear();
    }
    return reply;
}

void ReplyValueCounter::Feed(const std::uint8_t* bytes, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        const bool isDigit = bytes[i] >= '0' && bytes[i] <= '9';
        if (!isDigit && inNumber_) {
            ++count_;
        }
        inNumber_ = isDigit;
    }
}

} // namespace corvid
