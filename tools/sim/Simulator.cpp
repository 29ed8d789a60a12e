#include "Simulator.h"

#include <algorithm>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "ReplayCheck.h"
#include "app/Program.h"
#include "platform/fonts/StbFontRasterizer.h"
#include "platform/headless/HeadlessPlatform.h"

namespace zolvex {

namespace {

using nlohmann::json;

// What a board cell can hold: empty, a number 1 to 9, or the floor below row 1.
int32_t CellValue(int64_t value) {
    if (value == kFloorValue) return kFloorValue;
    return static_cast<int32_t>(std::clamp<int64_t>(value, 0, 9));
}

const char* StateName(GameState state) {
    switch (state) {
        case GameState::Playing:
            return "Playing";
        case GameState::Paused:
            return "Paused";
        case GameState::Over:
            return "Over";
        case GameState::Ready:
            return "Ready";
    }
    return "Ready";
}

const char* ModeName(StartMode mode) {
    switch (mode) {
        case StartMode::Create:
            return "Create";
        case StartMode::Restore:
            return "Restore";
        case StartMode::ViewOnly:
            return "ViewOnly";
    }
    return "Create";
}

json BlockJson(const FallingBlock& block) {
    return json{{"column", block.column},
                {"row", block.row},
                {"y", block.y},
                {"value", block.value},
                {"falling", block.falling}};
}

json GameJson(const GameScene& scene) {
    const GameModel& m = scene.model;
    json board = json::array();
    json marked = json::array();
    for (int c = 0; c < kColumns; ++c) {
        json values = json::array();
        json marks = json::array();
        for (int r = 0; r < kRows; ++r) {
            values.push_back(m.board[c][r].value);
            marks.push_back(m.board[c][r].marked);
        }
        board.push_back(values);
        marked.push_back(marks);
    }
    json current = json::array();
    json next = json::array();
    for (int i = 0; i < kTrioSize; ++i) {
        current.push_back(BlockJson(m.currentTrio[i]));
        next.push_back(BlockJson(m.nextTrio[i]));
    }
    return json{{"state", StateName(m.state)},
                {"level", scene.level},
                {"board", board},
                {"marked", marked},
                {"current", current},
                {"next", next},
                {"flipperLeft", m.flipperLeft},
                {"flipperRight", m.flipperRight},
                {"fallSpeed", m.fallSpeed},
                {"baseFallSpeed", m.baseFallSpeed},
                {"pairCount", m.pairCount},
                {"score", m.score},
                {"bonus", m.bonus},
                {"clock", json::array({m.hours, m.minutes, m.seconds, m.tenths})},
                {"overTicks", m.overTicks},
                {"bestScores", json::array({m.bestScores[0], m.bestScores[1], m.bestScores[2]})},
                {"tenthScore", m.tenthScore}};
}

json RankingJson(const RankingScene& scene) {
    json entries = json::array();
    for (const RankEntry& entry : scene.entries) {
        entries.push_back(json{{"name", std::string(entry.name, strnlen(entry.name, 11))},
                               {"score", entry.score},
                               {"check", entry.check}});
    }
    return json{{"level", scene.level},
                {"mode", ModeName(scene.mode)},
                {"entries", entries},
                {"newRank", scene.newRank},
                {"nameLength", scene.nameLength},
                {"pickerColumn", scene.pickerColumn},
                {"pickerRow", scene.pickerRow},
                {"tableX", scene.tableX},
                {"total", scene.total}};
}

json LevelSelectJson(const LevelSelectScene& scene) {
    json blocks = json::array();
    for (const FloatingBlock& block : scene.floatingBlocks) {
        blocks.push_back(json{{"baseX", block.baseX},
                              {"y", block.y},
                              {"speed", block.speed},
                              {"image", block.image}});
    }
    return json{{"level", scene.level},
                {"notYetDrawn", scene.notYetDrawn},
                {"frameCounter", scene.frameCounter},
                {"blocks", blocks}};
}

// Texts hold the game's own characters; bytes outside ASCII are kept as
// Latin-1 so that the dump stays valid JSON whatever was drawn.
std::string JsonSafe(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

}  // namespace

Simulator::Simulator(int64_t calendarStart, const std::string& directory, SimFonts fonts)
    : platform_(std::make_unique<HeadlessPlatform>(directory, calendarStart)) {
    if (fonts == SimFonts::Stb) {
        platform_->UseFonts([] { return CreateStbFontRasterizer(kDejaVuFolder); });
    }
}

Simulator::~Simulator() = default;

void Simulator::Start() {
    program_ = std::make_unique<Program>(*platform_);
    if (program_->StartUp()) Pump();
}

void Simulator::Pump() {
    if (!program_->Ended()) program_->RunMessageLoop();
}

void Simulator::KeyDown(uint32_t code) {
    keysDown_[code & 0xFF] = true;
    platform_->Inject(Message{kMsgKeyDown, code, 0, 0});
    Pump();
}

void Simulator::KeyUp(uint32_t code) {
    keysDown_[code & 0xFF] = false;
    platform_->Inject(Message{kMsgKeyUp, code, 0, 0});
    Pump();
}

// As on a keyboard: the key goes down, the window system types its character
// (only while text input is on), and the key comes up.
void Simulator::TypeCharacter(char character) {
    const uint32_t key = KeyCodeOfName(std::string(1, character));
    if (key != 0) KeyDown(key);
    platform_->Inject(Message{kMsgChar, static_cast<unsigned char>(character), 0, 0});
    Pump();
    if (key != 0) KeyUp(key);
}

bool Simulator::Execute(const SimCommand& command, std::ostream& out, std::string* error) {
    GameModel& game = program_->TheGame().model;
    switch (command.kind) {
        case SimCommand::Kind::Wait:
            platform_->AdvanceTo(platform_->NowMs() + static_cast<uint64_t>(command.numbers[0]));
            Pump();
            // Once the program has ended the clock still moves on.
            platform_->Settle();
            break;
        case SimCommand::Kind::Key:
            for (uint32_t code : command.keys) {
                KeyDown(code);
                KeyUp(code);
            }
            break;
        case SimCommand::Kind::Down:
            KeyDown(command.keys[0]);
            break;
        case SimCommand::Kind::Up:
            KeyUp(command.keys[0]);
            break;
        case SimCommand::Kind::Text:
            for (char c : command.text) TypeCharacter(c);
            break;
        case SimCommand::Kind::FocusLost:
        case SimCommand::Kind::FocusGained:
            platform_->Inject(Message{
                kMsgActivateApp, command.kind == SimCommand::Kind::FocusGained ? 1u : 0u, 0, 0});
            Pump();
            break;
        case SimCommand::Kind::Close:
            platform_->Inject(Message{kMsgClose, 0, 0, 0});
            Pump();
            break;
        case SimCommand::Kind::Dump:
            out << Dump() << '\n';
            break;
        case SimCommand::Kind::Shot: {
            const Surface* front = program_->TheDisplay().Front();
            Surface black(640, 480);
            if (!SaveSurfaceAsBmp(front != nullptr ? *front : black, command.text)) {
                if (error != nullptr) {
                    *error =
                        "line " + std::to_string(command.line) + ": cannot write " + command.text;
                }
                return false;
            }
            break;
        }
        case SimCommand::Kind::Cell: {
            Cell& cell = game.board[command.numbers[0]][command.numbers[1]];
            cell.value = CellValue(command.numbers[2]);
            cell.marked = static_cast<uint8_t>(command.numbers[3]);
            break;
        }
        case SimCommand::Kind::Trio: {
            FallingBlock* trio = command.text == "current" ? game.currentTrio : game.nextTrio;
            FallingBlock& block = trio[command.numbers[0]];
            block.column = static_cast<int32_t>(command.numbers[1]);
            block.row = static_cast<int32_t>(command.numbers[2]);
            block.y = static_cast<int32_t>(command.numbers[3]);
            block.value = static_cast<int32_t>(std::clamp<int64_t>(command.numbers[4], 0, 9));
            block.falling = static_cast<uint8_t>(command.numbers[5]);
            break;
        }
        case SimCommand::Kind::Set: {
            const std::string& field = command.text;
            int64_t n = command.numbers[0];
            auto i32 = static_cast<int32_t>(n);
            if (field == "score")
                game.score = static_cast<uint32_t>(n);
            else if (field == "bonus")
                game.bonus = static_cast<uint32_t>(n);
            else if (field == "fallSpeed")
                game.fallSpeed = i32;
            else if (field == "baseFallSpeed")
                game.baseFallSpeed = i32;
            else if (field == "flipperLeft") {
                game.flipperLeft = i32;
                game.flipperRight = i32 + 1;
            } else if (field == "pairCount")
                game.pairCount = i32;
            else if (field == "hours")
                game.hours = i32;
            else if (field == "minutes")
                game.minutes = i32;
            else if (field == "seconds")
                game.seconds = i32;
            else if (field == "tenths")
                game.tenths = i32;
            break;
        }
    }
    return true;
}

std::string Simulator::Dump() {
    Program& p = *program_;
    Scene* current = p.TheApplication().currentScene;
    json timers = json::object();
    for (const auto& [id, period] : platform_->RunningTimers()) {
        timers[std::to_string(id)] = period;
    }
    json texts = json::array();
    for (const TextRecord& record : p.TheDisplay().FlippedTexts()) {
        texts.push_back(json{{"x", record.x},
                             {"y", record.y},
                             {"text", JsonSafe(record.text)},
                             {"color", record.color},
                             {"bk", record.bk ? json(*record.bk) : json(nullptr)},
                             {"font", json::array({record.fontIndex, record.fontFlag})}});
    }
    json dump{{"t", platform_->NowMs()},
              {"scene", current != nullptr ? current->Name() : "LevelSelect"},
              {"exited", p.Ended()},
              {"exitCode", p.Ended() ? json(p.ExitCode()) : json(nullptr)},
              {"timers", timers},
              {"sounds", platform_->TakeSounds()},
              {"music", platform_->TakeMusicCalls()},
              {"texts", texts},
              {"level", current != nullptr ? current->level : 0},
              {"game", GameJson(p.TheGame())},
              {"ranking", RankingJson(p.TheRanking())},
              {"levelSelect", LevelSelectJson(p.TheLevelSelect())}};
    return dump.dump();
}

int RunSimulator(int argc, char** argv, std::istream& in, std::ostream& out, std::ostream& err) {
    if (argc >= 2 && std::string(argv[1]) == "--verify") {
        if (argc != 3) {
            err << "zolvex-sim: --verify needs one replay FILE\n";
            return 2;
        }
        return VerifyReplayFile(argv[2], out, err);
    }
    int64_t calendar = 1000000000;
    SimFonts fonts = SimFonts::Desktop;
    std::string scriptFile;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--fonts") {
            const std::string name = i + 1 < argc ? argv[++i] : "";
            if (name == "stb") {
                fonts = SimFonts::Stb;
            } else if (name == "freetype") {
                fonts = SimFonts::Desktop;
            } else {
                err << "zolvex-sim: --fonts needs freetype or stb\n";
                return 2;
            }
        } else if (arg == "--time") {
            if (i + 1 >= argc) {
                err << "zolvex-sim: --time needs SECONDS\n";
                return 2;
            }
            try {
                size_t used = 0;
                calendar = std::stoll(argv[++i], &used);
                if (used != std::string(argv[i]).size()) throw std::invalid_argument("time");
            } catch (const std::exception&) {
                err << "zolvex-sim: --time needs a whole number of seconds\n";
                return 2;
            }
        } else if (i == argc - 1) {
            scriptFile = arg;
        } else {
            err << "zolvex-sim: unknown option " << arg << "\n";
            return 2;
        }
    }
    std::stringstream script;
    if (!scriptFile.empty()) {
        std::ifstream file(scriptFile);
        if (!file) {
            err << "zolvex-sim: cannot read script " << scriptFile << "\n";
            return 2;
        }
        script << file.rdbuf();
    } else {
        script << in.rdbuf();
    }
    std::vector<SimCommand> commands;
    std::string error;
    if (!ParseSimScript(script.str(), &commands, &error)) {
        err << "zolvex-sim: " << error << "\n";
        return 2;
    }
    Simulator simulator(calendar, ".", fonts);
    simulator.Start();
    for (const SimCommand& command : commands) {
        if (!simulator.Execute(command, out, &error)) {
            err << "zolvex-sim: " << error << "\n";
            return 2;
        }
    }
    out.flush();
    return 0;
}

}  // namespace zolvex
