// A test fixture: a umockdev test bed with emulated ZQ40 units, the
// library's events and firmware progress recorded, and the library's log in
// a file of its own.
#pragma once

#include "library_events.h"
#include "progress_record.h"

#include <zq40emu/zq40emu.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace testsupport {

class EmulatedBus : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    static zq40emu::UnitConfig unitConfig(uint32_t serial, std::string product = "ZQ40");
    zq40emu::Unit& plug(uint32_t serial, std::string product = "ZQ40");

    // Plugs `serial`, enumerates and waits for its connect event.
    ousb_handle_t plugAndConnect(uint32_t serial, std::string product = "ZQ40");

    LibraryEvents& events() { return LibraryEvents::instance(); }
    ProgressRecord& progress() { return ProgressRecord::instance(); }
    std::vector<std::string> logLines() const;
    bool waitForLogLine(const std::string& text, int timeoutMs = 5000) const;
    size_t countLogLines(const std::string& text) const;

    std::unique_ptr<zq40emu::Testbed> bed;
    std::string logPath;
};

// Bytes of a report that the host built: msgID, tag, cnt byte.
uint32_t reportTag(const std::array<uint8_t, 64>& bytes);

} // namespace testsupport
