// Base fixture for Windows tests: every message box is watched and answered; a test
// names the boxes it expects, and any other box fails it.
#ifndef ORVELLUX_WATCHED_TEST_H
#define ORVELLUX_WATCHED_TEST_H

#include <gtest/gtest.h>

#include "box_watcher.h"

class WatchedTest : public ::testing::Test {
protected:
    explicit WatchedTest(DWORD processId = 0) : boxes_(processId) {}

    // Waits (bounded) for the next box and checks its caption and text.
    SeenBox ExpectBox(const std::string& caption, const std::string& text, DWORD timeoutMs = 10000);
    void TearDown() override;

    BoxWatcher boxes_;
};

#endif
