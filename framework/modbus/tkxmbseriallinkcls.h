#pragma once

#include <termios.h>

#include "base/tkxfdcls.h"
#include "modbus/tkxmblinkcls.h"

#include <string>

class TkxMBCancel;

// A serial port under termios speaking Modbus RTU (CRC-16) or ASCII (LRC, ':' ... CR LF).
// Flow code 8 drives an RS485 transceiver: kernel RS485 mode where the driver offers it,
// otherwise RTS is raised for the write and dropped once the bytes have left.
class TkxMBSerialLink : public TkxMBLink {
public:
    TkxMBSerialLink(TkxMBLinkSettings settings, std::string devicePath, const TkxMBCancel& cancel);
    ~TkxMBSerialLink() override;
    TkxMBSerialLink(const TkxMBSerialLink&) = delete;
    TkxMBSerialLink& operator=(const TkxMBSerialLink&) = delete;

    bool Open(std::string& why) override;
    void Close() override;
    TkxMBReply Exchange(std::span<const std::uint8_t> request) override;

private:
    bool ApplyLineSettings(std::string& why);
    bool RetryWithoutParity(termios tio) const;
    void SetUpDirectionControl();
    void SetRts(bool raised);
    void DiscardStaleInput();
    std::int32_t Send(std::span<const std::uint8_t> frame);
    TkxMBReply Receive(std::span<const std::uint8_t> request);

    TkxMBLinkSettings FSettings;
    std::string FDevicePath;
    const TkxMBCancel& FCancel;
    TkxFd FFd;
    bool FToggleRts = false;
    // After a failed exchange a late reply may still be under way; it is waited out before
    // the next request so that it cannot be taken as that request's answer.
    bool FAwaitQuiet = false;
};
