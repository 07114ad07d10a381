#pragma once

// The one state scale that connections, threads, devices and transactions share. Each class
// has its own text table for these values.
namespace TkxState {

inline constexpr int OffLine = 0;
inline constexpr int Disabled = 1;
// Starting; for a device, not yet identified.
inline constexpr int Starting = 2;
// Running; for a device, connected and ready.
inline constexpr int Running = 3;
inline constexpr int Stopping = 4;
inline constexpr int Error = 5;
inline constexpr int OpenError = 6;
inline constexpr int SetupError = 7;
inline constexpr int CutOff = 8;
inline constexpr int NotRegistered = 9;
// Devices only: the identified version has no device class.
inline constexpr int UnknownDevice = 10;

} // namespace TkxState
