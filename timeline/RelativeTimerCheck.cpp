#include "timeline/RelativeTimerCheck.h"

#include "base/Log.h"
#include "timeline/Event.h"
#include "timeline/Timeline.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);
// The hop count of a chain that never ends (it runs into a loop).
constexpr long long kEndless = -1;

struct Fault {
    std::size_t event;
    std::string message;
};

// One relative timer as the walk sees it.
struct Node {
    bool relative = false;
    std::size_t target = kNone;  // the referenced event; kNone when none or not relative
    enum class State : unsigned char { unvisited, onPath, done } state = State::unvisited;
    std::size_t pathIndex = 0;  // while onPath: its place on the walk's path
    // How many referenced events the frame step passes through to compute
    // this event's time (0 for other events and unresolved references), or
    // kEndless.
    long long hops = 0;
};

// Reports `message` at the event's own script position.
void reportAt(const Event& event, const std::string& message) {
    ScriptPosition& position = scriptPosition();
    position.line = event.line;
    position.pos = event.line < 0 ? 0 : event.pos;
    logError("%s", message.c_str());
}

}  // namespace

int checkRelativeTimers(Timeline& timeline) {
    const std::size_t count = timeline.eventCount();
    std::unordered_map<const Event*, std::size_t> indexOf;
    indexOf.reserve(count);
    for (std::size_t i = 0; i < count; ++i) indexOf.emplace(&timeline.event(i), i);

    std::vector<Fault> faults;
    std::vector<Node> nodes(count);
    for (std::size_t i = 0; i < count; ++i) {
        Event& event = timeline.event(i);
        if (!dynamic_cast<RelativeTimerModule*>(event.module)) continue;
        nodes[i].relative = true;
        // The same look-up the module makes: a value that is not a string
        // names the empty text, which no event has.
        const std::string& name = event.arguments.find("relativeTo").text();
        if (const Event* referenced = timeline.findEventIgnoringCase(name))
            nodes[i].target = indexOf.at(referenced);
        else
            faults.push_back({i, "relativetimer: event \"" + name + "\" does not exist\n"});
    }

    // Each event refers to at most one other, so the walk from an event is a
    // single path; it stops at an event already measured, at one that refers
    // nowhere, or back on itself (a loop).
    std::vector<std::size_t> path;
    const long long tooDeep = RelativeTimerModule::kDepthBudget + 1;
    for (std::size_t start = 0; start < count; ++start) {
        if (!nodes[start].relative || nodes[start].state != Node::State::unvisited) continue;
        path.clear();
        std::size_t at = start;
        while (nodes[at].state == Node::State::unvisited && nodes[at].target != kNone) {
            nodes[at].state = Node::State::onPath;
            nodes[at].pathIndex = path.size();
            path.push_back(at);
            at = nodes[at].target;
        }
        long long hops = 0;
        if (nodes[at].state == Node::State::onPath) {
            const std::size_t loopStart = nodes[at].pathIndex;
            const auto first =
                std::min_element(path.begin() + static_cast<std::ptrdiff_t>(loopStart), path.end());
            for (std::size_t k = loopStart; k < path.size(); ++k) {
                nodes[path[k]].hops = kEndless;
                nodes[path[k]].state = Node::State::done;
            }
            faults.push_back({*first, "relativeTimer: loop of " +
                                          std::to_string(path.size() - loopStart) +
                                          " relative timer(s) through \"" +
                                          timeline.event(*first).name + "\"\n"});
            path.resize(loopStart);
            hops = kEndless;
        } else if (nodes[at].state == Node::State::done) {
            hops = nodes[at].hops;
        } else {
            nodes[at].state = Node::State::done;  // refers nowhere: hops 0
        }
        for (auto it = path.rbegin(); it != path.rend(); ++it) {
            if (hops != kEndless) ++hops;
            nodes[*it].hops = hops;
            nodes[*it].state = Node::State::done;
            if (hops == tooDeep)
                faults.push_back({*it, "relativeTimer: chain of relative timers from \"" +
                                           timeline.event(*it).name + "\" is deeper than " +
                                           std::to_string(RelativeTimerModule::kDepthBudget) +
                                           " events\n"});
        }
    }

    std::stable_sort(faults.begin(), faults.end(),
                     [](const Fault& a, const Fault& b) { return a.event < b.event; });
    const ScriptPosition saved = scriptPosition();
    for (const Fault& fault : faults) reportAt(timeline.event(fault.event), fault.message);
    scriptPosition() = saved;
    return static_cast<int>(faults.size());
}
