// corvid-cli's command line: the input is its words, separated by NUL bytes. Whatever the
// options and the command's arguments hold, CLI11 and the checks after it either refuse them
// with a reason or type them; the coefficient calculator then takes the numbers given to it,
// as the command would.
#include "CliCommands.h"
#include "Quiet.h"
#include "devtools/CoefficientCalculator.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace corvid;
    std::vector<std::string> words(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            words.emplace_back();
        } else {
            words.back() += static_cast<char>(data[i]);
        }
    }
    const cli::CommandLine line = cli::ParseCommandLine(words);
    if (line.action != cli::CommandLine::Action::Run) {
        return 0;
    }
    if (const auto* coefficients = line.Arguments<cli::CoefficientsArguments>()) {
        fuzz::Quiet quiet;
        CoefficientCalculator calculator(quiet, quiet);
        calculator.ChooseNote(static_cast<int>(coefficients->note));
        for (const auto& [option, text] : coefficients->settings) {
            if (option == "--q") {
                calculator.SetQ(text);
            } else {
                calculator.SetGain(text);
            }
        }
        std::string reason;
        calculator.CoefficientLines(calculator.NoteFrequency(), reason);
    }
    return 0;
}
