// libFuzzer entry for the converter: each input is a score file's bytes, converted in both
// modes in a block of exactly its size (so the sanitizers see any access past it). The copy
// must keep the input's length, change no byte but a head's shape into a degree's code or 0, and
// come out the same from a second conversion of the same bytes. A broken rule traps, so the
// fuzzer keeps the input.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "converter/ScoreConverter.h"

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

// A head's first byte after the conversion: its flags as they were, its shape a degree's code or 0.
bool IsConvertedHead(std::uint8_t before, std::uint8_t after) {
    const std::uint8_t shape = after & 0x3F;
    const auto& a = zel2tqx::kOpenCodes;
    const auto& b = zel2tqx::kFilledCodes;
    return (after & 0xC0) == (before & 0xC0) &&
           (shape == 0 || std::find(a.begin(), a.end(), shape) != a.end() || std::find(b.begin(), b.end(), shape) != b.end());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (zel2tqx::Mode mode : {zel2tqx::Mode::MovableDo, zel2tqx::Mode::FixedDo}) {
        std::vector<std::uint8_t> once(data, data + size);
        zel2tqx::ConvertScoreBytes(once, mode);
        Check(once.size() == size);
        for (std::size_t i = 0; i < size; ++i) Check(once[i] == data[i] || IsConvertedHead(data[i], once[i]));
        std::vector<std::uint8_t> twice(data, data + size);
        zel2tqx::ConvertScoreBytes(twice, mode);
        Check(twice == once);
    }
    return 0;
}
