#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// The settings of one connection as the server component receives them, coded as in the
// connection setup.
struct TkxMBLinkSettings {
    std::string Name;
    int ConnType = 1; // 1 serial, 2 TCP/IP
    int Retries = 2;
    int BaudRate = 19200;
    int ComPort = 1;
    int ByteSize = 8;
    int FlowControl = 0; // 1 DTR/DSR, 2 RTS/CTS, 4 XON/XOFF, 8 RS485 direction by RTS
    int Parity = 0;      // 0 none, 1 odd, 2 even, 3 mark, 4 space
    int SilentInterval = 20;
    int StopBits = 0; // 0 one, 1 one and a half, 2 two
    int TimeOut = 500;
    int TransmissionMode = 0; // 0 RTU, 1 ASCII
    int TcpPort = 502;
    std::string Host = "127.0.0.1";
};

// What one request on the line gave: a result code and, on success, the reply (slave
// address, function, data). The reply is moved along from the decoder to the transaction.
struct TkxMBReply {
    std::int32_t Result = 0;
    std::vector<std::uint8_t> Data;
};

// One transport under the server component: a serial port or a TCP socket. Exchange sends one
// request (slave address, function, data) and returns the result with the reply. No call
// blocks longer than the time-out.
class TkxMBLink {
public:
    virtual ~TkxMBLink() = default;
    // False with the reason in why when the port or socket cannot be used.
    virtual bool Open(std::string& why) = 0;
    virtual void Close() = 0;
    virtual TkxMBReply Exchange(std::span<const std::uint8_t> request) = 0;
};
