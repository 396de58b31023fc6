// An owning, name-keyed collection with get-or-create look-up: the pattern of
// every registry (tracks, event modules, routing endpoints, textures).
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

// T provides `name()`. Elements are kept in insertion order and never removed
// one by one; the registry destroys them in that order.
template <typename T>
class NamedRegistry {
public:
    virtual ~NamedRegistry() = default;

    // The first element whose name equals `name` exactly (case matters);
    // otherwise a new element from create, appended. Null when create makes
    // nothing; then nothing is stored.
    T* getOrCreate(std::string_view name) {
        if (T* found = find(name)) return found;
        std::unique_ptr<T> made = create(name);
        if (!made) return nullptr;
        elements_.push_back(std::move(made));
        return elements_.back().get();
    }

    // The first element named exactly `name`, or null.
    T* find(std::string_view name) const {
        for (const auto& e : elements_)
            if (e->name() == name) return e.get();
        return nullptr;
    }

    std::size_t size() const { return elements_.size(); }
    T* at(std::size_t i) const { return elements_[i].get(); }

protected:
    // Called by getOrCreate on a miss: a new element for `name`, or null when
    // the name is not one this registry can make.
    virtual std::unique_ptr<T> create(std::string_view name) = 0;

    std::vector<std::unique_ptr<T>> elements_;
};
