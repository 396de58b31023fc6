// An owning, name-keyed collection with get-or-create look-up: the pattern of
// every registry (tracks, event modules, routing endpoints, textures).
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

// T provides `name()`, returning a reference to a string that stays the same
// while the element lives (the index below refers to it). Elements are kept
// in insertion order and never removed one by one; the registry destroys them
// in that order. Look-ups go through a hash index, so they cost the same in a
// registry of ten thousand elements as in one of ten.
template <typename T>
class NamedRegistry {
public:
    virtual ~NamedRegistry() = default;

    // The first element whose name equals `name` exactly (case matters);
    // otherwise a new element from create, appended. Null when create makes
    // nothing; then nothing is stored. The new element is indexed under its
    // own name, which may differ from `name` (an event module made for
    // "Timer" is named "timer"); a look-up of `name` then misses again.
    T* getOrCreate(std::string_view name) {
        if (T* found = find(name)) return found;
        std::unique_ptr<T> made = create(name);
        if (!made) return nullptr;
        T* element = made.get();
        elements_.push_back(std::move(made));
        index(element);
        return element;
    }

    // The first element, in insertion order, named exactly `name`, or null.
    T* find(std::string_view name) const {
        const auto found = byName_.find(name);
        return found == byName_.end() ? nullptr : found->second;
    }

    std::size_t size() const { return elements_.size(); }
    T* at(std::size_t i) const { return elements_[i].get(); }

protected:
    // Called by getOrCreate on a miss: a new element for `name`, or null when
    // the name is not one this registry can make.
    virtual std::unique_ptr<T> create(std::string_view name) = 0;

    // Derived registries may reorder the elements (the track list keeps its
    // draw order here) but add them only through getOrCreate.
    std::vector<std::unique_ptr<T>> elements_;

private:
    void index(T* element) {
        static_assert(std::is_lvalue_reference_v<decltype(std::declval<const T&>().name())>,
                      "the index keeps views of the elements' own names");
        // emplace keeps an existing entry: the first element of a name wins.
        byName_.emplace(std::string_view(element->name()), element);
    }

    // Each name to the first element carrying it; the keys view the names
    // inside the elements, which live as long as the registry.
    std::unordered_map<std::string_view, T*> byName_;
};
