// Shared fixture: every script test starts from a clean error flag, a known
// script position and the default tempo, and can capture the log.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "script/MusicTempo.h"
#include "shell/Log.h"

class ScriptTest : public ::testing::Test {
protected:
    void SetUp() override {
        setScriptErrorFlag(false);
        scriptPosition() = ScriptPosition{"test.qsc", 3, 0};
        setCurrentTempo(nullptr);
    }
    void TearDown() override { setCurrentTempo(nullptr); }

    // Everything `action` writes to the log (standard error).
    template <class Action>
    static std::string logOf(Action&& action) {
        testing::internal::CaptureStderr();
        std::forward<Action>(action)();
        return testing::internal::GetCapturedStderr();
    }
};
