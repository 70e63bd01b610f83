// An ЛГМ flow meter behind its adaptor. The adaptor takes its power from
// DTR: while DTR is off nothing answers and DSR is off. The adaptor itself
// answers its level, identity and flash-duration commands; every other
// command goes to the meter, which keeps a parameter block and (versions 1
// and 2) a table.
//
// Frames: a command byte; a write also carries the block and its checksum
// (16-bit sum of the data, high byte first; the privileged writes of
// version 2 carry the low byte lowered by 0x5B). Answers: the command again
// (0xFF: refused), then for a read the block and its checksum, for a write
// the block and the true checksum, for a short command a value and its
// checksum.
#include "../Device.h"
#include "LgmMeterMemory.h"

#include <array>
#include <charconv>
#include <optional>
#include <set>

namespace lgmsim::lgm {
namespace {

constexpr uint8_t kRefused = 0xFF;
constexpr uint8_t kPrivilegedOffset = 0x5B;

enum class Block { Params, Table };
enum class Access { Read, Write, PrivilegedWrite };

struct BlockCommand {
    Block block;
    Access access;
};

// The block commands, by the meter versions that know them.
struct CommandEntry {
    int firstVersion;
    int lastVersion;
    uint8_t command;
    BlockCommand meaning;
};

constexpr CommandEntry kBlockCommands[] = {
    {0, 1, 0x01, {Block::Params, Access::Read}},
    {0, 1, 0x02, {Block::Params, Access::Write}},
    {0, 1, 0x06, {Block::Params, Access::PrivilegedWrite}},
    {1, 1, 0x03, {Block::Table, Access::Read}},
    {1, 1, 0x04, {Block::Table, Access::Write}},
    {1, 1, 0x07, {Block::Table, Access::PrivilegedWrite}},
    {2, 2, 0x10, {Block::Params, Access::Read}},
    {2, 2, 0x11, {Block::Params, Access::Write}},
    {2, 2, 0x12, {Block::Params, Access::PrivilegedWrite}},
    {2, 2, 0x13, {Block::Table, Access::Read}},
    {2, 2, 0x14, {Block::Table, Access::Write}},
    {2, 2, 0x15, {Block::Table, Access::PrivilegedWrite}},
};

std::optional<BlockCommand> blockCommand(int version, uint8_t command) {
    for (const auto& entry : kBlockCommands) {
        if (entry.command == command && version >= entry.firstVersion &&
            version <= entry.lastVersion) {
            return entry.meaning;
        }
    }
    return std::nullopt;
}

uint16_t sum16(std::span<const uint8_t> bytes) {
    unsigned sum = 0;
    for (uint8_t b : bytes) {
        sum += b;
    }
    return static_cast<uint16_t>(sum);
}

// The command, the block, the checksum.
std::vector<uint8_t> blockAnswer(uint8_t command, std::span<const uint8_t> data, uint16_t sum) {
    std::vector<uint8_t> answer;
    answer.reserve(data.size() + 3);
    answer.push_back(command);
    answer.insert(answer.end(), data.begin(), data.end());
    answer.push_back(static_cast<uint8_t>(sum >> 8));
    answer.push_back(static_cast<uint8_t>(sum & 0xFF));
    return answer;
}

std::string hex(std::span<const uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (uint8_t b : bytes) {
        text += kDigits[b >> 4];
        text += kDigits[b & 15];
    }
    return text;
}

std::vector<uint8_t> parseHex(std::string_view text) {
    std::vector<uint8_t> bytes;
    if (text.size() % 2 != 0) {
        throw std::invalid_argument("hex bytes come in pairs of digits");
    }
    for (size_t i = 0; i < text.size(); i += 2) {
        uint8_t byte = 0;
        const auto [end, ec] = std::from_chars(text.data() + i, text.data() + i + 2, byte, 16);
        if (ec != std::errc() || end != text.data() + i + 2) {
            throw std::invalid_argument("bad hex bytes '" + std::string(text) + "'");
        }
        bytes.push_back(byte);
    }
    return bytes;
}

unsigned parseNumber(std::string_view text, unsigned max, std::string_view what) {
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value > max) {
        throw std::invalid_argument(std::string(what) + " must be 0 … " + std::to_string(max));
    }
    return value;
}

// "A:B:C…" of exactly count numbers 0 … 255.
std::vector<uint8_t> parseBytes(std::string_view text, size_t count, std::string_view what) {
    std::vector<uint8_t> values;
    while (true) {
        const auto colon = text.find(':');
        values.push_back(static_cast<uint8_t>(parseNumber(text.substr(0, colon), 255, what)));
        if (colon == std::string_view::npos) {
            break;
        }
        text = text.substr(colon + 1);
    }
    if (values.size() != count) {
        throw std::invalid_argument(std::string(what) + " takes " + std::to_string(count) +
                                    " numbers separated by ':'");
    }
    return values;
}

struct Settings {
    int version = 2;
    std::string file;
    uint8_t supply = 200;
    uint8_t thermo = 46;
    std::array<uint8_t, 2> adaptor{17, 3};         // number, version
    std::array<uint8_t, 4> flash{20, 50, 90, 120}; // flash duration at levels 0 … 3
    uint8_t level = 0;
    bool locked = false;
};

class LgmMeter final : public Device {
public:
    explicit LgmMeter(const Settings& settings)
        : settings_(settings), memory_(settings.version, settings.file) {}

    void received(std::span<const uint8_t> bytes, DeviceLine& line) override {
        if (!line.dtr()) {
            line.log("lgm: no power (DTR off): " + std::to_string(bytes.size()) + " bytes lost");
            return;
        }
        pending_.insert(pending_.end(), bytes.begin(), bytes.end());
        while (!pending_.empty()) {
            const size_t length = requestLength(pending_[0]);
            if (pending_.size() < length) {
                return; // the rest of a write is on its way
            }
            const std::vector<uint8_t> request(pending_.begin(),
                                               pending_.begin() + static_cast<long>(length));
            pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(length));
            line.answer(handle(request, line));
        }
    }

    void controlLinesChanged(DeviceLine& line) override {
        if (!line.dtr()) {
            pending_.clear();
        }
        followPower(line);
    }
    void connected(DeviceLine& line) override { followPower(line); }
    void disconnected(DeviceLine&) override { pending_.clear(); }

    // Frames of four bytes and more (block answers, write repeats, short
    // answers) end with a checksum; the adaptor's answers have none.
    bool corruptChecksum(std::vector<uint8_t>& frame) const override {
        if (frame.size() < 4) {
            return false;
        }
        frame.back() ^= 0x01;
        return true;
    }
    // A status byte that is neither the command nor a refusal.
    bool corruptStatus(std::vector<uint8_t>& frame) const override {
        if (frame.empty()) {
            return false;
        }
        frame[0] ^= 0x40;
        return true;
    }

    std::string state() const override {
        return "version=" + std::to_string(settings_.version) +
               " level=" + std::to_string(settings_.level) +
               " locked=" + std::to_string(settings_.locked ? 1 : 0) +
               " writes=" + std::to_string(writes_);
    }

    std::string command(std::string_view args, DeviceLine&) override {
        const auto space = args.find(' ');
        const std::string_view verb = args.substr(0, space);
        const std::string_view value =
            space == std::string_view::npos ? std::string_view{} : args.substr(space + 1);
        if (verb == "params" || verb == "table") {
            const bool params = verb == "params";
            if (!params && memory_.table().empty()) {
                throw std::invalid_argument("a version-0 meter has no table");
            }
            if (!value.empty()) {
                params ? memory_.setParams(parseHex(value)) : memory_.setTable(parseHex(value));
            }
            return hex(params ? memory_.params() : memory_.table());
        }
        if (value.empty()) {
            throw std::invalid_argument(
                "device commands: params [HEX] | table [HEX] | supply N | thermo N | "
                "adaptor NUMBER:VERSION | flash D0:D1:D2:D3 | lock 0|1 | refuse HEX…|none");
        }
        if (verb == "refuse") {
            refused_.clear();
            if (value != "none") {
                for (uint8_t command : parseHex(value)) {
                    refused_.insert(command);
                }
            }
        } else {
            applySetting(settings_, verb == "lock" ? "locked" : verb, value);
        }
        return {};
    }

    static bool isSetting(std::string_view key) {
        return key == "supply" || key == "thermo" || key == "adaptor" || key == "flash" ||
               key == "level" || key == "locked";
    }

    static void applySetting(Settings& s, std::string_view key, std::string_view value) {
        if (key == "supply") {
            s.supply = static_cast<uint8_t>(parseNumber(value, 255, "supply"));
        } else if (key == "thermo") {
            s.thermo = static_cast<uint8_t>(parseNumber(value, 255, "thermo"));
        } else if (key == "adaptor") {
            const auto v = parseBytes(value, 2, "adaptor");
            s.adaptor = {v[0], v[1]};
        } else if (key == "flash") {
            const auto v = parseBytes(value, 4, "flash");
            s.flash = {v[0], v[1], v[2], v[3]};
        } else if (key == "level") {
            s.level = static_cast<uint8_t>(parseNumber(value, 3, "level"));
        } else if (key == "locked") {
            s.locked = parseNumber(value, 1, "lock") == 1;
        } else {
            throw std::invalid_argument("lgm: unknown setting '" + std::string(key) + "'");
        }
    }

private:
    static void followPower(DeviceLine& line) { line.setModemLine(ModemLine::Dsr, line.dtr()); }

    size_t blockLength(Block block) const {
        return block == Block::Params ? memory_.params().size() : memory_.table().size();
    }

    // A write carries its block and checksum after the command; every other
    // request is the command byte alone.
    size_t requestLength(uint8_t command) const {
        const auto block = blockCommand(settings_.version, command);
        if (block && block->access != Access::Read) {
            return 1 + blockLength(block->block) + 2;
        }
        return 1;
    }

    std::vector<uint8_t> handle(const std::vector<uint8_t>& request, DeviceLine& line) {
        const uint8_t command = request[0];
        if (refused_.contains(command)) {
            return {kRefused};
        }
        if (command >= 0x0B && command <= 0x0E) {
            settings_.level = command - 0x0B;
            return {command};
        }
        switch (command) {
        case 0x00:
            return {0x00, settings_.flash[settings_.level]};
        case 0x0F:
            return {0x0F, settings_.adaptor[0], settings_.adaptor[1]};
        case 0x05:
            return shortAnswer(command, settings_.supply);
        case 0x08:
            return shortAnswer(command, static_cast<uint8_t>(settings_.version));
        case 0x16:
            return shortAnswer(command, settings_.thermo);
        default:
            break;
        }
        const auto block = blockCommand(settings_.version, command);
        if (!block) {
            // What follows an unknown command in the same burst cannot be
            // told apart from its data: the meter lets it pass.
            pending_.clear();
            return {kRefused};
        }
        if (block->access == Access::Read) {
            const auto& bytes = block->block == Block::Params ? memory_.params() : memory_.table();
            return blockAnswer(command, bytes, sum16(bytes));
        }
        return write(*block, request, line);
    }

    std::vector<uint8_t> write(const BlockCommand& block, const std::vector<uint8_t>& request,
                               DeviceLine& line) {
        const uint8_t command = request[0];
        const std::span<const uint8_t> data(request.data() + 1, request.size() - 3);
        const uint16_t trueSum = sum16(data);
        uint16_t expected = trueSum;
        if (block.access == Access::PrivilegedWrite && settings_.version == 2) {
            expected = static_cast<uint16_t>((trueSum & 0xFF00) |
                                             static_cast<uint8_t>(trueSum - kPrivilegedOffset));
        }
        const uint16_t received =
            static_cast<uint16_t>(request[request.size() - 2] << 8 | request.back());
        if (received != expected) {
            line.log("lgm: write refused, checksum " + std::to_string(received) + " instead of " +
                     std::to_string(expected));
            return {kRefused};
        }
        if (block.access == Access::Write && settings_.locked) {
            line.log("lgm: plain write refused while locked");
            return {kRefused};
        }
        std::vector<uint8_t> bytes(data.begin(), data.end());
        try {
            block.block == Block::Params ? memory_.setParams(bytes) : memory_.setTable(bytes);
        } catch (const std::exception& e) {
            line.log(e.what());
        }
        ++writes_;
        return blockAnswer(command, data, trueSum);
    }

    static std::vector<uint8_t> shortAnswer(uint8_t command, uint8_t value) {
        return {command, value, 0x00, value};
    }

    Settings settings_;
    MeterMemory memory_;
    std::vector<uint8_t> pending_;
    std::set<uint8_t> refused_;
    uint64_t writes_ = 0;
};

std::unique_ptr<Device> createLgm(DeviceOptions& options) {
    Settings settings;
    for (auto it = options.begin(); it != options.end();) {
        const auto& [key, value] = *it;
        if (key == "version") {
            settings.version = static_cast<int>(parseNumber(value, 2, "lgm: version"));
        } else if (key == "file") {
            settings.file = value;
        } else if (LgmMeter::isSetting(key)) {
            LgmMeter::applySetting(settings, key, value);
        } else {
            ++it; // not ours: the framework reports it
            continue;
        }
        it = options.erase(it);
    }
    return std::make_unique<LgmMeter>(settings);
}

const DeviceRegistration registration({
    "lgm",
    "ЛГМ flow meter behind its adaptor (powered by DTR, which DSR follows)",
    "version=0|1|2          meter version (default 2): parameter block of 35,\n"
    "                       35 or 44 bytes, table of none, 84 or 31 bytes\n"
    "file=PATH              keep the parameter block and then the table in this\n"
    "                       file: read at start when it exists, else created;\n"
    "                       rewritten after every accepted write\n"
    "supply=N thermo=N      values of the short commands 0x05 and 0x16\n"
    "                       (default 200 and 46); 0x08 answers the version\n"
    "adaptor=NUMBER:VERSION adaptor identity bytes (default 17:3)\n"
    "flash=D0:D1:D2:D3      flash duration at levels 0 … 3 (default\n"
    "                       20:50:90:120: automatic tuning settles on level 1)\n"
    "level=N                adaptor level at start (default 0)\n"
    "locked=0|1             refuse plain writes, take only privileged ones\n"
    "A write whose checksum is wrong, a command the version lacks (the rest of\n"
    "its burst is ignored) and a refused command are answered 0xFF.\n"
    "Faults: checksum spoils the last checksum byte of block answers, write\n"
    "repeats and short answers (adaptor answers have no checksum); status turns\n"
    "the first answer byte into a wrong one (not 0xFF).\n"
    "Device commands: params [HEX] and table [HEX] show or replace a block;\n"
    "supply N, thermo N, adaptor N:V, flash D0:D1:D2:D3, lock 0|1;\n"
    "refuse HEX…|none  answer these command bytes 0xFF (e.g. refuse 1013).\n"
    "State: version= level= locked= writes= (accepted writes).",
    createLgm,
});

} // namespace
} // namespace lgmsim::lgm
