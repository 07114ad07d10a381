#include "modbus/tkxmbframecls.h"

#include "base/tkxmbresultcodes.h"

#include <algorithm>

namespace {

constexpr std::uint8_t ExceptionFlag = 0x80;
constexpr std::size_t MbapSize = 7; // transaction id, protocol id, length, unit id
constexpr std::size_t MaxTcpLength = 254;

TkxMBDecoded Complete(std::int32_t result, std::size_t consumed) {
    TkxMBDecoded decoded;
    decoded.Status = TkxMBFrameStatus::Complete;
    decoded.Result = result;
    decoded.Consumed = consumed;
    return decoded;
}

TkxMBDecoded Accept(std::span<const std::uint8_t> request, std::span<const std::uint8_t> reply,
                    std::size_t consumed) {
    TkxMBDecoded decoded = Complete(TkxMBFrame::CheckReply(request, reply), consumed);
    if (decoded.Result == TkxMBResult::Ok) {
        decoded.Response.assign(reply.begin(), reply.end());
    }
    return decoded;
}

int HexDigit(std::uint8_t c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

std::uint16_t BigEndian16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>((bytes[at] << 8) | bytes[at + 1]);
}

} // namespace

std::uint16_t TkxMBFrame::Crc16(std::span<const std::uint8_t> bytes) {
    std::uint16_t crc = 0xFFFF;
    for (std::uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) != 0 ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001)
                                 : static_cast<std::uint16_t>(crc >> 1);
        }
    }
    return crc;
}

std::uint8_t TkxMBFrame::Lrc(std::span<const std::uint8_t> bytes) {
    std::uint8_t sum = 0;
    for (std::uint8_t byte : bytes) {
        sum = static_cast<std::uint8_t>(sum + byte);
    }
    return static_cast<std::uint8_t>(-sum);
}

std::vector<std::uint8_t> TkxMBFrame::EncodeRtu(std::span<const std::uint8_t> request) {
    std::vector<std::uint8_t> frame(request.begin(), request.end());
    const std::uint16_t crc = Crc16(request);
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF)); // the CRC goes low byte first
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
    return frame;
}

std::vector<std::uint8_t> TkxMBFrame::EncodeAscii(std::span<const std::uint8_t> request) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    std::vector<std::uint8_t> frame{':'};
    auto put = [&frame](std::uint8_t byte) {
        frame.push_back(static_cast<std::uint8_t>(Digits[byte >> 4]));
        frame.push_back(static_cast<std::uint8_t>(Digits[byte & 0x0F]));
    };
    std::for_each(request.begin(), request.end(), put);
    put(Lrc(request));
    frame.push_back('\r');
    frame.push_back('\n');
    return frame;
}

std::vector<std::uint8_t> TkxMBFrame::EncodeTcp(std::span<const std::uint8_t> request,
                                                std::uint16_t transactionId) {
    // The unit id is the slave address, so the MBAP length counts it with the PDU. The frame is
    // sized up front: growing a vector made from a list trips a false array-bounds warning of
    // GCC 12 at -O2.
    const auto length = static_cast<std::uint16_t>(request.size());
    std::vector<std::uint8_t> frame(6 + request.size());
    frame[0] = static_cast<std::uint8_t>(transactionId >> 8);
    frame[1] = static_cast<std::uint8_t>(transactionId & 0xFF);
    frame[4] = static_cast<std::uint8_t>(length >> 8);
    frame[5] = static_cast<std::uint8_t>(length & 0xFF);
    std::copy(request.begin(), request.end(), frame.begin() + 6);
    return frame;
}

int TkxMBFrame::KnownReplyLength(std::span<const std::uint8_t> reply) {
    if (reply.size() < 2) {
        return -1;
    }
    const std::uint8_t function = reply[1];
    if ((function & ExceptionFlag) != 0) {
        return 3;
    }
    switch (function) {
    case 3:
        return reply.size() < 3 ? -1 : 3 + reply[2];
    case 6:
    case 16:
        return 6;
    case 65:
        return 12;
    default:
        return 0;
    }
}

std::int32_t TkxMBFrame::CheckReply(std::span<const std::uint8_t> request,
                                    std::span<const std::uint8_t> reply) {
    if (request.size() < 2 || reply.size() < 2 || reply[0] != request[0] ||
        (reply[1] & ~ExceptionFlag) != request[1]) {
        return TkxMBResult::InvalidResponse;
    }
    const int known = KnownReplyLength(reply);
    if (known > 0 && reply.size() != static_cast<std::size_t>(known)) {
        return TkxMBResult::InvalidResponse;
    }
    if ((reply[1] & ExceptionFlag) != 0) {
        return TkxMBResult::ExceptionBase + reply[2];
    }
    return TkxMBResult::Ok;
}

TkxMBDecoded TkxMBFrame::DecodeRtu(std::span<const std::uint8_t> request,
                                   std::span<const std::uint8_t> received, bool lineSilent) {
    const int known = KnownReplyLength(received);
    std::size_t frameSize = 0;
    if (known > 0) {
        frameSize = static_cast<std::size_t>(known) + 2;
        if (received.size() < frameSize) {
            return {};
        }
    } else if (known == 0 && lineSilent) {
        frameSize = received.size();
    } else {
        return {};
    }
    if (frameSize > MaxRtuFrame || frameSize < 4) {
        return Complete(TkxMBResult::InvalidResponse, received.size());
    }
    const auto frame = received.first(frameSize);
    const auto body = frame.first(frameSize - 2);
    const std::uint16_t crc =
        static_cast<std::uint16_t>(frame[frameSize - 2] | (frame[frameSize - 1] << 8));
    if (crc != Crc16(body)) {
        return Complete(TkxMBResult::InvalidCrc, frameSize);
    }
    return Accept(request, body, frameSize);
}

TkxMBDecoded TkxMBFrame::DecodeAscii(std::span<const std::uint8_t> request,
                                     std::span<const std::uint8_t> received) {
    const auto start = std::find(received.begin(), received.end(), ':');
    if (start == received.end()) {
        return {};
    }
    const auto skipped = static_cast<std::size_t>(start - received.begin());
    const auto text = received.subspan(skipped + 1);
    const auto end = std::find(text.begin(), text.end(), '\n');
    if (end == text.end()) {
        if (text.size() >= MaxAsciiFrame) {
            return Complete(TkxMBResult::InvalidResponse, received.size());
        }
        return {};
    }
    const auto lineSize = static_cast<std::size_t>(end - text.begin());
    const std::size_t consumed = skipped + 1 + lineSize + 1;
    if (lineSize == 0 || text[lineSize - 1] != '\r' || lineSize % 2 == 0) {
        return Complete(TkxMBResult::InvalidResponse, consumed);
    }
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < lineSize; i += 2) {
        const int high = HexDigit(text[i]);
        const int low = HexDigit(text[i + 1]);
        if (high < 0 || low < 0) {
            return Complete(TkxMBResult::InvalidResponse, consumed);
        }
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    if (bytes.size() < 3) {
        return Complete(TkxMBResult::InvalidResponse, consumed);
    }
    const auto body = std::span<const std::uint8_t>(bytes).first(bytes.size() - 1);
    if (Lrc(body) != bytes.back()) {
        return Complete(TkxMBResult::InvalidCrc, consumed);
    }
    return Accept(request, body, consumed);
}

TkxMBDecoded TkxMBFrame::DecodeTcp(std::span<const std::uint8_t> request,
                                   std::span<const std::uint8_t> received,
                                   std::uint16_t transactionId) {
    if (received.size() < MbapSize) {
        return {};
    }
    const std::uint16_t length = BigEndian16(received, 4);
    if (BigEndian16(received, 2) != 0 || length < 2 || length > MaxTcpLength) {
        return Complete(TkxMBResult::InvalidResponse, received.size());
    }
    const std::size_t frameSize = 6 + std::size_t{length};
    if (received.size() < frameSize) {
        return {};
    }
    if (BigEndian16(received, 0) != transactionId) {
        TkxMBDecoded stale;
        stale.Status = TkxMBFrameStatus::Stale;
        stale.Consumed = frameSize;
        return stale;
    }
    return Accept(request, received.subspan(6, length), frameSize);
}
