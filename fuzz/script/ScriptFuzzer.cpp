// Feeds arbitrary bytes through the script reader, the tokenizer and
// argument lists, with every check and animated-parameter operation a module
// would run on them. Run with -close_fd_mask=2: the log goes to standard
// error and would otherwise slow the fuzzer down.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/Log.h"
#include "script/AnimatedParameter.h"
#include "script/ArgumentList.h"
#include "script/MusicTempo.h"
#include "script/ScriptReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    ScriptReader reader = ScriptReader::fromText(text);
    AnimatedParameter alpha("alpha", 1.0f, true);
    AnimatedParameter xDiff("xDiff", 0.0f);
    // A second pass at another tempo, as after a global setting.
    MusicTempo tempo{97.5f, 2.0f};
    for (int pass = 0; pass < 2; ++pass) {
        setCurrentTempo(pass == 0 ? nullptr : &tempo);
        reader.rewind();
        while (reader.hasMoreLines()) {
            Tokenizer tokens = reader.nextLine();
            const std::string first = tokens.nextToken();
            ArgumentList args(tokens);
            args.clearUsed();
            args.requireNumber(first);
            args.requireString("text");
            args.optionalNumber("time");
            args.optionalString(first);
            alpha.markUsed(args);
            xDiff.markUsed(args);
            alpha.reset(args, 1.0f);
            xDiff.update(args, 2.0f);
            // Key curves: before, inside, far past the keys (loops).
            for (float t : {-1.0f, 3.0f, 4.0f, 1e7f}) {
                (void)alpha.valueAt(t);
                (void)xDiff.valueAt(t);
            }
            ArgumentList copy = args;
            copy.warnUnused();
            tokens.restart();
            while (tokens.hasMoreTokens()) (void)tokens.nextToken();
        }
    }
    setCurrentTempo(nullptr);
    setScriptErrorFlag(false);
    return 0;
}
