// Parsing a reply: the editor parses only the bytes of the exchange. The baseline is the earlier
// method, which turned the whole 65,536-byte receive buffer into hex text on every read and
// scanned that text for CR and LF digits.
#include "link/HexMessage.h"
#include "link/ReplyParser.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

std::vector<std::uint8_t> ReplyOf(std::size_t values) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < values; ++i) {
        const std::string line = std::to_string((i * 37) % 256) + "\r\n";
        bytes.insert(bytes.end(), line.begin(), line.end());
    }
    return bytes;
}

// The earlier parser, kept here only as the baseline.
std::vector<std::uint8_t> ParseWholeBufferAsHex(const std::vector<std::uint8_t>& buffer) {
    const std::string hex = corvid::BytesToHex(buffer.data(), buffer.size());
    std::vector<std::uint8_t> values;
    std::size_t start = 0;
    std::uint8_t value = 0;
    for (std::size_t j = 0; j < hex.size(); ++j) {
        if (hex[j] == 'A') {
            start = j + 1;
        } else if (hex[j] == 'D') {
            const std::string field = hex.substr(start, j > start ? j - start - 1 : 0);
            if (field.size() == 2 || field.size() == 4 || field.size() == 6) {
                unsigned number = 0;
                for (std::size_t k = 1; k < field.size(); k += 2) {
                    number = number * 10 + static_cast<unsigned>(field[k] - '0');
                }
                value = static_cast<std::uint8_t>(number);
            }
            values.push_back(value);
            start = j + 1;
            if (j + 1 < hex.size() && hex[j + 1] == 'A') {
                ++j;
                start = j + 1;
            }
        }
    }
    return values;
}

void BM_ParseExchange(benchmark::State& state) {
    const std::vector<std::uint8_t> reply = ReplyOf(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(corvid::ParseReplyBytes(reply.data(), reply.size()));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * reply.size()));
}

void BM_ParseWholeBufferAsHex(benchmark::State& state) {
    const std::vector<std::uint8_t> reply = ReplyOf(static_cast<std::size_t>(state.range(0)));
    // One read of at most the buffer's size; an 80 KB dump needs two.
    const std::size_t reads = reply.size() / 65536 + 1;
    std::vector<std::uint8_t> buffer(65536, 0);
    std::copy_n(reply.begin(), std::min<std::size_t>(reply.size(), buffer.size()), buffer.begin());
    for (auto _ : state) {
        for (std::size_t r = 0; r < reads; ++r) {
            benchmark::DoNotOptimize(ParseWholeBufferAsHex(buffer));
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * reply.size()));
}

} // namespace

BENCHMARK(BM_ParseExchange)->Arg(81)->Arg(16384);
BENCHMARK(BM_ParseWholeBufferAsHex)->Arg(81)->Arg(16384);
BENCHMARK_MAIN();
