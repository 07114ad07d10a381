// Throws arbitrary bytes at the RTU, ASCII and TCP reply decoders. The first byte picks the
// request the reply is checked against; every decoder must end with a bounded verdict.
#include "modbus/tkxmbframecls.h"

#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

namespace {

const std::vector<std::vector<std::uint8_t>> Requests = {
    {0x01, 0x03, 0x00, 0x00, 0x00, 0x7D},
    {0x01, 0x06, 0x00, 0x10, 0x12, 0x34},
    {0x01, 0x10, 0x02, 0x00, 0x00, 0x01, 0x02, 0x00, 0x00},
    {0x07, 0x41},
    {0x01, 0x11},
};

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void CheckVerdict(const TkxMBDecoded& decoded, std::size_t size) {
    Check(decoded.Consumed <= size);
    if (decoded.Status == TkxMBFrameStatus::Complete && decoded.Result == 0) {
        Check(!decoded.Response.empty() && decoded.Response.size() <= TkxMBFrame::MaxRtuFrame);
    } else {
        Check(decoded.Response.empty());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const auto& request = Requests[data[0] % Requests.size()];
    const std::span<const std::uint8_t> received(data + 1, size - 1);
    CheckVerdict(TkxMBFrame::DecodeRtu(request, received, false), received.size());
    CheckVerdict(TkxMBFrame::DecodeRtu(request, received, true), received.size());
    CheckVerdict(TkxMBFrame::DecodeAscii(request, received), received.size());
    CheckVerdict(TkxMBFrame::DecodeTcp(request, received, static_cast<std::uint16_t>(data[0])),
                 received.size());
    return 0;
}
