#include "LgmMeterMemory.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace lgmsim::lgm {

namespace {

// A DN32 meter (diameter code 2, weight code 2, 16 ticks of pulse) with two
// lines switching near 20 Hz, division factor 1. Words are high byte first.
const std::vector<uint8_t> kParams01 = {
    0x01,                                           // division factor
    0x1C, 0x72, 0x20, 0x00, 0x00, 0x00, 0x00, 0x00, // slope words
    0x1D, 0xDE, 0x21, 0x00, 0x00, 0x00, 0x00, 0x00, // end words
    0x0A, 0x0B, 0x00, 0x00,                         // line bytes: N 1, M 2 and 3
    0x06, 0x5E, 0x00, 0x00, 0x00, 0x00,             // upper boundary periods
    0x06, 0x6F, 0x00, 0x00, 0x00, 0x00,             // lower boundary periods
    0x22,                                           // configuration
    0x10,                                           // pulse duration
};

const std::vector<uint8_t> kParams2 = {
    0x01,                                                       //
    0x1C, 0x72, 0x20, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, //
    0x1D, 0xDE, 0x21, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, //
    0x0A, 0x0B, 0x00, 0x00, 0x00,                               //
    0x06, 0x5E, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,             //
    0x06, 0x6F, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,             //
    0x22,                                                       //
    0x10,                                                       //
};

// Version 2's table starts with the thermo-compensation byte: 11 is 2.0.
constexpr uint8_t kThermoByte = 11;

} // namespace

MeterShape shapeOf(int version) {
    switch (version) {
    case 0:
        return {35, 0};
    case 1:
        return {35, 84};
    default:
        return {44, 31};
    }
}

MeterMemory::MeterMemory(int version, std::string file) : file_(std::move(file)) {
    const MeterShape shape = shapeOf(version);
    if (!file_.empty() && std::filesystem::exists(file_)) {
        std::ifstream in(file_, std::ios::binary);
        const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                         std::istreambuf_iterator<char>()};
        if (!in.eof() && in.fail()) {
            throw std::invalid_argument("lgm: cannot read " + file_);
        }
        if (bytes.size() != shape.params + shape.table) {
            throw std::invalid_argument("lgm: " + file_ + " holds " + std::to_string(bytes.size()) +
                                        " bytes, a version-" + std::to_string(version) +
                                        " meter keeps " +
                                        std::to_string(shape.params + shape.table));
        }
        params_.assign(bytes.begin(), bytes.begin() + static_cast<long>(shape.params));
        table_.assign(bytes.begin() + static_cast<long>(shape.params), bytes.end());
        return;
    }
    params_ = version == 2 ? kParams2 : kParams01;
    table_.assign(shape.table, 0);
    if (version == 2) {
        table_[0] = kThermoByte;
    }
    save();
}

void MeterMemory::setParams(std::vector<uint8_t> bytes) {
    if (bytes.size() != params_.size()) {
        throw std::invalid_argument("the parameter block has " + std::to_string(params_.size()) +
                                    " bytes");
    }
    params_ = std::move(bytes);
    save();
}

void MeterMemory::setTable(std::vector<uint8_t> bytes) {
    if (bytes.size() != table_.size()) {
        throw std::invalid_argument("the table has " + std::to_string(table_.size()) + " bytes");
    }
    table_ = std::move(bytes);
    save();
}

// Written aside and renamed, so a reader never sees half a file.
void MeterMemory::save() const {
    if (file_.empty()) {
        return;
    }
    const std::string temporary = file_ + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(params_.data()),
                  static_cast<std::streamsize>(params_.size()));
        out.write(reinterpret_cast<const char*>(table_.data()),
                  static_cast<std::streamsize>(table_.size()));
        if (!out.flush()) {
            throw std::invalid_argument("lgm: cannot write " + temporary);
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, file_, error);
    if (error) {
        throw std::invalid_argument("lgm: cannot write " + file_ + ": " + error.message());
    }
}

} // namespace lgmsim::lgm
