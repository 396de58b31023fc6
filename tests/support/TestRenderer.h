// Which renderer the drawing tests draw with: DP_TEST_RENDERER names it,
// "gl1" when unset. CTest registers every drawing test once per renderer and
// sets it; a test program run by hand takes it from the shell.
//
// A name no renderer has stops the program at once: a typo must not quietly
// test gl1 a second time.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace testsupport {

// The renderer's name: "gl1" or "gles2".
inline std::string testRendererName() {
    const char* given = std::getenv("DP_TEST_RENDERER");
    const std::string name = given && *given ? given : "gl1";
    if (name != "gl1" && name != "gles2") {
        std::fprintf(stderr, "DP_TEST_RENDERER=%s: no such renderer (gl1 or gles2)\n",
                     name.c_str());
        std::exit(2);
    }
    return name;
}

// The player's arguments that choose the test renderer. None for gl1, the
// player's default, so gl1 runs play exactly as an author's plain run does.
inline std::vector<std::string> playerRendererArgumentList() {
    const std::string name = testRendererName();
    if (name == "gl1") return {};
    return {"--renderer", name};
}

// The same as shell words, each followed by a space.
inline std::string playerRendererArguments() {
    std::string words;
    for (const std::string& argument : playerRendererArgumentList()) words += argument + " ";
    return words;
}

}  // namespace testsupport

// Programs that draw in-process see the drawing door's headers, and get the
// renderer itself; programs that only run the player do not need them.
#if __has_include("gfx/Renderer.h")
#include "gfx/Renderer.h"

namespace testsupport {

inline gfx::Renderer testRenderer() {
    return *gfx::rendererNamed(testRendererName());
}

// Whether the tests draw with the fixed-function renderer, the only one
// whose driver state (glGet*, display lists, texture read-back) a test can
// query directly.
inline bool fixedFunctionDriver() {
    return testRenderer() == gfx::Renderer::gl1;
}

}  // namespace testsupport
#endif
