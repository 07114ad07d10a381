#include "modbus/tkxmbseriallinkcls.h"

#include "base/tkxmbresultcodes.h"
#include "modbus/tkxmbcancelcls.h"
#include "modbus/tkxmbframecls.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <utility>

namespace {

// Slaves of UNIX98 pseudo-terminals have the character-device majors 136 to 143.
bool IsPseudoTerminal(int fd) {
    struct stat status {};
    if (fstat(fd, &status) != 0 || !S_ISCHR(status.st_mode)) {
        return false;
    }
    const unsigned int deviceMajor = major(status.st_rdev);
    return deviceMajor >= 136 && deviceMajor <= 143;
}

using Clock = std::chrono::steady_clock;

bool BaudConstant(int baud, speed_t& speed) {
    static constexpr std::pair<int, speed_t> Rates[] = {
        {300, B300},       {600, B600},       {1200, B1200},     {2400, B2400},   {4800, B4800},
        {9600, B9600},     {19200, B19200},   {38400, B38400},   {57600, B57600}, {115200, B115200},
        {230400, B230400}, {460800, B460800}, {921600, B921600},
    };
    for (const auto& [rate, constant] : Rates) {
        if (rate == baud) {
            speed = constant;
            return true;
        }
    }
    return false;
}

std::string OpenFailure(const std::string& path, int error) {
    switch (error) {
    case EACCES:
    case EPERM:
        return "no permission to open " + path +
               "; add the user to the 'dialout' group (sudo usermod -aG dialout $USER) and log "
               "in again";
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return "serial port " + path + " does not exist";
    case EBUSY:
    case EWOULDBLOCK:
        return "serial port " + path + " is busy (used by another program)";
    default:
        return "cannot open serial port " + path + ": " + std::strerror(error);
    }
}

int MillisecondsLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

} // namespace

TkxMBSerialLink::TkxMBSerialLink(TkxMBLinkSettings settings, std::string devicePath,
                                 const TkxMBCancel& cancel)
    : FSettings(std::move(settings))
    , FDevicePath(std::move(devicePath))
    , FCancel(cancel) {}

TkxMBSerialLink::~TkxMBSerialLink() {
    Close();
}

bool TkxMBSerialLink::Open(std::string& why) {
    Close();
    FFd.Reset(::open(FDevicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!FFd.IsOpen()) {
        why = OpenFailure(FDevicePath, errno);
        return false;
    }
    // A file or /dev/null would otherwise fail the exclusive open below and read as busy.
    if (!isatty(FFd.Get())) {
        why = FDevicePath + " is not a serial port";
        Close();
        return false;
    }
    // Another program holding the port counts as busy, whether it locks or opens exclusively.
    if (flock(FFd.Get(), LOCK_EX | LOCK_NB) != 0 || ioctl(FFd.Get(), TIOCEXCL) != 0) {
        why = OpenFailure(FDevicePath, EBUSY);
        Close();
        return false;
    }
    if (!ApplyLineSettings(why)) {
        Close();
        return false;
    }
    SetUpDirectionControl();
    tcflush(FFd.Get(), TCIOFLUSH);
    FAwaitQuiet = false;
    return true;
}

void TkxMBSerialLink::Close() {
    FFd.Reset();
}

bool TkxMBSerialLink::ApplyLineSettings(std::string& why) {
    termios tio{};
    if (tcgetattr(FFd.Get(), &tio) != 0) {
        why = FDevicePath + " is not a serial port: " + std::strerror(errno);
        return false;
    }
    speed_t speed = B0;
    if (!BaudConstant(FSettings.BaudRate, speed)) {
        why = "baud rate " + std::to_string(FSettings.BaudRate) + " is not supported";
        return false;
    }
    cfmakeraw(&tio);
    cfsetispeed(&tio, speed);
    cfsetospeed(&tio, speed);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    tio.c_cflag |= CLOCAL | CREAD | (FSettings.ByteSize == 7 ? CS7 : CS8);
    switch (FSettings.Parity) {
    case 1:
        tio.c_cflag |= PARENB | PARODD;
        break;
    case 2:
        tio.c_cflag |= PARENB;
        break;
    case 3:
        tio.c_cflag |= PARENB | CMSPAR | PARODD;
        break;
    case 4:
        tio.c_cflag |= PARENB | CMSPAR;
        break;
    default:
        break;
    }
    // termios has no one and a half stop bits; two is the nearest a receiver accepts.
    if (FSettings.StopBits != 0) {
        tio.c_cflag |= CSTOPB;
    }
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    if (FSettings.FlowControl == 2) {
        tio.c_cflag |= CRTSCTS;
    } else if (FSettings.FlowControl == 4) {
        tio.c_iflag |= IXON | IXOFF;
    }
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (tcsetattr(FFd.Get(), TCSANOW, &tio) != 0 && !RetryWithoutParity(tio)) {
        why = "cannot apply the line settings to " + FDevicePath + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

// A pseudo-terminal (a simulator, a socat pair) carries no parity bit, and some kernels refuse
// the setting there with EINVAL; without it the line works the same.
bool TkxMBSerialLink::RetryWithoutParity(termios tio) const {
    if (errno != EINVAL || !IsPseudoTerminal(FFd.Get()) || (tio.c_cflag & PARENB) == 0) {
        return false;
    }
    tio.c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD | CMSPAR);
    if (tcsetattr(FFd.Get(), TCSANOW, &tio) == 0) {
        return true;
    }
    errno = EINVAL;
    return false;
}

void TkxMBSerialLink::SetUpDirectionControl() {
    FToggleRts = false;
    if (FSettings.FlowControl != 8) {
        return;
    }
    serial_rs485 rs485{};
    rs485.flags = SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND;
    if (ioctl(FFd.Get(), TIOCSRS485, &rs485) == 0) {
        return;
    }
    FToggleRts = true;
    SetRts(false);
}

void TkxMBSerialLink::SetRts(bool raised) {
    int bits = TIOCM_RTS;
    // A port without modem lines (a pseudo-terminal) simply ignores the request.
    [[maybe_unused]] const int ignored = ioctl(FFd.Get(), raised ? TIOCMBIS : TIOCMBIC, &bits);
}

void TkxMBSerialLink::DiscardStaleInput() {
    std::uint8_t scrap[256];
    if (FAwaitQuiet) {
        // A slave that missed the time-out answers within about one more time-out: read until
        // the line has been quiet that long (two time-outs at most), so its reply is dropped
        // here and not taken for the answer to the next request.
        const int timeOut = FSettings.TimeOut > 0 ? FSettings.TimeOut : 1;
        const auto deadline = Clock::now() + std::chrono::milliseconds(2 * timeOut);
        while (MillisecondsLeft(deadline) > 0 &&
               FCancel.WaitFor(FFd.Get(), POLLIN, std::min(timeOut, MillisecondsLeft(deadline))) ==
                   TkxMBCancel::Wait::Ready &&
               ::read(FFd.Get(), scrap, sizeof scrap) > 0) {
        }
        FAwaitQuiet = false;
    }
    tcflush(FFd.Get(), TCIFLUSH);
    while (::read(FFd.Get(), scrap, sizeof scrap) > 0) {
    }
}

std::int32_t TkxMBSerialLink::Send(std::span<const std::uint8_t> frame) {
    if (FToggleRts) {
        SetRts(true);
    }
    std::size_t sent = 0;
    std::int32_t result = TkxMBResult::Ok;
    while (sent < frame.size()) {
        const ssize_t written = ::write(FFd.Get(), frame.data() + sent, frame.size() - sent);
        if (written > 0) {
            sent += static_cast<std::size_t>(written);
        } else if (written < 0 && (errno == EAGAIN || errno == EINTR)) {
            if (FCancel.WaitFor(FFd.Get(), POLLOUT, FSettings.TimeOut) !=
                TkxMBCancel::Wait::Ready) {
                result = TkxMBResult::WriteError;
                break;
            }
        } else {
            result = TkxMBResult::WriteError;
            break;
        }
    }
    if (result == TkxMBResult::Ok) {
        tcdrain(FFd.Get());
    }
    if (FToggleRts) {
        SetRts(false);
    }
    return result;
}

TkxMBReply TkxMBSerialLink::Receive(std::span<const std::uint8_t> request) {
    const bool ascii = FSettings.TransmissionMode == 1;
    const int timeOut = FSettings.TimeOut > 0 ? FSettings.TimeOut : 1;
    const int silence = FSettings.SilentInterval > 0 ? FSettings.SilentInterval : 1;
    std::vector<std::uint8_t> received;
    // The time-out runs until the first byte and again after every byte, so a long reply at a
    // slow rate is not cut off, while a line that stops talking ends the wait.
    auto deadline = Clock::now() + std::chrono::milliseconds(timeOut);
    for (;;) {
        const int left = MillisecondsLeft(deadline);
        const bool waitForSilence =
            !ascii && !received.empty() && TkxMBFrame::KnownReplyLength(received) == 0;
        const int wait = waitForSilence ? std::min(left, silence) : left;
        const auto outcome = FCancel.WaitFor(FFd.Get(), POLLIN, wait);
        if (outcome == TkxMBCancel::Wait::Cancelled) {
            return {TkxMBResult::Timeout, {}};
        }
        if (outcome == TkxMBCancel::Wait::HungUp) {
            return {TkxMBResult::ReadError, {}};
        }
        if (outcome == TkxMBCancel::Wait::TimedOut) {
            if (waitForSilence) {
                TkxMBDecoded decoded = TkxMBFrame::DecodeRtu(request, received, true);
                return {decoded.Result, std::move(decoded.Response)};
            }
            if (MillisecondsLeft(deadline) > 0) {
                continue;
            }
            return {received.empty() ? TkxMBResult::Timeout : TkxMBResult::InvalidResponse, {}};
        }
        std::uint8_t chunk[512];
        const ssize_t count = ::read(FFd.Get(), chunk, sizeof chunk);
        if (count < 0 && (errno == EAGAIN || errno == EINTR)) {
            continue;
        }
        if (count <= 0) {
            return {TkxMBResult::ReadError, {}};
        }
        received.insert(received.end(), chunk, chunk + count);
        // A line that never stops talking is no reply; the bound keeps the buffer small.
        if (received.size() > (ascii ? 2 * TkxMBFrame::MaxAsciiFrame : TkxMBFrame::MaxRtuFrame)) {
            return {TkxMBResult::InvalidResponse, {}};
        }
        deadline = Clock::now() + std::chrono::milliseconds(timeOut);
        TkxMBDecoded decoded = ascii ? TkxMBFrame::DecodeAscii(request, received)
                                     : TkxMBFrame::DecodeRtu(request, received, false);
        if (decoded.Status == TkxMBFrameStatus::Complete) {
            return {decoded.Result, std::move(decoded.Response)};
        }
    }
}

TkxMBReply TkxMBSerialLink::Exchange(std::span<const std::uint8_t> request) {
    if (!FFd.IsOpen()) {
        return {TkxMBResult::PortNotInitialized, {}};
    }
    DiscardStaleInput();
    const auto frame = FSettings.TransmissionMode == 1 ? TkxMBFrame::EncodeAscii(request)
                                                       : TkxMBFrame::EncodeRtu(request);
    TkxMBReply reply{Send(frame), {}};
    if (reply.Result == TkxMBResult::Ok) {
        reply = Receive(request);
    }
    FAwaitQuiet = reply.Result != TkxMBResult::Ok;
    return reply;
}
