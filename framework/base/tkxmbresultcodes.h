#pragma once

#include <cstdint>

// Result codes of Modbus work. 0 is success, the negative codes are the framework's own, the
// 0x8004xxxx codes come from the line: serial faults, socket faults and exception replies
// (0x80048200 plus the exception code).
namespace TkxMBResult {

constexpr std::int32_t FromHex(std::uint32_t code) {
    return static_cast<std::int32_t>(code);
}

inline constexpr std::int32_t Ok = 0;
inline constexpr std::int32_t ConnectionError = -1;
inline constexpr std::int32_t UnexpectedSize = -2;
inline constexpr std::int32_t NoBuffer = -3;
inline constexpr std::int32_t NotRegistered = -4;
inline constexpr std::int32_t TcpServerWithoutConnection = -5;
inline constexpr std::int32_t TcpServerNotStarted = -6;
inline constexpr std::int32_t TcpServerCloseError = -7;
inline constexpr std::int32_t UserFunctionError = -8;
inline constexpr std::int32_t InvalidSetup = -9;
inline constexpr std::int32_t InvalidDeviceSetup = -10;
inline constexpr std::int32_t WaitTimeout = -11;
inline constexpr std::int32_t OffsetError = 0x200;
inline constexpr std::int32_t Timeout = FromHex(0x80040201);
inline constexpr std::int32_t InvalidResponse = FromHex(0x80040202);
inline constexpr std::int32_t InvalidCrc = FromHex(0x80040203);
inline constexpr std::int32_t WriteError = FromHex(0x80040208);
inline constexpr std::int32_t ReadError = FromHex(0x80040209);
inline constexpr std::int32_t PortNotInitialized = FromHex(0x8004020A);
inline constexpr std::int32_t BufferOverflow = FromHex(0x800405E8);
inline constexpr std::int32_t SocketError = FromHex(0x800405E9);
inline constexpr std::int32_t SocketWriteError = FromHex(0x800405EA);
inline constexpr std::int32_t SocketReadError = FromHex(0x800405EB);
inline constexpr std::int32_t SocketNotConnected = FromHex(0x800405EC);
inline constexpr std::int32_t ExceptionBase = FromHex(0x80048200);
inline constexpr std::int32_t IllegalFunction = FromHex(0x80048201);
inline constexpr std::int32_t IllegalAddress = FromHex(0x80048202);
inline constexpr std::int32_t IllegalValue = FromHex(0x80048203);
inline constexpr std::int32_t SlaveFailure = FromHex(0x80048204);
inline constexpr std::int32_t Acknowledge = FromHex(0x80048205);
inline constexpr std::int32_t SlaveBusy = FromHex(0x80048206);
inline constexpr std::int32_t MemoryCheckFailed = FromHex(0x80048208);
inline constexpr std::int32_t GatewayNoPath = FromHex(0x8004820A);
inline constexpr std::int32_t GatewayNoDevice = FromHex(0x8004820B);

} // namespace TkxMBResult
