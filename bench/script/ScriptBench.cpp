// Reading and tokenizing a 100 000-line script whose statements carry
// argument lists: the whole parse of a large presentation's script should
// stay well under a second.
#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "script/ArgumentList.h"
#include "script/ScriptReader.h"

namespace {

constexpr int kLines = 100000;

// A script mixing every statement form and value notation, with comments
// and blank lines in between.
std::string makeScript() {
    std::string script;
    script.reserve(kLines * 80);
    for (int i = 0; i < kLines; ++i) {
        const std::string n = std::to_string(i);
        switch (i % 5) {
        case 0:
            script +=
                "event e" + n + " timer time=midi(" + std::to_string(i % 97 + 1) + ":2:120)\r\n";
            break;
        case 1:
            script += "logo" + n + " at e" + n +
                      " image start bitmap=logo.png alpha=0 alphaVel=0.5 xDiff=1:30\n";
            break;
        case 2:
            script += "title at e" + n +
                      " text start text=\"Hello big world\" size=0.25"
                      " ; a comment\n";
            break;
        case 3: script += "; only a comment\n"; break;
        default: script += "  \t\n"; break;
        }
    }
    return script;
}

// Walks every line: the fixed words of the statement form, then the rest as
// an argument list.
void parseAll(ScriptReader& reader, benchmark::State& state) {
    std::size_t arguments = 0;
    while (reader.hasMoreLines()) {
        Tokenizer tokens = reader.nextLine();
        // "event NAME MODULE" or "TRACK at EVENT MODULE COMMAND".
        const int fixedWords = tokens.nextToken() == "event" ? 2 : 4;
        for (int i = 0; i < fixedWords && tokens.hasMoreTokens(); ++i) {
            benchmark::DoNotOptimize(tokens.nextToken());
        }
        ArgumentList args(tokens);
        arguments += args.size();
    }
    state.counters["arguments"] = static_cast<double>(arguments);
}

void BM_ReadAndTokenizeFromMemory(benchmark::State& state) {
    const std::string script = makeScript();
    for (auto _ : state) {
        ScriptReader reader = ScriptReader::fromText(script);
        parseAll(reader, state);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * script.size()));
}
BENCHMARK(BM_ReadAndTokenizeFromMemory)->Unit(benchmark::kMillisecond);

void BM_ReadAndTokenizeFromFile(benchmark::State& state) {
    char dir[] = "/tmp/dp_script_bench_XXXXXX";
    if (!mkdtemp(dir) || chdir(dir) != 0) {
        state.SkipWithError("no temporary directory");
        return;
    }
    std::ofstream("demo.qsc", std::ios::binary) << makeScript();
    for (auto _ : state) {
        ScriptReader reader("data\\demo.qsc");
        parseAll(reader, state);
    }
    std::remove("demo.qsc");
    rmdir(dir);
}
BENCHMARK(BM_ReadAndTokenizeFromFile)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
