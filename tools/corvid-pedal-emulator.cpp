// Serves the emulated pedal on a pseudo-terminal, so the editor's serial-port driver can talk to
// it exactly as to a real pedal:  corvid-editor --port $(the path this prints)
// Bytes move no faster than a serial line of --pace BAUD (8N1, 10 bits a byte; 11 when the host
// asks for parity) would carry them, in both directions, so timings measured against it mean
// something. In its bootloader it receives as the pedal's 8E1 receiver does: an 8N1 byte that
// came right after another is misframed (--lenient-framing receives everything).
#include "emulator/EmulatedPedal.h"
#include "updates/VersionCheck.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void RequestStop(int /*signal*/) {
    stopRequested = 1;
}

constexpr const char* kUsage =
    "Usage: corvid-pedal-emulator [--pace BAUD] [--bootloader] [--nack-write K]\n"
    "                             [--product-id HEX] [--after-go runs|old|bootloader]\n"
    "                             [--lenient-framing] [--dump-flash FILE]\n"
    "Serves the emulated Corvid MK3 on a pseudo-terminal and prints its path.\n"
    "  --pace BAUD    carry bytes no faster than BAUD bit/s (10 bits a byte, 11 with parity;\n"
    "                 default 115200; 0: unpaced)\n"
    "  --bootloader   start in the serial bootloader (for a firmware upgrade)\n"
    "  --nack-write K the bootloader refuses the data of Write Memory number K (from 0)\n"
    "  --product-id HEX   what the bootloader's Get ID names (default 0410, the pedal's chip)\n"
    "  --after-go WHAT    after Go the pedal runs the version written (runs, the default),\n"
    "                 keeps its old version (old) or stays in its bootloader (bootloader)\n"
    "  --lenient-framing  the bootloader receives 8N1 bytes however close they come\n"
    "  --dump-flash FILE  write the 128 KiB flash to FILE when ended\n"
    "  --help       this text;  --version  the release\n"
    "The pedal keeps its state (values, EEPROM, flash) for as long as this program runs.\n";

std::int64_t NowUs() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

// One direction of the line: bytes leave it no sooner than the line has carried them.
class PacedLine {
public:
    explicit PacedLine(long baud) : baud_(baud) {}

    // A read of `size` bytes at nowUs. The host's write times are not seen, only reads: bytes
    // beyond what a host pausing between them could have sent since the last read (one per two
    // byte times) came back to back.
    void Push(const std::uint8_t* bytes, std::size_t size, std::int64_t nowUs, bool parity) {
        const double byteUs = (parity ? 11e6 : 10e6) / LineBaud();
        const double sinceUs = static_cast<double>(nowUs - lastPushUs_);
        const auto spaced = static_cast<std::size_t>(1 + sinceUs / (2 * byteUs));
        lastPushUs_ = nowUs;
        for (std::size_t i = 0; i < size; ++i) {
            const double carryUs =
                baud_ > 0 ? (parity ? 11e6 : 10e6) / static_cast<double>(baud_) : 0;
            freeAtUs_ = std::max(freeAtUs_, static_cast<double>(nowUs)) + carryUs;
            queue_.push_back({bytes[i], freeAtUs_, i >= spaced});
        }
    }
    // The bytes that have crossed the line by nowUs, and whether each came back to back.
    std::size_t Pop(std::uint8_t* out, std::vector<bool>& gapless, std::size_t max,
                    std::int64_t nowUs) {
        std::size_t n = 0;
        gapless.clear();
        while (n < max && !queue_.empty() && queue_.front().atUs <= static_cast<double>(nowUs)) {
            out[n++] = queue_.front().byte;
            gapless.push_back(queue_.front().gapless);
            queue_.pop_front();
        }
        return n;
    }
    bool Busy() const { return !queue_.empty(); }

private:
    // The spacing is judged at the editor's line speed; the pace sets the carrying.
    static constexpr double LineBaud() { return 115200; }
    struct Byte {
        std::uint8_t byte;
        double atUs;
        bool gapless;
    };
    long baud_;
    double freeAtUs_ = 0;
    std::int64_t lastPushUs_ = 0;
    std::deque<Byte> queue_;
};

// The line settings the host gave the terminal (a pseudo-terminal shares them with its master).
bool HostParity(int master) {
    termios settings{};
    return tcgetattr(master, &settings) == 0 && (settings.c_cflag & PARENB) != 0;
}

bool WriteAll(int fd, const std::uint8_t* bytes, std::size_t size) {
    while (size > 0) {
        const ssize_t n = write(fd, bytes, size);
        if (n < 0) {
            return false;
        }
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    long baud = 115200;
    bool bootloader = false;
    long nackAtWrite = -1;
    long productId = 0x0410;
    using AfterGo = corvid::EmulatedPedal::State::AfterGo;
    AfterGo afterGo = AfterGo::Runs;
    const std::map<std::string, AfterGo> afterGoWords = {
        {"runs", AfterGo::Runs},
        {"old", AfterGo::KeepsOldVersion},
        {"bootloader", AfterGo::StaysInBootloader}};
    bool lenient = false;
    const char* dumpFlash = nullptr;
    // One line and where to look for an option that is not right, as the other programs say it.
    const auto refuse = [](const std::string& problem) {
        std::fprintf(stderr, "corvid-pedal-emulator: %s\nsee corvid-pedal-emulator --help\n",
                     problem.c_str());
        return 2;
    };
    // A whole number in `base` from `low` to `high`, or nullopt.
    const auto number = [](const char* text, int base, long low, long high) -> std::optional<long> {
        char* end = nullptr;
        const long value = std::strtol(text, &end, base);
        if (*text == '\0' || *end != '\0' || value < low || value > high) {
            return std::nullopt;
        }
        return value;
    };
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--help" || option == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (option == "--version" || option == "-V") {
            std::printf("corvid-pedal-emulator %s\n", corvid::ReleaseVersion().c_str());
            return 0;
        }
        if (option == "--bootloader") {
            bootloader = true;
            continue;
        }
        if (option == "--lenient-framing") {
            lenient = true;
            continue;
        }
        const bool valued = option == "--pace" || option == "--nack-write" ||
                            option == "--product-id" || option == "--after-go" ||
                            option == "--dump-flash";
        if (!valued) {
            return refuse("unknown option " + option);
        }
        if (i + 1 >= argc) {
            return refuse(option + " needs a value");
        }
        const char* value = argv[++i];
        if (option == "--dump-flash") {
            dumpFlash = value;
        } else if (option == "--after-go") {
            if (!afterGoWords.contains(value)) {
                return refuse("--after-go takes runs, old or bootloader: " + std::string(value));
            }
            afterGo = afterGoWords.at(value);
        } else if (option == "--pace") {
            const std::optional<long> given = number(value, 10, 0, 100000000);
            if (!given) {
                return refuse("--pace takes bit/s, a whole number from 0: " + std::string(value));
            }
            baud = *given;
        } else if (option == "--nack-write") {
            const std::optional<long> given = number(value, 10, 0, 1000000);
            if (!given) {
                return refuse("--nack-write takes a block number from 0: " + std::string(value));
            }
            nackAtWrite = *given;
        } else {
            const std::optional<long> given = number(value, 16, 0, 0xFFFF);
            if (!given) {
                return refuse("--product-id takes up to four hex digits: " + std::string(value));
            }
            productId = *given;
        }
    }

    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::perror("corvid-pedal-emulator: pseudo-terminal");
        return 1;
    }
    const char* path = ptsname(master);
    // Holding the far side open keeps the terminal alive between two connects; raw mode keeps
    // every byte as it is.
    const int slave = open(path, O_RDWR | O_NOCTTY);
    termios raw{};
    if (slave < 0 || tcgetattr(slave, &raw) != 0) {
        std::perror("corvid-pedal-emulator: terminal settings");
        return 1;
    }
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);

    std::signal(SIGINT, RequestStop);
    std::signal(SIGTERM, RequestStop);
    std::printf("%s\n", path);
    std::fflush(stdout);

    corvid::EmulatedPedal pedal;
    pedal.state.inBootloader = bootloader;
    pedal.state.nackAtWrite = static_cast<int>(nackAtWrite);
    pedal.state.productId = static_cast<std::uint16_t>(productId);
    pedal.state.afterGo = afterGo;
    pedal.state.strictFraming = !lenient;
    PacedLine toPedal(baud);
    PacedLine toHost(baud);
    std::uint8_t buffer[4096];
    std::vector<bool> gapless;
    while (stopRequested == 0) {
        // Short polls while bytes are on the line, so they leave on time.
        const int timeoutMs = toPedal.Busy() || toHost.Busy() ? 0 : 1;
        pollfd fd{master, POLLIN, 0};
        if (poll(&fd, 1, timeoutMs) > 0 && (fd.revents & POLLIN) != 0) {
            const ssize_t n = read(master, buffer, sizeof buffer);
            if (n > 0) {
                pedal.state.hostParity = HostParity(master);
                toPedal.Push(buffer, static_cast<std::size_t>(n), NowUs(), pedal.state.hostParity);
            }
        }
        const std::int64_t nowUs = NowUs();
        if (const std::size_t arrived = toPedal.Pop(buffer, gapless, sizeof buffer, nowUs);
            arrived > 0) {
            pedal.Receive(buffer, arrived, nowUs / 1000, gapless);
        }
        if (const std::size_t ready = pedal.Take(buffer, sizeof buffer, nowUs / 1000); ready > 0) {
            toHost.Push(buffer, ready, nowUs, pedal.state.hostParity);
        }
        if (const std::size_t sent = toHost.Pop(buffer, gapless, sizeof buffer, nowUs);
            sent > 0 && !WriteAll(master, buffer, sent)) {
            std::perror("corvid-pedal-emulator: write");
            return 1;
        }
        if (toPedal.Busy() || toHost.Busy()) {
            usleep(50);
        }
    }
    close(slave);
    close(master);
    if (dumpFlash != nullptr) {
        std::FILE* out = std::fopen(dumpFlash, "wb");
        const bool written =
            out != nullptr && std::fwrite(pedal.state.flash.data(), 1, pedal.state.flash.size(),
                                          out) == pedal.state.flash.size();
        if (out == nullptr || std::fclose(out) != 0 || !written) {
            std::perror("corvid-pedal-emulator: --dump-flash");
            return 1;
        }
    }
    return 0;
}
