#include "link/PedalCommands.h"

#include "link/HexMessage.h"

namespace corvid {

std::string CommandHex(const PedalCommand& command) {
    return HexField(command.code, 2);
}

std::string CommandWithZero(const PedalCommand& command) {
    return CommandHex(command) + "00";
}

std::string DspWriteFields(std::uint16_t address, std::uint32_t value) {
    return HexField(address, 4) + HexField(value, 8);
}

std::string DspWriteMessage(std::uint16_t address, std::uint32_t value) {
    return CommandHex(command::DspWrite) + DspWriteFields(address, value);
}

} // namespace corvid
