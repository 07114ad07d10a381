#pragma once

#include "modbus/tkxmblinkcls.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

// The Modbus server component: owns the line of one connection and performs one request and
// response per TxRxMessage. The order of use is OpenConnection, the settings, Connect, any
// number of TxRxMessage, CloseConnection. Failures come back as result codes; the reason a
// Connect failed is kept for the log. A kind of line supplies Connect, CloseConnection,
// IsConnected and Transfer; the checks every request passes first are made here.
class TkxMBServer {
public:
    // Sees every request that goes out (sent true, result 0) and what came back for it (the
    // reply, or nothing with the result of a failure). Called on the thread of the exchange.
    using FrameTap =
        std::function<void(bool sent, std::span<const std::uint8_t> bytes, std::int32_t result)>;

    virtual ~TkxMBServer() = default;

    // ok: the connection type is known (1 serial, 2 TCP/IP).
    virtual void OpenConnection(const std::string& name, std::int16_t type, bool& ok);
    void Set_Retries(std::int16_t retries) { FSettings.Retries = retries; }
    // Failures are always reported as result codes; the flag is kept only for the record.
    void Set_RaiseError(bool raise) { FRaiseError = raise; }
    void Set_BaudRate(std::int32_t baudRate) { FSettings.BaudRate = baudRate; }
    void Set_ComPort(std::int16_t comPort) { FSettings.ComPort = comPort; }
    void Set_ByteSize(std::int16_t byteSize) { FSettings.ByteSize = byteSize; }
    void Set_FlowControl(std::int16_t flowControl) { FSettings.FlowControl = flowControl; }
    void Set_Parity(std::int16_t parity) { FSettings.Parity = parity; }
    void Set_SilentInterval(std::int32_t silentInterval) {
        FSettings.SilentInterval = silentInterval;
    }
    void Set_StopBits(std::int16_t stopBits) { FSettings.StopBits = stopBits; }
    void Set_TimeOut(std::int32_t timeOut) { FSettings.TimeOut = timeOut; }
    void Set_TransmissionMode(std::int16_t mode) { FSettings.TransmissionMode = mode; }
    void Set_TcpPort(std::int32_t tcpPort) { FSettings.TcpPort = tcpPort; }
    void Set_Host(const std::string& host) { FSettings.Host = host; }
    std::int16_t Get_Retries() const { return static_cast<std::int16_t>(FSettings.Retries); }
    bool Get_RaiseError() const { return FRaiseError; }

    virtual void Connect(bool& connected) = 0;
    virtual void CloseConnection() = 0;
    // Sends the query (slave address, function, data) and returns the result with the reply.
    // Not connected: the socket or port error of the connection type; a query shorter than two
    // bytes or longer than a request may be: a buffer overflow. Nothing is sent then.
    TkxMBReply TxRxMessage(std::span<const std::uint8_t> query);
    void SetFrameTap(FrameTap tap) { FTap = std::move(tap); }

    const TkxMBLinkSettings& Settings() const { return FSettings; }
    const std::string& GetLastErrorText() const { return FLastErrorText; }

protected:
    virtual bool IsConnected() const = 0;
    // One request on the connected line, the query checked.
    virtual TkxMBReply Transfer(std::span<const std::uint8_t> query) = 0;

    TkxMBLinkSettings FSettings;
    std::string FLastErrorText;
    bool FRaiseError = false;

private:
    FrameTap FTap;
};
