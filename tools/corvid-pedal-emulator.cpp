// Serves the emulated pedal on a pseudo-terminal, so the editor's serial-port driver can talk to
// it exactly as to a real pedal:  corvid-editor --port $(the path this prints)
#include "emulator/EmulatedPedal.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void RequestStop(int /*signal*/) {
    stopRequested = 1;
}

std::int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
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

int main() {
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
    std::uint8_t buffer[4096];
    while (stopRequested == 0) {
        pollfd fd{master, POLLIN, 0};
        if (poll(&fd, 1, 2) > 0 && (fd.revents & POLLIN) != 0) {
            const ssize_t n = read(master, buffer, sizeof buffer);
            if (n > 0) {
                pedal.Receive(buffer, static_cast<std::size_t>(n), NowMs());
            }
        }
        const std::size_t ready = pedal.Take(buffer, sizeof buffer, NowMs());
        if (ready > 0 && !WriteAll(master, buffer, ready)) {
            std::perror("corvid-pedal-emulator: write");
            return 1;
        }
    }
    close(slave);
    close(master);
    return 0;
}
