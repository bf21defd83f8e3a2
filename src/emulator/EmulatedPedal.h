#pragma once

#include "link/ParameterModel.h"

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace corvid {

// A model of the pedal on the far side of the serial link. It frames the byte stream by command
// byte and length, keeps the pedal's state, answers as the pedal does and can be told to
// misbehave. Time is whatever the caller says it is, so the same model runs under the tests'
// virtual clock and in real time on a pseudo-terminal.
class EmulatedPedal {
public:
    // A message the pedal framed, with the time its last byte arrived.
    struct Message {
        std::vector<std::uint8_t> bytes;
        std::int64_t atMs = 0;
    };

    // How the next reply goes wrong.
    enum class Fault { None, Silence, ShortReply, Split, Garbage, Late };

    struct State {
        std::uint8_t firmwareVersion = 0x05;
        std::uint16_t algorithmVersion = 0x0008;
        std::uint8_t effectNumber = 0x08;
        std::uint8_t footswitchMode = 0;
        std::array<std::uint8_t, controlCount> controlFlags{};
        std::array<std::uint16_t, controlCount> controlWords{0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF,
                                                             0xFFFF};
        std::uint8_t tuning = 0;
        // The note filters' coefficient tables as the last 0x0E left them (empty before).
        std::vector<std::uint8_t> tuningData;
        // The two notes cut (0xFF: none), lower first as the editor sends them.
        std::array<std::uint8_t, 2> noteCut{0xFF, 0xFF};
        // 0 listens on every channel, 1-16 on that one.
        std::uint8_t midiChannel = 0;
        // 16 KiB of EEPROM, erased to 0xFF; a read of addresses past its end answers 0xFF.
        std::vector<std::uint8_t> eeprom = std::vector<std::uint8_t>(16 * 1024, 0xFF);
        // The fifteen parameter values by slot.
        std::array<std::uint32_t, parameterCount> values{};
        // The DSP's parameter memory by address, as 0x01 writes leave it.
        std::array<std::uint32_t, 0x10000> dsp{};
        std::vector<std::uint8_t> algorithm;
        // What the pedal says when an algorithm image has arrived.
        std::string uploadAnswer = "Upload completed.";

        // The serial bootloader: on, the pedal speaks AN3155 over its flash until Go starts the
        // firmware, which then reports the version from the version record.
        bool inBootloader = false;
        // What the pedal does after Go: runs the version written, keeps running the old one,
        // or stays in its bootloader.
        enum class AfterGo { Runs, KeepsOldVersion, StaysInBootloader };
        AfterGo afterGo = AfterGo::Runs;
        std::vector<std::uint8_t> flash = std::vector<std::uint8_t>(128 * 1024, 0xFF);
        int eraseMs = 50;
        // Faults: a NACK for the data of Write Memory number K since the last erase (the
        // version record counts too), a NACK for the erase, deaf and silent from now on, or one
        // reply that is neither ACK nor NACK (the K-th reply from now).
        int nackAtWrite = -1;
        bool nackErase = false;
        bool silentBootloader = false;
        int wrongReplyAt = -1;
        // How the bootloader answers Get (0x00): as AN3155 describes, or not.
        enum class GetAnswer { Proper, Nack, Silent, Malformed };
        GetAnswer getAnswer = GetAnswer::Proper;
        // What Get ID names: the pedal's chip (128 KiB of flash in 1 KiB pages, 20 KiB of RAM),
        // or another to play another device's bootloader.
        std::uint16_t productId = 0x0410;

        // The bootloader's receiver frames 8 data bits, even parity, 1 stop bit. The host's
        // line: 8E1 when true, else 8N1, whose bytes it receives only when they come apart.
        bool hostParity = false;
        // Off: every byte is received whatever the framing (for a host that cannot pace).
        bool strictFraming = true;
        // The bootloader's answers leave at this line speed (0: at once).
        std::uint32_t paceBaud = 0;
    };

    // The bootloader's version (AN3155 Get and Get Version): 2.2.
    static constexpr std::uint8_t kBootloaderVersion = 0x22;
    static constexpr std::size_t kPageBytes = 1024;
    // The commands it answers, as Get lists them.
    static constexpr std::array<std::uint8_t, 7> kBootloaderCommands = {0x00, 0x01, 0x02, 0x11,
                                                                        0x21, 0x31, 0x43};

    // What an 8E1 receiver makes of an 8N1 byte that came with no idle time after the previous
    // one: it takes the byte's start bit for the stop bit it still expects, then starts at the
    // first falling edge among the data bits and fills with the idle line. None when there is
    // no such edge (the byte is lost).
    static std::optional<std::uint8_t> Misframed(std::uint8_t byte);

    static constexpr int kReplyLatencyMs = 5;
    // The bootloader in ROM answers within a millisecond (a block's programming included).
    static constexpr int kBootReplyLatencyMs = 1;
    // A long answer leaves in pieces, as a serial line delivers it: this many bytes at a time,
    // each piece as long after the last as 115,200 bit/s takes to carry it.
    static constexpr std::size_t kPieceBytes = 256;
    // A 0x09 message is 2 bytes when no third byte follows within this gap.
    static constexpr int kFramingGapMs = 20;
    inline static const std::string kShippedImage = ":/algorithms/CORVID_MK3_0008";

    EmulatedPedal();

    // Bytes the host wrote, arriving at nowMs. `gapless[i]` says byte i followed the one before
    // it with no idle time on the line (none given: every byte came apart).
    void Receive(const std::uint8_t* data, std::size_t size, std::int64_t nowMs,
                 const std::vector<bool>& gapless = {});
    // Bytes that have reached the host's side by nowMs.
    std::size_t Available(std::int64_t nowMs);
    std::size_t Take(std::uint8_t* out, std::size_t max, std::int64_t nowMs);
    // Drops what has reached the host's side; replies still on their way keep coming.
    void DiscardArrived(std::int64_t nowMs);
    // When the next reply bytes still on their way reach the host side.
    std::optional<std::int64_t> NextArrivalMs(std::int64_t nowMs) const;

    // Every byte received, in order, and the framed messages.
    const std::vector<std::uint8_t>& ReceivedBytes() const { return received_; }
    const std::vector<Message>& Messages(std::int64_t nowMs);
    std::vector<std::vector<std::uint8_t>> MessagesWithCommand(std::uint8_t command,
                                                               std::int64_t nowMs);
    void ClearRecords();
    // Bytes the pedal could not make sense of: an unknown first byte, an image nobody announced,
    // or the start of a message that never got its remaining bytes (as of nowMs).
    std::vector<std::vector<std::uint8_t>> Unexpected(std::int64_t nowMs);

    // Power lost (the cable pulled): what was in flight is gone and the bootloader waits for
    // its synchronisation again; the flash, the EEPROM and the settings stay.
    void PowerOff();

    // The next reply goes wrong as told. ShortReply sends `count` values; Split and Late use
    // `delayMs` for the gap between the halves or the delay of the whole reply.
    void InjectFault(Fault fault, std::size_t count = 0, int delayMs = 0);

    // Sends bytes of the test's choosing, arriving at atMs.
    void Send(std::vector<std::uint8_t> bytes, std::int64_t atMs) {
        output_.push_back({atMs, std::move(bytes)});
    }

    // Which parameter each DSP address holds, for 0x01 writes: read from the address table of
    // the loaded algorithm image (the shipped one until another is uploaded).
    void SetParameterAddress(std::size_t slot, std::uint16_t address);

    State state;

private:
    void Frame(std::int64_t nowMs);
    // One byte for the bootloader's state machine.
    void BootloaderByte(std::uint8_t byte, std::int64_t nowMs);
    void BootReply(std::vector<std::uint8_t> bytes, std::int64_t atMs);
    // Get's answer: ACK, the count, the version, the commands, ACK (or the fault asked for).
    void GetReply(std::int64_t nowMs);
    std::optional<std::size_t> MessageLength(std::int64_t nowMs) const;
    void Handle(const std::vector<std::uint8_t>& message, std::int64_t atMs);
    void Reply(std::vector<std::uint8_t> bytes, std::int64_t atMs);
    std::vector<std::uint8_t> DeviceInfoText(std::size_t valueCount) const;
    static std::vector<std::uint8_t> DecimalLines(const std::vector<std::uint8_t>& values);
    void LoadAddresses(const std::string& imageHex);

    struct Chunk {
        std::int64_t atMs;
        std::vector<std::uint8_t> bytes;
    };

    std::vector<std::uint8_t> received_;
    std::vector<std::uint8_t> pending_;
    std::int64_t lastByteMs_ = 0;
    std::vector<Message> messages_;
    std::vector<std::vector<std::uint8_t>> unexpected_;
    std::deque<Chunk> output_;
    std::array<std::int32_t, parameterCount> slotAddress_{};
    bool expectImage_ = false;
    // The bootloader's side of the protocol: where in a command it is.
    enum class Boot {
        Unsynced,
        Command,
        Complement,
        Address,
        WriteData,
        EraseCode,
        ErasePages,
        ReadCount
    };
    Boot boot_ = Boot::Unsynced;
    std::uint8_t bootCommand_ = 0;
    std::vector<std::uint8_t> bootBytes_;
    std::uint32_t bootAddress_ = 0;
    int writesSinceErase_ = 0;
    Fault fault_ = Fault::None;
    std::size_t faultCount_ = 0;
    int faultDelayMs_ = 0;
};

} // namespace corvid
