// What an ЛГМ meter keeps: its parameter block and its table, as raw bytes,
// optionally mirrored in a file so a test can see what was written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lgmsim::lgm {

// Block lengths of a meter version.
struct MeterShape {
    size_t params; // 35 (versions 0, 1) or 44 (version 2)
    size_t table;  // 0 (version 0), 84 (version 1) or 31 (version 2)
};

MeterShape shapeOf(int version);

class MeterMemory {
public:
    // Starts from the file when it exists (it must hold the parameter block
    // followed by the table of this version), else from a two-line
    // characteristic and writes the file. No file: memory only.
    // Throws std::invalid_argument for a file of another size or that
    // cannot be read or written.
    MeterMemory(int version, std::string file);

    const std::vector<uint8_t>& params() const { return params_; }
    const std::vector<uint8_t>& table() const { return table_; }
    // Replace a block (of its exact length) and save the file.
    void setParams(std::vector<uint8_t> bytes);
    void setTable(std::vector<uint8_t> bytes);

private:
    void save() const;

    std::string file_;
    std::vector<uint8_t> params_;
    std::vector<uint8_t> table_;
};

} // namespace lgmsim::lgm
