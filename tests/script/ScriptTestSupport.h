// Every script test starts from a clean error flag, a known script position
// and the default tempo, and can capture what the log writes.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "base/Log.h"
#include "script/ArgumentList.h"
#include "script/MusicTempo.h"
#include "script/Tokenizer.h"

class ScriptTest : public ::testing::Test {
protected:
    void SetUp() override {
        setScriptErrorFlag(false);
        scriptPosition() = ScriptPosition{"test.qsc", 3, 0};
        setCurrentTempo(nullptr);
    }
    void TearDown() override { setCurrentTempo(nullptr); }

    template <class Action>
    static std::string logOf(Action action) {
        testing::internal::CaptureStderr();
        action();
        return testing::internal::GetCapturedStderr();
    }

    static ArgumentList listOf(const std::string& line) {
        Tokenizer tokens(line);
        return ArgumentList(tokens);
    }
};
