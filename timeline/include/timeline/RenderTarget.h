// What a track draws into and what it may draw from: the two faces of a
// routing endpoint. The OpenGL implementations (the frame buffer, patch
// cables) live with the textures; the timeline only counts and passes them.
#pragma once

#include "data/TextureSource.h"

#include <cstdint>
#include <string>

// A surface a track draws into.
class Destination {
public:
    virtual ~Destination() = default;
    // Called by a module before it draws into this destination.
    virtual void beginDraw() {}
    // Called by a module after it drew; a texture target captures here.
    virtual void endDraw() {}
    // Called between beginDraw and endDraw by a module that drew the
    // track's picture into a texture of its own (`target`, a drawing-door
    // texture target) instead: a texture target shows that texture in place
    // of a capture until the next beginDraw, and returns true; the screen
    // returns false, and the module draws onto it.
    virtual bool showTarget(std::uint32_t) { return false; }
    // True when drawing goes into a texture rather than onto the screen.
    virtual bool isOffscreen() const = 0;
    virtual int width() const = 0;
    virtual int height() const = 0;
};

// A routing endpoint kept by the pool, with the count of track slots that
// refer to it.
class PoolEntry : public TextureSource, public Destination {
public:
    // The name a free-endpoint request must match: a cable's own name; the
    // frame buffer answers "void *", so it is never handed out twice. Fixed
    // for the endpoint's life: the pool files the endpoint under it once.
    virtual std::string poolName() const { return "void *"; }

    int useCount() const { return useCount_; }
    void addUse() { ++useCount_; }
    // Never below zero.
    void releaseUse() {
        if (useCount_ > 0) --useCount_;
    }

private:
    int useCount_ = 0;
};
