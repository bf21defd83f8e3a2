// Times each pedal operation through the core, with the real serial-port driver and clock,
// against corvid-pedal-emulator paced at 115,200 bit/s on a pseudo-terminal, and prints the
// time taken against the least the line and the protocol's own pauses allow. Then the firmware
// upgrade on its fast path (8E1, the built-in emulated pedal paced in process, since a
// pseudo-terminal cannot carry parity) and on its compatible path (8N1 on the terminal).
//   build/bench/wire_time [RUNS]
#include "EmulatorProcess.h"
#include "algorithms/AlgorithmLibrary.h"
#include "base/RealClock.h"
#include "core/PlainViews.h"
#include "core/Session.h"
#include "emulator/EmulatedDriver.h"
#include "firmware/Bootloader.h"
#include "link/SerialPortDriver.h"
#include "tunings/NoteCut.h"
#include "tunings/Tunings.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace corvid;

// One byte of 8N1 at 115,200 bit/s, in seconds.
constexpr double kByteSeconds = 10.0 / 115200.0;

class CountingDialogs : public Dialogs {
public:
    void ShowMessage(const std::string& text) override {
        std::cerr << "message: " << text << '\n';
        ++shown;
    }
    bool Confirm(const Question& /*question*/) override { return true; }
    std::filesystem::path OpenFileName(const FileDialogRequest& /*request*/) override { return {}; }
    std::filesystem::path SaveFileName(const FileDialogRequest& /*request*/) override { return {}; }
    int shown = 0;
};

class NoLog : public Log {
public:
    void PrintToConsole(const std::string& /*text*/) override {}
    void PlainLine(const std::string& /*text*/) override {}
};

// corvid-pedal-emulator paced at 115,200 bit/s on a pseudo-terminal, for as long as it lives.
struct PacedEmulator : EmulatorProcess {
    explicit PacedEmulator(QStringList options)
        : EmulatorProcess(CORVID_PEDAL_EMULATOR, QStringList{"--pace", "115200"} + options) {
        if (path.isEmpty()) {
            std::cerr << "wire_time: the pedal emulator did not start\n";
        }
    }
};

struct Operation {
    const char* name;
    // Bytes that cross the line both ways, and the pauses the operation must make.
    std::size_t bytes;
    double pausesSeconds;
    std::function<bool()> run;
};

// Message boxes of a firmware run are part of it (the synchronisation, the completion).
class QuietDialogs : public CountingDialogs {
public:
    void ShowMessage(const std::string& /*text*/) override {}
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// A session over a driver for the firmware runs: the windows' answers and views stand by.
struct FirmwareBench {
    QuietDialogs dialogs;
    NoLog log;
    PlainViews views;
    QTemporaryDir documents;
    Session session;
    FlashReport report;

    FirmwareBench(FtdiDriver& driver, RealClock& clock)
        : session({.driver = driver,
                   .clock = clock,
                   .dialogs = dialogs,
                   .log = log,
                   .documents = documents.path().toStdString()},
                  {views, views, views, views, views, views, views, views, views}) {
        session.Start();
    }
    // Connects (synchronisation and the choice of path) and runs the shipped image; seconds.
    std::optional<double> Run(BootloaderPath expected) {
        session.Connect(true);
        if (!views.bootloaderReady) {
            std::cerr << "wire_time: no bootloader\n";
            return std::nullopt;
        }
        const auto start = std::chrono::steady_clock::now();
        const Result<FlashReport> flashed =
            session.FlashFirmware({.image = FirmwareUpgrade::firmwareImages.front()});
        if (!flashed) {
            std::cerr << "wire_time: the firmware run failed\n";
            return std::nullopt;
        }
        const double time =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (flashed.value.path != PathText(expected)) {
            std::cerr << "wire_time: the run took the " << flashed.value.path << " path, not the "
                      << PathText(expected) << " one\n";
            return std::nullopt;
        }
        report = flashed.value;
        session.Disconnect();
        return time;
    }
};

// Bytes a whole run writes: erase 4; per block command 2, address 5, count 1, checksum 1 and
// the data; the version record 2 + 5 + 10; Go 2 + 5. The replies: one a step.
std::size_t WrittenBytes(std::size_t blocks, std::size_t image) {
    return 4 + blocks * 9 + image + 17 + 7;
}
std::size_t Replies(std::size_t blocks) {
    return 2 + blocks * 3 + 3 + 2;
}

// The compatible path: corvid-pedal-emulator paced on a pseudo-terminal, which cannot carry
// parity. Its limit: the bytes both ways at 10 bits and the protocol's pauses.
int TimeCompatibleRun(RealClock& clock, int runs) {
    std::vector<double> times;
    std::size_t blocks = 0;
    std::size_t image = 0;
    for (int run = 0; run < runs; ++run) {
        const PacedEmulator emulator({"--bootloader"});
        if (emulator.path.isEmpty()) {
            return 1;
        }
        SerialPortDriver driver(clock, {emulator.Path()});
        FirmwareBench bench(driver, clock);
        const std::optional<double> time = bench.Run(BootloaderPath::Compatible);
        if (!time) {
            return 1;
        }
        times.push_back(*time);
        blocks = static_cast<std::size_t>(bench.report.blocks);
        image = bench.report.bytes;
    }
    // Pauses: erase 44 ms; a block 49 ms and 1 ms a data byte; the record 77 ms; the 2 s before
    // the completion message; Go 207 ms.
    const double pauses = (44.0 + 49.0 * static_cast<double>(blocks) + static_cast<double>(image) +
                           77.0 + 2000.0 + 207.0) /
                          1000.0;
    const double limit =
        static_cast<double>(WrittenBytes(blocks, image) + Replies(blocks)) * kByteSeconds + pauses;
    const double time = Median(times);
    std::printf("%-18s %10.4f %10.4f %7.3f\n", "upgrade, paced", time, limit, time / limit);
    return 0;
}

// The fast path: the built-in emulated pedal paced at 115,200 bit/s, 8E1 (11 bits a byte). Its
// limit: the bytes both ways, the erase, the 2 s pause and one acknowledgement round trip a
// reply, measured here on the same link.
int TimeFastRun(RealClock& clock, int runs) {
    constexpr double kParityByteSeconds = 11.0 / 115200.0;
    std::vector<double> times;
    std::vector<double> roundTrips;
    std::size_t blocks = 0;
    std::size_t image = 0;
    for (int run = 0; run < runs; ++run) {
        EmulatedDriver driver(clock);
        driver.pedal.state.inBootloader = true;
        driver.Pace(115200);
        FirmwareBench bench(driver, clock);
        const std::optional<double> time = bench.Run(BootloaderPath::Fast);
        if (!time) {
            return 1;
        }
        times.push_back(*time);
        blocks = static_cast<std::size_t>(bench.report.blocks);
        image = bench.report.bytes;

        // A round trip: Get Version's two bytes out, the first byte of its answer back.
        EmulatedDriver probe(clock);
        probe.pedal.state.inBootloader = true;
        probe.Pace(115200);
        FtHandle handle = 0;
        std::uint32_t count = 0;
        probe.OpenEx(EmulatedDriver::kSerialNumber.c_str(), 1, handle);
        probe.SetDataCharacteristics(handle, 8, 0, 2);
        const std::uint8_t sync = 0x7F;
        probe.Write(handle, &sync, 1, count);
        clock.Sleep(20);
        std::uint8_t answer[16];
        probe.Read(handle, answer, sizeof answer, count);
        const std::uint8_t getVersion[] = {0x01, 0xFE};
        const auto start = std::chrono::steady_clock::now();
        probe.Write(handle, getVersion, 2, count);
        for (std::uint32_t waiting = 0; waiting == 0;) {
            clock.Wait(1);
            probe.GetQueueStatus(handle, waiting);
        }
        roundTrips.push_back(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    const double roundTrip = Median(roundTrips);
    const double limit =
        static_cast<double>(WrittenBytes(blocks, image) + Replies(blocks)) * kParityByteSeconds +
        EmulatedPedal::State{}.eraseMs / 1000.0 + FirmwareUpgrade::kRestartPauseMs / 1000.0 +
        static_cast<double>(Replies(blocks)) * roundTrip;
    const double time = Median(times);
    std::printf("%-18s %10.4f %10.4f %7.3f   (round trip %.2f ms)\n", "upgrade, fast", time, limit,
                time / limit, roundTrip * 1000.0);
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

    std::optional<PacedEmulator> emulator(std::in_place, QStringList{});
    if (emulator->path.isEmpty()) {
        return 1;
    }
    const std::string path = emulator->Path();

    RealClock clock;
    CountingDialogs dialogs;
    NoLog log;
    PlainViews views;
    SerialPortDriver driver(clock, {path});
    QTemporaryDir documents;
    Session session({.driver = driver,
                     .clock = clock,
                     .dialogs = dialogs,
                     .log = log,
                     .documents = documents.path().toStdString()},
                    {views, views, views, views, views, views, views, views, views});
    session.Start();
    session.SelectAlgorithm(session.Algorithms().front());
    if (!session.Connect()) {
        return 1;
    }
    // The device information: 81 values as decimal lines of the emulated pedal's state.
    const std::size_t deviceInfoBytes = 2 + 81 * 3;
    AlgorithmLibrary library(dialogs);
    if (!library.LoadResourceLines(AlgorithmResourceName(session.Algorithms().front())) ||
        library.resourceLines.empty()) {
        return 1;
    }
    const std::size_t imageBytes = library.resourceLines.front().size() / 2;
    const double idleGap = Communication::kIdleGapMs / 1000.0;
    const std::vector<Operation> operations = {
        {"Request", deviceInfoBytes, Communication::kDeviceInfoPauseMs / 1000.0,
         [&] { return session.ReadPedalState().done; }},
        // The upload's answer is text: it ends with the idle gap.
        {"algorithm upload", 2 + imageBytes + 17, 0.4 + idleGap,
         [&] { return session.UploadAlgorithm(session.Algorithms().front()).done; }},
        {"store", 21, FXsettings::kStorePauseMs / 1000.0, [&] { return session.Store().done; }},
        {"assign", 16, FXsettings::kAssignPauseMs / 1000.0, [&] { return session.Assign().done; }},
        {"footswitch", 3, 0.0, [&] { return session.SetFootswitch(true, false).done; }},
        {"tuning upload", 2 + 641, (Tunings::kPreUploadPauseMs + Tunings::kTuningPauseMs) / 1000.0,
         [&] { return session.UploadTuningData().done; }},
        {"set tuning", 2, Tunings::kTuningPauseMs / 1000.0,
         [&] { return session.SetTuning().done; }},
        {"note cut", 3, NoteCut::kNoteCutPauseMs / 1000.0,
         [&] { return session.SaveNoteCut({}).done; }},
        {"MIDI channel", 2, 0.0, [&] { return session.SetMidiChannel("10").done; }},
        // The whole EEPROM, erased: 16,384 lines of "255" CR LF.
        {"EEPROM dump", 5 + 16384 * 5, EepromTools::kReadPauseMs / 1000.0,
         [&] { return session.ReadEeprom("0", "16383").done; }},
    };

    std::printf("%-18s %10s %10s %7s\n", "operation", "time [s]", "limit [s]", "ratio");
    for (const Operation& operation : operations) {
        std::vector<double> times;
        for (int run = 0; run < runs; ++run) {
            // Let the line drain between runs, as a user's clicks would.
            clock.Sleep(50);
            const auto start = std::chrono::steady_clock::now();
            if (!operation.run()) {
                std::cerr << "wire_time: " << operation.name << " failed\n";
                return 1;
            }
            times.push_back(
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        }
        const double time = Median(times);
        const double limit =
            static_cast<double>(operation.bytes) * kByteSeconds + operation.pausesSeconds;
        const double ratio = time / limit;
        std::printf("%-18s %10.4f %10.4f %7.3f\n", operation.name, time, limit, ratio);
    }
    session.Disconnect();
    // The firmware run starts an emulator of its own, in its bootloader.
    emulator.reset();
    if (dialogs.shown != 0) {
        return 1;
    }
    // The firmware runs bring their own emulators, in their bootloaders.
    return TimeFastRun(clock, runs) != 0 ? 1 : TimeCompatibleRun(clock, runs);
}
