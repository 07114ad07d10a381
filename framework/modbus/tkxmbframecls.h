#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// Where the decoding of a reply stands after the bytes received so far.
enum class TkxMBFrameStatus {
    Incomplete, // more bytes are needed
    Complete,   // Result holds the outcome; on success Response holds the reply
    Stale,      // a whole reply to an earlier request: drop Consumed bytes and read on
};

struct TkxMBDecoded {
    TkxMBFrameStatus Status = TkxMBFrameStatus::Incomplete;
    std::int32_t Result = 0;
    std::size_t Consumed = 0;
    // Slave address, function code and data, without checksum or TCP header.
    std::vector<std::uint8_t> Response;
};

// Framing of Modbus requests and replies on RTU, ASCII and TCP lines. The request is the
// slave address, the function code and the data; a reply is checked against the request that
// caused it, and its size is bounded by the protocol, never trusted beyond that. All functions
// are pure so that arbitrary input can be thrown at the decoders.
class TkxMBFrame {
public:
    static constexpr std::size_t MaxRtuFrame = 256;
    static constexpr std::size_t MaxAsciiFrame = 513;
    static constexpr std::size_t MaxRequest = 253; // address, function, data; no checksum

    static std::uint16_t Crc16(std::span<const std::uint8_t> bytes);
    static std::uint8_t Lrc(std::span<const std::uint8_t> bytes);

    static std::vector<std::uint8_t> EncodeRtu(std::span<const std::uint8_t> request);
    static std::vector<std::uint8_t> EncodeAscii(std::span<const std::uint8_t> request);
    static std::vector<std::uint8_t> EncodeTcp(std::span<const std::uint8_t> request,
                                               std::uint16_t transactionId);

    // lineSilent: the silent interval has passed since the last byte; it ends replies whose
    // length the function code does not tell.
    static TkxMBDecoded DecodeRtu(std::span<const std::uint8_t> request,
                                  std::span<const std::uint8_t> received, bool lineSilent);
    static TkxMBDecoded DecodeAscii(std::span<const std::uint8_t> request,
                                    std::span<const std::uint8_t> received);
    static TkxMBDecoded DecodeTcp(std::span<const std::uint8_t> request,
                                  std::span<const std::uint8_t> received,
                                  std::uint16_t transactionId);

    // Checks a reply (address, function, data) against its request: 0, an exception code or
    // an invalid response.
    static std::int32_t CheckReply(std::span<const std::uint8_t> request,
                                   std::span<const std::uint8_t> reply);

    // Length of a reply (address, function, data) that its function code fixes: the length,
    // 0 when the silent interval ends it, -1 when more bytes are needed to tell.
    static int KnownReplyLength(std::span<const std::uint8_t> reply);
};
