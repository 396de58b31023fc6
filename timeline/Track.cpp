#include "timeline/Track.h"

#include "base/Log.h"
#include "timeline/SourceDestPool.h"
#include "timeline/TrackModule.h"
#include "timeline/TrackModuleFactory.h"

Track::Track(std::string name, int creationIndex, TrackList& list)
    : name_(std::move(name)), creationIndex_(creationIndex), list_(&list) {
    SourceDestPool::assign(destination_, SourceDestPool::instance().freeEndpoint("DestinationGL"));
}

Track::~Track() {
    // Modules go in creation order; the endpoints stay in the pool.
    for (auto& m : modules_) m.reset();
    SourceDestPool::assign(destination_, nullptr);
    SourceDestPool::assign(source_, nullptr);
}

bool Track::render(float time) {
    if (!selected_) return true;
    return selected_->render(time, destination_, source_, nullptr) == 0;
}

bool Track::selectModule(TrackModule* module) {
    if (module == selected_) return true;
    bool ok = true;
    if (selected_) ok = selected_->deselect(*this);
    selected_ = module;
    if (module) ok = module->select(*this) && ok;
    return ok;
}

TrackModule* Track::moduleFor(std::string_view typeWord) {
    for (const auto& m : modules_)
        if (m->name() == typeWord) return m.get();
    std::unique_ptr<TrackModule> made = createTrackModule(typeWord);
    if (!made)
        logFatal("Event module \"%.*s\" unknown", static_cast<int>(typeWord.size()),
                 typeWord.data());
    modules_.push_back(std::move(made));
    return modules_.back().get();
}

float Track::loadWeight() const {
    float sum = 0.0f;
    for (const auto& m : modules_) sum += m->loadWeight();
    return sum;
}

void Track::listResources(ResourceList& out) const {
    for (const auto& m : modules_) m->listResources(out);
}

bool Track::load(LoadingScreen& progress) {
    bool ok = true;
    for (const auto& m : modules_) ok = m->load(progress) && ok;
    return ok;
}

void Track::setDestination(PoolEntry* endpoint) {
    SourceDestPool::assign(destination_, endpoint);
}
void Track::setSource(PoolEntry* endpoint) {
    SourceDestPool::assign(source_, endpoint);
}
