#include "emulator/EmulatedPedal.h"

#include "link/HexMessage.h"
#include "link/ParameterModel.h"
#include "link/PedalCommands.h"
#include "link/PedalMessages.h"

#include <QFile>

#include <algorithm>
#include <utility>

namespace corvid {

namespace {

std::string ReadResource(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readLine().trimmed().toStdString();
}

} // namespace

EmulatedPedal::EmulatedPedal() {
    LoadAddresses(ReadResource(kShippedImage));
}

void EmulatedPedal::LoadAddresses(const std::string& imageHex) {
    ParameterSet parameters;
    std::string error;
    LoadParameterAddresses(imageHex, parameters, error);
    for (std::size_t slot = 0; slot < parameterCount; ++slot) {
        // A parameter without an address field has none in the DSP either.
        slotAddress_[slot] = parameterTable[slot].addressField == 0 ? -1 : parameters.Address(slot);
    }
}

void EmulatedPedal::SetParameterAddress(std::size_t slot, std::uint16_t address) {
    slotAddress_.at(slot) = address;
}

void EmulatedPedal::InjectFault(Fault fault, std::size_t count, int delayMs) {
    fault_ = fault;
    faultCount_ = count;
    faultDelayMs_ = delayMs;
}

std::optional<std::uint8_t> EmulatedPedal::Misframed(std::uint8_t byte) {
    // Data bits go least significant first; the start bit before them is low.
    for (int i = 1; i < 8; ++i) {
        const bool before = ((byte >> (i - 1)) & 1) != 0;
        const bool bit = ((byte >> i) & 1) != 0;
        if (before && !bit) {
            // Bit i is taken as the start bit; the bits after it, then idle (high) bits.
            return static_cast<std::uint8_t>((byte >> (i + 1)) | (0xFF << (7 - i)));
        }
    }
    return std::nullopt;
}

void EmulatedPedal::Receive(const std::uint8_t* data, std::size_t size, std::int64_t nowMs,
                            const std::vector<bool>& gapless) {
    Frame(nowMs);
    received_.insert(received_.end(), data, data + size);
    for (std::size_t i = 0; state.inBootloader && size > 0; ++i, ++data, --size) {
        if (state.strictFraming && !state.hostParity && i < gapless.size() && gapless[i]) {
            if (const std::optional<std::uint8_t> seen = Misframed(*data)) {
                BootloaderByte(*seen, nowMs);
            }
            continue;
        }
        BootloaderByte(*data, nowMs);
    }
    if (size == 0) {
        return;
    }
    pending_.insert(pending_.end(), data, data + size);
    lastByteMs_ = nowMs;
    Frame(nowMs);
}

void EmulatedPedal::PowerOff() {
    pending_.clear();
    output_.clear();
    boot_ = Boot::Unsynced;
    bootBytes_.clear();
    expectImage_ = false;
}

std::size_t EmulatedPedal::Available(std::int64_t nowMs) {
    Frame(nowMs);
    std::size_t count = 0;
    for (const Chunk& chunk : output_) {
        if (chunk.atMs > nowMs) {
            break;
        }
        count += chunk.bytes.size();
    }
    return count;
}

std::size_t EmulatedPedal::Take(std::uint8_t* out, std::size_t max, std::int64_t nowMs) {
    Frame(nowMs);
    std::size_t taken = 0;
    while (taken < max && !output_.empty() && output_.front().atMs <= nowMs) {
        Chunk& chunk = output_.front();
        const std::size_t n = std::min(max - taken, chunk.bytes.size());
        std::copy_n(chunk.bytes.begin(), n, out + taken);
        chunk.bytes.erase(chunk.bytes.begin(), chunk.bytes.begin() + static_cast<long>(n));
        taken += n;
        if (chunk.bytes.empty()) {
            output_.pop_front();
        }
    }
    return taken;
}

void EmulatedPedal::DiscardArrived(std::int64_t nowMs) {
    Frame(nowMs);
    while (!output_.empty() && output_.front().atMs <= nowMs) {
        output_.pop_front();
    }
}

std::optional<std::int64_t> EmulatedPedal::NextArrivalMs(std::int64_t nowMs) const {
    std::optional<std::int64_t> next;
    for (const Chunk& chunk : output_) {
        if (chunk.atMs > nowMs && (!next || chunk.atMs < *next)) {
            next = chunk.atMs;
        }
    }
    return next;
}

std::vector<std::vector<std::uint8_t>> EmulatedPedal::Unexpected(std::int64_t nowMs) {
    Frame(nowMs);
    std::vector<std::vector<std::uint8_t>> found = unexpected_;
    // A 0x09 waits for its framing gap; anything else left over never got its whole length.
    if (!pending_.empty() && (pending_.front() != command::TuningSelect.code ||
                              pending_.size() < command::TuningSelect.length)) {
        found.push_back(pending_);
    }
    return found;
}

const std::vector<EmulatedPedal::Message>& EmulatedPedal::Messages(std::int64_t nowMs) {
    Frame(nowMs);
    return messages_;
}

std::vector<std::vector<std::uint8_t>> EmulatedPedal::MessagesWithCommand(std::uint8_t command,
                                                                          std::int64_t nowMs) {
    std::vector<std::vector<std::uint8_t>> found;
    for (const Message& message : Messages(nowMs)) {
        if (message.bytes.front() == command) {
            found.push_back(message.bytes);
        }
    }
    return found;
}

void EmulatedPedal::ClearRecords() {
    received_.clear();
    messages_.clear();
    unexpected_.clear();
}

std::optional<std::size_t> EmulatedPedal::MessageLength(std::int64_t nowMs) const {
    const std::uint8_t code = pending_.front();
    if (code == command::AlgorithmImage.code) {
        // An algorithm image carries its own length in bytes 1-2.
        if (pending_.size() < 3) {
            return std::nullopt;
        }
        return std::max<std::size_t>(3, MessageWord16(pending_, 1));
    }
    if (code == command::TuningSelect.code) {
        // Tuning selection or note-cut filters: a third byte or a pause tells them apart.
        if (pending_.size() >= command::NoteCut.length) {
            return command::NoteCut.length;
        }
        if (pending_.size() == command::TuningSelect.length &&
            nowMs - lastByteMs_ >= kFramingGapMs) {
            return command::TuningSelect.length;
        }
        return std::nullopt;
    }
    const PedalCommand* known = FindCommand(code);
    return known != nullptr ? known->length : 1;
}

void EmulatedPedal::Frame(std::int64_t nowMs) {
    while (!pending_.empty()) {
        const std::optional<std::size_t> length = MessageLength(nowMs);
        if (!length || pending_.size() < *length) {
            return;
        }
        std::vector<std::uint8_t> message(pending_.begin(),
                                          pending_.begin() + static_cast<long>(*length));
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(*length));
        messages_.push_back({message, lastByteMs_});
        Handle(message, lastByteMs_);
    }
}

void EmulatedPedal::Handle(const std::vector<std::uint8_t>& m, std::int64_t atMs) {
    if (FindCommand(m.front()) == nullptr) {
        unexpected_.push_back(m);
        return;
    }
    switch (m.front()) {
    case command::AlgorithmImage.code:
        if (!expectImage_) {
            unexpected_.push_back(m);
            break;
        }
        state.algorithm = m;
        expectImage_ = false;
        LoadAddresses(BytesToHex(m.data(), m.size()));
        Reply({state.uploadAnswer.begin(), state.uploadAnswer.end()}, atMs);
        break;
    case command::DspWrite.code: {
        const std::uint16_t address = MessageWord16(m, 1);
        const std::uint32_t value = MessageWord32(m, 3);
        state.dsp[address] = value;
        for (std::size_t slot = 0; slot < slotAddress_.size(); ++slot) {
            if (slotAddress_[slot] == address) {
                state.values[slot] = value;
            }
        }
        break;
    }
    case command::DeviceInfo.code:
        if (fault_ == Fault::ShortReply) {
            fault_ = Fault::None;
            Reply(DeviceInfoText(faultCount_), atMs);
        } else {
            Reply(DeviceInfoText(deviceinfo::Values), atMs);
        }
        break;
    case command::StoreSettings.code:
        for (std::size_t i = 0; i < assignableParameterCount; ++i) {
            state.values[standardParameterCount + i] = MessageWord32(m, 1 + 4 * i);
        }
        break;
    case command::Assignments.code:
        for (std::size_t k = 0; k < controlCount; ++k) {
            state.controlFlags[k] = m[1 + k];
            state.controlWords[k] = MessageWord16(m, 1 + controlCount + 2 * k);
        }
        break;
    case command::MidiChannel.code:
        state.midiChannel = m[1];
        break;
    case command::Footswitch.code:
        state.footswitchMode = static_cast<std::uint8_t>(2 * m[1] + m[2]);
        break;
    case command::TuningSelect.code:
        if (m.size() == command::TuningSelect.length) {
            state.tuning = m[1];
        } else {
            state.noteCut = {m[1], m[2]};
        }
        break;
    case command::EepromErase.code:
        for (std::uint32_t a = MessageWord16(m, 1);
             a <= MessageWord16(m, 3) && a < state.eeprom.size(); ++a) {
            state.eeprom[a] = 0xFF;
        }
        break;
    case command::EepromRead.code: {
        std::vector<std::uint8_t> values;
        for (std::uint32_t a = MessageWord16(m, 1); a <= MessageWord16(m, 3); ++a) {
            values.push_back(a < state.eeprom.size() ? state.eeprom[a] : 0xFF);
        }
        Reply(DecimalLines(values), atMs);
        break;
    }
    case command::PreUpload.code:
        expectImage_ = true;
        break;
    case command::TuningData.code:
        // The tables take the place of an image after the pre-upload message.
        expectImage_ = false;
        state.tuningData.assign(m.begin() + 1, m.end());
        break;
    default:
        break;
    }
}

void EmulatedPedal::BootReply(std::vector<std::uint8_t> bytes, std::int64_t atMs) {
    if (state.silentBootloader) {
        return;
    }
    if (state.wrongReplyAt >= 0 && state.wrongReplyAt-- == 0) {
        bytes.front() = 0x42;
    }
    const std::int64_t due = atMs + kBootReplyLatencyMs;
    if (state.paceBaud == 0) {
        output_.push_back({due, std::move(bytes)});
        return;
    }
    // Byte by byte as the line carries them, gathered by the millisecond they arrive in.
    const double byteMs = (state.hostParity ? 11.0 : 10.0) * 1000.0 / state.paceBaud;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto at = due + static_cast<std::int64_t>(static_cast<double>(i + 1) * byteMs);
        if (output_.empty() || output_.back().atMs != at) {
            output_.push_back({at, {}});
        }
        output_.back().bytes.push_back(bytes[i]);
    }
}

void EmulatedPedal::GetReply(std::int64_t nowMs) {
    using GetAnswer = State::GetAnswer;
    std::vector<std::uint8_t> answer = {0x79, static_cast<std::uint8_t>(kBootloaderCommands.size()),
                                        kBootloaderVersion};
    answer.insert(answer.end(), kBootloaderCommands.begin(), kBootloaderCommands.end());
    answer.push_back(0x79);
    switch (state.getAnswer) {
    case GetAnswer::Proper:
        break;
    case GetAnswer::Nack:
        answer = {0x1F};
        break;
    case GetAnswer::Silent:
        return;
    case GetAnswer::Malformed:
        // The count promises more than comes.
        answer[1] = 0x20;
        answer.resize(6);
        break;
    }
    BootReply(std::move(answer), nowMs);
}

void EmulatedPedal::BootloaderByte(std::uint8_t byte, std::int64_t nowMs) {
    constexpr std::uint8_t ack = 0x79;
    constexpr std::uint8_t nack = 0x1F;
    constexpr std::uint32_t flashBase = 0x08000000;
    const auto inFlash = [&](std::uint32_t address, std::size_t size) {
        return address >= flashBase && address - flashBase + size <= state.flash.size();
    };
    // A silent bootloader hears nothing either: it stays where it was.
    if (state.silentBootloader) {
        return;
    }
    bootBytes_.push_back(byte);
    switch (boot_) {
    case Boot::Unsynced:
        if (byte == 0x7F) {
            BootReply({ack}, nowMs);
            boot_ = Boot::Command;
        }
        bootBytes_.clear();
        return;
    case Boot::Command:
        // A synchronised bootloader takes anything, 0x7F too, as a command's first byte.
        bootCommand_ = byte;
        boot_ = Boot::Complement;
        bootBytes_.clear();
        return;
    case Boot::Complement: {
        bootBytes_.clear();
        const bool known = std::find(kBootloaderCommands.begin(), kBootloaderCommands.end(),
                                     bootCommand_) != kBootloaderCommands.end();
        if ((bootCommand_ ^ byte) != 0xFF || !known) {
            BootReply({nack}, nowMs);
            boot_ = Boot::Command;
            return;
        }
        // Get, Get Version and Get ID answer at once and take no more bytes.
        if (bootCommand_ <= 0x02) {
            boot_ = Boot::Command;
            if (bootCommand_ == 0x01) {
                BootReply({ack, kBootloaderVersion, 0x00, 0x00, ack}, nowMs);
            } else if (bootCommand_ == 0x02) {
                BootReply({ack, 0x01, static_cast<std::uint8_t>(state.productId >> 8),
                           static_cast<std::uint8_t>(state.productId & 0xFF), ack},
                          nowMs);
            } else {
                GetReply(nowMs);
            }
            return;
        }
        BootReply({ack}, nowMs);
        boot_ = bootCommand_ == 0x43 ? Boot::EraseCode : Boot::Address;
        return;
    }
    case Boot::Address: {
        if (bootBytes_.size() < 5) {
            return;
        }
        const std::uint32_t address = (std::uint32_t{bootBytes_[0]} << 24) |
                                      (std::uint32_t{bootBytes_[1]} << 16) |
                                      (std::uint32_t{bootBytes_[2]} << 8) | bootBytes_[3];
        const std::uint8_t checksum = bootBytes_[0] ^ bootBytes_[1] ^ bootBytes_[2] ^ bootBytes_[3];
        bootBytes_.clear();
        if (checksum != byte || !inFlash(address, 1)) {
            BootReply({nack}, nowMs);
            boot_ = Boot::Command;
            return;
        }
        bootAddress_ = address;
        BootReply({ack}, nowMs);
        if (bootCommand_ == 0x21) {
            // Go: the new firmware starts and reports the version its record holds.
            using AfterGo = State::AfterGo;
            state.inBootloader = state.afterGo == AfterGo::StaysInBootloader;
            if (state.afterGo == AfterGo::Runs) {
                state.firmwareVersion = state.flash[0x1FC07];
            }
            boot_ = Boot::Unsynced;
            return;
        }
        boot_ = bootCommand_ == 0x31 ? Boot::WriteData : Boot::ReadCount;
        return;
    }
    case Boot::WriteData: {
        const std::size_t count = bootBytes_.front() + 1u;
        if (bootBytes_.size() < count + 2) {
            return;
        }
        std::uint8_t checksum = 0;
        for (std::size_t i = 0; i + 1 < bootBytes_.size(); ++i) {
            checksum ^= bootBytes_[i];
        }
        const std::size_t at = bootAddress_ - flashBase;
        const bool erased = inFlash(bootAddress_, count) &&
                            std::all_of(state.flash.begin() + static_cast<long>(at),
                                        state.flash.begin() + static_cast<long>(at + count),
                                        [](std::uint8_t b) { return b == 0xFF; });
        const bool refused = writesSinceErase_++ == state.nackAtWrite;
        if (checksum != byte || !erased || refused) {
            BootReply({nack}, nowMs);
        } else {
            std::copy(bootBytes_.begin() + 1, bootBytes_.begin() + 1 + static_cast<long>(count),
                      state.flash.begin() + static_cast<long>(at));
            BootReply({ack}, nowMs);
        }
        bootBytes_.clear();
        boot_ = Boot::Command;
        return;
    }
    case Boot::EraseCode:
        if (bootBytes_.size() < 2) {
            return;
        }
        if (bootBytes_[0] != 0xFF) {
            // N+1 pages follow the count, then the checksum of them all.
            boot_ = Boot::ErasePages;
            return;
        }
        if (bootBytes_[0] == 0xFF && bootBytes_[1] == 0x00 && !state.nackErase) {
            std::fill(state.flash.begin(), state.flash.end(), 0xFF);
            writesSinceErase_ = 0;
            BootReply({ack}, nowMs + state.eraseMs);
        } else {
            BootReply({nack}, nowMs);
        }
        bootBytes_.clear();
        boot_ = Boot::Command;
        return;
    case Boot::ErasePages: {
        const std::size_t pages = bootBytes_.front() + 1u;
        if (bootBytes_.size() < pages + 2) {
            return;
        }
        std::uint8_t checksum = 0;
        for (std::size_t i = 0; i + 1 < bootBytes_.size(); ++i) {
            checksum ^= bootBytes_[i];
        }
        const bool fits =
            std::all_of(bootBytes_.begin() + 1, bootBytes_.end() - 1, [&](std::uint8_t page) {
                return (page + 1u) * kPageBytes <= state.flash.size();
            });
        if (checksum != byte || !fits || state.nackErase) {
            BootReply({nack}, nowMs);
        } else {
            for (auto page = bootBytes_.begin() + 1; page != bootBytes_.end() - 1; ++page) {
                const auto first = state.flash.begin() + static_cast<long>(*page * kPageBytes);
                std::fill(first, first + static_cast<long>(kPageBytes), 0xFF);
            }
            BootReply({ack}, nowMs + state.eraseMs * static_cast<int>(pages) / 128);
        }
        bootBytes_.clear();
        boot_ = Boot::Command;
        return;
    }
    case Boot::ReadCount: {
        if (bootBytes_.size() < 2) {
            return;
        }
        const std::size_t count = bootBytes_[0] + 1u;
        const bool valid = (bootBytes_[0] ^ bootBytes_[1]) == 0xFF && inFlash(bootAddress_, count);
        bootBytes_.clear();
        boot_ = Boot::Command;
        if (!valid) {
            BootReply({nack}, nowMs);
            return;
        }
        std::vector<std::uint8_t> answer = {ack};
        const auto first = state.flash.begin() + static_cast<long>(bootAddress_ - flashBase);
        answer.insert(answer.end(), first, first + static_cast<long>(count));
        BootReply(std::move(answer), nowMs);
        return;
    }
    }
}

std::vector<std::uint8_t> EmulatedPedal::DeviceInfoText(std::size_t valueCount) const {
    DeviceInfo info{.firmwareVersion = state.firmwareVersion,
                    .algorithmVersion = state.algorithmVersion,
                    .effectNumber = state.effectNumber,
                    .footswitchMode = state.footswitchMode,
                    .tuning = state.tuning,
                    .values = state.values};
    for (std::size_t k = 0; k < controlCount; ++k) {
        info.controlFlags[k] = state.controlFlags[k] != 0;
        info.controlWords[k] = state.controlWords[k];
    }
    std::vector<std::uint8_t> values = EncodeDeviceInfo(info);
    values.resize(std::min(values.size(), valueCount));
    return DecimalLines(values);
}

std::vector<std::uint8_t> EmulatedPedal::DecimalLines(const std::vector<std::uint8_t>& values) {
    std::vector<std::uint8_t> text;
    for (std::uint8_t value : values) {
        const std::string line = std::to_string(value) + "\r\n";
        text.insert(text.end(), line.begin(), line.end());
    }
    return text;
}

void EmulatedPedal::Reply(std::vector<std::uint8_t> bytes, std::int64_t atMs) {
    const std::int64_t due = atMs + kReplyLatencyMs;
    const Fault fault = std::exchange(fault_, Fault::None);
    switch (fault) {
    case Fault::None: {
        // 10 bits a byte at 115,200 bit/s.
        const auto pieceMs = static_cast<std::int64_t>(kPieceBytes * 10 * 1000 / 115200);
        std::int64_t at = due;
        for (std::size_t from = 0; from < bytes.size(); from += kPieceBytes, at += pieceMs) {
            const auto first = bytes.begin() + static_cast<long>(from);
            const auto last =
                bytes.begin() + static_cast<long>(std::min(from + kPieceBytes, bytes.size()));
            output_.push_back({at, {first, last}});
        }
        break;
    }
    case Fault::Silence:
        break;
    case Fault::ShortReply:
        bytes.resize(std::min(bytes.size(), faultCount_));
        output_.push_back({due, std::move(bytes)});
        break;
    case Fault::Split: {
        const auto half = static_cast<long>(bytes.size() / 2);
        output_.push_back({due, {bytes.begin(), bytes.begin() + half}});
        output_.push_back({due + faultDelayMs_, {bytes.begin() + half, bytes.end()}});
        break;
    }
    case Fault::Garbage:
        output_.push_back({due, {'1', '2', 'x', '\r', '\n', 0xFF, '7', '\r', '\n'}});
        break;
    case Fault::Late:
        output_.push_back({due + faultDelayMs_, std::move(bytes)});
        break;
    }
}

} // namespace corvid
