#pragma once

#include "support/tkxmbscriptedservercls.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <vector>

// A slave for the scripted line that keeps its holding registers in memory: function 3 reads
// them (0 where nothing was written), 6 and 16 write them. Writes to refused addresses get an
// exception reply (illegal address) and store nothing of their request. Safe to use from the
// communication thread and the test at once.
class TkxMemorySlave {
public:
    TkxMBScript::Step Answer(const std::vector<std::uint8_t>& query);

    std::uint16_t Word(std::uint16_t address) const;
    void SetWord(std::uint16_t address, std::uint16_t value);
    void RefuseWrites(std::uint16_t address);
    void AcceptWrites();
    // Every later answer comes after this delay, as from a slow line.
    void SetReplyDelay(std::chrono::milliseconds delay);
    // How many write requests have reached an address, refused ones included.
    int WritesTo(std::uint16_t address) const;

private:
    TkxMBScript::Step Handle(const std::vector<std::uint8_t>& query);
    TkxMBScript::Step Read(const std::vector<std::uint8_t>& query, int start, int count) const;
    TkxMBScript::Step Write(const std::vector<std::uint8_t>& query, int start, int count,
                            std::size_t dataOffset);

    mutable std::mutex FMutex;
    std::map<std::uint16_t, std::uint16_t> FWords;
    std::map<std::uint16_t, int> FWriteCounts;
    std::set<std::uint16_t> FRefused;
    std::chrono::milliseconds FDelay{0};
};
