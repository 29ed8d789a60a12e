// Any bytes as a simulator script: parsing never crashes, and every command it
// accepts is well formed.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "SimScript.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string script(reinterpret_cast<const char*>(data), size);
    std::vector<zolvex::SimCommand> commands;
    std::string error;
    bool ok = zolvex::ParseSimScript(script, &commands, &error);
    if (!ok && error.empty()) std::abort();
    for (const auto& command : commands) {
        using Kind = zolvex::SimCommand::Kind;
        switch (command.kind) {
            case Kind::Key:
                if (command.keys.empty()) std::abort();
                break;
            case Kind::Down:
            case Kind::Up:
                if (command.keys.size() != 1) std::abort();
                break;
            case Kind::Cell:
                if (command.numbers.size() != 4 || command.numbers[0] < 0 || command.numbers[0] > 7 ||
                    command.numbers[1] < 0 || command.numbers[1] > 11) {
                    std::abort();
                }
                break;
            case Kind::Trio:
                if (command.numbers.size() != 6 || command.numbers[0] < 0 || command.numbers[0] > 2) {
                    std::abort();
                }
                break;
            default:
                break;
        }
    }
    return 0;
}
