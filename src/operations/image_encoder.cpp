// SPDX-License-Identifier: GPL-3.0-or-later
#include "operations/image_encoder.h"

#include "operations/intel_hex.h"
#include "operations/srecord.h"

namespace dspprog {
namespace {

class RawEncoder final : public ImageEncoder {
public:
    std::string Begin() override { return {}; }
    std::string Data(std::uint32_t, const std::uint8_t* bytes, std::size_t size) override {
        return std::string(reinterpret_cast<const char*>(bytes), size);
    }
    std::string End() override { return {}; }
};

}  // namespace

std::unique_ptr<ImageEncoder> MakeImageEncoder(ImageFormat format, std::uint32_t chip_size,
                                               std::uint32_t offset) {
    switch (format) {
        case ImageFormat::Raw:
            return std::make_unique<RawEncoder>();
        case ImageFormat::IntelHex:
            if (OffsetProblem(offset, chip_size)) return nullptr;
            return std::make_unique<IntelHexEncoder>(offset);
        case ImageFormat::SRecord:
            if (OffsetProblem(offset, chip_size)) return nullptr;
            return std::make_unique<SRecordEncoder>(chip_size, offset);
    }
    return nullptr;
}

}  // namespace dspprog
