#include "DisplayLoss.h"

#include "base/Interrupt.h"

#include <SDL_syswm.h>
#include <dlfcn.h>
#include <poll.h>
#include <sys/socket.h>
#include <cstring>

namespace {

// The window-system libraries are SDL's (it loads them itself): their
// functions are looked up in the copies already loaded, never loaded anew.
void* loadedFunction(const char* library, const char* name) {
    void* handle = dlopen(library, RTLD_LAZY | RTLD_NOLOAD);
    return handle ? dlsym(handle, name) : nullptr;
}

bool driverIs(const char* name) {
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver && std::strcmp(driver, name) == 0;
}

// The X library calls this once its connection is broken; returning would
// let it call exit(), whose handlers wait on the dead connection.
extern "C" int onXConnectionBroken(void*) {
    endWithLostDisplay();
}

}  // namespace

void watchDisplayConnection() {
    if (!driverIs("x11")) return;
    using IOErrorHandler = int (*)(void*);
    using SetIOErrorHandler = IOErrorHandler (*)(IOErrorHandler);
    auto set =
        reinterpret_cast<SetIOErrorHandler>(loadedFunction("libX11.so.6", "XSetIOErrorHandler"));
    if (set) set(onXConnectionBroken);
}

bool displayConnectionLost(SDL_Window* window) {
    if (!window || !driverIs("wayland")) return false;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_WAYLAND ||
        !info.info.wl.display)
        return false;
    using DisplayCall = int (*)(void*);
    static const auto getError = reinterpret_cast<DisplayCall>(
        loadedFunction("libwayland-client.so.0", "wl_display_get_error"));
    static const auto getFd = reinterpret_cast<DisplayCall>(
        loadedFunction("libwayland-client.so.0", "wl_display_get_fd"));
    if (getError && getError(info.info.wl.display) != 0) return true;
    if (!getFd) return false;
    // SDL reads a closed connection as a quit request, but not before some
    // of its event handling has used what the compositor took with it: the
    // end of the socket is looked for here, before SDL reads from it.
    pollfd socket{getFd(info.info.wl.display), POLLIN, 0};
    if (::poll(&socket, 1, 0) <= 0) return false;
    if (socket.revents & (POLLHUP | POLLERR)) return true;
    char next = 0;
    return ::recv(socket.fd, &next, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
}

void endWithLostDisplay() {
    endProcessNow(kLostDisplayStatus, "Window: the connection to the display was lost, exiting\n");
}
