#pragma once

#include "modbus/tkxmblinkcls.h"

#include <cstdint>
#include <string>
#include <vector>

// The Modbus server component: owns the line of one connection and performs one request and
// response per TxRxMessage. The order of use is OpenConnection, the settings, Connect, any
// number of TxRxMessage, CloseConnection. Failures come back as result codes; the reason a
// Connect failed is kept for the log.
class TkxMBServer {
public:
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
    // The first queryLength bytes of query are sent; on 0 response holds the reply (slave
    // address, function, data). respLength is unused; bytesRead receives the reply length.
    virtual std::int32_t TxRxMessage(const std::vector<std::uint8_t>& query,
                                     std::uint16_t queryLength, std::vector<std::uint8_t>& response,
                                     std::uint16_t respLength,
                                     std::vector<std::uint8_t>& bytesRead) = 0;

    const TkxMBLinkSettings& Settings() const { return FSettings; }
    const std::string& GetLastErrorText() const { return FLastErrorText; }

protected:
    TkxMBLinkSettings FSettings;
    std::string FLastErrorText;
    bool FRaiseError = false;
};
