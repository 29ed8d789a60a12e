// Runs the whole program on the headless platform from a script and prints
// the dumps the script asks for.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "SimScript.h"

namespace zolvex {

class HeadlessPlatform;
class Program;

// Which rasteriser draws the texts: the desktop's (fontconfig and FreeType), or
// stb_truetype with the DejaVu files of the system's folder, as the web build draws them.
enum class SimFonts { Desktop, Stb };

class Simulator {
public:
    // `calendarStart` is the calendar time in seconds at virtual time 0;
    // `directory` stands for the executable's folder.
    Simulator(int64_t calendarStart, const std::string& directory,
              SimFonts fonts = SimFonts::Desktop);
    ~Simulator();

    // Starts the program: start-up and whatever it leads to at time 0.
    void Start();
    // Carries out one command; dumps go to `out`. False (with `error`) when
    // a command cannot be carried out (a screenshot that cannot be written).
    bool Execute(const SimCommand& command, std::ostream& out, std::string* error);
    // The dump object as one line of JSON.
    std::string Dump();

    HeadlessPlatform& Backend() { return *platform_; }
    Program& Run() { return *program_; }

private:
    void Pump();
    void KeyDown(uint32_t code);
    void KeyUp(uint32_t code);
    void TypeCharacter(char character);

    std::unique_ptr<HeadlessPlatform> platform_;
    std::unique_ptr<Program> program_;
    bool keysDown_[256] = {};
};

// The front end: options, script, exit status (0, or 2 for a bad script).
int RunSimulator(int argc, char** argv, std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace zolvex
