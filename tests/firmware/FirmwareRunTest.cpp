#include "firmware/Bootloader.h"
#include "presets/History.h"
#include "support/CoreFixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <tuple>

namespace corvid::testing {
namespace {

// A reply that is not an ACK where the run expects one ends it as a failure, wherever it comes:
// the address phase of a block, or the Go itself (then no completion is announced).
TEST(FirmwareRun, AWrongReplyAnywhereIsAFailure) {
    const std::vector<std::pair<int, std::string>> cases = {
        // Replies: 1 for Get ID, 2 for the erase, 3 a block (command, address, data), 3 for
        // the record.
        {0, "Get ID: 42"},
        {4, "block 0 of 211 at 0x08000000 (address): 42"},
        {1 + 2 + 3 * 211 + 3, "Go command: 42"},
    };
    for (const auto& [reply, step] : cases) {
        CoreSession core;
        core.pedal().state.inBootloader = true;
        ASSERT_TRUE(core.session.Start());
        ASSERT_TRUE(core.session.Connect(true));
        ASSERT_TRUE(core.views.bootloaderReady);
        // The fast path checks every reply as the compatible one does.
        ASSERT_EQ(core.modules().bootloader.path, BootloaderPath::Fast);
        core.pedal().state.wrongReplyAt = reply;
        core.dialogs.messages.clear();
        const Result<FlashReport> result =
            core.session.FlashFirmware({.image = FirmwareUpgrade::firmwareImages.front(),
                                        .readBack = FlashRequest::ReadBack::Never});
        EXPECT_FALSE(result.done) << step;
        // Once the erase has begun, the way back is said too.
        std::vector<std::string> said{"Firmware upgrade failed: " + step};
        if (reply > 0) {
            said.push_back(FirmwareUpgrade::kUnfinished);
        }
        EXPECT_EQ(core.dialogs.messages, said);
        EXPECT_FALSE(core.views.upgradeFinished) << step;
        EXPECT_FALSE(core.views.upgradeRunning) << step;
        EXPECT_TRUE(core.modules().communication.firmwareUpgradeMode) << step;
    }
}

using Bytes = std::vector<std::uint8_t>;

// After Go the restarted pedal is asked what it runs: the version written is a success; the
// old version, or no answer (it stayed in its bootloader), is a failure said as such.
TEST(FirmwareRun, TheRestartedPedalMustRunTheVersionWritten) {
    using AfterGo = EmulatedPedal::State::AfterGo;
    const std::vector<std::tuple<AfterGo, bool, std::string>> cases = {
        {AfterGo::Runs, true, "Firmware 05 is running"},
        {AfterGo::KeepsOldVersion, false, "The pedal restarted with firmware 04, not 05"},
        {AfterGo::StaysInBootloader, false,
         "The pedal did not answer within 15 s of its restart. If it waits in its bootloader, "
         "start the upgrade again; if not, unplug it, plug it in again and press Request."},
    };
    for (const auto& [afterGo, done, said] : cases) {
        CoreSession core;
        core.pedal().state.inBootloader = true;
        core.pedal().state.firmwareVersion = 4;
        core.pedal().state.afterGo = afterGo;
        ASSERT_TRUE(core.session.Start());
        ASSERT_TRUE(core.session.Connect(true));
        const Result<FlashReport> flashed =
            core.session.FlashFirmware({.image = FirmwareUpgrade::firmwareImages.front(),
                                        .readBack = FlashRequest::ReadBack::Never});
        EXPECT_EQ(flashed.done, done) << said;
        EXPECT_EQ(core.dialogs.messages.back(), said);
        EXPECT_EQ(flashed.value.runningVersion, done ? 5 : 0) << said;
        // The fast path's 8E1 is over: the pedal's own firmware speaks 8N1.
        EXPECT_EQ(core.driver.parity, bootloader::NoParity) << said;
    }
}

// The pedal's settings go into the history before an upgrade, read in an earlier connection to
// the same pedal; with nothing read, the user is told and asked, and No sends nothing.
TEST(FirmwareRun, TheSettingsAreKeptFirstOrTheUserIsAsked) {
    CoreSession asked;
    asked.pedal().state.inBootloader = true;
    ASSERT_TRUE(asked.session.Start());
    ASSERT_TRUE(asked.session.Connect(true));
    asked.pedal().ClearRecords();
    asked.dialogs.answers = {false};
    EXPECT_FALSE(asked.session.FlashFirmware({.image = FirmwareUpgrade::firmwareImages.front()}));
    EXPECT_EQ(asked.dialogs.questions, std::vector<std::string>{FirmwareUpgrade::kSettingsNotKept});
    EXPECT_EQ(asked.dialogs.questionKinds, std::vector<QuestionKind>{QuestionKind::Risk});
    EXPECT_TRUE(asked.pedal().ReceivedBytes().empty());

    CoreSession kept;
    ASSERT_TRUE(kept.session.Start());
    ASSERT_TRUE(kept.session.Connect());
    ASSERT_TRUE(kept.session.ReadPedalState());
    ASSERT_TRUE(kept.session.Disconnect());
    kept.pedal().state.inBootloader = true;
    ASSERT_TRUE(kept.session.Connect(true));
    EXPECT_TRUE(kept.session.FlashFirmware({.image = FirmwareUpgrade::firmwareImages.front(),
                                            .readBack = FlashRequest::ReadBack::Never}));
    EXPECT_TRUE(kept.dialogs.questions.empty());
    ASSERT_FALSE(kept.session.History().Entries().empty());
    EXPECT_EQ(kept.session.History().Entries().back().operation, "Firmware Upgrade");
}

// Another device's bootloader (a product ID other than the pedal's chip) stops the run before
// the erase, on both paths: the flash keeps what it held.
TEST(FirmwareRun, AnotherChipIsNeverErased) {
    for (const bool paced : {false, true}) {
        CoreSession core;
        core.pedal().state.inBootloader = true;
        core.pedal().state.productId = 0x0413;
        ASSERT_TRUE(core.session.Start());
        ASSERT_TRUE(core.session.Connect(true, paced));
        const Bytes before = core.pedal().state.flash;
        core.pedal().ClearRecords();
        core.dialogs.messages.clear();
        EXPECT_FALSE(
            core.session.FlashFirmware({.image = FirmwareUpgrade::firmwareImages.front()}));
        EXPECT_EQ(core.dialogs.messages,
                  std::vector<std::string>{
                      "This bootloader belongs to another device (ID 0x0413); nothing was erased"});
        EXPECT_EQ(core.pedal().ReceivedBytes(), (Bytes{0x02, 0xFD})) << paced;
        EXPECT_EQ(core.pedal().state.flash, before);
    }
}

// A run cut at block 100 leaves the pedal in its bootloader: still synchronised after a refused
// block, waiting for its synchronisation after the power went. A Request in an ordinary
// connection finds it there either way and says what to do; a second run finishes the upgrade.
TEST(FirmwareRun, ACutRunIsFoundByRequestAndFinishedByASecondRun) {
    for (const bool powerLost : {false, true}) {
        CoreSession core;
        core.pedal().state.inBootloader = true;
        core.pedal().state.firmwareVersion = 4;
        ASSERT_TRUE(core.session.Start());
        ASSERT_TRUE(core.session.Connect(true));
        core.pedal().state.nackAtWrite = 100;
        const FlashRequest request{.image = FirmwareUpgrade::firmwareImages.front(),
                                   .readBack = FlashRequest::ReadBack::Never};
        ASSERT_FALSE(core.session.FlashFirmware(request));
        EXPECT_EQ(core.dialogs.messages.back(), FirmwareUpgrade::kUnfinished);
        core.pedal().state.nackAtWrite = -1;
        if (powerLost) {
            core.driver.Unplug();
            core.driver.Plug();
        }
        // Twice: the first Request may find it unsynchronised, the second within a command.
        for (int attempt = 0; attempt < 2; ++attempt) {
            core.session.Disconnect();
            ASSERT_TRUE(core.session.Connect()) << powerLost;
            const Result<> read = core.session.ReadPedalState();
            EXPECT_EQ(read.reason, FirmwareUpgrade::kWaitsInBootloader) << powerLost;
            EXPECT_TRUE(core.session.link().waitsInBootloader) << powerLost;
        }
        ASSERT_TRUE(core.session.Disconnect());
        EXPECT_FALSE(core.session.link().waitsInBootloader);
        ASSERT_TRUE(core.session.Connect(true));
        const Result<FlashReport> finished = core.session.FlashFirmware(request);
        EXPECT_TRUE(finished.done) << finished.reason;
        EXPECT_EQ(finished.value.runningVersion, 5) << powerLost;
    }
}

// Only a pedal that stays silent, or answers as a bootloader does, is asked with 0x7F: one that
// answers as the pedal, even wrongly, never is; a silent pedal whose bootloader is not
// listening either is not taken for one.
TEST(FirmwareRun, OnlyASilentPedalIsAskedForItsBootloader) {
    using Fault = EmulatedPedal::Fault;
    const std::vector<std::pair<Fault, std::size_t>> cases = {
        {Fault::ShortReply, 0}, {Fault::Garbage, 0}, {Fault::Silence, 2}};
    for (const auto& [fault, probes] : cases) {
        CoreSession core;
        ASSERT_TRUE(core.session.Start());
        ASSERT_TRUE(core.session.Connect());
        core.pedal().InjectFault(fault, 20);
        core.pedal().ClearRecords();
        EXPECT_FALSE(core.session.ReadPedalState());
        const Bytes sent = core.pedal().ReceivedBytes();
        EXPECT_EQ(static_cast<std::size_t>(std::count(sent.begin(), sent.end(), bootloader::Sync)),
                  probes);
        EXPECT_FALSE(core.session.link().waitsInBootloader);
    }
}

// What the emulated bootloader answers to bytes given straight to it.
Bytes Answer(EmulatedPedal& pedal, const Bytes& bytes, const std::vector<bool>& gapless,
             std::int64_t& now) {
    pedal.Receive(bytes.data(), bytes.size(), now, gapless);
    now += 100;
    Bytes answer(512);
    answer.resize(pedal.Take(answer.data(), answer.size(), now));
    return answer;
}

// An 8E1 receiver: an 8N1 byte right after another is misframed; a spaced 8N1 byte, any 8E1
// byte, and any byte when framing is lenient are received.
TEST(EmulatedBootloader, ReceivesAsAn8E1Receiver) {
    EXPECT_EQ(EmulatedPedal::Misframed(0xFF), std::nullopt); // no falling edge: lost
    EXPECT_EQ(EmulatedPedal::Misframed(0x00), std::nullopt);
    EXPECT_EQ(EmulatedPedal::Misframed(0x01), 0xC0);
    EXPECT_EQ(EmulatedPedal::Misframed(0xCE), 0xFE); // starts at bit 4

    struct Case {
        bool parity;
        bool strict;
        std::vector<bool> gapless;
        bool answered;
    };
    const std::vector<Case> cases = {
        {false, true, {false, false}, true}, // 8N1, paced
        {false, true, {false, true}, false}, // 8N1, back to back: the complement is misframed
        {true, true, {false, true}, true},   // 8E1, back to back
        {false, false, {false, true}, true}, // lenient framing
    };
    const Bytes getVersion = {0x01, 0xFE};
    for (const Case& c : cases) {
        EmulatedPedal pedal;
        pedal.state.inBootloader = true;
        pedal.state.hostParity = c.parity;
        pedal.state.strictFraming = c.strict;
        std::int64_t now = 0;
        ASSERT_EQ(Answer(pedal, {0x7F}, {}, now), Bytes{0x79});
        EXPECT_EQ(Answer(pedal, getVersion, c.gapless, now) == Bytes({0x79, 0x22, 0, 0, 0x79}),
                  c.answered)
            << c.parity << c.strict << c.gapless[1];
    }

    // Through the driver: the bytes of one write leave back to back, later writes apart.
    VirtualClock clock;
    EmulatedDriver driver(clock);
    driver.pedal.state.inBootloader = true;
    FtHandle handle = 0;
    ASSERT_EQ(driver.OpenEx(EmulatedDriver::kSerialNumber.c_str(), 1, handle), ft::OK);
    std::uint32_t written = 0;
    const auto exchange = [&](const Bytes& bytes, bool apart) {
        for (std::size_t i = 0; i < bytes.size(); i += apart ? 1 : bytes.size()) {
            driver.Write(handle, bytes.data() + i,
                         apart ? 1 : static_cast<std::uint32_t>(bytes.size()), written);
            clock.Sleep(1);
        }
        clock.Sleep(50);
        Bytes answer(64);
        std::uint32_t read = 0;
        driver.Read(handle, answer.data(), 64, read);
        answer.resize(read);
        return answer;
    };
    ASSERT_EQ(exchange({0x7F}, true), Bytes{0x79});
    EXPECT_EQ(exchange(getVersion, false), Bytes{}); // misframed: still waits for a complement
    EXPECT_EQ(exchange({0x7F}, true), Bytes{0x1F});  // the wrong complement ends the command
    EXPECT_EQ(exchange(getVersion, true), (Bytes{0x79, 0x22, 0, 0, 0x79}));
    ASSERT_EQ(driver.SetDataCharacteristics(handle, 8, 0, 2), ft::OK);
    EXPECT_EQ(exchange(getVersion, false), (Bytes{0x79, 0x22, 0, 0, 0x79}));
}

// Get, Get Version and Get ID as AN3155 gives them: product 0x410, version 2.2.
TEST(EmulatedBootloader, AnswersGetGetVersionAndGetId) {
    const std::vector<std::pair<Bytes, Bytes>> cases = {
        {{0x00, 0xFF}, {0x79, 7, 0x22, 0x00, 0x01, 0x02, 0x11, 0x21, 0x31, 0x43, 0x79}},
        {{0x01, 0xFE}, {0x79, 0x22, 0x00, 0x00, 0x79}},
        {{0x02, 0xFD}, {0x79, 0x01, 0x04, 0x10, 0x79}},
        {{0x44, 0xBB}, {0x1F}}, // extended erase: not this bootloader's
    };
    for (const auto& [command, answer] : cases) {
        EmulatedPedal pedal;
        pedal.state.inBootloader = true;
        std::int64_t now = 0;
        ASSERT_EQ(Answer(pedal, {0x7F}, {}, now), Bytes{0x79});
        EXPECT_EQ(Answer(pedal, command, {}, now), answer) << int{command[0]};
    }
}

// After the synchronisation the path is chosen: a bootloader that answers Get as AN3155 says
// gets each step's bytes in one write at 8E1; one that NACKs Get, is silent or answers badly,
// or a run asked to be paced, gets today's run: 8N1, a byte a write, every pause. Both send
// the same bytes and complete.
TEST(FirmwareRun, ThePathIsChosenByProbingGet) {
    using GetAnswer = EmulatedPedal::State::GetAnswer;
    struct Case {
        GetAnswer answer;
        bool paced;
        BootloaderPath path;
    };
    const std::vector<Case> cases = {
        {GetAnswer::Proper, false, BootloaderPath::Fast},
        {GetAnswer::Nack, false, BootloaderPath::Compatible},
        {GetAnswer::Silent, false, BootloaderPath::Compatible},
        {GetAnswer::Malformed, false, BootloaderPath::Compatible},
        {GetAnswer::Proper, true, BootloaderPath::Compatible},
    };
    QTemporaryDir folder;
    const std::filesystem::path file =
        std::filesystem::path(folder.path().toStdString()) / "tiny_5.bin";
    // The smallest program: a stack pointer and a reset vector pointing into itself.
    const Bytes program = {0x00, 0x50, 0x00, 0x20, 0x07, 0x00, 0x00, 0x08};
    std::ofstream(file, std::ios::binary)
        << std::string(reinterpret_cast<const char*>(program.data()), program.size());
    Bytes block = {0x31, 0xCE, 0x08, 0x00, 0x00, 0x00, 0x08, 0x07};
    block.insert(block.end(), program.begin(), program.end());
    block.push_back(0x78);
    const Bytes record = {0x31, 0xCE, 0x08, 0x01, 0xFC, 0x00, 0xF5, 0x07, 0x00,
                          0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x05, 0x02};
    // Get ID before anything is erased, then the erase.
    Bytes all = {0x02, 0xFD, 0x43, 0xBC, 0xFF, 0x00};
    all.insert(all.end(), block.begin(), block.end());
    all.insert(all.end(), record.begin(), record.end());
    all.insert(all.end(), {0x21, 0xDE, 0x08, 0x00, 0x00, 0x00, 0x08});
    // The restarted pedal is asked for its device information.
    all.insert(all.end(), {0x02, 0x00});
    // The compatible path's pauses, pause by pause, as before the fast path existed.
    std::vector<int> paced = {1, 1, 1, 1, 20, 1, 1, 20};
    const std::vector<int> command = {1, 1, 20, 1, 1, 1, 1, 1, 20};
    paced.insert(paced.end(), command.begin(), command.end());
    paced.insert(paced.end(), 10, 1); // count, eight data bytes, checksum
    paced.insert(paced.end(), command.begin(), command.end());
    paced.insert(paced.end(), 10, 1); // the version record's ten bytes
    paced.insert(paced.end(), {20, 2000, 1, 1, 100, 1, 1, 1, 1, 1, 100});

    for (const Case& c : cases) {
        const std::string name = std::to_string(static_cast<int>(c.answer)) + (c.paced ? "p" : "");
        CoreSession core;
        core.pedal().state.inBootloader = true;
        core.pedal().state.getAnswer = c.answer;
        ASSERT_TRUE(core.session.Start());
        ASSERT_TRUE(core.session.Connect(true, c.paced)) << name;
        EXPECT_EQ(core.modules().bootloader.path, c.path) << name;
        EXPECT_EQ(core.driver.parity, c.path == BootloaderPath::Fast ? 2 : 0) << name;
        core.pedal().ClearRecords();
        core.driver.writeSizes.clear();
        core.clock.pauses.clear();
        // The fast path's default read-back is left out: the steps before it are compared.
        using ReadBack = FlashRequest::ReadBack;
        const ReadBack readBack =
            c.path == BootloaderPath::Fast ? ReadBack::Never : ReadBack::Default;
        ASSERT_TRUE(
            core.session.FlashFirmware({.image = "tiny_5", .file = file, .readBack = readBack})
                .done)
            << name;
        EXPECT_EQ(core.pedal().ReceivedBytes(), all) << name;
        EXPECT_EQ(core.views.upgradePath, PathText(c.path)) << name;
        if (c.path == BootloaderPath::Fast) {
            EXPECT_EQ(core.clock.pauses, std::vector<int>{2000}) << name;
            EXPECT_EQ(core.driver.writeSizes,
                      (std::vector<std::uint32_t>{2, 2, 2, 2, 5, 10, 2, 5, 10, 2, 5, 2}))
                << name;
        } else {
            EXPECT_EQ(core.clock.pauses, paced) << name;
            // Byte by byte; the restarted pedal's Request is one message.
            std::vector<std::uint32_t> sizes(all.size() - 2, 1);
            sizes.push_back(2);
            EXPECT_EQ(core.driver.writeSizes, sizes) << name;
        }
    }
}

} // namespace
} // namespace corvid::testing
